#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assets/Materials.h"
#include "base/Cp1251.h"
#include "menus/GMenu.h"
#include "shell/MScenes.h"
#include "shell/MainProc.h"
#include "tests/support/FakeEngine.h"
#include "tests/support/GameState.h"

namespace {

class MainMenu : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallFakeWithInterface();
    InitMenu();
  }

  // One tick of the menu with the pointer at (x, y), pressed or not.
  static void Tick(int x, int y, bool pressed) {
    fake::MouseX = x;
    fake::MouseY = y;
    MouseClicked = pressed;
    UpdateMenu();
  }

  static std::vector<int> Frames() { return {MenuItemFrames + 1, MenuItemFrames + 1 + kMenuItemCount}; }
};

// ---- hit testing: inside, on the edge, outside ----------------------------------------------------

TEST_F(MainMenu, SharedBorderBetweenTwoButtonsBelongsToNeither) {
  Tick(512, 210, true);
  EXPECT_EQ(Frames(), (std::vector<int>{1, 1, 1, 1, 1, 1}));
  EXPECT_EQ(FadeActive, 0) << "a press on the border between items 1 and 2 started a transition";
}

TEST_F(MainMenu, StripBelowTheDrawnButtonCountsAsTheButton) {
  // The sprite of item 1 ends at y 195; its rectangle goes on to 209.
  for (const auto& [x, y] : std::vector<std::pair<int, int>>{{423, 195}, {601, 209}, {512, 202}}) {
    SetUp();
    Tick(x, y, true);
    EXPECT_EQ(Frames(), (std::vector<int>{2, 1, 1, 1, 1, 1})) << "at (" << x << ", " << y << ")";
    EXPECT_EQ(FadeActive, 1) << "at (" << x << ", " << y << ")";
    EXPECT_EQ(FadeTarget, scGame) << "at (" << x << ", " << y << ")";
  }
}

TEST_F(MainMenu, PressOutsideEveryButtonDoesNothing) {
  // Left and right edges, above the first and below the last button, far away.
  for (const auto& [x, y] : std::vector<std::pair<int, int>>{{422, 150}, {602, 150}, {512, 120}, {512, 660}, {50, 700}}) {
    SetUp();
    Tick(x, y, true);
    EXPECT_EQ(Frames(), (std::vector<int>{1, 1, 1, 1, 1, 1})) << "at (" << x << ", " << y << ")";
    EXPECT_EQ(FadeActive, 0) << "at (" << x << ", " << y << ")";
  }
}

TEST_F(MainMenu, HoverHighlightsWithoutActingAndMovesWithThePointer) {
  Tick(512, 400, false);
  EXPECT_EQ(Frames(), (std::vector<int>{1, 1, 1, 2, 1, 1}));
  Tick(512, 600, false);
  EXPECT_EQ(Frames(), (std::vector<int>{1, 1, 1, 1, 1, 2}));
  EXPECT_EQ(FadeActive, 0);
}

// ---- what each button does --------------------------------------------------------------------

struct ItemAction {
  int Item;
  bool InGame;
  uint8_t Target;
  uint8_t Param;
};

class MenuItemAction : public MainMenu, public ::testing::WithParamInterface<ItemAction> {};

TEST_P(MenuItemAction, PressStartsTheItemsTransition) {
  const ItemAction a = GetParam();
  GameInProgress = a.InGame;
  Tick(512, 30 + 90 * a.Item + 40, true);
  EXPECT_EQ(FadeActive, 1);
  EXPECT_EQ(FadeTarget, a.Target) << "item " << a.Item;
  EXPECT_EQ(FadeParam, a.Param) << "item " << a.Item;
}

