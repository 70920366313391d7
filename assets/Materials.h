// The pictures of the user interface and the game's one font.
#pragma once
#include <cstdint>

#include "engine/OMEGA_list.h"

extern OEHandle TexMap1;
extern OEHandle TexMap2;
extern OEHandle TexCursor;
extern OEHandle TexBlack;
extern OEHandle TexButton;
extern OEHandle TexCornerButton;
extern OEHandle TexBlackMasked;
extern OEHandle TexBigPanel;
extern OEHandle MainFont;
// The font's line height in pixels at scale 1: the first byte of the font data.
extern uint8_t FontHeight;

// Nothing loaded: every handle 0.
void ResetMaterials();
void LoadInterfaceTextures();
