// Pixels as the engine draws them: 32 bits with premultiplied alpha, and the one rule that blends them
// (Blend below). Every drawing path, the plain test reference too, blends through it; the vector copies of
// the span drawing (omega/draw/Spans.cpp) are this same code compiled for other instruction sets, so their
// pixels are the same.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#if defined(__x86_64__)
#include <immintrin.h>
#endif
#include <utility>
#include <vector>

namespace omega {

// 0xAARRGGBB, colour premultiplied by alpha.
using Pixel = uint32_t;

// Inlined into every caller, also into a caller compiled for a wider instruction set (the span drawing's
// copies), which then runs it with its own registers.
#define OMEGA_INLINE inline __attribute__((always_inline))

// The vector types below cross no function boundary in the compiled engine: everything that takes or
// gives them is inlined into the span drawing's copies (omega/draw/Spans.cpp), each compiled for its own
// instruction set. The compilers' warning that passing them would differ between instruction sets is
// therefore moot here.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

// t/255 rounded, for t = x·a + 128 with x and a in 0..255: on numbers, or lane by lane on vectors of them
// (16-bit lanes suffice: t plus its high byte stays below 65536).
template <typename V>
constexpr OMEGA_INLINE void Shrink(V& t) {
  t = (t + (t >> 8)) >> 8;
}
#if defined(__x86_64__)
typedef uint16_t Lanes32 __attribute__((vector_size(64)));
// The same on AVX-512's 32 lanes in one multiply: (t·257) >> 16 equals it for every t below 65536. (By
// reference: a vector of this size passed by value would cross from code compiled without AVX-512.)
__attribute__((target("avx512f,avx512bw,avx512vl"))) inline void Shrink(Lanes32& t) {
  t = reinterpret_cast<Lanes32>(_mm512_mulhi_epu16(reinterpret_cast<__m512i>(t), _mm512_set1_epi16(257)));
}
#endif

// x·a/255 rounded to nearest, exactly, for x and a in 0..255.
template <typename V>
constexpr OMEGA_INLINE V MulLanes(V x, V a) {
  V t = x * a + 128;
  Shrink(t);
  return t;
}
constexpr uint32_t Mul255(uint32_t x, uint32_t a) { return MulLanes(x, a); }

constexpr uint32_t kNoTint = 0xFFFFFF;

// P pixels side by side (a vector of P 32-bit pixels), and the factors they are multiplied by as two
// vectors of 16-bit lanes, one channel a lane: Even for blue and red, Odd for green and alpha, each in the
// lanes of the same bits as in the pixel. Splitting and joining are masks and shifts within each pixel's
// 32 bits: no lane crosses another pixel's, so the vector copies need no shuffles, and each multiplication
// is one 16-bit multiply per lane.
template <int P>
struct Lanes {
  typedef uint32_t Pixels __attribute__((vector_size(4 * P)));
  typedef uint16_t Type __attribute__((vector_size(4 * P)));
  struct Factors {
    Type Even, Odd;
  };

