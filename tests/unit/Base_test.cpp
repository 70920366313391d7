// What the game and the engine share: rounding and opening a regular file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cfenv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <utility>

#include "base/RegularFile.h"
#include "base/Rounding.h"
#include "tests/support/Files.h"

namespace {

constexpr int64_t kNoInteger = std::numeric_limits<int64_t>::min();
constexpr double kTwo52 = 4503599627370496.0;
constexpr double kTwo63 = 9223372036854775808.0;

const std::pair<double, int64_t> kRounded[] = {
    // halves to the even neighbour, either sign
    {0.5, 0}, {1.5, 2}, {2.5, 2}, {3.5, 4}, {-0.5, 0}, {-1.5, -2}, {-2.5, -2}, {-3.5, -4}, {1e9 + 0.5, 1000000000},
    // near the halves: the nearest double on each side of 0.5 (a floor(x + 0.5) would give 1 for the first)
    {0.49999999999999994, 0}, {0.5000000000000001, 1}, {-0.49999999999999994, 0}, {-0.5000000000000001, -1},
    {0.49, 0}, {0.51, 1}, {-0.51, -1}, {2.4999999999999996, 2}, {-2.5000000000000004, -3},
    // whole numbers and zeros stay
    {0.0, 0}, {-0.0, 0}, {7.0, 7}, {-7.0, -7}, {1e-300, 0}, {-1e-300, 0},
    // large: the last doubles with a half, whole doubles beyond, the ends of the 64-bit range
    {kTwo52 - 0.5, 4503599627370496}, {kTwo52 - 1.5, 4503599627370494}, {-(kTwo52 - 0.5), -4503599627370496},
    {kTwo52 + 1, 4503599627370497}, {1e18, 1000000000000000000}, {-1e18, -1000000000000000000},
    {kTwo63 - 1024, 9223372036854774784}, {-kTwo63, kNoInteger},
    // nothing to round to: what the processor's conversion gives, and what the game always got
    {kTwo63, kNoInteger}, {-kTwo63 - 2048, kNoInteger}, {1e300, kNoInteger}, {-1e300, kNoInteger},
    {std::numeric_limits<double>::infinity(), kNoInteger}, {-std::numeric_limits<double>::infinity(), kNoInteger},
    {std::numeric_limits<double>::quiet_NaN(), kNoInteger}, {-std::numeric_limits<double>::quiet_NaN(), kNoInteger},
};

// Restores nearest rounding whatever a case left behind.
struct RoundingMode {
  explicit RoundingMode(int mode) { std::fesetround(mode); }
  ~RoundingMode() { std::fesetround(FE_TONEAREST); }
};

}  // namespace

TEST(Rounding, HalvesNegativesLargeValuesAndNothingToRoundTo) {
  for (const auto& [value, rounded] : kRounded)
    EXPECT_EQ(RoundHalfEven(value), rounded) << "value " << value << ": expected " << rounded;
}

// Whatever mode the floating-point unit was left in (by another library, say), the rounding is the same.
TEST(Rounding, TheFloatingPointModeChangesNothing) {
  const std::pair<int, const char*> modes[] = {
      {FE_UPWARD, "upward"}, {FE_DOWNWARD, "downward"}, {FE_TOWARDZERO, "toward zero"}, {FE_TONEAREST, "nearest"}};
  for (const auto& [mode, name] : modes) {
    const RoundingMode set(mode);
    for (const auto& [value, rounded] : kRounded)
      EXPECT_EQ(RoundHalfEven(value), rounded) << "in mode " << name << ", value " << value;
  }
}

// The C library's rounding in its nearest mode, which the game used before, on values of every size:
// halves, quarters, and arbitrary doubles within the 64-bit range.
TEST(Rounding, AgreesWithTheCLibrarysNearestEvenOverTheWholeRange) {
  std::mt19937_64 random(20260612);
  std::uniform_int_distribution<int> exponent(-8, 62);
  std::uniform_real_distribution<double> mantissa(1.0, 2.0);
  int differ = 0;
  for (int i = 0; i < 200000 && differ < 10; ++i) {
    double value = std::ldexp(mantissa(random), exponent(random));
    if (i % 3 == 1) value = std::floor(value) + 0.5;
    if (i % 3 == 2) value = std::floor(value) + 0.25 * static_cast<double>(i % 4);
    if (i % 2 == 1) value = -value;
    if (!(std::fabs(value) < kTwo63)) continue;
    const auto expected = static_cast<int64_t>(std::nearbyint(value));
    if (RoundHalfEven(value) != expected) {
      ++differ;
      ADD_FAILURE() << "value " << value << ": expected " << expected << ", got " << RoundHalfEven(value);
    }
  }
}

// ---- opening a regular file -------------------------------------------------------------------------

class RegularFileTest : public ::testing::Test {
 protected:
  void SetUp() override { dir_ = TempFolder("zanoru-base"); }
  void TearDown() override { RemoveFolder(dir_); }
  std::string Path(const std::string& name) const { return dir_ + "/" + name; }
  std::string dir_;
};

TEST_F(RegularFileTest, ARegularFileOpensForReadingFromItsStart) {
  WriteFile(Path("a.txt"), "abc");
  const OpenedFile f = OpenRegularFile(Path("a.txt"));
  ASSERT_GE(f.Descriptor, 0);
  EXPECT_EQ(f.Problem, OpenProblem::None);
  char bytes[8] = {};
  EXPECT_EQ(::read(f.Descriptor, bytes, sizeof bytes), 3);
  EXPECT_EQ(std::string(bytes), "abc");
  EXPECT_EQ(::close(f.Descriptor), 0);
}

// A FIFO without a writer is refused at once: opening it to read would otherwise wait for ever.
TEST_F(RegularFileTest, NoRegularFileIsRefusedWithoutWaiting) {
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0644), 0);
  ASSERT_EQ(mkdir(Path("folder").c_str(), 0755), 0);
  for (const char* name : {"fifo", "folder"}) {
    const OpenedFile f = OpenRegularFile(Path(name));
    EXPECT_EQ(f.Descriptor, -1) << name;
    EXPECT_EQ(f.Problem, OpenProblem::NotRegular) << name;
  }
  const OpenedFile device = OpenRegularFile("/dev/zero");
  EXPECT_EQ(device.Descriptor, -1);
  EXPECT_EQ(device.Problem, OpenProblem::NotRegular);
}

TEST_F(RegularFileTest, AMissingFileAndAMissingFolderAreToldApart) {
  WriteFile(Path("plain"), "x");
  const OpenedFile missing = OpenRegularFile(Path("missing.txt"));
  EXPECT_EQ(missing.Descriptor, -1);
  EXPECT_EQ(missing.Problem, OpenProblem::NoFile);
  const OpenedFile throughFile = OpenRegularFile(Path("plain/inside.txt"));
  EXPECT_EQ(throughFile.Descriptor, -1);
  EXPECT_EQ(throughFile.Problem, OpenProblem::NoFolder) << "a file on the way is no folder";
}

TEST(NativePath, BackslashesBecomeSlashesAndNothingElseChanges) {
  EXPECT_EQ(NativePath("Data\\T\\1.jpg"), "Data/T/1.jpg");
  EXPECT_EQ(NativePath("a/b\\c"), "a/b/c");
  EXPECT_EQ(NativePath(""), "");
  EXPECT_EQ(NativePath("\\\\"), "//");
}
