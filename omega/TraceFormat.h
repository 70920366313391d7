// The one writer of trace lines: how a call of an engine operation is written, for the engine's
// OMEGA_TRACE and for the fake engine of the tests alike. Each argument is wrapped in its kind (the
// operation list, engine/OMEGA_list.h, names them), which says how it is written; fields are
// separated by one space and a result follows " =".
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <type_traits>
#include <utility>

#include "engine/OMEGA_list.h"
#include "platform/Cp1251.h"

namespace trace_format {

struct Void {};
struct Int { int32_t Value; };
struct Colour { uint32_t Value; };
struct Float { float Value; };
struct Boolean { bool Value; };
struct Text { const char* Value; };
struct Handle { OEHandle Value; };
struct Flag { OEHandle Value; };
struct Role { int32_t Value; };
struct Proc { OEProc Value; };
// A result: written after " =".
template <class Kind>
struct Result { Kind Value; };

// A handle's number as the trace shows it (its load order, from 1), 0 when it is none the writer knows.
using HandleNumber = int (*)(OEHandle);

struct Line {
  std::string Out;
  HandleNumber Numbers;
  const char* ProcName = "timer";  // what a callback argument is written as
};

inline void Put(Line& l, Int a) { l.Out += std::to_string(a.Value); }
inline void Put(Line& l, Colour a) { l.Out += std::to_string(a.Value); }
inline void Put(Line& l, Flag a) { l.Out += std::to_string(a.Value); }
inline void Put(Line& l, Boolean a) { l.Out += a.Value ? '1' : '0'; }
inline void Put(Line& l, Float a) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "%.9g", static_cast<double>(a.Value));
  l.Out += buffer;
}
inline void Put(Line& l, Text a) {
  l.Out += '"';
  for (const char c : Cp1251ToUtf8(a.Value != nullptr ? a.Value : "")) {
    if (c == '"' || c == '\\') l.Out += '\\';
    l.Out += c;
  }
  l.Out += '"';
}
inline void Put(Line& l, Handle a) {
  if (a.Value == 0) {
    l.Out += '0';
    return;
  }
  const int n = l.Numbers(a.Value);
  l.Out += n > 0 ? std::to_string(n) : "?";
}
inline void Put(Line& l, Role a) {
  l.Out += std::to_string(a.Value);
  l.ProcName = a.Value == 0 ? "draw" : a.Value == 1 ? "load" : a.Value == 2 ? "quit" : "proc";
}
inline void Put(Line& l, Proc) { l.Out += l.ProcName; }
template <class Kind>
void Put(Line& l, const Result<Kind>& r) {
  l.Out += '=';
  Put(l, r.Value);
}

// "name arg arg ... =result", without the tick.
template <class... Args>
std::string TraceCall(HandleNumber numbers, const char* name, const Args&... args) {
  Line l{name, numbers};
  ((l.Out += ' ', Put(l, args)), ...);
  return std::move(l.Out);
}

// Runs an operation's body and, when `on`, hands its line to `sink`: before the body when the operation
// has no result (what it starts, such as the loop of OE_Init, comes after it), after it with the result
// otherwise.
template <class ResultKind, class Sink, class Body, class... Args>
auto Traced(bool on, Sink&& sink, HandleNumber numbers, const char* name, Body&& body, const Args&... args) {
  if constexpr (std::is_same_v<ResultKind, Void>) {
    if (on) sink(TraceCall(numbers, name, args...));
    body();
  } else {
    const auto result = body();
    if (on) sink(TraceCall(numbers, name, args..., Result<ResultKind>{ResultKind{result}}));
    return result;
  }
}

}  // namespace trace_format

// The arguments of an operation wrapped in their kinds, for TraceCall: (trace_format::Int{mode}, ...).
#define OMEGA_TRACE_ARG(kind, name) trace_format::kind{name}
#define OMEGA_TRACE_ARGS(...) OMEGA_EACH(OMEGA_TRACE_ARG, __VA_ARGS__)
