// The window's picture: placed, scaled and shown by the engine as SDL's software renderer showed it with
// a logical size and linear filtering (the pixels compared with that renderer's own output, exactly:
// the tolerance is zero), and only the rows a frame changed drawn and handed on.
#include "omega/window/Present.h"

#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "tests/omega/support/Pictures.h"
#include "tests/support/Files.h"
#include "tests/support/Spawn.h"

namespace {

constexpr int kPicW = 1024, kPicH = 768;
using Frame = std::vector<uint32_t>;

struct SurfaceDeleter {
  void operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }
};
using Surface = std::unique_ptr<SDL_Surface, SurfaceDeleter>;

Surface MakeSurface(int w, int h, uint32_t format = SDL_PIXELFORMAT_RGB888) {
  return Surface(SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, format));
}

uint32_t At(const SDL_Surface* s, int x, int y) {
  return *reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(s->pixels) + y * s->pitch + 4 * x) & 0xFFFFFFu;
}

// What the window showed before: the software renderer on a surface of the window's size, the frame a
// streaming ARGB texture filtered linearly, the logical size the picture's, cleared black and copied.
Surface RendererPicture(const Frame& frame, int w, int h) {
  Surface target = MakeSurface(w, h);
  SDL_Renderer* r = SDL_CreateSoftwareRenderer(target.get());
  SDL_RenderSetLogicalSize(r, kPicW, kPicH);
  SDL_Texture* t = SDL_CreateTexture(r, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, kPicW, kPicH);
  SDL_SetTextureScaleMode(t, SDL_ScaleModeLinear);
  SDL_UpdateTexture(t, nullptr, frame.data(), kPicW * 4);
  SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
  SDL_RenderClear(r);
  SDL_RenderCopy(r, t, nullptr, nullptr);
  SDL_RenderPresent(r);
  SDL_DestroyTexture(t);
  SDL_DestroyRenderer(r);
  return target;
}

// The first pixel where two surfaces of one size differ, as text; "" when none does.
std::string FirstDifference(const SDL_Surface* expected, const SDL_Surface* got) {
  if (expected->w != got->w || expected->h != got->h) return "the sizes differ";
  for (int y = 0; y < got->h; ++y)
    for (int x = 0; x < got->w; ++x)
      if (At(expected, x, y) != At(got, x, y)) {
        char text[128];
        std::snprintf(text, sizeof text, "(%d, %d): expected %06X, got %06X", x, y, At(expected, x, y), At(got, x, y));
        return text;
      }
  return "";
}

Frame Noise(uint32_t seed) {
  std::mt19937 random(seed);
  Frame f(static_cast<size_t>(kPicW) * kPicH);
  for (uint32_t& p : f) p = 0xFF000000u | (random() & 0xFFFFFFu);
  return f;
}

// Frames of the shipped game in its test build (one seed): the menu, and two frames of the village one
// tick apart, units walking between them.
class GameFrames : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    const std::string folder = omega_test::TempFolder();
    for (const char* link : {"Data", "DX"})
      ASSERT_EQ(symlink((std::string(GAME_DIR) + "/" + link).c_str(), (folder + "/" + link).c_str()), 0) << link;
    omega_test::WriteFile(folder + "/s.txt",
                          "1 key 27\n60 shot menu.png\n100 move 512 165\n130 click\n200 move 300 400\n"
                          "290 shot map1.png\n291 shot map2.png\n292 quit\n");
    const auto r = RunInFolder(folder, {SEEDED_GAME}, {{"OMEGA_SCRIPT", "s.txt"}}, 120);
    ASSERT_EQ(r.Status, 0) << r.Stderr;
    for (const char* name : {"menu.png", "map1.png", "map2.png"}) {
      SDL_Surface* loaded = IMG_Load((folder + "/" + name).c_str());
      ASSERT_NE(loaded, nullptr) << name << ": " << IMG_GetError();
      SDL_Surface* argb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
      SDL_FreeSurface(loaded);
      ASSERT_TRUE(argb != nullptr && argb->w == kPicW && argb->h == kPicH) << name;
      Frame f(static_cast<size_t>(kPicW) * kPicH);
      for (int y = 0; y < kPicH; ++y)
        std::memcpy(&f[static_cast<size_t>(y) * kPicW], static_cast<uint8_t*>(argb->pixels) + y * argb->pitch, kPicW * 4);
      SDL_FreeSurface(argb);
      frames_.push_back(std::move(f));
    }
  }
  static std::vector<Frame> frames_;
};
std::vector<Frame> GameFrames::frames_;

