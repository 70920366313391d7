// The Windows half of the run-time services: the seed counter, opening a file to read and saving a whole
// file, on the Win32 calls. A file once open is a C run-time descriptor, read like on Linux.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include <cerrno>
#include <cstdio>

#include "platform/Runtime.h"

uint32_t SeedCounter() {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return static_cast<uint32_t>(now.QuadPart);
}

int ErrnoToRunError(int err) {
  switch (err) {
    case ENOENT: return kErrFileNotFound;
    case ENOTDIR: return kErrPathNotFound;
    case ENOSPC: case EIO: case EFBIG: return kErrDiskWrite;
    default: return kErrAccessDenied;
  }
}

namespace {

// Windows' own error numbers agree with the run-time ones where they meet (2, 3, 5).
int SystemErrorToRunError(DWORD err) {
  switch (err) {
    case ERROR_FILE_NOT_FOUND: return kErrFileNotFound;
    case ERROR_PATH_NOT_FOUND: case ERROR_INVALID_NAME: case ERROR_BAD_PATHNAME: return kErrPathNotFound;
    case ERROR_DISK_FULL: case ERROR_HANDLE_DISK_FULL: case ERROR_WRITE_FAULT: return kErrDiskWrite;
    default: return kErrAccessDenied;  // denied, shared, a folder, a device, …
  }
}

std::string WindowsPath(const std::string& gamePath) {
  std::string path = gamePath;
  for (char& c : path)
    if (c == '/') c = '\\';
  return path;
}

// Files of the game are shared with anyone, like a file on Linux: another program reading or replacing
// records.vyx meanwhile is no reason to fail.
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// A file marked read-only is refused for writing as Windows refuses it, also to an administrator (and to
// Wine running as root, which would otherwise write it).
bool ReadOnly(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0;
}

// The handle as a C run-time descriptor, read, written and closed like one on Linux; -1 (and the
// handle closed) when the run-time has no room for it.
int Descriptor(HANDLE h, int flags) {
  const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), flags | _O_BINARY);
  if (fd < 0) CloseHandle(h);
  return fd;
}

}  // namespace

int FileTryOpenRead(TFile& file, const std::string& gamePath) {
  file.Descriptor = -1;
  const std::string path = WindowsPath(gamePath);
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return SystemErrorToRunError(GetLastError());
  // Only a file on a disk: a pipe or a device (CON, NUL, …) is refused as on Linux.
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    return kErrAccessDenied;
  }
  file.Descriptor = Descriptor(h, _O_RDONLY);
  return file.Descriptor < 0 ? kErrAccessDenied : 0;
}

namespace {

int OpenForWriting(TFile& file, const std::string& gamePath, DWORD how) {
  file.Descriptor = -1;
  const std::string path = WindowsPath(gamePath);
  if (ReadOnly(path)) return kErrAccessDenied;
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, how, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return SystemErrorToRunError(GetLastError());
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    return kErrAccessDenied;
  }
  file.Descriptor = Descriptor(h, _O_WRONLY);
  return file.Descriptor < 0 ? kErrAccessDenied : 0;
}

}  // namespace

int FileTryOpenWrite(TFile& file, const std::string& gamePath) { return OpenForWriting(file, gamePath, OPEN_EXISTING); }

int FileTryCreate(TFile& file, const std::string& gamePath) { return OpenForWriting(file, gamePath, CREATE_ALWAYS); }

int FileTrySync(TFile& file) {
  if (file.Descriptor < 0) return kErrFileNotOpen;
  HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(file.Descriptor));
  return h != INVALID_HANDLE_VALUE && FlushFileBuffers(h) ? 0 : kErrDiskWrite;
}

int FileTryRename(const std::string& fromGamePath, const std::string& toGamePath) {
  const std::string from = WindowsPath(fromGamePath);
  const std::string to = WindowsPath(toGamePath);
  // One step on the disk: the old file or the new one, never half of either.
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)
             ? 0
             : SystemErrorToRunError(GetLastError());
}

int FileTryErase(const std::string& gamePath) {
  const std::string path = WindowsPath(gamePath);
  return DeleteFileA(path.c_str()) ? 0 : SystemErrorToRunError(GetLastError());
}
