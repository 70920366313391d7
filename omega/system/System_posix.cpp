#include "omega/system/System.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <malloc.h>
#include <sched.h>
#include <sys/stat.h>
#include <unistd.h>

#include <SDL.h>
#include <SDL_syswm.h>  // with Xlib's types where SDL was built for X11

#include <bit>
#include <cerrno>
#include <csignal>
#include <vector>
#include <string_view>
#include <type_traits>

#include "base/NoWindowMark.h"

namespace omega {

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

uint32_t FirstShowFlags() { return SDL_WINDOW_HIDDEN; }

namespace {

// An X window's background is None: mapped, it shows what lay behind it until the first picture is put
// on it, and a picture put on it before it is mapped is dropped. Its background may be a pixmap, though,
// which the server paints as it maps the window: the first frame, for that moment only.
struct Xlib {
  decltype(&::XGetWindowAttributes) GetWindowAttributes = nullptr;
  decltype(&::XCreatePixmap) CreatePixmap = nullptr;
  decltype(&::XCreateGC) CreateGC = nullptr;
  decltype(&::XFreeGC) FreeGC = nullptr;
  decltype(&::XInitImage) InitImage = nullptr;
  decltype(&::XPutImage) PutImage = nullptr;
  decltype(&::XSetWindowBackgroundPixmap) SetWindowBackgroundPixmap = nullptr;
  decltype(&::XFreePixmap) FreePixmap = nullptr;
  decltype(&::XFlush) Flush = nullptr;

  // From the Xlib SDL has loaded; false where it has none.
  bool Load() {
    const auto get = [](auto& fn, const char* name) {
      fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(LoadedSymbol("libX11.so.6", name));
      return fn != nullptr;
    };
    return get(GetWindowAttributes, "XGetWindowAttributes") && get(CreatePixmap, "XCreatePixmap") &&
           get(CreateGC, "XCreateGC") && get(FreeGC, "XFreeGC") && get(InitImage, "XInitImage") &&
           get(PutImage, "XPutImage") && get(SetWindowBackgroundPixmap, "XSetWindowBackgroundPixmap") &&
           get(FreePixmap, "XFreePixmap") && get(Flush, "XFlush");
  }
};

// One 8-bit channel in the bits of `mask` (contiguous, as a TrueColor visual's are).
uint32_t Channel(uint32_t value, unsigned long mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const unsigned long top = mask >> shift;
  return static_cast<uint32_t>(((value * top + 127) / 255) << shift);
}

// The frame in the pixels of the window's visual, 32 bits each; empty where the visual's pixels are not
// red, green and blue in the bits of its masks. A DirectColor visual's are (Xvfb's default): SDL gives
// the window a colour map that makes them mean what they say, and draws its own frames so.
std::vector<uint32_t> VisualPixels(const Visual* visual, const uint32_t* frame, size_t count) {
  std::vector<uint32_t> out;
  if (visual == nullptr || (visual->c_class != TrueColor && visual->c_class != DirectColor)) return out;
  out.resize(count);
  if (visual->red_mask == 0xFF0000 && visual->green_mask == 0xFF00 && visual->blue_mask == 0xFF) {
    for (size_t i = 0; i < count; ++i) out[i] = frame[i] & 0xFFFFFFu;
    return out;
  }
  for (size_t i = 0; i < count; ++i) {
    const uint32_t p = frame[i];
    out[i] = Channel((p >> 16) & 0xFF, visual->red_mask) | Channel((p >> 8) & 0xFF, visual->green_mask) |
             Channel(p & 0xFF, visual->blue_mask);
  }
  return out;
}

// The frame as the window's background; the pixmap, or 0 where the window is no X window of that size.
Pixmap SetFrameBackground(const Xlib& x, Display* display, ::Window window, const uint32_t* frame, int w, int h) {
  XWindowAttributes attributes{};
  if (x.GetWindowAttributes(display, window, &attributes) == 0 || attributes.width != w || attributes.height != h ||
      (attributes.depth != 24 && attributes.depth != 32))
    return 0;
  std::vector<uint32_t> pixels = VisualPixels(attributes.visual, frame, static_cast<size_t>(w) * h);
  if (pixels.empty()) return 0;
  XImage image{};
  image.width = w;
  image.height = h;
  image.format = ZPixmap;
  image.data = reinterpret_cast<char*>(pixels.data());
  image.byte_order = std::endian::native == std::endian::little ? LSBFirst : MSBFirst;
  image.bitmap_unit = 32;
  image.bitmap_bit_order = image.byte_order;
  image.bitmap_pad = 32;
  image.depth = attributes.depth;
  image.bytes_per_line = w * 4;
  image.bits_per_pixel = 32;
  image.red_mask = attributes.visual->red_mask;
  image.green_mask = attributes.visual->green_mask;
  image.blue_mask = attributes.visual->blue_mask;
  if (x.InitImage(&image) == 0) return 0;
  const Pixmap pixmap = x.CreatePixmap(display, window, static_cast<unsigned>(w), static_cast<unsigned>(h),
                                       static_cast<unsigned>(attributes.depth));
  GC gc = x.CreateGC(display, pixmap, 0, nullptr);
  x.PutImage(display, pixmap, gc, &image, 0, 0, 0, 0, static_cast<unsigned>(w), static_cast<unsigned>(h));
  x.FreeGC(display, gc);
  x.SetWindowBackgroundPixmap(display, window, pixmap);
  return pixmap;
}

}  // namespace

void ShowWithFirstFrame(SDL_Window* window, const uint32_t* frame, int w, int h, void (*present)(void*), void* data) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  Xlib x;
  const bool onX = SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11 && x.Load();
  const Pixmap backdrop = onX ? SetFrameBackground(x, info.info.x11.display, info.info.x11.window, frame, w, h) : 0;
  // SDL maps the window and waits until it is mapped, so the frame presented next is not dropped.
  SDL_ShowWindow(window);
  present(data);
  if (backdrop == 0) return;
  // Back to no background, SDL's: a window made larger would otherwise show this frame tiled in its new
  // part until the next present.
  x.SetWindowBackgroundPixmap(info.info.x11.display, info.info.x11.window, None);
  x.FreePixmap(info.info.x11.display, backdrop);
  x.Flush(info.info.x11.display);
}

}  // namespace omega
