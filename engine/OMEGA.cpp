#include "engine/OMEGA.h"

#include <cfenv>
#include <cstring>

#define OMEGA_DEFINE_POINTER(used, ret, name, ...) OMEGA_TYPE(ret) (*name)(OMEGA_PARAMS(__VA_ARGS__)) = nullptr;
OMEGA_OPERATIONS(OMEGA_DEFINE_POINTER)
#undef OMEGA_DEFINE_POINTER

HMODULE EngineModule = nullptr;

namespace {

HMODULE gLookupModule = nullptr;

void* LookupInModule(const char* name) { return GetProcAddress(gLookupModule, name); }

}  // namespace

void SetGameFloatingPoint() {
  std::fesetround(FE_TONEAREST);
#if defined(__x86_64__) || defined(__i386__)
  // Mask all six exceptions in SSE (MXCSR bits 7..12) and x87 (control word 0x133F would also set
  // 64-bit precision; SSE arithmetic is what the compiler emits here, and it rounds the same way).
  unsigned int mxcsr = 0;
  __asm__ volatile("stmxcsr %0" : "=m"(mxcsr));
  mxcsr |= 0x1F80u;
  __asm__ volatile("ldmxcsr %0" : : "m"(mxcsr));
  unsigned short cw = 0x133F;
  __asm__ volatile("fldcw %0" : : "m"(cw));
#endif
}

void BindEngine(EngineLookup lookup) {
#define OMEGA_BIND(used, ret, name, ...) name = reinterpret_cast<decltype(name)>(lookup(#name));
  OMEGA_OPERATIONS(OMEGA_BIND)
#undef OMEGA_BIND
}

void LoadEngine(const std::string& LibraryPath) {
  EngineModule = LoadLibraryA(LibraryPath.c_str());
  // After the load: a library's start-up code may leave a floating-point state of its own behind.
  SetGameFloatingPoint();
  if (EngineModule == nullptr) {
    MessageBoxA(nullptr, "Error while loading OMEGA Engine", "Error", MB_ICONERROR);
    return;
  }
  gLookupModule = EngineModule;
  BindEngine(LookupInModule);
}

const char* FirstMissingOperation() {
#define OMEGA_CHECK(used, ret, name, ...) \
  if ((used) != 0 && name == nullptr) return #name;
  OMEGA_OPERATIONS(OMEGA_CHECK)
#undef OMEGA_CHECK
  return nullptr;
}
