#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "assets/Materials.h"
#include "base/Cp1251.h"
#include "menus/Pregs.h"
#include "shell/MScenes.h"
#include "shell/MainProc.h"
#include "tests/support/CaseName.h"
#include "tests/support/FakeEngine.h"
#include "tests/support/Files.h"
#include "tests/support/GameState.h"

namespace {

class Registration : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallFakeWithInterface();
    SceneParam = 1;
    InitRegistration();
  }

  // One tick of the scene with these keys pressed (and these held).
  static void Tick(std::set<int> pressed, std::set<int> held = {}) {
    fake::KeysPressed = std::move(pressed);
    fake::KeysDown = std::move(held);
    UpdateRegistration();
    fake::KeysPressed.clear();
  }
};

constexpr int kShift = 16;

// ---- keys ---------------------------------------------------------------------------------------

TEST_F(Registration, BackspaceAndDeleteOnAnEmptyNameLeaveItEmpty) {
  Tick({8});
  EXPECT_EQ(EnteredName, "");
  Tick({46});
  EXPECT_EQ(EnteredName, "");
  Tick({8, 46});
  EXPECT_EQ(EnteredName, "");
}

TEST_F(Registration, BackspaceAndDeleteEachRemoveOneCharacter) {
  EnteredName = "абв1"_cp;
  Tick({8});
  EXPECT_EQ(Cp1251ToUtf8(EnteredName), "абв");
  Tick({8, 46});  // two keys in one tick: two characters
  EXPECT_EQ(Cp1251ToUtf8(EnteredName), "а");
}

TEST_F(Registration, DigitsAndSpaceIgnoreShiftAndDoNotAskForIt) {
  Tick({48, 57}, {kShift});
  Tick({32}, {kShift});
  Tick({53});
  EXPECT_EQ(EnteredName, "09 5");
  EXPECT_TRUE(fake::CallsOf("Key_Down").empty()) << "Shift was asked for a digit or space key";
}

TEST_F(Registration, KeysOfOneTickApplyInAscendingCodeOrder) {
  Tick({66, 65});
  EXPECT_EQ(Cp1251ToUtf8(EnteredName), "фи");
}

TEST_F(Registration, EveryLetterKeyWithAndWithoutShift) {
  std::set<int> letters;
  for (int c = 65; c <= 90; ++c) letters.insert(c);
  Tick(letters);
  EXPECT_EQ(Cp1251ToUtf8(EnteredName), "фисвуапршолдьтщзйкыегмцчня");
  EXPECT_EQ(fake::CallsOf("Key_Down").size(), 26u) << "Shift is asked once per letter key";
  EnteredName.clear();
  Tick(letters, {kShift});
  EXPECT_EQ(Cp1251ToUtf8(EnteredName), "ФИСВУАПРШОЛДЬТЩЗЙКЫЕГМЦЧНЯ");
}

TEST_F(Registration, SixPunctuationKeysCarryTheRemainingLetters) {
  const std::set<int> keys = {186, 188, 190, 219, 221, 222};
  Tick(keys);
  EXPECT_EQ(Cp1251ToUtf8(EnteredName), "жбюхъэ");
  EnteredName.clear();
  Tick(keys, {kShift});
  EXPECT_EQ(Cp1251ToUtf8(EnteredName), "ЖБЮХЪЭ");
}

TEST_F(Registration, EnterAndOtherKeysTypeNothing) {
  EnteredName = "ab";
  // Enter, Escape, F2, numeric keypad 1, '-', '/', '`'
  Tick({13, 27, 113, 97, 189, 191, 192, 255});
  EXPECT_EQ(EnteredName, "ab");
  EXPECT_EQ(fake::CallsOf("Key_Press").size(), 8u);
}

TEST_F(Registration, NameHasNoLengthLimit) {
  for (int i = 0; i < 300; ++i) Tick({65});
  EXPECT_EQ(EnteredName.size(), 300u);
}

// ---- caret ------------------------------------------------------------------------------------

TEST_F(Registration, CaretBlinksWithAPeriodOfAboutFiftyOneTicks) {
  std::string seen;
  for (int tick = 1; tick <= 103; ++tick) {
    Tick({});
    seen += CaretChar;
  }
  // Counter 5..125 shows the caret (25 ticks), 130..255 hides it (26 ticks); 255 + 5 wraps to 4.
  const std::string period = std::string(25, '|') + std::string(26, ' ');
  EXPECT_EQ(seen.substr(0, 51), period);
  EXPECT_EQ(CaretCounter, static_cast<uint8_t>(103 * 5 % 256));
  EXPECT_EQ(seen[51], '|') << "after the wrap the caret shows again";
  EXPECT_EQ(seen.substr(51, 25), std::string(25, '|'));
}

