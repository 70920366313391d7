// The one writer of trace lines: how a call of an engine operation is written, for the engine's
// OMEGA_TRACE and for the fake engine of the tests alike. Each argument is wrapped in its kind (the
// operation list, engine/OMEGA_list.h, names them), which says how it is written; fields are
// separated by one space and a result follows " =".
#pragma once
#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>

#include "engine/OMEGA_list.h"

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

// A handle's number as the trace shows it (its load order, from 1); 0 for a handle the writer's owner
// never gave, which is written as "?".
using HandleNumber = int (*)(OEHandle);

// A line being written.
struct Line {
  std::string Out;
  HandleNumber Numbers;
  const char* ProcName = "timer";  // what a callback argument is written as; a Role before it names it
};

void Put(Line& l, Int a);
void Put(Line& l, Colour a);
void Put(Line& l, Float a);
void Put(Line& l, Boolean a);
void Put(Line& l, Text a);
void Put(Line& l, Handle a);
void Put(Line& l, Flag a);
void Put(Line& l, Role a);
void Put(Line& l, Proc a);
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

// Runs an operation's body and hands its line to `sink` when `on(result)` says so. An operation without
// a result is written before its body runs (what it starts, such as the loop of OE_Init, comes after
// it); one with a result after, with the result.
template <class ResultKind, class On, class Sink, class Body, class... Args>
auto Traced(On&& on, Sink&& sink, HandleNumber numbers, const char* name, Body&& body, const Args&... args) {
  if constexpr (std::is_same_v<ResultKind, Void>) {
    if (on()) sink(TraceCall(numbers, name, args...));
    body();
  } else {
    const auto result = body();
    if (on(result)) sink(TraceCall(numbers, name, args..., Result<ResultKind>{ResultKind{result}}));
    return result;
  }
}

}  // namespace trace_format

// The arguments of an operation wrapped in their kinds, for TraceCall: (trace_format::Int{mode}, ...).
#define OMEGA_TRACE_ARG(kind, name) trace_format::kind{name}
#define OMEGA_TRACE_ARGS(...) OMEGA_EACH(OMEGA_TRACE_ARG, __VA_ARGS__)
