// The fake engine records each call as the real engine traces it (the same writer, the same lines as
// tests/omega/Trace_test.cpp pins for the engine), and leaves out only what it says it leaves out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine/OMEGA.h"
#include "tests/support/FakeEngine.h"

namespace {

using Lines = std::vector<std::string>;

void NoProc() {}

class FakeRecords : public ::testing::Test {
 protected:
  void SetUp() override { fake::Install(); }
};

TEST_F(FakeRecords, CallbacksAreWrittenAsTheirKindAsTheEngineWritesThem) {
  Timer_Create(NoProc, 12, 1);
  OE_RegProcedure(1, NoProc);
  OE_RegProcedure(0, NoProc);
  OE_RegProcedure(2, NoProc);
  OE_RegProcedure(7, NoProc);
  OE_SetWndPosition(-1, 128);
  EXPECT_EQ(fake::Calls, (Lines{"Timer_Create timer 12 1 =1", "OE_RegProcedure 1 load", "OE_RegProcedure 0 draw",
                                "OE_RegProcedure 2 quit", "OE_RegProcedure 7 proc", "OE_SetWndPosition -1 128"}));
}

TEST_F(FakeRecords, LoadsAreNumberedInOrderAndAMaskIsCurrentOnceLoaded) {
  const OEHandle a = Tex_LoadFromFile("Data\\a.jpg", -1, 1);
  EXPECT_EQ(Tex_LoadMaskFromFile("Data\\m.jpg"), OEHandle{1}) << "a loaded mask answers 1, as in the engine";
  const OEHandle font = Text_LoadFontFromFile("f.tga", "f.ofi", 0, 394);
  const OEHandle b = Tex_LoadFromFile("b.jpg", -1, 330);
  Tex_SetFramesSize(b, 64, 128);
  Text_Draw(font, 1, 2, "x", 0.9f, 0, 255, 0xFFFFFF);
  SSprite_Draw(a, 0.1f, 2, 1024, 768, 255, 0, 1);
  EXPECT_EQ(fake::Calls, (Lines{
                             R"(Tex_LoadFromFile "Data\\a.jpg" -1 1 =1)",
                             R"(Tex_LoadMaskFromFile "Data\\m.jpg" =1)",
                             R"(Text_LoadFontFromFile "f.tga" "f.ofi" 0 394 =2)",
                             R"(Tex_LoadFromFile "b.jpg" -1 330 =3)",
                             "Tex_SetFramesSize 3 64 128",
                             R"(Text_Draw 2 1 2 "x" 0.899999976 0 255 16777215)",
                             "SSprite_Draw 1 0.100000001 2 1024 768 255 0 1",
                         }))
      << "the font is numbered by its load, not by its address";
}

// A test may set a game's handle itself: the fake writes it as the number it is (the engine would write
// "?" for a handle it never gave); 0 stays 0.
TEST_F(FakeRecords, AHandleTheFakeNeverGaveIsWrittenAsItsNumber) {
  SSprite_Draw(OEHandle{7}, 0, 0, 1, 1, 255, 0, 1);
  SSprite_Draw(OEHandle{0}, 0, 0, 1, 1, 255, 0, 1);
  EXPECT_EQ(fake::Calls, (Lines{"SSprite_Draw 7 0 0 1 1 255 0 1", "SSprite_Draw 0 0 0 1 1 255 0 1"}));
}

// The pointer is read for every frame's cursor and 255 keys are asked for every tick: the fake keeps
// the record short by leaving out the pointer and the keys not pressed, and nothing else.
TEST_F(FakeRecords, OnlyThePointerAndTheKeysNotPressedAreLeftOut) {
  fake::MouseX = 321;
  fake::MouseY = 654;
  fake::KeysPressed = {13};
  fake::KeysDown = {16};
  EXPECT_EQ(Mouse_X(), 321);
  EXPECT_EQ(Mouse_Y(), 654);
  EXPECT_FALSE(Key_Press(12));
  EXPECT_TRUE(Key_Press(13));
  EXPECT_FALSE(Key_Down(15));
  EXPECT_TRUE(Key_Down(16));
  EXPECT_FALSE(Mouse_Press(1));
  EXPECT_EQ(OE_GetFPS(), 60);
  EXPECT_STREQ(U_IntToStr(-42), "-42");
  OE_Quit();
  EXPECT_EQ(fake::QuitCount, 1);
  EXPECT_EQ(fake::Calls, (Lines{"Key_Press 13 =1", "Key_Down 15 =0", "Key_Down 16 =1", "Mouse_Press 1 =0",
                                "OE_GetFPS =60", R"(U_IntToStr -42 ="-42")", "OE_Quit"}));
}

TEST_F(FakeRecords, CallsOfPicksOperationsByWholeName) {
  Tex_LoadFromFile("a.jpg", -1, 1);
  Tex_LoadMaskFromFile("m.jpg");
  FX_SetColorMix(0xFF0000);
  Text_GetWidth(0, "ab", 1, 0);
  EXPECT_EQ(fake::CallsOf("Tex_LoadMaskFromFile FX_SetColorMix"),
            (Lines{R"(Tex_LoadMaskFromFile "m.jpg" =1)", "FX_SetColorMix 16711680"}));
  EXPECT_EQ(fake::CallsOf("Tex_Load Text"), Lines{}) << "a prefix of a name is no name";
  EXPECT_EQ(fake::CallsOf("Text_GetWidth"), (Lines{R"(Text_GetWidth 0 "ab" 1 0 =20)"}));
}

// Only the operations the game calls are answered: a call of any other would be a slip in the game.
TEST_F(FakeRecords, AnswersEveryOperationTheGameCallsAndNoOther) {
  EXPECT_EQ(FirstMissingOperation(), nullptr);
  EXPECT_EQ(OE_Init2, nullptr);
  EXPECT_EQ(P_GetParams, nullptr);
}

}  // namespace
