#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "platform/Runtime.h"
#include "shell/VyxUtils.h"
#include "tests/support/CaseName.h"
#include "tests/support/Files.h"

namespace {

namespace fs = std::filesystem;

// ---- PointInRect -----------------------------------------------------------------------------

struct HitCase {
  TClickRect R;
  float X, Y;
  bool Inside;
  const char* Why;
};

class PointInRectCases : public ::testing::TestWithParam<HitCase> {};

TEST_P(PointInRectCases, StrictlyInside) {
  const HitCase c = GetParam();
  EXPECT_EQ(PointInRect(c.R, c.X, c.Y), c.Inside)
      << c.Why << ": (" << c.X << ", " << c.Y << ") in X " << c.R.X << " Y " << c.R.Y << " H " << c.R.H << " W " << c.R.W;
}

std::string HitCaseName(const ::testing::TestParamInfo<HitCase>& info) { return CaseName(info.param.Why); }

// A menu button: X 422, Y 120, 90 high, 180 wide.
constexpr TClickRect kButton{422, 120, 90, 180};

INSTANTIATE_TEST_SUITE_P(
    Inside, PointInRectCases,
    ::testing::Values(HitCase{kButton, 423, 121, true, "just inside the top-left corner"},
                      HitCase{kButton, 601.5f, 209.5f, true, "half a pixel from the bottom-right edges"},
                      HitCase{kButton, 422.001f, 209.99f, true, "fractions inside"}),
    HitCaseName);

INSTANTIATE_TEST_SUITE_P(
    OnTheEdge, PointInRectCases,
    ::testing::Values(HitCase{kButton, 422, 150, false, "left edge"}, HitCase{kButton, 602, 150, false, "right edge"},
                      HitCase{kButton, 500, 120, false, "top edge"}, HitCase{kButton, 500, 210, false, "bottom edge"},
                      HitCase{kButton, 602, 210, false, "bottom-right corner"}),
    HitCaseName);

INSTANTIATE_TEST_SUITE_P(
    Outside, PointInRectCases,
    ::testing::Values(HitCase{kButton, 100, 150, false, "left"}, HitCase{kButton, 700, 150, false, "right"},
                      HitCase{kButton, 500, 50, false, "above"}, HitCase{kButton, 500, 700, false, "below"},
                      HitCase{kButton, -500, -500, false, "negative pointer"}),
    HitCaseName);

INSTANTIATE_TEST_SUITE_P(
    Empty, PointInRectCases,
    ::testing::Values(HitCase{{10, 10, 50, 0}, 10.5f, 20, false, "zero width"},
                      HitCase{{10, 10, 0, 50}, 20, 10.5f, false, "zero height"},
                      HitCase{{10, 10, -20, 50}, 20, 5, false, "negative height"},
                      HitCase{{10, 10, 50, -20}, 5, 20, false, "negative width"}),
    HitCaseName);

INSTANTIATE_TEST_SUITE_P(
    Huge, PointInRectCases,
    ::testing::Values(HitCase{{0, 0, INT32_MAX, INT32_MAX}, 5000, 5000, true, "largest size"},
                      // The right edge wraps to a negative 32-bit value, so nothing is inside.
                      HitCase{{INT32_MAX - 10, 0, 100, 100}, 2147483640.0f, 50, false, "right edge wraps"},
                      HitCase{{0, INT32_MAX - 10, 100, 100}, 50, 2147483640.0f, false, "bottom edge wraps"},
                      HitCase{{-2000000000, -2000000000, INT32_MAX, INT32_MAX}, 0, 0, true, "no wrap near the limit"}),
    HitCaseName);

// ---- IntToText ------------------------------------------------------------------------------

TEST(IntToText, DecimalDigitsWithMinusOnly) {
  const std::pair<int32_t, const char*> cases[] = {
      {0, "0"}, {5, "5"}, {12, "12"}, {-7, "-7"}, {100, "100"}, {1000000, "1000000"},
      {INT32_MAX, "2147483647"}, {INT32_MIN, "-2147483648"}};
  for (const auto& [value, text] : cases) {
    std::string s = "previous content";
    IntToText(value, s);
    EXPECT_EQ(s, text) << "value " << value;
  }
}

// ---- FileExists -----------------------------------------------------------------------------

class FileExistsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = TempFolder("zanoru-exists");
  }
  void TearDown() override { RemoveFolder(dir_); }
  std::string Make(const std::string& name, const std::string& content) {
    std::ofstream(dir_ / name, std::ios::binary) << content;
    return (dir_ / name).string();
  }
  static int OpenDescriptors() {
    int n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator("/proc/self/fd")) ++n;
    return n;
  }
  fs::path dir_;
};

TEST_F(FileExistsTest, ExistingFilesIncludingEmptyOnes) {
  EXPECT_TRUE(FileExists(Make("empty", "")));
  EXPECT_TRUE(FileExists(Make("name", "Player\n")));
}

TEST_F(FileExistsTest, GamePathWithBackslashes) {
  fs::create_directory(dir_ / "Sub");
  Make("Sub/file.txt", "x");
  EXPECT_TRUE(FileExists(dir_.string() + "\\Sub\\file.txt"));
}

TEST_F(FileExistsTest, MissingFileAndMissingFolder) {
  EXPECT_FALSE(FileExists((dir_ / "missing.cgm").string()));
  EXPECT_FALSE(FileExists((dir_ / "nowhere" / "missing.cgm").string()));
  EXPECT_FALSE(FileExists(""));
}

TEST_F(FileExistsTest, FolderIsNotAFile) {
  fs::create_directory(dir_ / "folder");
  EXPECT_FALSE(FileExists((dir_ / "folder").string()));
}

TEST_F(FileExistsTest, UnreadableFile) {
  const std::string path = Make("locked", "secret");
  fs::permissions(path, fs::perms::none);
  GiveToOrdinaryUser({dir_.string(), path});
  // 0: not there to the game; 1: taken for a file it may read; 99: still root.
  EXPECT_EXIT(
      {
        if (!BecomeOrdinaryUser()) std::_Exit(99);
        std::_Exit(FileExists(path) ? 1 : 0);
      },
      ::testing::ExitedWithCode(0), "");
}

TEST_F(FileExistsTest, LeavesNothingOpenAndALaterReadUnaffected) {
  const std::string present = Make("records", "0123456789");
  const int before = OpenDescriptors();
  for (int i = 0; i < 50; ++i) {
    EXPECT_TRUE(FileExists(present));
    EXPECT_FALSE(FileExists((dir_ / "absent").string()));
  }
  EXPECT_EQ(OpenDescriptors(), before) << "descriptors left open";

  // The caller's next checked read neither fails nor sees a stale error.
  TFile file;
  FileOpenRead(file, present);
  char buffer[10];
  FileRead(file, buffer, sizeof buffer);
  FileClose(file);
  EXPECT_EQ(std::string(buffer, 10), "0123456789");
}

}  // namespace
