#include "omega/System.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <malloc.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <SDL.h>

#include <cerrno>
#include <csignal>
#include <string_view>

#include "base/NoWindowMark.h"

namespace omega {

bool StampOf(const std::string& path, FileStamp& out) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return false;
  out = FileStamp{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino), static_cast<int64_t>(st.st_size),
                  int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec,
                  int64_t{st.st_ctim.tv_sec} * 1000000000 + st.st_ctim.tv_nsec};
  return true;
}

// glibc's per-thread arenas keep what the decoding threads freed.
int CoresAllowed() {
  cpu_set_t set;
  CPU_ZERO(&set);
  if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return CPU_COUNT(&set);
  const long online = sysconf(_SC_NPROCESSORS_ONLN);
  return online > 0 ? static_cast<int>(online) : 1;
}

void ReleaseFreedMemory() { malloc_trim(0); }

namespace {

// A signal handler reaches the engine only through a plain global.
volatile std::sig_atomic_t* gFlag = nullptr;
struct sigaction gOldInt {}, gOldTerm {}, gOldHup {};

void OnStop(int) {
  if (gFlag != nullptr) *gFlag = 1;
}

}  // namespace

void CatchStopRequests(volatile std::sig_atomic_t* flag) {
  gFlag = flag;
  struct sigaction sa {};
  sa.sa_handler = OnStop;
  sigemptyset(&sa.sa_mask);
  sigaction(SIGINT, &sa, &gOldInt);
  sigaction(SIGTERM, &sa, &gOldTerm);
  sigaction(SIGHUP, &sa, &gOldHup);
}

void ReleaseStopRequests() {
  sigaction(SIGINT, &gOldInt, nullptr);
  sigaction(SIGTERM, &gOldTerm, nullptr);
  sigaction(SIGHUP, &gOldHup, nullptr);
  gFlag = nullptr;
}

std::FILE* OpenForAppending(const std::string& path) {
  // Non-blocking, the open of a pipe fails at once when no one reads it; writes then block again, so
  // a slow reader is waited for rather than taken for a full disk.
  const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0644);
  if (fd < 0) return nullptr;
  const int flags = ::fcntl(fd, F_GETFL);
  std::FILE* file = flags != -1 && ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) == 0 ? ::fdopen(fd, "ab") : nullptr;
  if (file == nullptr) {
    const int err = errno;
    ::close(fd);
    errno = err;
  }
  return file;
}

NewFile CreateNewFile(const std::string& name) {
  const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd >= 0) {
    ::close(fd);
    return NewFile::Created;
  }
  return errno == EEXIST ? NewFile::Taken : NewFile::Failed;
}

namespace {

// A function of a library the program has already loaded, or null: nothing is loaded for it.
void* LoadedSymbol(const char* library, const char* name) {
  void* lib = dlopen(library, RTLD_LAZY | RTLD_NOLOAD);
  if (lib == nullptr) return nullptr;
  void* symbol = dlsym(lib, name);
  dlclose(lib);  // still loaded by whoever loaded it first
  return symbol;
}

// Xlib's own handlers end the process at the first error on a destroyed window and on a broken
// connection, before anything is saved. Xlib is asked for by name: it is loaded only where SDL uses X11.
struct XErrorInfo {
  int type;
  void* display;
  unsigned long resourceid, serial;
  unsigned char error_code, request_code, minor_code;
};
using XErrorHandlerFn = int (*)(void*, XErrorInfo*);
using XIOErrorHandlerFn = int (*)(void*);
constexpr unsigned char kBadWindow = 3, kBadDrawable = 9;

volatile std::sig_atomic_t* gLost = nullptr;
void (*gBroken)() = nullptr;

int OnXError(void*, XErrorInfo* error) {
  if ((error->error_code == kBadWindow || error->error_code == kBadDrawable) && gLost != nullptr) *gLost = 1;
  return 0;
}

// Xlib ends the process when this returns: `broken` ends it first, its own way.
int OnXIOError(void*) {
  if (gLost != nullptr) *gLost = 1;
  if (gBroken != nullptr) gBroken();
  return 0;
}

}  // namespace

void CatchDisplayLoss(volatile std::sig_atomic_t* lost, void (*broken)()) {
  gLost = lost;
  gBroken = broken;
  using SetError = XErrorHandlerFn (*)(XErrorHandlerFn);
  using SetIOError = XIOErrorHandlerFn (*)(XIOErrorHandlerFn);
  if (auto set = reinterpret_cast<SetError>(LoadedSymbol("libX11.so.6", "XSetErrorHandler"))) set(OnXError);
  if (auto set = reinterpret_cast<SetIOError>(LoadedSymbol("libX11.so.6", "XSetIOErrorHandler"))) set(OnXIOError);
}

void CatchSessionEnd(SDL_Window*, void (*)()) {}

std::string LibraryFile() {
  Dl_info self{};
  if (dladdr(reinterpret_cast<void*>(&LibraryFile), &self) == 0 || self.dli_fname == nullptr) return "";
  return self.dli_fname;
}

std::string ProgramFile() {
  char path[4096];
  const ssize_t n = ::readlink("/proc/self/exe", path, sizeof path);
  if (n <= 0 || static_cast<size_t>(n) >= sizeof path) return "";
  std::string file(path, static_cast<size_t>(n));
  constexpr std::string_view kReplaced = " (deleted)";  // the file was replaced while the program runs
  if (file.ends_with(kReplaced)) file.resize(file.size() - kReplaced.size());
  return file;
}

// The program and the engine load the same SDL.
void SayNoWindow() { SDL_SetHintWithPriority(kOmegaNoWindowMark, "1", SDL_HINT_OVERRIDE); }

bool HandFramesToHost(FrameStep (*)(void*), void (*)(void*), void*) { return false; }

bool WindowResizable() { return true; }

void OfferFile(const std::string&) {}

}  // namespace omega
