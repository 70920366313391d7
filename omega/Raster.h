// The engine's own drawing: 32-bit pictures with premultiplied alpha, filtered scaling (omega/Scale.h) and
// colour tinting done once per (picture part, size, tint) and cached, and a blender with exact
// integer rules. The window and the headless runs both draw through it, so their frames are the same
// pixels.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace omega {

// 0xAARRGGBB, colour premultiplied by alpha.
using Pixel = uint32_t;

// x·a/255 rounded to nearest, exactly, for x and a in 0..255.
constexpr uint32_t Mul255(uint32_t x, uint32_t a) {
  const uint32_t t = x * a + 128;
  return (t + (t >> 8)) >> 8;
}

// Every channel of a pixel multiplied by a/255 (the same exact rounding in all four lanes).
inline Pixel MulPixel(Pixel p, uint32_t a) {
  uint32_t rb = (p & 0x00FF00FFu) * a + 0x00800080u;
  rb = ((rb + ((rb >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
  uint32_t ag = ((p >> 8) & 0x00FF00FFu) * a + 0x00800080u;
  ag = ((ag + ((ag >> 8) & 0x00FF00FFu)) >> 8) & 0x00FF00FFu;
  return rb | (ag << 8);
}

// Premultiplied "over": src + dst·(255 − src alpha)/255.
inline Pixel Over(Pixel src, Pixel dst) {
  const uint32_t a = src >> 24;
  if (a == 255) return src;
  if (a == 0) return dst;
  return src + MulPixel(dst, 255 - a);
}

// Red, green and blue multiplied by the tint's channels; alpha kept.
inline Pixel TintPixel(Pixel p, uint32_t tint) {
  const uint32_t r = Mul255((p >> 16) & 0xFF, (tint >> 16) & 0xFF);
  const uint32_t g = Mul255((p >> 8) & 0xFF, (tint >> 8) & 0xFF);
  const uint32_t b = Mul255(p & 0xFF, tint & 0xFF);
  return (p & 0xFF000000u) | (r << 16) | (g << 8) | b;
}

constexpr uint32_t kNoTint = 0xFFFFFF;

struct Image {
  int W = 0;
  int H = 0;
  std::vector<Pixel> Px;
  // Per row: the first and one-past-last column that is not fully transparent (first == end for an
  // empty row), and whether everything between them is opaque. Filled by ComputeSpans.
  std::vector<int32_t> SpanBegin, SpanEnd;
  std::vector<uint8_t> SpanOpaque;

  Pixel At(int x, int y) const { return Px[static_cast<std::size_t>(y) * W + x]; }
};

struct Rect {
  int X = 0, Y = 0, W = 0, H = 0;
};

void ComputeSpans(Image& image);

// The source column for destination column d of dst columns stretched from src columns: the source
// pixel under the destination pixel's centre (for masks of another size than their picture).
constexpr int64_t SampleIndex(int64_t d, int64_t dst, int64_t src) { return ((2 * d + 1) * src) / (2 * dst); }

// The part `from` of `source` stretched to w×h and tinted (kNoTint leaves colours alone).
Image MakeScaled(const Image& source, Rect from, int w, int h, uint32_t tint);

// Blends `count` pixels of src over dst, src scaled by alpha/255 (`opaque`: every src pixel has alpha 255).
using BlendRowFn = void (*)(Pixel* __restrict dst, const Pixel* __restrict src, int count, uint32_t alpha,
                            bool opaque);
// The widest blender the processor runs (wide), or the plain one; the pixels are the same either way.
BlendRowFn PickBlend(bool wide);

// Draws a prepared image (spans computed) with its top-left at (x, y), scaled by alpha/255, clipped.
void Blit(Image& target, const Image& image, int64_t x, int64_t y, uint32_t alpha, BlendRowFn blend);

// The same result as Blit(target, MakeScaled(source, from, w, h, tint), x, y, alpha) without building
// the scaled image: for destinations too large to cache.
void BlitScaled(Image& target, const Image& source, Rect from, int64_t x, int64_t y, int64_t w, int64_t h,
                uint32_t tint, uint32_t alpha);

// The same result as Blit(target, MakeScaled(source, from, from.W, from.H, kNoTint), x, y, alpha, blend): a
// part drawn at its own size, untinted, straight from the picture without a copy.
void BlitPart(Image& target, const Image& source, Rect from, int64_t x, int64_t y, uint32_t alpha, BlendRowFn blend);

void Clear(Image& target, Pixel colour);

}  // namespace omega
