// Replays frames recorded from the real game (OMEGA_TRACE) three ways, pinned to one core:
//   engine      the engine as the game runs it (recorded frames, kept leading layer, wide blending)
//   plain       the tests' plain drawing of the same calls (tests/support/PlainDrawing.h): each call
//               drawn at once from its part scaled and tinted while drawing, pixel by pixel
//   SDL         a plain SDL_Renderer software renderer that tints and scales at every draw
//   floor       only the work no drawing can avoid (Floor.h): the figure of merit is engine / floor
//
//   replay_bench <game folder> <label>=<trace> [<label>=<trace> ...]
// REPLAY_ONLY=engine times the engine alone (for profiles); REPLAY_ONLY=floor the engine and the floor in
// turn, three rounds, the best of each.
// REPLAY_BATCH=<frames> sets the length of a batch (60).
// Each trace gives its game-scene frames (tick 1000 on) and its menu frames (the frames before).
#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "bench/replay/Floor.h"
#include "tests/support/PlainDrawing.h"
#include "tests/support/TraceReplay.h"
#include "omega/draw/Bands.h"
#include "omega/Engine.h"

namespace {

using replay::Call;
using replay::Frame;
using replay::Op;

// ---- plain SDL_Renderer ----

struct SdlReplay {
  SDL_Surface* Target = nullptr;
  SDL_Renderer* Renderer = nullptr;
  std::map<int, SDL_Texture*> Textures;  // by trace number: pictures and fonts
  uint32_t Mix = 0xFFFFFF;
  const replay::EngineReplay* Engine = nullptr;

  SDL_Texture* Make(const omega::Image& picture) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<omega::Pixel*>(picture.Px.data()), picture.W,
                                                        picture.H, 32, picture.W * 4, SDL_PIXELFORMAT_ARGB8888);
    SDL_Texture* t = SDL_CreateTextureFromSurface(Renderer, s);
    SDL_SetTextureBlendMode(t, SDL_BLENDMODE_BLEND);
    SDL_FreeSurface(s);
    return t;
  }

  // The same pictures the engine decoded, uploaded once.
  void Load(const replay::EngineReplay& engine) {
    Engine = &engine;
    Target = SDL_CreateRGBSurfaceWithFormat(0, omega::kScreenW, omega::kScreenH, 32, SDL_PIXELFORMAT_ARGB8888);
    Renderer = SDL_CreateSoftwareRenderer(Target);
    for (size_t n = 1; n < engine.Handles.size(); ++n) {
      const OEHandle h = engine.Handles[n];
      if (const auto t = omega::E().Pictures.Textures.find(h); t != omega::E().Pictures.Textures.end())
        Textures[static_cast<int>(n)] = Make(plain::Rows(t->second->Picture));
      else if (const omega::Font* f = omega::FindFont(omega::E().Pictures, h))
        Textures[static_cast<int>(n)] = Make(plain::Rows(f->Picture));
    }
  }

  void Copy(SDL_Texture* t, const SDL_Rect& src, const SDL_FRect& dst, int alpha, uint32_t tint) {
    SDL_SetTextureColorMod(t, (tint >> 16) & 0xFF, (tint >> 8) & 0xFF, tint & 0xFF);
    SDL_SetTextureAlphaMod(t, static_cast<uint8_t>(std::clamp(alpha, 0, 255)));
    SDL_RenderCopyF(Renderer, t, &src, &dst);
  }

  void Draw(const Frame& frame) {
    SDL_SetRenderDrawColor(Renderer, 0, 0, 0, 255);
    SDL_RenderClear(Renderer);
    for (const Call& c : frame.Calls) {
      if (c.Kind == Op::ColourMix) Mix = c.Colour & 0xFFFFFF;
      if (c.Kind != Op::Sprite && c.Kind != Op::Animated && c.Kind != Op::Text) continue;
      const auto it = Textures.find(c.Handle);
      if (it == Textures.end()) continue;
      const OEHandle h = Engine->Handles[static_cast<size_t>(c.Handle)];
      if (c.Kind == Op::Text) {
        const omega::Font* font = omega::FindFont(omega::E().Pictures, h);
        float pen = c.X;
        for (const char* p = c.Info.c_str(); *p != '\0'; ++p) {
          const omega::Glyph& g = font->Table.Glyphs[static_cast<unsigned char>(*p)];
          if (g.Usable && g.W > 0)
            Copy(it->second, {g.X, g.Y, g.W, g.H},
                 {pen + g.Dx * c.Scale, c.Y + g.Dy * c.Scale, g.W * c.Scale, g.H * c.Scale}, c.Alpha, c.Colour);
          pen += (g.Usable ? g.Advance : 0) * c.Scale + c.Spacing;
        }
        continue;
      }
      const omega::Texture& t = *omega::E().Pictures.Textures.at(h);
      const omega::Rect r = c.Kind == Op::Sprite ? omega::Rect{0, 0, t.Picture.W, t.Picture.H}
                                                 : omega::FrameRect(t, c.Frame);
      Copy(it->second, {r.X, r.Y, r.W, r.H}, {c.X, c.Y, c.W, c.H}, c.Alpha, (c.Flags & 8) != 0 ? Mix : 0xFFFFFF);
    }
    SDL_RenderFlush(Renderer);
  }
};

