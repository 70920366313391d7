#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "base/Cp1251.h"
#include "engine/OMEGA.h"
#include "platform/Runtime.h"
#include "tests/support/Files.h"

TEST(RunErrorText, NumberEndsAtTheSeventeenthCharacter) {
  EXPECT_EQ(RunErrorText(2, 0x0040ABCD), "Runtime error   2 at 0040ABCD");
  EXPECT_EQ(RunErrorText(13, 0), "Runtime error  13 at 00000000");
  EXPECT_EQ(RunErrorText(100, 0x1234567890ABCDEFull), "Runtime error 100 at 90ABCDEF");
}

TEST(Cp1251, LiteralsAreConvertedAtCompileTime) {
  constexpr const char* word = "Игрок"_cp;
  EXPECT_EQ(std::string(word), "\xC8\xE3\xF0\xEE\xEA");
  EXPECT_EQ(Cp1251ToUtf8(word), "Игрок");
}

namespace {

namespace fs = std::filesystem;

TEST(RunErrorText, OneTwoAndThreeDigitNumbersAllEndAtTheSameColumn) {
  const struct {
    int code;
    const char* text;
  } cases[] = {
      {5, "Runtime error   5 at 00000000"},
      {0, "Runtime error   0 at 00000000"},
      {99, "Runtime error  99 at 00000000"},
      {106, "Runtime error 106 at 00000000"},
      {201, "Runtime error 201 at 00000000"},
  };
  for (const auto& c : cases) {
    const std::string text = RunErrorText(c.code, 0);
    EXPECT_EQ(text, c.text) << "code " << c.code;
    EXPECT_EQ(text.size(), 29u);
  }
  EXPECT_EQ(RunErrorText(103, 0xABCDEF), "Runtime error 103 at 00ABCDEF") << "hexadecimal is upper case";
}

// The child of a death test has no display, so the report goes to standard error only.
void NoDisplayRunError(int code, uintptr_t address) {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  RunErrorHandler = nullptr;
  RunError(code, address);
}

TEST(RunErrorDeathTest, ExitsWithTheNumberAfterTheReport) {
  EXPECT_EXIT(NoDisplayRunError(106, 0x4A2B), ::testing::ExitedWithCode(106),
              "Error: Runtime error 106 at 00004A2B");
  EXPECT_EXIT(NoDisplayRunError(2, 0x10), ::testing::ExitedWithCode(2), "Error: Runtime error   2 at 00000010");
}

class FileErrors : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = TempFolder("zanoru-io");
    WriteFile(Path("four"), "abcd");
  }
  void TearDown() override { RemoveFolder(dir_); }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  fs::path dir_;
};

TEST_F(FileErrors, OpenForReadingGivesTheClassicNumbers) {
  TFile file;
  EXPECT_EQ(FileTryOpenRead(file, Path("missing")), kErrFileNotFound);
  EXPECT_EQ(file.Descriptor, -1);
  EXPECT_EQ(FileTryOpenRead(file, Path("four/below")), kErrPathNotFound) << "a file used as a folder";
  fs::create_directory(dir_ / "folder");
  EXPECT_EQ(FileTryOpenRead(file, Path("folder")), kErrAccessDenied);
  EXPECT_EQ(file.Descriptor, -1);
  EXPECT_EQ(FileTryOpenRead(file, Path("four")), 0);
  FileClose(file);
}

TEST_F(FileErrors, NoPermissionIsAccessDenied) {
  fs::permissions(dir_ / "four", fs::perms::none);
  GiveToOrdinaryUser({dir_.string(), Path("four")});
  // The child's status is the error number.
  EXPECT_EXIT(
      {
        if (!BecomeOrdinaryUser()) std::_Exit(99);
        TFile file;
        std::_Exit(FileTryOpenRead(file, Path("four")));
      },
      ::testing::ExitedWithCode(kErrAccessDenied), "");
}

void ReadMoreThanThere(const std::string& path, std::size_t count) {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  RunErrorHandler = nullptr;
  TFile file;
  FileOpenRead(file, path);
  char buffer[16];
  FileRead(file, buffer, count);
  FileClose(file);
  std::exit(0);
}

TEST_F(FileErrors, ShortReadEndsWithOneHundred) {
  EXPECT_EXIT(ReadMoreThanThere(Path("four"), 5), ::testing::ExitedWithCode(kErrReadPastEnd), "Runtime error 100 at ");
  EXPECT_EXIT(ReadMoreThanThere(Path("four"), 4), ::testing::ExitedWithCode(0), "") << "an exact read succeeds";
  EXPECT_EXIT(ReadMoreThanThere(Path("missing"), 1), ::testing::ExitedWithCode(kErrFileNotFound),
              "Runtime error   2 at ");
}

