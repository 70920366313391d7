// The one walk over the visible pieces of a span drawing, shared by the plain and the wide drawing (each
// source file compiles its own copy for its own instruction set, hence internal linkage).
#pragma once
#include <algorithm>
#include <cstdint>

#include "omega/Spans.h"

namespace omega {
namespace {  // NOLINT: one private copy per instruction set

// Calls blend(dst, under, src, count, opaque) for every run piece of d inside rows [top, bottom) and the
// target's columns [d.Left, d.Right); `under` is where the pixels below dst are read (dst itself, or d.Under's).
template <typename Blend>
inline __attribute__((always_inline)) void DrawRows(Image& target, int top, int bottom, const SpanDraw& d,
                                                    const Blend& blend) {
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
  for (int64_t ty = y0; ty < y1; ++ty) {
    const int64_t row = d.From.Y + (ty - d.Y);
    Pixel* line = target.Px.data() + ty * target.W + shift;
    const Pixel* under = below + ty * target.W + shift;
    for (uint32_t r = rowRuns[row], end = rowRuns[row + 1]; r < end; ++r) {
      const Spans::Run& run = runs[r];
      if (run.X >= right) break;
      const int64_t a = std::max<int64_t>(run.X, left), b = std::min<int64_t>(int64_t{run.X} + run.Len, right);
      if (a >= b) continue;
      blend(line + a, under + a, px + run.Offset + (a - run.X), static_cast<int>(b - a), run.Opaque != 0);
    }
  }
}

}  // namespace
}  // namespace omega
