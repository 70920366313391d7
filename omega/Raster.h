// Pixels as the engine draws them: 32 bits with premultiplied alpha, and the one rule that blends them
// (Blend below). Every drawing path, the plain test reference too, blends through it; the vector copies of
// the span drawing (omega/Spans.cpp) are this same code compiled for other instruction sets, so their
// pixels are the same.
#pragma once
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace omega {

// 0xAARRGGBB, colour premultiplied by alpha.
using Pixel = uint32_t;

// Inlined into every caller, also into a caller compiled for a wider instruction set (the span drawing's
// copies), which then runs it with its own registers.
#define OMEGA_INLINE inline __attribute__((always_inline))

// x·a/255 rounded to nearest, exactly, for x and a in 0..255: on numbers, or lane by lane on vectors of
// them (16-bit lanes suffice: x·a + 128 + its high byte stays below 65536).
template <typename V>
constexpr OMEGA_INLINE V MulLanes(V x, V a) {
  const V t = x * a + 128;
  return (t + (t >> 8)) >> 8;
}
constexpr uint32_t Mul255(uint32_t x, uint32_t a) { return MulLanes(x, a); }

constexpr uint32_t kNoTint = 0xFFFFFF;

// Pixels in 16-bit lanes: P pixels, four lanes each in memory order (blue, green, red, alpha).
template <int P>
struct LaneTypes;
#define OMEGA_LANE_TYPES(P)                                     \
  template <>                                                   \
  struct LaneTypes<P> {                                         \
    typedef uint16_t Type __attribute__((vector_size(8 * P)));  \
    typedef uint8_t Bytes __attribute__((vector_size(4 * P)));  \
  };
OMEGA_LANE_TYPES(1)
OMEGA_LANE_TYPES(2)
OMEGA_LANE_TYPES(4)
OMEGA_LANE_TYPES(8)
OMEGA_LANE_TYPES(16)
#undef OMEGA_LANE_TYPES

template <int P>
struct Lanes {
  using Type = typename LaneTypes<P>::Type;
  using Bytes = typename LaneTypes<P>::Bytes;

  static OMEGA_INLINE Type Load(const Pixel* p) {
    Bytes b;
    std::memcpy(&b, p, sizeof b);
    return __builtin_convertvector(b, Type);
  }
  static OMEGA_INLINE void Store(Pixel* p, Type v) {
    const Bytes b = __builtin_convertvector(v, Bytes);
    std::memcpy(p, &b, sizeof b);
  }
  // Every pixel's lanes set to these four.
  static OMEGA_INLINE Type Each(uint16_t blue, uint16_t green, uint16_t red, uint16_t alpha) {
    const typename LaneTypes<1>::Type one = {blue, green, red, alpha};
    return Repeat(one, std::make_index_sequence<4 * P>());
  }
  template <size_t... I>
  static OMEGA_INLINE Type Repeat(typename LaneTypes<1>::Type one, std::index_sequence<I...>) {
    return __builtin_shufflevector(one, one, (I % 4)...);
  }
  static OMEGA_INLINE Type Tint(uint32_t tint) { return Each(tint & 0xFF, (tint >> 8) & 0xFF, (tint >> 16) & 0xFF, 255); }
  static OMEGA_INLINE Type All(uint32_t value) { return Each(value, value, value, value); }
  // The first half of the pixels.
  static OMEGA_INLINE typename LaneTypes<(P > 1 ? P / 2 : 1)>::Type Lower(Type v) {
    return Halve(v, std::make_index_sequence<(P > 1 ? 2 * P : 4)>());
  }
  template <size_t... I>
  static OMEGA_INLINE typename LaneTypes<(P > 1 ? P / 2 : 1)>::Type Halve(Type v, std::index_sequence<I...>) {
    return __builtin_shufflevector(v, v, I...);
  }
  // Each pixel's alpha in its four lanes.
  static OMEGA_INLINE Type Alphas(Type v) { return Spread(v, std::make_index_sequence<4 * P>()); }
  template <size_t... I>
  static OMEGA_INLINE Type Spread(Type v, std::index_sequence<I...>) {
    return __builtin_shufflevector(v, v, (I | 3)...);
  }
};

// The blending rule, written once: the source tinted (colours times the tint's, alpha kept), then faded
// (every channel times alpha/255), then laid over what is under it: src + under·(255 − src alpha)/255.
// With premultiplied colours that is exactly `under` for a transparent source and exactly the source for
// an opaque one. Integer-exact, on any number of pixels at once: the span drawing's copies for each
// instruction set (omega/Spans.cpp) take 4, 8 or 16 pixels a step, Blend below one, and all give the same
// pixels. Tinted and Faded only leave out a multiplication by one.
template <bool Tinted, bool Faded, typename V>
OMEGA_INLINE V Prepare(V src, V tint, V alpha) {
  if constexpr (Tinted) src = MulLanes(src, tint);
  if constexpr (Faded) src = MulLanes(src, alpha);
  return src;
}
template <int P>
OMEGA_INLINE typename Lanes<P>::Type Over(typename Lanes<P>::Type src, typename Lanes<P>::Type under) {
  return src + MulLanes<typename Lanes<P>::Type>(under, 255 - Lanes<P>::Alphas(src));
}

// The rule's first steps on one pixel, the tint (kNoTint: none) and the fade (255: none) decided at run
// time: tinted, then faded, not yet laid over anything.
inline Pixel Prepared(Pixel src, uint32_t tint, uint32_t alpha) {
  using L = Lanes<1>;
  const L::Type t = L::Tint(tint), a = L::All(alpha), s = L::Load(&src);
  const L::Type v = tint != kNoTint ? (alpha != 255 ? Prepare<true, true>(s, t, a) : Prepare<true, false>(s, t, a))
                                    : (alpha != 255 ? Prepare<false, true>(s, t, a) : s);
  Pixel out;
  L::Store(&out, v);
  return out;
}

// The whole rule on one pixel.
inline Pixel Blend(Pixel src, Pixel under, uint32_t tint, uint32_t alpha) {
  using L = Lanes<1>;
  const Pixel prepared = Prepared(src, tint, alpha);
  Pixel out;
  L::Store(&out, Over<1>(L::Load(&prepared), L::Load(&under)));
  return out;
}

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
