// Windows virtual-key codes of physical key positions (SDL scancodes), so the layout the game
// emulates works whatever layout the desktop uses.
#pragma once

namespace omega {

// The virtual-key code of an SDL scancode, or 0 for keys the game has no code for.
int VirtualKeyOf(int scancode);

// Whether a held key's auto-repeat counts as another press: the keys that type or erase text
// (letters, digits, space, the punctuation keys that carry letters on a Russian keyboard, Backspace,
// Delete) repeat as in a text field; command keys (Escape, the F keys, Enter, arrows, modifiers) never
// do, so holding Escape does not start the same action over and over.
bool RepeatsAsPress(int vk);

}  // namespace omega
