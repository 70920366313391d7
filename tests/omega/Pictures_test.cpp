#include <sys/stat.h>

#include <cmath>

#include "omega/draw/Spans.h"
#include "tests/omega/support/EngineFixture.h"

using omega_test::WritePng;
using omega_test::WriteSolidPng;
using omega_test::WriteTga;

class Pictures : public EngineTest {};

// ---- masks ----

TEST_F(Pictures, MaskBrightnessBecomesAlpha) {
  // Black, white and mid-grey columns; the picture is red.
  WritePng("mask.png", 3, 1, {0xFF000000u, 0xFFFFFFFFu, 0xFF808080u});
  WriteSolidPng("red.png", 3, 1, 0xFF0000);
  Tex_LoadMaskFromFile("mask.png");
  const OEHandle t = Tex_LoadFromFile("red.png", -1, 330);
  ASSERT_NE(t, 0u);
  SSprite_Draw(t, 0, 0, 3, 1, 255, 0, 1);
  EXPECT_PIXEL(0, 0, 0x000000u);  // black: transparent
  EXPECT_PIXEL(1, 0, 0xFF0000u);  // white: opaque
  EXPECT_PIXEL(2, 0, 0x800000u);  // grey: half
}

TEST_F(Pictures, MaskOfAnotherSizeIsStretchedOverThePicture) {
  // A 2×1 mask (left black, right white) over an 8×4 picture: left half cut away, right half kept.
  WritePng("mask.png", 2, 1, {0xFF000000u, 0xFFFFFFFFu});
  WriteSolidPng("green.png", 8, 4, 0x00FF00);
  Tex_LoadMaskFromFile("mask.png");
  const OEHandle t = Tex_LoadFromFile("green.png", -1, 330);
  SSprite_Draw(t, 0, 0, 8, 4, 255, 0, 1);
  for (int y = 0; y < 4; ++y) {
    EXPECT_PIXEL(3, y, 0x000000u);
    EXPECT_PIXEL(4, y, 0x00FF00u);
  }
}

TEST_F(Pictures, MaskStaysUntilTheNextMaskAndAFailedMaskLeavesNone) {
  WritePng("mask.png", 1, 1, {0xFF000000u});
  WriteSolidPng("blue.png", 2, 2, 0x0000FF);
  EXPECT_EQ(Tex_LoadMaskFromFile("mask.png"), 1u);
  const OEHandle first = Tex_LoadFromFile("blue.png", -1, 330);
  const OEHandle second = Tex_LoadFromFile("blue.png", -1, 330);  // the same mask still applies
  EXPECT_EQ(Tex_LoadMaskFromFile("missing.png"), 0u);
  const OEHandle third = Tex_LoadFromFile("blue.png", -1, 330);  // no mask now: opaque
  SSprite_Draw(first, 0, 0, 2, 2, 255, 0, 1);
  SSprite_Draw(second, 2, 0, 2, 2, 255, 0, 1);
  SSprite_Draw(third, 4, 0, 2, 2, 255, 0, 1);
  EXPECT_PIXEL(0, 0, 0x000000u);
  EXPECT_PIXEL(2, 0, 0x000000u);
  EXPECT_PIXEL(4, 0, 0x0000FFu);
}

TEST_F(Pictures, PlainLoadKeepsTheTgaAlphaAndThePngOpaque) {
  WriteTga("half.tga", 1, 1, {0x80FFFFFFu});
  WriteSolidPng("white.png", 1, 1, 0xFFFFFF);
  SSprite_Draw(Tex_LoadFromFile("half.tga", -1, 1), 0, 0, 1, 1, 255, 0, 1);
  SSprite_Draw(Tex_LoadFromFile("white.png", -1, 1), 1, 0, 1, 1, 255, 0, 1);
  EXPECT_PIXEL(0, 0, 0x808080u);
  EXPECT_PIXEL(1, 0, 0xFFFFFFu);
}