// Full screen and windows of every shape: the same aspect, wider (bars at the sides), taller (bars
// above and below), smaller than the picture, and odd sizes where the renderer's float rounding shows.
const std::vector<std::pair<int, int>> kOutputs = {{1024, 768}, {1600, 1200}, {1920, 1080}, {1280, 1024}, {1280, 720},
                                                   {800, 600},  {640, 400},   {1366, 768},  {1023, 767},  {1111, 777},
                                                   {1025, 769}, {333, 1000},  {2560, 1440}, {1024, 800}};

TEST_F(GameFrames, TheWholeWindowIsThePixelsTheRendererShowedAtEverySize) {
  ASSERT_EQ(frames_.size(), 3u);
  for (const Frame& frame : {frames_[0], frames_[1], Noise(1)})
    for (const auto& [w, h] : kOutputs) {
      omega::Presenter presenter;
      Surface got = MakeSurface(w, h);
      const omega::Shown shown = presenter.Draw(got.get(), frame.data(), kPicW, kPicH, omega::ChangeSet{});
      EXPECT_TRUE(shown.Whole) << w << "x" << h << ": a new surface is drawn whole";
      const Surface expected = RendererPicture(frame, w, h);
      EXPECT_EQ(FirstDifference(expected.get(), got.get()), "") << "window " << w << "x" << h;
    }
}

TEST(RowScaler, BothPathsGiveSdlsLinearStretchUpDownAndAcrossEveryEdge) {
  const Frame frame = Noise(2);
  Surface source(SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(frame.data()), kPicW, kPicH, 32, kPicW * 4,
                                                    SDL_PIXELFORMAT_ARGB8888));
  for (const auto& [w, h] : std::vector<std::pair<int, int>>{{1600, 1200}, {1440, 1080}, {600, 450}, {1024, 1000}, {7, 3}}) {
    Surface expected = MakeSurface(w, h, SDL_PIXELFORMAT_ARGB8888);
    ASSERT_EQ(SDL_SoftStretchLinear(source.get(), nullptr, expected.get(), nullptr), 0) << SDL_GetError();
    omega::RowScaler scaler;
    scaler.Prepare(kPicW, kPicH, w, h);
    for (const bool wide : {false, true}) {
      Surface got = MakeSurface(w, h, SDL_PIXELFORMAT_ARGB8888);
      // In two calls, split at an odd row: a call's rows start at its own first row.
      scaler.Scale(frame.data(), 0, h / 2 + 1, static_cast<uint32_t*>(got->pixels), got->pitch, wide);
      scaler.Scale(frame.data(), h / 2 + 1, h,
                   reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(got->pixels) + (h / 2 + 1) * got->pitch), got->pitch,
                   wide);
      EXPECT_EQ(FirstDifference(expected.get(), got.get()), "") << w << "x" << h << (wide ? ", wide" : ", plain");
    }
  }
}