// ---- timing ----

struct Figures {
  double Best = 0, Median = 0;  // ms per frame over batches that each draw every frame once
  double Cpu = 0;               // the process's CPU ms per frame in its least costly batch
};

double CpuMs() {
  timespec t{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

size_t BatchFrames() {
  const char* env = std::getenv("REPLAY_BATCH");
  const long n = env == nullptr ? 0 : std::strtol(env, nullptr, 10);
  return n > 0 ? static_cast<size_t>(n) : 60;
}

// draw(i) draws frame i of count.
template <typename F>
Figures Time(size_t count, F&& draw) {
  for (size_t i = 0; i < count; ++i) draw(i);  // warm: every scaled copy made, every page touched
  // Seven batches of 60 frames, taken in turn from the list: the best is the least disturbed by other
  // work on the machine. REPLAY_BATCH=<frames> makes them longer where the process clock is coarse
  // (Wine's moves in 10 ms steps: 0.17 ms per frame over 60 frames).
  const size_t batch = BatchFrames();
  // On a shared machine the CPU time, which leaves out the time other processes had the core, says
  // more about the work than the wall time (for one thread; two threads add up).
  std::vector<double> batches;
  double cpu = 1e9;
  size_t next = 0;
  for (int b = 0; b < 7; ++b) {
    const auto start = std::chrono::steady_clock::now();
    const double cpuStart = CpuMs();
    for (size_t k = 0; k < batch; ++k, next = (next + 1) % count) draw(next);
    const double ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    batches.push_back(ms / batch);
    cpu = std::min(cpu, (CpuMs() - cpuStart) / batch);
  }
  std::sort(batches.begin(), batches.end());
  return Figures{batches.front(), batches[batches.size() / 2], cpu};
}

uint64_t Hash(const std::vector<omega::Pixel>& px) {
  uint64_t h = 1469598103934665603ull;
  for (const omega::Pixel p : px) h = (h ^ p) * 1099511628211ull;
  return h;
}

// Whether every frame drawn by the engine, in two bands and on one thread, has the plain drawing's pixels.
bool SamePixels(const std::vector<const Frame*>& frames, replay::EngineReplay& engine) {
  const auto hashes = [&](bool plainToo, int threads) {
    const int before = omega::E().Bands.Threads();
    omega::E().Bands.SetThreads(threads);
    std::vector<uint64_t> out;
    plain::Frames oracle;
    for (const Frame* f : frames) {
      engine.Draw(*f);
      out.push_back(Hash(plainToo ? oracle.Frame(omega::E().Recorder.LastFrame()).Px : omega::E().Recorder.Frame.Px));
    }
    omega::E().Bands.SetThreads(before);
    return out;
  };
  const std::vector<uint64_t> plain = hashes(true, 1);
  return hashes(false, 2) == plain && hashes(false, 1) == plain;
}

// Whether the floor's frames are the engine's pixels: the floor must do the same drawing, only less
// of the work around it.
bool FloorMatches(const std::vector<const Frame*>& frames, replay::EngineReplay& engine, const replay::Floor& floor) {
  omega::Image target;
  target.W = omega::kScreenW;
  target.H = omega::kScreenH;
  target.Px.resize(static_cast<size_t>(target.W) * target.H);
  bool same = true;
  for (size_t i = 0; i < frames.size(); ++i) {
    engine.Draw(*frames[i]);
    floor.Draw(i, target);
    same = same && target.Px == omega::E().Recorder.Frame.Px;
  }
  return same;
}

void Report(const char* label, const char* scene, const std::vector<const Frame*>& frames,
            replay::EngineReplay& engine, SdlReplay& sdl) {
  if (frames.empty()) return;
  size_t calls = 0;
  for (const Frame* f : frames) calls += f->Calls.size();
  const auto drawEngine = [&](size_t i) { engine.Draw(*frames[i]); };
  const char* only = std::getenv("REPLAY_ONLY");
  const std::string paths = only == nullptr ? "" : only;
  if (paths == "engine") {
    // For profiling and quick comparisons: the engine's path alone.
    const Figures fast = Time(frames.size(), drawEngine);
    std::printf("%-8s %-5s %4zu frames | engine %6.3f (%6.3f), CPU %6.3f\n", label, scene, frames.size(), fast.Best,
                fast.Median, fast.Cpu);
    return;
  }
  if (paths == "floor") {
    // The engine beside its floor only, turn about.
    replay::Floor floor;
    floor.Prepare(frames, engine);
    omega::Image target = omega::E().Recorder.Frame;
    Figures fast{1e9, 0}, low{1e9, 0};
    for (int round = 0; round < 3; ++round) {
      const Figures f = Time(frames.size(), drawEngine);
      const Figures l = Time(frames.size(), [&](size_t i) { floor.Draw(i, target); });
      if (f.Best < fast.Best) fast = f;
      if (l.Best < low.Best) low = l;
      fast.Cpu = std::min(round == 0 ? 1e9 : fast.Cpu, f.Cpu);
      low.Cpu = std::min(round == 0 ? 1e9 : low.Cpu, l.Cpu);
    }
    std::printf("%-8s %-5s %4zu frames | engine %6.3f (%6.3f), CPU %6.3f | floor %6.3f (%6.3f), CPU %6.3f | "
                "engine/floor %4.2fx, CPU %4.2fx\n",
                label, scene, frames.size(), fast.Best, fast.Median, fast.Cpu, low.Best, low.Median, low.Cpu,
                fast.Best / low.Best, fast.Cpu / low.Cpu);
    return;
  }
  const bool same = SamePixels(frames, engine);
  replay::Floor floor;
  floor.Prepare(frames, engine);
  const bool floorSame = FloorMatches(frames, engine, floor);
  size_t blended = 0, layerCalls = 0;
  for (size_t i = 0; i < floor.Frames(); ++i) {
    blended += floor.PixelsBlended(i);
    layerCalls += floor.Prepared[i].LayerCalls;
  }
  omega::Image target;
  target.W = omega::kScreenW;
  target.H = omega::kScreenH;
  target.Px.resize(static_cast<size_t>(target.W) * target.H);
  const Figures fast = Time(frames.size(), drawEngine);
  const Figures low = Time(frames.size(), [&](size_t i) { floor.Draw(i, target); });
  // The plain drawing of each frame's calls as the engine recorded them (recorded once, beforehand).
  std::vector<std::vector<omega::FrameRecorder::DrawCall>> recorded;
  for (size_t i = 0; i < frames.size(); ++i) {
    drawEngine(i);
    recorded.push_back(omega::E().Recorder.LastFrame());
  }
  plain::Frames oracle;
  const Figures plain = Time(frames.size(), [&](size_t i) { oracle.Frame(recorded[i]); });
  const Figures naive = Time(frames.size(), [&](size_t i) { sdl.Draw(*frames[i]); });
  std::printf("%-8s %-5s %4zu frames, %5zu calls/frame (%zu in the layer), %zu pixels blended/frame | engine %6.3f (%6.3f) | "
              "floor %6.3f (%6.3f) | engine/floor %4.2fx (median %4.2fx) | plain %6.2f (%6.2f) | SDL %6.2f (%6.2f) | "
              "SDL/engine %5.1fx (median %5.1fx) | pixels %s, floor pixels %s\n",
              label, scene, frames.size(), calls / frames.size(), layerCalls / frames.size(), blended / frames.size(),
              fast.Best, fast.Median, low.Best, low.Median, fast.Best / low.Best, fast.Median / low.Median, plain.Best,
              plain.Median, naive.Best, naive.Median, naive.Best / fast.Best, naive.Median / fast.Median,
              same ? "identical" : "DIFFER", floorSame ? "identical" : "DIFFER");
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: replay_bench <game folder> <label>=<trace> ...\n");
    return 2;
  }
  const std::string folder = argv[1];
  std::printf("ms per frame, best (median) of 7 batches; writing one frame %.3f ms, copying one %.3f ms\n",
              replay::FillFrameMs(), replay::CopyFrameMs());
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    const size_t eq = arg.find('=');
    const std::string label = eq == std::string::npos ? arg : arg.substr(0, eq);
    const std::string file = eq == std::string::npos ? arg : arg.substr(eq + 1);
    replay::Trace trace;
    if (!replay::ReadTrace(file, trace)) {
      std::fprintf(stderr, "%s: cannot read\n", file.c_str());
      return 1;
    }
    if (chdir(folder.c_str()) != 0) {
      std::fprintf(stderr, "%s: no such folder\n", folder.c_str());
      return 1;
    }
    omega::ResetEngine();
    replay::EngineReplay engine;
    engine.Load(trace);
    SdlReplay sdl;
    sdl.Load(engine);
    std::vector<const Frame*> game, menu;
    for (const Frame& f : trace.Frames) {
      if (f.Tick >= 1000) game.push_back(&f);
      if (f.Tick < 1000) menu.push_back(&f);
    }
    Report(label.c_str(), "game", game, engine, sdl);
    Report(label.c_str(), "menu", menu, engine, sdl);
    std::printf("%-8s cache: %zu copies, %.1f MB of pixels, %.1f MB held\n", label.c_str(),
                omega::E().Recorder.CachedEntries(),
                static_cast<double>(omega::E().Recorder.CachedPixels()) * 4 / (1 << 20),
                static_cast<double>(omega::E().Recorder.CachedBytes()) / (1 << 20));
  }
  return 0;
}
