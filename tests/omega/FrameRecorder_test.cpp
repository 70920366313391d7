// The frame recorder (recorded calls, kept leading layer, skipped unchanged frames, strips, tiles drawn
// again, two bands, span pictures drawn by the widest copy) against the plain drawing of the same calls
// (tests/support/PlainDrawing.h: every call drawn at once): the same pixels, frame after frame, on
// made-up scenes and on the real game's recorded frames.
#include <gtest/gtest.h>
#include <sched.h>
#include <unistd.h>

#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "omega/draw/Bands.h"
#include "omega/window/Present.h"
#include "omega/system/System.h"
#include "tests/omega/support/EngineFixture.h"
#include "tests/support/PlainDrawing.h"
#include "tests/support/Spawn.h"
#include "tests/support/TraceReplay.h"

namespace {

uint32_t Noise(int x, int y, int seed) {
  uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u +
               static_cast<uint32_t>(seed) * 982451653u;
  h = (h ^ (h >> 13)) * 1274126177u;
  return h ^ (h >> 16);
}

std::vector<uint32_t> Pixels(int w, int h, const std::function<uint32_t(int, int)>& colour) {
  std::vector<uint32_t> px(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) px[static_cast<size_t>(y) * w + x] = colour(x, y);
  return px;
}

// Every alpha from transparent to opaque turns up in these pictures.
uint32_t SoftEdged(int x, int y, int seed) {
  const int dx = x % 64 - 32, dy = y % 128 - 80;
  const int d = dx * dx + dy * dy / 4;
  const uint32_t a = d < 300 ? 255u : d < 812 ? static_cast<uint32_t>(255 - (d - 300) / 2) : 0u;
  return (a << 24) | (Noise(x, y, seed) & 0xFFFFFFu);
}

class RecorderFrames : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    using omega_test::WritePng;
    WritePng("back.png", 1024, 768, Pixels(1024, 768, [](int x, int y) { return 0xFF000000u | Noise(x, y, 1); }));
    WritePng("ground.png", 256, 128, Pixels(256, 128, [](int x, int y) { return 0xFF000000u | Noise(x, y, 2); }));
    WritePng("groundm.png", 256, 128, Pixels(256, 128, [](int x, int y) {
      const int dx = std::abs(x % 64 - 32), dy = std::abs(y - 112);
      const uint32_t v = dx * 16 + dy * 32 < 512 ? 255u : dx * 16 + dy * 32 < 560 ? 90u : 0u;
      return 0xFF000000u | v * 0x010101u;
    }));
    WritePng("unit.png", 256, 256, Pixels(256, 256, [](int x, int y) { return SoftEdged(x, y, 3); }));
    WritePng("black.png", 8, 8, Pixels(8, 8, [](int, int) { return 0xFF000000u; }));
    WritePng("font.png", 128, 64, Pixels(128, 64, [](int x, int y) { return SoftEdged(x * 4, y * 2, 4); }));
    std::string ofi(omega::kOfiSize, '\0');
    ofi[0] = 16;
    for (int c = 32; c < 128; ++c) {  // glyph c: a 12×14 cell of the picture
      const int16_t f[7] = {static_cast<int16_t>((c % 8) * 16), static_cast<int16_t>((c / 8 % 4) * 16), 12, 14, 1, -2, 11};
      for (int i = 0; i < 7; ++i) {
        ofi[1 + c * 14 + i * 2] = static_cast<char>(f[i] & 0xFF);
        ofi[2 + c * 14 + i * 2] = static_cast<char>((f[i] >> 8) & 0xFF);
      }
    }
    omega_test::WriteFile("font.ofi", ofi);
    back_ = Tex_LoadFromFile("back.png", -1, 1);
    Tex_LoadMaskFromFile("groundm.png");
    ground_ = Tex_LoadFromFile("ground.png", -1, 330);
    Tex_SetFramesSize(ground_, 64, 128);
    unit_ = Tex_LoadFromFile("unit.png", -1, 1);
    Tex_SetFramesSize(unit_, 64, 128);
    black_ = Tex_LoadFromFile("black.png", -1, 1);
    font_ = Text_LoadFontFromFile("font.png", "font.ofi", 0, 394);
  }

  // A game-scene frame: backdrop, ground (one tile changes with `groundVariant`), units that move with
  // n at fractional positions (some off the edges, some tinted), text, a fade; a very large sprite
  // (drawn straight from its picture) on some frames.
  void GameFrame(int n, int groundVariant) const {
    SSprite_Draw(back_, 0, 0, 1024, 768, 255, 0, 1);
    for (int r = 0; r < 50; ++r)
      for (int c = 0; c < 18; ++c)
        ASprite_Draw(ground_, static_cast<float>(c * 64 - 32 * (r % 2)), static_cast<float>(r * 16 - 112), 64, 128,
                     1 + (c + r + (r == 20 && c == 7 ? groundVariant : 0)) % 4, 255, 0, 1);
    for (int u = 0; u < 160; ++u) {
      const float x = static_cast<float>((u * 71 + n * 3) % 1150) - 60.5f + 0.25f * static_cast<float>(n % 4);
      const float y = static_cast<float>((u * 37 + n) % 860) - 70.5f;
      ASprite_Draw(unit_, x, y, 64, 128, 1 + (u + n) % 8, 255, 0, 1);
      FX_SetColorMix(0x102030u * static_cast<uint32_t>(u % 7 + 1));
      ASprite_Draw(unit_, x, y, 48 + u % 5 * 8, 96 + u % 3 * 16, 1 + u % 8, u % 2 ? 255 : 140, 0, 9);
    }
    Text_Draw(font_, 300.5f, 40.5f, "Zanoru: the quick brown fox", 1.5f, 0.5f, 255, 0x20C040);
    Text_Draw(font_, -10, 700, "jumps over the lazy dog", 0.75f, 0, 200, 0xFFFFFF);
    if (n % 3 == 0) SSprite_Draw(unit_, -700, -600, 2400, 1900, 90, 0, 1);
    SSprite_Draw(black_, 0, 0, 1026, 770, (n * 37) % 256, 0, 1);
  }

  void MenuFrame(int highlighted) const {
    SSprite_Draw(back_, 0, 0, 1024, 768, 255, 0, 1);
    for (int i = 0; i < 6; ++i) {
      ASprite_Draw(unit_, 422, static_cast<float>(120 + 90 * i), 180, 75, i == highlighted ? 2 : 1, 255, 0, 1);
      Text_Draw(font_, 461, static_cast<float>(145 + 90 * i), "Menu item", 1, 0, 255, 0);
    }
  }

  struct Shown {
    std::vector<omega::Pixel> Px;
    bool Changed = true;
    std::vector<omega::Rect> ChangedRects;
  };

  // Draws each frame of `frames` as the loops do, on one or two threads, and keeps the pixels; with
  // `plainToo`, also the plain drawing of each frame's calls.
  static std::vector<Shown> Run(const std::vector<std::function<void()>>& frames, int threads = 2,
                                std::vector<Shown>* plainToo = nullptr) {
    omega::E().Recorder = omega::FrameRecorder{};
    const int before = omega::E().Bands.Threads();
    omega::E().Bands.SetThreads(threads);
    std::vector<Shown> out;
    plain::Frames oracle;
    for (const auto& draw : frames) {
      omega::E().Recorder.Begin();
      draw();
      const omega::ChangeSet& changes = omega::E().Recorder.End(&omega::E().Bands);
      out.push_back(Shown{omega::E().Recorder.Frame.Px, !changes.Empty(), changes.Rects});
      if (plainToo != nullptr) plainToo->push_back(Shown{oracle.Frame(omega::E().Recorder.LastFrame()).Px, true, {}});
    }
    omega::E().Bands.SetThreads(before);
    return out;
  }

  // The plain drawing of each frame's calls.
  static std::vector<Shown> Plain(const std::vector<std::function<void()>>& frames) {
    std::vector<Shown> plain;
    Run(frames, 1, &plain);
    return plain;
  }

  static void ExpectSamePixels(const std::vector<Shown>& plain, const std::vector<Shown>& fast) {
    ASSERT_EQ(plain.size(), fast.size());
    for (size_t f = 0; f < plain.size(); ++f) {
      const auto& a = plain[f].Px;
      const auto& b = fast[f].Px;
      ASSERT_EQ(a.size(), b.size()) << "frame " << f;
      for (size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i]) {
          ADD_FAILURE() << "frame " << f << ", pixel (" << i % omega::kScreenW << ", " << i / omega::kScreenW
                        << "): expected " << Hex(a[i]) << " (plain), got " << Hex(b[i]) << " (accelerated)";
          break;
        }
    }
  }

  // The frames drawn accelerated in two bands at once and on one thread: each the plain drawing's pixels.
  static void ExpectSamePixelsOnOneThreadAndTwo(const std::vector<Shown>& plain,
                                                const std::vector<std::function<void()>>& frames) {
    {
      SCOPED_TRACE("two bands at once");
      ExpectSamePixels(plain, Run(frames, 2));
    }
    {
      SCOPED_TRACE("one thread");
      ExpectSamePixels(plain, Run(frames, 1));
    }
  }

  OEHandle back_ = 0, ground_ = 0, unit_ = 0, black_ = 0, font_ = 0;
};

