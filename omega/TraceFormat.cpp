#include "omega/TraceFormat.h"

#include <charconv>

#include "platform/Cp1251.h"

namespace trace_format {

std::string Int(int64_t value) { return std::to_string(value); }

// As "%.9g" prints it, but from the C++ library's own conversion: the C libraries of Linux and Windows
// print some floats differently, and a trace must read the same on both.
std::string Float(float value) {
  char buffer[32];
  const auto done = std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(value), std::chars_format::general, 9);
  return std::string(buffer, done.ptr);
}

std::string Text(const char* cp1251) {
  std::string out = "\"";
  for (const char c : Cp1251ToUtf8(cp1251 != nullptr ? cp1251 : "")) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  out += '"';
  return out;
}

}  // namespace trace_format
