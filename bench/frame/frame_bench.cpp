// One synthetic frame of the game scene's shape, drawn headless by the engine and, with the same
// calls, by a plain SDL software renderer that tints and scales at draw time. Prints ms per frame.
//
//   frame_bench [frames]      (run it pinned to one core: taskset -c 0 build/.../bench/frame/frame_bench)
#include <SDL.h>
#include <SDL_image.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "omega/Engine.h"
#include "omega/Exports.h"

namespace {

// ---- synthetic pictures, written once to a temporary folder ----

struct Picture {
  std::string File;
  int W, H;
  std::vector<uint32_t> Px;  // straight 0xAARRGGBB
};

uint32_t Noise(int x, int y, int seed) {
  uint32_t h = static_cast<uint32_t>(x * 374761393 + y * 668265263 + seed * 982451653);
  h = (h ^ (h >> 13)) * 1274126177u;
  return h ^ (h >> 16);
}

Picture Make(const std::string& file, int w, int h, const std::function<uint32_t(int, int)>& colour) {
  Picture p{file, w, h, {}};
  p.Px.resize(static_cast<size_t>(w) * h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p.Px[static_cast<size_t>(y) * w + x] = colour(x, y);
  return p;
}

void Save(const std::string& dir, const Picture& p) {
  std::vector<uint32_t> copy = p.Px;
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(copy.data(), p.W, p.H, 32, p.W * 4, SDL_PIXELFORMAT_ARGB8888);
  IMG_SavePNG(s, (dir + "/" + p.File).c_str());
  SDL_FreeSurface(s);
}

// A diamond in the lower part of each 64×128 frame, like a ground cell; opaque inside.
uint32_t DiamondAlpha(int x, int y) {
  const int fx = x % 64, fy = y % 128;
  const double dx = std::abs(fx - 31.5) / 32.0, dy = std::abs(fy - 111.5) / 16.0;
  const double d = dx + dy;
  return d < 0.95 ? 255 : d < 1.05 ? 128 : 0;
}

// A figure's outline: an ellipse in each 64×128 frame.
uint32_t FigureAlpha(int x, int y) {
  const double dx = (x % 64 - 31.5) / 20.0, dy = (y % 128 - 70.0) / 50.0;
  const double d = dx * dx + dy * dy;
  return d < 0.9 ? 255 : d < 1.1 ? 160 : 0;
}

struct Scene {
  std::string Dir;
  std::vector<Picture> Pictures;
};

enum Id { kBackdrop, kGround, kGroundMask, kHome, kAltar, kGun, kCorner, kButton, kShadow, kBody, kOverlay, kBlack,
          kFontPic, kCount };

Scene BuildPictures() {
  Scene s;
  std::string templ = (std::filesystem::temp_directory_path() / "frame-bench-XXXXXX").string();
  s.Dir = mkdtemp(templ.data());
  auto opaque = [](int seed) {
    return [seed](int x, int y) { return 0xFF000000u | (Noise(x, y, seed) & 0x3F3F3Fu) | ((x * 255 / 1024) << 16); };
  };
  auto masked = [](int seed, uint32_t (*alpha)(int, int)) {
    return [seed, alpha](int x, int y) { return (alpha(x, y) << 24) | (Noise(x, y, seed) & 0xFFFFFFu); };
  };
  s.Pictures.resize(kCount);
  s.Pictures[kBackdrop] = Make("backdrop.png", 1024, 768, opaque(1));
  s.Pictures[kGround] = Make("ground.png", 512, 128, opaque(2));
  s.Pictures[kGroundMask] = Make("groundmask.png", 512, 128, [](int x, int y) {
    const uint32_t a = DiamondAlpha(x, y);
    return 0xFF000000u | (a << 16) | (a << 8) | a;
  });
  s.Pictures[kHome] = Make("home.png", 1024, 256, masked(3, [](int x, int y) { return (x % 256 + y) % 256 > 40 ? 255u : 0u; }));
  s.Pictures[kAltar] = Make("altar.png", 512, 256, masked(4, [](int x, int y) { return (x % 128 > 20 && y > 30) ? 255u : 0u; }));
  s.Pictures[kGun] = Make("gun.png", 1024, 512, masked(5, [](int x, int y) {
    const double dx = x % 128 - 64, dy = y % 128 - 64;
    return dx * dx + dy * dy < 2500 ? 255u : 0u;
  }));
  s.Pictures[kCorner] = Make("corner.png", 512, 256, masked(6, [](int, int) { return 255u; }));
  s.Pictures[kButton] = Make("button.png", 256, 256, opaque(7));
  s.Pictures[kShadow] = Make("shadow.png", 64, 32, [](int x, int y) {
    const double dx = (x - 31.5) / 32, dy = (y - 15.5) / 16;
    return dx * dx + dy * dy < 1 ? 0x60000000u : 0u;
  });
  s.Pictures[kBody] = Make("body.png", 512, 512, masked(8, FigureAlpha));
  s.Pictures[kOverlay] = Make("overlay.png", 512, 512, [](int x, int y) {
    return FigureAlpha(x, y) != 0 && (y % 128) > 60 && (y % 128) < 90 ? 0xFFFFFFFFu : 0u;
  });
  s.Pictures[kBlack] = Make("black.png", 64, 64, [](int, int) { return 0xFF000000u; });
  s.Pictures[kFontPic] = Make("font.png", 256, 128, [](int x, int y) {
    return ((x % 16) > 2 && (x % 16) < 12 && (y % 16) > 1 && (y % 16) < 14 && ((x + y) % 3) != 0) ? 0xFFFFFFFFu : 0u;
  });
  for (const Picture& p : s.Pictures) Save(s.Dir, p);
  return s;
}

// ---- the frame, as one list of calls ----

struct Draw {
  int Texture;
  float X, Y, W, H;
  int Frame;        // 0: the whole picture
  int FrameW, FrameH;
  int Alpha;
  uint32_t Tint;    // 0xFFFFFF: none
};

const uint32_t kPalette[10] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0xFF8000, 0x8000FF,
                               0x808080, 0xFFFFFF};

std::vector<Draw> BuildFrame(int n) {
  std::vector<Draw> d;
  d.push_back({kBackdrop, 0, 0, 1024, 768, 0, 0, 0, 255, 0xFFFFFF});
  for (int row = 0; row < 49; ++row)
    for (int col = 0; col < 17; ++col)
      d.push_back({kGround, static_cast<float>(col * 64 - 32 + (row % 2) * 32), static_cast<float>(row * 16 - 96), 64,
                   128, 1 + (col + row) % 8, 64, 128, 255, 0xFFFFFF});
  for (int i = 0; i < 100; ++i) {
    const float x = static_cast<float>((i * 97) % 960), y = static_cast<float>((i * 53) % 640);
    switch (i % 5) {
      case 0: d.push_back({kHome, x - 64, y - 128, 192, 192, 1 + (n / 20 + i) % 4, 256, 256, 255, 0xFFFFFF}); break;
      case 1: d.push_back({kAltar, x, y - 96, 64, 128, 1 + (n / 20 + i) % 4, 128, 256, 255, 0xFFFFFF}); break;
      case 2: d.push_back({kGun, x - 32, y - 64, 128, 128, 1 + (n + i) % 32, 128, 128, 255, 0xFFFFFF}); break;
      case 3: d.push_back({kButton, x, y, 180, 75, 1 + i % 2, 256, 128, 255, 0xFFFFFF}); break;
      default: d.push_back({kGun, x - 32, y - 64, 128, 128, 0, 128, 128, 255, 0xFFFFFF}); break;
    }
  }
  d.push_back({kCorner, 0, 0, 90, 90, 1 + n % 2, 256, 256, 255, 0xFFFFFF});
  for (int u = 0; u < 300; ++u) {
    // Walking units at fractional positions that change every frame.
    const float x = static_cast<float>(std::fmod(u * 37.3 + n * 0.37, 1000.0));
    const float y = static_cast<float>(std::fmod(u * 23.9 + n * 0.19, 700.0)) + 40;
    const int frame = 1 + (n + u) % 32;
    d.push_back({kShadow, x, y, 64, 32, 0, 0, 0, 255, 0xFFFFFF});
    d.push_back({kBody, x, y - 98, 64, 128, frame, 64, 128, 255, 0xFFFFFF});
    d.push_back({kOverlay, x, y - 98, 64, 128, frame, 64, 128, 255, kPalette[u % 10]});
  }
  return d;
}

const char kText[] = "Lorem ipsum dolor sit amet, consectetur adipiscing elit, sed do eiusmod tempor incididunt ut la"
                     "bore et dolore magna aliqua. Ut enim ad minim veniam, quis nostrud exercitation ullamco laboris"
                     "nisi ut aliquip";

double Ms(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
  return std::chrono::duration<double, std::milli>(b - a).count();
}

// ---- the engine ----

struct EngineRun {
  OEHandle Tex[kCount] = {};
  OEHandle Font = 0;
  bool GroundFrames = false;
};

void EngineLoad(const Scene& s, EngineRun& r) {
  auto path = [&](Id id) { return s.Dir + "/" + s.Pictures[id].File; };
  for (int id = 0; id < kCount; ++id) {
    if (id == kGroundMask || id == kGround) continue;
    r.Tex[id] = Tex_LoadFromFile(path(static_cast<Id>(id)).c_str(), -1, 1);
  }
  Tex_LoadMaskFromFile(path(kGroundMask).c_str());
  r.Tex[kGround] = Tex_LoadFromFile(path(kGround).c_str(), -1, 330);
  // A 16×16-cell font: glyph c at cell c, 12 pixels wide.
  std::string ofi(omega::kOfiSize, '\0');
  ofi[0] = 16;
  for (int c = 0; c < 128; ++c) {
    const int16_t f[7] = {static_cast<int16_t>((c % 16) * 16), static_cast<int16_t>((c / 16) * 16), 14, 16, 0, 0, 12};
    for (int i = 0; i < 7; ++i) {
      ofi[1 + c * 14 + i * 2] = static_cast<char>(f[i] & 0xFF);
      ofi[2 + c * 14 + i * 2] = static_cast<char>(f[i] >> 8);
    }
  }
  FILE* out = std::fopen((s.Dir + "/font.ofi").c_str(), "wb");
  std::fwrite(ofi.data(), 1, ofi.size(), out);
  std::fclose(out);
  r.Font = Text_LoadFontFromFile(path(kFontPic).c_str(), (s.Dir + "/font.ofi").c_str(), 0, 394);
}

void EngineFrame(EngineRun& r, const std::vector<Draw>& frame) {
  omega::Clear(omega::E().Recorder.Frame, 0xFF000000u);
  for (const Draw& d : frame) {
    const OEHandle t = r.Tex[d.Texture];
    if (d.Frame == 0) {
      SSprite_Draw(t, d.X, d.Y, d.W, d.H, d.Alpha, 0, 1);
    } else {
      Tex_SetFramesSize(t, d.FrameW, d.FrameH);
      if (d.Tint != 0xFFFFFF) FX_SetColorMix(d.Tint);
      ASprite_Draw(t, d.X, d.Y, d.W, d.H, d.Frame, d.Alpha, 0, d.Tint != 0xFFFFFF ? 9 : 1);
    }
  }
  // 200 glyphs: ten lines of twenty letters.
  for (int line = 0; line < 10; ++line) {
    const std::string text(kText + line * 20, 20);
    Text_Draw(r.Font, 300, static_cast<float>(200 + line * 18), text.c_str(), 0.9f, 0, 255, 0x000000);
  }
  SSprite_Draw(r.Tex[kBlack], 0, 0, 1026, 770, 128, 0, 1);
}

// ---- plain SDL_Renderer, software, tint and scale at draw time ----

struct SdlRun {
  SDL_Surface* Target = nullptr;
  SDL_Renderer* Renderer = nullptr;
  SDL_Texture* Tex[kCount] = {};
};

void SdlLoad(const Scene& s, SdlRun& r) {
  r.Target = SDL_CreateRGBSurfaceWithFormat(0, 1024, 768, 32, SDL_PIXELFORMAT_ARGB8888);
  r.Renderer = SDL_CreateSoftwareRenderer(r.Target);
  for (int id = 0; id < kCount; ++id) {
    Picture p = s.Pictures[id];
    if (id == kGround)
      for (size_t i = 0; i < p.Px.size(); ++i) p.Px[i] = (p.Px[i] & 0xFFFFFFu) | ((s.Pictures[kGroundMask].Px[i] & 0xFF) << 24);
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(p.Px.data(), p.W, p.H, 32, p.W * 4, SDL_PIXELFORMAT_ARGB8888);
    r.Tex[id] = SDL_CreateTextureFromSurface(r.Renderer, surface);
    SDL_SetTextureBlendMode(r.Tex[id], SDL_BLENDMODE_BLEND);
    SDL_FreeSurface(surface);
  }
}

void SdlFrame(SdlRun& r, const std::vector<Draw>& frame) {
  SDL_SetRenderDrawColor(r.Renderer, 0, 0, 0, 255);
  SDL_RenderClear(r.Renderer);
  auto copy = [&](SDL_Texture* t, SDL_Rect src, bool whole, SDL_FRect dst, int alpha, uint32_t tint) {
    SDL_SetTextureColorMod(t, (tint >> 16) & 0xFF, (tint >> 8) & 0xFF, tint & 0xFF);
    SDL_SetTextureAlphaMod(t, static_cast<uint8_t>(alpha));
    SDL_RenderCopyF(r.Renderer, t, whole ? nullptr : &src, &dst);
  };
  for (const Draw& d : frame) {
    int w = 0, h = 0;
    SDL_QueryTexture(r.Tex[d.Texture], nullptr, nullptr, &w, &h);
    SDL_Rect src{0, 0, w, h};
    if (d.Frame != 0) {
      const int columns = w / d.FrameW, count = columns * (h / d.FrameH);
      const int index = (d.Frame - 1) % count;
      src = {(index % columns) * d.FrameW, (index / columns) * d.FrameH, d.FrameW, d.FrameH};
    }
    copy(r.Tex[d.Texture], src, d.Frame == 0, {d.X, d.Y, d.W, d.H}, d.Alpha, d.Tint);
  }
  for (int line = 0; line < 10; ++line)
    for (int i = 0; i < 20; ++i) {
      const int c = kText[line * 20 + i] & 0x7F;
      copy(r.Tex[kFontPic], {(c % 16) * 16, (c / 16) * 16, 14, 16}, false,
           {300 + i * 10.8f, 200.0f + line * 18, 12.6f, 14.4f}, 255, 0x000000);
    }
  copy(r.Tex[kBlack], {}, true, {0, 0, 1026, 770}, 128, 0xFFFFFF);
  SDL_RenderFlush(r.Renderer);
}

template <typename F>
double Measure(int frames, F&& drawFrame) {
  const auto start = std::chrono::steady_clock::now();
  for (int n = 0; n < frames; ++n) drawFrame(n);
  return Ms(start, std::chrono::steady_clock::now()) / frames;
}

// The machine is shared: the best of five batches is the figure least disturbed by other work.
struct Figures {
  double Best = 1e9, Median = 0;
};
template <typename F>
Figures MeasureBatches(int frames, F&& drawFrame) {
  std::vector<double> batches;
  for (int b = 0; b < 5; ++b) batches.push_back(Measure(std::max(1, frames / 5), drawFrame));
  std::sort(batches.begin(), batches.end());
  return Figures{batches.front(), batches[2]};
}

}  // namespace

