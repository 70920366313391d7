#include "assets/Materials.h"

#include "engine/OMEGA.h"

OEHandle TexMap1;
OEHandle TexMap2;
OEHandle TexCursor;
OEHandle TexBlack;
OEHandle TexButton;
OEHandle TexCornerButton;
OEHandle TexBlackMasked;
OEHandle TexBigPanel;
OEHandle MainFont;
uint8_t FontHeight;

void ResetMaterials() {
  TexMap1 = TexMap2 = TexCursor = TexBlack = TexButton = TexCornerButton = TexBlackMasked = TexBigPanel = 0;
  MainFont = 0;
  FontHeight = 0;
}

namespace {

// Every picture keeps all its colours (the engine's "no transparent colour").
constexpr int32_t kNoColourKey = -1;
constexpr int32_t kPlain = 1;
// Transparency taken from the mask loaded just before.
constexpr int32_t kMasked = 330;
constexpr int32_t kFontFlags = 394;

}  // namespace

void LoadInterfaceTextures() {
  TexMap1 = Tex_LoadFromFile("Data\\Map1.jpg", kNoColourKey, kPlain);
  TexMap2 = Tex_LoadFromFile("Data\\Map2.jpg", kNoColourKey, kPlain);
  TexCursor = Tex_LoadFromFile("Data\\Cur.tga", kNoColourKey, kPlain);
  TexBlack = Tex_LoadFromFile("Data\\Black.jpg", kNoColourKey, kPlain);

  TexButton = Tex_LoadFromFile("Data\\btm.jpg", kNoColourKey, kPlain);
  Tex_SetFramesSize(TexButton, 256, 128);

  Tex_LoadMaskFromFile("Data\\msp.jpg");
  TexCornerButton = Tex_LoadFromFile("Data\\sp.jpg", kNoColourKey, kMasked);
  Tex_SetFramesSize(TexCornerButton, 256, 256);

  // Not the fade sheet above: a different file (lower-case name), cut out by its own mask.
  Tex_LoadMaskFromFile("Data\\mbl.jpg");
  TexBlackMasked = Tex_LoadFromFile("Data\\black.jpg", kNoColourKey, kMasked);

  Tex_LoadMaskFromFile("Data\\mbigsv.jpg");
  TexBigPanel = Tex_LoadFromFile("Data\\bigsv.jpg", kNoColourKey, kMasked);

  MainFont = Text_LoadFontFromFile("Data\\Font1.tga", "Data\\Font1.ofi", 0, kFontFlags);
  // The handle points at the font's data, whose first byte is the line height.
  FontHeight = MainFont != 0 ? *reinterpret_cast<const uint8_t*>(MainFont) : 0;
}
