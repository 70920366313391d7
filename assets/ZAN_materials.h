// The pictures of the world: ground sheets named by a list file, objects, and the walking units.
#pragma once
#include <vector>

#include "engine/OMEGA_list.h"

inline constexpr const char* GroundListFile = "Data\\T\\K.txt";
constexpr int kFacings = 8;

extern OEHandle TexShadow;
extern std::vector<OEHandle> GroundTextures;
extern OEHandle TexAltar;
extern OEHandle TexHome;
extern OEHandle TexHome2;
extern OEHandle TexGun;
extern OEHandle ModelPt[kFacings];
extern OEHandle ModelSh[kFacings];
extern OEHandle ModelCol[kFacings];

// Nothing loaded: no ground sheets, every handle 0.
void ResetZAN_materials();
void LoadMaterialSets();