TEST_F(RecorderFrames, GameFramesMatchThePlainDrawingWhileTheLeadingCallsStayOrChange) {
  std::vector<std::function<void()>> frames;
  for (int n = 0; n < 5; ++n) frames.push_back([this, n] { GameFrame(n, 0); });  // the ground layer kept
  frames.push_back([this] { GameFrame(4, 0); });                                 // the same calls again
  frames.push_back([this] { GameFrame(5, 1); });   // one ground tile differs: the layer is made anew
  frames.push_back([this] { GameFrame(6, 1); });
  frames.push_back([this] { MenuFrame(0); });       // far fewer calls, a prefix of nothing kept
  frames.push_back([this] { MenuFrame(0); });
  frames.push_back([this] { MenuFrame(3); });       // the highlight moves
  frames.push_back([] {});                          // nothing drawn: black
  frames.push_back([this] { GameFrame(7, 0); });
  const std::vector<Shown> plain = Plain(frames);
  ExpectSamePixelsOnOneThreadAndTwo(plain, frames);
}

// The window takes again only the parts a frame reports changed: every pixel that differs from the
// frame before must lie in them, whether a unit moved, the kept layer was made
// anew, the scene changed or a call in the middle of the frame moved while the later ones stayed.
TEST_F(RecorderFrames, EveryChangedPixelLiesInThePartsReportedChanged) {
  std::vector<std::function<void()>> frames;
  for (int n = 0; n < 3; ++n) frames.push_back([this, n] { GameFrame(n, 0); });
  frames.push_back([this] { GameFrame(2, 0); });
  frames.push_back([this] { GameFrame(3, 1); });
  frames.push_back([this] { MenuFrame(0); });
  frames.push_back([this] { MenuFrame(4); });
  frames.push_back([] {});
  frames.push_back([this] { MenuFrame(1); });
  frames.push_back([this] { MenuFrame(1); SSprite_Draw(unit_, 1000, 740, 40, 40, 255, 0, 1); });  // at the corner
  frames.push_back([this] {  // two boxes on the same left edge, the lower one wider
    MenuFrame(1);
    SSprite_Draw(black_, 100, 100, 32, 16, 255, 0, 1);
    SSprite_Draw(black_, 100, 116, 64, 16, 255, 0, 1);
  });
  // One unit at its own size, a frame from the middle of its sheet: its pixels are found in the part.
  frames.push_back([this] { MenuFrame(1); ASprite_Draw(unit_, 200, 300, 64, 128, 4, 255, 0, 1); });
  const std::vector<Shown> shown = Run(frames);
  for (size_t f = 1; f < shown.size(); ++f) {
    const Shown& s = shown[f];
    long outsideParts = 0;
    for (size_t i = 0; i < s.Px.size(); ++i) {
      if (s.Px[i] == shown[f - 1].Px[i]) continue;
      const int x = static_cast<int>(i % omega::kScreenW), y = static_cast<int>(i / omega::kScreenW);
      bool in = false;
      for (const omega::Rect& r : s.ChangedRects) in = in || (x >= r.X && x < r.X + r.W && y >= r.Y && y < r.Y + r.H);
      outsideParts += !in;
    }
    EXPECT_EQ(outsideParts, 0) << "frame " << f << ": pixels changed outside the " << s.ChangedRects.size()
                               << " parts reported";
    for (const omega::Rect& r : s.ChangedRects)
      EXPECT_TRUE(r.W > 0 && r.H > 0 && r.X >= 0 && r.X + r.W <= omega::kScreenW && r.Y >= 0 &&
                  r.Y + r.H <= omega::kScreenH)
          << "frame " << f << ": part " << r.X << "," << r.Y << " " << r.W << "x" << r.H << " outside the frame";
  }
  auto area = [](const Shown& s) {
    long a = 0;
    for (const omega::Rect& r : s.ChangedRects) a += long{r.W} * r.H;
    return a;
  };
  EXPECT_EQ(area(shown[3]), 0) << "the same calls again change nothing";
  // Two highlights (the old and the new one, 180x75 each) and a unit at the corner: the cells under them.
  EXPECT_LE(area(shown[6]), 2 * 208 * 96) << "a moved highlight: more reported than the cells under the two";
  EXPECT_LE(area(shown[9]), 32 * 32) << "a unit added at the corner: more reported than its cells";
  EXPECT_GT(area(shown[9]), 0) << "a unit added at the corner: nothing reported";
  // The boxes it replaced take 3,136 pixels of cells; the unit's box 80x144 of them, its pixels fewer.
  EXPECT_LT(area(shown[11]), 3136 + 80 * 144) << "a unit at its own size: cells reported by its box, not its pixels";
}

