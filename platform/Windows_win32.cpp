// On Windows the game's system calls are the real ones. <windows.h> cannot be included here: it declares
// these very names with its own handle types, so the few real calls are declared by hand below.
#include "platform/Windows.h"

#include <fcntl.h>
#include <io.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/Cp1251.h"
#include "base/NoWindowMark.h"

namespace win32 {
extern "C" {
__declspec(dllimport) void* __stdcall LoadLibraryW(const wchar_t* path);
__declspec(dllimport) void* __stdcall GetProcAddress(void* module, const char* name);
__declspec(dllimport) int __stdcall MessageBoxA(void* owner, const char* text, const char* caption, unsigned flags);
__declspec(dllimport) int __stdcall GetSystemMetrics(int index);
__declspec(dllimport) unsigned long __stdcall GetModuleFileNameW(void* module, wchar_t* name, unsigned long size);
__declspec(dllimport) int __stdcall MultiByteToWideChar(unsigned codePage, unsigned long flags, const char* text, int bytes,
                                                        wchar_t* wide, int chars);
__declspec(dllimport) void* __stdcall GetStdHandle(unsigned long which);
__declspec(dllimport) int __stdcall AttachConsole(unsigned long process);
__declspec(dllimport) unsigned short __stdcall FindAtomA(const char* name);
}
constexpr unsigned long kStdErrorHandle = static_cast<unsigned long>(-12);
constexpr unsigned long kAttachParentProcess = static_cast<unsigned long>(-1);
constexpr unsigned long kMaxPath = 32768;  // the longest path Windows has
constexpr size_t kShortPath = 260;           // where the calls without the \\?\ prefix may stop
constexpr unsigned kAnsiCodePage = 0;
}  // namespace win32

namespace {

// The program is a windowed one, so started from a console it has no standard streams of its own: it
// borrows its parent's console, so that a scripted run's messages are seen. Streams are binary, so
// what it prints and the files the engine writes through them read the same as on Linux. Done at the
// program's first call here (loading the engine comes first), before anything of the game or the
// engine prints.
void PrepareStreams() {
  static bool ready = false;
  if (ready) return;
  ready = true;
  const void* err = win32::GetStdHandle(win32::kStdErrorHandle);
  if ((err == nullptr || err == reinterpret_cast<void*>(-1)) && win32::AttachConsole(win32::kAttachParentProcess) != 0) {
    (void)std::freopen("CONOUT$", "w", stdout);
    (void)std::freopen("CONOUT$", "w", stderr);
  }
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

// A run the engine draws off screen shows nothing, on Linux and here alike: the engine says so.
bool ScriptedRun() { return win32::FindAtomA(kOmegaNoWindowMark) != 0; }

bool Absolute(const std::string& path) {
  return (path.size() >= 2 && path[1] == ':') || (!path.empty() && (path[0] == '\\' || path[0] == '/'));
}

// The folder of zanoru.exe, with its trailing backslash, in the system's own UTF-16: any letters, any
// length (the ANSI calls turn letters outside the code page into '?' and stop at 260 characters).
std::wstring ProgramFolder() {
  std::wstring name(win32::kMaxPath, L'\0');
  const unsigned long n = win32::GetModuleFileNameW(nullptr, name.data(), win32::kMaxPath);
  if (n == 0 || n >= win32::kMaxPath) return L"";
  name.resize(n);
  const auto slash = name.find_last_of(L"\\/");
  return slash == std::wstring::npos ? L"" : name.substr(0, slash + 1);
}

// The game's names are in the ANSI code page (its own are plain ASCII).
std::wstring Wide(const char* text) {
  const int chars = win32::MultiByteToWideChar(win32::kAnsiCodePage, 0, text, -1, nullptr, 0);
  if (chars <= 0) return L"";
  std::wstring wide(static_cast<size_t>(chars), L'\0');
  win32::MultiByteToWideChar(win32::kAnsiCodePage, 0, text, -1, wide.data(), chars);
  wide.resize(static_cast<size_t>(chars) - 1);
  return wide;
}

// A console's Ctrl+C (the C run-time raises SIGINT for it on a thread of its own) while the box waits
// ends the program then and there, with the status it would have had: the box's loop never looks.
volatile std::sig_atomic_t gStopStatus = 1;

extern "C" void EndWhileBoxWaits(int) { std::_Exit(gStopStatus); }

class StopEndsBox {
 public:
  explicit StopEndsBox(int status) {
    gStopStatus = status;
    oldInt_ = std::signal(SIGINT, EndWhileBoxWaits);
    oldTerm_ = std::signal(SIGTERM, EndWhileBoxWaits);
  }
  ~StopEndsBox() {
    std::signal(SIGINT, oldInt_);
    std::signal(SIGTERM, oldTerm_);
  }
  StopEndsBox(const StopEndsBox&) = delete;
  StopEndsBox& operator=(const StopEndsBox&) = delete;

 private:
  void (*oldInt_)(int) = SIG_DFL;
  void (*oldTerm_)(int) = SIG_DFL;
};

}  // namespace

HMODULE LoadLibraryA(const char* path) {
  PrepareStreams();
  if (path == nullptr) return nullptr;
  // A relative library path is the program's own (DX\OMEGA.dll beside zanoru.exe), never one found
  // through the search path or the working folder.
  std::wstring full = Absolute(path) ? Wide(path) : ProgramFolder() + Wide(path);
  if (full.empty()) return nullptr;
  for (wchar_t& c : full)
    if (c == L'/') c = L'\\';
  void* module = win32::LoadLibraryW(full.c_str());
  // A path past the old limit, on a Windows that does not take long paths by itself: the prefix that
  // lifts the limit, on a drive's path.
  if (module == nullptr && full.size() >= win32::kShortPath && full.size() > 2 && full[1] == L':')
    module = win32::LoadLibraryW((L"\\\\?\\" + full).c_str());
  return module;
}

FARPROC GetProcAddress(HMODULE module, const char* name) {
  if (module == nullptr || name == nullptr) return nullptr;
  return win32::GetProcAddress(module, name);
}

int MessageBoxA(void* owner, const char* text, const char* caption, uint32_t flags) {
  PrepareStreams();
  const std::string utfText = Cp1251ToUtf8(text != nullptr ? text : "");
  const std::string utfCaption = Cp1251ToUtf8(caption != nullptr ? caption : "");
  std::fprintf(stderr, "%s: %s\n", utfCaption.c_str(), utfText.c_str());
  std::fflush(stderr);
  // A scripted run is nobody's to dismiss a box in.
  if (ScriptedRun()) return 1;
  const StopEndsBox stop(BoxStopStatus);
  win32::MessageBoxA(owner, text != nullptr ? text : "", caption != nullptr ? caption : "", flags);
  return 1;
}

int GetSystemMetrics(int index) { return ScriptedRun() ? 0 : win32::GetSystemMetrics(index); }
