// The engine's file services on POSIX systems, the browser's in-memory file system included.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

#include "omega/system/System.h"

namespace omega {

bool StampOf(const std::string& path, FileStamp& out) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return false;
  out = FileStamp{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino), static_cast<int64_t>(st.st_size),
                  int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec,
                  int64_t{st.st_ctim.tv_sec} * 1000000000 + st.st_ctim.tv_nsec};
  return true;
}

NewFile CreateNewFile(const std::string& name) {
  const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd >= 0) {
    ::close(fd);
    return NewFile::Created;
  }
  return errno == EEXIST ? NewFile::Taken : NewFile::Failed;
}

}  // namespace omega
