// Scene changes: every change fades to black, switches at the darkest point, and fades back in.
#pragma once
#include <cstdint>

extern uint8_t FadeActive;
extern uint8_t FadeTarget;
extern uint8_t FadeParam;
extern uint8_t FadeAlpha;
extern uint8_t FadePhase;  // 0 none, 1 fading out, 2 fading in
extern uint8_t FadeStep;

// No transition running: this unit's start values.
void ResetMScenes();
void StartTransition(uint8_t Target, uint8_t Param);
// One step per timer tick; true when scene updates may run in this tick.
bool TransitionTick();
void SwitchScene();
void EndTransition();
