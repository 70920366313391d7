// The intro played once per run, and the author page.
#pragma once
#include <cstdint>
#include <string>

#include "base/Cp1251.h"
#include "shell/VyxUtils.h"

// The credits: who made the game and its engine.
inline constexpr const char* IntroAuthorName = "Команда Занору"_cp;
inline constexpr const char* IntroPresentsWord = "представляет"_cp;
inline constexpr const char* AuthorLine1 = "данная игра разработанна"_cp;
inline constexpr const char* AuthorLine2 = "командой Занору (zanoru)"_cp;
inline constexpr const char* AuthorLine3 = "в игре используются"_cp;
inline constexpr const char* AuthorLine4 = "OMEGA Engine (автор команда Занору)"_cp;

extern bool IntroActive;
extern std::string IntroText;  // Windows-1251
extern double IntroAlpha;
extern double IntroSize;
extern double IntroSpacing;
extern double IntroColour;
extern uint8_t IntroFadeAlpha;
extern uint8_t IntroVeilAlpha;
extern int32_t IntroHold;

extern TClickRect AuthorButton;
extern uint8_t AuthorButtonFrame;

// The intro ready to play from its first stage (its stage is the shell's SceneParam), the author
// page's button unlit.
void ResetBonses();
void DrawIntro();
void UpdateIntro();
void DrawAuthor();
void UpdateAuthor();