TEST_F(RecorderFrames, OnlyAFrameWithTheSameCallsAsTheLastIsReportedUnchanged) {
  const std::vector<Shown> shown = Run({[this] { MenuFrame(0); }, [this] { MenuFrame(0); },
                                              [this] { MenuFrame(1); }, [this] { MenuFrame(1); }, [] {}, [] {}});
  const bool expected[] = {true, false, true, false, true, false};
  for (size_t i = 0; i < shown.size(); ++i)
    EXPECT_EQ(shown[i].Changed, expected[i]) << "frame " << i << ": expected changed=" << expected[i];
}

// Frames whose calls differ from the last frame's only in one call's alpha: a fade sheet stepping over a
// still scene (the last call), and the first call fading in under the rest (the kept layer's own calls).
// Each is a new picture: drawn, reported changed, and the plain drawing's pixels.
TEST_F(RecorderFrames, FramesDifferingOnlyInAnAlphaAreRedrawnAndMatchThePlainDrawing) {
  std::vector<std::function<void()>> frames;
  for (const int alpha : {0, 5, 10, 250, 245}) {
    frames.push_back([this, alpha] {
      MenuFrame(2);
      SSprite_Draw(black_, 0, 0, 1026, 770, alpha, 0, 1);
    });
  }
  for (const int alpha : {255, 254, 128, 0, 128}) {
    frames.push_back([this, alpha] {
      SSprite_Draw(back_, 0, 0, 1024, 768, alpha, 0, 1);
      for (int r = 0; r < 50; ++r)
        for (int c = 0; c < 18; ++c)
          ASprite_Draw(ground_, static_cast<float>(c * 64 - 32 * (r % 2)), static_cast<float>(r * 16 - 112), 64, 128,
                       1 + (c + r) % 4, 255, 0, 1);
      Text_Draw(font_, 300.5f, 40.5f, "Zanoru", 1.5f, 0.5f, 255, 0x20C040);
    });
  }
  const std::vector<Shown> plain = Plain(frames), fast = Run(frames);
  ExpectSamePixels(plain, fast);
  for (size_t f = 0; f < fast.size(); ++f)
    EXPECT_TRUE(fast[f].Changed) << "frame " << f << " differs from the one before in an alpha but was reported unchanged";
  for (size_t f = 1; f < plain.size(); ++f)
    EXPECT_FALSE(plain[f].Px == plain[f - 1].Px) << "frame " << f << ": the alpha change shows no difference to test";
}

