// The pointer and the keys as the game sees them: presses latched as they arrive and handed to the next
// timer tick, keys held while down.
#pragma once
#include <cstdint>

namespace omega {

constexpr int kButtonLeft = 1, kButtonRight = 2, kButtonMiddle = 3;

struct InputState {
  int32_t MouseX = 0, MouseY = 0;  // always on the picture: over the bars, its nearest point
  bool OffPicture = false;         // the pointer is over the bars round a scaled window's picture
  // Presses latched as they arrive (Pending) and handed to the next tick (Active): keys 0..255, then
  // the mouse buttons.
  static constexpr int kInputs = 256 + 4;
  bool Pending[kInputs] = {};
  bool Active[kInputs] = {};
  int Held[256] = {};
  bool ScriptHeld[256] = {};  // keys a headless run's script holds down
};

class FrameRecorder;

void PressInput(InputState& in, int index);  // a key code 0..255 or 256 + mouse button
void KeyDownEvent(InputState& in, int vk);   // physical: counts a holder
void KeyUpEvent(InputState& in, int vk);
void BeginTick(InputState& in);
void EndTick(InputState& in);
bool KeyPressed(const InputState& in, int32_t code);
bool KeyHeld(const InputState& in, int32_t code);
bool MousePressed(const InputState& in, int32_t button);
// The pointer's position as the game reads it (Mouse_X, Mouse_Y). A game draws its own cursor at the
// position it has just read: over the bars the desktop's cursor shows instead, so a call drawn right
// after a read, at exactly that position, is left out of the frame `to`. Nothing else is: a frame's
// calls read the pointer for other ends too (a turret aiming), but draw at their own places.
int32_t ReadPointerX(const InputState& in, FrameRecorder& to);
int32_t ReadPointerY(const InputState& in, FrameRecorder& to);

}  // namespace omega
