// Pictures kept as runs of non-transparent pixels, tinted and faded while blending, drawn in bands by
// every copy of the span drawing: always the plain drawing's pixels (tests/support/PlainDrawing.h).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>

#include "omega/draw/Scale.h"
#include "omega/draw/Spans.h"
#include "tests/support/PlainDrawing.h"

using namespace omega;

namespace {

// A premultiplied picture where every kind of row turns up: empty, opaque, soft-edged, opaque stretches
// just shorter and just longer than a copied run, holes.
Image Mixed(int w, int h, uint32_t seed) {
  std::mt19937 random(seed);
  Image img;
  img.W = w;
  img.H = h;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint32_t a = 0;
      switch (y % 6) {
        case 0: a = 0; break;                                                   // empty row
        case 1: a = 255; break;                                                 // opaque row
        case 2: a = x < kShortestOpaqueRun - 1 ? 255 : x < 2 * kShortestOpaqueRun ? 0 : 255; break;
        case 3: a = (x / 3) % 2 ? 0 : random() & 0xFF; break;                   // holes
        case 4: a = x % (kShortestOpaqueRun + 3) == 0 ? 100 : 255; break;       // opaque, broken
        default: a = random() % 3 == 0 ? 0 : random() % 2 ? 255 : random() & 0xFF;
      }
      img.Px.push_back((a << 24) | (Mul255(random() & 0xFF, a) << 16) | (Mul255(random() & 0xFF, a) << 8) |
                       Mul255(random() & 0xFF, a));
    }
  return img;
}

Image Target(int w, int h, uint32_t seed) {
  std::mt19937 random(seed);
  Image t;
  t.W = w;
  t.H = h;
  for (int i = 0; i < w * h; ++i) t.Px.push_back(random() | (i % 3 ? 0xFF000000u : 0u));
  return t;
}

// The first differing pixel of two frames, or "" when they are the same.
std::string FirstDifference(const Image& expected, const Image& got) {
  for (size_t i = 0; i < expected.Px.size(); ++i)
    if (expected.Px[i] != got.Px[i]) {
      char b[96];
      std::snprintf(b, sizeof b, "pixel (%zu, %zu): expected %08X, got %08X", i % expected.W, i / expected.W,
                    expected.Px[i], got.Px[i]);
      return b;
    }
  return "";
}

// The copies of the span drawing this processor runs.
std::vector<Wide> Copies() {
  std::vector<Wide> copies = {Wide::Plain};
  if (Processor() >= Wide::Avx2) copies.push_back(Wide::Avx2);
  if (Processor() >= Wide::Avx512) copies.push_back(Wide::Avx512);
  return copies;
}

size_t NonTransparent(const Image& img) {
  size_t n = 0;
  for (const Pixel p : img.Px) n += (p >> 24) != 0;
  return n;
}

}  // namespace

TEST(SpanPictures, KeepOnlyNonTransparentPixelsAndShortHolesAndGiveThePictureBack) {
  for (const auto& [w, h] : {std::pair{70, 24}, {1, 7}, {kShortestOpaqueRun, 6}, {300, 12}}) {
    const Image picture = Mixed(w, h, static_cast<uint32_t>(w));
    const Spans s = Encode(picture);
    EXPECT_FALSE(s.Plain);
    size_t inHoles = 0;
    for (int y = 0; y < h; ++y)
      for (uint32_t r = s.RowRuns[y]; r < s.RowRuns[y + 1]; ++r) {
        const Spans::Run& run = s.Runs[r];
        ASSERT_GT(run.Len, 0);
        ASSERT_NE(s.Px[run.Offset] >> 24, 0u) << "row " << y << ": a run starts on a transparent pixel";
        ASSERT_NE(s.Px[run.Offset + run.Len - 1] >> 24, 0u) << "row " << y << ": a run ends on a transparent pixel";
        for (int i = 0, hole = 0; i < run.Len; ++i) {
          const uint32_t a = s.Px[run.Offset + i] >> 24;
          ASSERT_EQ(s.Px[run.Offset + i], picture.Px[static_cast<size_t>(y) * w + run.X + i]);
          hole = a == 0 ? hole + 1 : 0;
          inHoles += a == 0;
          ASSERT_LT(hole, kShortestGap) << "row " << y << ": a hole as long as a vector step inside a run";
          if (run.Opaque) {
            ASSERT_EQ(a, 255u) << "a translucent pixel inside an opaque run";
          }
        }
        if (run.Opaque) {
          EXPECT_GE(run.Len, kShortestOpaqueRun);
        }
      }
    EXPECT_EQ(s.Px.size(), NonTransparent(picture) + inHoles) << w << "×" << h << ": pixels kept outside the runs";
    const Image back = plain::Rows(s);
    EXPECT_EQ(FirstDifference(picture, back), "") << w << "×" << h;
  }
}

