#include "platform/Windows.h"

#include <SDL2/SDL.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/Cp1251.h"
#include "platform/Runtime.h"

namespace {

bool DisplayAvailable() {
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  // Headless scripted runs must never open anything on a desktop, even when one is there.
  if (std::getenv("OMEGA_SCRIPT") != nullptr) return false;
  return (display != nullptr && *display != '\0') || (wayland != nullptr && *wayland != '\0');
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
  if (DisplayAvailable()) {
    const Uint32 kind = (flags & MB_ICONERROR) != 0 ? SDL_MESSAGEBOX_ERROR : SDL_MESSAGEBOX_INFORMATION;
    SDL_ShowSimpleMessageBox(kind, utfCaption.c_str(), utfText.c_str(), nullptr);
  }
  return 1;
}

int GetSystemMetrics(int index) {
  if (!DisplayAvailable()) return 0;
  const bool wasUp = SDL_WasInit(SDL_INIT_VIDEO) != 0;
  if (!wasUp && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return 0;
  SDL_Rect bounds{0, 0, 0, 0};
  const bool ok = SDL_GetDisplayBounds(0, &bounds) == 0;
  if (!wasUp) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  if (!ok) return 0;
  if (index == SM_CXSCREEN) return bounds.w;
  if (index == SM_CYSCREEN) return bounds.h;
  return 0;
}