TEST_F(Pictures, BackslashPathsAreResolved) {
  mkdir("Data", 0755);
  WriteSolidPng("Data/pic.png", 1, 1, 0x123456);
  const OEHandle t = Tex_LoadFromFile("Data\\pic.png", -1, 1);
  ASSERT_NE(t, 0u);
  SSprite_Draw(t, 5, 5, 1, 1, 255, 0, 1);
  EXPECT_PIXEL(5, 5, 0x123456u);
}

// ---- failed loads ----

TEST_F(Pictures, FailedLoadsGiveZeroAndBadHandlesDrawNothing) {
  mkdir("folder.png", 0755);
  omega_test::WriteFile("empty.png", "");
  omega_test::WriteFile("corrupt.png", std::string("\x89PNG\r\n\x1a\n garbage", 17));
  omega_test::WriteFile("corrupt.jpg", std::string("\xFF\xD8\xFF\xE0 not a jpeg at all"));
  omega_test::WriteFile("text.txt", "hello");
  for (const char* name : {"missing.png", "folder.png", "empty.png", "corrupt.png", "corrupt.jpg", "text.txt"})
    EXPECT_EQ(Tex_LoadFromFile(name, -1, 1), 0u) << name;
  EXPECT_EQ(Tex_LoadFromFile(nullptr, -1, 1), 0u);
  for (const OEHandle bad : {OEHandle{0}, OEHandle{1}, OEHandle{12345}, ~OEHandle{0}}) {
    SSprite_Draw(bad, 0, 0, 1024, 768, 255, 0, 1);
    ASprite_Draw(bad, 0, 0, 1024, 768, 1, 255, 0, 9);
    Tex_SetFramesSize(bad, 4, 4);
    Text_Draw(bad, 0, 0, "text", 1, 0, 255, 0xFFFFFF);
    EXPECT_EQ(Text_GetWidth(bad, "text", 1, 0), 0.0f);
  }
  for (int y = 0; y < omega::kScreenH; y += 97)
    for (int x = 0; x < omega::kScreenW; x += 101) EXPECT_PIXEL(x, y, 0x000000u);
}

TEST_F(Pictures, OddSizesAndPositionsAreHarmless) {
  WriteSolidPng("w.png", 2, 2, 0xFFFFFF);
  const OEHandle t = Tex_LoadFromFile("w.png", -1, 1);
  const float inf = INFINITY, nan = NAN;
  SSprite_Draw(t, nan, 0, 10, 10, 255, 0, 1);
  SSprite_Draw(t, 0, 0, inf, 10, 255, 0, 1);
  SSprite_Draw(t, 0, 0, -10, -10, 255, 0, 1);
  SSprite_Draw(t, -1e30f, -1e30f, 1e30f, 1e30f, 0, 0, 1);  // alpha 0
  SSprite_Draw(t, 0, 0, 0, 0, 255, 0, 1);
  EXPECT_PIXEL(0, 0, 0x000000u);
  // Far larger than the screen: covers it, without building a picture of that size.
  SSprite_Draw(t, -1e7f, -1e7f, 3e7f, 3e7f, 255, 0, 1);
  EXPECT_PIXEL(512, 384, 0xFFFFFFu);
  EXPECT_EQ(omega::E().Recorder.CachedPixels(), 0u);
}

// ---- frames ----

