// The world's pictures: the ground list file and the exact order of every mask and picture load.
#include "omega/trace/TraceFormat.h"
#include "tests/unit/World_fixtures.h"

using namespace world_test;

namespace {

class Materials : public WorldTest {
 protected:
  std::vector<std::string> Loads() { return fake::CallsOf("Tex_LoadFromFile Tex_LoadMaskFromFile Tex_SetFramesSize"); }
};
using MaterialsDeath = Materials;

// The calls as the fake records them, handles numbered in load order.
struct Expected {
  std::vector<std::string> Lines;
  int Loaded = 0;
  static int Same(OEHandle h) { return static_cast<int>(h); }
  void Mask(const std::string& file) {
    using namespace trace_format;
    Lines.push_back(TraceCall(Same, "Tex_LoadMaskFromFile", Text{file.c_str()}, Result<Flag>{Flag{1}}));
  }
  void Picture(const std::string& file, int flags, int frameW = 0, int frameH = 0) {
    using namespace trace_format;
    const Handle h{static_cast<OEHandle>(++Loaded)};
    Lines.push_back(TraceCall(Same, "Tex_LoadFromFile", Text{file.c_str()}, Int{-1}, Int{flags}, Result<Handle>{h}));
    if (frameW > 0) Lines.push_back(TraceCall(Same, "Tex_SetFramesSize", h, Int{frameW}, Int{frameH}));
  }
};

std::vector<std::string> ExpectedLoads(int grounds) {
  Expected e;
  e.Picture("Data\\shad.tga", 1);
  e.Mask("Data\\T\\m1.jpg");
  for (int k = 1; k <= grounds; ++k) e.Picture(std::string("Data\\T\\") + std::to_string(k) + ".jpg", 330, 64, 128);
  e.Mask("Data\\altarm.jpg");
  e.Picture("Data\\altar.jpg", 330, 128, 256);
  e.Mask("Data\\homem.jpg");
  e.Picture("Data\\home.jpg", 330, 256, 256);
  e.Mask("Data\\home2m.jpg");
  e.Picture("Data\\home.jpg", 330, 256, 256);
  e.Mask("Data\\gun1-1m.jpg");
  e.Picture("Data\\gun1-1.jpg", 330, 128, 128);
  for (int d = 0; d <= 7; ++d) {
    const std::string n = std::to_string(d);
    e.Mask("Data\\Model\\pt" + n + "m.jpg");
    e.Picture("Data\\Model\\pt" + n + ".jpg", 330, 64, 128);
    e.Mask("Data\\Model\\sh" + n + "m.jpg");
    e.Picture("Data\\Model\\sh" + n + ".jpg", 330, 64, 128);
    e.Mask("Data\\Model\\col" + n + ".jpg");
    e.Picture("Data\\Model\\col" + n + ".jpg", 330, 64, 128);
  }
  return e.Lines;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) out += line + "\n";
  return out;
}

int LoadCount(const std::vector<std::string>& calls) {
  int n = 0;
  for (const auto& c : calls)
    if (c.rfind("Tex_Load", 0) == 0) ++n;
  return n;
}

// ---- valid lists: only the first number counts ----------------------------------------------------

TEST_F(Materials, TheListsFirstNumberSetsHowManyGroundSheetsLoad) {
  const struct {
    std::string Text;
    int Count;
  } cases[] = {
      {"", 0},           {"  \t\r\n \n", 0}, {"0\n", 0},     {"5 7 9\n12\n", 5},
      {"5\n40\n", 5},    {"\n\t  5", 5},     {"12", 12},     {"12\r\n", 12},
      {"+3 x", 3},       {"007\n", 7},
      // The file is read a chunk of 4096 bytes at a time: a number split between two chunks.
      {std::string(4094, ' ') + "123 4", 123}, {std::string(4095, '\n') + "+7", 7}, {std::string(5000, ' '), 0},
  };
  for (const auto& c : cases) {
    ResetGame();
    WriteText("Data/T/K.txt", c.Text);
    LoadMaterialSets();
    const auto calls = Loads();
    EXPECT_EQ(LoadCount(calls), 58 + c.Count) << "list \"" << c.Text << "\"";
    EXPECT_EQ(Join(calls), Join(ExpectedLoads(c.Count))) << "list \"" << c.Text << "\"";
    EXPECT_EQ(GroundTextures.size(), static_cast<std::size_t>(c.Count)) << "list \"" << c.Text << "\"";
  }
}

