#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "omega/Raster.h"

using namespace omega;

TEST(Blending, MultiplyRoundsExactlyForEveryByte) {
  for (uint32_t x = 0; x < 256; ++x)
    for (uint32_t a = 0; a < 256; ++a) {
      const auto expected = static_cast<uint32_t>(std::lround(x * a / 255.0));
      ASSERT_EQ(Mul255(x, a), expected) << x << " x " << a << "/255";
    }
}

TEST(Blending, PackedMultiplyAgreesWithEachChannel) {
  std::mt19937 random(7);
  for (int i = 0; i < 20000; ++i) {
    const Pixel p = random();
    const uint32_t a = random() & 0xFF;
    Pixel expected = 0;
    for (int shift : {0, 8, 16, 24}) expected |= Mul255((p >> shift) & 0xFF, a) << shift;
    ASSERT_EQ(MulPixel(p, a), expected) << std::hex << p << " by " << std::dec << a;
  }
}

TEST(Blending, OverKeepsOpaqueAndTransparentExactly) {
  EXPECT_EQ(Over(0xFF123456u, 0xFFABCDEFu), 0xFF123456u);
  EXPECT_EQ(Over(0x00000000u, 0xFFABCDEFu), 0xFFABCDEFu);
  // Half-transparent white (premultiplied 0x80808080) over black: grey 128.
  EXPECT_EQ(Over(0x80808080u, 0xFF000000u), 0xFF808080u);
}

namespace {

Image Checker(int w, int h) {
  Image img;
  img.W = w;
  img.H = h;
  std::mt19937 random(3);
  for (int i = 0; i < w * h; ++i) {
    const uint32_t a = (i % 5 == 0) ? 0 : (i % 3 == 0 ? 255 : random() & 0xFF);
    img.Px.push_back((a << 24) | (Mul255(random() & 0xFF, a) << 16) | (Mul255(random() & 0xFF, a) << 8) |
                     Mul255(random() & 0xFF, a));
  }
  ComputeSpans(img);
  return img;
}

Image Target() {
  Image t;
  t.W = 64;
  t.H = 48;
  t.Px.assign(64 * 48, 0xFF204060u);
  return t;
}

}  // namespace

// Destinations too large to cache are drawn straight from the picture; both paths must give the
// same pixels, clipped or not, tinted or not, at any alpha.
TEST(Scaling, DirectAndCachedPathsDrawTheSamePixels) {
  const Image source = Checker(23, 17);
  const Rect part{3, 2, 15, 11};
  struct Case { int64_t x, y, w, h; uint32_t tint, alpha; };
  for (const Case c : {Case{0, 0, 15, 11, kNoTint, 255}, Case{-7, 5, 40, 9, 0x80FF20, 255},
                       Case{50, 40, 30, 30, kNoTint, 100}, Case{10, -20, 7, 90, 0x123456, 17}}) {
    Image cached = Target(), direct = Target();
    Blit(cached, MakeScaled(source, part, static_cast<int>(c.w), static_cast<int>(c.h), c.tint), c.x, c.y, c.alpha,
         PickBlend(true));
    BlitScaled(direct, source, part, c.x, c.y, c.w, c.h, c.tint, c.alpha);
    ASSERT_EQ(cached.Px, direct.Px) << "at " << c.x << "," << c.y << " size " << c.w << "x" << c.h;
  }
}

TEST(Scaling, SpansMarkEmptyAndOpaqueRows) {
  Image img;
  img.W = 4;
  img.H = 3;
  img.Px = {0, 0, 0, 0,                                  // empty
            0, 0xFF000000u, 0xFF111111u, 0,              // opaque middle
            0x80000000u, 0xFF000000u, 0, 0x10101010u};   // mixed
  ComputeSpans(img);
  EXPECT_EQ(img.SpanBegin[0], img.SpanEnd[0]);
  EXPECT_EQ(img.SpanBegin[1], 1);
  EXPECT_EQ(img.SpanEnd[1], 3);
  EXPECT_EQ(img.SpanOpaque[1], 1);
  EXPECT_EQ(img.SpanBegin[2], 0);
  EXPECT_EQ(img.SpanEnd[2], 4);
  EXPECT_EQ(img.SpanOpaque[2], 0);
}
