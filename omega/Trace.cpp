#include "omega/Trace.h"

#include <cstdlib>

#include "omega/Engine.h"

namespace omega {

TraceLog::~TraceLog() {
  if (File_ != nullptr) std::fclose(File_);
}

TraceLog::TraceLog() {
  const char* path = std::getenv("OMEGA_TRACE");
  if (path == nullptr || *path == '\0') return;
  File_ = std::fopen(path, "a");
  if (File_ == nullptr) {
    std::fprintf(stderr, "OMEGA: cannot open the trace file %s\n", path);
    return;
  }
  std::setvbuf(File_, nullptr, _IOFBF, 1 << 20);
  // The engine is never destroyed at exit: what is buffered is written out then.
  static const bool registered = (std::atexit(FlushTrace), true);
  (void)registered;
}

void TraceLog::Line(int64_t tick, const std::string& text) {
  if (On()) std::fprintf(File_, "%lld %s\n", static_cast<long long>(tick), text.c_str());
}

void TraceLog::Flush() {
  if (File_ != nullptr) std::fflush(File_);
}

bool Tracing() { return E().Trace.On(); }

void TraceLine(const std::string& text) { E().Trace.Line(E().Loop.Tick, text); }

void FlushTrace() { E().Trace.Flush(); }

std::string HandleText(OEHandle handle) {
  if (handle == 0) return "0";
  const PictureStore& p = E().Pictures;
  if (const auto t = p.Textures.find(handle); t != p.Textures.end()) return std::to_string(t->second->Seq);
  if (const auto f = p.Fonts.find(handle); f != p.Fonts.end()) return std::to_string(f->second->Seq);
  return "?";
}

}  // namespace omega
