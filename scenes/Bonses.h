// The intro played once per run, and the author page.
#pragma once
#include <cstdint>
#include <string>

#include "shell/VyxUtils.h"

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

void DrawIntro();
void UpdateIntro();
void DrawAuthor();
void UpdateAuthor();
