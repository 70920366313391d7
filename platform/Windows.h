// The operating-system services the game calls, under their Windows names and meanings.
#pragma once
#include <cstdint>

using HMODULE = void*;
using FARPROC = void*;

constexpr int SM_CXSCREEN = 0;
constexpr int SM_CYSCREEN = 1;
constexpr uint32_t MB_ICONERROR = 0x10;

// dlopen of the path with backslashes turned into slashes; 0 when it cannot be loaded.
HMODULE LoadLibraryA(const char* path);
// dlsym; null when the module lacks the name.
FARPROC GetProcAddress(HMODULE module, const char* name);
// Always "caption: text" on standard error (texts are Windows-1251, shown as UTF-8); a modal box as
// well when a display is there. Never blocks without a display. Returns 1 (OK).
int MessageBoxA(void* owner, const char* text, const char* caption, uint32_t flags);
// The primary display's width / height in pixels; 0 without a display.
int GetSystemMetrics(int index);
