#include "shell/MainProc.h"

#include "assets/Materials.h"
#include "assets/ZAN_materials.h"
#include "base/Cp1251.h"
#include "engine/OMEGA.h"
#include "menus/GMenu.h"
#include "menus/Pregs.h"
#include "records/GRecords.h"
#include "scenes/Bonses.h"
#include "scenes/GOptions.h"
#include "scenes/GSound.h"
#include "shell/MScenes.h"
#include "world/Game_A.h"
#include "world/ZAN_map.h"

bool MouseClicked;
uint8_t CornerButtonFrame;
bool DebugOverlay;
std::string PlayerName;
float TextScale;

uint8_t CurrentScene;
uint8_t SceneParam;
bool GameInProgress;

namespace {

// The corner region is a little larger than the 90×90 button drawn there.
constexpr int32_t kCornerRegion = 100;
constexpr int32_t kKeyEscape = 27;
constexpr int32_t kKeyF2 = 113;

constexpr uint32_t kWhite = 0xFFFFFF;
constexpr int32_t kOpaque = 255;
constexpr float kCursorWidth = 35.0f;
constexpr float kCursorHeight = 70.0f;
// The fade sheet overlaps the window by two pixels each way so no edge line shows.
constexpr float kFadeWidth = kScreenWidth + 2;
constexpr float kFadeHeight = kScreenHeight + 2;

// The engine's decimal text, copied at once (the engine reuses its buffer).
std::string EngineDecimal(int32_t value) { return std::string(U_IntToStr(value)); }

void DrawOverlayLine(float y, const std::string& text) {
  Text_Draw(MainFont, 10.0f, y, text.c_str(), 1.0f, 0.0f, kOpaque, kWhite);
}

void DrawDebugOverlay() {
  DrawOverlayLine(5.0f, "FPS: " + EngineDecimal(OE_GetFPS()));
  // The watched walker is the second unit of the first home; a map without one has nothing to show.
  if (!Homes.empty() && Homes[0].Units.size() >= 2) {
    const TUnitRec& unit = Homes[0].Units[1];
    DrawOverlayLine(20.0f, "Angle: " + EngineDecimal(unit.Column));
    DrawOverlayLine(35.0f, "Angle: " + EngineDecimal(unit.Row));
  } else {
    DrawOverlayLine(20.0f, "Angle: -");
    DrawOverlayLine(35.0f, "Angle: -");
  }
}

void UpdateCurrentScene() {
  switch (CurrentScene) {
    case scRegistration: UpdateRegistration(); break;
    case scMenu: UpdateMenu(); break;
    case scOptions: UpdateOptions(); break;
    case scGame: UpdateGame(); break;
    case scAuthor: UpdateAuthor(); break;
    default: break;  // help, records and unknown scenes have nothing to update
  }
}

void DrawCurrentScene() {
  switch (CurrentScene) {
    case scRegistration: DrawRegistration(); break;
    case scMenu: DrawMenu(); break;
    case scOptions: DrawOptions(); break;
    case scGame: DrawGame(); break;
    case scRecords: DrawRecords(); break;
    case scAuthor: DrawAuthor(); break;
    default: break;  // help and unknown scenes draw nothing of their own
  }
}

}  // namespace

void ResetMainProc() {
  MouseClicked = false;
  CornerButtonFrame = 1;
  DebugOverlay = false;
  PlayerName = DefaultPlayerName;
  TextScale = kTextScale;
  CurrentScene = scRegistration;
  SceneParam = 0;
  GameInProgress = false;
}

void ResetUnits() {
  ResetMainProc();
  ResetMScenes();
  ResetBonses();
  ResetGMenu();
  ResetPregs();
  ResetGRecords();
  ResetMaterials();
  ResetZAN_materials();
  ResetZAN_map();
  ResetGame_A();
}

bool EngineUsable() {
  if (EngineModule == nullptr) return false;
  if (const char* missing = FirstMissingOperation()) {
    const std::string text = "OMEGA Engine lacks the operation " + std::string(missing);
    MessageBoxA(nullptr, text.c_str(), "Error", MB_ICONERROR);
    return false;
  }
  return true;
}

int32_t CentredPosition(int32_t screenSize, int32_t windowSize) {
  // 64-bit difference: a screen size near the 32-bit limit must not overflow.
  return static_cast<int32_t>((static_cast<int64_t>(screenSize) - windowSize) / 2);
}

void LoadCallback() {
  LoadInterfaceTextures();
  LoadMaterialSets();
  InitGame();
  LoadSounds();
}

void InitGame() {
  TextScale = kTextScale;
  InitOptions();
  InitRegistration();
  InitMenu();
  // Measures text with the font at TextScale: both must be ready by now.
  InitRecordsLayout();
}

void TimerCallback() {
  MouseClicked = Mouse_Press(1);

  if (Mouse_X() < kCornerRegion && Mouse_Y() < kCornerRegion) {
    CornerButtonFrame = 2;
    if (MouseClicked) StartTransition(scMenu, 0);
  } else {
    CornerButtonFrame = 1;
  }

  if (TransitionTick()) {
    if (IntroActive)
      UpdateIntro();
    else
      UpdateCurrentScene();
  }

  if (Key_Press(kKeyF2)) DebugOverlay = !DebugOverlay;
  if (Key_Press(kKeyEscape)) StartTransition(scMenu, 0);
}

void DrawCallback() {
  if (IntroActive) {
    DrawIntro();
  } else {
    DrawCurrentScene();
    if (DebugOverlay) DrawDebugOverlay();
    // X first: the order of two calls in one argument list is left to the compiler.
    const float cursorX = static_cast<float>(Mouse_X());
    const float cursorY = static_cast<float>(Mouse_Y());
    SSprite_Draw(TexCursor, cursorX, cursorY, kCursorWidth, kCursorHeight, kOpaque, 0.0f, 1);
  }
  // Drawn last: it covers the scene, the overlay and the cursor alike.
  if (FadeActive != 0) SSprite_Draw(TexBlack, 0.0f, 0.0f, kFadeWidth, kFadeHeight, FadeAlpha, 0.0f, 1);
}

void QuitCallback() { SaveRecords(); }

uint32_t PaletteColor(uint8_t Index) {
  switch (Index) {
    case 1: return 0x00FFFF;
    case 2: return 0xE5E5E5;
    case 3: return 0x4196EB;
    case 4: return 0x00F000;
    case 5: return 0xFEB301;
    case 6: return 0x0000FF;
    case 7: return 0x20020020;  // the full 32-bit value: the engine ignores the top byte
    default:
      // Our choice for an index no unit has: white, which leaves the overlay untinted.
      return 0xFFFFFF;
  }
}
