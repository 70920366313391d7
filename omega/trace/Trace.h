// The trace of a run (OMEGA_TRACE=<file>): one line per operation the game calls, buffered, and
// flushed when the loop ends, at exit and before a scripted run fails. A trace that cannot be opened
// or written (a full disk) is reported once on standard error, written no further, and fails the run
// with kTraceFailedStatus when the loop ends: a test must not read a cut trace as a whole one.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

namespace omega {

// The exit status of a run whose trace could not be written (EX_IOERR of sysexits.h).
constexpr int kTraceFailedStatus = 74;

class TraceLog {
 public:
  // Off until opened.
  TraceLog() = default;
  TraceLog(const TraceLog&) = delete;
  TraceLog& operator=(const TraceLog&) = delete;
  ~TraceLog();  // flushes and closes the file

  // Opens the file (OMEGA_TRACE) for appending; "" leaves the trace off.
  void Open(const std::string& path);

  // True when a file was named and could be opened.
  bool On() const { return File_ != nullptr; }
  // Writes "<tick> <text>\n".
  void Line(int64_t tick, const std::string& text);
  void Flush();
  // The trace could not be opened or written.
  bool Failed() const { return Failed_; }

 private:
  void Fail(int err);

  std::FILE* File_ = nullptr;
  std::string Path_;
  bool Failed_ = false;
};

}  // namespace omega
