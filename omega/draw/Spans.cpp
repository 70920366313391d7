#include "omega/draw/Spans.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "omega/draw/Cpu.h"

#include "omega/draw/Scale.h"

namespace omega {

namespace {

// Branch-free within a row, so the compiler vectorises it; most pictures that are not opaque show it in
// their first rows.
bool AllOpaque(const Image& picture) {
  const size_t w = static_cast<size_t>(std::max(picture.W, 1));
  for (size_t from = 0; from < picture.Px.size(); from += w) {
    Pixel all = 0xFFFFFFFFu;
    for (size_t i = from; i < std::min(from + w, picture.Px.size()); ++i) all &= picture.Px[i];
    if ((all >> 24) != 255) return false;
  }
  return true;
}

// Per pixel of a row: 0 transparent, 1 translucent, 2 opaque (branch-free, vectorised).
void ClassifyLoop(const Pixel* __restrict row, uint8_t* __restrict kinds, int w) {
  for (int x = 0; x < w; ++x) {
    const uint32_t a = row[x] >> 24;
    kinds[x] = static_cast<uint8_t>((a != 0) + (a == 255));
  }
}

void Classify(const Pixel* row, uint8_t* kinds, int w) { RunWide<ClassifyLoop>(row, kinds, w); }

// The first column from x on whose kind is not `kind` (or the row's end), eight at a time through
// long stretches. kinds has 8 bytes of room past w.
int Skip(const uint8_t* kinds, int x, int w, uint8_t kind) {
  const uint64_t all = 0x0101010101010101ull * kind;
  for (uint64_t word; x + 8 <= w; x += 8) {
    std::memcpy(&word, kinds + x, 8);
    if (word != all) break;
  }
  while (x < w && kinds[x] == kind) ++x;
  return x;
}

// Whether an opaque picture is one colour throughout; most pictures show otherwise in their first pixels.
void MarkSolid(Spans& s) {
  if (s.Px.empty()) return;
  const Pixel first = s.Px[0];
  for (size_t from = 0; from < s.Px.size(); from += 64) {
    bool same = true;
    for (size_t i = from; i < std::min(from + 64, s.Px.size()); ++i) same &= s.Px[i] == first;
    if (!same) return;
  }
  s.Solid = true;
  s.Colour = first;
}

Spans PlainRows(int w, int h) {
  Spans s;
  s.W = w;
  s.H = h;
  s.Plain = true;
  s.RowRuns.resize(static_cast<size_t>(h) + 1);
  s.Runs.resize(static_cast<size_t>(h));
  for (int y = 0; y < h; ++y) {
    s.RowRuns[y] = static_cast<uint32_t>(y);
    s.Runs[y] = Spans::Run{0, w, static_cast<uint32_t>(static_cast<size_t>(y) * w), 1};
  }
  s.RowRuns[h] = static_cast<uint32_t>(h);
  return s;
}

// Row y's part [from, from + count) as whole pixels (transparent 0) into out.
void RowPixels(const Spans& s, int y, int from, int count, Pixel* out) {
  std::fill(out, out + count, Pixel{0});
  for (uint32_t r = s.RowRuns[y]; r < s.RowRuns[y + 1]; ++r) {
    const Spans::Run& run = s.Runs[r];
    const int a = std::max(run.X, from), b = std::min(run.X + run.Len, from + count);
    if (a < b) std::copy(&s.Px[run.Offset + (a - run.X)], &s.Px[run.Offset + (b - run.X)], out + (a - from));
  }
}

// An opaque picture: its rows whole.
Spans OpaqueRows(int w, int h, std::vector<Pixel> px) {
  Spans s = PlainRows(w, h);
  s.Px = std::move(px);
  MarkSolid(s);
  return s;
}

// A picture that is not opaque: runs of its pixels that are not transparent (but for short holes).
Spans EncodeRuns(const Image& picture) {
  Spans s;
  s.W = picture.W;
  s.H = picture.H;
  s.RowRuns.reserve(static_cast<size_t>(s.H) + 1);
  s.RowRuns.push_back(0);
  // The runs first, then the pixels in one allocation: growing them run by run would copy them over and
  // over.
  uint32_t stored = 0;
  const auto add = [&](int from, int to, bool opaque) {
    if (to <= from) return;
    s.Runs.push_back({from, to - from, stored, opaque ? 1u : 0u});
    stored += static_cast<uint32_t>(to - from);
  };
  std::vector<uint8_t> kinds(static_cast<size_t>(s.W) + 8);
  for (int y = 0; y < s.H; ++y) {
    Classify(&picture.Px[static_cast<size_t>(y) * s.W], kinds.data(), s.W);
    for (int x = Skip(kinds.data(), 0, s.W, 0); x < s.W;) {
      // From x on, up to k: long opaque stretches are runs of their own, the rest (short holes too)
      // blends; a long hole or the row's end closes it.
      int pending = x, k = x;
      while (k < s.W) {
        if (kinds[k] == 0) {
          const int holeEnd = Skip(kinds.data(), k, s.W, 0);
          if (holeEnd >= s.W || holeEnd - k >= kShortestGap) break;
          if (pending == k) pending = holeEnd;  // a blended run never starts on a hole
          k = holeEnd;
        } else if (kinds[k] == 1) {
          ++k;
        } else {
          const int opaqueEnd = Skip(kinds.data(), k, s.W, 2);
          if (opaqueEnd - k >= kShortestOpaqueRun) {
            add(pending, k, false);
            add(k, opaqueEnd, true);
            pending = opaqueEnd;
          }
          k = opaqueEnd;
        }
      }
      add(pending, k, false);
      x = Skip(kinds.data(), k, s.W, 0);
    }
    s.RowRuns.push_back(static_cast<uint32_t>(s.Runs.size()));
  }
  s.Runs.shrink_to_fit();
  s.Px.resize(stored);
  for (int y = 0; y < s.H; ++y) {
    const Pixel* row = &picture.Px[static_cast<size_t>(y) * s.W];
    for (uint32_t r = s.RowRuns[y]; r < s.RowRuns[y + 1]; ++r)
      std::copy(row + s.Runs[r].X, row + s.Runs[r].X + s.Runs[r].Len, &s.Px[s.Runs[r].Offset]);
  }
  return s;
}

}  // namespace

Spans Encode(Image&& picture) {
  if (picture.W <= 0 || picture.H <= 0) return PlainRows(0, 0);
  return AllOpaque(picture) ? OpaqueRows(picture.W, picture.H, std::move(picture.Px)) : EncodeRuns(picture);
}

Spans Encode(const Image& picture) {
  if (picture.W <= 0 || picture.H <= 0) return PlainRows(0, 0);
  return AllOpaque(picture) ? OpaqueRows(picture.W, picture.H, picture.Px) : EncodeRuns(picture);
}

// Part `from` as whole rows.
Image Part(const Spans& source, Rect from) {
  Image out;
  out.W = std::max(from.W, 0);
  out.H = std::max(from.H, 0);
  out.Px.resize(static_cast<size_t>(out.W) * out.H);
  for (int y = 0; y < out.H; ++y)
    RowPixels(source, from.Y + y, from.X, out.W, &out.Px[static_cast<size_t>(y) * out.W]);
  return out;
}

Image MakeScaled(const Spans& source, Rect from, int w, int h, uint32_t tint) {
  return MakeScaled(Part(source, from), Rect{0, 0, from.W, from.H}, w, h, tint);
}

Spans ScaledSpans(const Spans& source, Rect from, int w, int h) {
  return Encode(MakeScaled(source, from, w, h, kNoTint));
}

namespace {

// Calls blend(dst, under, src, count, opaque) for every run piece of d inside rows [top, bottom) and the
// target's columns [d.Left, d.Right); `under` is where the pixels below dst are read (dst itself, or d.Under's).
template <typename RowBlend>
inline __attribute__((always_inline)) void DrawRows(Image& target, int top, int bottom, const SpanDraw& d,
                                                    const RowBlend& blend) {
  const Spans& s = *d.Source;
  const int64_t y0 = std::max<int64_t>(top, d.Y), y1 = std::min<int64_t>(bottom, d.Y + d.From.H);
  const int64_t shift = d.X - d.From.X;  // target column of a source column
  const int64_t left = std::max<int64_t>(d.From.X, std::max<int64_t>(d.Left, 0) - shift);
  const int64_t right = std::min<int64_t>(int64_t{d.From.X} + d.From.W, std::min<int64_t>(d.Right, target.W) - shift);
  if (y0 >= y1 || left >= right) return;
  const Spans::Run* runs = s.Runs.data();
  const uint32_t* rowRuns = s.RowRuns.data();
  const Pixel* px = s.Px.data();
  const Pixel* below = d.Under != nullptr ? d.Under->Px.data() : target.Px.data();
  const uint32_t* rowRun = rowRuns + (d.From.Y + (y0 - d.Y));
  Pixel* line = target.Px.data() + y0 * target.W + shift;
  const Pixel* under = below + y0 * target.W + shift;
  if (left == 0 && right == s.W) {
    // The picture's whole width (a copy of a frame, most calls): no run needs cutting.
    for (int64_t n = y1 - y0; n > 0; --n, ++rowRun, line += target.W, under += target.W)
      for (const Spans::Run *run = runs + rowRun[0], *end = runs + rowRun[1]; run < end; ++run)
        blend(line + run->X, under + run->X, px + run->Offset, run->Len, run->Opaque != 0);
    return;
  }
  for (int64_t n = y1 - y0; n > 0; --n, ++rowRun, line += target.W, under += target.W) {
    for (const Spans::Run *run = runs + rowRun[0], *end = runs + rowRun[1]; run < end; ++run) {
      if (run->X >= right) break;
      const int64_t a = std::max<int64_t>(run->X, left), b = std::min<int64_t>(int64_t{run->X} + run->Len, right);
      if (a >= b) continue;
      blend(line + a, under + a, px + run->Offset + (a - run->X), static_cast<int>(b - a), run->Opaque != 0);
    }
  }
}

// Runs of pixels blended by the rule, P pixels a step and the last few in one masked step (AVX-512:
// one step where halving the vector would take up to four, and most runs of the units' pictures are a
// few dozen pixels) or in smaller steps. The pixels under a run are the target's own (each read before it is written) or another
// picture's.
template <int P, bool Tinted, bool Faded>
struct RunBlend {
  uint32_t Tint, Fade;

