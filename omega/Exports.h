// The operations the game calls, exported with C linkage under their names. The declarations come
// from the game's own operation table, so a signature cannot drift from what the game binds.
#pragma once
#include "engine/OMEGA_list.h"

// How an operation leaves the library; the Windows build defines it as __declspec(dllexport).
#ifndef OMEGA_API
#define OMEGA_API __attribute__((visibility("default")))
#endif
#define OMEGA_EXPORT_DECL_1(ret, name, params) OMEGA_API ret name params;
#define OMEGA_EXPORT_DECL_0(ret, name, params)
#define OMEGA_EXPORT_DECL(used, ret, name, params) OMEGA_EXPORT_DECL_##used(ret, name, params)
extern "C" {
OMEGA_OPERATIONS(OMEGA_EXPORT_DECL)
}
#undef OMEGA_EXPORT_DECL
#undef OMEGA_EXPORT_DECL_0
#undef OMEGA_EXPORT_DECL_1