// A sheet over the kept layer is drawn straight over the layer's rows, without copying them first, only
// where it covers them whole with pixels of its own: one a little narrower or shorter than the screen,
// or a picture with transparent pixels, leaves pixels the layer must give. Each stepping frame leaves the
// last one's sheet behind, so a shortcut taken where it must not be shows.
TEST_F(RecorderFrames, ASheetOverTheKeptLayerMatchesThePlainDrawingWhetherItCoversTheRowsOrNot) {
  struct Sheet {
    bool Black;  // or the unit's picture, soft-edged
    float X, Y, W, H;
  };
  const Sheet sheets[] = {{true, -1, -1, 1026, 770},   // covers every row
                          {true, 0, 0, 1000, 768},     // short of the right edge
                          {true, 24, 0, 1000, 768},    // short of the left edge
                          {true, 0, 100, 1024, 668},   // from row 100: the first strips not
                          {false, -3, -3, 1030, 774}};  // covers, with transparent pixels
  std::vector<std::function<void()>> frames;
  for (const Sheet& sheet : sheets)
    for (const int alpha : {200, 40, 255, 90}) {
      frames.push_back([this, sheet, alpha] {
        MenuFrame(2);
        SSprite_Draw(sheet.Black ? black_ : unit_, sheet.X, sheet.Y, sheet.W, sheet.H, alpha, 0, 1);
      });
    }
  const std::vector<Shown> plain = Plain(frames);
  ExpectSamePixelsOnOneThreadAndTwo(plain, frames);
}

// Over an unchanged layer only the tiles where calls differ are drawn again; the rest keeps the frame
// shown. Each step is a case where a tile must still be drawn again: a unit walking under and over
// still sprites, two still sprites overlapping that swap their order, a translucent sprite drawn twice
// and then once, a still sprite whose alpha changes.
TEST_F(RecorderFrames, OnlyTilesThatDifferAreDrawnAgainAndTheFramesAreThePlainDrawing) {
  const auto scene = [this](int walk, bool swapped, int twice, int alpha) {
    MenuFrame(0);
    ASprite_Draw(unit_, 100.5f + 7 * walk, 300, 64, 128, 2, 255, 0, 1);  // walks under the still ones
    const auto still = [this](int which) {
      ASprite_Draw(unit_, which == 0 ? 140.0f : 170.0f, 320, 64, 128, 3 + which, 150, 0, 1);
    };
    still(swapped ? 1 : 0);
    still(swapped ? 0 : 1);
    for (int i = 0; i < twice; ++i) ASprite_Draw(unit_, 600, 500, 64, 128, 5, 120, 0, 1);
    ASprite_Draw(unit_, 800, 100, 64, 128, 6, alpha, 0, 1);
    ASprite_Draw(unit_, 130.5f + 5 * walk, 330, 64, 128, 7, 255, 0, 1);  // walks over them
  };
  std::vector<std::function<void()>> frames;
  for (int walk = 0; walk < 4; ++walk) frames.push_back([=] { scene(walk, false, 1, 255); });
  frames.push_back([=] { scene(4, true, 1, 255); });   // the still ones swap
  frames.push_back([=] { scene(4, false, 1, 255); });  // and back, nothing else changes
  frames.push_back([=] { scene(4, false, 2, 255); });  // one drawn twice
  frames.push_back([=] { scene(4, false, 1, 255); });  // and once again
  frames.push_back([=] { scene(4, false, 1, 100); });  // a still one fades
  frames.push_back([=] { scene(5, false, 0, 100); });
  const std::vector<Shown> plain = Plain(frames);
  for (size_t f = 1; f < plain.size(); ++f)
    ASSERT_FALSE(plain[f].Px == plain[f - 1].Px) << "frame " << f << " shows no change to test";
  ExpectSamePixelsOnOneThreadAndTwo(plain, frames);
}

// Calls are paired with the last frame's in increasing order, each partner used once: after [X, A, B]
// the frame [Y, A, A, B] (A translucent, X and Y elsewhere) has one A without a partner, whose tiles
// must be drawn again: the plain drawing shows A twice there.
TEST_F(RecorderFrames, ASpriteDrawnOnceMoreFindsNoPartnerAndIsDrawnAgain) {
  const auto frame = [this](float xAt, int copies) {
    MenuFrame(0);
    ASprite_Draw(unit_, xAt, 300, 64, 128, 2, 255, 0, 1);                                      // X or Y
    for (int i = 0; i < copies; ++i) ASprite_Draw(unit_, 600, 500, 64, 128, 5, 120, 0, 1);  // A
    ASprite_Draw(unit_, 800, 100, 64, 128, 6, 255, 0, 1);                                    // B
  };
  // The first two frames differ in X alone: the menu below becomes the kept layer, and the third frame
  // is drawn over it tile by tile.
  const std::vector<std::function<void()>> frames = {
      [=] { frame(100, 1); }, [=] { frame(120, 1); }, [=] { frame(140, 2); }, [=] { frame(180, 1); }};
  const std::vector<Shown> plain = Plain(frames);
  const size_t at = 580 * omega::kScreenW + 632;  // the opaque middle of A
  ASSERT_NE(plain[2].Px[at], plain[1].Px[at]) << "A drawn twice looks like A drawn once: nothing to test";
  ExpectSamePixelsOnOneThreadAndTwo(plain, frames);
}

