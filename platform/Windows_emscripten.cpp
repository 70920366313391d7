// The Windows services the game calls, in a browser page (Emscripten): the engine is a side module of
// the page's program, and a message box is a dialog of the page (Windows_emscripten.js), which also
// learns when the game asks for a name.
#include "platform/Windows.h"

#include <SDL2/SDL.h>
#include <dlfcn.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/Cp1251.h"
#include "base/NoWindowMark.h"
#include "platform/Runtime.h"

// Windows_emscripten.js: shows the dialog and returns at once; the page cannot be held.
extern "C" void zanoru_page_message_box(const char* caption, const char* text, int error);
// Windows_emscripten.js: the game asks for the keys of a name now.
extern "C" void zanoru_page_name_entry();

// Windows_emscripten.js: whether this browser compiles WebAssembly's 128-bit SIMD and bulk memory.
extern "C" int zanoru_page_has_simd();

// A library is built for WebAssembly's SIMD and bulk memory, which a browser without them cannot compile:
// there the plain build of it in plain/ beside it is opened instead, when it has one.
HMODULE LoadLibraryA(const char* path) {
  if (path == nullptr) return nullptr;
  std::string native = NativePath(path);
  if (!zanoru_page_has_simd()) {
    const size_t slash = native.rfind('/');
    const std::string plain = native.substr(0, slash + 1) + "plain/" + native.substr(slash + 1);
    if (access(plain.c_str(), F_OK) == 0) native = plain;
  }
  return dlopen(native.c_str(), RTLD_NOW | RTLD_LOCAL);
}

namespace {

// Only the name entry asks for the letters' keys (every key, every tick, while its form is up): the page
// shows its on-screen keys while they are asked for. The engine's own operation answers, as ever.
using KeyPressProc = bool (*)(int32_t);
KeyPressProc gKeyPress = nullptr;

bool KeyPressNoted(int32_t code) {
  if (code == 'A') zanoru_page_name_entry();
  return gKeyPress(code);
}

}  // namespace

FARPROC GetProcAddress(HMODULE module, const char* name) {
  if (module == nullptr || name == nullptr) return nullptr;
  void* found = dlsym(module, name);
  if (found == nullptr || std::strcmp(name, "Key_Press") != 0) return found;
  gKeyPress = reinterpret_cast<KeyPressProc>(found);
  return reinterpret_cast<FARPROC>(&KeyPressNoted);
}

// Also on standard error (the browser's console), as everywhere. A run the engine draws off screen (a
// test's scripted run) shows no dialog, as a headless run on a desktop shows no box.
int MessageBoxA(void*, const char* text, const char* caption, uint32_t flags) {
  const std::string utfText = Cp1251ToUtf8(text != nullptr ? text : "");
  const std::string utfCaption = Cp1251ToUtf8(caption != nullptr ? caption : "");
  std::fprintf(stderr, "%s: %s\n", utfCaption.c_str(), utfText.c_str());
  std::fflush(stderr);
  if (!SDL_GetHintBoolean(kOmegaNoWindowMark, SDL_FALSE))
    zanoru_page_message_box(utfCaption.c_str(), utfText.c_str(), (flags & MB_ICONERROR) != 0 ? 1 : 0);
  return 1;
}

// The page places the game, not the game a window on a screen: no display to measure.
int GetSystemMetrics(int) { return 0; }