TEST_F(Registration, NoCaretIsDrawnBeforeTheFirstUpdate) {
  EnteredName = "Ян"_cp;
  DrawRegistrationForm();
  const auto texts = fake::CallsOf("Text_Draw");
  ASSERT_EQ(texts.size(), 3u);
  EXPECT_NE(texts[1].find(" \"Ян\" "), std::string::npos) << texts[1];
  Tick({});
  fake::ClearCalls();
  DrawRegistrationForm();
  EXPECT_NE(fake::CallsOf("Text_Draw")[1].find(" \"Ян|\" "), std::string::npos) << fake::CallsOf("Text_Draw")[1];
}

// ---- the button -------------------------------------------------------------------------------

TEST_F(Registration, StripBelowTheDrawnButtonStillCounts) {
  for (int y : {618, 632, 560}) {
    fake::MouseX = 512;
    fake::MouseY = y;
    Tick({});
    EXPECT_EQ(RegButtonFrame, 2) << "y " << y;
  }
  for (const auto& [x, y] : std::vector<std::pair<int, int>>{{512, 633}, {512, 543}, {422, 600}, {602, 600}}) {
    fake::MouseX = x;
    fake::MouseY = y;
    Tick({});
    EXPECT_EQ(RegButtonFrame, 1) << "at (" << x << ", " << y << ")";
  }
}

TEST_F(Registration, ConfirmingAnEmptyNameIsAccepted) {
  fake::MouseX = 512;
  fake::MouseY = 625;
  MouseClicked = true;
  Tick({});
  EXPECT_EQ(PlayerName, "");
  EXPECT_EQ(FadeActive, 1);
  EXPECT_EQ(FadeTarget, scMenu);
  EXPECT_EQ(FadeParam, 0);
}

TEST_F(Registration, KeysOfTheConfirmingTickAreInTheName) {
  fake::MouseX = 512;
  fake::MouseY = 580;
  MouseClicked = true;
  Tick({65});
  EXPECT_EQ(Cp1251ToUtf8(PlayerName), "ф");
}

TEST_F(Registration, PressOutsideTheButtonKeepsTheOldName) {
  EnteredName = "x";
  fake::MouseX = 512;
  fake::MouseY = 640;
  MouseClicked = true;
  Tick({});
  EXPECT_EQ(Cp1251ToUtf8(PlayerName), "Игрок");
  EXPECT_EQ(FadeActive, 0);
}

// ---- stages -----------------------------------------------------------------------------------

TEST_F(Registration, FirstTickAfterTheIntroOnlyOpensTheForm) {
  SceneParam = 0;
  fake::MouseX = 512;
  fake::MouseY = 580;
  MouseClicked = true;
  Tick({65});
  EXPECT_EQ(SceneParam, 1);
  EXPECT_EQ(EnteredName, "");
  EXPECT_EQ(CaretChar, '\0');
  EXPECT_EQ(FadeActive, 0);
  Tick({65});
  EXPECT_EQ(Cp1251ToUtf8(EnteredName), "ф");
}

TEST_F(Registration, OtherStagesDoNothingAndDrawNoForm) {
  SceneParam = 4;
  Tick({65});
  EXPECT_EQ(EnteredName, "");
  EXPECT_EQ(SceneParam, 4);
  DrawRegistration();
  EXPECT_EQ(fake::Draws(), (std::vector<std::string>{"SSprite_Draw 1 0 0 1024 768 255 0 1",
                                                     "ASprite_Draw 6 0 0 90 90 1 255 0 1"}));
}

TEST_F(Registration, DrawsTheFormBetweenBackdropAndCornerButton) {
  TextScale = 1.0f;
  EnteredName = "Ян"_cp;
  CaretChar = '|';
  CornerButtonFrame = 2;
  DrawRegistration();
  // Prompt: 17 letters at 17 px; name: 2 letters at 20 px, centred without the caret;
  // caption: 10 letters at 10 px, (75 - 20) / 2 below the button's top.
  const std::vector<std::string> expected = {
      "SSprite_Draw 1 0 0 1024 768 255 0 1",
      "Text_Draw 9 367.5 180 \"Введите свое имя:\" 1.70000005 0 255 15739648",
      "Text_Draw 9 492 270 \"Ян|\" 2 0 255 210",
      "ASprite_Draw 5 422 543 180 75 1 255 0 1",
      "Text_Draw 9 462 570.5 \"Продолжить\" 1 0 255 0",
      "ASprite_Draw 6 0 0 90 90 2 255 0 1",
  };
  EXPECT_EQ(fake::Draws(), expected);
}

TEST_F(Registration, TextScaleSetsThePromptAndNameScales) {
  DrawRegistrationForm();
  const auto widths = fake::CallsOf("Text_GetWidth");
  ASSERT_EQ(widths.size(), 3u);
  EXPECT_NE(widths[0].find("\" 1.52999997 0 ="), std::string::npos) << widths[0];
  EXPECT_NE(widths[1].find("\"\" 1.79999995 0 ="), std::string::npos) << widths[1];
}

