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
} gFrames;

void OnAnimationFrame() {
  if (gFrames.Frame(gFrames.Data) != FrameStep::Stop) return;
  emscripten_cancel_main_loop();
  gFrames.End(gFrames.Data);
}

}  // namespace

bool HandFramesToHost(FrameStep (*frame)(void*), void (*end)(void*), void* data) {
  gFrames = Frames{frame, end, data};
  // Every animation frame (0 frames a second asks for that); the call unwinds the caller and does not
  // come back.
  emscripten_set_main_loop(OnAnimationFrame, 0, 1);
  return true;
}

bool WindowResizable() { return false; }

// The canvas is part of the page from the start: there is no window to keep hidden.
uint32_t FirstShowFlags() { return 0; }

void ShowWithFirstFrame(SDL_Window*, const uint32_t*, int, int, void (*present)(void*), void* data) { present(data); }

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
