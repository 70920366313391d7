#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <tuple>

#include "omega/draw/Cpu.h"
#include "omega/draw/Raster.h"
#include "omega/draw/Scale.h"
#include "omega/draw/Spans.h"
#include "tests/support/PlainDrawing.h"

using namespace omega;

TEST(Blending, MultiplyRoundsExactlyForEveryByte) {
  for (uint32_t x = 0; x < 256; ++x)
    for (uint32_t a = 0; a < 256; ++a) {
      const auto expected = static_cast<uint32_t>(std::lround(x * a / 255.0));
      ASSERT_EQ(Mul255(x, a), expected) << x << " x " << a << "/255";
    }
}

#if defined(__x86_64__)
namespace {
// Every 16-bit value through the AVX-512 copy's rounding, 32 at a time, in place.
__attribute__((target("avx512f,avx512bw,avx512vl"))) void ShrinkEveryValue(std::vector<uint16_t>& values) {
  for (size_t i = 0; i < values.size(); i += 32) {
    Lanes32 v;
    std::memcpy(&v, &values[i], sizeof v);
    Shrink(v);
    std::memcpy(&values[i], &v, sizeof v);
  }
}
}  // namespace

// The AVX-512 copy rounds with one high multiply where the others shift and add: the same for every value
// a lane can hold, the upper half too (a signed multiply would differ there).
TEST(Blending, TheWideCopysRoundingEqualsTheShiftsForEverySixteenBitValue) {
  if (Processor() != Wide::Avx512) GTEST_SKIP() << "no AVX-512 on this processor";
  std::vector<uint16_t> values(65536);
  for (uint32_t t = 0; t < values.size(); ++t) values[t] = static_cast<uint16_t>(t);
  ShrinkEveryValue(values);
  for (uint32_t t = 0; t < values.size(); ++t) {
    uint32_t expected = t;
    Shrink(expected);
    ASSERT_EQ(values[t], expected) << "t = " << t;
  }
}
#endif

TEST(Blending, FadingAndTintingAPixelMultiplyEachChannel) {
  std::mt19937 random(7);
  for (int i = 0; i < 20000; ++i) {
    const Pixel p = random();
    const uint32_t a = random() & 0xFF, tint = random() & 0xFFFFFF;
    Pixel faded = 0, tinted = p & 0xFF000000u;
    for (int shift : {0, 8, 16, 24}) faded |= Mul255((p >> shift) & 0xFF, a) << shift;
    for (int shift : {0, 8, 16}) tinted |= Mul255((p >> shift) & 0xFF, (tint >> shift) & 0xFF) << shift;
    ASSERT_EQ(Prepared(p, kNoTint, a), faded) << std::hex << p << " by " << std::dec << a;
    ASSERT_EQ(Prepared(p, tint, 255), tinted) << std::hex << p << " tinted " << tint;
  }
}

TEST(Blending, AnOpaqueSourceOrATransparentOneIsExact) {
  EXPECT_EQ(Blend(0xFF123456u, 0xFFABCDEFu, kNoTint, 255), 0xFF123456u);
  EXPECT_EQ(Blend(0x00000000u, 0xFFABCDEFu, kNoTint, 255), 0xFFABCDEFu);
  // Half-transparent white (premultiplied 0x80808080) over black: grey 128.
  EXPECT_EQ(Blend(0x80808080u, 0xFF000000u, kNoTint, 255), 0xFF808080u);
}

// The one rule every drawing path blends by, against the arithmetic written out channel by channel in
// floating point: colours times the tint's (alpha kept), then every channel times alpha/255, each rounded
// to nearest; then the source plus what is under it times (255 − source alpha)/255. Premultiplied sources
// (no channel above alpha); the order matters, as tinting after fading rounds differently.
TEST(Blending, TheRuleTintsThenFadesThenLaysOverRoundingEachStep) {
  std::mt19937 random(19);
  const auto round255 = [](uint32_t x, uint32_t m) { return static_cast<uint32_t>(std::lround(x * m / 255.0)); };
  for (int i = 0; i < 200000; ++i) {
    const uint32_t a = i < 4 ? (i % 2 ? 255u : 0u) : random() & 0xFF;
    const uint32_t raw = random();
    const Pixel src = (a << 24) | (Mul255((raw >> 16) & 0xFF, a) << 16) | (Mul255((raw >> 8) & 0xFF, a) << 8) |
                      Mul255(raw & 0xFF, a);
    const Pixel under = random();
    const uint32_t tint = i % 3 == 0 ? kNoTint : random() & 0xFFFFFF;
    const uint32_t alpha = i % 5 == 0 ? 255u : random() & 0xFF;
    uint32_t c[4];  // b, g, r, a
    for (int k = 0; k < 4; ++k) {
      c[k] = (src >> (8 * k)) & 0xFF;
      if (k < 3) c[k] = round255(c[k], (tint >> (8 * k)) & 0xFF);
      c[k] = round255(c[k], alpha);
    }
    Pixel expected = 0;
    for (int k = 0; k < 4; ++k) expected |= (c[k] + round255((under >> (8 * k)) & 0xFF, 255 - c[3])) << (8 * k);
    ASSERT_EQ(Blend(src, under, tint, alpha), expected)
        << std::hex << "src " << src << " under " << under << " tint " << tint << std::dec << " alpha " << alpha;
  }
}

