#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "assets/Materials.h"
#include "engine/OMEGA.h"
#include "scenes/Bonses.h"
#include "shell/MScenes.h"
#include "shell/MainProc.h"
#include "tests/support/FakeEngine.h"
#include "tests/support/GameState.h"
#include "tests/support/Golden.h"
#include "world/Game_A.h"

namespace {

using Lines = std::vector<std::string>;

constexpr int kF2 = 113;
constexpr int kEscape = 27;

void ResetShell() {
  ResetGame();
  // The help scene updates and draws nothing of its own, so only the shell's own work shows.
  CurrentScene = scHelp;
  IntroActive = false;
}

// ---- the timer callback ---------------------------------------------------------------------

class TimerTick : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetShell();
    fake::MouseX = 500;
    fake::MouseY = 400;
  }
};

TEST_F(TimerTick, CornerClickStartsTheFadeAndTheSameTickAdvancesIt) {
  fake::MouseX = 99;
  fake::MouseY = 99;
  fake::MousePressed = true;
  TimerCallback();
  EXPECT_TRUE(MouseClicked);
  EXPECT_EQ(CornerButtonFrame, 2);
  EXPECT_EQ(FadeActive, 1);
  EXPECT_EQ(FadeTarget, scMenu);
  EXPECT_EQ(FadeAlpha, 5) << "the transition started before this tick's fade step";
}

TEST_F(TimerTick, CornerRegionIsSignedAndStopsAtOneHundred) {
  struct Case {
    int32_t x, y;
    bool inside;
  };
  for (const Case c : {Case{99, 99, true}, Case{0, 0, true}, Case{-40, 50, true}, Case{50, -3000, true},
                       Case{100, 50, false}, Case{50, 100, false}, Case{100, 100, false}, Case{1023, 10, false}}) {
    ResetShell();
    fake::MouseX = c.x;
    fake::MouseY = c.y;
    fake::MousePressed = true;
    TimerCallback();
    EXPECT_EQ(CornerButtonFrame, c.inside ? 2 : 1) << "(" << c.x << ", " << c.y << ")";
    EXPECT_EQ(FadeActive, c.inside ? 1 : 0) << "(" << c.x << ", " << c.y << ")";
  }
}

TEST_F(TimerTick, HoveringTheCornerWithoutAClickOnlyLightsTheButton) {
  fake::MouseX = 10;
  fake::MouseY = 10;
  TimerCallback();
  EXPECT_EQ(CornerButtonFrame, 2);
  EXPECT_FALSE(MouseClicked);
  EXPECT_EQ(FadeActive, 0);
  fake::MouseX = 300;
  TimerCallback();
  EXPECT_EQ(CornerButtonFrame, 1) << "the frame goes back when the pointer leaves";
}

TEST_F(TimerTick, ClickIsReadFreshEveryTick) {
  fake::MousePressed = true;
  TimerCallback();
  EXPECT_TRUE(MouseClicked);
  fake::MousePressed = false;
  TimerCallback();
  EXPECT_FALSE(MouseClicked);
  EXPECT_EQ(fake::CallsOf("Mouse_Press"), (Lines{"Mouse_Press 1 =1", "Mouse_Press 1 =0"}));
}

TEST_F(TimerTick, EscapeStartsItsTransitionAfterTheFadeStep) {
  fake::KeysPressed = {kEscape};
  TimerCallback();
  EXPECT_EQ(FadeActive, 1);
  EXPECT_EQ(FadeTarget, scMenu);
  EXPECT_EQ(FadeAlpha, 0) << "Escape comes after this tick's fade step";
  fake::KeysPressed.clear();
  TimerCallback();
  EXPECT_EQ(FadeAlpha, 5);
}

TEST_F(TimerTick, EscapeOnTheLastTickOfAFadeStartsANewOne) {
  StartTransition(scRecords, 0);
  for (int i = 0; i < 99; ++i) TimerCallback();
  ASSERT_EQ(FadeActive, 1);
  fake::KeysPressed = {kEscape};
  TimerCallback();
  EXPECT_EQ(FadeActive, 1) << "the old fade ended and Escape started the next";
  EXPECT_EQ(FadePhase, 1);
  EXPECT_EQ(FadeAlpha, 0);
  EXPECT_EQ(CurrentScene, scRecords);
}

TEST_F(TimerTick, EscapeDuringAFadeRestartsItTowardTheMenu) {
  StartTransition(scAuthor, 0);
  for (int i = 0; i < 30; ++i) TimerCallback();
  fake::KeysPressed = {kEscape};
  TimerCallback();
  EXPECT_EQ(FadeTarget, scMenu);
  EXPECT_EQ(FadeAlpha, 0);
}