// A hole shorter than a vector step stays inside the run around it; one as long splits the row.
TEST(SpanPictures, HolesSplitRunsFromAVectorStepOn) {
  for (const int hole : {1, kShortestGap - 1, kShortestGap, kShortestGap + 5}) {
    Image row;
    row.W = 5 + hole + 5;
    row.H = 1;
    row.Px.assign(static_cast<size_t>(row.W), 0x80402010u);
    std::fill_n(row.Px.begin() + 5, hole, Pixel{0});
    const Spans s = Encode(row);
    const size_t runs = hole < kShortestGap ? 1 : 2;
    EXPECT_EQ(s.Runs.size(), runs) << "a hole of " << hole << " pixels";
    EXPECT_EQ(s.Px.size(), hole < kShortestGap ? static_cast<size_t>(row.W) : 10u) << "a hole of " << hole;
  }
}

TEST(SpanPictures, OpaquePicturesStayWholeRowsAndEmptyOnesCostNothing) {
  Image opaque = Target(33, 5, 1);
  for (Pixel& p : opaque.Px) p |= 0xFF000000u;
  const Image copy = opaque;
  const Spans s = Encode(std::move(opaque));
  EXPECT_TRUE(s.Plain);
  EXPECT_EQ(s.Px, copy.Px);
  EXPECT_EQ(s.Runs.size(), 5u) << "one run per row";
  EXPECT_FALSE(s.Solid);

  // One colour throughout is drawn without reading the pixels: a single other pixel, even the last one
  // of a long picture, must keep it from being taken for that.
  Image sheet;
  sheet.W = 300;
  sheet.H = 7;
  sheet.Px.assign(2100, 0xFF102030u);
  EXPECT_TRUE(Encode(sheet).Solid);
  EXPECT_EQ(Encode(sheet).Colour, 0xFF102030u);
  for (const size_t odd : {size_t{0}, size_t{63}, size_t{64}, size_t{2099}}) {
    Image almost = sheet;
    almost.Px[odd] = 0xFF102031u;
    EXPECT_FALSE(Encode(almost).Solid) << "pixel " << odd << " differs";
  }
  Image translucent = sheet;
  for (Pixel& p : translucent.Px) p = 0x80081018u;
  EXPECT_FALSE(Encode(translucent).Solid) << "only opaque pictures are sheets";

  Image empty;
  empty.W = 40;
  empty.H = 3;
  empty.Px.assign(120, 0);
  const Spans none = Encode(empty);
  EXPECT_TRUE(none.Px.empty());
  EXPECT_TRUE(none.Runs.empty());
  EXPECT_EQ(none.RowRuns.size(), 4u);

  const Spans zero = Encode(Image{});
  EXPECT_EQ(zero.W, 0);
  EXPECT_EQ(plain::Rows(zero).Px.size(), 0u);
}

// Parts, places (inside, on every edge, outside), tints and fades: the spans drawn by every copy of the
// span drawing the processor runs, in one band or two, give the plain drawing's pixels.
TEST(SpanPictures, DrawingTintedAndFadedMatchesTheTintedCopies) {
  const Image picture = Mixed(90, 36, 5);
  const Spans s = Encode(picture);
  std::mt19937 random(11);
  const Rect parts[] = {{0, 0, 90, 36}, {30, 6, 30, 18}, {89, 35, 1, 1}, {0, 12, 17, 24}};
  const int64_t places[][2] = {{10, 5}, {-20, -7}, {100, 50}, {-89, 0}, {0, -35}, {130, 10}, {10, 70}, {-200, 0}};
  const uint32_t tints[] = {kNoTint, 0x00FF00, 0xFF8040, 0x000000, 0x7F7F7F};
  const uint32_t alphas[] = {255, 254, 128, 1};
  for (const Rect& from : parts)
    for (const auto& at : places)
      for (const uint32_t tint : tints)
        for (const uint32_t alpha : alphas) {
          Image before = Target(128, 64, random());
          Image expected = before, banded = before;
          plain::Draw(expected, picture, from, at[0], at[1], from.W, from.H, tint, alpha);
          const SpanDraw d{&s, from, at[0], at[1], tint, alpha};
          const std::string where = "part " + std::to_string(from.X) + "," + std::to_string(from.Y) + " at " +
                                    std::to_string(at[0]) + "," + std::to_string(at[1]) + " tint " +
                                    std::to_string(tint) + " alpha " + std::to_string(alpha);
          for (const Wide wide : Copies()) {
            Image got = before;
            DrawSpansFor(wide)(got, 0, 64, d);
            ASSERT_EQ(FirstDifference(expected, got), "") << "copy " << static_cast<int>(wide) << ", " << where;
          }
          const int split = static_cast<int>(random() % 65);
          DrawSpansFor(Processor())(banded, split, 64, d);
          DrawSpansFor(Processor())(banded, 0, split, d);
          ASSERT_EQ(FirstDifference(expected, banded), "") << "two bands split at " << split << ", " << where;
        }
}

