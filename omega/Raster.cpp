#include "omega/Raster.h"

#include <algorithm>
#include <climits>
#include <cstring>

#include "omega/Scale.h"

namespace omega {

void ComputeSpans(Image& image) {
  image.SpanBegin.assign(image.H, 0);
  image.SpanEnd.assign(image.H, 0);
  image.SpanOpaque.assign(image.H, 0);
  for (int y = 0; y < image.H; ++y) {
    const Pixel* row = &image.Px[static_cast<size_t>(y) * image.W];
    int begin = 0;
    while (begin < image.W && (row[begin] >> 24) == 0) ++begin;
    int end = image.W;
    while (end > begin && (row[end - 1] >> 24) == 0) --end;
    bool opaque = true;
    for (int x = begin; x < end && opaque; ++x) opaque = (row[x] >> 24) == 255;
    image.SpanBegin[y] = begin;
    image.SpanEnd[y] = end;
    image.SpanOpaque[y] = opaque ? 1 : 0;
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
  ComputeSpans(out);
  return out;
}

namespace {

// Branch-free so the compiler can vectorise it: with premultiplied colours, src + dst·(255 − a)/255
// is exactly dst for a transparent source and exactly src for an opaque one. Integer-exact, so every
// instruction set below gives the same pixels.
inline __attribute__((always_inline)) void BlendRowBody(Pixel* __restrict dst, const Pixel* __restrict src, int count,
                                                        uint32_t alpha, bool opaque) {
  if (alpha == 255) {
    if (opaque) {
      std::memcpy(dst, src, sizeof(Pixel) * count);
      return;
    }
    for (int i = 0; i < count; ++i) dst[i] = src[i] + MulPixel(dst[i], 255 - (src[i] >> 24));
    return;
  }
  for (int i = 0; i < count; ++i) {
    const Pixel s = MulPixel(src[i], alpha);
    dst[i] = s + MulPixel(dst[i], 255 - (s >> 24));
  }
}

void BlendRowPlain(Pixel* __restrict dst, const Pixel* __restrict src, int count, uint32_t alpha, bool opaque) {
  BlendRowBody(dst, src, count, alpha, opaque);
}

#if defined(__x86_64__)
#define OMEGA_WIDE_BLEND 1
__attribute__((target("avx2"))) void BlendRowAvx2(Pixel* __restrict dst, const Pixel* __restrict src, int count,
                                                  uint32_t alpha, bool opaque) {
  BlendRowBody(dst, src, count, alpha, opaque);
}
__attribute__((target("avx512f,avx512bw,avx512vl"))) void BlendRowAvx512(Pixel* __restrict dst,
                                                                        const Pixel* __restrict src, int count,
                                                                        uint32_t alpha, bool opaque) {
  BlendRowBody(dst, src, count, alpha, opaque);
}
#endif

}  // namespace

BlendRowFn PickBlend(bool wide) {
#ifdef OMEGA_WIDE_BLEND
  if (wide) {
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512vl")) return BlendRowAvx512;
    if (__builtin_cpu_supports("avx2")) return BlendRowAvx2;
  }
#else
  (void)wide;
#endif
  return BlendRowPlain;
}

void Blit(Image& target, const Image& image, int64_t x, int64_t y, uint32_t alpha, BlendRowFn blend) {
  if (alpha == 0 || image.W == 0 || image.H == 0) return;
  const int64_t y0 = std::max<int64_t>(y, 0), y1 = std::min<int64_t>(y + image.H, target.H);
  for (int64_t ty = y0; ty < y1; ++ty) {
    const int row = static_cast<int>(ty - y);
    const int64_t sx0 = std::max<int64_t>(image.SpanBegin[row], -x);
    const int64_t sx1 = std::min<int64_t>(image.SpanEnd[row], target.W - x);
    if (sx0 >= sx1) continue;
    blend(&target.Px[static_cast<size_t>(ty) * target.W + static_cast<size_t>(x + sx0)],
          &image.Px[static_cast<size_t>(row) * image.W + static_cast<size_t>(sx0)], static_cast<int>(sx1 - sx0), alpha,
          image.SpanOpaque[row] != 0);
  }
}

void BlitPart(Image& target, const Image& source, Rect from, int64_t x, int64_t y, uint32_t alpha, BlendRowFn blend) {
  if (alpha == 0 || from.W <= 0 || from.H <= 0) return;
  const int64_t y0 = std::max<int64_t>(y, 0), y1 = std::min<int64_t>(y + from.H, target.H);
  const int64_t x0 = std::max<int64_t>(x, 0), x1 = std::min<int64_t>(x + from.W, target.W);
  if (x0 >= x1) return;
  for (int64_t ty = y0; ty < y1; ++ty)
    blend(&target.Px[static_cast<size_t>(ty) * target.W + static_cast<size_t>(x0)],
          &source.Px[static_cast<size_t>(from.Y + ty - y) * source.W + static_cast<size_t>(from.X + x0 - x)],
          static_cast<int>(x1 - x0), alpha, false);
}

void BlitScaled(Image& target, const Image& source, Rect from, int64_t x, int64_t y, int64_t w, int64_t h,
                uint32_t tint, uint32_t alpha) {
  if (alpha == 0 || w <= 0 || h <= 0 || w > INT32_MAX || h > INT32_MAX) return;
  const int64_t y0 = std::max<int64_t>(y, 0), y1 = std::min<int64_t>(y + h, target.H);
  const int64_t x0 = std::max<int64_t>(x, 0), x1 = std::min<int64_t>(x + w, target.W);
  if (y0 >= y1 || x0 >= x1) return;
  // Only the part on the target is scaled, row by row, with the same filter as the cached copies.
  ScaleRows(source, from, static_cast<int>(w), static_cast<int>(h), static_cast<int>(x0 - x), static_cast<int>(x1 - x),
            static_cast<int>(y0 - y), static_cast<int>(y1 - y), tint, [&](int row, const Pixel* pixels) {
              Pixel* dst = &target.Px[static_cast<size_t>(y + row) * target.W + static_cast<size_t>(x0)];
              for (int64_t i = 0; i < x1 - x0; ++i) {
                Pixel s = pixels[i];
                if ((s >> 24) == 0) continue;
                if (alpha != 255) s = MulPixel(s, alpha);
                dst[i] = Over(s, dst[i]);
              }
            });
}

void Clear(Image& target, Pixel colour) { std::fill(target.Px.begin(), target.Px.end(), colour); }

}  // namespace omega