// Two frames of the village a tick apart: drawing the second over the first changes only what reads
// the changed parts of the picture, hands on only that, and leaves the window as a full redraw of the
// second frame would: parts of any size and place (a band of rows, a small box at an edge, many small
// boxes, which go to the window system joined into bands of rows).
TEST_F(GameFrames, AFrameChangingSomePartsDrawsAndShowsOnlyThoseAndEqualsAFullRedraw) {
  ASSERT_EQ(frames_.size(), 3u);
  const Frame& before = frames_[1];
  auto scattered = [](int count) {
    std::vector<omega::Rect> boxes;
    for (int k = 0; k < count; ++k)
      boxes.push_back(omega::Rect{(k * 277) % 1000, (k * 131) % 740, 16 + k % 3 * 8, 16 + k % 2 * 11});
    return boxes;
  };
  const std::vector<std::pair<std::string, std::vector<omega::Rect>>> cases = {
      {"a band of rows", {{0, 300, kPicW, 11}}},
      {"two boxes, one at the right edge", {{100, 300, 80, 11}, {1008, 752, 16, 16}}},
      {"ninety small boxes", scattered(90)},
      {"four hundred small boxes", scattered(400)}};
  for (const auto& [what, parts] : cases) {
    // The second frame in those parts, the first elsewhere: a frame that changed only there.
    Frame after = before;
    for (const omega::Rect& p : parts)
      for (int y = p.Y; y < p.Y + p.H; ++y)
        for (int x = p.X; x < p.X + p.W; ++x) {
          const size_t i = static_cast<size_t>(y) * kPicW + x;
          after[i] = frames_[2][i] ^ (x == p.X ? 0x00FFFFFFu : 0u);  // surely changed
        }
    for (const auto& [w, h] : std::vector<std::pair<int, int>>{{1024, 768}, {1600, 1200}, {1920, 1080}, {800, 600}}) {
      const std::string size = what + ", " + std::to_string(w) + "x" + std::to_string(h);
      omega::Presenter presenter;
      Surface got = MakeSurface(w, h);
      presenter.Draw(got.get(), before.data(), kPicW, kPicH, omega::ChangeSet{{omega::Rect{0, 0, kPicW, kPicH}}});
      Surface old = MakeSurface(w, h);
      SDL_BlitSurface(got.get(), nullptr, old.get(), nullptr);
      const omega::Shown shown = presenter.Draw(got.get(), after.data(), kPicW, kPicH, omega::ChangeSet{parts});
      EXPECT_FALSE(shown.Whole) << size;
      EXPECT_GE(shown.Rects.size(), 1u) << size;
      EXPECT_LE(shown.Rects.size(), 256u) << size << ": too many requests to the window system";
      // What is handed on covers no more than the parts as scaled, give or take the filter's pixel
      // on each side (past 256 parts, joined into bands: their rows).
      const bool joined = parts.size() > 256;
      const omega::PictureBox& box = presenter.Box();
      const double sx = static_cast<double>(box.W) / kPicW, sy = static_cast<double>(box.H) / kPicH;
      long handed = 0, allowed = 0;
      for (const SDL_Rect& r : shown.Rects) handed += joined ? r.h : long{r.w} * r.h;
      for (const omega::Rect& p : parts) allowed += joined ? long(p.H * sy + 3) : long((p.W * sx + 3) * (p.H * sy + 3));
      EXPECT_LE(handed, allowed) << size << ": more handed on than changed";
      // Outside what was handed on nothing was written; the whole equals the renderer's picture.
      std::vector<uint8_t> in(static_cast<size_t>(w) * h, 0);
      for (const SDL_Rect& r : shown.Rects)
        for (int y = std::max(r.y, 0); y < std::min(r.y + r.h, h); ++y)
          for (int x = std::max(r.x, 0); x < std::min(r.x + r.w, w); ++x) in[static_cast<size_t>(y) * w + x] = 1;
      long outside = 0;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
          outside += !in[static_cast<size_t>(y) * w + x] && At(old.get(), x, y) != At(got.get(), x, y);
      EXPECT_EQ(outside, 0) << size << ": pixels written outside the parts shown";
      EXPECT_EQ(FirstDifference(RendererPicture(after, w, h).get(), got.get()), "") << size;
      // Nothing changed: nothing drawn, nothing to show.
      const omega::Shown still = presenter.Draw(got.get(), after.data(), kPicW, kPicH, omega::ChangeSet{});
      EXPECT_FALSE(still.Whole) << size;
      EXPECT_TRUE(still.Rects.empty()) << size;
    }
  }
}

// The bars are black from the first frame on and not drawn again with every frame; a new surface (a
// resize, full screen on and off) gets them anew, and the picture whole.
TEST_F(GameFrames, BarsAreDrawnOnceAndAgainOnlyOnANewSurface) {
  ASSERT_EQ(frames_.size(), 3u);
  omega::Presenter presenter;
  Surface window = MakeSurface(1280, 1024);  // bars of 32 rows above and below
  presenter.Draw(window.get(), frames_[0].data(), kPicW, kPicH, omega::ChangeSet{{omega::Rect{0, 0, kPicW, kPicH}}});
  ASSERT_EQ(presenter.Box().Y, 32);
  EXPECT_EQ(At(window.get(), 640, 10), 0u) << "the upper bar is black";
  // A mark in the bar stays through frames that change rows near it: the bars are not drawn again.
  *reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(window->pixels) + 10 * window->pitch + 4 * 640) = 0x123456u;
  presenter.Draw(window.get(), frames_[1].data(), kPicW, kPicH, omega::ChangeSet{{omega::Rect{0, 0, kPicW, kPicH}}});
  EXPECT_EQ(At(window.get(), 640, 10), 0x123456u) << "the bar was drawn again with a frame";
  // The surface made again at the same size (a resize back and forth): everything drawn anew.
  presenter.Forget();
  const omega::Shown again = presenter.Draw(window.get(), frames_[1].data(), kPicW, kPicH, omega::ChangeSet{});
  EXPECT_TRUE(again.Whole);
  EXPECT_EQ(FirstDifference(RendererPicture(frames_[1], 1280, 1024).get(), window.get()), "");
  // Full screen on, off and on again: each new surface is the renderer's picture, bars included.
  for (const auto& [w, h] : std::vector<std::pair<int, int>>{{1920, 1080}, {1280, 1024}, {1920, 1080}}) {
    Surface next = MakeSurface(w, h);
    // A new surface may hold anything until drawn.
    SDL_FillRect(next.get(), nullptr, 0x00FF00FFu);
    const omega::Shown shown = presenter.Draw(next.get(), frames_[2].data(), kPicW, kPicH, omega::ChangeSet{});
    EXPECT_TRUE(shown.Whole) << w << "x" << h;
    EXPECT_EQ(FirstDifference(RendererPicture(frames_[2], w, h).get(), next.get()), "") << w << "x" << h;
    window = std::move(next);
  }
}