TEST_F(TimerTick, F2TogglesTheOverlayAlsoDuringAFade) {
  fake::KeysPressed = {kF2};
  TimerCallback();
  EXPECT_TRUE(DebugOverlay);
  StartTransition(scRecords, 0);
  TimerCallback();
  EXPECT_FALSE(DebugOverlay) << "pressed twice: back as it was";
  EXPECT_EQ(FadeAlpha, 5);
  fake::KeysPressed.clear();
  TimerCallback();
  EXPECT_FALSE(DebugOverlay);
}

TEST_F(TimerTick, ScenesWithoutAnUpdateOnlyReadTheInput) {
  for (uint8_t scene : {scHelp, scRecords, uint8_t{6}, uint8_t{200}}) {
    ResetShell();
    CurrentScene = scene;
    fake::MouseX = 500;
    TimerCallback();
    EXPECT_EQ(fake::Calls, (Lines{"Mouse_Press 1 =0"})) << "scene " << int(scene);
    EXPECT_EQ(CurrentScene, scene);
  }
}

// ---- the draw callback ----------------------------------------------------------------------

class Frame : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetShell();
    fake::LineHeight = 16;
    LoadInterfaceTextures();  // handles 1..9: the cursor is 3, the black sheet 4, the font 9
    fake::ClearCalls();
    fake::MouseX = 300;
    fake::MouseY = 200;
  }
};

TEST_F(Frame, SceneWithNothingToDrawShowsOnlyTheCursorAtThePointer) {
  fake::MouseX = 1010;
  fake::MouseY = -4;
  DrawCallback();
  EXPECT_EQ(fake::Draws(), (Lines{"SSprite_Draw 3 1010 -4 35 70 255 0 1"}));
}

TEST_F(Frame, FadeIsDrawnLastOverTheCursor) {
  FadeActive = 1;
  FadeAlpha = 135;
  DrawCallback();
  EXPECT_EQ(fake::Draws(), (Lines{"SSprite_Draw 3 300 200 35 70 255 0 1", "SSprite_Draw 4 0 0 1026 770 135 0 1"}));
}

TEST_F(Frame, EndedFadeIsNotDrawn) {
  FadeActive = 0;
  FadeAlpha = 10;
  DrawCallback();
  EXPECT_EQ(fake::Draws(), (Lines{"SSprite_Draw 3 300 200 35 70 255 0 1"}));
}

TEST_F(Frame, OverlayShowsFpsAndTheWatchedUnitBeforeTheCursor) {
  DebugOverlay = true;
  fake::Fps = 58;
  THomeCord home{};
  home.Units.resize(10);
  home.Units[1].Column = 7;
  home.Units[1].Row = 41;
  Homes.push_back(home);
  FadeActive = 1;
  FadeAlpha = 20;
  DrawCallback();
  EXPECT_EQ(fake::Draws(), (Lines{
                               R"(Text_Draw 9 10 5 "FPS: 58" 1 0 255 16777215)",
                               R"(Text_Draw 9 10 20 "Angle: 7" 1 0 255 16777215)",
                               R"(Text_Draw 9 10 35 "Angle: 41" 1 0 255 16777215)",
                               "SSprite_Draw 3 300 200 35 70 255 0 1",
                               "SSprite_Draw 4 0 0 1026 770 20 0 1",
                           }));
}

TEST_F(Frame, OverlayWithoutAWatchedUnitShowsADash) {
  DebugOverlay = true;
  const auto expectDashes = [](const char* situation) {
    fake::ClearCalls();
    DrawCallback();
    EXPECT_EQ(fake::CallsOf("Text_Draw"), (Lines{
                                              R"(Text_Draw 9 10 5 "FPS: 60" 1 0 255 16777215)",
                                              R"(Text_Draw 9 10 20 "Angle: -" 1 0 255 16777215)",
                                              R"(Text_Draw 9 10 35 "Angle: -" 1 0 255 16777215)",
                                          }))
        << situation;
  };
  expectDashes("no homes");
  THomeCord home{};
  home.Units.resize(1);
  Homes.push_back(home);
  expectDashes("a first home with a single unit");
  Homes[0].Units.clear();
  THomeCord second{};
  second.Units.resize(10);
  Homes.push_back(second);
  expectDashes("units only in the second home");
}