  static OMEGA_INLINE Pixels Get(const Pixel* p) {
    Pixels v;
    std::memcpy(&v, p, sizeof v);
    return v;
  }
  static OMEGA_INLINE void Put(Pixel* p, Pixels v) { std::memcpy(p, &v, sizeof v); }
  static OMEGA_INLINE Pixels Each(Pixel p) {
    Pixels v = {};
    return v + p;
  }
  // Factors for every pixel's four channels, as a pixel holds them (0xAARRGGBB).
  static OMEGA_INLINE Factors Split(Pixels v) {
    return {reinterpret_cast<Type>(v & 0x00FF00FFu), reinterpret_cast<Type>(v) >> 8};
  }
  // The tint's colours, alpha multiplied by 255 (kept).
  static OMEGA_INLINE Factors Tint(uint32_t tint) { return Split(Each(0xFF000000u | tint)); }
  static OMEGA_INLINE Factors All(uint32_t value) { return Split(Each(value * 0x01010101u)); }
  // 255 − each pixel's alpha, in its four lanes.
  static OMEGA_INLINE Factors Uncovered(Pixels v) {
    Pixels left = ~v >> 24;
    left |= left << 16;
    return {reinterpret_cast<Type>(left), reinterpret_cast<Type>(left)};
  }
  // Every channel x times its factor m, x·m/255 rounded to nearest (MulLanes), joined back into pixels.
  static OMEGA_INLINE Pixels Mul(Pixels x, Factors m) {
    const Type even = MulLanes(reinterpret_cast<Type>(x & 0x00FF00FFu), m.Even);
    const Type odd = MulLanes(reinterpret_cast<Type>(x) >> 8, m.Odd);
    return reinterpret_cast<Pixels>(even) | (reinterpret_cast<Pixels>(odd) << 8);
  }
};

#if defined(__x86_64__)
using Pixels16 = Lanes<16>::Pixels;
#endif

#if defined(__x86_64__)
// The first n (below 16) pixels of a 16-pixel step for the AVX-512 copies: only they are read (the
// others as 0) and written. (The vector by reference, as for Shrink.)
__attribute__((target("avx512f,avx512bw,avx512vl"))) inline void GetFirst(const Pixel* p, int n, Pixels16& v) {
  v = reinterpret_cast<Pixels16>(_mm512_maskz_loadu_epi32(static_cast<__mmask16>((1u << n) - 1), p));
}
__attribute__((target("avx512f,avx512bw,avx512vl"))) inline void PutFirst(Pixel* p, int n, const Pixels16& v) {
  _mm512_mask_storeu_epi32(p, static_cast<__mmask16>((1u << n) - 1), reinterpret_cast<__m512i>(v));
}
#endif

// The blending rule, written once: the source tinted (colours times the tint's, alpha kept), then faded
// (every channel times alpha/255), then laid over what is under it: src + under·(255 − src alpha)/255.
// With premultiplied colours that is exactly `under` for a transparent source and exactly the source for
// an opaque one, and no channel's sum passes 255. Integer-exact, on any number of pixels at once: the
// span drawing's copies for each instruction set (omega/draw/Spans.cpp) take 4, 8 or 16 pixels a step, Blend
// below one, and all give the same pixels. Tinted and Faded only leave out a multiplication by one.
template <bool Tinted, bool Faded, int P>
OMEGA_INLINE typename Lanes<P>::Pixels Prepare(typename Lanes<P>::Pixels src, typename Lanes<P>::Factors tint,
                                               typename Lanes<P>::Factors fade) {
  if constexpr (Tinted) src = Lanes<P>::Mul(src, tint);
  if constexpr (Faded) src = Lanes<P>::Mul(src, fade);
  return src;
}
template <int P>
OMEGA_INLINE typename Lanes<P>::Pixels Over(typename Lanes<P>::Pixels src, typename Lanes<P>::Pixels under) {
  return src + Lanes<P>::Mul(under, Lanes<P>::Uncovered(src));
}

// Every channel of every pixel times one factor m (in 0..255), x·m/255 rounded as MulLanes does: the same
// products as Mul with m in every lane.
template <int P>
OMEGA_INLINE typename Lanes<P>::Pixels MulAll(typename Lanes<P>::Pixels x, uint16_t m) {
  return Lanes<P>::Mul(x, typename Lanes<P>::Factors{typename Lanes<P>::Type{} + m, typename Lanes<P>::Type{} + m});
}
#if defined(__x86_64__)
// On AVX-512, one factor for every lane lets the channels be widened in any order, as long as they are
// narrowed back in the same: the bytes interleaved with zeros and packed back (one pack where the masks
// and shifts of Mul need a shift and an or to join the halves).
__attribute__((target("avx512f,avx512bw,avx512vl"))) inline void MulAll16(Pixels16& x, uint16_t m) {
  const __m512i zero = _mm512_setzero_si512(), factor = _mm512_set1_epi16(static_cast<short>(m));
  const __m512i v = reinterpret_cast<__m512i>(x);
  Lanes32 low = reinterpret_cast<Lanes32>(_mm512_mullo_epi16(_mm512_unpacklo_epi8(v, zero), factor)) + 128;
  Lanes32 high = reinterpret_cast<Lanes32>(_mm512_mullo_epi16(_mm512_unpackhi_epi8(v, zero), factor)) + 128;
  Shrink(low);
  Shrink(high);
  x = reinterpret_cast<Pixels16>(_mm512_packus_epi16(reinterpret_cast<__m512i>(low), reinterpret_cast<__m512i>(high)));
}
template <>
OMEGA_INLINE Pixels16 MulAll<16>(Pixels16 x, uint16_t m) {
  MulAll16(x, m);
  return x;
}
#endif

// Over for a source whose pixels are all one colour (a sheet): the factor of what is under it is the
// same for every pixel and channel.
template <int P>
OMEGA_INLINE typename Lanes<P>::Pixels OverOne(typename Lanes<P>::Pixels colour, typename Lanes<P>::Pixels under) {
  return colour + MulAll<P>(under, Lanes<P>::Uncovered(colour).Even[0]);
}

// The rule's first steps on one pixel, the tint (kNoTint: none) and the fade (255: none) decided at run
// time: tinted, then faded, not yet laid over anything.
inline Pixel Prepared(Pixel src, uint32_t tint, uint32_t alpha) {
  using L = Lanes<1>;
  const L::Factors t = L::Tint(tint), a = L::All(alpha);
  const L::Pixels s = L::Each(src);
  const L::Pixels v = tint != kNoTint
                          ? (alpha != 255 ? Prepare<true, true, 1>(s, t, a) : Prepare<true, false, 1>(s, t, a))
                          : (alpha != 255 ? Prepare<false, true, 1>(s, t, a) : s);
  return v[0];
}

// The whole rule on one pixel.
inline Pixel Blend(Pixel src, Pixel under, uint32_t tint, uint32_t alpha) {
  using L = Lanes<1>;
  return Over<1>(L::Each(Prepared(src, tint, alpha)), L::Each(under))[0];
}

#pragma GCC diagnostic pop

// A picture as whole rows.
struct Image {
  int W = 0;
  int H = 0;
  std::vector<Pixel> Px;

  Pixel At(int x, int y) const { return Px[static_cast<std::size_t>(y) * W + x]; }
};

struct Rect {
  int X = 0, Y = 0, W = 0, H = 0;
};

// The source column for destination column d of dst columns stretched from src columns: the source
// pixel under the destination pixel's centre (for masks of another size than their picture).
constexpr int64_t SampleIndex(int64_t d, int64_t dst, int64_t src) { return ((2 * d + 1) * src) / (2 * dst); }

inline void Clear(Image& target, Pixel colour) { std::fill(target.Px.begin(), target.Px.end(), colour); }

}  // namespace omega
