// The one reader of traces (OMEGA_TRACE): a line back into its tick, operation, arguments and result,
// for the tests and the benchmarks. The format is the one the writer, omega/trace/TraceFormat.h, writes.
#pragma once
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace trace_reader {

struct Call {
  int64_t Tick = 0;
  std::string Name;
  std::vector<std::string> Args;  // as written, but texts unquoted and unescaped (UTF-8)
  bool HasResult = false;
  std::string Result;             // after '=', a text unquoted
  std::string Body;               // the line after the tick: "name args =result", as written

  int32_t Int(size_t i) const;     // argument i as a number, 0 when it is not one
  float Float(size_t i) const;
  int32_t ResultInt() const;
  bool operator==(const Call&) const = default;
};

// False when the line is not "<tick> <name> ...".
bool ParseCall(const std::string& line, Call& out);
// A line without its tick ("<name> ...", as the fake engine records it); its Tick is 0.
bool ParseBody(const std::string& body, Call& out);
// Every well-formed, complete (newline-ended) line of a trace's text, in order.
std::vector<Call> ParseTrace(const std::string& text);
// The same from a file; empty when it cannot be read.
std::vector<Call> ReadTrace(const std::string& file);
// Each well-formed line of a file in turn, without holding them all (long recordings); false when the
// file cannot be read.
bool ForEachCall(const std::string& file, const std::function<void(const Call&)>& each);

}  // namespace trace_reader
