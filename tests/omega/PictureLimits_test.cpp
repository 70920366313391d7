// What a picture may cost: a file no larger than a picture of its declared size can need, the pictures
// held within their budget, the window's icon through the same checks as every picture.
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "omega/decode/Decode.h"
#include "omega/decode/PictureFile.h"
#include "tests/omega/support/EngineFixture.h"
#include "tests/support/CraftedPictures.h"

using omega::Image;
using omega_test::ReadFile;
using omega_test::WriteFile;
using omega_test::WritePng;

namespace {

constexpr int64_t kMiB = int64_t{1} << 20;

// ---- the size of a picture file ---------------------------------------------------------------------

TEST(PictureFileSize, TheCapFollowsTheDeclaredSizeUpToTheLargestPicture) {
  const struct {
    int64_t W, H, Expected;
  } cases[] = {
      {1, 1, 8 + kMiB},
      {1024, 768, 8 * 1024 * 768 + kMiB},
      {4096, 4096, 8 * 4096 * 4096 + kMiB},  // 129 MiB: under the largest
      {8192, 4096, omega::kMaxPictureFileBytes},
      {16384, 4096, omega::kMaxPictureFileBytes},
      {0, 5, 0},
      {16385, 1, 0},
      {8193, 8192, 0},
  };
  for (const auto& c : cases)
    EXPECT_EQ(omega::MaxPictureFileBytes(c.W, c.H), c.Expected) << c.W << "x" << c.H;
  EXPECT_EQ(omega::kMaxPictureFileBytes, 257 * kMiB);
}

class PictureFiles : public EngineTest {};

// A 1×1 picture padded with zeros (the decoders stop at the picture's end): up to its cap it loads,
// one byte more and it is not read at all.
TEST_F(PictureFiles, PaddedOneBytePastTheCapForItsSizeIsNotRead) {
  WritePng("one.png", 1, 1, {0xFF204060u});
  const std::string png = ReadFile("one.png");
  const std::string jpeg = JpegResized(ReadFile(GAME_DIR "/Data/Black.jpg"), 1, 1);
  ASSERT_FALSE(jpeg.empty()) << "no frame header in Black.jpg";
  for (const auto& [name, bytes] : {std::pair{"padded.png", png}, std::pair{"padded.jpg", jpeg}}) {
    const int64_t cap = omega::MaxPictureFileBytes(1, 1);
    for (const int64_t size : {cap, cap + 1}) {
      std::string file = bytes;
      file.resize(static_cast<std::size_t>(size), '\0');
      WriteFile(name, file);
      const bool within = size <= cap;
      std::vector<unsigned char> read;
      EXPECT_EQ(omega::ReadPictureFile(name, read), within) << name << " of " << size << " bytes";
      EXPECT_EQ(read.size(), within ? static_cast<std::size_t>(size) : 0u) << name << " of " << size << " bytes";
      EXPECT_EQ(Tex_LoadFromFile(name, -1, 1) != 0, within)
          << name << " of " << size << " bytes (cap " << cap << "): expected " << (within ? "a picture" : "handle 0");
    }
  }
}

// The largest picture's cap holds whatever the header declares: a sparse file one byte past it, its
// header a valid PNG's, is refused without reading; at the cap its header is read and accepted.
TEST_F(PictureFiles, ASparseFileOnePastTheLargestPictureIsNotRead) {
  const std::string png = CraftedPng(16384, 4096, 0, 8);
  for (const int64_t size : {omega::kMaxPictureFileBytes, omega::kMaxPictureFileBytes + 1}) {
    WriteFile("sparse.png", png);
    ASSERT_EQ(truncate("sparse.png", size), 0);
    omega::PictureFileInfo info;
    const bool within = size <= omega::kMaxPictureFileBytes;
    EXPECT_EQ(omega::PeekPictureFile("sparse.png", info), within) << size << " bytes";
    if (!within) {
      std::vector<unsigned char> read;
      EXPECT_FALSE(omega::ReadPictureFile("sparse.png", read));
      EXPECT_EQ(Tex_LoadFromFile("sparse.png", -1, 1), 0u);
    }
  }
}

// Damaged PNGs and a bomb: what libpng makes of them, on Linux here and under Wine in
// tests/windows (the same table, the same decoder). The bomb's gigabyte is never inflated.
TEST_F(PictureFiles, DamagedPngsAndABombAreTakenAsTheTableSays) {
  for (const DamagedPicture& d : DamagedPngs()) {
    WriteFile("damaged.png", d.Bytes);
    Image out;
    EXPECT_EQ(omega::DecodePicture("damaged.png", out), d.Loads) << d.What;
    EXPECT_EQ(Tex_LoadFromFile("damaged.png", -1, 1) != 0, d.Loads) << d.What;
  }
}

// ---- the pictures held --------------------------------------------------------------------------------

class HeldPictures : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    omega::E().Ahead.SetOn(false);
    WritePng("a.png", 64, 64, std::vector<uint32_t>(64 * 64, 0xFF336699u));
    WritePng("small.png", 8, 8, std::vector<uint32_t>(64, 0x80336699u));
    // In a folder, pictures are decoded ahead at the first load (when that is on), each file once.
    ASSERT_EQ(mkdir("Data", 0755), 0);
    for (int i = 1; i <= 5; ++i) WritePng("Data/a" + std::to_string(i) + ".png", 64, 64, std::vector<uint32_t>(64 * 64, 0xFF336699u));
    ASSERT_EQ(rename("a.png", "Data/a.png"), 0);
    ASSERT_EQ(rename("small.png", "Data/small.png"), 0);
  }
  static constexpr std::size_t kPicture = 64 * 64 * 4;
};

