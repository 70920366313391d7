// Loading pictures fast must not change what is loaded: the JPEG decoder against the general loader,
// and loads served by the decoding ahead against direct loads, file by file and handle by handle.
#include <SDL.h>
#include <SDL_image.h>
#include <sys/stat.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "omega/decode/Jpeg.h"
#include "omega/decode/Decode.h"
#include "omega/decode/Prefetch.h"
#include "tests/omega/support/EngineFixture.h"
#include "tests/support/PlainDrawing.h"

using omega::Image;
using omega_test::ReadFile;
using omega_test::WriteFile;
using omega_test::WritePng;
using omega_test::WriteTga;

namespace {

// The general loader, as pictures were read before the JPEG decoder existed.
bool GeneralLoad(const std::string& path, Image& out) {
  SDL_Surface* loaded = IMG_Load(path.c_str());
  if (loaded == nullptr) return false;
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(loaded);
  if (argb == nullptr) return false;
  out.W = argb->w;
  out.H = argb->h;
  out.Px.clear();
  for (int y = 0; y < out.H; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(argb->pixels) + y * argb->pitch);
    out.Px.insert(out.Px.end(), row, row + out.W);
  }
  SDL_FreeSurface(argb);
  return out.W > 0 && out.H > 0;
}

// A colourful picture (gradients and a few hard edges, so chroma subsampling has work to do).
std::vector<uint32_t> Colourful(int w, int h) {
  std::vector<uint32_t> px;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      px.push_back(0xFF000000u | static_cast<uint32_t>((x * 255 / w) << 16) | static_cast<uint32_t>((y * 255 / h) << 8) |
                   ((x / 5 + y / 3) % 2 ? 0xE0u : 0x10u));
  return px;
}

void WriteJpeg(const std::string& path, int w, int h, int quality) {
  std::vector<uint32_t> px = Colourful(w, h);
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(px.data(), w, h, 32, w * 4, SDL_PIXELFORMAT_ARGB8888);
  ASSERT_NE(s, nullptr);
  ASSERT_EQ(IMG_SaveJPG(s, path.c_str(), quality), 0) << SDL_GetError();
  SDL_FreeSurface(s);
}

// How two pictures differ, or "" when they are the same.
std::string Difference(const Image& expected, const Image& got) {
  if (expected.W != got.W || expected.H != got.H)
    return "expected " + std::to_string(expected.W) + "x" + std::to_string(expected.H) + ", got " +
           std::to_string(got.W) + "x" + std::to_string(got.H);
  for (size_t i = 0; i < expected.Px.size(); ++i)
    if (expected.Px[i] != got.Px[i])
      return "pixel " + std::to_string(i) + ": expected " + Hex(expected.Px[i]) + ", got " + Hex(got.Px[i]);
  return "";
}

}  // namespace

// ---- the JPEG decoder: the general loader's pixels and results ----

class JpegFiles : public EngineTest {};

TEST_F(JpegFiles, DecodePictureGivesTheGeneralLoadersResultForEveryKindOfFile) {
  WriteJpeg("odd.jpg", 37, 23, 90);   // odd sizes: partial blocks in both directions
  WriteJpeg("big.jpg", 256, 130, 75);
  const std::string whole = ReadFile("big.jpg");
  WriteFile("short.jpg", whole.substr(0, whole.size() / 2));         // cut short: the rest is filled in
  WriteFile("long.jpg", whole + std::string(300, '\x5A'));           // bytes after the end
  std::string zeroWidth = whole;                                      // a size out of range
  const size_t sof = zeroWidth.find("\xFF\xC0");
  ASSERT_NE(sof, std::string::npos);
  zeroWidth[sof + 7] = 0;
  zeroWidth[sof + 8] = 0;
  WriteFile("zero.jpg", zeroWidth);
  WriteFile("header-only.jpg", whole.substr(0, 4));
  WriteFile("garbage.jpg", std::string("\xFF\xD8\xFF\xE0 not a jpeg at all"));
  WritePng("png-named.jpg", 2, 1, {0x80FF0000u, 0xFF00FF00u});       // another format under a JPEG name
  WriteFile("empty.jpg", "");

  for (const char* name : {"odd.jpg", "big.jpg", "short.jpg", "long.jpg", "zero.jpg", "header-only.jpg", "garbage.jpg",
                           "png-named.jpg"}) {
    SCOPED_TRACE(name);
    Image general, fast;
    const bool generalOk = GeneralLoad(name, general);
    EXPECT_EQ(omega::DecodePicture(name, fast), generalOk);
    if (generalOk) {
      EXPECT_EQ(Difference(general, fast), "");
    }
  }
  Image none;
  EXPECT_FALSE(omega::DecodePicture("empty.jpg", none));
  EXPECT_FALSE(omega::DecodePicture("missing.jpg", none));
}

