#include <SDL.h>

#include <vector>

#include "omega/window/Keys.h"
#include "tests/omega/support/EngineFixture.h"
#include "tests/support/PlainDrawing.h"

class Input : public EngineTest {
 protected:
  static omega::InputState& In() { return omega::E().Input; }
};

TEST_F(Input, APressIsSeenByEveryQueryOfTheNextTickAndNeverAgain) {
  omega::KeyDownEvent(In(), 65);
  omega::KeyUpEvent(In(), 65);  // pressed and released between two ticks: still counts
  EXPECT_FALSE(Key_Press(65)) << "not before the tick starts";
  omega::BeginTick(In());
  EXPECT_TRUE(Key_Press(65));
  EXPECT_TRUE(Key_Press(65)) << "a second query in the same tick";
  EXPECT_FALSE(Key_Down(65)) << "already released";
  EXPECT_FALSE(Key_Press(66));
  omega::EndTick(In());
  EXPECT_FALSE(Key_Press(65)) << "after its tick";
  omega::BeginTick(In());
  EXPECT_FALSE(Key_Press(65)) << "the tick after";
  omega::EndTick(In());
}

TEST_F(Input, APressDuringATickBelongsToTheNextOne) {
  omega::BeginTick(In());
  omega::PressInput(In(), 256 + omega::kButtonLeft);
  EXPECT_FALSE(Mouse_Press(1));
  omega::EndTick(In());
  omega::BeginTick(In());
  EXPECT_TRUE(Mouse_Press(1));
  EXPECT_FALSE(Mouse_Press(2));
  EXPECT_FALSE(Mouse_Press(0));
  EXPECT_FALSE(Mouse_Press(99));
  omega::EndTick(In());
}

// Left, right and middle are buttons 1, 2 and 3 (the middle one the last the game may ask for); each
// press is seen as its own button only, and 0 or 4 are no buttons even with their slots set.
TEST_F(Input, EachOfTheThreeButtonsIsSeenAsItselfAndNoOther) {
  for (const int pressed : {omega::kButtonLeft, omega::kButtonRight, omega::kButtonMiddle}) {
    omega::PressInput(In(), 256 + pressed);
    omega::BeginTick(In());
    for (int asked = 0; asked <= 4; ++asked)
      EXPECT_EQ(Mouse_Press(asked), asked == pressed) << "button " << pressed << " pressed, button " << asked
                                                     << " asked: expected " << (asked == pressed) << ", got "
                                                     << !(asked == pressed);
    omega::EndTick(In());
  }
  for (const int slot : {0, 4}) {
    omega::PressInput(In(), 256 + slot);
    omega::BeginTick(In());
    EXPECT_FALSE(Mouse_Press(slot)) << "slot " << slot << " read as a button";
    omega::EndTick(In());
  }
}

TEST_F(Input, HeldWhileAnyHolderIsDown) {
  // Both shift keys map to 16: releasing one leaves it held.
  EXPECT_EQ(omega::VirtualKeyOf(SDL_SCANCODE_LSHIFT), 16);
  EXPECT_EQ(omega::VirtualKeyOf(SDL_SCANCODE_RSHIFT), 16);
  omega::KeyDownEvent(In(), 16);
  omega::KeyDownEvent(In(), 16);
  omega::KeyUpEvent(In(), 16);
  EXPECT_TRUE(Key_Down(16));
  omega::KeyUpEvent(In(), 16);
  EXPECT_FALSE(Key_Down(16));
  omega::KeyUpEvent(In(), 16);  // a stray release does not go below zero
  omega::KeyDownEvent(In(), 16);
  EXPECT_TRUE(Key_Down(16));
}

TEST_F(Input, OutOfRangeCodesAreFalse) {
  for (const int code : {-1, 256, 100000}) {
    omega::KeyDownEvent(In(), code);
    omega::PressInput(In(), code);
    omega::BeginTick(In());
    EXPECT_FALSE(Key_Press(code)) << code;
    EXPECT_FALSE(Key_Down(code)) << code;
    omega::EndTick(In());
  }
}

TEST(KeyCodes, PhysicalKeysGiveWindowsCodes) {
  struct Case { SDL_Scancode sc; int vk; };
  for (const Case c : {Case{SDL_SCANCODE_A, 65}, Case{SDL_SCANCODE_Z, 90}, Case{SDL_SCANCODE_Q, 81},
                       Case{SDL_SCANCODE_0, 48}, Case{SDL_SCANCODE_1, 49}, Case{SDL_SCANCODE_9, 57},
                       Case{SDL_SCANCODE_SPACE, 32}, Case{SDL_SCANCODE_BACKSPACE, 8}, Case{SDL_SCANCODE_DELETE, 46},
                       Case{SDL_SCANCODE_RETURN, 13}, Case{SDL_SCANCODE_ESCAPE, 27}, Case{SDL_SCANCODE_F1, 112},
                       Case{SDL_SCANCODE_F2, 113}, Case{SDL_SCANCODE_F12, 123}, Case{SDL_SCANCODE_SEMICOLON, 186},
                       Case{SDL_SCANCODE_EQUALS, 187}, Case{SDL_SCANCODE_COMMA, 188}, Case{SDL_SCANCODE_MINUS, 189},
                       Case{SDL_SCANCODE_PERIOD, 190}, Case{SDL_SCANCODE_SLASH, 191}, Case{SDL_SCANCODE_GRAVE, 192},
                       Case{SDL_SCANCODE_LEFTBRACKET, 219}, Case{SDL_SCANCODE_BACKSLASH, 220},
                       Case{SDL_SCANCODE_RIGHTBRACKET, 221}, Case{SDL_SCANCODE_APOSTROPHE, 222},
                       Case{SDL_SCANCODE_LEFT, 37}, Case{SDL_SCANCODE_UP, 38}, Case{SDL_SCANCODE_RIGHT, 39},
                       Case{SDL_SCANCODE_DOWN, 40}, Case{SDL_SCANCODE_UNKNOWN, 0}})
    EXPECT_EQ(omega::VirtualKeyOf(c.sc), c.vk) << SDL_GetScancodeName(c.sc);
}

