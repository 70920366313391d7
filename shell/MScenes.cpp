#include "shell/MScenes.h"

// WORK IN PROGRESS (shell)
uint8_t FadeActive = 0;
uint8_t FadeTarget = 0;
uint8_t FadeParam = 0;
uint8_t FadeAlpha = 0;
uint8_t FadePhase = 0;
uint8_t FadeStep = 0;

void StartTransition(uint8_t, uint8_t) {}
bool TransitionTick() { return true; }
void SwitchScene() {}
void EndTransition() {}