TEST_F(JpegFiles, TheDecoderLeavesAnythingButColourJpegToTheGeneralLoader) {
  WritePng("png-named.jpg", 2, 2, {0xFF0000FFu, 0xFF00FF00u, 0xFFFF0000u, 0xFFFFFFFFu});
  WriteFile("garbage.jpg", std::string("\xFF\xD8\xFF\xE0 not a jpeg at all"));
  for (const char* name : {"png-named.jpg", "garbage.jpg", "missing.jpg"}) {
    Image untouched;
    untouched.W = 7;
    EXPECT_EQ(omega::DecodeJpeg(name, untouched), omega::JpegResult::NotHandled) << name;
    EXPECT_EQ(untouched.W, 7) << name << ": the picture must be left alone";
  }
  WriteJpeg("ok.jpg", 9, 9, 90);
  Image decoded;
  ASSERT_EQ(omega::DecodeJpeg("ok.jpg", decoded), omega::JpegResult::Decoded);
  for (const uint32_t p : decoded.Px) ASSERT_EQ(p >> 24, 0xFFu) << "a JPEG picture is opaque";
}

// ---- loads served by the decoding ahead ----

class Prefetching : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    std::filesystem::create_directories("Data/Sub");
    WriteJpeg("Data/photo.jpg", 40, 24, 85);
    WriteJpeg("Data/Sub/MaskAndPicture.JPG", 40, 24, 60);
    WritePng("Data/alpha.png", 3, 2, {0x00FF0000u, 0x80FF0000u, 0xFF00FF00u, 0x400000FFu, 0xFFFFFFFFu, 0x01020304u});
    WriteTga("Data/Sub/cursor.tga", 2, 2, {0xFF112233u, 0x80445566u, 0x00000000u, 0xFFFFFFFFu});
    WriteFile("Data/empty.png", "");
    WriteFile("Data/corrupt.png", "\x89PNG\r\n\x1A\n broken");
    WriteFile("Data/notes.txt", "not a picture");
  }
  void TearDown() override {
    omega::E().Ahead.SetOn(true);
    EngineTest::TearDown();
  }

  // What the game sees of a run of loads: handles' load numbers, sizes and premultiplied pixels.
  static std::string LoadEverything() {
    std::ostringstream seen;
    const auto texture = [&seen](const char* file, int32_t flags) {
      const OEHandle h = Tex_LoadFromFile(file, -1, flags);
      seen << file << " " << flags << " -> ";
      const auto it = omega::E().Pictures.Textures.find(h);
      if (h == 0 || it == omega::E().Pictures.Textures.end()) {
        seen << "0\n";
        return;
      }
      const Image pic = plain::Rows(it->second->Picture);
      seen << "#" << it->second->Seq << " " << pic.W << "x" << pic.H;
      for (const uint32_t p : pic.Px) seen << " " << Hex(p);
      seen << "\n";
    };
    seen << "mask " << Tex_LoadMaskFromFile("Data\\Sub\\MaskAndPicture.JPG") << "\n";
    texture("Data\\Sub\\MaskAndPicture.JPG", 330);
    texture("Data\\photo.jpg", 330);
    texture("Data\\photo.jpg", 1);  // the same file twice
    texture("Data\\alpha.png", 1);
    texture("Data\\alpha.png", 330);
    texture("Data\\Sub\\cursor.tga", 1);
    texture("Data\\empty.png", 1);
    texture("Data\\corrupt.png", 1);
    texture("Data\\notes.txt", 1);
    texture("Data\\missing.png", 1);
    seen << "bad mask " << Tex_LoadMaskFromFile("Data\\corrupt.png") << "\n";
    texture("Data\\photo.jpg", 330);  // no current mask: made opaque
    return seen.str();
  }
};

TEST_F(Prefetching, LoadsGiveTheDirectLoadsHandlesPixelsAndFailures) {
  omega::E().Ahead.SetOn(false);
  const std::string direct = LoadEverything();
  EXPECT_EQ(omega::E().Ahead.Files(), 0u) << "nothing is decoded ahead when it is off";

  omega::ResetEngine();
  omega::E().Ahead.SetOn(true);
  omega::E().Ahead.Start("Data");
  omega::E().Ahead.Finish();
  EXPECT_EQ(omega::E().Ahead.Files(), 6u) << "the six picture names under Data, in every folder and any case";
  const std::string ahead = LoadEverything();
  EXPECT_EQ(ahead, direct);
  // The four that decode taken ready once, and the mask's picture again for its own load; the two whose
  // headers say they will not decode are not decoded ahead at all.
  EXPECT_EQ(omega::E().Ahead.Hits(), 5u) << "a mask's picture is handed back for the load that follows it";
}

