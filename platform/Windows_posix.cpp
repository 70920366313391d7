#include "platform/Windows.h"

#include <SDL2/SDL.h>
#include <dlfcn.h>
#include <elf.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <bit>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "base/Cp1251.h"
#include "base/NoWindowMark.h"
#include "platform/Runtime.h"

namespace {

// A run the engine draws off screen must never open anything on a desktop, even when one is there: the
// engine says so.
bool Scripted() { return SDL_GetHintBoolean(kOmegaNoWindowMark, SDL_FALSE); }

// Runs `use` with SDL's video up, where someone may be looking at a screen, and tells whether it ran.
// Either the engine's window is open, or SDL finds an X display (a Wayland desktop has one too; asking
// Wayland itself, where there is none, makes its library complain on our standard error). Video opened
// here is closed again: the engine opens it for its window.
template <class Use>
bool OnDisplay(Use use) {
  if (Scripted()) return false;
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

// How long a display that refuses us is asked again: an X server resets when its last client leaves (a
// fresh Xvfb, a desktop where the game is the only client) and refuses or empties connections for a few
// milliseconds meanwhile; some servers refuse a share of connections at any time. Without a display at
// all this is what starting takes longer before the engine says so.
constexpr auto kLookFor = std::chrono::milliseconds(1500);
constexpr auto kFirstPause = std::chrono::milliseconds(10);
constexpr auto kLongestPause = std::chrono::milliseconds(200);

// Whether this run has found a display: only then is one that refuses us worth asking again (without
// any, every error box would keep the program kLookFor longer).
std::atomic<bool> gDisplayFound{false};

// Asks `look` of the display until it answers true, for `patience` at most.
bool LookAgainWhileRefused(const std::function<bool()>& look, std::chrono::milliseconds patience = kLookFor) {
  const auto start = std::chrono::steady_clock::now();
  auto pause = kFirstPause;
  for (;;) {
    bool answered = false;
    OnDisplay([&] { answered = look(); });
    if (answered) {
      gDisplayFound = true;
      return true;
    }
    if (Scripted() || std::chrono::steady_clock::now() - start + pause > patience) return false;
    std::this_thread::sleep_for(pause);
    pause = std::min(pause * 2, kLongestPause);
  }
}

// The primary display's size, or 0 × 0 without a display. Both sizes come from one look, taken once for
// the run: each look is a connection of its own, and the one before may have made the server reset.
const SDL_Rect& Screen() {
  static const SDL_Rect screen = [] {
    SDL_Rect bounds{0, 0, 0, 0};
    if (LookAgainWhileRefused([&] { return SDL_GetDisplayBounds(0, &bounds) == 0 && bounds.w > 0 && bounds.h > 0; }))
      return bounds;
    return SDL_Rect{0, 0, 0, 0};
  }();
  return screen;
}

bool ReadAt(int fd, void* buffer, std::size_t count, uint64_t offset) {
  auto* out = static_cast<char*>(buffer);
  while (count > 0) {
    const ssize_t n = ::pread(fd, out, count, static_cast<off_t>(offset));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    out += n;
    count -= static_cast<std::size_t>(n);
    offset += static_cast<uint64_t>(n);
  }
  return true;
}

// Whether [offset, offset + length) lies within a file of `size` bytes.
bool Within(uint64_t offset, uint64_t length, uint64_t size) { return length <= size && offset <= size - length; }

// This program's kind of ELF: the only kind dlopen takes.
constexpr unsigned char kClass = sizeof(void*) == 8 ? ELFCLASS64 : ELFCLASS32;
constexpr unsigned char kByteOrder = std::endian::native == std::endian::little ? ELFDATA2LSB : ELFDATA2MSB;
using ElfHeader = std::conditional_t<sizeof(void*) == 8, Elf64_Ehdr, Elf32_Ehdr>;
using ElfSegment = std::conditional_t<sizeof(void*) == 8, Elf64_Phdr, Elf32_Phdr>;

bool SegmentsWithin(int fd, uint64_t size) {
  ElfHeader header{};
  if (!ReadAt(fd, &header, sizeof header, 0) || header.e_phentsize != sizeof(ElfSegment) || header.e_phnum == 0 ||
      header.e_phnum == PN_XNUM || !Within(header.e_phoff, uint64_t{header.e_phnum} * sizeof(ElfSegment), size))
    return false;
  std::vector<ElfSegment> segments(header.e_phnum);
  if (!ReadAt(fd, segments.data(), segments.size() * sizeof(ElfSegment), header.e_phoff)) return false;
  bool loadable = false;
  for (const ElfSegment& segment : segments) {
    if (!Within(segment.p_offset, segment.p_filesz, size)) return false;
    loadable = loadable || segment.p_type == PT_LOAD;
  }
  return loadable;
}

// dlopen maps a library's segments straight from its file: a part of one past the end of a cut file
// faults (SIGBUS) when it is touched, and a FIFO holds dlopen for ever. Only a regular file of this
// program's kind of ELF whose every segment lies within it is handed over.
bool WholeLibrary(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st{};
  unsigned char ident[EI_NIDENT] = {};
  const bool whole = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ReadAt(fd, ident, sizeof ident, 0) &&
                     std::equal(ident, ident + SELFMAG, ELFMAG) && ident[EI_CLASS] == kClass && ident[EI_DATA] == kByteOrder &&
                     SegmentsWithin(fd, static_cast<uint64_t>(st.st_size));
  ::close(fd);
  return whole;
}

// The box's own loop (SDL's, Xlib's) knows nothing of signals: the one caught while it waits ends the
// program then and there, with the status it would have had. Installed before SDL's video starts, which
// then leaves these signals to us. SDL shows the box from a child process of the thread that asks for it
// and waits for that child: the child is ended first, or its box would stay on the desktop.
constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
volatile std::sig_atomic_t gStopStatus = 1;
char gBoxChildren[64];  // /proc/self/task/<the asking thread>/children

extern "C" void EndWhileBoxWaits(int) {
  const int fd = ::open(gBoxChildren, O_RDONLY | O_CLOEXEC);
  char pids[256];
  const ssize_t n = fd < 0 ? 0 : ::read(fd, pids, sizeof pids);
  for (ssize_t i = 0, pid = 0; i <= n; ++i) {
    if (i < n && pids[i] >= '0' && pids[i] <= '9') {
      pid = pid * 10 + (pids[i] - '0');
    } else {
      if (pid > 0) ::kill(static_cast<pid_t>(pid), SIGKILL);
      pid = 0;
    }
  }
  std::_Exit(gStopStatus);
}

class StopEndsBox {
 public:
  explicit StopEndsBox(int status) {
    gStopStatus = status;
    std::snprintf(gBoxChildren, sizeof gBoxChildren, "/proc/self/task/%ld/children", static_cast<long>(gettid()));
    struct sigaction end{};
    end.sa_handler = EndWhileBoxWaits;
    sigemptyset(&end.sa_mask);
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i) {
      sigaction(kStopSignals[i], nullptr, &old_[i]);
      if (old_[i].sa_handler != SIG_IGN) sigaction(kStopSignals[i], &end, nullptr);
    }
  }
  ~StopEndsBox() {
    for (std::size_t i = 0; i < std::size(kStopSignals); ++i) sigaction(kStopSignals[i], &old_[i], nullptr);
  }
  StopEndsBox(const StopEndsBox&) = delete;
  StopEndsBox& operator=(const StopEndsBox&) = delete;

 private:
  struct sigaction old_[std::size(kStopSignals)] {};
};

}  // namespace

HMODULE LoadLibraryA(const char* path) {
  if (path == nullptr) return nullptr;
  const std::string native = NativePath(path);
  if (!WholeLibrary(native)) return nullptr;
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
  const StopEndsBox stop(BoxStopStatus);
  // The box is the player's only sight of the error: a display this run has found that refuses the
  // connection for a moment (a server resetting as another client leaves) is asked again.
  LookAgainWhileRefused([&] { return SDL_ShowSimpleMessageBox(kind, utfCaption.c_str(), utfText.c_str(), nullptr) == 0; },
                        gDisplayFound ? kLookFor : std::chrono::milliseconds(0));
  return 1;
}

int GetSystemMetrics(int index) {
  if (index == SM_CXSCREEN) return Screen().w;
  if (index == SM_CYSCREEN) return Screen().h;
  return 0;
}
