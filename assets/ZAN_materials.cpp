#include "assets/ZAN_materials.h"

#include <cstdint>
#include <string>

#include "engine/OMEGA.h"
#include "platform/Runtime.h"
#include "shell/VyxUtils.h"

OEHandle TexShadow;
std::vector<OEHandle> GroundTextures;
OEHandle TexAltar;
OEHandle TexHome;
OEHandle TexHome2;
OEHandle TexGun;
OEHandle ModelPt[kFacings];
OEHandle ModelSh[kFacings];
OEHandle ModelCol[kFacings];

void ResetZAN_materials() {
  TexShadow = TexAltar = TexHome = TexHome2 = TexGun = 0;
  GroundTextures.clear();
  for (int d = 0; d < kFacings; ++d) ModelPt[d] = ModelSh[d] = ModelCol[d] = 0;
}

namespace {

constexpr int32_t kAllBits = -1;
constexpr int32_t kAsIs = 1;
constexpr int32_t kMasked = 330;
// More ground sheets than this is not a list but a broken file; it must not cost all the memory.
constexpr int64_t kMaxGroundTextures = 100000;

// The first number of the ground list: blanks and line breaks before it are skipped, and it runs to
// the next blank, control character or the end. An empty or blank file holds 0. A negative count or
// one past the limit is reported as a range error by the caller. The scan is fed a chunk of the file at
// a time and says when the number has ended, so nothing after it is read.
struct TNumberScan {
  bool Started = false;  // past the blanks before the number
  bool Signed = false;
  bool Negative = false;
  bool HasDigits = false;
  bool Valid = true;
  int64_t Value = 0;
};

// False once the number has ended, or has shown it is none.
bool ScanNumber(TNumberScan& scan, const char* begin, const char* end) {
  for (const char* p = begin; p != end; ++p) {
    const auto ch = static_cast<unsigned char>(*p);
    if (!scan.Started) {
      if (ch <= ' ') continue;
      scan.Started = true;
      if (ch == '+' || ch == '-') {
        scan.Signed = true;
        scan.Negative = ch == '-';
        continue;
      }
    }
    if (ch <= ' ' || ch == 0x7F) return false;
    if (ch < '0' || ch > '9') {
      scan.Valid = false;
      return false;
    }
    scan.HasDigits = true;
    // Saturate: anything this large is out of range anyway.
    if (scan.Value <= kMaxGroundTextures) scan.Value = scan.Value * 10 + (ch - '0');
  }
  return true;
}

std::string Decimal(int32_t value) {
  std::string text;
  IntToText(value, text);
  return text;
}

std::string ModelName(const char* set, int d, const char* suffix) {
  return std::string("Data\\Model\\") + set + Decimal(d) + suffix;
}

OEHandle LoadFramed(const std::string& mask, const std::string& picture, int32_t frameW, int32_t frameH) {
  Tex_LoadMaskFromFile(mask.c_str());
  const OEHandle h = Tex_LoadFromFile(picture.c_str(), kAllBits, kMasked);
  Tex_SetFramesSize(h, frameW, frameH);
  return h;
}

}  // namespace

void LoadMaterialSets() {
  TexShadow = Tex_LoadFromFile("Data\\shad.tga", kAllBits, kAsIs);

  TFile list;
  FileOpenRead(list, GroundListFile);
  TNumberScan scan;
  FileReadChunks(list, [&](const char* begin, const char* end) { return ScanNumber(scan, begin, end); });
  FileClose(list);
  if (!scan.Valid || (scan.Signed && !scan.HasDigits)) RUN_ERROR_HERE(kErrInvalidNumber);
  const int64_t count = scan.Negative ? -scan.Value : scan.Value;

  // One mask cuts out every ground sheet; it stays current through the loop below.
  Tex_LoadMaskFromFile("Data\\T\\m1.jpg");
  if (count < 0 || count > kMaxGroundTextures) RUN_ERROR_HERE(kErrRange);
  GroundTextures.assign(static_cast<std::size_t>(count), 0);
  for (int32_t k = 1; k <= count; ++k) {
    const std::string name = "Data\\T\\" + Decimal(k) + ".jpg";
    const OEHandle h = Tex_LoadFromFile(name.c_str(), kAllBits, kMasked);
    GroundTextures[static_cast<std::size_t>(k - 1)] = h;
    Tex_SetFramesSize(h, 64, 128);
  }

  TexAltar = LoadFramed("Data\\altarm.jpg", "Data\\altar.jpg", 128, 256);
  TexHome = LoadFramed("Data\\homem.jpg", "Data\\home.jpg", 256, 256);
  TexHome2 = LoadFramed("Data\\home2m.jpg", "Data\\home.jpg", 256, 256);
  TexGun = LoadFramed("Data\\gun1-1m.jpg", "Data\\gun1-1.jpg", 128, 128);
  for (int d = 0; d < kFacings; ++d) {
    ModelPt[d] = LoadFramed(ModelName("pt", d, "m.jpg"), ModelName("pt", d, ".jpg"), 64, 128);
    ModelSh[d] = LoadFramed(ModelName("sh", d, "m.jpg"), ModelName("sh", d, ".jpg"), 64, 128);
    // The colour overlay is its own mask.
    ModelCol[d] = LoadFramed(ModelName("col", d, ".jpg"), ModelName("col", d, ".jpg"), 64, 128);
  }
}
