#include "shell/MainProc.h"

#include "platform/Cp1251.h"

// WORK IN PROGRESS (shell)
bool MouseClicked = false;
uint8_t CornerButtonFrame = 1;
bool DebugOverlay = false;
std::string PlayerName = "Игрок"_cp;
float TextScale = 0.9f;
uint8_t CurrentScene = 0;
uint8_t SceneParam = 0;
bool GameInProgress = false;

void LoadCallback() {}
void InitGame() {}
void TimerCallback() {}
void DrawCallback() {}
void QuitCallback() {}
uint32_t PaletteColor(uint8_t) { return 0; }
