// The operations the game calls, exported with C linkage under their names, and the engine's bodies of
// them. Both are declared from the game's own operation list, so a signature cannot drift from what the
// game binds; each export runs its body and writes its trace line (Exports.cpp).
#pragma once
#include "engine/OMEGA_list.h"

// How an operation leaves the library; the Windows build defines it as __declspec(dllexport).
#ifndef OMEGA_API
#define OMEGA_API __attribute__((visibility("default")))
#endif

#define OMEGA_EXPORT_DECL(used, ret, name, ...) OMEGA_API OMEGA_TYPE(ret) name(OMEGA_PARAMS(__VA_ARGS__));
extern "C" {
OMEGA_OPERATIONS(OMEGA_EXPORT_DECL)
}
#undef OMEGA_EXPORT_DECL

// The body of each operation the game calls: what it does, without the trace.
namespace omega::ops {
#define OMEGA_BODY_DECL(used, ret, name, ...) OMEGA_BODY_DECL_##used(ret, name, __VA_ARGS__)
#define OMEGA_BODY_DECL_0(ret, name, ...)
#define OMEGA_BODY_DECL_1(ret, name, ...) OMEGA_TYPE(ret) name(OMEGA_PARAMS(__VA_ARGS__));
OMEGA_OPERATIONS(OMEGA_BODY_DECL)
#undef OMEGA_BODY_DECL
#undef OMEGA_BODY_DECL_0
#undef OMEGA_BODY_DECL_1
}  // namespace omega::ops
