#include "omega/trace/TraceFormat.h"

#include <charconv>
#include <cstdio>

#include "base/Cp1251.h"

namespace trace_format {

void Put(Line& l, Int a) { l.Out += std::to_string(a.Value); }
void Put(Line& l, Colour a) { l.Out += std::to_string(a.Value); }
void Put(Line& l, Flag a) { l.Out += a.Value != 0 ? '1' : '0'; }
void Put(Line& l, Boolean a) { l.Out += a.Value ? '1' : '0'; }

// As "%.9g" prints it, but from the C++ library's own conversion: the C libraries of Linux and Windows
// print some floats differently, and a trace must read the same on both.
void Put(Line& l, Float a) {
  char buffer[32];
#if defined(__cpp_lib_to_chars)
  const auto done =
      std::to_chars(buffer, buffer + sizeof buffer, static_cast<double>(a.Value), std::chars_format::general, 9);
  l.Out.append(buffer, done.ptr);
#else
  // A C++ library without the floating-point conversion (LLVM 14's, in the browser build) sits on musl,
  // whose printf rounds exactly, as the conversion does.
  const int n = std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(a.Value));
  l.Out.append(buffer, static_cast<size_t>(n));
#endif
}

// In double quotes, Windows-1251 shown as UTF-8, '"' and '\' escaped.
void Put(Line& l, Text a) {
  l.Out += '"';
  for (const char c : Cp1251ToUtf8(a.Value != nullptr ? a.Value : "")) {
    if (c == '"' || c == '\\') l.Out += '\\';
    l.Out += c;
  }
  l.Out += '"';
}

void Put(Line& l, Handle a) {
  if (a.Value == 0) {
    l.Out += '0';
    return;
  }
  const int n = l.Numbers(a.Value);
  if (n > 0)
    l.Out += std::to_string(n);
  else
    l.Out += '?';
}

void Put(Line& l, Role a) {
  l.Out += std::to_string(a.Value);
  switch (a.Value) {
    case 0: l.ProcName = "draw"; break;
    case 1: l.ProcName = "load"; break;
    case 2: l.ProcName = "quit"; break;
    default: l.ProcName = "proc"; break;
  }
}

void Put(Line& l, Proc) { l.Out += l.ProcName; }

}  // namespace trace_format
