// The Windows half of the run-time services: the seed counter, the error numbers and saving a whole
// file, on the Win32 calls.
#include <windows.h>

#include <algorithm>
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

// Tries at a fresh name for the new file before giving up (someone squatting on the names).
constexpr int kTempNameTries = 100;

uint32_t RandomBits(int attempt) {
  LARGE_INTEGER now{};
  QueryPerformanceCounter(&now);
  return static_cast<uint32_t>(now.QuadPart) ^ (GetCurrentProcessId() << 16) ^ static_cast<uint32_t>(attempt) * 2654435761u;
}

int WriteAll(HANDLE h, const void* data, std::size_t count) {
  const auto* in = static_cast<const unsigned char*>(data);
  std::size_t done = 0;
  while (done < count) {
    const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(count - done, 1u << 30));
    DWORD n = 0;
    if (!WriteFile(h, in + done, chunk, &n, nullptr) || n == 0) return kErrDiskWrite;
    done += n;
  }
  return 0;
}

int Flush(HANDLE h) { return FlushFileBuffers(h) ? 0 : kErrDiskWrite; }

// The bytes over the old ones, never truncating first; a longer file is cut once they are on the disk.
int OverwriteInPlace(HANDLE h, const void* data, std::size_t count) {
  int code = WriteAll(h, data, count);
  if (code == 0) code = Flush(h);
  LARGE_INTEGER size{};
  if (code == 0 && GetFileSizeEx(h, &size) && static_cast<uint64_t>(size.QuadPart) > count) {
    LARGE_INTEGER end{};
    end.QuadPart = static_cast<LONGLONG>(count);
    if (!SetFilePointerEx(h, end, nullptr, FILE_BEGIN) || !SetEndOfFile(h)) return kErrDiskWrite;
    code = Flush(h);
  }
  return code;
}

}  // namespace

int FileTrySaveWhole(const std::string& gamePath, const void* data, std::size_t count) {
  const std::string path = WindowsPath(gamePath);

  // The old file must be a file we may write: a records file protected against writing (read-only
  // attribute, or denied to us) is not replaced behind its owner's back.
  if (ReadOnly(path)) return kErrAccessDenied;
  HANDLE old = CreateFileA(path.c_str(), GENERIC_WRITE, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (old == INVALID_HANDLE_VALUE) {
    const DWORD err = GetLastError();
    if (err != ERROR_FILE_NOT_FOUND) return SystemErrorToRunError(err);
  } else if (GetFileType(old) != FILE_TYPE_DISK) {
    CloseHandle(old);
    return kErrAccessDenied;
  }

  std::string temp;
  HANDLE h = INVALID_HANDLE_VALUE;
  DWORD err = ERROR_FILE_EXISTS;
  for (int attempt = 0; attempt < kTempNameTries && h == INVALID_HANDLE_VALUE; ++attempt) {
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(RandomBits(attempt)));
    temp = path + suffix;
    h = CreateFileA(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      err = GetLastError();
      if (err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS) break;
    }
  }
  if (h == INVALID_HANDLE_VALUE) {
    // A folder that takes no new file (an installed game whose records file alone is writable): the
    // bytes go over the old ones.
    int code = SystemErrorToRunError(err);
    if (old != INVALID_HANDLE_VALUE && err == ERROR_ACCESS_DENIED) code = OverwriteInPlace(old, data, count);
    if (old != INVALID_HANDLE_VALUE) CloseHandle(old);
    return code;
  }
  if (old != INVALID_HANDLE_VALUE) CloseHandle(old);

  int code = WriteAll(h, data, count);
  if (code == 0) code = Flush(h);
  if (!CloseHandle(h) && code == 0) code = kErrDiskWrite;
  // One step on the disk: the old table or the new one, never half of either.
  if (code == 0 && !MoveFileExA(temp.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
    code = SystemErrorToRunError(GetLastError());
  if (code != 0) DeleteFileA(temp.c_str());
  return code;
}