TEST_F(Pictures, FramesAreCutLeftToRightThenDownAndWrap) {
  // 2×2 frames of 2×2 pixels: red, green / blue, white.
  std::vector<uint32_t> px(16);
  const uint32_t colours[4] = {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) px[y * 4 + x] = colours[(y / 2) * 2 + x / 2];
  WritePng("frames.png", 4, 4, px);
  const OEHandle t = Tex_LoadFromFile("frames.png", -1, 1);
  Tex_SetFramesSize(t, 2, 2);
  struct Case { int frame; uint32_t colour; const char* what; };
  for (const Case c : {Case{1, 0xFF0000, "first"}, Case{2, 0x00FF00, "second"}, Case{3, 0x0000FF, "third"},
                       Case{4, 0xFFFFFF, "last"}, Case{5, 0xFF0000, "one past the last wraps"},
                       Case{10, 0x00FF00, "wraps again"}, Case{0, 0xFF0000, "zero is the first"},
                       Case{-7, 0xFF0000, "negative is the first"}}) {
    ClearFrame();
    ASprite_Draw(t, 0, 0, 8, 8, c.frame, 255, 0, 1);
    EXPECT_PIXEL(0, 0, c.colour) << c.what << " (frame " << c.frame << ")";
    EXPECT_PIXEL(7, 7, c.colour) << c.what << " (frame " << c.frame << ")";
  }
  // The static sprite shows the whole picture whatever the frames.
  ClearFrame();
  SSprite_Draw(t, 0, 0, 4, 4, 255, 0, 1);
  EXPECT_PIXEL(0, 0, 0xFF0000u);
  EXPECT_PIXEL(3, 3, 0xFFFFFFu);
}

TEST_F(Pictures, FramesLargerThanThePictureShowTheWholePicture) {
  WriteSolidPng("p.png", 4, 4, 0x00FFFF);
  const OEHandle t = Tex_LoadFromFile("p.png", -1, 1);
  Tex_SetFramesSize(t, 8, 8);
  ASprite_Draw(t, 0, 0, 4, 4, 3, 255, 0, 1);
  EXPECT_PIXEL(3, 3, 0x00FFFFu);
  Tex_SetFramesSize(t, 0, -1);
  ClearFrame();
  ASprite_Draw(t, 0, 0, 4, 4, 2, 255, 0, 1);
  EXPECT_PIXEL(0, 0, 0x00FFFFu);
}

// ---- stretching, positions, alpha and tint ----

TEST_F(Pictures, StretchesOverTheRequestedRectangle) {
  WritePng("two.png", 2, 1, {0xFFFF0000u, 0xFF0000FFu});
  const OEHandle t = Tex_LoadFromFile("two.png", -1, 1);
  SSprite_Draw(t, 10, 20, 6, 3, 255, 0, 1);
  // Three times as wide, filtered: each end held, the two middle pixels a third and two thirds across.
  EXPECT_PIXEL(10, 20, 0xFF0000u);
  EXPECT_PIXEL(11, 22, 0xFF0000u);
  EXPECT_PIXEL(12, 20, 0xAA0055u);
  EXPECT_PIXEL(13, 22, 0x5500AAu);
  EXPECT_PIXEL(14, 20, 0x0000FFu);
  EXPECT_PIXEL(15, 22, 0x0000FFu);
  EXPECT_PIXEL(16, 20, 0x000000u);
  EXPECT_PIXEL(10, 23, 0x000000u);
  EXPECT_PIXEL(9, 20, 0x000000u);
}

TEST_F(Pictures, FloatPositionsRoundHalfToEven) {
  WriteSolidPng("w.png", 1, 1, 0xFFFFFF);
  const OEHandle t = Tex_LoadFromFile("w.png", -1, 1);
  struct Case { float x; int left; };
  for (const Case c : {Case{0.5f, 0}, Case{1.5f, 2}, Case{2.5f, 2}, Case{3.49f, 3}, Case{3.51f, 4}}) {
    ClearFrame();
    SSprite_Draw(t, c.x, 0, 2, 1, 255, 0, 1);
    if (c.left > 0) {
      EXPECT_PIXEL(c.left - 1, 0, 0x000000u) << "x = " << c.x;
    }
    EXPECT_PIXEL(c.left, 0, 0xFFFFFFu) << "x = " << c.x;
    EXPECT_PIXEL(c.left + 1, 0, 0xFFFFFFu) << "x = " << c.x;
    EXPECT_PIXEL(c.left + 2, 0, 0x000000u) << "x = " << c.x;
  }
}

