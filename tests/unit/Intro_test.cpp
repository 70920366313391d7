#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "assets/Materials.h"
#include "base/Cp1251.h"
#include "scenes/Bonses.h"
#include "shell/MScenes.h"
#include "shell/MainProc.h"
#include "tests/support/FakeEngine.h"
#include "tests/support/GameState.h"
#include "tests/support/TraceReader.h"

// The sound unit as the unit tests see it: these hooks are linked instead of the game's silent ones
// (the linker then takes nothing from the library's sound unit), and count the intro's cue.
int IntroSoundCues = 0;
void InitSound() {}
void LoadSounds() {}
void PlayIntroSound() { ++IntroSoundCues; }

namespace {

// The intro's values when a stage ended.
struct StageEnd {
  int Ticks;
  double LastAlpha, LastSize, LastSpacing;  // as the tick before the end left them
  double Alpha;
  double Size;
  double Spacing;
  double Colour;
};

class Intro : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallFakeWithInterface();
    IntroSoundCues = 0;
  }

  // Runs the whole intro; one entry per stage with its length in ticks and the values it left.
  static std::vector<StageEnd> RunStages() {
    std::vector<StageEnd> ends;
    int ticks = 0;
    uint8_t stage = SceneParam;
    for (int guard = 0; guard < 5000 && FadeActive == 0; ++guard) {
      const double alpha = IntroAlpha, size = IntroSize, spacing = IntroSpacing;
      UpdateIntro();
      ++ticks;
      if (SceneParam != stage || FadeActive != 0) {
        ends.push_back({ticks, alpha, size, spacing, IntroAlpha, IntroSize, IntroSpacing, IntroColour});
        ticks = 0;
        stage = SceneParam;
      }
    }
    return ends;
  }

  // Runs ticks until the intro reaches `stage`.
  static void RunTo(uint8_t stage) {
    for (int guard = 0; guard < 5000 && SceneParam != stage; ++guard) UpdateIntro();
    ASSERT_EQ(SceneParam, stage);
  }

  static std::string TextDrawOf(const std::vector<std::string>& draws) {
    for (const auto& d : draws)
      if (d.rfind("Text_Draw", 0) == 0) return d;
    return "(none)";
  }
};

// ---- the timeline -------------------------------------------------------------------------------

TEST_F(Intro, StagesLastTheirTicksAndEndInATransitionToTheChosenScene) {
  const auto ends = RunStages();
  std::vector<int> ticks;
  int total = 0;
  for (const auto& e : ends) {
    ticks.push_back(e.Ticks);
    total += e.Ticks;
  }
  EXPECT_EQ(ticks, (std::vector<int>{255, 191, 220, 127, 142, 180, 142, 10, 128}));
  EXPECT_EQ(total, 1395);
  EXPECT_EQ(SceneParam, 0);
  EXPECT_EQ(FadeActive, 1);
  EXPECT_EQ(FadeTarget, scRegistration);
  EXPECT_EQ(FadeParam, 0);
  EXPECT_EQ(IntroVeilAlpha, 1);
  EXPECT_EQ(IntroFadeAlpha, 1);
  EXPECT_EQ(IntroText, "");
}

TEST_F(Intro, ValuesReachedAtTheEndOfEachFlight) {
  const auto ends = RunStages();
  ASSERT_EQ(ends.size(), 9u);
  // The name stops short of full opacity because its size reaches 2.0 first.
  EXPECT_EQ(ends[1].Alpha, 191.0);
  EXPECT_EQ(ends[1].Colour, 105.5);
  EXPECT_LE(ends[1].Size, 2.0);
  EXPECT_NEAR(ends[1].Spacing, 0.0, 1e-9);
  // The name's last tick still shrinks and spreads it (to 0.095 and 215.9) before "представляет"
  // takes over with its own values.
  EXPECT_EQ(ends[3].LastAlpha, 2.0);
  EXPECT_NEAR(ends[3].LastSize - 0.015, 0.095, 1e-9);
  EXPECT_NEAR(ends[3].LastSpacing + 1.7, 215.9, 1e-9);
  EXPECT_EQ(ends[3].Alpha, 0.0);
  EXPECT_EQ(ends[3].Size, 30.0);
  EXPECT_EQ(ends[3].Spacing, 65.0);
  EXPECT_EQ(ends[3].Colour, 10.0);
  EXPECT_EQ(ends[4].Alpha, 213.0);
  EXPECT_EQ(ends[4].Colour, 81.0);
  EXPECT_EQ(ends[6].Alpha, 1.5);
  EXPECT_NEAR(ends[6].Size, 0.015, 1e-9);
  EXPECT_NEAR(ends[6].Spacing, 241.4, 1e-9);
}

TEST_F(Intro, SoundCueOnceWhenTheFadeIsAt250) {
  for (int tick = 1; tick <= 5; ++tick) UpdateIntro();
  EXPECT_EQ(IntroSoundCues, 0) << "before the sixth tick";
  EXPECT_EQ(IntroFadeAlpha, 250);
  UpdateIntro();
  EXPECT_EQ(IntroSoundCues, 1) << "on the sixth tick";
  EXPECT_EQ(IntroFadeAlpha, 249);
  RunStages();
  EXPECT_EQ(IntroSoundCues, 1) << "over the whole intro";
}

TEST_F(Intro, StagesBeyondTheLastDoNothing) {
  SceneParam = 9;
  IntroVeilAlpha = 100;
  UpdateIntro();
  EXPECT_EQ(SceneParam, 9);
  EXPECT_EQ(IntroVeilAlpha, 100);
  EXPECT_EQ(FadeActive, 0);
}