INSTANTIATE_TEST_SUITE_P(
    Items, MenuItemAction,
    ::testing::Values(ItemAction{1, false, scGame, 77}, ItemAction{2, false, scRecords, 0},
                      ItemAction{3, false, scRegistration, 1}, ItemAction{4, false, scHelp, 1},
                      ItemAction{5, false, scAuthor, 0}, ItemAction{6, false, scQuit, 0},
                      ItemAction{1, true, scGame, 0}, ItemAction{2, true, scGame, 77},
                      ItemAction{3, true, scOptions, 0}, ItemAction{4, true, scHelp, 1},
                      ItemAction{5, true, scAuthor, 0}, ItemAction{6, true, scQuit, 0}),
    [](const ::testing::TestParamInfo<ItemAction>& info) {
      return "Item" + std::to_string(info.param.Item) + (info.param.InGame ? "InGame" : "Idle");
    });

// ---- drawing ----------------------------------------------------------------------------------

TEST_F(MainMenu, DrawsBackdropButtonsCaptionsAndGreetingInOrder) {
  MenuItemFrames[3] = 2;
  DrawMenu();
  // Captions: 10 px per letter at scale 1, centred in 180; (90 - 15 - 20) / 2 = 27.5 below the top.
  const std::vector<std::string> expected = {
      "SSprite_Draw 1 0 0 1024 768 255 0 1",
      "ASprite_Draw 5 422 120 180 75 1 255 0 1",
      "ASprite_Draw 5 422 210 180 75 1 255 0 1",
      "ASprite_Draw 5 422 300 180 75 2 255 0 1",
      "ASprite_Draw 5 422 390 180 75 1 255 0 1",
      "ASprite_Draw 5 422 480 180 75 1 255 0 1",
      "ASprite_Draw 5 422 570 180 75 1 255 0 1",
      "Text_Draw 9 462 147.5 \"Новая игра\" 1 0 255 0",
      "Text_Draw 9 477 237.5 \"Рекорды\" 1 0 255 0",
      "Text_Draw 9 442 327.5 \"Сменить игрока\" 1 0 255 0",
      "Text_Draw 9 457 417.5 \"Как играть?\" 1 0 255 0",
      "Text_Draw 9 487 507.5 \"Автор\" 1 0 255 0",
      "Text_Draw 9 487 597.5 \"Выйти\" 1 0 255 0",
      // 30 letters at 9 px: 270 wide.
      "Text_Draw 9 377 90 \"Добро пожаловать в игру, Игрок\" 0.899999976 0 255 200",
  };
  EXPECT_EQ(fake::Draws(), expected);
}

TEST_F(MainMenu, CaptionsAreCentredWithAFractionalHalf) {
  // An odd line height leaves half a pixel: the caption is not pushed to a whole pixel.
  FontHeight = 21;
  DrawMenuItemLabel(1, "Новая игра"_cp);
  EXPECT_EQ(fake::CallsOf("Text_Draw"), std::vector<std::string>{"Text_Draw 9 462 147 \"Новая игра\" 1 0 255 0"});
}

TEST_F(MainMenu, InGameCaptionsReplaceTheFirstThree) {
  GameInProgress = true;
  DrawMenu();
  const auto texts = fake::CallsOf("Text_Draw");
  ASSERT_EQ(texts.size(), 7u);
  EXPECT_EQ(std::vector<std::string>(texts.begin(), texts.begin() + 4),
            (std::vector<std::string>{"Text_Draw 9 462 147.5 \"Продолжить\" 1 0 255 0",
                                      "Text_Draw 9 467 237.5 \"Завершить\" 1 0 255 0",
                                      "Text_Draw 9 462 327.5 \"Новая игра\" 1 0 255 0",
                                      "Text_Draw 9 457 417.5 \"Как играть?\" 1 0 255 0"}));
}

TEST_F(MainMenu, EmptyNameGreetsWithTheBarePrefixCentredByItsOwnWidth) {
  PlayerName.clear();
  DrawMenu();
  const auto texts = fake::CallsOf("Text_Draw");
  ASSERT_FALSE(texts.empty());
  // 25 letters at 9 px: 225 wide, so x = (1024 - 225) / 2.
  EXPECT_EQ(texts.back(), "Text_Draw 9 399.5 90 \"Добро пожаловать в игру, \" 0.899999976 0 255 200");
}

}  // namespace
