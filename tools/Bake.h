// The baker's pieces: each art function adds the files it makes and what the contact sheet shows.
#pragma once
#include <string>
#include <vector>

#include "BakeImage.h"

struct OutFile {
  enum Kind { kJpg, kMaskJpg, kTga, kText };
  std::string path;  // relative to the Data folder, '/' separated
  Kind kind = kJpg;
  Image img;
  std::string text;
};

struct SheetEntry {
  Image shown;  // what the game shows: colour with the picture's alpha (or its mask)
  int fw = 0, fh = 0;  // frame size, 0 when the picture is one frame
};

struct Baked {
  std::vector<OutFile> files;
  std::vector<SheetEntry> sheet;
};

// JPEG quality of pictures and of masks (masks stay clean black and white with soft edges).
constexpr int kPictureQuality = 92;
constexpr int kMaskQuality = 97;

// A picture with no mask.
void AddPlain(Baked& out, const std::string& path, const Image& img, int fw = 0, int fh = 0);
// A picture whose alpha goes into its own mask file.
void AddMasked(Baked& out, const std::string& path, const std::string& mask, const Image& img,
               int fw = 0, int fh = 0);
// A mask alone (its alpha as grey).
void AddMask(Baked& out, const std::string& path, const Image& alphaSource);
// A picture with its alpha kept in the file (TGA).
void AddTga(Baked& out, const std::string& path, const Image& img, int fw = 0, int fh = 0);
void AddText(Baked& out, const std::string& path, const std::string& text);

// Interface pictures.
void BakeMap1(Baked& out);
void BakeMap2(Baked& out);
void BakeCursor(Baked& out);
void BakeBlacks(Baked& out);
void BakeButton(Baked& out);
void BakeCornerButton(Baked& out);
void BakePanel(Baked& out);
// World pictures.
void BakeShadow(Baked& out);
void BakeGround(Baked& out);
void BakeAltar(Baked& out);
void BakeHome(Baked& out);
void BakeGun(Baked& out);
void BakeModels(Baked& out, int set);  // 0 villager (pt + col), 1 leader (sh)
// The font, from a TrueType file.
void BakeFont(Baked& out, const std::string& fontFile);

// The desktop icon, size×size with a transparent surround, and the files zanoru-128.png,
// zanoru-256.png and zanoru.ico in `dir`.
Image IconImage(int size);
// An .ico file of the icon drawn at each of `sizes`; empty when a size cannot be encoded.
std::vector<uint8_t> IcoBytes(const std::vector<int>& sizes);
bool BakeIcons(const std::string& dir);

// Ground pictures: how many the ground list names.
constexpr int kGroundCount = 6;
constexpr int kGroundFrames = 4;