// Loads that would pass the budget are refused (handle 0) before their files are decoded; a smaller
// picture that still fits loads; what is held never passes the budget.
TEST_F(HeldPictures, LoadsPastTheBudgetAreRefusedAndSmallerOnesStillFit) {
  for (const bool ahead : {false, true}) {
    SCOPED_TRACE(ahead ? "decoded ahead" : "each load decoding its file");
    omega::ResetEngine();
    omega::E().Ahead.SetOn(ahead);
    if (ahead) {  // every file decoded before it is asked for
      omega::E().Ahead.Start("Data");
      omega::E().Ahead.Finish();
    }
    omega::PictureStore& store = omega::E().Pictures;
    store.Budget = 3 * kPicture + kPicture / 2;
    int loaded = 0;
    for (int i = 0; i < 5; ++i) {
      const OEHandle h = Tex_LoadFromFile(("Data\\a" + std::to_string(i + 1) + ".png").c_str(), -1, 1);
      loaded += h != 0;
      EXPECT_LE(store.HeldBytes, store.Budget) << "after load " << i + 1;
    }
    EXPECT_EQ(loaded, 3) << "expected three 64x64 pictures within a budget of three and a half";
    EXPECT_GE(store.HeldBytes, 3 * kPicture);
    EXPECT_NE(Tex_LoadFromFile("Data\\small.png", -1, 1), 0u) << "an 8x8 picture fits what is left";
    EXPECT_EQ(Tex_LoadMaskFromFile("Data\\a.png"), 0) << "a mask counts against the budget too";
    EXPECT_EQ(Tex_LoadMaskFromFile("Data\\small.png"), 1);
    EXPECT_LE(store.HeldBytes, store.Budget);
  }
}

TEST(HeldPicturesBudget, HoldsTheLargestPictureAndNotTwo) {
  const std::size_t largest = static_cast<std::size_t>(omega::kMaxPicturePixels) * 4;
  EXPECT_GE(omega::kHeldPicturesBudget, largest + (std::size_t{64} << 20)) << "the largest picture and the game's own";
  EXPECT_LT(omega::kHeldPicturesBudget, 2 * largest + (std::size_t{64} << 20));
}

// ---- the window's icon --------------------------------------------------------------------------------

class Icon : public EngineTest {};

TEST_F(Icon, OnlyARegularFileOfAnIconsSizeIsDecoded) {
  ASSERT_EQ(mkfifo("fifo.png", 0644), 0);
  WriteFile("rgba.png", CraftedPng(24000, 24000, 6, 8));
  WriteFile("onebit.png", CraftedPng(20000, 20000, 3, 1));
  WriteFile("large.png", CraftedPng(2000, 2000, 0, 8));  // a picture the engine takes, no icon
  WriteFile("wide.png", CraftedPng(1025, 1, 0, 8));
  WritePng("icon.png", 48, 32, std::vector<uint32_t>(48 * 32, 0x80FF8000u));
  WriteFile("edge.png", CraftedPng(1024, 1024, 0, 8));
  const struct {
    const char* Name;
    int W, H;  // 0: refused
  } cases[] = {{"fifo.png", 0, 0},    {"rgba.png", 0, 0},  {"onebit.png", 0, 0},    {"large.png", 0, 0},
               {"wide.png", 0, 0},    {"missing.png", 0, 0}, {"icon.png", 48, 32}, {"edge.png", 1024, 1024}};
  for (const auto& c : cases) {
    Image out;
    EXPECT_EQ(omega::DecodeIcon(c.Name, out), c.W != 0) << c.Name;
    EXPECT_EQ(out.W, c.W) << c.Name;
    EXPECT_EQ(out.H, c.H) << c.Name;
    EXPECT_EQ(out.Px.size(), static_cast<std::size_t>(c.W) * c.H) << c.Name;
  }
}

}  // namespace
