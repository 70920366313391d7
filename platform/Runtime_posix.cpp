// The Linux half of the run-time services: the seed counter, the error numbers of errno values and saving
// a whole file, on the POSIX calls.
#include <fcntl.h>
#include <limits.h>
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
    default: return kErrAccessDenied;  // EACCES, EPERM, EISDIR, EROFS, ELOOP, ENXIO, …
  }
}

// ---- saving a whole file -----------------------------------------------------------------------

namespace {

// More links than this in a row is a loop.
constexpr int kMaxLinksFollowed = 40;
// Tries at a fresh name for the new file before giving up (someone squatting on the names).
constexpr int kTempNameTries = 100;

// The path a name leads to through links, a relative link read from its own folder. A name that leads
// to nothing yet is kept as far as it goes, so a save creates the file a dangling link names.
int FollowLinks(std::string& path) {
  for (int i = 0; i < kMaxLinksFollowed; ++i) {
    struct stat st{};
    if (::lstat(path.c_str(), &st) != 0) return errno == ENOENT ? 0 : ErrnoToRunError(errno);
    if (!S_ISLNK(st.st_mode)) return 0;
    char target[PATH_MAX];
    const ssize_t n = ::readlink(path.c_str(), target, sizeof target);
    if (n <= 0 || static_cast<std::size_t>(n) >= sizeof target) return kErrAccessDenied;
    const std::string to(target, static_cast<std::size_t>(n));
    const std::size_t slash = path.rfind('/');
    path = to[0] == '/' || slash == std::string::npos ? to : path.substr(0, slash + 1) + to;
  }
  return kErrAccessDenied;
}

std::string FolderOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

uint64_t RandomBits() {
  uint64_t bits = 0;
  if (getentropy(&bits, sizeof bits) != 0)
    bits = (static_cast<uint64_t>(SeedCounter()) << 32) ^ static_cast<uint64_t>(getpid());
  return bits;
}

// A new file of a name nobody else uses, beside `path` ("records.vyx.1f3a9c0d.tmp"): created
// exclusively and never through a link, so that another save at the same moment, or a link planted under
// a likely name, cannot make two writers share it. Returns 0 or the errno.
int CreateBeside(const std::string& path, const struct stat* old, std::string& temp, int& fd) {
  for (int attempt = 0; attempt < kTempNameTries; ++attempt) {
    char suffix[24];
    std::snprintf(suffix, sizeof suffix, ".%08x.tmp", static_cast<unsigned>(RandomBits()));
    temp = path + suffix;
    // Without an old file, the new one gets the permissions any new file would.
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, old != nullptr ? 0600 : 0644);
    if (fd >= 0) break;
    if (errno != EEXIST) return errno;
  }
  if (fd < 0) return EEXIST;
  if (old != nullptr) {
    // The old file's owner and permissions, as far as we may give them (the owner first: a change of
    // owner clears some permission bits). Neither failing spoils the save.
    if ((old->st_uid != geteuid() || old->st_gid != getegid()) && ::fchown(fd, old->st_uid, old->st_gid) != 0) {
    }
    ::fchmod(fd, old->st_mode & 07777);
  }
  return 0;
}

int WriteAllAt(int fd, const void* data, std::size_t count, off_t offset) {
  const auto* in = static_cast<const unsigned char*>(data);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::pwrite(fd, in + done, count - done, offset + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return kErrDiskWrite;
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

int Sync(int fd) { return ::fsync(fd) != 0 && errno != EINVAL && errno != EROFS ? kErrDiskWrite : 0; }

// The rename itself must reach the disk too.
int SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return 0;  // a folder we may write in but not read: the rename stands, unsynced
  const int code = Sync(fd);
  ::close(fd);
  return code;
}

// The bytes over the old ones, never truncating first: a kill at any moment leaves a file of the full
// size. Only a longer file is cut, once the new bytes are on the disk.
int OverwriteInPlace(int fd, const void* data, std::size_t count) {
  int code = WriteAllAt(fd, data, count, 0);
  if (code == 0) code = Sync(fd);
  struct stat st{};
  if (code == 0 && ::fstat(fd, &st) == 0 && st.st_size > static_cast<off_t>(count)) {
    if (::ftruncate(fd, static_cast<off_t>(count)) != 0) return kErrDiskWrite;
    code = Sync(fd);
  }
  return code;
}

}  // namespace

int FileTrySaveWhole(const std::string& gamePath, const void* data, std::size_t count) {
  std::string path = NativePath(gamePath);
  if (const int code = FollowLinks(path); code != 0) return code;

  // The old file must be a regular file we may write: a records file protected against writing is not
  // replaced behind its owner's back. Non-blocking, so that a FIFO without a reader does not hold us.
  struct stat old{};
  const int oldFd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
  if (oldFd < 0 && errno != ENOENT) return ErrnoToRunError(errno);
  if (oldFd >= 0 && (::fstat(oldFd, &old) != 0 || !S_ISREG(old.st_mode))) {
    ::close(oldFd);
    return kErrAccessDenied;
  }

  std::string temp;
  int fd = -1;
  const int created = CreateBeside(path, oldFd >= 0 ? &old : nullptr, temp, fd);
  if (created != 0) {
    int code = ErrnoToRunError(created);
    if (oldFd >= 0 && (created == EACCES || created == EPERM)) {
      const int flags = fcntl(oldFd, F_GETFL);
      if (flags != -1) fcntl(oldFd, F_SETFL, flags & ~O_NONBLOCK);
      code = OverwriteInPlace(oldFd, data, count);
    }
    if (oldFd >= 0) ::close(oldFd);
    return code;
  }
  if (oldFd >= 0) ::close(oldFd);

  int code = WriteAllAt(fd, data, count, 0);
  if (code == 0) code = Sync(fd);
  if (::close(fd) != 0 && errno != EINTR && code == 0) code = kErrDiskWrite;
  if (code == 0 && ::rename(temp.c_str(), path.c_str()) != 0) code = ErrnoToRunError(errno);
  if (code != 0) {
    ::unlink(temp.c_str());
    return code;
  }
  return SyncFolder(FolderOf(path));
}
