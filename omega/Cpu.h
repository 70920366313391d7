// Per-pixel loops compiled for AVX2 where the processor has it: the baseline (SSE2) has no 32-bit
// multiply across lanes, so the compiler leaves such loops scalar there.
#pragma once

namespace omega {

#if defined(__x86_64__) || defined(__i386__)
inline bool HasAvx2() {
  static const bool has = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("avx2") != 0;
  }();
  return has;
}

// Loop inlined whole into a copy of this compiled for AVX2. Loop is a function, not a lambda: the
// __restrict of its parameters survives the inlining and lets the compiler vectorise it.
template <auto Loop, typename... Args>
__attribute__((target("avx2"), flatten)) void RunAvx2(Args... args) {
  Loop(args...);
}

// Loop(args...) in its AVX2 copy on a processor that has AVX2, as compiled otherwise.
template <auto Loop, typename... Args>
inline void RunWide(Args... args) {
  if (HasAvx2())
    RunAvx2<Loop>(args...);
  else
    Loop(args...);
}
#else
template <auto Loop, typename... Args>
inline void RunWide(Args... args) {
  Loop(args...);
}
#endif

}  // namespace omega
