#include <SDL.h>

#include "omega/Keys.h"
#include "tests/omega/support/EngineFixture.h"

class Input : public EngineTest {};

TEST_F(Input, APressIsSeenByEveryQueryOfTheNextTickAndNeverAgain) {
  omega::KeyDownEvent(65);
  omega::KeyUpEvent(65);  // pressed and released between two ticks: still counts
  EXPECT_FALSE(Key_Press(65)) << "not before the tick starts";
  omega::BeginTick();
  EXPECT_TRUE(Key_Press(65));
  EXPECT_TRUE(Key_Press(65)) << "a second query in the same tick";
  EXPECT_FALSE(Key_Down(65)) << "already released";
  EXPECT_FALSE(Key_Press(66));
  omega::EndTick();
  EXPECT_FALSE(Key_Press(65)) << "after its tick";
  omega::BeginTick();
  EXPECT_FALSE(Key_Press(65)) << "the tick after";
  omega::EndTick();
}

TEST_F(Input, APressDuringATickBelongsToTheNextOne) {
  omega::BeginTick();
  omega::PressInput(256 + omega::kButtonLeft);
  EXPECT_FALSE(Mouse_Press(1));
  omega::EndTick();
  omega::BeginTick();
  EXPECT_TRUE(Mouse_Press(1));
  EXPECT_FALSE(Mouse_Press(2));
  EXPECT_FALSE(Mouse_Press(0));
  EXPECT_FALSE(Mouse_Press(99));
  omega::EndTick();
}

TEST_F(Input, HeldWhileAnyHolderIsDown) {
  // Both shift keys map to 16: releasing one leaves it held.
  EXPECT_EQ(omega::VirtualKeyOf(SDL_SCANCODE_LSHIFT), 16);
  EXPECT_EQ(omega::VirtualKeyOf(SDL_SCANCODE_RSHIFT), 16);
  omega::KeyDownEvent(16);
  omega::KeyDownEvent(16);
  omega::KeyUpEvent(16);
  EXPECT_TRUE(Key_Down(16));
  omega::KeyUpEvent(16);
  EXPECT_FALSE(Key_Down(16));
  omega::KeyUpEvent(16);  // a stray release does not go below zero
  omega::KeyDownEvent(16);
  EXPECT_TRUE(Key_Down(16));
}

TEST_F(Input, OutOfRangeCodesAreFalse) {
  for (const int code : {-1, 256, 100000}) {
    omega::KeyDownEvent(code);
    omega::PressInput(code);
    omega::BeginTick();
    EXPECT_FALSE(Key_Press(code)) << code;
    EXPECT_FALSE(Key_Down(code)) << code;
    omega::EndTick();
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