TEST_F(FileErrors, ReadLineStopsAtTheFirstLineEndAndReadsNoFurtherThanNeeded) {
  const std::string longLine(10000, 'x');  // spans several read chunks
  const struct {
    const char* what;
    std::string bytes;
    std::string line;
  } cases[] = {
      {"CR LF", "name\r\nsecond", "name"},
      {"LF", "name\nsecond", "name"},
      {"lone CR", "name\rsecond", "name"},
      {"end-of-text mark", std::string("name\x1A" "after"), "name"},
      {"no line end", "name", "name"},
      {"empty file", "", ""},
      {"empty first line", "\r\nname", ""},
      {"long line", longLine + "\nrest", longLine},
  };
  for (const auto& c : cases) {
    std::ofstream(dir_ / "line", std::ios::binary | std::ios::trunc) << c.bytes;
    TFile file;
    FileOpenRead(file, Path("line"));
    EXPECT_EQ(FileReadLine(file, 1 << 20), c.line) << c.what;
    FileClose(file);
  }
}

// ---- Windows-1251 -----------------------------------------------------------------------------

// Every Cyrillic letter the code page has, with its byte.
const std::string kRussianUpper = "АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ";
const std::string kRussianLower = "абвгдежзийклмнопрстуфхцчшщъыьэюя";
const std::string kOtherCyrillic = "ЂЃѓЉЊЌЋЏђљњќћџЎўЈҐЁЄЇІіґёєјЅѕї";
const unsigned char kOtherCyrillicBytes[] = {0x80, 0x81, 0x83, 0x8A, 0x8C, 0x8D, 0x8E, 0x8F, 0x90, 0x9A,
                                             0x9C, 0x9D, 0x9E, 0x9F, 0xA1, 0xA2, 0xA3, 0xA5, 0xA8, 0xAA,
                                             0xAF, 0xB2, 0xB3, 0xB4, 0xB8, 0xBA, 0xBC, 0xBD, 0xBE, 0xBF};

TEST(Cp1251, EveryCyrillicLetterBothWays) {
  std::string bytes;
  for (int b = 0xC0; b <= 0xFF; ++b) bytes.push_back(static_cast<char>(b));
  for (unsigned char b : kOtherCyrillicBytes) bytes.push_back(static_cast<char>(b));
  const std::string utf8 = kRussianUpper + kRussianLower + kOtherCyrillic;
  EXPECT_EQ(Cp1251ToUtf8(bytes), utf8);
  EXPECT_EQ(Utf8ToCp1251(utf8), bytes);
}

TEST(Cp1251, CompileTimeLiteralsMatchTheRunTimeConversion) {
  EXPECT_EQ(std::string("АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯ"_cp), Utf8ToCp1251(kRussianUpper));
  EXPECT_EQ(std::string("абвгдежзийклмнопрстуфхцчшщъыьэюя"_cp), Utf8ToCp1251(kRussianLower));
  EXPECT_EQ(std::string("ЂЃѓЉЊЌЋЏђљњќћџЎўЈҐЁЄЇІіґёєјЅѕї"_cp), Utf8ToCp1251(kOtherCyrillic));
  EXPECT_EQ(std::string("Новая игра, 1!"_cp), "\xCD\xEE\xE2\xE0\xFF \xE8\xE3\xF0\xE0, 1!");
}

TEST(Cp1251, CharactersWithoutACodeBecomeQuestionMarks) {
  EXPECT_EQ(Utf8ToCp1251("a中b"), "a?b");
  EXPECT_EQ(Cp1251ToUtf8("\x98"), "\xEF\xBF\xBD") << "the one unassigned byte";
  EXPECT_EQ(Utf8ToCp1251(""), "");
}

// ---- rounding and the floating-point set-up ---------------------------------------------------

TEST(RoundHalfEven, HalvesGoToTheEvenNeighbourEvenAfterAnotherModeWasSet) {
  std::fesetround(FE_UPWARD);
  SetGameFloatingPoint();
  const std::pair<double, int64_t> cases[] = {{0.5, 0},   {1.5, 2},   {2.5, 2},   {-0.5, 0}, {-1.5, -2},
                                              {-2.5, -2}, {3.5, 4},   {0.49, 0},  {0.51, 1}, {-0.51, -1},
                                              {1e9 + 0.5, 1000000000}};
  for (const auto& [value, rounded] : cases) EXPECT_EQ(RoundHalfEven(value), rounded) << "value " << value;
}

