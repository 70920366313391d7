// Pictures as the engine keeps them for drawing: per row, runs of non-transparent premultiplied pixels,
// so that transparent pixels cost neither memory nor time (but for holes shorter than kShortestGap). A
// run is either all opaque (long enough to be copied) or blended. An opaque picture keeps its rows
// whole: one opaque run per row. Tinting and fading happen inside the blending loop (omega/draw/Raster.h's
// rule); only the frame recorder keeps tinted copies, of small parts (FrameRecorder.cpp).
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "omega/draw/Cpu.h"
#include "omega/draw/Raster.h"

namespace omega {

struct Spans {
  struct Run {
    int32_t X = 0, Len = 0;
    uint32_t Offset = 0;  // of its first pixel in Px
    uint32_t Opaque = 0;  // 1: every pixel of the run has alpha 255
  };
  int W = 0, H = 0;
  bool Plain = false;              // every pixel opaque: Px is the rows whole, one run per row
  bool Solid = false;              // Plain, and every pixel Colour (a sheet): drawn without reading Px
  Pixel Colour = 0;
  std::vector<Pixel> Px;           // the non-transparent pixels, row after row
  std::vector<uint32_t> RowRuns;   // H + 1 entries: row y's runs are [RowRuns[y], RowRuns[y + 1])
  std::vector<Run> Runs;

  size_t Bytes() const { return Px.size() * sizeof(Pixel) + RowRuns.size() * 4 + Runs.size() * sizeof(Run); }
};

// Opaque stretches shorter than this stay inside a blended run: copying them apart costs more.
constexpr int kShortestOpaqueRun = 16;
// Transparent gaps shorter than this stay inside a blended run (blending a transparent pixel leaves the
// target as it is): most runs of the units' pictures are a few pixels between small holes, and starting
// a run costs more than a vector step over the hole.
constexpr int kShortestGap = 16;

// From a premultiplied picture; the picture's pixels are taken over (moved) when it is opaque.
Spans Encode(Image&& picture);
Spans Encode(const Image& picture);
// The part `from` stretched to w×h with the engine's one scaling filter, tinted.
Image MakeScaled(const Spans& source, Rect from, int w, int h, uint32_t tint);
Spans ScaledSpans(const Spans& source, Rect from, int w, int h);

// Where and how a prepared part is drawn: part `from` of the spans (already at its drawn size) with its
// top-left at (X, Y), colours multiplied by Tint (kNoTint: unchanged) and then by Alpha/255.
struct SpanDraw {
  const Spans* Source = nullptr;
  Rect From;
  int64_t X = 0, Y = 0;
  uint32_t Tint = kNoTint, Alpha = 255;
  // Where the pixels under the drawing are read from (same place, same size as the target): the
  // target itself, or a finished layer that the drawing then covers whole, which saves copying it first.
  const Image* Under = nullptr;
  // Only the target's columns [Left, Right) are drawn.
  int64_t Left = 0, Right = INT64_MAX;
};

// Draws into rows [top, bottom) of target only, so that bands of one frame can be drawn at once.
using DrawSpansFn = void (*)(Image& target, int top, int bottom, const SpanDraw& d);
// The copy of the span drawing compiled for this instruction set (omega/draw/Cpu.h); the pixels are the same
// from each. The engine draws with the processor's widest.
DrawSpansFn DrawSpansFor(Wide wide);

// Part `from` of the spans stretched over w×h at (x, y) while drawing, over the whole target (never in
// bands): for destinations too large to keep a scaled copy of. The same pixels as drawing ScaledSpans.
void DrawSpansStretched(Image& target, const Spans& source, Rect from, int64_t x, int64_t y, int64_t w, int64_t h,
                        uint32_t tint, uint32_t alpha);

}  // namespace omega
