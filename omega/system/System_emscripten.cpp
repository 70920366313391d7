// The engine's system services in a browser page (Emscripten): a file system in memory, no signals, no
// window system of its own, and a loop the page must run, since the program may never block it.
#include "omega/system/System.h"

#include <emscripten.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <SDL.h>

#include <cerrno>
#include <cstdio>
#include <string>

#include "base/NoWindowMark.h"

// System_emscripten.js: puts parts of the surface's pixels on the page's canvas; whether the page is hidden.
extern "C" void omega_put_on_canvas(const void* pixels, int w, int h, const SDL_Rect* rects, int count);
extern "C" int omega_page_hidden();

namespace omega {

// One thread draws: a page gets threads only from a server that sends cross-origin isolation headers,
// which a plain static host does not.
int CoresAllowed() { return 1; }

// The module's memory only grows.
void ReleaseFreedMemory() {}

// A page has no signals: closing the tab ends everything at once.
void CatchStopRequests(volatile std::sig_atomic_t*) {}
void ReleaseStopRequests() {}

// The page's files live in memory: there is no pipe a reader could leave waiting.
std::FILE* OpenForAppending(const std::string& path) { return std::fopen(path.c_str(), "ab"); }

// The page's canvas cannot be destroyed under the game.
void CatchDisplayLoss(volatile std::sig_atomic_t*, void (*)()) {}

// The page's session ends with the tab, all at once; the records are written through after every save.
void CatchSessionEnd(SDL_Window*, void (*)()) {}

std::string LibraryFile() { return ""; }

// The name the page gives the program (Module.thisProgram).
std::string ProgramFile() {
  const char* name = emscripten_run_script_string("typeof Module == 'object' && Module.thisProgram || ''");
  return name != nullptr ? name : "";
}

void SayNoWindow() { SDL_SetHintWithPriority(kOmegaNoWindowMark, "1", SDL_HINT_OVERRIDE); }

namespace {

struct Frames {
  FrameStep (*Frame)(void*) = nullptr;
  void (*End)(void*) = nullptr;
  void* Data = nullptr;
  bool Shown = false;      // the frame put something on the canvas
  bool Animating = true;   // the next frame comes with the page's next animation frame
} gFrames;

// A page asking for animation frames makes the browser produce frames at the display's rate, drawn or
// not: for a still picture (the menu) that alone cost the tab ten times what the native game spends
// there. So after a frame that put nothing on the canvas the next one comes on a timer, 30 a second
// (the ticks due are all run, as after any frame: at most three), and animation frames come back as
// soon as one shows something. A hidden page keeps to animation frames, which the browser stops there:
// the game stands still, as a minimised window's does.
constexpr int kStillFrameMs = 1000 / 30;

void OnAnimationFrame() {
  gFrames.Shown = false;
  if (gFrames.Frame(gFrames.Data) == FrameStep::Stop) {
    emscripten_cancel_main_loop();
    gFrames.End(gFrames.Data);
    return;
  }
  const bool animate = gFrames.Shown || omega_page_hidden() != 0;
  if (animate == gFrames.Animating) return;
  gFrames.Animating = animate;
  if (animate)
    emscripten_set_main_loop_timing(EM_TIMING_RAF, 1);
  else
    emscripten_set_main_loop_timing(EM_TIMING_SETTIMEOUT, kStillFrameMs);
}

}  // namespace

bool HandFramesToHost(FrameStep (*frame)(void*), void (*end)(void*), void* data) {
  gFrames = Frames{frame, end, data};
  // Every animation frame (0 frames a second asks for that); the call unwinds the caller and does not
  // come back.
  emscripten_set_main_loop(OnAnimationFrame, 0, 1);
  return true;
}

bool WindowAreaOnScreen(SDL_Window*, int&, int&) { return false; }

bool WindowResizable() { return false; }

// The canvas is part of the page from the start: there is no window to keep hidden.
uint32_t FirstShowFlags() { return 0; }

void ShowWithFirstFrame(SDL_Window*, const uint32_t*, int, int, void (*present)(void*), void* data) { present(data); }

// The surface is SDL's for a page, in the module's memory, with the canvas's byte order (red first),
// and the presenter leaves its pixels opaque (omega/window/Present.cpp): the canvas takes each changed
// part straight from it, with no copy but the browser's own.
void ShowSurface(SDL_Window* window, const SDL_Rect* rects, int count) {
  SDL_Surface* surface = SDL_GetWindowSurface(window);
  if (surface == nullptr || surface->format->BytesPerPixel != 4 || surface->pitch != surface->w * 4) return;
  if (rects != nullptr && count <= 0) return;
  gFrames.Shown = true;
  omega_put_on_canvas(surface->pixels, surface->w, surface->h, rects, rects == nullptr ? 0 : count);
}

void OfferFile(const std::string& file) {
  // The name is the engine's own (<program>-NNNN.png), but it is quoted as any text would be.
  std::string quoted;
  for (const char c : file) {
    if (c == '\\' || c == '\'') quoted += '\\';
    if (c != '\n' && c != '\r') quoted += c;
  }
  emscripten_run_script(("typeof Module == 'object' && Module.offerFile && Module.offerFile('" + quoted + "')").c_str());
}

}  // namespace omega
