// The trace of a run (OMEGA_TRACE=<file>): one line per operation the game calls, buffered, and
// flushed when the loop ends, at exit and before a scripted run fails.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/OMEGA_list.h"

namespace omega {

class TraceLog {
 public:
  // Opens the file OMEGA_TRACE names, if any, for appending.
  TraceLog();
  TraceLog(const TraceLog&) = delete;
  TraceLog& operator=(const TraceLog&) = delete;
  ~TraceLog();  // flushes and closes the file

  // True when OMEGA_TRACE named a file that could be opened.
  bool On() const { return File_ != nullptr; }
  // Writes "<tick> <text>\n".
  void Line(int64_t tick, const std::string& text);
  void Flush();

 private:
  std::FILE* File_ = nullptr;
};

// The engine's trace.
bool Tracing();
void TraceLine(const std::string& text);
void FlushTrace();
// A handle as the trace shows it: its load number, 0 for 0, "?" for a value the engine never gave.
std::string HandleText(OEHandle handle);

}  // namespace omega
