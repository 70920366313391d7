#include "omega/TraceFormat.h"

#include <cstdio>

#include "platform/Cp1251.h"

namespace trace_format {

std::string Int(int64_t value) { return std::to_string(value); }

std::string Float(float value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(value));
  return buffer;
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