namespace {

// The sheet's blend (one colour over every pixel, every channel under it times one factor) on P pixels at
// a time, for every under pixel in `unders` (a multiple of 16 of them).
template <int P>
std::vector<Pixel> OverOneEach(Pixel colour, const std::vector<Pixel>& unders) {
  using L = Lanes<P>;
  std::vector<Pixel> out(unders.size());
  for (size_t i = 0; i < unders.size(); i += P) L::Put(&out[i], OverOne<P>(L::Each(colour), L::Get(&unders[i])));
  return out;
}
#if defined(__x86_64__)
__attribute__((target("avx512f,avx512bw,avx512vl"), flatten)) std::vector<Pixel> OverOneEach16(
    Pixel colour, const std::vector<Pixel>& unders) {
  return OverOneEach<16>(colour, unders);
}
#endif

}  // namespace

// A one-colour sheet is laid over with one factor for every channel, its vector copy widening the bytes in
// another order than the rule's: for every alpha of the sheet and every value of every channel under it
// (in every one of the 16 places of a step, so that a pack that put a pixel back in the wrong place
// shows), the rule's own pixels.
TEST(Blending, ASheetOfOneColourLaysOverAsTheRuleForEveryAlphaAndChannel) {
  std::vector<Pixel> unders;
  for (uint32_t v = 0; v < 256; ++v)
    for (uint32_t place = 0; place < 16; ++place)
      unders.push_back((v << (8 * (place % 4))) | (((v * 37 + place * 101) & 0xFF) << (8 * ((place + 1) % 4))) |
                       (place << (8 * ((place + 2) % 4))));
  for (uint32_t a = 0; a < 256; ++a) {
    const Pixel colour = (a << 24) | (Mul255(0xC0, a) << 16) | (Mul255(0x31, a) << 8) | Mul255(0xFF, a);
    std::vector<Pixel> expected;
    for (const Pixel u : unders) expected.push_back(Blend(colour, u, kNoTint, 255));
    const auto check = [&](const std::vector<Pixel>& got, const char* copy) {
      for (size_t i = 0; i < unders.size(); ++i)
        ASSERT_EQ(got[i], expected[i]) << copy << ": sheet " << std::hex << colour << " over " << unders[i] << " at "
                                       << std::dec << i % 16;
    };
    check(OverOneEach<1>(colour, unders), "one pixel");
    check(OverOneEach<4>(colour, unders), "4 pixels");
    check(OverOneEach<8>(colour, unders), "8 pixels");
#if defined(__x86_64__)
    if (Processor() == Wide::Avx512) check(OverOneEach16(colour, unders), "16 pixels");
#endif
  }
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

// Destinations too large to cache are drawn straight from the picture; that path must give the plain
// drawing's pixels, clipped or not, tinted or not, at any alpha.
TEST(Scaling, StretchingWhileDrawingGivesThePlainDrawingsPixels) {
  const Image source = Checker(23, 17);
  const Spans spans = Encode(source);
  const Rect part{3, 2, 15, 11};
  struct Case { int64_t x, y, w, h; uint32_t tint, alpha; };
  for (const Case c : {Case{0, 0, 15, 11, kNoTint, 255}, Case{-7, 5, 40, 9, 0x80FF20, 255},
                       Case{50, 40, 30, 30, kNoTint, 100}, Case{10, -20, 7, 90, 0x123456, 17}}) {
    Image expected = Target(), direct = Target();
    plain::Draw(expected, source, part, c.x, c.y, c.w, c.h, c.tint, c.alpha);
    DrawSpansStretched(direct, spans, part, c.x, c.y, c.w, c.h, c.tint, c.alpha);
    ASSERT_EQ(expected.Px, direct.Px) << "at " << c.x << "," << c.y << " size " << c.w << "x" << c.h;
  }
}

// ---- filtered scaling -----------------------------------------------------------------------

namespace {

Image Row(std::vector<Pixel> px) {
  Image img;
  img.W = static_cast<int>(px.size());
  img.H = 1;
  img.Px = std::move(px);
  return img;
}

std::vector<int> Reds(const Image& img) {
  std::vector<int> out;
  for (const Pixel p : img.Px) out.push_back(static_cast<int>((p >> 16) & 0xFF));
  return out;
}

}  // namespace

TEST(Scaling, LargerIsBilinearWithTheEdgesHeld) {
  const Image two = Row({0xFF000000u, 0xFFFF0000u});
  // Destination centres at −0.25, −0.125 (held), then 1/8, 3/8, 5/8, 7/8 of the way, then held.
  EXPECT_EQ(Reds(MakeScaled(two, {0, 0, 2, 1}, 8, 1, kNoTint)), (std::vector<int>{0, 0, 32, 96, 159, 223, 255, 255}));
  // Twice as tall: the same in the other direction.
  Image column;
  column.W = 1, column.H = 2, column.Px = {0xFF000000u, 0xFFFF0000u};
  EXPECT_EQ(Reds(MakeScaled(column, {0, 0, 1, 2}, 1, 8, kNoTint)), (std::vector<int>{0, 0, 32, 96, 159, 223, 255, 255}));
}

TEST(Scaling, SmallerAveragesEachDestinationPixelsArea) {
  const Image stripes = Row({0xFF000000u, 0xFFFF0000u, 0xFF000000u, 0xFFFF0000u});
  EXPECT_EQ(Reds(MakeScaled(stripes, {0, 0, 4, 1}, 2, 1, kNoTint)), (std::vector<int>{128, 128}));
  EXPECT_EQ(Reds(MakeScaled(stripes, {0, 0, 4, 1}, 1, 1, kNoTint)), (std::vector<int>{128}));
  // Three into two: two thirds of one pixel and one third of the next.
  const Image three = Row({0xFF000000u, 0xFF960000u, 0xFFFF0000u});
  EXPECT_EQ(Reds(MakeScaled(three, {0, 0, 3, 1}, 2, 1, kNoTint)), (std::vector<int>{50, 220}));
  // Far smaller: the mean of all of them.
  std::vector<Pixel> many(1000, 0xFF000000u);
  for (int i = 0; i < 500; ++i) many[2 * i] = 0xFFC80000u;
  EXPECT_EQ(Reds(MakeScaled(Row(many), {0, 0, 1000, 1}, 1, 1, kNoTint)), (std::vector<int>{100}));
}

TEST(Scaling, SameSizeIsAnExactCopy) {
  const Image source = Checker(23, 17);
  const Image copy = MakeScaled(source, {0, 0, 23, 17}, 23, 17, kNoTint);
  EXPECT_EQ(copy.Px, source.Px);
}

// A frame of a sheet scaled either way never takes colour from the frames beside it, and the soft
// edge of an opaque shape against transparency stays premultiplied (no dark or light fringe).
TEST(Scaling, FramesDoNotBleedAndEdgesStayPremultiplied) {
  Image sheet;
  sheet.W = 12, sheet.H = 4;
  sheet.Px.assign(48, 0xFFFF00FFu);  // magenta: the neighbouring frames
  for (int y = 0; y < 4; ++y)
    for (int x = 4; x < 8; ++x) sheet.Px[y * 12 + x] = (x == 5 && y == 1) || (x == 6 && y == 2) ? 0xFFFF0000u : 0;
  for (const auto& [w, h] : {std::pair{40, 40}, std::pair{7, 5}, std::pair{3, 3}, std::pair{100, 2}}) {
    const Image out = MakeScaled(sheet, {4, 0, 4, 4}, w, h, kNoTint);
    int red = 0;
    for (const Pixel p : out.Px) {
      const uint32_t a = p >> 24, r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
      ASSERT_EQ(g, 0u) << w << "x" << h << ": green from outside the frame";
      ASSERT_EQ(b, 0u) << w << "x" << h << ": blue from outside the frame";
      ASSERT_LE(r, a) << w << "x" << h << ": not premultiplied";
      red += r > 0;
    }
    EXPECT_GT(red, 0) << w << "x" << h;
  }
}

// Far beyond the target, a direct draw costs only what shows: a destination a hundred million pixels
// wide draws its visible part.
TEST(Scaling, HugeDestinationsDrawOnlyTheirVisiblePart) {
  const Image two = Row({0xFF000000u, 0xFFFF0000u});
  const Spans twoRuns = Encode(two);
  Image target = Target();
  DrawSpansStretched(target, twoRuns, {0, 0, 2, 1}, -25000000, 0, 100000000, 48, kNoTint, 255);
  EXPECT_EQ(target.At(10, 10), 0xFF000000u) << "a quarter of the way: the first pixel's centre";
  Image middle = Target();
  DrawSpansStretched(middle, twoRuns, {0, 0, 2, 1}, -50000000, 0, 100000000, 48, kNoTint, 255);
  EXPECT_EQ(middle.At(10, 10), 0xFF800000u) << "half way: between the two";
  Image right = Target();
  DrawSpansStretched(right, twoRuns, {0, 0, 2, 1}, -75000000, 0, 100000000, 48, kNoTint, 255);
  EXPECT_EQ(right.At(10, 10), 0xFFFF0000u) << "three quarters of the way: the second pixel's centre";
}
