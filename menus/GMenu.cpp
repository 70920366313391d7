#include "menus/GMenu.h"

#include "assets/Materials.h"
#include "base/Cp1251.h"
#include "engine/OMEGA.h"
#include "shell/MScenes.h"
#include "shell/MainProc.h"

TClickRect MenuItems[kMenuItemCount + 1];
uint8_t MenuItemFrames[kMenuItemCount + 1];

namespace {

// What one button says and where a press on it leads.
struct TMenuAction {
  const char* Caption;
  uint8_t Target;
  uint8_t Param;
};

// Parameter 77 ('M') ends a game in progress; 1 becomes the next scene's stage.
constexpr uint8_t kParamEndGame = 77;

constexpr TMenuAction kItemsIdle[kMenuItemCount + 1] = {
    {"", 0, 0},
    {"Новая игра"_cp, scGame, kParamEndGame},
    {"Рекорды"_cp, scRecords, 0},
    {"Сменить игрока"_cp, scRegistration, 1},
    {"Как играть?"_cp, scHelp, 1},
    {"Автор"_cp, scAuthor, 0},
    {"Выйти"_cp, scQuit, 0},
};

// While a game is in progress the first three buttons offer to go on with it or end it. Nothing
// marks a game as in progress yet, so this set waits for the day something does.
constexpr TMenuAction kItemsInGame[kMenuItemCount + 1] = {
    {"", 0, 0},
    {"Продолжить"_cp, scGame, 0},
    {"Завершить"_cp, scGame, kParamEndGame},
    {"Новая игра"_cp, scOptions, 0},
    {"Как играть?"_cp, scHelp, 1},
    {"Автор"_cp, scAuthor, 0},
    {"Выйти"_cp, scQuit, 0},
};

constexpr int32_t kMenuX = 422;
constexpr int32_t kMenuTop = 30;
constexpr int32_t kItemHeight = 90;
constexpr int32_t kItemWidth = 180;
// The button picture leaves a gap this tall at the bottom of each rectangle.
constexpr int32_t kSpriteGap = 15;
constexpr float kGreetingY = 90.0f;
constexpr uint32_t kGreetingColour = 0x0000C8;

const TMenuAction& ItemAction(int index) {
  return GameInProgress ? kItemsInGame[index] : kItemsIdle[index];
}

}  // namespace

void ResetGMenu() {
  for (int i = 0; i <= kMenuItemCount; ++i) {
    MenuItems[i] = TClickRect{};
    MenuItemFrames[i] = 0;
  }
}

void InitMenu() {
  for (int i = 1; i <= kMenuItemCount; ++i) {
    MenuItems[i] = {kMenuX, kItemHeight * i + kMenuTop, kItemHeight, kItemWidth};
    MenuItemFrames[i] = 1;
  }
}

void DrawMenuItemLabel(uint8_t Index, const std::string& Caption) {
  const TClickRect& r = MenuItems[Index];
  const double w = Text_GetWidth(MainFont, Caption.c_str(), 1.0f, 0.0f);
  const double x = r.X + (r.W - w) / 2.0;
  const double y = r.Y + static_cast<double>(r.H - kSpriteGap - FontHeight) / 2.0;
  Text_Draw(MainFont, static_cast<float>(x), static_cast<float>(y), Caption.c_str(), 1.0f, 0.0f, 255, 0x000000);
}

void DrawMenu() {
  SSprite_Draw(TexMap1, 0.0f, 0.0f, static_cast<float>(kScreenWidth), static_cast<float>(kScreenHeight), 255, 0.0f, 1);
  for (int i = 1; i <= kMenuItemCount; ++i) {
    const TClickRect& r = MenuItems[i];
    ASprite_Draw(TexButton, static_cast<float>(r.X), static_cast<float>(r.Y), static_cast<float>(r.W),
                 static_cast<float>(r.H - kSpriteGap), MenuItemFrames[i], 255, 0.0f, 1);
  }
  for (int i = 1; i <= kMenuItemCount; ++i) DrawMenuItemLabel(static_cast<uint8_t>(i), ItemAction(i).Caption);

  const std::string greeting = "Добро пожаловать в игру, "_cp + PlayerName;
  const double w = Text_GetWidth(MainFont, greeting.c_str(), TextScale, 0.0f);
  Text_Draw(MainFont, static_cast<float>((kScreenWidth - w) / 2.0), kGreetingY, greeting.c_str(), TextScale, 0.0f,
            255, kGreetingColour);
}

void UpdateMenu() {
  int clicked = 0;
  for (int i = 1; i <= kMenuItemCount; ++i) {
    const float x = static_cast<float>(Mouse_X());
    const float y = static_cast<float>(Mouse_Y());
    if (PointInRect(MenuItems[i], x, y)) {
      clicked = i;
      MenuItemFrames[i] = 2;
    } else {
      MenuItemFrames[i] = 1;
    }
  }
  if (MouseClicked && clicked >= 1 && clicked <= kMenuItemCount) {
    const TMenuAction& action = ItemAction(clicked);
    StartTransition(action.Target, action.Param);
  }
}
