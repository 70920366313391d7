// Player registration: the name typed on an emulated Russian layout, and the player-name file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "shell/VyxUtils.h"

inline constexpr const char* PlayerNameFile = "PlayerN.cgm";
// The name is the file's first line, at most this many bytes of it: a huge file (or a first line that
// never ends) must neither fill the memory nor slow every frame that draws the name.
constexpr std::size_t kPlayerNameMax = 4096;

extern TClickRect RegButton;
extern uint8_t RegButtonFrame;
extern std::string EnteredName;  // Windows-1251
extern char CaretChar;
extern uint8_t CaretCounter;
extern const std::string LowerLetters;
extern const std::string UpperLetters;

// No name typed, no caret yet, the button unlit and not placed until InitRegistration.
void ResetPregs();
void InitRegistration();
void LoadPlayerName();
void UpdateRegistration();
void DrawRegistration();
void DrawRegistrationForm();
void ReadNameKeys();
