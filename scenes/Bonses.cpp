#include "scenes/Bonses.h"

#include "assets/Materials.h"
#include "engine/OMEGA.h"
#include "platform/Runtime.h"
#include "scenes/GSound.h"
#include "shell/MScenes.h"
#include "shell/MainProc.h"

bool IntroActive;
std::string IntroText;
double IntroAlpha;
double IntroSize;
double IntroSpacing;
double IntroColour;
uint8_t IntroFadeAlpha;
uint8_t IntroVeilAlpha;
int32_t IntroHold;
TClickRect AuthorButton;
uint8_t AuthorButtonFrame;

namespace {

// The intro's stages, kept in SceneParam while the intro runs.
enum : uint8_t {
  kFadeIn = 0,
  kNameIn = 1,
  kNameRest = 2,
  kNameOut = 3,
  kWordIn = 4,
  kWordRest = 5,
  kWordOut = 6,
  kPause = 7,
  kVeilLift = 8,
};

constexpr uint8_t kSoundCueFade = 250;
constexpr int32_t kNameRestTicks = 220;
constexpr int32_t kWordRestTicks = 180;
constexpr int32_t kPauseTicks = 10;

constexpr double kAlphaCap = 255.0;
constexpr double kSizeFloor = 2.0;
constexpr double kSizeStepIn = 0.2;
constexpr double kSpacingFloor = 0.2;
constexpr double kSpacingStepIn = 0.5;
constexpr double kColourStep = 0.5;
constexpr double kSizeOutFloor = 0.02;
constexpr double kSizeStepOut = 0.015;
constexpr double kSpacingStepOut = 1.7;
constexpr double kAlphaOutFloor = 2.0;
constexpr double kAlphaStepOut = 1.5;

constexpr float kAuthorButtonSpriteHeight = 75.0f;
constexpr int32_t kAuthorTextAlpha = 240;

// A word flies in: it brightens, warms and shrinks while its letters close up. Ends when the
// word has reached its resting size.
bool FlyIn(double alphaStep) {
  if (IntroAlpha < kAlphaCap) IntroAlpha += alphaStep;
  IntroColour += kColourStep;
  if (IntroSpacing > kSpacingFloor) IntroSpacing -= kSpacingStepIn;
  if (IntroSize > kSizeFloor) {
    IntroSize -= kSizeStepIn;
    return false;
  }
  return true;
}

// A word flies out: it shrinks on and spreads apart while fading. Ends when it is all but gone.
bool FlyOut() {
  if (IntroSize > kSizeOutFloor) IntroSize -= kSizeStepOut;
  IntroSpacing += kSpacingStepOut;
  if (IntroAlpha > kAlphaOutFloor) {
    IntroAlpha -= kAlphaStepOut;
    return false;
  }
  return true;
}

bool Rest() {
  if (IntroHold > 1) {
    --IntroHold;
    return false;
  }
  return true;
}

void DrawCentredLine(const char* text, double scale, double y, uint32_t colour) {
  const float s = static_cast<float>(scale);
  const double w = Text_GetWidth(MainFont, text, s, 0.0f);
  Text_Draw(MainFont, static_cast<float>((kScreenWidth - w) / 2.0), static_cast<float>(y), text, s, 0.0f,
            kAuthorTextAlpha, colour);
}

}  // namespace

void ResetBonses() {
  IntroActive = true;
  IntroText.clear();
  IntroAlpha = 0.0;
  IntroSize = 40.0;
  IntroSpacing = 80.0;
  IntroColour = 10.0;
  IntroFadeAlpha = 255;
  IntroVeilAlpha = 255;
  IntroHold = 0;
  AuthorButton = {422, 588, 90, 180};
  AuthorButtonFrame = 1;
}

void DrawIntro() {
  const float screenW = static_cast<float>(kScreenWidth);
  const float screenH = static_cast<float>(kScreenHeight);
  SSprite_Draw(TexMap1, 0.0f, 0.0f, screenW, screenH, 255, 0.0f, 1);
  SSprite_Draw(TexBlackMasked, 0.0f, 0.0f, screenW, screenH, IntroVeilAlpha, 0.0f, 1);

  const float scale = static_cast<float>(IntroSize * TextScale);
  const float spacing = static_cast<float>(IntroSpacing);
  const double w = Text_GetWidth(MainFont, IntroText.c_str(), scale, spacing);
  const double x = (kScreenWidth - w) / 2.0;
  const double y = (kScreenHeight - FontHeight * IntroSize * TextScale) / 2.0;
  Text_Draw(MainFont, static_cast<float>(x), static_cast<float>(y), IntroText.c_str(), scale, spacing,
            static_cast<int32_t>(RoundHalfEven(IntroAlpha)), static_cast<uint32_t>(RoundHalfEven(IntroColour)));

  if (SceneParam == kFadeIn) SSprite_Draw(TexBlack, 0.0f, 0.0f, screenW, screenH, IntroFadeAlpha, 0.0f, 1);
}