TEST_F(RecorderFrames, DrawingOutsideAFrameIsNotLostNorKeptByTheNextFrame) {
  omega::FrameRecorder& recorder = omega::E().Recorder;
  recorder.Begin();
  GameFrame(1, 0);
  recorder.End();
  omega::Image expected = plain::LastFrame();
  // Drawn at once, between frames: shows at once, and the next frame starts afresh.
  SSprite_Draw(unit_, 100, 100, 300, 300, 255, 0, 1);
  const auto& unit = *omega::E().Pictures.Textures.at(unit_);
  plain::Draw(expected, plain::Rows(unit.Picture), omega::Rect{0, 0, 256, 256}, 100, 100, 300, 300, omega::kNoTint, 255);
  EXPECT_TRUE(recorder.Frame.Px == expected.Px) << "the call drawn between frames";
  recorder.Begin();
  GameFrame(1, 0);
  recorder.End();
  EXPECT_TRUE(recorder.Frame.Px == plain::LastFrame().Px) << "the frame after it";
}

// Places and sizes round halves to even; whole values (most of them) come out as they are, far ones
// clamped, and values that are no numbers are refused.
TEST(Places, RoundHalvesToEvenAndTakeWholeValuesAsTheyAre) {
  struct Case {
    double value;
    int64_t rounded;
  };
  const Case cases[] = {{0, 0},          {-0.0, 0},        {7, 7},        {-7, -7},         {0.5, 0},
                        {1.5, 2},        {2.5, 2},         {-0.5, 0},     {-1.5, -2},       {-2.5, -2},
                        {2.4999999, 2},  {2.5000001, 3},   {-2.7, -3},    {1023.9999, 1024}, {-1e-9, 0},
                        {16777216, 16777216}, {1e300, 16777216}, {-1e300, -16777216}, {16777215.5, 16777216}};
  for (const Case& c : cases) {
    int64_t got = -12345;
    ASSERT_TRUE(omega::RoundCoord(c.value, got)) << c.value;
    EXPECT_EQ(got, c.rounded) << "expected " << c.value << " to round to " << c.rounded << ", got " << got;
  }
  for (const double bad : {NAN, INFINITY, -INFINITY}) {
    int64_t got = 0;
    EXPECT_FALSE(omega::RoundCoord(bad, got)) << bad;
  }
}

// More copies than the slots that find them before the cache's map, found again after others took their
// slots and after the cache was dropped: each call still draws its own frame in its own tint.
TEST_F(RecorderFrames, CopiesSharingASlotOrDroppedAreNeverMistakenForOneAnother) {
  std::vector<uint32_t> px(8 * 2);
  for (int x = 0; x < 8; ++x) px[static_cast<size_t>(x)] = px[static_cast<size_t>(8 + x)] = 0x80000000u | (0x1F * (x + 1)) << 8;
  omega_test::WriteTga("frames.tga", 8, 2, px);
  const OEHandle t = Tex_LoadFromFile("frames.tga", -1, 1);
  Tex_SetFramesSize(t, 1, 2);
  omega::FrameRecorder& recorder = omega::E().Recorder;
  for (int round = 0; round < 2; ++round) {
    recorder.Begin();
    // 8 frames × 400 tints: more copies than slots.
    for (int i = 0; i < 3200; ++i) {
      FX_SetColorMix(0x010203u * static_cast<uint32_t>(i / 8 + 1));
      ASprite_Draw(t, static_cast<float>(i % 1024), static_cast<float>(2 * (i / 1024)), 1, 2, i % 8 + 1, 255, 0, 9);
    }
    recorder.End();
    const omega::Image expected = plain::LastFrame();
    ASSERT_TRUE(recorder.Frame.Px == expected.Px) << "round " << round;
    EXPECT_EQ(recorder.CachedEntries(), 3200u);
  }
  for (int i = 0; i < 2; ++i) {
    // Far more pixels than the cache keeps: dropped between frames, then made again.
    recorder.Begin();
    for (int k = 0; k < 3; ++k) SSprite_Draw(t, 0, 0, 2000 + k, 1500, 255, 0, 1);
    recorder.End();
    recorder.Begin();
    FX_SetColorMix(0x0A0B0Cu);
    ASprite_Draw(t, 5, 5, 1, 2, 3, 255, 0, 9);
    recorder.End();
    ASSERT_TRUE(recorder.Frame.Px == plain::LastFrame().Px) << "after the cache was dropped, time " << i;
  }
}