TEST_F(Pictures, AlphaScalesThePicture) {
  WriteSolidPng("w.png", 1, 1, 0xFFFFFF);
  const OEHandle t = Tex_LoadFromFile("w.png", -1, 1);
  SSprite_Draw(t, 0, 0, 1, 1, 128, 0, 1);
  SSprite_Draw(t, 1, 0, 1, 1, 300, 0, 1);  // above 255: opaque
  SSprite_Draw(t, 2, 0, 1, 1, -5, 0, 1);   // below 0: nothing
  EXPECT_PIXEL(0, 0, 0x808080u);
  EXPECT_PIXEL(1, 0, 0xFFFFFFu);
  EXPECT_PIXEL(2, 0, 0x000000u);
}

TEST_F(Pictures, FlagsNineTintWithTheMixColourAndHigherBitsAreIgnored) {
  WritePng("grey.png", 1, 1, {0xFF808080u});
  const OEHandle t = Tex_LoadFromFile("grey.png", -1, 1);
  FX_SetColorMix(0xFF00FF80u);
  ASprite_Draw(t, 0, 0, 1, 1, 1, 255, 0, 9);
  ASprite_Draw(t, 1, 0, 1, 1, 1, 255, 0, 1);  // flags 1: untinted
  FX_SetColorMix(0x0000FF);
  ASprite_Draw(t, 2, 0, 1, 1, 1, 255, 0, 9);  // the cached copy for one tint is not reused for another
  EXPECT_PIXEL(0, 0, 0x008040u);
  EXPECT_PIXEL(1, 0, 0x808080u);
  EXPECT_PIXEL(2, 0, 0x000080u);
}

// A frame of a picture, and a picture drawn tinted, is drawn from a copy of its own, made once per frame
// and tint, tinted as it is made: the pixels are those of tinting while drawing (tinted twice, or a copy
// of one tint reused for another or of one frame for another, would show here).
TEST_F(Pictures, FramesAndTintedPicturesAreCopiedOncePerFrameAndTint) {
  // Two frames of 2×1: translucent blue-green and opaque grey / half-transparent white and transparent.
  WriteTga("unit.tga", 4, 1, {0x8040C080u, 0xFF808080u, 0x80FFFFFFu, 0x00000000u});
  const OEHandle t = Tex_LoadFromFile("unit.tga", -1, 1);
  Tex_SetFramesSize(t, 2, 1);
  const omega::Texture& texture = *omega::E().Pictures.Textures.at(t);
  const omega::Spans& picture = texture.Picture;
  const auto expected = [&](int column, uint32_t tint) {
    const omega::Image rows = omega::MakeScaled(picture, omega::Rect{0, 0, 4, 1}, 4, 1, omega::kNoTint);
    return omega::Blend(rows.Px[static_cast<size_t>(column)], 0xFF000000u, tint, 255) & 0xFFFFFFu;
  };
  for (const uint32_t tint : {0x80FF40u, 0x2040FFu}) {
    FX_SetColorMix(tint);
    for (int i = 0; i < 5; ++i) {
      ClearFrame();
      ASprite_Draw(t, static_cast<float>(2 * i), 0, 2, 1, 1, 255, 0, 9);
      ASprite_Draw(t, static_cast<float>(2 * i), 1, 2, 1, 2, 255, 0, 9);
      ASprite_Draw(t, static_cast<float>(2 * i), 2, 2, 1, 1, 255, 0, 1);  // untinted
      SSprite_Draw(t, static_cast<float>(2 * i), 3, 4, 1, 255, 0, 1);     // the whole picture: never copied
      EXPECT_PIXEL(2 * i, 0, expected(0, tint)) << "tint " << Hex(tint);
      EXPECT_PIXEL(2 * i + 1, 0, expected(1, tint)) << "tint " << Hex(tint);
      EXPECT_PIXEL(2 * i, 1, expected(2, tint)) << "tint " << Hex(tint);
      EXPECT_PIXEL(2 * i + 1, 1, 0x000000u) << "a transparent pixel tinted stays transparent";
      EXPECT_PIXEL(2 * i, 2, expected(0, omega::kNoTint));
      EXPECT_PIXEL(2 * i + 1, 2, expected(1, omega::kNoTint));
      EXPECT_PIXEL(2 * i + 3, 3, expected(3, omega::kNoTint));
    }
  }
  EXPECT_EQ(omega::E().Recorder.CachedEntries(), 5u) << "two frames in two tints and one frame untinted";
  EXPECT_EQ(omega::E().Recorder.CachedPixels(), 8u) << "the visible pixels: frame 1 three times, frame 2 twice";
  FX_SetColorMix(0x80FF40u);
  ClearFrame();
  ASprite_Draw(t, 0, 4, 4, 2, 1, 255, 0, 9);  // scaled and tinted: one copy, scaled and tinted at once
  EXPECT_EQ(omega::E().Recorder.CachedEntries(), 6u) << "no untinted scaled copy beside the tinted one";
  EXPECT_EQ(omega::E().Recorder.CachedPixels(), 16u);
  const omega::Image scaled = omega::MakeScaled(picture, omega::Rect{0, 0, 2, 1}, 4, 2, 0x80FF40u);
  for (int x = 0; x < 4; ++x) EXPECT_PIXEL(x, 5, omega::Blend(scaled.Px[4 + x], 0xFF000000u, omega::kNoTint, 255) & 0xFFFFFFu);
}

