#include "shell/MScenes.h"

#include "engine/OMEGA.h"
#include "scenes/Bonses.h"
#include "shell/MainProc.h"

uint8_t FadeActive;
uint8_t FadeTarget;
uint8_t FadeParam;
uint8_t FadeAlpha;
uint8_t FadePhase;
uint8_t FadeStep;

namespace {

constexpr uint8_t kPhaseNone = 0;
constexpr uint8_t kPhaseOut = 1;
constexpr uint8_t kPhaseIn = 2;
// The sheet never gets fully opaque, and the fade-in stops just short of clear.
constexpr uint8_t kDarkest = 250;
constexpr uint8_t kLightest = 10;
// A parameter of 'M' starts a new game; any other non-zero one is the new scene's stage.
constexpr uint8_t kParamNewGame = 77;

}  // namespace

void ResetMScenes() { FadeActive = FadeTarget = FadeParam = FadeAlpha = FadePhase = FadeStep = 0; }

void StartTransition(uint8_t Target, uint8_t Param) {
  FadeActive = 1;
  FadeTarget = Target;
  if (Param != 0) {
    FadeStep = 10;
    FadeParam = Param;
  } else {
    FadeStep = 5;
    FadeParam = 0;
  }
  FadePhase = kPhaseOut;
  FadeAlpha = 0;
}

bool TransitionTick() {
  if (FadeActive != 0) {
    if (FadePhase == kPhaseOut) {
      if (FadeAlpha < kDarkest)
        FadeAlpha = static_cast<uint8_t>(FadeAlpha + FadeStep);
      else
        SwitchScene();
    } else if (FadePhase == kPhaseIn) {
      if (FadeAlpha > kLightest)
        FadeAlpha = static_cast<uint8_t>(FadeAlpha - FadeStep);
      else
        EndTransition();
    }
  }
  return FadeActive == 0;
}

void SwitchScene() {
  FadePhase = kPhaseIn;
  IntroActive = false;
  CurrentScene = FadeTarget;
  if (FadeParam != 0) {
    if (FadeParam == kParamNewGame)
      GameInProgress = false;
    else
      SceneParam = FadeParam;
  }
  if (CurrentScene == scQuit) OE_Quit();
}

void EndTransition() {
  FadePhase = kPhaseNone;
  FadeActive = 0;
}
