// Opening on the POSIX calls.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "base/RegularFile.h"

namespace {

OpenProblem ProblemOf(int err) {
  switch (err) {
    case ENOENT: return OpenProblem::NoFile;
    case ENOTDIR: return OpenProblem::NoFolder;
    case ENOSPC: case EDQUOT: case EIO: case EFBIG: return OpenProblem::DiskFault;
    default: return OpenProblem::Denied;  // EACCES, EPERM, EISDIR, EROFS, ELOOP, ENXIO, …
  }
}

}  // namespace

OpenedFile OpenRegularFile(const std::string& path) {
  OpenedFile opened;
  // Non-blocking, so that a FIFO does not wait here for a writer that never comes; only a regular file
  // is kept, and it reads the same either way.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    opened.Problem = ProblemOf(errno);
    return opened;
  }
  struct stat st{};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    opened.Problem = OpenProblem::NotRegular;
    return opened;
  }
  const int flags = fcntl(fd, F_GETFL);
  if (flags != -1) fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
  opened.Descriptor = fd;
  return opened;
}
