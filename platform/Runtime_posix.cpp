// The Linux half of the run-time services: the seed counter and what opens, syncs, renames and erases
// files, on the POSIX calls.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>

#include "platform/Runtime.h"

uint32_t SeedCounter() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const uint64_t ns = static_cast<uint64_t>(now.tv_sec) * 1000000000ull + static_cast<uint64_t>(now.tv_nsec);
  return static_cast<uint32_t>(ns);
}

int ErrnoToRunError(int err) {
  switch (err) {
    case ENOENT: return kErrFileNotFound;
    case ENOTDIR: return kErrPathNotFound;
    case ENOSPC: case EDQUOT: case EIO: case EFBIG: return kErrDiskWrite;
    default: return kErrAccessDenied;  // EACCES, EPERM, EISDIR, EROFS, ELOOP, …
  }
}

int FileTryOpenRead(TFile& file, const std::string& gamePath) {
  file.Descriptor = -1;
  const std::string path = NativePath(gamePath);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return ErrnoToRunError(errno);
  struct stat st{};
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return kErrAccessDenied;
  }
  file.Descriptor = fd;
  return 0;
}

int FileTryOpenWrite(TFile& file, const std::string& gamePath) {
  file.Descriptor = -1;
  const std::string path = NativePath(gamePath);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return ErrnoToRunError(errno);
  file.Descriptor = fd;
  return 0;
}

int FileTryCreate(TFile& file, const std::string& gamePath) {
  file.Descriptor = -1;
  const std::string path = NativePath(gamePath);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return ErrnoToRunError(errno);
  file.Descriptor = fd;
  return 0;
}

int FileTrySync(TFile& file) {
  if (file.Descriptor < 0) return kErrFileNotOpen;
  if (::fsync(file.Descriptor) != 0 && errno != EINVAL) return kErrDiskWrite;
  return 0;
}

int FileTryRename(const std::string& fromGamePath, const std::string& toGamePath) {
  const std::string from = NativePath(fromGamePath);
  const std::string to = NativePath(toGamePath);
  return ::rename(from.c_str(), to.c_str()) != 0 ? ErrnoToRunError(errno) : 0;
}

int FileTryErase(const std::string& gamePath) {
  const std::string path = NativePath(gamePath);
  return ::unlink(path.c_str()) != 0 ? ErrnoToRunError(errno) : 0;
}
