#include "omega/trace/Trace.h"

#include <cerrno>
#include <cstring>

#include "omega/system/System.h"

namespace omega {

TraceLog::~TraceLog() {
  if (File_ != nullptr) std::fclose(File_);
}

void TraceLog::Open(const std::string& path) {
  if (path.empty() || File_ != nullptr) return;
  Path_ = path;
  // Binary: the same bytes on every system, no line ends turned into CR LF.
  File_ = OpenForAppending(path);
  if (File_ == nullptr) {
    Fail(errno);
    return;
  }
  std::setvbuf(File_, nullptr, _IOFBF, 1 << 20);
}

void TraceLog::Line(int64_t tick, const std::string& text) {
  if (On() && std::fprintf(File_, "%lld %s\n", static_cast<long long>(tick), text.c_str()) < 0) Fail(errno);
}

void TraceLog::Flush() {
  if (File_ != nullptr && std::fflush(File_) != 0) Fail(errno);
}

void TraceLog::Fail(int err) {
  if (!Failed_)
    std::fprintf(stderr, "OMEGA: cannot write the trace file %s: %s (the run ends with status %d)\n", Path_.c_str(),
                 std::strerror(err), kTraceFailedStatus);
  Failed_ = true;
  if (File_ != nullptr) {
    std::fclose(File_);
    File_ = nullptr;
  }
}

}  // namespace omega