TEST(FloatingPoint, DivisionByZeroGivesInfinityNotATrap) {
  SetGameFloatingPoint();
  volatile float zero = 0.0f;
  volatile float one = 1.0f;
  EXPECT_TRUE(std::isinf(one / zero));
  EXPECT_TRUE(std::isnan(zero / zero));
}

// ---- the random generator ----------------------------------------------------------------------

TEST(Random, KnownSeedGivesTheKnownSequence) {
  RandSeed = 12345;
  const std::pair<uint32_t, uint32_t> expected[] = {
      {38, 1655067934u}, {28, 1242767767u}, {7, 342459380u}, {553, 2377737157u}, {4, 2721613530u}};
  const uint32_t limits[] = {100, 100, 100, 1000, 7};
  for (int i = 0; i < 5; ++i) {
    EXPECT_EQ(Random(limits[i]), expected[i].first) << "draw " << i;
    EXPECT_EQ(RandSeed, expected[i].second) << "seed after draw " << i;
  }
}

TEST(Random, ZeroAndOneGiveZeroButStillAdvance) {
  RandSeed = 0;
  EXPECT_EQ(Random(0), 0u);
  EXPECT_EQ(RandSeed, 1u);
  EXPECT_EQ(Random(1), 0u);
  EXPECT_EQ(RandSeed, 134775814u);
}

}  // namespace

// Only well-formed UTF-8 counts: every kind of malformed sequence, at the edges of each range.
TEST(Cp1251, Utf8IsRecognisedOnlyWhenWellFormed) {
  struct Case {
    const char* Label;
    std::string Text;
    bool Valid;
  };
  const Case cases[] = {
      {"empty", "", true},
      {"ASCII", "Ann 1", true},
      {"two bytes", "\xD0\x92", true},
      {"three bytes, lowest", "\xE0\xA0\x80", true},
      {"four bytes, highest code point", "\xF4\x8F\xBF\xBF", true},
      {"continuation byte alone", "\x80", false},
      {"overlong two bytes", "\xC1\xBF", false},
      {"overlong three bytes", "\xE0\x9F\xBF", false},
      {"overlong four bytes", "\xF0\x8F\xBF\xBF", false},
      {"surrogate", "\xED\xA0\x80", false},
      {"above U+10FFFF", "\xF4\x90\x80\x80", false},
      {"lead byte F5", "\xF5\x80\x80\x80", false},
      {"cut short at the end", "a\xD0", false},
      {"cut short before ASCII", "\xE2\x82" "a", false},
      {"Windows-1251 Russian", "\xC2\xE0\xF1\xFF", false},
      {"Windows-1251 letter then ASCII", "\xDF!", false},
  };
  for (const Case& c : cases) EXPECT_EQ(IsUtf8(c.Text), c.Valid) << c.Label;
}

