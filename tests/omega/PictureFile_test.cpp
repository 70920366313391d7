// Crafted picture files: the size a header declares is read and checked before any decoder allocates,
// and pictures decoded ahead stay within their budget and go once the first frame comes.
#include <SDL.h>
#include <SDL_image.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "omega/decode/Decode.h"
#include "omega/decode/PictureFile.h"
#include "omega/decode/Prefetch.h"
#include "tests/omega/support/EngineFixture.h"
#include "tests/support/CraftedPictures.h"
#include "tests/support/Spawn.h"

using omega::Image;
using omega::PictureFormat;
using omega_test::ReadFile;
using omega_test::WriteFile;
using omega_test::WritePng;

namespace {

omega::PictureHeader Header(const std::string& bytes, bool tgaName = false) {
  return omega::ReadPictureHeader(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size(), tgaName);
}

std::string Describe(const omega::PictureHeader& h) {
  static const char* const kNames[] = {"unknown", "JPEG", "PNG", "TGA", "BMP"};
  return std::string(kNames[static_cast<int>(h.Format)]) + " " + std::to_string(h.W) + "x" + std::to_string(h.H);
}

// A JPEG made of segments: SOI, the given ones, then EOI.
std::string Jpeg(const std::vector<std::string>& segments) {
  std::string j = "\xFF\xD8";
  for (const std::string& s : segments) j += s;
  return j + "\xFF\xD9";
}
// A segment: marker, length (of itself and the body), body.
std::string Segment(unsigned char marker, const std::string& body) {
  const std::size_t length = body.size() + 2;
  return std::string{'\xFF', static_cast<char>(marker), static_cast<char>(length >> 8), static_cast<char>(length & 0xFF)} + body;
}
// A frame header body: precision 8, height, width, one component.
std::string Frame(uint16_t w, uint16_t h) {
  return std::string{8, static_cast<char>(h >> 8), static_cast<char>(h & 0xFF), static_cast<char>(w >> 8),
                     static_cast<char>(w & 0xFF), 1, 1, 0x11, 0};
}

// ---- the header: format and declared size ---------------------------------------------------------

TEST(PictureHeader, EachFormatGivesTheSizeItDeclares) {
  const struct {
    const char* What;
    std::string Bytes;
    bool TgaName;
    std::string Expected;
  } cases[] = {
      {"TGA", CraftedTga(23171, 17, 32, 4), true, "TGA 23171x17"},
      {"TGA bytes under another name", CraftedTga(2, 2, 32, 16), false, "unknown 0x0"},
      {"TGA cut inside its header", CraftedTga(2, 2, 32, 0).substr(0, 17), true, "TGA 0x0"},
      {"PNG", CraftedPng(24000, 3, 6, 8), false, "PNG 24000x3"},
      {"PNG cut inside IHDR", CraftedPng(5, 5, 6, 8).substr(0, 23), false, "PNG 0x0"},
      {"PNG whose first chunk is not IHDR", std::string("\x89PNG\r\n\x1A\n\0\0\0\0IEND\0\0\0\0\0\0\0\0", 24), false,
       "PNG 0x0"},
      {"BMP", CraftedBmp(30000, 20, 24, 0), false, "BMP 30000x20"},
      {"BMP rows top down (negative height)", CraftedBmp(4, -7, 24, 0), false, "BMP 4x7"},
      {"BMP with the most negative height", CraftedBmp(4, INT32_MIN, 24, 0), false, "BMP 4x2147483648"},
      {"BMP negative width", CraftedBmp(-4, 4, 24, 0), false, "BMP -4x4"},
      {"BMP cut inside its info header", CraftedBmp(4, 4, 24, 0).substr(0, 25), false, "BMP 0x0"},
      {"JPEG baseline", Jpeg({Segment(0xC0, Frame(640, 480))}), false, "JPEG 640x480"},
      {"JPEG progressive after an application segment and tables",
       Jpeg({Segment(0xE0, std::string(300, 'x')), Segment(0xC4, std::string(20, '\0')), Segment(0xC2, Frame(65500, 65500))}),
       false, "JPEG 65500x65500"},
      {"JPEG with fill bytes before a marker", "\xFF\xD8\xFF\xFF\xFF" + Segment(0xC1, Frame(9, 8)).substr(1), false,
       "JPEG 9x8"},
      {"JPEG whose scan comes before any frame header", Jpeg({Segment(0xDA, "\x01"), Segment(0xC0, Frame(9, 9))}), false,
       "JPEG 0x0"},
      {"JPEG whose segment runs past the end", "\xFF\xD8\xFF\xE0\xFF\xFF" + std::string(10, 'x'), false, "JPEG 0x0"},
      {"JPEG frame header cut short", "\xFF\xD8" + Segment(0xC0, Frame(9, 9)).substr(0, 8), false, "JPEG 0x0"},
      {"GIF (a format whose size we do not read)", "GIF89a\x10\x00\x10\x00", false, "unknown 0x0"},
      {"nothing", "", false, "unknown 0x0"},
  };
  for (const auto& c : cases) EXPECT_EQ(Describe(Header(c.Bytes, c.TgaName)), c.Expected) << c.What;
}

TEST(PictureHeader, SizesUpToTheLimitsPassAndNoneBeyond) {
  const struct {
    int64_t W, H;
    bool Allowed;
  } cases[] = {
      {1, 1, true},          {16384, 1, true},     {1, 16384, true},     {16384, 4096, true},  {4096, 16384, true},
      {16385, 1, false},     {1, 16385, false},    {8193, 8192, false},  {16384, 4097, false}, {0, 5, false},
      {5, 0, false},         {-4, 4, false},       {23171, 23171, false}, {65500, 65500, false},
      {int64_t{1} << 31, 1, false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(omega::PictureSizeAllowed(c.W, c.H), c.Allowed) << c.W << "x" << c.H;
}

// A real 8×8 JPEG, to be made to declare another size.
std::string SmallJpeg() {
  std::vector<uint32_t> px(64, 0xFF808080u);
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(px.data(), 8, 8, 32, 32, SDL_PIXELFORMAT_ARGB8888);
  if (s == nullptr || IMG_SaveJPG(s, "small-source.jpg", 90) != 0) return "";
  SDL_FreeSurface(s);
  return ReadFile("small-source.jpg");
}

// ---- decoding: bombs are refused, pictures at the limit still decode ----------------------------------

class CraftedFiles : public EngineTest {};

// Each once crashed the decoders (a row offset past 2^31), aborted with bad_alloc or took gigabytes.
TEST_F(CraftedFiles, DeclaredSizesPastTheLimitsAreRefusedAsUnreadable) {
  const std::string black = SmallJpeg();
  const struct {
    const char* Name;
    std::string Bytes;
  } cases[] = {
      {"cursor.tga", CraftedTga(23171, 23171, 32, 1000)},
      {"rgba.png", CraftedPng(24000, 24000, 6, 8)},
      {"onebit.png", CraftedPng(30000, 30000, 3, 1)},
      {"header.jpg", JpegResized(black, 65500, 65500)},
      {"small.jpg", JpegResized(black, 30000, 30000)},
      {"small.bmp", CraftedBmp(30000, 30000, 24, 100)},
      {"bmp-named.jpg", CraftedBmp(30000, 30000, 24, 100)},
      {"wide.png", CraftedPng(16385, 1, 0, 8)},
  };
  for (const auto& c : cases) {
    ASSERT_GT(c.Bytes.size(), 20u) << c.Name;
    WriteFile(c.Name, c.Bytes);
    Image out;
    EXPECT_FALSE(omega::DecodePicture(c.Name, out)) << c.Name;
    EXPECT_TRUE(out.Px.empty()) << c.Name << ": pixels were made";
    EXPECT_EQ(Tex_LoadFromFile(c.Name, -1, 1), 0u) << c.Name << ": expected a failed load";
  }
}

TEST_F(CraftedFiles, PicturesAtTheLimitStillDecode) {
  for (const auto& [w, h] : {std::pair{16384, 1}, std::pair{1, 16384}}) {
    WriteFile("edge.png", CraftedPng(static_cast<uint32_t>(w), static_cast<uint32_t>(h), 0, 8));
    Image out;
    ASSERT_TRUE(omega::DecodePicture("edge.png", out)) << w << "x" << h;
    EXPECT_EQ(out.W, w);
    EXPECT_EQ(out.H, h);
  }
}

// A pipe never has a writer here: reading it must not wait for one.
TEST_F(CraftedFiles, PipesAndDevicesAreNoPictures) {
  ASSERT_EQ(mkfifo("pipe.png", 0644), 0);
  std::vector<unsigned char> bytes;
  EXPECT_FALSE(omega::ReadPictureFile("pipe.png", bytes));
  EXPECT_FALSE(omega::ReadPictureFile("/dev/zero", bytes));
  std::string start;
  EXPECT_FALSE(omega::ReadFileStart("pipe.png", 100, start));
  EXPECT_EQ(Tex_LoadFromFile("pipe.png", -1, 1), 0u);
}

// The start of a file whatever size it says it has: a file of /proc says 0 bytes and holds more.
TEST_F(CraftedFiles, AFilesStartIsWhatItHoldsUpToTheLimit) {
  omega_test::WriteFile("small.txt", "abc");
  omega_test::WriteFile("long.txt", std::string(300, 'x'));
  omega_test::WriteFile("exact.txt", std::string(100, 'y'));
  const std::vector<std::tuple<std::string, size_t, size_t>> cases = {
      {"small.txt", 100, 3}, {"long.txt", 100, 100}, {"exact.txt", 100, 100}, {"exact.txt", 101, 100}};
  for (const auto& [name, limit, expected] : cases) {
    std::string start;
    ASSERT_TRUE(omega::ReadFileStart(name, limit, start)) << name;
    EXPECT_EQ(start.size(), expected) << name << " with a limit of " << limit;
  }
  std::string status;
  ASSERT_TRUE(omega::ReadFileStart("/proc/self/status", 1 << 16, status));
  EXPECT_EQ(status.substr(0, 5), "Name:");
  EXPECT_GT(status.size(), 200u) << "read only what the file's size said";
}

// ---- decoding ahead: a budget, and nothing kept past the first frame --------------------------------

class AheadBudget : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    std::vector<uint32_t> px(64 * 64, 0xFF336699u);
    std::filesystem::create_directories("Data/junk");
    for (int i = 0; i < 12; ++i) WritePng("Data/junk/" + std::to_string(i) + ".png", 64, 64, px);
    WritePng("Data/asked.png", 64, 64, px);
  }
  void TearDown() override {
    omega::E().Ahead.Stop();
    omega::E().Ahead.SetBudget(omega::Prefetcher::kAheadBudgetBytes);
    omega::E().Ahead.SetPace(omega::Prefetcher::kAheadPaceBytes);
    EngineTest::TearDown();
  }
  static constexpr std::size_t kPicture = 64 * 64 * 4;
};

TEST_F(AheadBudget, NeverHoldsMoreThanItsBudgetAndLoadsStillWork) {
  omega::Prefetcher& ahead = omega::E().Ahead;
  ahead.SetBudget(3 * kPicture + kPicture / 2);
  ahead.Start("Data");
  ahead.Finish();
  EXPECT_EQ(ahead.Files(), 13u);
  EXPECT_EQ(ahead.HeldBytes(), 3 * kPicture) << "expected three pictures held, the rest left to their loads";
  // Loads of pictures held and of pictures left out both work.
  for (const char* name : {"Data\\asked.png", "Data\\junk\\0.png", "Data\\junk\\11.png"})
    EXPECT_NE(Tex_LoadFromFile(name, -1, 1), 0u) << name;
  EXPECT_LE(ahead.HeldBytes(), 3 * kPicture);
}

TEST_F(AheadBudget, PicturesNobodyAskedForGoWhenTheFirstFrameBegins) {
  omega::Prefetcher& ahead = omega::E().Ahead;
  ahead.Start("Data");
  ahead.Finish();
  EXPECT_EQ(ahead.HeldBytes(), 13 * kPicture);
  EXPECT_NE(Tex_LoadFromFile("Data\\asked.png", -1, 1), 0u);
  EXPECT_EQ(ahead.HeldBytes(), 12 * kPicture) << "a picture taken is no longer held";
  ahead.DropUnused();
  EXPECT_EQ(ahead.HeldBytes(), 0u) << "pictures nobody asked for were kept";
  // Later loads decode their files themselves, and nothing starts decoding ahead again.
  EXPECT_NE(Tex_LoadFromFile("Data\\junk\\3.png", -1, 1), 0u);
  EXPECT_EQ(ahead.HeldBytes(), 0u);
  EXPECT_EQ(ahead.Hits(), 1u);
}

// Past its pace the decoding waits for loads to take pictures: held are at most the pace plus one
// picture per thread (each counted with its file's bytes while it decodes), whatever the time the game
// leaves it. Loads still get every picture, Finish lifts the pace, and the first frame stops threads
// that are waiting.
TEST_F(AheadBudget, WaitsPastItsPaceUntilLoadsTakeSome) {
  omega::Prefetcher& ahead = omega::E().Ahead;
  const std::size_t threads = static_cast<std::size_t>(std::max(1, SDL_GetCPUCount()));
  ASSERT_LT(threads + 1, 13u) << "too many cores for 13 pictures to show the pace";
  // Below a pace of two pictures at most one is held when the threads pass it together.
  const std::size_t most = (threads + 1) * (kPicture + std::filesystem::file_size("Data/asked.png"));
  ahead.SetPace(2 * kPicture);
  ahead.Start("Data");
  // Until the decoding has gone past its pace: from then on only the threads' last pictures may come.
  ASSERT_TRUE(WaitUntil([&] { return ahead.HeldBytes() >= 2 * kPicture; }, 60)) << "the decoding never reached its pace";
  EXPECT_LE(ahead.HeldBytes(), most) << "expected at most " << threads + 1 << " pictures held";
  for (const char* name : {"asked", "junk\\0", "junk\\1", "junk\\10", "junk\\11", "junk\\2", "junk\\3"}) {
    EXPECT_NE(Tex_LoadFromFile(("Data\\" + std::string(name) + ".png").c_str(), -1, 1), 0u) << name;
    EXPECT_LE(ahead.HeldBytes(), most) << "after loading " << name;
  }
  ahead.DropUnused();  // threads waiting for their pace are stopped, not waited for
  EXPECT_EQ(ahead.HeldBytes(), 0u);
  EXPECT_NE(Tex_LoadFromFile("Data\\junk\\9.png", -1, 1), 0u);
}

TEST_F(AheadBudget, FinishDecodesTheRestWhateverThePace) {
  omega::Prefetcher& ahead = omega::E().Ahead;
  ahead.SetPace(kPicture);
  ahead.Start("Data");
  ahead.Finish();
  EXPECT_EQ(ahead.HeldBytes(), 13 * kPicture) << "Finish returned with pictures left undecoded";
}

// A file is read whole while it decodes: its bytes count against the budget with its pixels. A 1×1
// picture padded to 1 MB costs a megabyte, not four bytes, and with less than that left it is left to
// its load.
TEST_F(AheadBudget, TheFilesBytesCountWithItsPixels) {
  WritePng("Data/padded.png", 1, 1, {0xFF00FF00u});
  std::string padded = ReadFile("Data/padded.png");
  padded.resize(1 << 20, '\0');
  WriteFile("Data/padded.png", padded);
  omega::Prefetcher& ahead = omega::E().Ahead;
  ahead.SetBudget(14 * kPicture + (512 << 10));
  ahead.Start("Data");
  ahead.Finish();
  EXPECT_EQ(ahead.Files(), 14u);
  EXPECT_EQ(ahead.HeldBytes(), 13 * kPicture) << "expected the padded picture left out for its 1 MB file";
  EXPECT_NE(Tex_LoadFromFile("Data\\padded.png", -1, 1), 0u) << "its load decodes it itself";
  EXPECT_EQ(ahead.Hits(), 0u);
  ahead.Stop();
  ahead.SetBudget(14 * kPicture + (2 << 20));  // with room for it, it is decoded ahead like any other
  ahead.Start("Data");
  ahead.Finish();
  EXPECT_EQ(ahead.HeldBytes(), 13 * kPicture + 4);
}

// A picture bigger than the whole budget is never decoded ahead, and one whose header refuses it costs
// nothing: a hostile file in the data folder holds no memory.
TEST_F(AheadBudget, PicturesPastTheBudgetOrTheLimitsAreLeftToTheirLoads) {
  WriteFile("Data/bomb.tga", CraftedTga(23171, 23171, 32, 1000));
  omega::Prefetcher& ahead = omega::E().Ahead;
  ahead.SetBudget(kPicture - 1);
  ahead.Start("Data");
  ahead.Finish();
  EXPECT_EQ(ahead.HeldBytes(), 0u);
  EXPECT_NE(Tex_LoadFromFile("Data\\asked.png", -1, 1), 0u);
  EXPECT_EQ(Tex_LoadFromFile("Data\\bomb.tga", -1, 1), 0u);
  EXPECT_EQ(ahead.Hits(), 0u);
}

}  // namespace
