// The cost of showing a changed frame in a window, per shown frame: the way the engine's window loop
// showed it before (software SDL_Renderer, a streaming 1024×768 texture filtered linearly, logical size
// 1024×768, the changed rows uploaded, the whole window cleared, copied and presented) against the way
// it shows it now (the engine scales the changed rows onto the window's surface and hands on only
// them). Windows at 1024×768 and full screen at the display's size; a band of changed rows and the
// whole frame. CPU time of this process and, when given, of the X server.
//   present_bench [ROWS]      (needs a display; ROWS: the changed band's height, default 96)
//   PRESENT_XSERVER_PID=<pid> also counts the X server's CPU time (Linux /proc)
#include <SDL.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "omega/window/Present.h"

namespace {

constexpr int kW = 1024, kH = 768;
constexpr int kFrames = 240;

double ProcessCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1000.0 + static_cast<double>(t.tv_nsec) / 1e6;
}

// The X server's user + system time in ms, or -1 (no pid given, or not Linux).
double ServerCpuMs() {
  const char* pid = std::getenv("PRESENT_XSERVER_PID");
  if (pid == nullptr) return -1;
  std::ifstream in(std::string("/proc/") + pid + "/stat");
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const size_t paren = text.rfind(')');
  if (paren == std::string::npos) return -1;
  std::vector<std::string> fields;
  size_t at = paren + 2;
  while (at < text.size()) {
    const size_t space = text.find(' ', at);
    fields.push_back(text.substr(at, space - at));
    if (space == std::string::npos) break;
    at = space + 1;
  }
  if (fields.size() < 13) return -1;
  return (std::atof(fields[11].c_str()) + std::atof(fields[12].c_str())) * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The frame changes in rows [top, top + rows) from one showing to the next.
void Change(std::vector<uint32_t>& frame, int n, int top, int rows) {
  for (int y = top; y < top + rows; ++y)
    for (int x = 0; x < kW; ++x) frame[static_cast<size_t>(y) * kW + x] = 0xFF000000u | (x * 977u + y * 131u + n * 7919u);
}

template <typename F>
void Measure(const char* label, F&& show) {
  for (int i = 0; i < 10; ++i) show(i);  // settled: surfaces made, caches warm
  const double cpu0 = ProcessCpuMs(), server0 = ServerCpuMs();
  const auto wall0 = std::chrono::steady_clock::now();
  for (int i = 0; i < kFrames; ++i) show(10 + i);
  const double wall = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - wall0).count();
  const double cpu = (ProcessCpuMs() - cpu0) / kFrames, server = ServerCpuMs();
  if (server0 >= 0 && server >= 0)
    std::printf("%-52s %7.3f ms CPU + X server %6.3f = %7.3f (wall %7.3f)\n", label, cpu, (server - server0) / kFrames,
                cpu + (server - server0) / kFrames, wall / kFrames);
  else
    std::printf("%-52s %7.3f ms CPU (wall %7.3f)\n", label, cpu, wall / kFrames);
  std::fflush(stdout);
}

SDL_Window* OpenWindow(bool full) {
  SDL_Window* w = SDL_CreateWindow("present", 0, 0, kW, kH, SDL_WINDOW_RESIZABLE);
  if (full) SDL_SetWindowFullscreen(w, SDL_WINDOW_FULLSCREEN_DESKTOP);
  // Let the window manager and server settle on the size.
  for (int i = 0; i < 50; ++i) {
    SDL_PumpEvents();
    SDL_Delay(10);
  }
  return w;
}

// Rows [top, top + rows) change every frame (a band moving down the picture), or all of them.
int BandTop(int n, int rows) { return rows >= kH ? 0 : (n * 37) % (kH - rows); }

void Before(bool full, int rows) {
  SDL_Window* w = OpenWindow(full);
  SDL_Renderer* r = SDL_CreateRenderer(w, -1, SDL_RENDERER_SOFTWARE);
  SDL_RenderSetLogicalSize(r, kW, kH);
  SDL_Texture* t = SDL_CreateTexture(r, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_STREAMING, kW, kH);
  SDL_SetTextureScaleMode(t, SDL_ScaleModeLinear);  // as the game's window set it
  std::vector<uint32_t> frame(static_cast<size_t>(kW) * kH, 0xFF000000u);
  int ww = 0, wh = 0;
  SDL_GetWindowSize(w, &ww, &wh);
  char label[96];
  std::snprintf(label, sizeof label, "before: renderer, %dx%d, %d rows changed", ww, wh, rows);
  Measure(label, [&](int n) {
    const int top = BandTop(n, rows);
    Change(frame, n, top, rows);
    const SDL_Rect band{0, top, kW, rows};
    SDL_UpdateTexture(t, &band, &frame[static_cast<size_t>(top) * kW], kW * 4);
    SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
    SDL_RenderClear(r);
    SDL_RenderCopy(r, t, nullptr, nullptr);
    SDL_RenderPresent(r);
  });
  SDL_DestroyTexture(t);
  SDL_DestroyRenderer(r);
  SDL_DestroyWindow(w);
}

void After(bool full, int rows) {
  SDL_Window* w = OpenWindow(full);
  omega::Presenter presenter;
  std::vector<uint32_t> frame(static_cast<size_t>(kW) * kH, 0xFF000000u);
  int ww = 0, wh = 0;
  SDL_GetWindowSize(w, &ww, &wh);
  char label[96];
  std::snprintf(label, sizeof label, "after: window surface, %dx%d, %d rows changed", ww, wh, rows);
  Measure(label, [&](int n) {
    const int top = BandTop(n, rows);
    Change(frame, n, top, rows);
    SDL_Surface* surface = SDL_GetWindowSurface(w);
    const omega::Shown shown = presenter.Draw(surface, frame.data(), kW, kH, omega::ChangeSet{{omega::Rect{0, top, kW, rows}}});
    if (shown.Whole)
      SDL_UpdateWindowSurface(w);
    else if (!shown.Rects.empty())
      SDL_UpdateWindowSurfaceRects(w, shown.Rects.data(), static_cast<int>(shown.Rects.size()));
  });
  SDL_DestroyWindow(w);
}

}  // namespace

int main(int argc, char** argv) {
  const int rows = std::clamp(argc > 1 ? std::atoi(argv[1]) : 96, 1, kH);
  SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "software");
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "no video: %s\n", SDL_GetError());
    return 1;
  }
  std::printf("per shown frame, mean of %d frames; the time to change the rows included\n", kFrames);
  for (const bool full : {false, true})
    for (const int band : {rows, kH}) {
      Before(full, band);
      After(full, band);
    }
  SDL_Quit();
  return 0;
}
