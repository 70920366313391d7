// The desktop window: opened hidden, shown with its first frame, its events turned into the game's input,
// each frame's changed parts shown (Present.h), F12 screenshots. In a browser the page's animation frames
// run it (system/System_emscripten.cpp).
#pragma once

namespace omega {

// The load callback, then the window's frames until the loop ends (the process ends inside it where the
// host runs the frames). False, before the load callback, when no window could be opened.
bool RunWindowed();

}  // namespace omega