// ---- drawing ------------------------------------------------------------------------------------

TEST_F(Intro, BlackSheetOnlyInTheFirstStage) {
  UpdateIntro();
  DrawIntro();
  // Size 40 × 0.9 = 36: 14 letters of 360 px and 13 gaps of 80 give 6080; y = (768 - 20 × 36) / 2.
  // The name is drawn already, still invisible.
  const std::vector<std::string> first = {
      "SSprite_Draw 1 0 0 1024 768 255 0 1",
      "SSprite_Draw 7 0 0 1024 768 255 0 1",
      "Text_Draw 9 -2528 24.0000095 \"Команда Занору\" 36 80 0 10",
      "SSprite_Draw 4 0 0 1024 768 254 0 1",
  };
  EXPECT_EQ(fake::Draws(), first);
  RunTo(1);
  fake::ClearCalls();
  DrawIntro();
  EXPECT_EQ(fake::Draws().size(), 3u) << "the black sheet is drawn after the fade-in";
}

TEST_F(Intro, EmptyTextInTheLastTwoStages) {
  RunTo(7);
  DrawIntro();
  EXPECT_EQ(TextDrawOf(fake::Draws()), "Text_Draw 9 512 383.86499 \"\" 0.0134999994 241.399994 2 81");
  RunTo(8);
  UpdateIntro();
  fake::ClearCalls();
  DrawIntro();
  const auto draws = fake::Draws();
  ASSERT_EQ(draws.size(), 3u);
  EXPECT_EQ(draws[1], "SSprite_Draw 7 0 0 1024 768 253 0 1");
  EXPECT_NE(draws[2].find(" \"\" "), std::string::npos) << draws[2];
}

TEST_F(Intro, AlphaAndColourRoundHalfToEven) {
  SceneParam = 2;
  IntroText = "ab";
  struct Case {
    double Alpha, Colour;
    const char* Expected;
  };
  for (const Case& c : {Case{1.5, 105.5, "2 106"}, Case{2.5, 104.5, "2 104"}, Case{0.5, 10.49, "0 10"},
                        Case{190.5, 81.5, "190 82"}}) {
    IntroAlpha = c.Alpha;
    IntroColour = c.Colour;
    fake::ClearCalls();
    DrawIntro();
    const std::string line = TextDrawOf(fake::Draws());
    trace_reader::Call call;
    ASSERT_TRUE(trace_reader::ParseBody(line, call)) << line;
    ASSERT_EQ(call.Args.size(), 8u) << line;
    EXPECT_EQ(call.Args[6] + " " + call.Args[7], c.Expected)
        << "alpha " << c.Alpha << ", colour " << c.Colour << ": " << line;
  }
}

// ---- the author page ----------------------------------------------------------------------------

class Author : public ::testing::Test {
 protected:
  void SetUp() override {
    InstallFakeWithInterface();
    FadeTarget = scRecords;
  }
  static void Tick(int x, int y, bool pressed) {
    fake::MouseX = x;
    fake::MouseY = y;
    MouseClicked = pressed;
    UpdateAuthor();
  }
};

TEST_F(Author, HitRectangleReachesBelowTheDrawnButton) {
  Tick(512, 670, true);  // the sprite ends at 663
  EXPECT_EQ(AuthorButtonFrame, 2);
  EXPECT_EQ(FadeActive, 1);
  EXPECT_EQ(FadeTarget, scMenu);
  EXPECT_EQ(FadeParam, 0);
}

TEST_F(Author, EdgesAreOutside) {
  for (const auto& [x, y] : std::vector<std::pair<int, int>>{{422, 600}, {602, 600}, {512, 588}, {512, 678}}) {
    Tick(x, y, true);
    EXPECT_EQ(AuthorButtonFrame, 1) << "at (" << x << ", " << y << ")";
    EXPECT_EQ(FadeActive, 0) << "at (" << x << ", " << y << ")";
  }
}

TEST_F(Author, HoverOnlyChangesTheFrame) {
  Tick(423, 589, false);
  EXPECT_EQ(AuthorButtonFrame, 2);
  EXPECT_EQ(FadeActive, 0);
  Tick(423, 700, false);
  EXPECT_EQ(AuthorButtonFrame, 1);
}

TEST_F(Author, DrawsFourCentredLinesAndTheButton) {
  AuthorButtonFrame = 2;
  CornerButtonFrame = 2;
  DrawAuthor();
  // h = 20, s = 0.9: line scales 1.08 and 1.35; y = (768 - 90) / 2, (768 - 54) / 2, (768 + 36) / 2,
  // (768 + 72) / 2; widths 10 px per letter × scale.
  const std::vector<std::string> expected = {
      "SSprite_Draw 1 0 0 1024 768 255 0 1",
      "ASprite_Draw 6 0 0 90 90 2 255 0 1",
      "Text_Draw 9 382.400024 339 \"данная игра разработанна\" 1.07999992 0 240 40",
      "Text_Draw 9 350 357 \"командой Занору (zanoru)\" 1.3499999 0 240 20",
      "Text_Draw 9 409.400024 402 \"в игре используются\" 1.07999992 0 240 40",
      "Text_Draw 9 323 420 \"OMEGA Engine (автор команда Занору)\" 1.07999992 0 240 60",
      "ASprite_Draw 5 422 588 180 75 2 255 0 1",
      "Text_Draw 9 462 615.5 \"Продолжить\" 1 0 255 0",
  };
  EXPECT_EQ(fake::Draws(), expected);
}

}  // namespace
