#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scenes/Bonses.h"
#include "shell/MScenes.h"
#include "shell/MainProc.h"
#include "tests/support/FakeEngine.h"
#include "tests/support/GameState.h"

namespace {

// What one timer tick left behind.
struct TickState {
  bool UpdatesAllowed;
  uint8_t Alpha;
  uint8_t Scene;
  uint8_t Phase;
};

class Transitions : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetGame();
    CurrentScene = scMenu;
    IntroActive = false;
  }

  // Runs `count` ticks and returns what each left; index 0 is tick 1.
  static std::vector<TickState> Run(int count) {
    std::vector<TickState> out;
    for (int i = 0; i < count; ++i) {
      const bool allowed = TransitionTick();
      out.push_back({allowed, FadeAlpha, CurrentScene, FadePhase});
    }
    return out;
  }
};

// One row of the timing table: the opacity rises by `step` until the switch, falls back to 10, and
// the transition ends on the last tick, which already lets the scene update.
struct Timing {
  uint8_t Param;
  int Step;
  int SwitchTick;
  int EndTick;
};

class TransitionTiming : public Transitions, public ::testing::WithParamInterface<Timing> {};

TEST_P(TransitionTiming, FollowsTheTimingTable) {
  const Timing t = GetParam();
  StartTransition(scRecords, t.Param);
  const auto ticks = Run(t.EndTick + 5);
  for (int tick = 1; tick <= t.EndTick + 5; ++tick) {
    const TickState& s = ticks[tick - 1];
    int expectedAlpha = 0;
    if (tick < t.SwitchTick) expectedAlpha = t.Step * tick;
    else if (tick == t.SwitchTick) expectedAlpha = 250;
    else if (tick < t.EndTick) expectedAlpha = 250 - t.Step * (tick - t.SwitchTick);
    else expectedAlpha = 10;  // it keeps its last value after the end
    EXPECT_EQ(s.Alpha, expectedAlpha) << "tick " << tick << ", parameter " << int(t.Param);
    EXPECT_LE(s.Alpha, 250) << "tick " << tick;
    EXPECT_EQ(s.Scene, tick < t.SwitchTick ? scMenu : scRecords) << "tick " << tick;
    EXPECT_EQ(s.UpdatesAllowed, tick >= t.EndTick) << "tick " << tick;
  }
  EXPECT_EQ(FadeActive, 0);
  EXPECT_EQ(FadePhase, 0);
}

INSTANTIATE_TEST_SUITE_P(Params, TransitionTiming,
                         ::testing::Values(Timing{0, 5, 51, 100}, Timing{1, 10, 26, 51}, Timing{77, 10, 26, 51},
                                           Timing{255, 10, 26, 51}),
                         [](const auto& info) { return "Param" + std::to_string(info.param.Param); });

TEST_F(Transitions, IdleTickLetsUpdatesRunAndChangesNothing) {
  const auto ticks = Run(3);
  for (const auto& s : ticks) {
    EXPECT_TRUE(s.UpdatesAllowed);
    EXPECT_EQ(s.Alpha, 0);
    EXPECT_EQ(s.Scene, scMenu);
  }
}

TEST_F(Transitions, RestartDuringFadeOutBeginsAgainFromZeroWithTheNewTarget) {
  StartTransition(scGame, 77);
  Run(10);
  ASSERT_EQ(FadeAlpha, 100);
  StartTransition(scRecords, 0);
  EXPECT_EQ(FadeAlpha, 0);
  EXPECT_EQ(FadeStep, 5);
  EXPECT_EQ(FadeParam, 0);
  const auto ticks = Run(100);
  EXPECT_EQ(ticks[49].Scene, scMenu) << "no switch before the 51st tick of the new transition";
  EXPECT_EQ(ticks[50].Scene, scRecords);
  EXPECT_FALSE(ticks[98].UpdatesAllowed);
  EXPECT_TRUE(ticks[99].UpdatesAllowed);
}

