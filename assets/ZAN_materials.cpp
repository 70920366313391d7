#include "assets/ZAN_materials.h"

// WORK IN PROGRESS (world)
OEHandle TexShadow = 0;
std::vector<OEHandle> GroundTextures;
OEHandle TexAltar = 0;
OEHandle TexHome = 0;
OEHandle TexHome2 = 0;
OEHandle TexGun = 0;
OEHandle ModelPt[kFacings] = {};
OEHandle ModelSh[kFacings] = {};
OEHandle ModelCol[kFacings] = {};

void LoadMaterialSets() {}
