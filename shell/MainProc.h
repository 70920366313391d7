// The spine of the game: the engine's four callbacks and what they do in every scene, and the
// globals the scenes share.
#pragma once
#include <cstdint>
#include <string>

#include "base/Cp1251.h"

// Scene identifiers.
constexpr uint8_t scRegistration = 0;
constexpr uint8_t scMenu = 1;
constexpr uint8_t scOptions = 2;
constexpr uint8_t scGame = 3;
constexpr uint8_t scHelp = 4;
constexpr uint8_t scRecords = 5;
constexpr uint8_t scAuthor = 7;
constexpr uint8_t scQuit = 45;

// The timer's period: the unit of every speed, counter and fade step of the game.
constexpr int32_t kTickMilliseconds = 12;
constexpr int32_t kScreenWidth = 1024;
constexpr int32_t kScreenHeight = 768;

// The player's name until one is read or typed, and the name in a fresh records table.
inline constexpr const char* DefaultPlayerName = "Игрок"_cp;
// The scale of the interface's text; the load callback sets it again.
constexpr float kTextScale = 0.9f;

extern bool MouseClicked;
extern uint8_t CornerButtonFrame;
extern bool DebugOverlay;
extern std::string PlayerName;  // Windows-1251
extern float TextScale;

extern uint8_t CurrentScene;
extern uint8_t SceneParam;
extern bool GameInProgress;

// After LoadEngine: true when the engine is loaded and has every operation the game calls. A missing
// operation is named in an error box here; a library that did not load was reported by LoadEngine.
bool EngineUsable();
// The desktop position that centres a window on a screen, halved toward zero (negative when the
// screen is the smaller).
int32_t CentredPosition(int32_t screenSize, int32_t windowSize);

// This unit's globals back to their start values.
void ResetMainProc();
// Every game unit's globals back to their start values: the first thing a run does.
void ResetUnits();

void LoadCallback();
void InitGame();
void TimerCallback();
void DrawCallback();
void QuitCallback();

// The tint of a unit's colour index 1..7.
uint32_t PaletteColor(uint8_t Index);