TEST_F(Transitions, RestartDuringFadeInShowsTheNewSceneAtOnceThenFadesItOut) {
  // Escape pressed while the records scene is fading in.
  StartTransition(scRecords, 0);
  Run(60);
  ASSERT_EQ(CurrentScene, scRecords);
  ASSERT_EQ(FadePhase, 2);
  StartTransition(scMenu, 0);
  EXPECT_EQ(FadeAlpha, 0) << "the records scene becomes fully visible at once";
  EXPECT_EQ(FadePhase, 1);
  const auto ticks = Run(51);
  EXPECT_EQ(ticks[0].Alpha, 5);
  EXPECT_EQ(ticks[49].Scene, scRecords);
  EXPECT_EQ(ticks[50].Scene, scMenu);
}

TEST_F(Transitions, RestartOnTheSwitchTickAndOnTheLastTick) {
  StartTransition(scGame, 1);
  Run(26);
  ASSERT_EQ(CurrentScene, scGame);
  StartTransition(scMenu, 0);
  Run(51);
  EXPECT_EQ(CurrentScene, scMenu);

  StartTransition(scAuthor, 0);
  Run(99);
  ASSERT_EQ(FadeActive, 1);
  StartTransition(scRecords, 0);
  const auto ticks = Run(100);
  EXPECT_EQ(ticks[99].Scene, scRecords);
  EXPECT_TRUE(ticks[99].UpdatesAllowed);
  EXPECT_FALSE(ticks[98].UpdatesAllowed);
}

TEST_F(Transitions, ParameterSeventySevenClearsTheGameButKeepsTheStage) {
  GameInProgress = true;
  SceneParam = 3;
  StartTransition(scGame, 77);
  Run(25);
  EXPECT_TRUE(GameInProgress) << "nothing changes before the switch";
  Run(1);
  EXPECT_FALSE(GameInProgress);
  EXPECT_EQ(SceneParam, 3);
}

TEST_F(Transitions, OtherParametersSetTheStageAndLeaveTheGame) {
  GameInProgress = true;
  SceneParam = 0;
  StartTransition(scRegistration, 1);
  Run(25);
  EXPECT_EQ(SceneParam, 0);
  Run(1);
  EXPECT_EQ(SceneParam, 1);
  EXPECT_TRUE(GameInProgress);
  EXPECT_EQ(CurrentScene, scRegistration);
}

TEST_F(Transitions, ParameterZeroKeepsStageAndGame) {
  GameInProgress = true;
  SceneParam = 4;
  StartTransition(scRecords, 0);
  Run(100);
  EXPECT_EQ(SceneParam, 4);
  EXPECT_TRUE(GameInProgress);
}

TEST_F(Transitions, ToTheCurrentSceneFadesOutAndInAndResetsNothing) {
  CurrentScene = scGame;
  SceneParam = 2;
  GameInProgress = true;
  StartTransition(scGame, 0);
  const auto ticks = Run(100);
  for (const auto& s : ticks) EXPECT_EQ(s.Scene, scGame);
  EXPECT_EQ(ticks[49].Alpha, 250);
  EXPECT_EQ(SceneParam, 2);
  EXPECT_TRUE(GameInProgress);
  EXPECT_EQ(FadeActive, 0);
}

TEST_F(Transitions, EverySwitchEndsTheIntro) {
  IntroActive = true;
  CurrentScene = scRegistration;
  StartTransition(scMenu, 0);
  Run(50);
  EXPECT_TRUE(IntroActive) << "the intro runs under the fade-out";
  Run(1);
  EXPECT_FALSE(IntroActive);
  EXPECT_EQ(CurrentScene, scMenu);
}

TEST_F(Transitions, QuitSceneEndsTheLoopOnceAtTheSwitch) {
  StartTransition(scQuit, 0);
  Run(50);
  EXPECT_EQ(fake::QuitCount, 0) << "OE_Quit before the 51st tick";
  Run(1);
  EXPECT_EQ(fake::QuitCount, 1) << "OE_Quit at the 51st tick";
  Run(60);
  EXPECT_EQ(fake::QuitCount, 1) << "OE_Quit called again after the switch";
  EXPECT_EQ(CurrentScene, scQuit);
}

TEST_F(Transitions, OnlyTheQuitSceneEndsTheLoop) {
  for (uint8_t target : {scRegistration, scMenu, scOptions, scGame, scHelp, scRecords, uint8_t{6}, scAuthor}) {
    StartTransition(target, 0);
    Run(100);
  }
  EXPECT_EQ(fake::QuitCount, 0);
  EXPECT_EQ(CurrentScene, scAuthor);
}

}  // namespace
