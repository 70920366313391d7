// The one look at the processor, and per-pixel loops compiled again for its wider instruction sets. The
// baseline (SSE2) has no 32-bit multiply across lanes, so the compiler leaves such loops scalar there; a
// copy compiled for AVX2 or AVX-512 runs them 8 or 16 pixels a step. The copies are the same source, so
// they give the same pixels.
#pragma once

namespace omega {

// The widest instruction set the engine has copies of, in order.
enum class Wide { Plain, Avx2, Avx512 };

#if defined(__x86_64__)
// Probed once, the first time it is asked.
inline Wide Processor() {
  static const Wide wide = [] {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl"))
      return Wide::Avx512;
    return __builtin_cpu_supports("avx2") ? Wide::Avx2 : Wide::Plain;
  }();
  return wide;
}

#define OMEGA_AVX2 __attribute__((target("avx2"), flatten))
#define OMEGA_AVX512 __attribute__((target("avx512f,avx512bw,avx512vl"), flatten))

// Loop inlined whole into a copy of this compiled for AVX2. Loop is a function, not a lambda: the
// __restrict of its parameters survives the inlining and lets the compiler vectorise it.
template <auto Loop, typename... Args>
OMEGA_AVX2 void RunAvx2(Args... args) {
  Loop(args...);
}

// Loop(args...) in its AVX2 copy on a processor that has AVX2, as compiled otherwise.
template <auto Loop, typename... Args>
inline void RunWide(Args... args) {
  if (Processor() != Wide::Plain)
    RunAvx2<Loop>(args...);
  else
    Loop(args...);
}
#else
inline Wide Processor() { return Wide::Plain; }

template <auto Loop, typename... Args>
inline void RunWide(Args... args) {
  Loop(args...);
}
#endif

}  // namespace omega