// Random frames, each the last one with a few calls moved, added, dropped, resized or tinted anew, drawn
// with a cache small enough to be dropped every few frames, shown in a window of random size and pixel
// format that takes again only what each frame reports changed (some frames uncovered, some with the
// surface's pixels moved). Every frame must be the plain drawing, and what the window shows (the parts
// handed on, as a window system copies them) a whole redraw's.
TEST_F(RecorderFrames, RandomFramesInASmallCacheShowInTheWindowWhatAWholeRedrawShows) {
  // Rows of pixels far apart, so that a cell's last row alone may hold a picture's pixels.
  omega_test::WritePng("sparse.png", 64, 64, Pixels(64, 64, [](int x, int y) {
    return y % 16 == 15 || (y % 23 == 5 && x % 9 < 4) ? 0xFF000000u | Noise(x, y, 5) : 0u;
  }));
  const OEHandle pictures[] = {unit_, Tex_LoadFromFile("sparse.png", -1, 1), ground_, black_};
  struct Call {
    OEHandle Texture;
    float X, Y, W, H;
    int Frame, Alpha;
    uint32_t Mix;  // 0: not tinted
  };
  const unsigned seed = std::random_device{}();
  SCOPED_TRACE("seed " + std::to_string(seed));
  std::mt19937 rng(seed);
  const auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  const auto randomCall = [&] {
    const int t = pick(0, 3), own = pick(0, 2);  // at its own size two times in three
    return Call{pictures[t], static_cast<float>(pick(-80, 1040)) + 0.25f * static_cast<float>(pick(0, 3)),
                static_cast<float>(pick(-80, 780)), own ? 64.0f : static_cast<float>(pick(1, 300)),
                own ? (t == 1 ? 64.0f : 128.0f) : static_cast<float>(pick(1, 300)), pick(1, 8),
                pick(0, 4) == 0 ? pick(1, 254) : 255, pick(0, 3) == 0 ? static_cast<uint32_t>(pick(1, 0xFFFFFF)) : 0u};
  };
  const auto draw = [](SDL_Surface* surface, omega::Presenter& presenter, const omega::ChangeSet& changes, bool all) {
    const omega::Image& frame = omega::E().Recorder.Frame;
    return presenter.Draw(surface, frame.Px.data(), frame.W, frame.H, changes, all);
  };
  for (const auto& [w, h, format] : {std::tuple{1024, 768, SDL_PIXELFORMAT_RGB888}, {1280, 720, SDL_PIXELFORMAT_RGB24},
                                     {800, 600, SDL_PIXELFORMAT_ARGB8888}, {1030, 1000, SDL_PIXELFORMAT_BGR24}}) {
    SCOPED_TRACE(std::to_string(w) + "x" + std::to_string(h) + " " + SDL_GetPixelFormatName(format));
    omega::E().Recorder = omega::FrameRecorder{64 * 1024};
    plain::Frames oracle;
    omega::Presenter presenter;
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, format);
    SDL_Surface* whole = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, format);
    void* const ownPixels = surface->pixels;
    const int pitch = surface->pitch, bpp = surface->format->BytesPerPixel;
    std::vector<uint8_t> screen(static_cast<size_t>(pitch) * h, 0x5A), moved(screen.size(), 0xA5);  // what the window system shows
    std::vector<Call> calls(20);
    for (Call& c : calls) c = randomCall();
    for (int f = 0; f < 30 && !HasFailure(); ++f) {
      for (int change = pick(0, 4); change > 0; --change) {
        const auto k = static_cast<std::ptrdiff_t>(pick(0, static_cast<int>(calls.size()) - 1));
        switch (pick(0, 4)) {
          case 0: calls[k].X += static_cast<float>(pick(-40, 40)); break;
          case 1: calls.insert(calls.begin() + k, randomCall()); break;
          case 2: calls.erase(calls.begin() + k, calls.begin() + std::min<std::ptrdiff_t>(calls.size() - 1, k + pick(1, 80))); break;
          case 3: calls[k].W = static_cast<float>(pick(1, 300)), calls[k].Mix = static_cast<uint32_t>(pick(0, 0xFFFFFF)); break;
          default:  // dots in cells apart, in the top half: more changed parts than are handed on one by one
            for (int i = 0; i < 600; ++i)
              calls.push_back(Call{black_, static_cast<float>(32 * pick(0, 31) + pick(0, 13)),
                                   static_cast<float>(32 * pick(0, 11) + pick(0, 13)), 2, 2, 1, 255, 0});
        }
      }
      omega::E().Recorder.Begin();
      for (const Call& c : calls) {
        FX_SetColorMix(c.Mix);
        ASprite_Draw(c.Texture, c.X, c.Y, c.W, c.H, c.Frame, c.Alpha, 0, c.Mix != 0 ? 9 : 1);
      }
      const omega::ChangeSet& changes = omega::E().Recorder.End(&omega::E().Bands);
      ASSERT_TRUE(omega::E().Recorder.Frame.Px == oracle.Frame(omega::E().Recorder.LastFrame()).Px) << "frame " << f;
      const int event = pick(0, 9);  // 0: uncovered (what the window showed is lost), 1: its pixels moved
      if (event == 0) std::fill(screen.begin(), screen.end(), uint8_t{0x33});
      surface->pixels = event == 1 ? moved.data() : ownPixels;
      const omega::Shown shown = draw(surface, presenter, changes, event == 0);
      std::vector<SDL_Rect> taken(shown.Rects.begin(), shown.Rects.end());
      if (shown.Whole) taken.push_back(SDL_Rect{0, 0, w, h});
      for (const SDL_Rect& r : taken)
        for (int y = r.y; y < r.y + r.h; ++y) {
          const size_t at = static_cast<size_t>(y) * pitch + static_cast<size_t>(r.x) * bpp;
          std::memcpy(&screen[at], static_cast<const uint8_t*>(surface->pixels) + at, static_cast<size_t>(r.w) * bpp);
        }
      omega::Presenter fresh;
      draw(whole, fresh, omega::ChangeSet{}, false);
      for (int y = 0; y < h; ++y)
        if (std::memcmp(&screen[static_cast<size_t>(y) * pitch], static_cast<const uint8_t*>(whole->pixels) + static_cast<size_t>(y) * pitch,
                        static_cast<size_t>(w) * bpp) != 0) {
          ADD_FAILURE() << "frame " << f << " (" << changes.Rects.size() << " parts changed, event " << event
                        << "): the window's row " << y << " is not a whole redraw's";
          break;
        }
    }
    surface->pixels = ownPixels;
    SDL_FreeSurface(surface);
    SDL_FreeSurface(whole);
    if (HasFailure()) break;
  }
}

