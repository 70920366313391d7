#include "omega/window/Input.h"

#include <algorithm>
#include <iterator>

#include "omega/Engine.h"

namespace omega {

void PressInput(int index) {
  if (index >= 0 && index < InputState::kInputs) E().Input.Pending[index] = true;
}

void KeyDownEvent(int vk) {
  if (vk <= 0 || vk > 255) return;
  ++E().Input.Held[vk];
  PressInput(vk);
}

void KeyUpEvent(int vk) {
  if (vk <= 0 || vk > 255 || E().Input.Held[vk] == 0) return;
  --E().Input.Held[vk];
}

void BeginTick() {
  InputState& e = E().Input;
  std::copy(std::begin(e.Pending), std::end(e.Pending), std::begin(e.Active));
  std::fill(std::begin(e.Pending), std::end(e.Pending), false);
}

void EndTick() { std::fill(std::begin(E().Input.Active), std::end(E().Input.Active), false); }

bool KeyPressed(int32_t code) { return code >= 0 && code < 256 && E().Input.Active[code]; }
bool KeyHeld(int32_t code) { return code >= 0 && code < 256 && E().Input.Held[code] > 0; }
bool MousePressed(int32_t button) { return button >= 1 && button <= 3 && E().Input.Active[256 + button]; }

namespace {

void PointerRead() {
  const InputState& e = E().Input;
  if (e.OffPicture) E().Recorder.LeaveOutNextAt(e.MouseX, e.MouseY);
}

}  // namespace

int32_t ReadPointerX() {
  PointerRead();
  return E().Input.MouseX;
}

int32_t ReadPointerY() {
  PointerRead();
  return E().Input.MouseY;
}

}  // namespace omega
