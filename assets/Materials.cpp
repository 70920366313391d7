#include "assets/Materials.h"

// WORK IN PROGRESS (shell)
OEHandle TexMap1 = 0;
OEHandle TexMap2 = 0;
OEHandle TexCursor = 0;
OEHandle TexBlack = 0;
OEHandle TexButton = 0;
OEHandle TexCornerButton = 0;
OEHandle TexBlackMasked = 0;
OEHandle TexBigPanel = 0;
OEHandle MainFont = 0;
uint8_t FontHeight = 0;

void LoadInterfaceTextures() {}
