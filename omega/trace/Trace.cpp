#include "omega/trace/Trace.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "omega/Engine.h"
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
  // The engine is never destroyed at exit: what is buffered is written out then.
  static const bool registered = (std::atexit(FlushTrace), true);
  (void)registered;
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

bool Tracing() { return E().Trace.On(); }

void TraceLine(const std::string& text) { E().Trace.Line(E().Loop.Tick, text); }

void FlushTrace() { E().Trace.Flush(); }

int HandleNumber(OEHandle handle) {
  const PictureStore& p = E().Pictures;
  if (const auto t = p.Textures.find(handle); t != p.Textures.end()) return t->second->Seq;
  if (const auto f = p.Fonts.find(handle); f != p.Fonts.end()) return f->second->Seq;
  return 0;
}

}  // namespace omega
