// The operating-system services the game calls, under their Windows names and meanings.
#pragma once
#include <cstdint>

using HMODULE = void*;
using FARPROC = void*;

constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr uint32_t MB_ICONERROR = 0x10;

// dlopen of the path with backslashes turned into slashes (a path, never a name looked up in the
// library search path); 0 when it cannot be loaded, and without dlopen when it is no regular file or
// one of its segments lies past its end (a FIFO, a cut copy).
HMODULE LoadLibraryA(const char* path);
// dlsym; null when the module lacks the name. In a browser page, Key_Press comes wrapped so that the page
// learns when the game asks for a name's keys (Windows_emscripten.cpp); it answers as the engine's own.
FARPROC GetProcAddress(HMODULE module, const char* name);
// Always "caption: text" on standard error (texts are Windows-1251, shown as UTF-8); a modal box as
// well when SDL finds a display and the engine has not said it runs without a window. Never blocks
// without a display. Returns 1 (OK). While the box waits, a request to stop the program (Ctrl+C,
// SIGTERM, SIGHUP; a signal the program was started ignoring stays ignored) ends it at once with
// BoxStopStatus.
int MessageBoxA(void* owner, const char* text, const char* caption, uint32_t flags);
// The status the program would have ended with once its box was dismissed: RunError's number while it
// shows its report, 1 otherwise (every other box of the game is an error main returns 1 after).
extern int BoxStopStatus;
// The primary display's width / height in pixels; 0 without a display. Both come from one look at the
// display, taken at the first call and kept for the run; a display that refuses it is asked again for a
// moment before it counts as none.
int GetSystemMetrics(int index);