// A one-colour picture (a sheet) is drawn without reading its pixels: its colour tinted, then faded,
// in that order, as every other picture is. Every channel value under tints and fades that round
// differently when the two are swapped.
TEST(SpanPictures, OneColourPicturesDrawnTintedAndFadedMatchTheTintedCopies) {
  const uint32_t tints[] = {kNoTint, 0x00FF00, 0xFF8040, 0x7F7F7F, 0x030507, 0xC8641E};
  const uint32_t alphas[] = {255, 254, 200, 128, 77, 3};
  int cases = 0;
  for (uint32_t channel = 0; channel < 256; ++channel) {
    Image sheet;
    sheet.W = 20;  // wider than one vector step, and a tail
    sheet.H = 2;
    const Pixel colour = 0xFF000000u | channel << 16 | (255 - channel) << 8 | (channel * 7 & 0xFF);
    sheet.Px.assign(40, colour);
    const Spans s = Encode(sheet);
    ASSERT_TRUE(s.Solid) << "a one-colour picture not marked as one";
    for (const uint32_t tint : tints)
      for (const uint32_t alpha : alphas) {
        Image before = Target(24, 4, channel * 31 + alpha);
        const Rect whole{0, 0, 20, 2};
        const SpanDraw d{&s, whole, 2, 1, tint, alpha};
        Image expected = before;
        plain::Draw(expected, sheet, whole, 2, 1, 20, 2, tint, alpha);
        char where[80];
        std::snprintf(where, sizeof where, "colour %08X tint %06X alpha %u", colour, tint, alpha);
        for (const Wide wide : Copies()) {
          Image got = before;
          DrawSpansFor(wide)(got, 0, 4, d);
          ASSERT_EQ(FirstDifference(expected, got), "") << "copy " << static_cast<int>(wide) << ", " << where;
        }
        ++cases;
      }
  }
  EXPECT_EQ(cases, 256 * 6 * 6);
}

// A long opaque stretch is a run of its own; a short hole right after it must not open the blended run
// that follows (that run starts on the next visible pixel), for every hole shorter than a split.
TEST(SpanPictures, ARunAfterALongOpaqueStretchAndAShortHoleStartsOnAVisiblePixel) {
  for (const int opaque : {kShortestOpaqueRun, kShortestOpaqueRun + 9})
    for (int hole = 1; hole < kShortestGap; ++hole) {
      Image row;
      row.W = 3 + opaque + hole + 5;
      row.H = 1;
      row.Px.assign(3, 0x80402010u);                      // translucent lead
      row.Px.insert(row.Px.end(), opaque, 0xFF123456u);   // the long opaque stretch
      row.Px.insert(row.Px.end(), hole, Pixel{0});        // the short hole
      row.Px.insert(row.Px.end(), 5, 0x40201008u);        // translucent tail
      const Spans s = Encode(row);
      const std::string what = std::to_string(opaque) + " opaque, a hole of " + std::to_string(hole);
      ASSERT_EQ(s.Runs.size(), 3u) << what << ": expected lead, opaque stretch, tail";
      for (const Spans::Run& run : s.Runs) {
        EXPECT_NE(s.Px[run.Offset] >> 24, 0u) << what << ": the run at " << run.X << " starts on a hole";
        EXPECT_NE(s.Px[run.Offset + run.Len - 1] >> 24, 0u) << what << ": the run at " << run.X << " ends on a hole";
      }
      EXPECT_EQ(s.Runs[2].X, 3 + opaque + hole) << what;
      EXPECT_EQ(s.Px.size(), static_cast<size_t>(3 + opaque + 5)) << what << ": hole pixels kept";
      EXPECT_EQ(FirstDifference(row, plain::Rows(s)), "") << what;
    }
}

