// A tiny stand-in for the game: loads the engine library by path, binds its operations by name,
// registers callbacks and reports on standard output what the engine did with them. The library
// tests run it headless on scripts, and windowed under Xvfb.
//
// Usage: omega_probe <path to OMEGA.dll> [picture]
// Each tick it reports presses ("tick 3 key 27", "tick 3 click 10 20"); Escape calls OE_Quit. The
// picture, when given, is loaded with flags 1 and drawn at (0, 0) at its own size every frame.
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

#include "engine/OMEGA_list.h"

#define PROBE_POINTER(used, ret, name, ...) OMEGA_TYPE(ret) (*p_##name)(OMEGA_PARAMS(__VA_ARGS__)) = nullptr;
OMEGA_OPERATIONS(PROBE_POINTER)
#undef PROBE_POINTER

namespace {

int gTick = 0;
int gFrames = 0;
OEHandle gPicture = 0;
const char* gPicturePath = nullptr;

void Load() {
  std::printf("load\n");
  if (gPicturePath != nullptr) gPicture = p_Tex_LoadFromFile(gPicturePath, -1, 1);
  std::fflush(stdout);
}

void Timer() {
  ++gTick;
  for (int code = 1; code < 256; ++code)
    if (p_Key_Press(code)) std::printf("tick %d key %d\n", gTick, code);
  if (p_Mouse_Press(1)) std::printf("tick %d click %d %d\n", gTick, p_Mouse_X(), p_Mouse_Y());
  if (p_Key_Down(16) && gTick % 50 == 0) std::printf("tick %d shift held\n", gTick);
  if (p_Key_Press(27)) p_OE_Quit();
  std::fflush(stdout);
}

void Draw() {
  ++gFrames;
  if (gPicture != 0) p_SSprite_Draw(gPicture, 0, 0, 64, 64, 255, 0, 1);
}

void Quit() {
  std::printf("quit after %d ticks\n", gTick);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: omega_probe <OMEGA.dll> [picture]\n");
    return 64;
  }
  void* lib = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (lib == nullptr) {
    std::fprintf(stderr, "cannot load %s: %s\n", argv[1], dlerror());
    return 65;
  }
  int missing = 0;
#define PROBE_BIND(used, ret, name, ...)                                     \
  p_##name = reinterpret_cast<decltype(p_##name)>(dlsym(lib, #name));        \
  if ((used) != 0 && p_##name == nullptr) {                                  \
    std::fprintf(stderr, "missing %s\n", #name);                             \
    ++missing;                                                               \
  }
  OMEGA_OPERATIONS(PROBE_BIND)
#undef PROBE_BIND
  if (missing != 0) return 66;
  if (argc > 2) gPicturePath = argv[2];
  p_Timer_Create(Timer, 12, 1);
  p_OE_RegProcedure(1, Load);
  p_OE_RegProcedure(0, Draw);
  p_OE_RegProcedure(2, Quit);
  p_OE_SetScreenOptions(1024, 768, 32, 0, 0, 0);
  p_OE_Init(16, 0);
  std::printf("returned\n");
  return 0;
}