// A surface of another pixel format (three bytes a pixel, blue first) gets the same colours, converted.
TEST_F(GameFrames, ASurfaceOfAnotherFormatGetsTheSameColours) {
  ASSERT_EQ(frames_.size(), 3u);
  omega::Presenter presenter;
  Surface bgr = MakeSurface(1600, 1200, SDL_PIXELFORMAT_BGR24);
  presenter.Draw(bgr.get(), frames_[1].data(), kPicW, kPicH, omega::ChangeSet{{omega::Rect{0, 0, kPicW, kPicH}}});
  Surface got = MakeSurface(1600, 1200);
  SDL_BlitSurface(bgr.get(), nullptr, got.get(), nullptr);
  EXPECT_EQ(FirstDifference(RendererPicture(frames_[1], 1600, 1200).get(), got.get()), "");
}

TEST(PlacePicture, LetterboxesAsTheRendererDid) {
  struct Case {
    int OutW, OutH, X, Y, W, H;
  };
  for (const Case& c : {Case{1024, 768, 0, 0, 1024, 768}, Case{1600, 1200, 0, 0, 1600, 1200},
                        Case{1920, 1080, 240, 0, 1440, 1080}, Case{1280, 1024, 0, 32, 1280, 960},
                        Case{1280, 720, 160, 0, 960, 720}, Case{800, 600, 0, 0, 800, 600}, Case{1024, 800, 0, 16, 1024, 768}}) {
    const omega::PictureBox b = omega::PlacePicture(c.OutW, c.OutH, kPicW, kPicH);
    EXPECT_TRUE(b.X == c.X && b.Y == c.Y && b.W == c.W && b.H == c.H)
        << c.OutW << "x" << c.OutH << ": expected " << c.W << "x" << c.H << " at " << c.X << "," << c.Y << ", got " << b.W
        << "x" << b.H << " at " << b.X << "," << b.Y;
  }
  const omega::PictureBox none = omega::PlacePicture(0, 0, kPicW, kPicH);
  EXPECT_EQ(none.W * none.H, 0) << "an output of no size holds no picture";
}

// Pointer positions over the picture, on its edges and over the bars, as the renderer mapped them: the
// division truncates towards zero, so less than a picture pixel into the left or top bar still reads
// as the picture's edge, and beyond it the position is outside.
TEST(WindowToPicture, TruncatesTowardsZeroAtEveryEdge) {
  struct Case {
    int OutW, OutH, WindowX, WindowY, X, Y;
  };
  for (const Case& c : {Case{1920, 1080, 240, 0, 0, 0},  Case{1920, 1080, 239, 0, 0, 0},   Case{1920, 1080, 238, 1079, -1, 767},
                        Case{1920, 1080, 0, 540, -170, 384}, Case{1920, 1080, 1679, 0, 1023, 0}, Case{1920, 1080, 1680, 0, 1024, 0},
                        Case{1280, 1024, 640, 31, 512, 0}, Case{1280, 1024, 640, 0, 512, -25}, Case{1280, 1024, 640, 991, 512, 767},
                        Case{1280, 1024, 640, 992, 512, 768}, Case{1280, 720, 60, 300, -106, 320}, Case{1024, 768, 1023, 767, 1023, 767}}) {
    const omega::PictureBox b = omega::PlacePicture(c.OutW, c.OutH, kPicW, kPicH);
    int x = c.WindowX, y = c.WindowY;
    omega::WindowToPicture(b, 1.0f, 1.0f, x, y);
    EXPECT_TRUE(x == c.X && y == c.Y) << c.OutW << "x" << c.OutH << " at (" << c.WindowX << ", " << c.WindowY
                                      << "): expected (" << c.X << ", " << c.Y << "), got (" << x << ", " << y << ")";
  }
  // A window whose units are twice its pixels (high DPI): the window's units map to the same pixel.
  const omega::PictureBox b = omega::PlacePicture(1920, 1080, kPicW, kPicH);
  int x = 840, y = 270;  // (1680, 540) in pixels
  omega::WindowToPicture(b, 0.5f, 0.5f, x, y);
  EXPECT_TRUE(x == 1024 && y == 384) << "got (" << x << ", " << y << ")";
}

}  // namespace