TEST(SpanPictures, ScaledCopiesAndStretchingMatchTheTintedCopies) {
  const Image picture = Mixed(64, 48, 8);
  const Spans s = Encode(picture);
  const Rect from{8, 6, 40, 30};
  for (const auto& [w, h] : {std::pair{40, 30}, {97, 51}, {13, 7}, {1, 1}})
    for (const uint32_t tint : {kNoTint, 0x30C0F0u})
      for (const uint32_t alpha : {255u, 77u}) {
        Image old = Target(120, 70, 3), copied = old, stretched = old;
        plain::Draw(old, picture, from, -5, 9, w, h, tint, alpha);
        const Spans scaled = ScaledSpans(s, from, w, h);
        DrawSpansFor(Processor())(copied, 0, 70, SpanDraw{&scaled, Rect{0, 0, w, h}, -5, 9, tint, alpha});
        DrawSpansStretched(stretched, s, from, -5, 9, w, h, tint, alpha);
        EXPECT_EQ(FirstDifference(old, copied), "") << w << "×" << h << " scaled copy, tint " << tint;
        EXPECT_EQ(FirstDifference(old, stretched), "") << w << "×" << h << " stretched, tint " << tint;
        EXPECT_EQ(FirstDifference(MakeScaled(picture, from, w, h, tint), MakeScaled(s, from, w, h, tint)), "");
      }
}

// Every run length from one pixel to three vector steps and a bit, in every copy: the last step of a run
// (masked, or in smaller steps) writes exactly the run's pixels and none past it, translucent and opaque
// runs alike, tinted and faded, a one-colour picture too, and over the target itself or a finished layer
// under it.
TEST(SpanPictures, EveryRunLengthWritesExactlyItsPixelsInEveryCopy) {
  for (int len = 1; len <= 50; ++len) {
    Image rows;  // row 0 translucent (alpha 1..254), row 1 opaque
    rows.W = len;
    rows.H = 2;
    for (int x = 0; x < len; ++x) {
      const uint32_t a = 1 + (x * 37 + len) % 254, c = 0x9D3C71u * static_cast<uint32_t>(x + 1);
      rows.Px.push_back(a << 24 | Mul255((c >> 16) & 0xFF, a) << 16 | Mul255((c >> 8) & 0xFF, a) << 8 | Mul255(c & 0xFF, a));
    }
    for (int x = 0; x < len; ++x) rows.Px.push_back(0xFF000000u | (0x5A0F3Bu * static_cast<uint32_t>(x + 3) & 0xFFFFFF));
    Image sheet;
    sheet.W = len;
    sheet.H = 2;
    sheet.Px.assign(static_cast<size_t>(2 * len), 0xFF2080E0u);
    const Spans runs = Encode(rows), solid = Encode(sheet);
    ASSERT_TRUE(solid.Solid) << len;
    ASSERT_EQ(runs.Runs.size(), 2u) << len << " pixels: expected one run a row";
    for (const Image* picture : {&rows, &sheet})
      for (const uint32_t tint : {kNoTint, 0x30C0F0u})
        for (const uint32_t alpha : {255u, 128u})
          for (const bool layer : {false, true}) {
            const Rect whole{0, 0, len, 2};
            const Image under = Target(len + 40, 4, static_cast<uint32_t>(len * 7 + alpha));
            const Image before = layer ? Target(len + 40, 4, 99) : under;  // what is in the target before
            // Over a layer, the run's pixels are the layer's blended, the others stay the target's.
            Image blended = under;
            plain::Draw(blended, *picture, whole, 17, 1, len, 2, tint, alpha);
            Image expected = before;
            for (int y = 1; y < 3; ++y)
              for (int x = 17; x < 17 + len; ++x) expected.Px[y * expected.W + x] = blended.Px[y * expected.W + x];
            SpanDraw d{picture == &rows ? &runs : &solid, whole, 17, 1, tint, alpha};
            if (layer) d.Under = &under;
            for (const Wide wide : Copies()) {
              Image got = before;
              DrawSpansFor(wide)(got, 0, 4, d);
              ASSERT_EQ(FirstDifference(expected, got), "")
                  << "copy " << static_cast<int>(wide) << ", " << len << " pixels, "
                  << (picture == &rows ? "runs" : "one colour") << ", tint " << tint << ", alpha " << alpha
                  << (layer ? ", over a layer" : ", over the target");
            }
          }
  }
}
