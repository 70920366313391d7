#include "omega/draw/Scale.h"

#include <algorithm>
#include <cstring>

namespace omega {

namespace {

// Floor division for a positive divisor.
int64_t FloorDiv(int64_t a, int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

}  // namespace

AxisTaps MakeAxisTaps(int src, int dst, int d0, int d1) {
  AxisTaps t;
  t.First.resize(d1 - d0);
  t.Offset.resize(static_cast<size_t>(d1 - d0) + 1);
  t.Offset[0] = 0;
  std::vector<uint16_t> w(static_cast<size_t>(src / std::max(dst, 1)) + 2);
  for (int d = d0; d < d1; ++d) {
    int first, count;
    if (dst == src) {
      first = d, count = 1, w[0] = kWeightOne;
    } else if (dst > src) {
      // Bilinear: the destination pixel's centre in source pixels is ((2d + 1)·src − dst) / (2·dst)
      // from the first pixel's centre; the two pixels around it share it, the edges are held.
      const int64_t num = (2 * int64_t{d} + 1) * src - dst, den = 2 * int64_t{dst};
      const int64_t i0 = FloorDiv(num, den);
      const int64_t frac = num - i0 * den;  // 0 .. den − 1
      const auto far = static_cast<uint16_t>((frac * kWeightOne + den / 2) / den);
      if (i0 < 0) {
        first = 0, count = 1, w[0] = kWeightOne;
      } else if (i0 + 1 >= src || far == 0) {
        first = static_cast<int>(std::min<int64_t>(i0, src - 1)), count = 1, w[0] = kWeightOne;
      } else if (far == kWeightOne) {
        first = static_cast<int>(i0 + 1), count = 1, w[0] = kWeightOne;
      } else {
        first = static_cast<int>(i0), count = 2, w[0] = static_cast<uint16_t>(kWeightOne - far), w[1] = far;
      }
    } else {
      // The average over the destination pixel's area: it covers source [d·src, (d + 1)·src) in
      // units of 1/dst, source pixel i covers [i·dst, (i + 1)·dst).
      const int64_t lo = int64_t{d} * src, hi = lo + src;
      first = static_cast<int>(lo / dst);
      const int last = static_cast<int>((hi - 1) / dst);
      count = last - first + 1;
      // Each weight is the rounded share covered so far minus the share before it: they sum to
      // kWeightOne exactly and no tap is off by more than one.
      int64_t before = 0;
      for (int k = 0; k < count; ++k) {
        const int64_t covered = std::min(hi, (first + k + int64_t{1}) * dst) - lo;
        const int64_t share = (covered * kWeightOne + src / 2) / src;
        w[k] = static_cast<uint16_t>(share - before);
        before = share;
      }
    }
    t.First[d - d0] = first;
    for (int k = 0; k < count; ++k) t.Weights.push_back(w[k]);
    t.Offset[d - d0 + 1] = static_cast<uint32_t>(t.Weights.size());
    t.MaxCount = std::max(t.MaxCount, count);
  }
  return t;
}

void ScaleRows(const Image& source, Rect from, int w, int h, int x0, int x1, int y0, int y1, uint32_t tint,
               const std::function<void(int y, const Pixel* pixels)>& row) {
  if (w <= 0 || h <= 0 || x0 >= x1 || y0 >= y1 || from.W <= 0 || from.H <= 0) return;
  const int width = x1 - x0;
  std::vector<Pixel> out(width);
  if (w == from.W && h == from.H) {
    // Drawn at its own size: the filter's single full-weight taps give the pixels themselves.
    for (int y = y0; y < y1; ++y) {
      const Pixel* src = &source.Px[static_cast<size_t>(from.Y + y) * source.W + from.X + x0];
      for (int x = 0; x < width; ++x) out[x] = tint == kNoTint ? src[x] : Prepared(src[x], tint, 255);
      row(y, out.data());
    }
    return;
  }
  const AxisTaps columns = MakeAxisTaps(from.W, w, x0, x1), rows = MakeAxisTaps(from.H, h, y0, y1);
  // Source rows filtered across, four channels each, kept while the next destination rows need them:
  // row j sits in slot j mod MaxCount.
  const int slots = rows.MaxCount;
  std::vector<uint32_t> across(static_cast<size_t>(slots) * width * 4);
  std::vector<int> held(slots, -1);
  auto filterAcross = [&](int j) {
    uint32_t* acc = &across[static_cast<size_t>(j % slots) * width * 4];
    const Pixel* src = &source.Px[static_cast<size_t>(from.Y + j) * source.W + from.X];
    for (int x = 0; x < width; ++x) {
      const int d = x;
      const Pixel* p = src + columns.First[d];
      uint32_t a = 0, r = 0, g = 0, b = 0;
      for (uint32_t k = columns.Offset[d]; k < columns.Offset[d + 1]; ++k, ++p) {
        const uint32_t wk = columns.Weights[k];
        a += wk * (*p >> 24);
        r += wk * ((*p >> 16) & 0xFF);
        g += wk * ((*p >> 8) & 0xFF);
        b += wk * (*p & 0xFF);
      }
      acc[4 * x] = a, acc[4 * x + 1] = r, acc[4 * x + 2] = g, acc[4 * x + 3] = b;
    }
    held[j % slots] = j;
  };
  constexpr uint32_t kHalf = (kWeightOne * kWeightOne) / 2;
  constexpr int kShift = 24;  // kWeightOne² = 2^24
  static_assert(kWeightOne * kWeightOne == 1u << kShift);
  for (int y = y0; y < y1; ++y) {
    const int first = rows.First[y - y0];
    const uint32_t begin = rows.Offset[y - y0], end = rows.Offset[y - y0 + 1];
    for (uint32_t k = begin; k < end; ++k) {
      const int j = first + static_cast<int>(k - begin);
      if (held[j % slots] != j) filterAcross(j);
    }
    for (int x = 0; x < width; ++x) {
      // At most 255·kWeightOne² + kHalf: inside 32 bits.
      uint32_t a = kHalf, r = kHalf, g = kHalf, b = kHalf;
      for (uint32_t k = begin; k < end; ++k) {
        const uint32_t wk = rows.Weights[k];
        const uint32_t* acc = &across[(static_cast<size_t>((first + static_cast<int>(k - begin)) % slots) * width + x) * 4];
        a += wk * acc[0], r += wk * acc[1], g += wk * acc[2], b += wk * acc[3];
      }
      const Pixel p = ((a >> kShift) << 24) | ((r >> kShift) << 16) | ((g >> kShift) << 8) | (b >> kShift);
      out[x] = tint == kNoTint ? p : Prepared(p, tint, 255);
    }
    row(y, out.data());
  }
}

Image MakeScaled(const Image& source, Rect from, int w, int h, uint32_t tint) {
  Image out;
  out.W = std::max(w, 0);
  out.H = std::max(h, 0);
  out.Px.resize(static_cast<size_t>(out.W) * out.H);
  ScaleRows(source, from, out.W, out.H, 0, out.W, 0, out.H, tint, [&](int y, const Pixel* pixels) {
    std::memcpy(&out.Px[static_cast<size_t>(y) * out.W], pixels, sizeof(Pixel) * out.W);
  });
  return out;
}

}  // namespace omega
