#include "omega/Trace.h"

#include <cstdio>
#include <cstdlib>

#include "omega/Engine.h"

namespace omega {

namespace {

FILE* gTrace = nullptr;
bool gChecked = false;

}  // namespace

bool Tracing() {
  if (!gChecked) {
    gChecked = true;
    const char* path = std::getenv("OMEGA_TRACE");
    if (path != nullptr && *path != '\0') {
      // Binary: the same bytes on every system, no line ends turned into CR LF.
      gTrace = std::fopen(path, "ab");
      if (gTrace == nullptr) {
        std::fprintf(stderr, "OMEGA: cannot open the trace file %s\n", path);
      } else {
        std::setvbuf(gTrace, nullptr, _IOFBF, 1 << 20);
        static const bool registered = (std::atexit(FlushTrace), true);
        (void)registered;
      }
    }
  }
  return gTrace != nullptr;
}

void TraceLine(const std::string& text) {
  if (!Tracing()) return;
  std::fprintf(gTrace, "%lld %s\n", static_cast<long long>(E().Tick), text.c_str());
}

void FlushTrace() {
  if (gTrace != nullptr) std::fflush(gTrace);
}

std::string HandleText(OEHandle handle) {
  if (handle == 0) return "0";
  const Engine& e = E();
  if (const auto t = e.Textures.find(handle); t != e.Textures.end()) return std::to_string(t->second->Seq);
  if (const auto f = e.Fonts.find(handle); f != e.Fonts.end()) return std::to_string(f->second->Seq);
  return "?";
}

void ResetTrace() {
  if (gTrace != nullptr) std::fclose(gTrace);
  gTrace = nullptr;
  gChecked = false;
}

}  // namespace omega