void UpdateIntro() {
  switch (SceneParam) {
    case kFadeIn:
      IntroText = IntroAuthorName;
      if (IntroFadeAlpha == kSoundCueFade) PlayIntroSound();
      if (IntroFadeAlpha > 1)
        --IntroFadeAlpha;
      else
        SceneParam = kNameIn;
      break;
    case kNameIn:
      if (FlyIn(1.0)) {
        SceneParam = kNameRest;
        IntroHold = kNameRestTicks;
      }
      break;
    case kNameRest:
      if (Rest()) SceneParam = kNameOut;
      break;
    case kNameOut:
      if (FlyOut()) {
        IntroText = IntroPresentsWord;
        SceneParam = kWordIn;
        IntroAlpha = 0.0;
        IntroSize = 30.0;
        IntroSpacing = 65.0;
        IntroColour = 10.0;
      }
      break;
    case kWordIn:
      if (FlyIn(1.5)) {
        SceneParam = kWordRest;
        IntroHold = kWordRestTicks;
      }
      break;
    case kWordRest:
      if (Rest()) SceneParam = kWordOut;
      break;
    case kWordOut:
      if (FlyOut()) {
        IntroText.clear();
        SceneParam = kPause;
        IntroHold = kPauseTicks;
      }
      break;
    case kPause:
      if (Rest()) SceneParam = kVeilLift;
      break;
    case kVeilLift:
      if (IntroVeilAlpha > 2) {
        IntroVeilAlpha = static_cast<uint8_t>(IntroVeilAlpha - 2);
      } else {
        SceneParam = kFadeIn;
        StartTransition(CurrentScene, 0);
      }
      break;
    default:
      break;
  }
}

void DrawAuthor() {
  SSprite_Draw(TexMap1, 0.0f, 0.0f, static_cast<float>(kScreenWidth), static_cast<float>(kScreenHeight), 255, 0.0f, 1);
  ASprite_Draw(TexCornerButton, 0.0f, 0.0f, 90.0f, 90.0f, CornerButtonFrame, 255, 0.0f, 1);

  const double h = FontHeight;
  const double s = TextScale;
  DrawCentredLine(AuthorLine1, 1.2 * s, (kScreenHeight - 5 * h * s) / 2.0, 40);
  DrawCentredLine(AuthorLine2, 1.5 * s, (kScreenHeight - 3 * h * s) / 2.0, 20);
  DrawCentredLine(AuthorLine3, 1.2 * s, (kScreenHeight + 2 * h * s) / 2.0, 40);
  DrawCentredLine(AuthorLine4, 1.2 * s, (kScreenHeight + 4 * h * s) / 2.0, 60);

  const TClickRect& r = AuthorButton;
  ASprite_Draw(TexButton, static_cast<float>(r.X), static_cast<float>(r.Y), static_cast<float>(r.W),
               kAuthorButtonSpriteHeight, AuthorButtonFrame, 255, 0.0f, 1);
  const char* caption = "Продолжить"_cp;
  const double w = Text_GetWidth(MainFont, caption, 1.0f, 0.0f);
  const double x = r.X + (r.W - w) / 2.0;
  const double y = r.Y + (kAuthorButtonSpriteHeight - h) / 2.0;
  Text_Draw(MainFont, static_cast<float>(x), static_cast<float>(y), caption, 1.0f, 0.0f, 255, 0);
}

void UpdateAuthor() {
  const float x = static_cast<float>(Mouse_X());
  const float y = static_cast<float>(Mouse_Y());
  if (PointInRect(AuthorButton, x, y)) {
    AuthorButtonFrame = 2;
    if (MouseClicked) StartTransition(scMenu, 0);
  } else {
    AuthorButtonFrame = 1;
  }
}