int main(int argc, char** argv) {
  const int frames = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  const Scene scene = BuildPictures();
  std::vector<std::vector<Draw>> calls;
  for (int n = 0; n < 64; ++n) calls.push_back(BuildFrame(n));
  const size_t callCount = calls[0].size() + 10 * 20 + 1;

  EngineRun engine;
  EngineLoad(scene, engine);
  const auto coldStart = std::chrono::steady_clock::now();
  EngineFrame(engine, calls[0]);
  const double cold = Ms(coldStart, std::chrono::steady_clock::now());
  Measure(64, [&](int n) { EngineFrame(engine, calls[n % 64]); });  // every frame's scaled copies made
  const Figures engineMs = MeasureBatches(frames, [&](int n) { EngineFrame(engine, calls[n % 64]); });

  SdlRun sdl;
  SdlLoad(scene, sdl);
  Measure(8, [&](int n) { SdlFrame(sdl, calls[n % 64]); });
  const Figures sdlMs = MeasureBatches(frames, [&](int n) { SdlFrame(sdl, calls[n % 64]); });

  std::printf("frame of %zu draws (backdrop, 833 ground, 101 objects, 300 units x 3, 200 glyphs, fade), %d frames\n",
              callCount, frames);
  std::printf("ms per frame, best / median of 5 batches\n");
  std::printf("engine (cached scaled/tinted copies):   %7.2f / %7.2f  (first frame, cache cold: %.1f ms; cache %zu copies, %.1f MB)\n",
              engineMs.Best, engineMs.Median, cold, omega::E().Recorder.CachedEntries(),
              static_cast<double>(omega::E().Recorder.CachedPixels()) * 4 / (1 << 20));
  std::printf("plain SDL_Renderer software:            %7.2f / %7.2f\n", sdlMs.Best, sdlMs.Median);
  std::printf("ratio SDL / engine (best):              %7.2f\n", sdlMs.Best / engineMs.Best);
  std::filesystem::remove_all(scene.Dir);
  return 0;
}