// Two bands by default only where two cores are allowed: `taskset -c 0` must give one.
TEST(DrawBands, TheCoresAllowedFollowTheAffinity) {
  cpu_set_t was;
  CPU_ZERO(&was);
  ASSERT_EQ(sched_getaffinity(0, sizeof was, &was), 0);
  int first = 0;
  while (!CPU_ISSET(first, &was)) ++first;
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(first, &one);
  ASSERT_EQ(sched_setaffinity(0, sizeof one, &one), 0);
  const int pinned = omega::CoresAllowed();
  ASSERT_EQ(sched_setaffinity(0, sizeof was, &was), 0);
  EXPECT_EQ(pinned, 1) << "pinned to core " << first;
  EXPECT_EQ(omega::CoresAllowed(), CPU_COUNT(&was)) << "the whole affinity again";
}

// Every source alpha over every kind of destination, on rows whose lengths leave vector tails, tinted
// and not, faded and not, a sheet of one colour too: each copy of the span drawing this processor runs
// gives the plain drawing's pixels.
TEST(WideBlending, EveryCopyGivesThePlainDrawingsPixels) {
  omega::Image src;
  src.W = 67;
  src.H = 256;
  src.Px.resize(static_cast<size_t>(src.W) * src.H);
  for (int y = 0; y < src.H; ++y)
    for (int x = 0; x < src.W; ++x) {
      const uint32_t a = static_cast<uint32_t>((y + x * 13) % 256);
      const uint32_t c = Noise(x, y, 5);
      src.Px[static_cast<size_t>(y) * src.W + x] = (a << 24) | (omega::Mul255((c >> 16) & 0xFF, a) << 16) |
                                                    (omega::Mul255((c >> 8) & 0xFF, a) << 8) | omega::Mul255(c & 0xFF, a);
    }
  omega::Image sheet;
  sheet.W = 67;
  sheet.H = 256;
  sheet.Px.assign(static_cast<size_t>(sheet.W) * sheet.H, 0xFF4080C0u);
  const omega::Spans runs = omega::Encode(src), solid = omega::Encode(sheet);
  ASSERT_TRUE(solid.Solid);
  std::vector<omega::Wide> copies = {omega::Wide::Plain};
  if (omega::Processor() >= omega::Wide::Avx2) copies.push_back(omega::Wide::Avx2);
  if (omega::Processor() >= omega::Wide::Avx512) copies.push_back(omega::Wide::Avx512);
  for (const omega::Image* picture : {&src, &sheet})
    for (const uint32_t tint : {omega::kNoTint, 0x30C0F0u})
      for (const uint32_t alpha : {255u, 254u, 128u, 1u}) {
        omega::Image expected;
        expected.W = 80;
        expected.H = 256;
        expected.Px = Pixels(80, 256, [](int x, int y) { return Noise(x, y, 6) | (x % 3 == 0 ? 0xFF000000u : 0u); });
        const omega::Image before = expected;
        plain::Draw(expected, *picture, omega::Rect{0, 0, 67, 256}, 5, 0, 67, 256, tint, alpha);
        for (const omega::Wide wide : copies) {
          omega::Image got = before;
          const omega::Spans& spans = picture == &src ? runs : solid;
          omega::DrawSpansFor(wide)(got, 0, 256, omega::SpanDraw{&spans, omega::Rect{0, 0, 67, 256}, 5, 0, tint, alpha});
          for (size_t i = 0; i < got.Px.size(); ++i)
            if (got.Px[i] != expected.Px[i]) {
              ADD_FAILURE() << "copy " << static_cast<int>(wide) << (picture == &src ? ", runs" : ", sheet") << ", tint "
                            << Hex(tint) << ", alpha " << alpha << ", pixel " << i << ": expected "
                            << Hex(expected.Px[i]) << " (plain), got " << Hex(got.Px[i]);
              break;
            }
        }
      }
}

// ---- the real game's frames ----

// The real game's frames, recorded while it plays (menu fading in, then the village with its walking,
// tinted units), drawn again in this process by the recorder on one thread and in two bands, each frame
// compared with the plain drawing of its calls.
struct Way {
  const char* Name;
  int Threads;
  omega::FrameRecorder Recorder;
};

