// Filtered scaling of a picture part: bilinear where it is drawn larger than its source, the average
// over each destination pixel's area where smaller, each axis on its own. Integer weights and one
// rounding at the end make every path that draws a scaled picture (cached copy or straight onto the
// frame, any instruction set) give the same pixels.
#pragma once
#include <cstdint>
#include <functional>
#include <vector>

#include "omega/draw/Raster.h"

namespace omega {

// The weights of one axis sum to this for every destination pixel.
constexpr uint32_t kWeightOne = 4096;

// For each destination index d0 + i along one axis: the source indexes First[i] .. First[i] + count
// and their weights Weights[Offset[i] .. Offset[i + 1]).
struct AxisTaps {
  std::vector<int32_t> First;
  std::vector<uint32_t> Offset;
  std::vector<uint16_t> Weights;
  int MaxCount = 0;
};

// src source pixels spread over dst destination pixels (both > 0), for destination indexes d0 .. d1 − 1.
AxisTaps MakeAxisTaps(int src, int dst, int d0, int d1);

// Rows y0 .. y1 − 1, columns x0 .. x1 − 1 of the part `from` scaled to w×h and tinted (kNoTint
// leaves colours alone); `row(y, pixels)` receives each row in turn (x1 − x0 pixels, premultiplied).
void ScaleRows(const Image& source, Rect from, int w, int h, int x0, int x1, int y0, int y1, uint32_t tint,
               const std::function<void(int y, const Pixel* pixels)>& row);

// The part `from` of `source` stretched to w×h and tinted (kNoTint leaves colours alone), as whole rows.
Image MakeScaled(const Image& source, Rect from, int w, int h, uint32_t tint);

}  // namespace omega
