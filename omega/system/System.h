// The few services the engine takes from the operating system, one source per system
// (System_posix.cpp, System_win32.cpp, System_emscripten.cpp; the file services of Linux and the browser
// shared in Files_posix.cpp): everything else in the engine is the same on all three.
#pragma once
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <string>
#include <sys/stat.h>

struct SDL_Window;

namespace omega {

// What identifies a file's contents without reading them: a rewrite changes the size or the times, a
// replacement the file's identity.
struct FileStamp {
  uint64_t Device = 0, Node = 0;
  int64_t Size = 0, Modified = 0, Changed = 0;
  bool operator==(const FileStamp&) const = default;
};
bool StampOf(const std::string& path, FileStamp& out);

// The cores this process may run on (its CPU affinity: `taskset -c 0` gives 1), at least 1.
int CoresAllowed();

// Hands memory the program has freed back to the system where the allocator would keep it.
void ReleaseFreedMemory();

// While caught, a request to stop the program (Ctrl+C, a termination signal) only sets `flag` to 1, which
// the loop reads, so the game's quit callback still runs; released, the former handling comes back.
void CatchStopRequests(volatile std::sig_atomic_t* flag);
void ReleaseStopRequests();

// Opens a file for appending (binary), created when missing; null, errno set, when it cannot be. A pipe
// with nobody reading it is refused (ENXIO) instead of waited on for ever.
std::FILE* OpenForAppending(const std::string& path);

// Creates an empty file of that name only when nothing has the name yet.
enum class NewFile { Created, Taken, Failed };
NewFile CreateNewFile(const std::string& name);

// The window system's errors that mean the game's window or its display is gone. An error on a
// destroyed window only sets `lost` to 1: the loop then ends as it always does. A broken connection to
// the display, which the window system never lets a program survive, calls `broken`, which must end
// the process itself. Caught once the window system is started (its library loaded); nothing where there
// is no such library or no such error.
void CatchDisplayLoss(volatile std::sig_atomic_t* lost, void (*broken)());

// The session ending while the game runs in `window` (Windows' log-off and shut-down, which reach the
// window and no signal): `end` is called from inside the window system's call once the system says the
// session ends, and must save and end the process itself, since the system may end it on return.
// Nothing where the session's end arrives as a signal (Linux: SIGHUP, SIGTERM).
void CatchSessionEnd(SDL_Window* window, void (*end)());

// The file the engine library was loaded from, or "" when unknown; on Windows in UTF-8, the encoding
// SDL's file calls take.
std::string LibraryFile();

// The running program's file, or "" when the system does not say; encoded as LibraryFile().
std::string ProgramFile();

// Leaves kOmegaNoWindowMark where the program's platform layer looks for it.
void SayNoWindow();

// What one frame of a windowed run asks for next: another frame, a wait for events (minimised), the end.
enum class FrameStep { Go, Idle, Stop };
// Where the host must run the frames itself (a browser page: the program may not block it), hands them
// over and never returns: `frame` runs once per animation frame until it says Stop, then `end`, which
// must end the program. False where the program runs its own loop (desktop systems).
bool HandFramesToHost(FrameStep (*frame)(void*), void (*end)(void*), void* data);

// Whether the player may resize the game's window: a desktop window may (the picture scales inside it);
// a page's canvas keeps the picture's size while the page scales it, more cheaply than the renderer could.
bool WindowResizable();

// The window's first show. Where the window system would show a new window before its first picture
// reaches it (what lay behind it, or black, for as long as loading takes and longer), the window is
// created with these flags (SDL_WINDOW_HIDDEN) and shown by ShowWithFirstFrame; 0 where it is there all
// along (a page's canvas).
uint32_t FirstShowFlags();

// Shows the window created with FirstShowFlags() so that its first visible pixels are `frame` (ARGB
// rows, w×h, the window's size): `present` puts the frame on the window the usual way (its surface),
// at the moment that system needs it. Falls back to showing, then presenting, where the system's own
// means are missing.
void ShowWithFirstFrame(SDL_Window* window, const uint32_t* frame, int w, int h, void (*present)(void*), void* data);

// Puts a file the player has just asked for (a screenshot) where the player finds it: a desktop leaves
// it in the working directory; a browser page hands it to the browser as a download.
void OfferFile(const std::string& file);

}  // namespace omega
