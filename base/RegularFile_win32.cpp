// Opening on the Win32 calls; the handle becomes a C run-time descriptor, read and closed as on Linux.
#include <windows.h>

#include <fcntl.h>
#include <io.h>

#include "base/RegularFile.h"

namespace {

OpenProblem ProblemOf(DWORD err) {
  switch (err) {
    case ERROR_FILE_NOT_FOUND: return OpenProblem::NoFile;
    case ERROR_PATH_NOT_FOUND: case ERROR_INVALID_NAME: case ERROR_BAD_PATHNAME: return OpenProblem::NoFolder;
    case ERROR_DISK_FULL: case ERROR_HANDLE_DISK_FULL: case ERROR_WRITE_FAULT: return OpenProblem::DiskFault;
    default: return OpenProblem::Denied;  // denied, shared, a folder, …
  }
}

}  // namespace

OpenedFile OpenRegularFile(const std::string& path) {
  OpenedFile opened;
  std::string windowsPath = path;
  for (char& c : windowsPath)
    if (c == '/') c = '\\';
  // Shared with anyone, like a file on Linux: another program reading or replacing it meanwhile is no
  // reason to fail.
  constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE h = CreateFileA(windowsPath.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    opened.Problem = ProblemOf(GetLastError());
    return opened;
  }
  // Only a file on a disk: a pipe or a device (CON, NUL, …) is refused as on Linux.
  if (GetFileType(h) != FILE_TYPE_DISK) {
    CloseHandle(h);
    opened.Problem = OpenProblem::NotRegular;
    return opened;
  }
  opened.Descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(h), _O_RDONLY | _O_BINARY);
  if (opened.Descriptor < 0) {
    CloseHandle(h);
    opened.Problem = OpenProblem::Denied;  // the run-time has no room for another descriptor
  }
  return opened;
}
