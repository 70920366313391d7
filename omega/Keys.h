// Windows virtual-key codes of physical key positions (SDL scancodes), so the layout the game
// emulates works whatever layout the desktop uses.
#pragma once

namespace omega {

// The virtual-key code of an SDL scancode, or 0 for keys the game has no code for.
int VirtualKeyOf(int scancode);

}  // namespace omega
