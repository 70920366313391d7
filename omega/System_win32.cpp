#include "omega/System.h"

#include <windows.h>

#include <csignal>
#include <fcntl.h>
#include <io.h>

#include "engine/OMEGA_list.h"

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

NewFile CreateNewFile(const std::string& name) {
  HANDLE h = CreateFileA(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h != INVALID_HANDLE_VALUE) {
    CloseHandle(h);
    return NewFile::Created;
  }
  const DWORD err = GetLastError();
  return err == ERROR_FILE_EXISTS || err == ERROR_ALREADY_EXISTS ? NewFile::Taken : NewFile::Failed;
}

// The libraries asked for (Xlib) are not Windows'.
// A window destroyed from outside reaches SDL as a close request; there is no connection to lose.
void CatchDisplayLoss(volatile std::sig_atomic_t*, void (*)()) {}

std::string LibraryFile() {
  HMODULE self = nullptr;
  if (!GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                          reinterpret_cast<LPCSTR>(&LibraryFile), &self))
    return "";
  char name[MAX_PATH];
  const DWORD n = GetModuleFileNameA(self, name, MAX_PATH);
  return n == 0 || n >= MAX_PATH ? "" : std::string(name, n);
}

std::string ProgramFile() {
  char name[MAX_PATH];
  const DWORD n = GetModuleFileNameA(nullptr, name, MAX_PATH);
  return n == 0 || n >= MAX_PATH ? "" : std::string(name, n);
}

// The engine's SDL is its own, so the hint would not reach the program: a name in the process's atom
// table does.
void SayNoWindow() { AddAtomA(kOmegaNoWindowMark); }

bool HandFramesToHost(FrameStep (*)(void*), void (*)(void*), void*) { return false; }

bool WindowResizable() { return true; }

void OfferFile(const std::string&) {}

}  // namespace omega
