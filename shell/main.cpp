// The program's main block: prepares everything in a fixed order and hands control to the engine.
#include "engine/OMEGA.h"
#include "menus/Pregs.h"
#include "platform/Runtime.h"
#include "platform/Windows.h"
#include "records/GRecords.h"
#include "scenes/GSound.h"
#include "shell/MainProc.h"
#include "world/ZAN_map.h"

namespace {

constexpr int32_t kDrawCallback = 0;
constexpr int32_t kLoadCallback = 1;
constexpr int32_t kQuitCallback = 2;
constexpr int32_t kColourBits = 32;

}  // namespace

int main() {
  // Every unit's start values, the intro's first stage among them.
  ResetUnits();
  RandSeed = StartSeed();

  LoadEngine("DX\\OMEGA.dll");
  // Without the engine, or with one lacking an operation we call, there is nothing to run.
  if (!EngineUsable()) return 1;

  Timer_Create(TimerCallback, kTickMilliseconds, 1);
  OE_RegProcedure(kLoadCallback, LoadCallback);
  OE_RegProcedure(kDrawCallback, DrawCallback);
  OE_RegProcedure(kQuitCallback, QuitCallback);
  OE_SetScreenOptions(kScreenWidth, kScreenHeight, kColourBits, 0, 0, 0);

  const int32_t screenHeight = GetSystemMetrics(SM_CYSCREEN);
  const int32_t screenWidth = GetSystemMetrics(SM_CXSCREEN);
  OE_SetWndPosition(CentredPosition(screenWidth, kScreenWidth), CentredPosition(screenHeight, kScreenHeight));

  // None of these touches the engine: all of it is ready before the window opens.
  LoadRecords();
  LoadPlayerName();
  InitSound();
  LoadMap("Data\\1.vyx");
  EnteredName = PlayerName;

  OE_Init(16, 0);
  return 0;
}