// The first pixel where `got` differs from `expected`, or -1.
long FirstDifference(const std::vector<omega::Pixel>& expected, const std::vector<omega::Pixel>& got) {
  if (expected == got) return -1;
  if (expected.size() != got.size()) return 0;
  for (size_t i = 0; i < expected.size(); ++i)
    if (expected[i] != got[i]) return static_cast<long>(i);
  return -1;
}

class RecordedFrames : public EngineTest {
 protected:
  // Plays the shipped game headless with a fixed seed and keeps its trace: the menu from tick 1 on,
  // "Новая игра" at tick 130, the pointer moving over the map until the quit.
  static void SetUpTestSuite() {
    folder_ = omega_test::TempFolder();
    for (const char* link : {"Data", "DX"})
      ASSERT_EQ(symlink((std::string(GAME_DIR) + "/" + link).c_str(), (folder_ + "/" + link).c_str()), 0) << link;
    std::string script = "1 key 27\n100 move 512 165\n130 click\n";
    for (int t = 147; t < kLastTick; t += 17)
      script += std::to_string(t) + " move " + std::to_string(t * 37 % 1024) + " " + std::to_string(t * 53 % 768) + "\n";
    script += std::to_string(kLastTick) + " quit\n";
    omega_test::WriteFile(folder_ + "/s.txt", script);
    // The game's test build: a fixed seed, so the units' colours are the same in every run.
    const auto r = RunInFolder(folder_, {SEEDED_GAME}, {{"OMEGA_SCRIPT", "s.txt"}, {"OMEGA_TRACE", "t.txt"}}, 120);
    ASSERT_EQ(r.Status, 0) << r.Stderr;
    ASSERT_TRUE(replay::ReadTrace(folder_ + "/t.txt", trace_)) << "no trace in " << folder_;
  }

  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_EQ(chdir(folder_.c_str()), 0);
  }

  // Draws `frames` both ways, frame by frame, each way with its own recorder (its kept layer and cache
  // carry over from its frame before), and compares each frame with the plain drawing of its calls.
  void ExpectTheSamePixels(const std::vector<const replay::Frame*>& frames) {
    replay::EngineReplay replay;
    replay.Load(trace_);
    plain::Frames oracle;
    std::vector<Way> ways;
    ways.push_back(Way{"one thread", 1, {}});
    ways.push_back(Way{"two bands", 2, {}});
    const int threads = omega::E().Bands.Threads();
    size_t compared = 0;
    for (const replay::Frame* frame : frames) {
      // The mix colour carries over from frame to frame: each way starts the frame with the same one.
      const uint32_t mix = omega::E().Pictures.MixColour;
      for (Way& way : ways) {
        omega::E().Pictures.MixColour = mix;
        omega::E().Bands.SetThreads(way.Threads);
        std::swap(omega::E().Recorder, way.Recorder);
        replay.Draw(*frame);
        std::swap(omega::E().Recorder, way.Recorder);
      }
      const omega::Image expected = oracle.Frame(ways[0].Recorder.LastFrame());
      for (size_t w = 0; w < ways.size(); ++w) {
        const long at = FirstDifference(expected.Px, ways[w].Recorder.Frame.Px);
        if (at < 0) continue;
        const size_t i = static_cast<size_t>(at);
        ADD_FAILURE() << ways[w].Name << ", tick " << frame->Tick << " (" << frame->Calls.size() << " calls), pixel ("
                      << i % omega::kScreenW << ", " << i / omega::kScreenW << "): expected "
                      << Hex(expected.Px[i]) << " (plain), got " << Hex(ways[w].Recorder.Frame.Px[i]);
        omega::E().Bands.SetThreads(threads);
        return;
      }
      ++compared;
    }
    omega::E().Bands.SetThreads(threads);
    EXPECT_EQ(compared, frames.size());
  }

  static constexpr int kLastTick = 300;
  static std::string folder_;
  static replay::Trace trace_;
};

std::string RecordedFrames::folder_;
replay::Trace RecordedFrames::trace_;

std::vector<const replay::Frame*> Between(const replay::Trace& trace, int64_t from, int64_t to) {
  std::vector<const replay::Frame*> out;
  for (const replay::Frame& f : trace.Frames)
    if (f.Tick >= from && f.Tick < to) out.push_back(&f);
  return out;
}

// The menu fading in, then from the click on the scene changing, the map fading in, units leaving their
// huts and walking, tinted: one run of consecutive frames, so that the kept layer is used, made anew and
// dropped as the game goes.
TEST_F(RecordedFrames, TheMenuAndTheVillageWithItsWalkingTintedUnitsAreThePlainDrawing) {
  ASSERT_GE(Between(trace_, 1, 125).size(), 20u) << "the menu's frames were not recorded";
  const auto game = Between(trace_, 128, kLastTick);
  ASSERT_GE(game.size(), 100u) << "the game's frames were not recorded";
  size_t tinted = 0;
  for (const replay::Frame* f : game)
    for (const replay::Call& c : f->Calls) tinted += c.Kind == replay::Op::ColourMix && c.Colour != 0xFFFFFF;
  ASSERT_GT(tinted, 0u) << "no unit drawn tinted: the frames test nothing of tinting while blending";
  ExpectTheSamePixels(Between(trace_, 1, kLastTick));
}

}  // namespace