// Over the bars round a scaled window the desktop's cursor shows, so the game's own, drawn at the
// position it has just read, is left out of the frame; everything else is drawn as asked.
class PointerOverTheBars : public EngineTest {
 protected:
  OEHandle red_ = 0, blue_ = 0;
  void SetUp() override {
    EngineTest::SetUp();
    omega_test::WriteSolidPng("red.png", 4, 4, 0xFF0000);
    omega_test::WriteSolidPng("blue.png", 4, 4, 0x0000FF);
    red_ = Tex_LoadFromFile("red.png", -1, 1);
    blue_ = Tex_LoadFromFile("blue.png", -1, 1);
    ASSERT_NE(red_, OEHandle{0});
    ASSERT_NE(blue_, OEHandle{0});
    omega::E().Input.MouseX = 0;  // the left bar, clamped to the picture's edge
    omega::E().Input.MouseY = 20;
    omega::E().Input.OffPicture = true;
  }
  // A frame: `draw` between Begin and End; it must be the plain drawing of the calls it recorded.
  template <typename Draw>
  void Frame(Draw draw) {
    ClearFrame();
    omega::E().Recorder.Begin();
    draw();
    omega::E().Recorder.End();
    plain_ = plain::LastFrame().Px;
    EXPECT_EQ(omega::E().Recorder.Frame.Px, plain_) << "the frame differs from the plain drawing of its calls";
  }
  // The game's cursor: the pointer read, then drawn there.
  void Cursor(OEHandle texture) {
    const int32_t x = Mouse_X(), y = Mouse_Y();
    SSprite_Draw(texture, static_cast<float>(x), static_cast<float>(y), 4, 4, 255, 0, 1);
  }
  std::vector<uint32_t> plain_;
};

TEST_F(PointerOverTheBars, TheCallRightAfterTheReadAtThePointerIsLeftOut) {
  Frame([&] {
    SSprite_Draw(blue_, 100, 100, 4, 4, 255, 0, 1);
    Cursor(red_);
    SSprite_Draw(blue_, 0, 20, 4, 4, 128, 0, 1);  // a later call at the same place: the fade, say
  });
  EXPECT_PIXEL(101, 101, 0x0000FF);
  EXPECT_PIXEL(1, 21, 0x000080) << "the cursor under the later call was drawn";
  EXPECT_EQ(Mouse_X(), 0) << "the game still reads the clamped position";
  EXPECT_EQ(Mouse_Y(), 20);
}

TEST_F(PointerOverTheBars, OnThePictureTheCursorIsDrawn) {
  omega::E().Input.OffPicture = false;
  Frame([&] { Cursor(red_); });
  EXPECT_PIXEL(1, 21, 0xFF0000);
}

TEST_F(PointerOverTheBars, OnlyTheVeryNextCallAtExactlyThePointer) {
  Frame([&] {
    (void)Mouse_X();
    (void)Mouse_Y();
    SSprite_Draw(blue_, 200, 200, 4, 4, 255, 0, 1);  // read for another end (a turret aiming)
    SSprite_Draw(red_, 0, 20, 4, 4, 255, 0, 1);      // then drawn at the pointer without a read
    (void)Mouse_Y();
    SSprite_Draw(red_, 1, 20, 4, 4, 255, 0, 1);  // a pixel off the pointer
    (void)Mouse_X();
    SSprite_Draw(blue_, 0, 40, 4, 4, 255, 0, 1);  // in the pointer's column, below it
    (void)Mouse_X();
    SSprite_Draw(blue_, 0.4f, 20.4f, 4, 4, 255, 0, 1);  // rounds onto the pointer: left out
  });
  EXPECT_PIXEL(201, 201, 0x0000FF);
  EXPECT_PIXEL(1, 41, 0x0000FF) << "a call below the pointer";
  EXPECT_PIXEL(0, 21, 0xFF0000) << "a call at the pointer that did not follow a read";
  EXPECT_PIXEL(4, 21, 0xFF0000) << "a call beside the pointer";
}

TEST_F(PointerOverTheBars, AReadOutsideAFrameLeavesNothingOut) {
  // The timer reads the pointer (the corner button), then the next frame begins at the same place.
  (void)Mouse_X();
  (void)Mouse_Y();
  Frame([&] { SSprite_Draw(red_, 0, 20, 4, 4, 255, 0, 1); });
  EXPECT_PIXEL(1, 21, 0xFF0000);
}

TEST_F(PointerOverTheBars, ALeftOutCallIsNoDrawnCallForTheNextFrame) {
  omega::FrameRecorder& r = omega::E().Recorder;
  auto frame = [&] {
    r.Begin();
    SSprite_Draw(blue_, 100, 100, 4, 4, 255, 0, 1);
    Cursor(red_);
    return !r.End().Empty();
  };
  frame();
  EXPECT_PIXEL(1, 21, 0x000000);
  EXPECT_FALSE(frame()) << "the same calls over the bars are the same frame";
  omega::E().Input.OffPicture = false;  // back on the picture at the same place
  EXPECT_TRUE(frame()) << "the cursor now drawn makes another frame";
  EXPECT_PIXEL(1, 21, 0xFF0000);
}