TEST_F(Prefetching, TheFirstLoadStartsItAndLoadsNotYetDecodedAreDecodedDirectly) {
  // Whether each load finds its picture ready depends on the threads; what it gets must not.
  omega::E().Ahead.SetOn(false);
  const std::string direct = LoadEverything();
  for (int run = 0; run < 5; ++run) {
    omega::ResetEngine();
    omega::E().Ahead.SetOn(true);
    EXPECT_EQ(LoadEverything(), direct) << "run " << run;
    EXPECT_EQ(omega::E().Ahead.Files(), 6u);
  }
}

// The engine knows no folder of its own: the first load's path names the one decoded ahead.
TEST_F(Prefetching, TheFolderDecodedAheadIsTheFirstLoadsTopFolder) {
  std::filesystem::create_directories("Art/Deep");
  WriteJpeg("Art/Deep/one.jpg", 8, 8, 80);
  WriteJpeg("Art/two.jpg", 8, 8, 80);
  Tex_LoadFromFile("Art\\Deep\\one.jpg", -1, 1);  // from a subfolder: still the whole top folder
  omega::E().Ahead.Finish();
  EXPECT_EQ(omega::E().Ahead.Files(), 2u) << "Art and its subfolder, not Data";
  Tex_LoadFromFile("Data\\photo.jpg", -1, 1);
  EXPECT_EQ(omega::E().Ahead.Files(), 2u) << "only the first load chooses";

  omega::ResetEngine();
  WriteJpeg("loose.jpg", 8, 8, 80);
  EXPECT_NE(Tex_LoadFromFile("loose.jpg", -1, 1), OEHandle{0});
  omega::E().Ahead.Finish();
  EXPECT_EQ(omega::E().Ahead.Files(), 0u) << "a file in the working directory itself: nothing decoded ahead";
  EXPECT_NE(Tex_LoadFromFile("Data\\photo.jpg", -1, 1), OEHandle{0});
  EXPECT_EQ(omega::E().Ahead.Files(), 0u);

  omega::ResetEngine();
  const std::string absolute = folder_ + "/Art/Deep/one.jpg";
  Tex_LoadFromFile(absolute.c_str(), -1, 1);
  omega::E().Ahead.Finish();
  EXPECT_EQ(omega::E().Ahead.Files(), 1u) << "an absolute path: its own folder";
}

TEST_F(Prefetching, AFileChangedAfterItsDecodeIsLoadedAsItIsNow) {
  omega::E().Ahead.Start("Data");
  omega::E().Ahead.Finish();
  // Rewritten in place (another size), rewritten with the same size, replaced by another file, removed.
  WritePng("Data/alpha.png", 1, 1, {0xFF123456u});
  WriteTga("Data/Sub/cursor.tga", 2, 2, {0xFF000001u, 0xFF000002u, 0xFF000003u, 0xFF000004u});
  WriteJpeg("Data/new.jpg", 8, 8, 90);
  std::filesystem::rename("Data/new.jpg", "Data/photo.jpg");
  std::filesystem::remove("Data/Sub/MaskAndPicture.JPG");

  const auto load = [](const char* file) {
    const OEHandle h = Tex_LoadFromFile(file, -1, 1);
    return h == 0 ? std::optional<Image>() : plain::Rows(omega::E().Pictures.Textures.at(h)->Picture);
  };
  const std::optional<Image> alpha = load("Data\\alpha.png");
  ASSERT_TRUE(alpha.has_value());
  EXPECT_EQ(alpha->W, 1);
  EXPECT_EQ(Hex(alpha->Px[0]), Hex(0xFF123456u));
  const std::optional<Image> cursor = load("Data\\Sub\\cursor.tga");
  ASSERT_TRUE(cursor.has_value());
  EXPECT_EQ(Hex(cursor->Px[3]), Hex(0xFF000004u)) << "same size, new contents";
  const std::optional<Image> photo = load("Data\\photo.jpg");
  ASSERT_TRUE(photo.has_value());
  EXPECT_EQ(photo->W, 8) << "the file now at the path, not the one decoded ahead";
  EXPECT_FALSE(load("Data\\Sub\\MaskAndPicture.JPG").has_value()) << "a removed file fails to load";
  EXPECT_EQ(omega::E().Ahead.Hits(), 0u);
}

TEST_F(Prefetching, AnEmptyFolderDecodesNothingAndLoadsStillWork) {
  std::filesystem::rename("Data", "Elsewhere");
  const OEHandle h = Tex_LoadFromFile("Elsewhere\\photo.jpg", -1, 1);
  EXPECT_NE(h, 0u);
  omega::E().Ahead.Finish();
  EXPECT_EQ(omega::E().Ahead.Files(), 6u) << "the folder of the first load, whatever its name";
  omega::ResetEngine();
  std::filesystem::create_directories("Data");
  omega::E().Ahead.Start("Data");
  omega::E().Ahead.Finish();
  EXPECT_EQ(omega::E().Ahead.Files(), 0u);
  EXPECT_NE(Tex_LoadFromFile("Elsewhere\\alpha.png", -1, 1), 0u);
}