TEST_F(Frame, IntroHidesOverlayAndCursorButNotTheFade) {
  IntroActive = true;
  DebugOverlay = true;
  FadeActive = 1;
  FadeAlpha = 250;
  DrawCallback();
  const Lines draws = fake::Draws();
  ASSERT_FALSE(draws.empty());
  EXPECT_EQ(draws.back(), "SSprite_Draw 4 0 0 1026 770 250 0 1");
  for (const auto& line : draws) {
    EXPECT_EQ(line.find("SSprite_Draw 3 "), std::string::npos) << "cursor drawn during the intro: " << line;
    EXPECT_EQ(line.find("FPS: "), std::string::npos) << "overlay drawn during the intro: " << line;
  }
}

// ---- interface pictures ---------------------------------------------------------------------

TEST(InterfaceTextures, NineLoadsInOrderWithMasksFramesAndFlags) {
  fake::Install();
  fake::LineHeight = 23;
  LoadInterfaceTextures();
  EXPECT_EQ(fake::Calls, InterfaceLoadOrder());
  // Each handle is the one its own load returned.
  const OEHandle handles[] = {TexMap1, TexMap2, TexCursor, TexBlack, TexButton, TexCornerButton, TexBlackMasked,
                              TexBigPanel};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(handles[i], OEHandle(i + 1)) << "handle " << i;
  EXPECT_NE(MainFont, 0u);
  EXPECT_EQ(FontHeight, 23) << "the first byte of the font data";
}

TEST(InterfaceTextures, FailedFontLoadGivesHeightZeroWithoutReadingIt) {
  fake::Install();
  Text_LoadFontFromFile = [](const char*, const char*, int32_t, int32_t) -> OEHandle { return 0; };
  FontHeight = 77;
  LoadInterfaceTextures();
  EXPECT_EQ(MainFont, 0u);
  EXPECT_EQ(FontHeight, 0);
}

// ---- colours, window position, engine check ------------------------------------------------

TEST(PaletteColor, TableAndWhiteOutsideIt) {
  const uint32_t expected[8] = {0xFFFFFF, 0x00FFFF, 0xE5E5E5, 0x4196EB, 0x00F000, 0xFEB301, 0x0000FF, 0x20020020};
  for (int i = 0; i <= 7; ++i) EXPECT_EQ(PaletteColor(uint8_t(i)), expected[i]) << "index " << i;
  EXPECT_EQ(PaletteColor(8), 0xFFFFFFu);
  EXPECT_EQ(PaletteColor(255), 0xFFFFFFu);
}

TEST(CentredPosition, HalvesTowardZero) {
  EXPECT_EQ(CentredPosition(1920, 1024), 448);
  EXPECT_EQ(CentredPosition(1080, 768), 156);
  EXPECT_EQ(CentredPosition(1025, 1024), 0);
  EXPECT_EQ(CentredPosition(1023, 1024), 0) << "-1 halves to 0, not -1";
  EXPECT_EQ(CentredPosition(1021, 1024), -1) << "-3 halves to -1";
  EXPECT_EQ(CentredPosition(0, 1024), -512);
  EXPECT_EQ(CentredPosition(INT32_MIN, 1024), -1073742336);
}

// MessageBoxA writes to standard error only when no display is there; make sure of that.
class NoDisplay {
 public:
  NoDisplay() {
    Save("DISPLAY", display_);
    Save("WAYLAND_DISPLAY", wayland_);
  }
  ~NoDisplay() {
    Restore("DISPLAY", display_);
    Restore("WAYLAND_DISPLAY", wayland_);
  }

 private:
  static void Save(const char* name, std::string& out) {
    const char* v = std::getenv(name);
    out = v != nullptr ? std::string("=") + v : "";
    unsetenv(name);
  }
  static void Restore(const char* name, const std::string& saved) {
    if (!saved.empty()) setenv(name, saved.c_str() + 1, 1);
  }
  std::string display_, wayland_;
};

TEST(EngineUsable, NamesTheMissingOperation) {
  NoDisplay quiet;
  fake::Install();
  static int module = 0;
  EngineModule = &module;
  EXPECT_TRUE(EngineUsable());

  Key_Press = nullptr;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(EngineUsable());
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Error: "), std::string::npos) << err;
  EXPECT_NE(err.find("Key_Press"), std::string::npos) << err;

  // A library that did not load has been reported already: no second box.
  EngineModule = nullptr;
  testing::internal::CaptureStderr();
  EXPECT_FALSE(EngineUsable());
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
  fake::Install();
}

}  // namespace
