// One reset starts the whole engine afresh: a reset engine behaves like a fresh one in every part.
#include <cstdlib>

#include "tests/omega/support/EngineFixture.h"

namespace {

void DrawTwice(OEHandle texture, bool& secondChanged) {
  omega::FrameRecorder& r = omega::E().Recorder;
  for (int i = 0; i < 2; ++i) {
    r.Begin();
    SSprite_Draw(texture, 0, 0, 3, 3, 255, 0, 1);
    secondChanged = !r.End().Empty();
  }
}

void NoProc() {}

}  // namespace

TEST_F(EngineTest, AResetEngineIsAFreshOne) {
  const std::string first = folder_ + "/first.trace", second = folder_ + "/second.trace";
  setenv("OMEGA_TRACE", first.c_str(), 1);
  omega::ResetEngine();
  omega_test::WriteSolidPng("a.png", 2, 2, 0xFF0000);

  // Every part of the engine used and switched away from its start.
  const OEHandle a = Tex_LoadFromFile("a.png", -1, 1);
  ASSERT_NE(a, OEHandle{0});
  FX_SetColorMix(0x123456);
  SSprite_Draw(a, 0, 0, 5, 5, 255, 0, 9);
  omega::E().Ahead.SetOn(false);
  omega::KeyDownEvent(omega::E().Input, 65);
  omega::PressInput(omega::E().Input, 256 + omega::kButtonLeft);
  omega::E().Input.MouseX = 40;
  Timer_Create(NoProc, 12, 1);
  OE_RegProcedure(0, NoProc);
  OE_SetWndPosition(3, 4);
  OE_Quit();
  omega::E().Loop.Tick = 5;
  ASSERT_EQ(omega::E().Recorder.CachedEntries(), 1u);

  setenv("OMEGA_TRACE", second.c_str(), 1);
  omega::ResetEngine();
  unsetenv("OMEGA_TRACE");
  const omega::Engine fresh;

  EXPECT_TRUE(omega::E().Ahead.On()) << "decoding ahead is back on";
  EXPECT_EQ(omega::E().Recorder.CachedEntries(), 0u);
  EXPECT_EQ(omega::E().Recorder.CachedPixels(), 0u);
  EXPECT_EQ(omega::E().Recorder.Frame.Px, fresh.Recorder.Frame.Px) << "the frame is black again";
  EXPECT_TRUE(omega::E().Pictures.Textures.empty());
  EXPECT_EQ(omega::E().Pictures.MixColour, fresh.Pictures.MixColour);
  EXPECT_EQ(omega::E().Loop.Tick, 0);
  EXPECT_TRUE(omega::E().Loop.Timers.empty());
  EXPECT_EQ(omega::E().Loop.DrawProc, nullptr);
  EXPECT_FALSE(omega::E().Loop.PositionAsked);
  EXPECT_FALSE(omega::E().Loop.QuitAsked);
  EXPECT_EQ(omega::E().Input.MouseX, 0);
  omega::BeginTick(omega::E().Input);
  EXPECT_FALSE(Key_Down(65)) << "no key is held";
  EXPECT_FALSE(Key_Press(65)) << "no press is latched";
  EXPECT_FALSE(Mouse_Press(1)) << "no click is latched";
  omega::EndTick(omega::E().Input);

  // Behaviour, not only values: the same frame twice is left alone (accelerated), the first load is
  // number 1 again, and the trace goes to the file OMEGA_TRACE names now, from tick 0.
  omega_test::WriteSolidPng("b.png", 2, 2, 0x00FF00);
  const OEHandle b = Tex_LoadFromFile("b.png", -1, 1);
  bool changed = true;
  DrawTwice(b, changed);
  EXPECT_FALSE(changed) << "an unchanged frame is not drawn again";
  omega::E().Trace.Flush();
  EXPECT_EQ(omega_test::ReadFile(first), "0 Tex_LoadFromFile \"a.png\" -1 1 =1\n0 FX_SetColorMix 1193046\n"
                                         "0 SSprite_Draw 1 0 0 5 5 255 0 9\n0 Timer_Create timer 12 1 =1\n"
                                         "0 OE_RegProcedure 0 draw\n0 OE_SetWndPosition 3 4\n0 OE_Quit\n")
      << "the old engine's trace is complete and closed";
  EXPECT_EQ(omega_test::ReadFile(second), "0 Key_Down 65 =0\n0 Key_Press 65 =0\n0 Mouse_Press 1 =0\n"
                                          "0 Tex_LoadFromFile \"b.png\" -1 1 =1\n0 SSprite_Draw 1 0 0 3 3 255 0 1\n"
                                          "0 SSprite_Draw 1 0 0 3 3 255 0 1\n");
  omega::ResetEngine();
}