TEST(Cp1251, EditorTextIsReadAsUtf8OnlyWhenThatCannotBeMistaken) {
  const struct {
    const char* Label;
    std::string Text;
    std::string Name;  // Windows-1251
  } cases[] = {
      {"UTF-8 of letters Windows-1251 has", "\xD0\x92\xD0\xB0\xD1\x81\xD1\x8F", "Вася"_cp},
      {"UTF-8 of signs beyond the letters", "\xE2\x84\x96 \xE2\x82\xAC", "\xB9 \x88"},
      {"Windows-1251 that is no UTF-8", "\xC2\xE0\xF1\xFF", "\xC2\xE0\xF1\xFF"},
      {"ASCII", "Ann", "Ann"},
      {"empty", "", ""},
      // Well-formed UTF-8, but of characters Windows-1251 lacks: the bytes are Windows-1251 letters.
      {"Я№1: UTF-8 of U+07F9", "\xDF\xB9\x31", "\xDF\xB9\x31"},
      {"Сё: UTF-8 of U+0478", "\xD1\xB8", "\xD1\xB8"},
      {"UTF-8 of a snowman", "\xE2\x98\x83", "\xE2\x98\x83"},
      {"one letter Windows-1251 lacks among those it has", "\xD0\x92\xE2\x98\x83", "\xD0\x92\xE2\x98\x83"},
      // A byte-order mark says UTF-8 outright: what Windows-1251 lacks becomes '?'.
      {"UTF-8 mark alone", "\xEF\xBB\xBF", ""},
      {"UTF-8 mark, letters it has", "\xEF\xBB\xBF\xD0\x81\xD0\xB6", "Ёж"_cp},
      {"UTF-8 mark, a snowman", "\xEF\xBB\xBF\xD0\x92\xE2\x98\x83", "В?"_cp},
      {"UTF-8 mark, U+07F9", "\xEF\xBB\xBF\xDF\xB9\x31", "?1"},
      {"UTF-8 mark, malformed bytes", "\xEF\xBB\xBF\xC2\xE0!\xD0", "??" "!?"},
      {"UTF-8 mark, an overlong letter", "\xEF\xBB\xBF\xC1\x81", "??"},
      // UTF-16 with its mark (Windows Notepad's "Unicode"), either byte order.
      {"UTF-16 little-endian", std::string("\xFF\xFE\x12\x04\x30\x04\x41\x04\x4F\x04", 10), "Вася"_cp},
      {"UTF-16 big-endian", std::string("\xFE\xFF\x04\x12\x04\x30\x04\x41\x04\x4F", 10), "Вася"_cp},
      {"UTF-16 ASCII and a sign", std::string("\xFF\xFEN\0o\0\x16\x21", 8), "No\xB9"},
      {"UTF-16 mark alone", "\xFF\xFE", ""},
      {"UTF-16 letter Windows-1251 lacks", std::string("\xFF\xFE\x03\x26", 4), "?"},
      {"UTF-16 pair of surrogates: one character", std::string("\xFF\xFE\x3D\xD8\x00\xDE" "A\0", 8), "?A"},
      {"UTF-16 lone high surrogate", std::string("\xFF\xFE\x3D\xD8" "A\0", 6), "?A"},
      {"UTF-16 lone low surrogate", std::string("\xFE\xFF\xDE\x00\x00" "A", 6), "?A"},
      {"UTF-16 high surrogate last", std::string("\xFF\xFE" "A\0\x3D\xD8", 6), "A?"},
      {"UTF-16 odd last byte", std::string("\xFF\xFE" "A\0B", 5), "A?"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(EditorTextToCp1251(c.Text), c.Name)
        << c.Label << ": expected \"" << Cp1251ToUtf8(c.Name) << "\", got \"" << Cp1251ToUtf8(EditorTextToCp1251(c.Text)) << "\"";
}

TEST(Cp1251, FirstLineEndsAtALineEndOfTheTextsOwnEncoding) {
  const struct {
    const char* Label;
    std::string Text;
    std::size_t Length;
  } cases[] = {
      {"CR LF", "Ann\r\nBob", 3},
      {"LF", "Ann\nBob", 3},
      {"lone CR", "Ann\rBob", 3},
      {"end-of-text mark", "Ann\x1A" "Bob", 3},
      {"no line end", "Ann", 3},
      {"empty", "", 0},
      {"UTF-8 mark, then CR", "\xEF\xBB\xBF" "A\r", 4},
      // In UTF-16 a line end is a character of two bytes, and the bytes 0A, 0D and 1A of other
      // characters ("К" is 1A 04, "Њ" 0A 04, "č" 0D 01 in little-endian) end nothing.
      {"UTF-16LE letters with line-end bytes", std::string("\xFF\xFE\x1A\x04\x0A\x04\x0D\x01\r\0\n\0", 12), 8},
      {"UTF-16LE LF", std::string("\xFF\xFE" "A\0\n\0" "B\0", 8), 4},
      {"UTF-16LE end-of-text mark", std::string("\xFF\xFE" "A\0\x1A\0", 6), 4},
      {"UTF-16BE CR", std::string("\xFE\xFF\0A\0\r\0B", 8), 4},
      {"UTF-16BE letter ending in 0A", std::string("\xFE\xFF\x04\x0A\0\n", 6), 4},
      {"UTF-16 no line end", std::string("\xFF\xFE" "A\0", 4), 4},
      {"UTF-16 odd last byte", std::string("\xFF\xFE" "A\0\n", 5), 5},
      {"UTF-16 mark alone", "\xFF\xFE", 2},
  };
  for (const auto& c : cases) EXPECT_EQ(FirstLineLength(c.Text), c.Length) << c.Label;
  EXPECT_EQ(EditorTextToCp1251(std::string("\xFF\xFE\x1A\x04\x0A\x04\x0D\x01", 8)), "\xCA\x8C?");
}