// ---- the player-name file --------------------------------------------------------------------

class PlayerNameFile : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::make_unique<InTempFolder>("zanoru-name");
    ResetGame();
    CurrentScene = 77;
  }
  void TearDown() override { folder_.reset(); }
  static void Write(const std::string& bytes) { WriteFile("PlayerN.cgm", bytes); }
  std::unique_ptr<InTempFolder> folder_;
};

TEST_F(PlayerNameFile, MissingFileChoosesRegistrationAndKeepsTheDefaultName) {
  LoadPlayerName();
  EXPECT_EQ(CurrentScene, scRegistration);
  EXPECT_EQ(Cp1251ToUtf8(PlayerName), "Игрок");
}

TEST_F(PlayerNameFile, DirectoryOfThatNameCountsAsMissing) {
  std::filesystem::create_directory("PlayerN.cgm");
  LoadPlayerName();
  EXPECT_EQ(CurrentScene, scRegistration);
}

// A pipe would wait for a writer forever and a device never ends: neither is a name file. The check runs
// in a child that an alarm stops should the open block.
TEST_F(PlayerNameFile, PipeOrDeviceOfThatNameCountsAsMissingWithoutWaiting) {
  const struct {
    const char* Label;
    std::function<void()> Make;
  } cases[] = {
      {"FIFO", [] { ASSERT_EQ(mkfifo("PlayerN.cgm", 0644), 0); }},
      {"link to /dev/zero", [] { std::filesystem::create_symlink("/dev/zero", "PlayerN.cgm"); }},
  };
  for (const auto& c : cases) {
    std::filesystem::remove("PlayerN.cgm");
    c.Make();
    EXPECT_EXIT(
        {
          alarm(10);
          LoadPlayerName();
          std::exit(CurrentScene == scRegistration && PlayerName == "Игрок"_cp ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "")
        << c.Label;
  }
}

// ASCII text in UTF-16; `raw` bytes are taken as they are (already little-endian units).
std::string Utf16Le(const std::string& text, bool raw = false) {
  if (raw) return text;
  std::string out;
  for (const char c : text) out += std::string{c, '\0'};
  return out;
}
std::string Utf16Be(const std::string& text) {
  std::string out;
  for (const char c : text) out += std::string{'\0', c};
  return out;
}

struct NameCase {
  const char* Label;
  std::string Bytes;
  std::string Name;
};

class PlayerNameLine : public PlayerNameFile, public ::testing::WithParamInterface<NameCase> {};

TEST_P(PlayerNameLine, FirstLineBecomesTheName) {
  Write(GetParam().Bytes);
  LoadPlayerName();
  EXPECT_EQ(CurrentScene, scMenu);
  EXPECT_EQ(PlayerName, GetParam().Name) << GetParam().Label;
}

INSTANTIATE_TEST_SUITE_P(
    LineEnds, PlayerNameLine,
    ::testing::Values(NameCase{"CR LF", "\xDF\xED\r\nsecond", "\xDF\xED"},
                      NameCase{"CR alone", "Ann\rBob", "Ann"},
                      NameCase{"LF alone", "Ann\nBob\n", "Ann"},
                      NameCase{"end-of-file mark", "Ann\x1A" "Bob", "Ann"},
                      NameCase{"no line end", "Ann Bob", "Ann Bob"},
                      NameCase{"empty file", "", ""},
                      NameCase{"empty first line", "\r\nAnn", ""},
                      NameCase{"NUL inside", std::string("A\0B\n", 4), std::string("A\0B", 3)},
                      // Only the first 4096 bytes of a longer line are the name.
                      NameCase{"line at the cap", std::string(4096, 'x') + "\r\nBob", std::string(4096, 'x')},
                      NameCase{"line past the cap", std::string(4095, 'x') + "yz\r\nBob", std::string(4095, 'x') + "y"},
                      NameCase{"long line", std::string(10000, 'x') + "\r\n", std::string(4096, 'x')},
                      // "Я" is D0 AF in UTF-8: the cap falls between its two bytes, and the half letter goes.
                      NameCase{"UTF-8 letter cut by the cap", std::string(4095, 'x') + "\xD0\xAF", std::string(4095, 'x')},
                      NameCase{"UTF-8 letters up to the cap", "\xD0\xAF" + std::string(4092, 'x') + "\xD0\xAF" + "\xD0\xAF",
                               "\xDF" + std::string(4092, 'x') + "\xDF"},
                      NameCase{"Windows-1251 letter at the cap", std::string(4095, 'x') + "\xDF\xDF", std::string(4095, 'x')},
                      // A letter of four bytes ("😀", F0 9F 98 80) cut after its third: all three go.
                      NameCase{"four-byte letter cut by the cap", "\xD0\xAF" + std::string(4091, 'x') + "\xF0\x9F\x98\x80",
                               "\xDF" + std::string(4091, 'x')},
                      NameCase{"four-byte letter cut by the cap after a mark",
                               "\xEF\xBB\xBF\xD0\xAF" + std::string(4088, 'x') + "\xF0\x9F\x98\x80", "\xDF" + std::string(4088, 'x')},
                      NameCase{"three-byte letter cut by the cap", "\xD0\xAF" + std::string(4092, 'x') + "\xE2\x84\x96",
                               "\xDF" + std::string(4092, 'x')},
                      // In UTF-16 the cap is 2,047 letters after the mark; one of a pair of surrogates goes.
                      NameCase{"UTF-16 at the cap", "\xFF\xFE" + Utf16Le(std::string(2048, 'x')), std::string(2047, 'x')},
                      NameCase{"UTF-16 pair of surrogates cut by the cap",
                               "\xFF\xFE" + Utf16Le(std::string(2046, 'x')) + std::string("\x3D\xD8\x00\xDE", 4), std::string(2046, 'x')},
                      NameCase{"UTF-16BE pair of surrogates cut by the cap",
                               "\xFE\xFF" + Utf16Be(std::string(2046, 'x')) + std::string("\xD8\x3D\xDE\x00", 4), std::string(2046, 'x')},
                      NameCase{"UTF-16 pair of surrogates whole at the cap",
                               "\xFF\xFE" + Utf16Le(std::string(2045, 'x')) + std::string("\x3D\xD8\x00\xDE", 4) + Utf16Le("yz"),
                               std::string(2045, 'x') + "?"}),
    [](const ::testing::TestParamInfo<NameCase>& info) { return CaseName(info.param.Label); });

// Editors on Linux write UTF-8, older files are Windows-1251: both give the same name.
INSTANTIATE_TEST_SUITE_P(
    Encodings, PlayerNameLine,
    ::testing::Values(NameCase{"UTF-8", "\xD0\x92\xD0\xB0\xD1\x81\xD1\x8F\n", "Вася"_cp},
                      NameCase{"Windows-1251", "\xC2\xE0\xF1\xFF\r\n", "Вася"_cp},
                      NameCase{"UTF-8 with a byte-order mark", "\xEF\xBB\xBF\xD0\x81\xD0\xB6 Ann\n", "Ёж Ann"_cp},
                      NameCase{"UTF-8 beyond Windows-1251 after a mark", "\xEF\xBB\xBF\xD0\xAF\xE4\xB8\xAD\xF0\x9F\x98\x80\n",
                               "Я??"_cp},
                      NameCase{"UTF-8 beyond Windows-1251 without a mark", "\xD0\xAF\xE4\xB8\xAD\n", "\xD0\xAF\xE4\xB8\xAD"},
                      NameCase{"UTF-8 of the second line only", "Ann\n\xD0\x92\n", "Ann"},
                      NameCase{"Windows-1251 that looks half like UTF-8", "\xD0\x92\xC2\n", "\xD0\x92\xC2"},
                      // Windows-1251 names that are also well-formed UTF-8, of letters Windows-1251 lacks.
                      NameCase{"Windows-1251 Ya No 1", "\xDF\xB9\x31\r\n", "Я№1"_cp},
                      NameCase{"Windows-1251 Es yo", "\xD1\xB8\r\n", "Сё"_cp},
                      // Windows Notepad's "Unicode": UTF-16 little-endian with its mark and CR LF.
                      NameCase{"UTF-16 little-endian", "\xFF\xFE" + Utf16Le("\x12\x04\x30\x04\x41\x04\x4F\x04", true) + Utf16Le("\r\nBob"),
                               "Вася"_cp},
                      NameCase{"UTF-16 big-endian", "\xFE\xFF" + Utf16Be("Ann\n") + Utf16Be("Bob"), "Ann"},
                      NameCase{"UTF-16 letter К (1A 04) is no end-of-text mark",
                               "\xFF\xFE" + Utf16Le("\x1A\x04\x0A\x04", true) + Utf16Le("\r\n"), "\xCA\x8C"}),
    [](const ::testing::TestParamInfo<NameCase>& info) { return CaseName(info.param.Label); });

TEST_F(PlayerNameFile, FileIsOnlyReadNeverWritten) {
  Write("Ann\n");
  std::filesystem::permissions("PlayerN.cgm", std::filesystem::perms::owner_read);
  const auto before = std::filesystem::last_write_time("PlayerN.cgm");
  LoadPlayerName();
  EXPECT_EQ(PlayerName, "Ann");
  EXPECT_EQ(std::filesystem::last_write_time("PlayerN.cgm"), before);
}

}  // namespace
