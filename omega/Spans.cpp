#include "omega/Spans.h"

#include <algorithm>
#include <cstring>

#include "omega/Cpu.h"
#include "omega/SpanRows.h"

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

Image Expand(const Spans& spans) {
  Image out;
  out.W = spans.W;
  out.H = spans.H;
  out.Px.resize(static_cast<size_t>(out.W) * out.H);
  for (int y = 0; y < out.H; ++y) RowPixels(spans, y, 0, out.W, &out.Px[static_cast<size_t>(y) * out.W]);
  ComputeSpans(out);
  return out;
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

struct PlainBlend {
  uint32_t Tint, Alpha;
  // under is dst or another picture's pixels at the same place.
  void operator()(Pixel* dst, const Pixel* under, const Pixel* __restrict src, int n, bool opaque) const {
    if (Tint == kNoTint && Alpha == 255) {
      if (opaque) {
        std::memcpy(dst, src, sizeof(Pixel) * static_cast<size_t>(n));
        return;
      }
      for (int i = 0; i < n; ++i) dst[i] = src[i] + MulPixel(under[i], 255 - (src[i] >> 24));
      return;
    }
    for (int i = 0; i < n; ++i) {
      Pixel s = src[i];
      if (Tint != kNoTint) s = TintPixel(s, Tint);
      if (Alpha != 255) s = MulPixel(s, Alpha);
      dst[i] = s + MulPixel(under[i], 255 - (s >> 24));
    }
  }
};

void DrawSpansPlain(Image& target, int top, int bottom, const SpanDraw& d) {
  if (d.Alpha == 0) return;
  DrawRows(target, top, bottom, d, PlainBlend{d.Tint, d.Alpha});
}

}  // namespace

#if defined(__x86_64__)
void DrawSpansAvx512(Image& target, int top, int bottom, const SpanDraw& d);  // SpansWide.cpp
#endif

DrawSpansFn PickDrawSpans(bool wide) {
#if defined(__x86_64__)
  if (wide) {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl")) return DrawSpansAvx512;
  }
#else
  (void)wide;
#endif
  return DrawSpansPlain;
}

void DrawSpansStretched(Image& target, const Spans& source, Rect from, int64_t x, int64_t y, int64_t w, int64_t h,
                        uint32_t tint, uint32_t alpha) {
  if (alpha == 0 || w <= 0 || h <= 0 || from.W <= 0 || from.H <= 0) return;
  BlitScaled(target, Part(source, from), Rect{0, 0, from.W, from.H}, x, y, w, h, tint, alpha);
}

}  // namespace omega