// Only the start of the list is read: a list followed by a great deal (here 64 GB, a sparse file) costs
// nothing more than a short one.
TEST_F(Materials, TheListIsReadNoFurtherThanItsNumber) {
  WriteText("Data/T/K.txt", "5\n");
  ASSERT_EQ(truncate("Data/T/K.txt", off_t{64} << 30), 0);
  LoadMaterialSets();
  EXPECT_EQ(GroundTextures.size(), 5u);
}

TEST_F(Materials, HandlesLandWhereTheMapViewLooksForThem) {
  WriteText("Data/T/K.txt", "12\n");
  LoadMaterialSets();
  // Handles are numbered in load order: the shadow 1, ground sheets 2..13, altar 14, homes 15 and 16,
  // gun 17, then pt, sh, col for each direction.
  EXPECT_EQ(TexShadow, 1u);
  ASSERT_EQ(GroundTextures.size(), 12u);
  for (std::size_t k = 0; k < 12; ++k) EXPECT_EQ(GroundTextures[k], k + 2) << "element " << k << " is picture " << k + 1;
  EXPECT_EQ(TexAltar, 14u);
  EXPECT_EQ(TexHome, 15u);
  EXPECT_EQ(TexHome2, 16u) << "the same picture loaded a second time, with the other mask";
  EXPECT_EQ(TexGun, 17u);
  for (int d = 0; d < kFacings; ++d) {
    EXPECT_EQ(ModelPt[d], static_cast<OEHandle>(18 + 3 * d)) << "direction " << d;
    EXPECT_EQ(ModelSh[d], static_cast<OEHandle>(19 + 3 * d)) << "direction " << d;
    EXPECT_EQ(ModelCol[d], static_cast<OEHandle>(20 + 3 * d)) << "direction " << d;
  }
}

// ---- invalid lists: the run-time error report ------------------------------------------------------

TEST_F(MaterialsDeath, BadListsEndWithTheRunTimeErrorReport) {
  const struct {
    const char* Text;  // nullptr: no file
    int Code;
  } cases[] = {
      {nullptr, kErrFileNotFound},
      {"abc", kErrInvalidNumber},
      {"5x\n", kErrInvalidNumber},
      {"-", kErrInvalidNumber},
      {"1.5", kErrInvalidNumber},
      {"-3", kErrRange},
      {"-1\n4", kErrRange},
      {"100001", kErrRange},
      {"99999999999999999999999999", kErrRange},
      {"+\n5", kErrInvalidNumber},
  };
  for (const auto& c : cases) {
    std::filesystem::remove_all("Data");
    if (c.Text != nullptr) WriteText("Data/T/K.txt", c.Text);
    const std::string report = "Error: Runtime error +" + std::to_string(c.Code) + " at [0-9A-F]{8}";
    EXPECT_EXIT(
        {
          NoDisplay();
          LoadMaterialSets();
        },
        ::testing::ExitedWithCode(c.Code), report)
        << "list " << (c.Text != nullptr ? c.Text : "(missing)");
  }
}

TEST_F(Materials, NothingButTheShadowLoadsBeforeABadNumberIsReported) {
  RunErrorHandler = ThrowRunError;
  WriteText("Data/T/K.txt", "abc");
  int code = 0;
  try {
    LoadMaterialSets();
  } catch (const RunErrorThrown& e) {
    code = e.Code;
  }
  EXPECT_EQ(code, kErrInvalidNumber);
  EXPECT_EQ(Join(Loads()), "Tex_LoadFromFile \"Data\\\\shad.tga\" -1 1 =1\n");

  // A count out of range is found when the sheets are about to be made, after the shared mask.
  fake::Install();
  WriteText("Data/T/K.txt", "-3");
  code = 0;
  try {
    LoadMaterialSets();
  } catch (const RunErrorThrown& e) {
    code = e.Code;
  }
  EXPECT_EQ(code, kErrRange);
  EXPECT_EQ(LoadCount(Loads()), 2);
}

}  // namespace
