#include "omega/system/System.h"

#include <windows.h>

#include <SDL.h>
#include <SDL_syswm.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <io.h>

#include "base/NoWindowMark.h"

namespace omega {

namespace {

int64_t Ticks(const FILETIME& t) { return (int64_t{t.dwHighDateTime} << 32) | t.dwLowDateTime; }

}  // namespace

bool StampOf(const std::string& path, FileStamp& out) {
  HANDLE h = CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info{};
  const bool ok = GetFileInformationByHandle(h, &info) != 0;
  CloseHandle(h);
  if (!ok) return false;
  out = FileStamp{info.dwVolumeSerialNumber, (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow,
                  (int64_t{info.nFileSizeHigh} << 32) | info.nFileSizeLow, Ticks(info.ftLastWriteTime),
                  Ticks(info.ftCreationTime)};
  return true;
}

// The C run-time's heap gives freed memory back by itself.
int CoresAllowed() {
  DWORD_PTR process = 0, system = 0;
  if (GetProcessAffinityMask(GetCurrentProcess(), &process, &system) == 0 || process == 0) return 1;
  int cores = 0;
  for (; process != 0; process &= process - 1) ++cores;
  return cores;
}

void ReleaseFreedMemory() {}

namespace {

// A signal handler reaches the engine only through a plain global.
volatile std::sig_atomic_t* gFlag = nullptr;
void (*gOldInt)(int) = SIG_DFL;
void (*gOldTerm)(int) = SIG_DFL;

void OnStop(int signal) {
  if (gFlag != nullptr) *gFlag = 1;
  std::signal(signal, OnStop);  // the C run-time resets the handler before calling it
}

}  // namespace

void CatchStopRequests(volatile std::sig_atomic_t* flag) {
  gFlag = flag;
  gOldInt = std::signal(SIGINT, OnStop);
  gOldTerm = std::signal(SIGTERM, OnStop);
}

void ReleaseStopRequests() {
  std::signal(SIGINT, gOldInt);
  std::signal(SIGTERM, gOldTerm);
  gFlag = nullptr;
}

// Windows has no pipes in its file system: a path names a file or a device.
std::FILE* OpenForAppending(const std::string& path) { return std::fopen(path.c_str(), "ab"); }

NewFile CreateNewFile(const std::string& name) {
  HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    CloseHandle(h);
    return NewFile::Created;
  }
  const DWORD err = GetLastError();
  return err == ERROR_FILE_EXISTS || err == ERROR_ALREADY_EXISTS ? NewFile::Taken : NewFile::Failed;
}

namespace {

WNDPROC gSdlProc = nullptr;
void (*gEndSession)() = nullptr;

// The first frame while the window is being shown (ShowWithFirstFrame), else null.
struct FirstFrame {
  const uint32_t* Px = nullptr;
  int W = 0, H = 0;
};
FirstFrame gFirst;

// Paints the first frame on the window's client area through GDI, where it is the frame's size (a
// 32-bit DIB's pixels are the frame's ARGB words, top row first with a negative height); false where it
// is not.
bool PaintFirstFrame(HWND window, HDC dc) {
  RECT client{};
  if (gFirst.Px == nullptr || !GetClientRect(window, &client) || client.right != gFirst.W || client.bottom != gFirst.H)
    return false;
  BITMAPINFO bits{};
  bits.bmiHeader.biSize = sizeof bits.bmiHeader;
  bits.bmiHeader.biWidth = gFirst.W;
  bits.bmiHeader.biHeight = -gFirst.H;
  bits.bmiHeader.biPlanes = 1;
  bits.bmiHeader.biBitCount = 32;
  bits.bmiHeader.biCompression = BI_RGB;
  return SetDIBitsToDevice(dc, 0, 0, static_cast<DWORD>(gFirst.W), static_cast<DWORD>(gFirst.H), 0, 0, 0,
                           static_cast<UINT>(gFirst.H), gFirst.Px, &bits, DIB_RGB_COLORS) != 0;
}

// The window's own messages, before SDL's procedure. Sent, not posted, so SDL's message hook never sees
// them.
LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_QUERYENDSESSION: return TRUE;  // nothing to ask the player: the records are saved at the end
    case WM_ENDSESSION:
      if (w != 0 && gEndSession != nullptr) gEndSession();
      return 0;
    case WM_ERASEBKGND:
      // Sent as the window is shown, before it is on the screen; SDL would clear it black here. While it
      // is being shown, its background is the first frame.
      if (gFirst.Px != nullptr && PaintFirstFrame(window, reinterpret_cast<HDC>(w))) return 1;
      break;
    default: break;
  }
  return CallWindowProcW(gSdlProc, window, message, w, l);
}

// The window's procedure wrapped by WindowProc, once; its handle, or null where it cannot be.
HWND HookWindow(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_WINDOWS) return nullptr;
  if (gSdlProc == nullptr)
    gSdlProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(info.info.win.window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc)));
  return gSdlProc != nullptr ? info.info.win.window : nullptr;
}

}  // namespace

void CatchSessionEnd(SDL_Window* window, void (*end)()) {
  if (HookWindow(window) != nullptr) gEndSession = end;
}

// The libraries asked for (Xlib) are not Windows'.
// A window destroyed from outside reaches SDL as a close request; there is no connection to lose.
void CatchDisplayLoss(volatile std::sig_atomic_t*, void (*)()) {}

namespace {

// A module's file as UTF-8 (what SDL takes for a file name), whatever the folder's letters and length:
// the ANSI calls would turn letters outside the code page into '?' and stop at 260 characters.
std::string ModuleFile(HMODULE module) {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD n = GetModuleFileNameW(module, name.data(), static_cast<DWORD>(name.size()));
    if (n == 0) return "";
    if (n < name.size()) {
      name.resize(n);
      break;
    }
    if (name.size() >= 32768) return "";  // longer than any path Windows has
    name.resize(name.size() * 2);
  }
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(std::max(bytes, 0)), '\0');
  if (bytes <= 0 || WideCharToMultiByte(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), utf8.data(), bytes,
                                        nullptr, nullptr) != bytes)
    return "";
  return utf8;
}

}  // namespace

std::string LibraryFile() {
  HMODULE self = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCWSTR>(&LibraryFile), &self))
    return "";
  return ModuleFile(self);
}

std::string ProgramFile() { return ModuleFile(nullptr); }

// The engine's SDL is its own, so the hint would not reach the program: a name in the process's atom
// table does.
void SayNoWindow() { AddAtomA(kOmegaNoWindowMark); }

bool HandFramesToHost(FrameStep (*)(void*), void (*)(void*), void*) { return false; }

bool WindowResizable() { return true; }

uint32_t FirstShowFlags() { return SDL_WINDOW_HIDDEN; }

void ShowWithFirstFrame(SDL_Window* window, const uint32_t* frame, int w, int h, void (*present)(void*), void* data) {
  // Shown without being activated, so that the background is painted (WindowProc) right as the window
  // becomes visible, not after the activation's messages; then activated, as SDL would have, and the
  // frame presented as every frame is.
  if (HookWindow(window) != nullptr) gFirst = FirstFrame{frame, w, h};
  SDL_SetHint(SDL_HINT_WINDOW_NO_ACTIVATION_WHEN_SHOWN, "1");
  SDL_ShowWindow(window);
  SDL_ResetHint(SDL_HINT_WINDOW_NO_ACTIVATION_WHEN_SHOWN);
  gFirst = FirstFrame{};
  SDL_RaiseWindow(window);
  present(data);
}

void OfferFile(const std::string&) {}

}  // namespace omega
