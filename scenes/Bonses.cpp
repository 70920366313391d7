#include "scenes/Bonses.h"

// WORK IN PROGRESS (menus)
bool IntroActive = true;
std::string IntroText;
double IntroAlpha = 0.0;
double IntroSize = 40.0;
double IntroSpacing = 80.0;
double IntroColour = 10.0;
uint8_t IntroFadeAlpha = 255;
uint8_t IntroVeilAlpha = 255;
int32_t IntroHold = 0;
TClickRect AuthorButton = {422, 588, 90, 180};
uint8_t AuthorButtonFrame = 1;

void DrawIntro() {}
void UpdateIntro() {}
void DrawAuthor() {}
void UpdateAuthor() {}
