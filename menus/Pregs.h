// Player registration: the name typed on an emulated Russian layout, and the player-name file.
#pragma once
#include <cstdint>
#include <string>

#include "shell/VyxUtils.h"

inline constexpr const char* PlayerNameFile = "PlayerN.cgm";

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