// Copies of their own are bounded: once the cache holds 16 MB, frames and tints not yet copied are drawn
// from the picture, tinted while drawing, and the copies already made are still used.
TEST_F(Pictures, CopiesOfTheirOwnStopAtTheirBoundAndDrawingGoesOnFromThePicture) {
  std::vector<uint32_t> px(512 * 512);
  for (size_t i = 0; i < px.size(); ++i) px[i] = 0x80000000u | static_cast<uint32_t>(i * 2654435761u & 0xFFFFFF);
  WriteTga("sheet.tga", 512, 512, px);
  const OEHandle t = Tex_LoadFromFile("sheet.tga", -1, 1);
  Tex_SetFramesSize(t, 128, 128);
  const omega::Spans& picture = omega::E().Pictures.Textures.at(t)->Picture;
  omega::FrameRecorder& recorder = omega::E().Recorder;
  uint32_t tint = 0;
  while (recorder.CachedBytes() < (size_t{16} << 20)) {
    FX_SetColorMix(++tint * 0x030507u);
    for (int frame = 1; frame <= 16; ++frame) ASprite_Draw(t, 0, 0, 128, 128, frame, 255, 0, 9);
    ASSERT_LT(tint, 40u) << "the copies never reached the bound";
  }
  const size_t entries = recorder.CachedEntries();
  EXPECT_GT(entries, 16u * (tint - 1)) << "a copy for every frame and tint below the bound";
  EXPECT_LE(entries, 16u * tint);
  for (const uint32_t next : {tint + 1, 1u}) {  // a tint not copied, then one copied before
    FX_SetColorMix(next * 0x030507u);
    ClearFrame();
    ASprite_Draw(t, 0, 0, 128, 128, 6, 255, 0, 9);  // frame 6: columns 128..255, rows 128..255
    const omega::Image rows = omega::MakeScaled(picture, omega::Rect{128, 128, 128, 128}, 128, 128, next * 0x030507u);
    for (const int at : {0, 77, 128 * 128 - 1})
      EXPECT_PIXEL(at % 128, at / 128, omega::Blend(rows.Px[static_cast<size_t>(at)], 0xFF000000u, omega::kNoTint, 255) & 0xFFFFFFu)
          << "tint " << next;
    EXPECT_EQ(recorder.CachedEntries(), entries) << "no copy past the bound (tint " << next << ")";
  }
}