  OMEGA_INLINE void operator()(Pixel* dst, const Pixel* under, const Pixel* src, int n, bool opaque) const {
    if (opaque && !Faded) {
      // Opaque and not faded: the rule gives the (tinted) source, whatever is under it.
      if constexpr (Tinted)
        Steps<false>(dst, under, src, n);
      else
        std::memcpy(dst, src, sizeof(Pixel) * static_cast<size_t>(n));
    } else {
      Steps<true>(dst, under, src, n);
    }
  }

  template <bool Laid>
  OMEGA_INLINE void Steps(Pixel* dst, const Pixel* under, const Pixel* src, int n) const {
    using L = Lanes<P>;
    const typename L::Factors tint = L::Tint(Tint), fade = L::All(Fade);
    const auto step = [&](typename L::Pixels s, typename L::Pixels u) __attribute__((always_inline)) {
      const typename L::Pixels prepared = Prepare<Tinted, Faded, P>(s, tint, fade);
      if constexpr (Laid)
        return Over<P>(prepared, u);
      else
        return prepared;
    };
    int i = 0;
    for (; i + P <= n; i += P) L::Put(dst + i, step(L::Get(src + i), Laid ? L::Get(under + i) : typename L::Pixels{}));
    if (i == n) return;
#if defined(__x86_64__)
    if constexpr (P == 16) {
      const int k = n - i;
      Pixels16 s{}, u{};
      GetFirst(src + i, k, s);
      if constexpr (Laid) GetFirst(under + i, k, u);
      PutFirst(dst + i, k, step(s, u));
      return;
    }
#endif
    if constexpr (P > 1) RunBlend<P / 2, Tinted, Faded>{Tint, Fade}.template Steps<Laid>(dst + i, under + i, src + i, n - i);
  }
};

// A picture of one colour (a fade sheet): the colour tinted and faded once, then only the pixels under
// it are read.
template <int P>
struct SolidBlend {
  Pixel Colour;  // already tinted and faded

