#include "omega/window/Input.h"

#include <algorithm>
#include <iterator>

#include "omega/draw/FrameRecorder.h"

namespace omega {

void PressInput(InputState& in, int index) {
  if (index >= 0 && index < InputState::kInputs) in.Pending[index] = true;
}

void KeyDownEvent(InputState& in, int vk) {
  if (vk <= 0 || vk > 255) return;
  ++in.Held[vk];
  PressInput(in, vk);
}

void KeyUpEvent(InputState& in, int vk) {
  if (vk <= 0 || vk > 255 || in.Held[vk] == 0) return;
  --in.Held[vk];
}

void BeginTick(InputState& in) {
  std::copy(std::begin(in.Pending), std::end(in.Pending), std::begin(in.Active));
  std::fill(std::begin(in.Pending), std::end(in.Pending), false);
}

void EndTick(InputState& in) { std::fill(std::begin(in.Active), std::end(in.Active), false); }

bool KeyPressed(const InputState& in, int32_t code) { return code >= 0 && code < 256 && in.Active[code]; }
bool KeyHeld(const InputState& in, int32_t code) { return code >= 0 && code < 256 && in.Held[code] > 0; }
bool MousePressed(const InputState& in, int32_t button) { return button >= 1 && button <= 3 && in.Active[256 + button]; }

namespace {

void PointerRead(const InputState& in, FrameRecorder& to) {
  if (in.OffPicture) to.LeaveOutNextAt(in.MouseX, in.MouseY);
}

}  // namespace

int32_t ReadPointerX(const InputState& in, FrameRecorder& to) {
  PointerRead(in, to);
  return in.MouseX;
}

int32_t ReadPointerY(const InputState& in, FrameRecorder& to) {
  PointerRead(in, to);
  return in.MouseY;
}

}  // namespace omega
