// A fake engine bound in-process: every operation the game calls is recorded as one line in the
// trace format (without the tick) and answers from the state below.
#pragma once
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace fake {

// Recorded calls, e.g. `SSprite_Draw 1 0 0 1024 768 255 0 1` or `Tex_LoadFromFile "Data\\Map1.jpg" -1 1 =1`.
extern std::vector<std::string> Calls;

// Input the fake reports.
extern int32_t MouseX;
extern int32_t MouseY;
extern bool MousePressed;       // Mouse_Press(1)
extern std::set<int> KeysPressed;  // Key_Press(c)
extern std::set<int> KeysDown;     // Key_Down(c)
extern int32_t Fps;

// Font metrics: every character advances GlyphAdvance × scale; the font data's first byte is LineHeight.
extern float GlyphAdvance;
extern uint8_t LineHeight;

extern int QuitCount;

// Binds the fake as the engine (through the game's binding) and clears everything above.
void Install();
void ClearCalls();
// The recorded calls whose operation name is one of `names` (space separated), in order.
std::vector<std::string> CallsOf(const std::string& names);
// The recorded calls that draw (SSprite_Draw, ASprite_Draw, Text_Draw, FX_SetColorMix).
std::vector<std::string> Draws();

}  // namespace fake