  OMEGA_INLINE void operator()(Pixel* dst, const Pixel* under, const Pixel*, int n, bool) const {
    if ((Colour >> 24) == 255) {
      std::fill_n(dst, n, Colour);
      return;
    }
    using L = Lanes<P>;
    const typename L::Pixels colour = L::Each(Colour);
    int i = 0;
    for (; i + P <= n; i += P) L::Put(dst + i, OverOne<P>(colour, L::Get(under + i)));
    if (i == n) return;
#if defined(__x86_64__)
    if constexpr (P == 16) {
      const int k = n - i;
      Pixels16 u;
      GetFirst(under + i, k, u);
      PutFirst(dst + i, k, OverOne<P>(colour, u));
      return;
    }
#endif
    if constexpr (P > 1) SolidBlend<P / 2>{Colour}(dst + i, under + i, nullptr, n - i, false);
  }
};

template <int P, bool Tinted, bool Faded>
OMEGA_INLINE void DrawAs(Image& target, int top, int bottom, const SpanDraw& d) {
  DrawRows(target, top, bottom, d, RunBlend<P, Tinted, Faded>{d.Tint, d.Alpha});
}

// A sheet (one colour, every row whole): the same columns on every row, so no runs are walked; its
// colour tinted and faded once. One loop for every tint and fade (the menu's fade frame is this loop).
template <int P>
OMEGA_INLINE void DrawSheet(Image& target, int top, int bottom, const SpanDraw& d) {
  const int64_t y0 = std::max<int64_t>(top, d.Y), y1 = std::min<int64_t>(bottom, d.Y + d.From.H);
  const int64_t x0 = std::max<int64_t>(d.X, std::max<int64_t>(d.Left, 0));
  const int64_t x1 = std::min<int64_t>(d.X + d.From.W, std::min<int64_t>(d.Right, target.W));
  if (y0 >= y1 || x0 >= x1) return;
  const SolidBlend<P> blend{Prepared(d.Source->Colour, d.Tint, d.Alpha)};
  Pixel* line = target.Px.data() + y0 * target.W + x0;
  const Pixel* under = (d.Under != nullptr ? d.Under->Px.data() : target.Px.data()) + y0 * target.W + x0;
  for (int64_t n = y1 - y0; n > 0; --n, line += target.W, under += target.W)
    blend(line, under, nullptr, static_cast<int>(x1 - x0), false);
}

// The span drawing, whole; each copy below is this compiled for its instruction set.
template <int P>
inline __attribute__((always_inline)) void DrawSpansBody(Image& target, int top, int bottom, const SpanDraw& d) {
  if (d.Alpha == 0) return;
  if (d.Source->Solid) return DrawSheet<P>(target, top, bottom, d);
  const bool tinted = d.Tint != kNoTint, faded = d.Alpha != 255;
  if (tinted)
    faded ? DrawAs<P, true, true>(target, top, bottom, d) : DrawAs<P, true, false>(target, top, bottom, d);
  else
    faded ? DrawAs<P, false, true>(target, top, bottom, d) : DrawAs<P, false, false>(target, top, bottom, d);
}

// Pixels a step: as many as the instruction set's registers hold in 16-bit lanes, twice over.
void DrawSpansPlain(Image& target, int top, int bottom, const SpanDraw& d) { DrawSpansBody<4>(target, top, bottom, d); }
#if defined(__x86_64__)
OMEGA_AVX2 void DrawSpansAvx2(Image& target, int top, int bottom, const SpanDraw& d) {
  DrawSpansBody<8>(target, top, bottom, d);
}
OMEGA_AVX512 void DrawSpansAvx512(Image& target, int top, int bottom, const SpanDraw& d) {
  DrawSpansBody<16>(target, top, bottom, d);
}
#endif

}  // namespace

DrawSpansFn DrawSpansFor(Wide wide) {
#if defined(__x86_64__)
  if (wide == Wide::Avx512) return DrawSpansAvx512;
  if (wide == Wide::Avx2) return DrawSpansAvx2;
#else
  (void)wide;
#endif
  return DrawSpansPlain;
}

void DrawSpansStretched(Image& target, const Spans& source, Rect from, int64_t x, int64_t y, int64_t w, int64_t h,
                        uint32_t tint, uint32_t alpha) {
  if (alpha == 0 || w <= 0 || h <= 0 || w > INT32_MAX || h > INT32_MAX || from.W <= 0 || from.H <= 0) return;
  const int64_t y0 = std::max<int64_t>(y, 0), y1 = std::min<int64_t>(y + h, target.H);
  const int64_t x0 = std::max<int64_t>(x, 0), x1 = std::min<int64_t>(x + w, target.W);
  if (y0 >= y1 || x0 >= x1) return;
  // Only the part on the target is scaled, row by row, with the same filter as the cached copies, and
  // tinted on the way; then faded and blended by the rule.
  ScaleRows(Part(source, from), Rect{0, 0, from.W, from.H}, static_cast<int>(w), static_cast<int>(h),
            static_cast<int>(x0 - x), static_cast<int>(x1 - x), static_cast<int>(y0 - y), static_cast<int>(y1 - y), tint,
            [&](int row, const Pixel* pixels) {
              Pixel* dst = &target.Px[static_cast<size_t>(y + row) * target.W + static_cast<size_t>(x0)];
              for (int64_t i = 0; i < x1 - x0; ++i) dst[i] = Blend(pixels[i], dst[i], kNoTint, alpha);
            });
}

}  // namespace omega