// A frame of a picture too large to copy is drawn from the picture's own rows, whose runs cross into the
// next frame: only the frame's own columns are drawn, translucent or opaque.
TEST_F(Pictures, AFrameOfALargePictureDrawsOnlyItsOwnColumns) {
  for (const uint32_t alpha : {0x80u, 0xFFu}) {
    std::vector<uint32_t> px(600 * 300);
    for (int y = 0; y < 300; ++y)
      for (int x = 0; x < 600; ++x) px[static_cast<size_t>(y) * 600 + x] = alpha << 24 | (x < 300 ? 0xFF0000u : 0x0000FFu);
    WriteTga("two.tga", 600, 300, px);
    const OEHandle t = Tex_LoadFromFile("two.tga", -1, 1);
    Tex_SetFramesSize(t, 300, 300);
    ClearFrame();
    ASprite_Draw(t, 0, 0, 300, 300, 2, 255, 0, 1);
    ASprite_Draw(t, 0, 300, 300, 300, 1, 255, 0, 1);
    const uint32_t red = alpha == 0xFF ? 0xFF0000u : 0x800000u, blue = alpha == 0xFF ? 0x0000FFu : 0x000080u;
    for (const int y : {0, 150, 299}) {
      EXPECT_PIXEL(0, y, blue) << "alpha " << alpha;
      EXPECT_PIXEL(299, y, blue) << "alpha " << alpha;
      EXPECT_PIXEL(300, y, 0x000000u) << "alpha " << alpha << ": the next frame's columns";
      EXPECT_PIXEL(0, 300 + y, red) << "alpha " << alpha;
      EXPECT_PIXEL(299, 300 + y, red) << "alpha " << alpha;
      EXPECT_PIXEL(300, 300 + y, 0x000000u) << "alpha " << alpha << ": the next frame's columns";
    }
    EXPECT_EQ(omega::E().Recorder.CachedEntries(), 0u) << "300×300 frames are not copied";
  }
}

// Tinting while drawing stays where a copy would not pay: a picture of one colour (a sheet) reads none of
// its pixels, and a part larger than 256×256 would hold a large copy for one tint.
TEST_F(Pictures, OneColourPicturesAndLargePartsAreTintedWhileDrawing) {
  WriteSolidPng("sheet.png", 300, 4, 0x808080);
  std::vector<uint32_t> px(257 * 256, 0x80402010u);
  px[5] = 0xFF00FF00u;
  WriteTga("large.tga", 257, 256, px);
  const OEHandle sheet = Tex_LoadFromFile("sheet.png", -1, 1);
  const OEHandle large = Tex_LoadFromFile("large.tga", -1, 1);
  FX_SetColorMix(0x40FF80u);
  SSprite_Draw(sheet, 0, 0, 300, 4, 255, 0, 9);
  SSprite_Draw(large, 0, 10, 257, 256, 255, 0, 9);
  EXPECT_EQ(omega::E().Recorder.CachedEntries(), 0u);
  EXPECT_PIXEL(299, 3, 0x208040u);
  EXPECT_PIXEL(5, 10, 0x00FF00u);
  EXPECT_PIXEL(6, 10, omega::Blend(omega::E().Pictures.Textures.at(large)->Picture.Px[6], 0xFF000000u, 0x40FF80u, 255) &
                          0xFFFFFFu);
  // 256×256 is still copied.
  WriteTga("edge.tga", 256, 256, std::vector<uint32_t>(256 * 256, 0x80402010u));
  SSprite_Draw(Tex_LoadFromFile("edge.tga", -1, 1), 0, 300, 256, 256, 255, 0, 9);
  EXPECT_EQ(omega::E().Recorder.CachedEntries(), 1u);
}

TEST_F(Pictures, ScaledCopiesAreMadeOnceAndReused) {
  WriteSolidPng("p.png", 256, 128, 0x445566);
  const OEHandle t = Tex_LoadFromFile("p.png", -1, 1);
  for (int i = 0; i < 50; ++i) SSprite_Draw(t, static_cast<float>(i) + 0.25f, 10, 180, 75, 255, 0, 1);
  EXPECT_EQ(omega::E().Recorder.CachedEntries(), 1u);
  EXPECT_EQ(omega::E().Recorder.CachedPixels(), 180u * 75u);
}
