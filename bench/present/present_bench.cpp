// The cost of showing a changed frame in a window, the way the engine's window loop shows it (software
// SDL_Renderer, a streaming 1024×768 texture, logical size 1024×768): the whole frame uploaded, or only
// a band of changed rows, with the window at 1024×768 and at 1600×1200 (scaled while presenting); and,
// for comparison, a band put straight on the window's surface (no renderer, unscaled only).
//   present_bench [ROWS]      (needs a display; ROWS: the changed band's height, default 96)
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

constexpr int kW = 1024, kH = 768;

struct Figures {
  double Best = 0, Median = 0;
};

template <typename F>
Figures Time(F&& show) {
  std::vector<double> batches;
  for (int b = 0; b < 9; ++b) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < 20; ++i) show(b * 20 + i);
    batches.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / 20);
  }
  std::sort(batches.begin(), batches.end());
  return Figures{batches.front(), batches[batches.size() / 2]};
}

void Print(const char* what, Figures f) { std::printf("%-58s %7.3f (%7.3f) ms\n", what, f.Best, f.Median); }

// The frame changes in rows [top, top + rows) from one showing to the next.
void Change(std::vector<uint32_t>& frame, int n, int top, int rows) {
  for (int y = top; y < top + rows; ++y)
    for (int x = 0; x < kW; ++x) frame[static_cast<size_t>(y) * kW + x] = 0xFF000000u | (x * 977u + y * 131u + n * 7919u);
}

void MeasureRenderer(int windowW, int windowH, int rows) {
  SDL_Window* w = SDL_CreateWindow("present", 0, 0, windowW, windowH, 0);
  SDL_Renderer* r = SDL_CreateRenderer(w, -1, SDL_RENDERER_SOFTWARE);
  SDL_RenderSetLogicalSize(r, kW, kH);
  SDL_Texture* t = SDL_CreateTexture(r, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, kW, kH);
  std::vector<uint32_t> frame(static_cast<size_t>(kW) * kH, 0xFF000000u);
  auto present = [&] {
    SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
    SDL_RenderClear(r);
    SDL_RenderCopy(r, t, nullptr, nullptr);
    SDL_RenderPresent(r);
  };
  char label[96];
  std::snprintf(label, sizeof label, "renderer, window %dx%d, whole frame uploaded", windowW, windowH);
  Print(label, Time([&](int n) {
          Change(frame, n, 0, kH);
          SDL_UpdateTexture(t, nullptr, frame.data(), kW * 4);
          present();
        }));
  std::snprintf(label, sizeof label, "renderer, window %dx%d, %d changed rows uploaded", windowW, windowH, rows);
  Print(label, Time([&](int n) {
          const int top = (n * 37) % (kH - rows);
          Change(frame, n, top, rows);
          const SDL_Rect band{0, top, kW, rows};
          SDL_UpdateTexture(t, &band, &frame[static_cast<size_t>(top) * kW], kW * 4);
          present();
        }));
  std::snprintf(label, sizeof label, "renderer, window %dx%d, upload only (whole frame)", windowW, windowH);
  Print(label, Time([&](int n) {
          Change(frame, n, 0, 1);
          SDL_UpdateTexture(t, nullptr, frame.data(), kW * 4);
        }));
  SDL_DestroyTexture(t);
  SDL_DestroyRenderer(r);
  SDL_DestroyWindow(w);
}

void MeasureSurface(int rows) {
  SDL_Window* w = SDL_CreateWindow("present", 0, 0, kW, kH, 0);
  SDL_Surface* screen = SDL_GetWindowSurface(w);
  SDL_Surface* frameSurface =
      SDL_CreateRGBSurfaceWithFormat(0, kW, kH, 32, SDL_PIXELFORMAT_ARGB8888);
  std::vector<uint32_t> frame(static_cast<size_t>(kW) * kH, 0xFF000000u);
  auto put = [&](int top, int count) {
    SDL_LockSurface(frameSurface);
    for (int y = top; y < top + count; ++y)
      std::copy(&frame[static_cast<size_t>(y) * kW], &frame[static_cast<size_t>(y) * kW] + kW,
                reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(frameSurface->pixels) + y * frameSurface->pitch));
    SDL_UnlockSurface(frameSurface);
    SDL_Rect band{0, top, kW, count};
    SDL_BlitSurface(frameSurface, &band, screen, &band);
    SDL_UpdateWindowSurfaceRects(w, &band, 1);
  };
  Print("window surface, 1024x768, whole frame", Time([&](int n) {
          Change(frame, n, 0, kH);
          put(0, kH);
        }));
  char label[96];
  std::snprintf(label, sizeof label, "window surface, 1024x768, %d changed rows", rows);
  Print(label, Time([&](int n) {
          const int top = (n * 37) % (kH - rows);
          Change(frame, n, top, rows);
          put(top, rows);
        }));
  SDL_FreeSurface(frameSurface);
  SDL_DestroyWindow(w);
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = std::clamp(argc > 1 ? std::atoi(argv[1]) : 96, 1, kH - 1);
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "no video: %s\n", SDL_GetError());
    return 1;
  }
  std::printf("ms per shown frame, best (median) of 9 batches of 20; the time to change the rows included\n");
  MeasureRenderer(kW, kH, rows);
  MeasureRenderer(1600, 1200, rows);
  MeasureSurface(rows);
  SDL_Quit();
  return 0;
}
