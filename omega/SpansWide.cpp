// Span drawing with AVX-512: sixteen pixels a step in 16-bit lanes, tint and fade multiplied in on the
// way, every product rounded exactly as the plain code rounds it (x·m/255 to nearest is
// ((x·m + 128) · 257) >> 16 for 16-bit x·m), so the pixels are the plain drawing's.
#if defined(__x86_64__)
#include <immintrin.h>

#include <algorithm>  // before the target switch: only this file's own functions get it

#include <cstring>

#include "omega/Spans.h"

#if defined(__clang__)
#pragma clang attribute push(__attribute__((target("avx512f,avx512bw,avx512vl"))), apply_to = function)
#else
#pragma GCC push_options
#pragma GCC target("avx512f,avx512bw,avx512vl")
#endif

// After the target switch: this file's copy of the walk is compiled for AVX-512.
#include "omega/SpanRows.h"

namespace omega {

namespace {

inline __m512i MulRound(__m512i x, __m512i m) {
  const __m512i product = _mm512_add_epi16(_mm512_mullo_epi16(x, m), _mm512_set1_epi16(128));
  return _mm512_mulhi_epu16(product, _mm512_set1_epi16(257));
}

// Each pixel's alpha word copied into its four words.
inline __m512i AlphaWords(__m512i p16) { return _mm512_shufflehi_epi16(_mm512_shufflelo_epi16(p16, 0xFF), 0xFF); }

template <bool Tinted, bool Faded>
struct WideBlend {
  __m512i TintWords, AlphaWords_;

  // Half of sixteen pixels (in 16-bit lanes): tinted, faded, then over the destination's half.
  inline __m512i Half(__m512i s, __m512i d, bool opaque) const {
    if constexpr (Tinted) s = MulRound(s, TintWords);
    if constexpr (Faded) s = MulRound(s, AlphaWords_);
    if (!Faded && opaque) return s;
    return _mm512_add_epi16(s, MulRound(d, _mm512_sub_epi16(_mm512_set1_epi16(255), AlphaWords(s))));
  }

  inline __m512i Step(__m512i s, __m512i d, bool opaque) const {
    const __m512i zero = _mm512_setzero_si512();
    const __m512i lo = Half(_mm512_unpacklo_epi8(s, zero), _mm512_unpacklo_epi8(d, zero), opaque);
    const __m512i hi = Half(_mm512_unpackhi_epi8(s, zero), _mm512_unpackhi_epi8(d, zero), opaque);
    return _mm512_packus_epi16(lo, hi);
  }

  inline void operator()(Pixel* dst, const Pixel* under, const Pixel* src, int n, bool opaque) const {
    if (!Tinted && !Faded && opaque) {
      std::memcpy(dst, src, sizeof(Pixel) * static_cast<size_t>(n));
      return;
    }
    int i = 0;
    for (; i + 16 <= n; i += 16)
      _mm512_storeu_si512(dst + i, Step(_mm512_loadu_si512(src + i), _mm512_loadu_si512(under + i), opaque));
    if (i < n) {
      const auto m = static_cast<__mmask16>((1u << (n - i)) - 1);
      _mm512_mask_storeu_epi32(
          dst + i, m, Step(_mm512_maskz_loadu_epi32(m, src + i), _mm512_maskz_loadu_epi32(m, under + i), opaque));
    }
  }
};

// A picture of one colour: the colour tinted and faded once (exactly as the plain code does it per
// pixel), then only the pixels under it are read.
struct SolidBlend {
  __m512i Colour, Inverse;  // the colour to add; 255 − its alpha in every 16-bit lane
  bool Opaque;

  inline __m512i Step(__m512i d) const {
    const __m512i zero = _mm512_setzero_si512();
    const __m512i lo = MulRound(_mm512_unpacklo_epi8(d, zero), Inverse);
    const __m512i hi = MulRound(_mm512_unpackhi_epi8(d, zero), Inverse);
    return _mm512_add_epi32(Colour, _mm512_packus_epi16(lo, hi));
  }

  inline void operator()(Pixel* dst, const Pixel* under, const Pixel*, int n, bool) const {
    int i = 0;
    if (Opaque) {
      for (; i + 16 <= n; i += 16) _mm512_storeu_si512(dst + i, Colour);
    } else {
      for (; i + 16 <= n; i += 16) _mm512_storeu_si512(dst + i, Step(_mm512_loadu_si512(under + i)));
    }
    if (i < n) {
      const auto m = static_cast<__mmask16>((1u << (n - i)) - 1);
      _mm512_mask_storeu_epi32(dst + i, m, Opaque ? Colour : Step(_mm512_maskz_loadu_epi32(m, under + i)));
    }
  }
};

void DrawSolid(Image& target, int top, int bottom, const SpanDraw& d) {
  Pixel c = d.Source->Colour;
  if (d.Tint != kNoTint) c = TintPixel(c, d.Tint);
  if (d.Alpha != 255) c = MulPixel(c, d.Alpha);
  const uint32_t a = c >> 24;
  DrawRows(target, top, bottom, d,
           SolidBlend{_mm512_set1_epi32(static_cast<int>(c)), _mm512_set1_epi16(static_cast<short>(255 - a)), a == 255});
}

template <bool Tinted, bool Faded>
void Draw(Image& target, int top, int bottom, const SpanDraw& d) {
  const uint64_t t = d.Tint;
  const WideBlend<Tinted, Faded> blend{
      _mm512_set1_epi64(static_cast<long long>((uint64_t{255} << 48) | (((t >> 16) & 0xFF) << 32) |
                                               (((t >> 8) & 0xFF) << 16) | (t & 0xFF))),
      _mm512_set1_epi16(static_cast<short>(d.Alpha))};
  DrawRows(target, top, bottom, d, blend);
}

}  // namespace

void DrawSpansAvx512(Image& target, int top, int bottom, const SpanDraw& d) {
  if (d.Alpha == 0) return;
  if (d.Source->Solid) return DrawSolid(target, top, bottom, d);
  const bool tinted = d.Tint != kNoTint, faded = d.Alpha != 255;
  if (tinted)
    faded ? Draw<true, true>(target, top, bottom, d) : Draw<true, false>(target, top, bottom, d);
  else
    faded ? Draw<false, true>(target, top, bottom, d) : Draw<false, false>(target, top, bottom, d);
}

}  // namespace omega

#if defined(__clang__)
#pragma clang attribute pop
#else
#pragma GCC pop_options
#endif
#endif
