#include "platform/Windows.h"

#include <SDL2/SDL.h>
#include <dlfcn.h>

#include <cstdio>
#include <string>

#include "engine/OMEGA_list.h"
#include "platform/Cp1251.h"
#include "platform/Runtime.h"

namespace {

// Runs `use` with SDL's video up, where someone may be looking at a screen, and tells whether it ran. A
// run the engine draws off screen must never open anything on a desktop, even when one is there: the
// engine says so. Otherwise the engine's window is open, or SDL finds an X display (a Wayland desktop
// has one too; asking Wayland itself, where there is none, makes its library complain on our standard
// error). Video opened here is closed again: the engine opens it for its window.
template <class Use>
bool OnDisplay(Use use) {
  if (SDL_GetHintBoolean(kOmegaNoWindowMark, SDL_FALSE)) return false;
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0) {
    use();
    return true;
  }
  const bool driverAsked = SDL_GetHint(SDL_HINT_VIDEODRIVER) != nullptr;
  if (!driverAsked) SDL_SetHint(SDL_HINT_VIDEODRIVER, "x11");
  const bool up = SDL_InitSubSystem(SDL_INIT_VIDEO) == 0;
  if (!driverAsked) SDL_ResetHint(SDL_HINT_VIDEODRIVER);
  if (!up) return false;
  use();
  SDL_QuitSubSystem(SDL_INIT_VIDEO);
  return true;
}

}  // namespace

HMODULE LoadLibraryA(const char* path) {
  if (path == nullptr) return nullptr;
  const std::string native = NativePath(path);
  return dlopen(native.c_str(), RTLD_NOW | RTLD_LOCAL);
}

FARPROC GetProcAddress(HMODULE module, const char* name) {
  if (module == nullptr || name == nullptr) return nullptr;
  return dlsym(module, name);
}

int MessageBoxA(void*, const char* text, const char* caption, uint32_t flags) {
  const std::string utfText = Cp1251ToUtf8(text != nullptr ? text : "");
  const std::string utfCaption = Cp1251ToUtf8(caption != nullptr ? caption : "");
  std::fprintf(stderr, "%s: %s\n", utfCaption.c_str(), utfText.c_str());
  std::fflush(stderr);
  const Uint32 kind = (flags & MB_ICONERROR) != 0 ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
  OnDisplay([&] { SDL_ShowSimpleMessageBox(kind, utfCaption.c_str(), utfText.c_str(), nullptr); });
  return 1;
}

int GetSystemMetrics(int index) {
  SDL_Rect bounds{0, 0, 0, 0};
  if (!OnDisplay([&] { SDL_GetDisplayBounds(0, &bounds); })) return 0;
  if (index == SM_CXSCREEN) return bounds.w;
  if (index == SM_CYSCREEN) return bounds.h;
  return 0;
}
