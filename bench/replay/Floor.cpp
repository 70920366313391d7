#include "bench/replay/Floor.h"

#include <immintrin.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "omega/draw/Cpu.h"
#include "omega/Engine.h"

namespace replay {

namespace {

// A drawing call as the engine resolves it.
struct Resolved {
  const omega::Spans* Picture = nullptr;
  uint64_t Id = 0;
  omega::Rect From;
  int64_t X = 0, Y = 0, W = 0, H = 0;
  uint32_t Alpha = 255, Tint = omega::kNoTint;

  std::vector<uint64_t> Key() const {
    return {Id,
            static_cast<uint64_t>(From.X),
            static_cast<uint64_t>(From.Y),
            static_cast<uint64_t>(From.W),
            static_cast<uint64_t>(From.H),
            static_cast<uint64_t>(W),
            static_cast<uint64_t>(H),
            Tint,
            Alpha};
  }
};

void Resolve(const omega::Spans& picture, uint64_t id, omega::Rect from, double x, double y, double w, double h,
             int32_t alpha, uint32_t tint, std::vector<Resolved>& out) {
  if (alpha <= 0 || from.W <= 0 || from.H <= 0) return;
  Resolved r;
  if (!omega::RoundCoord(x, r.X) || !omega::RoundCoord(y, r.Y) || !omega::RoundCoord(w, r.W) ||
      !omega::RoundCoord(h, r.H))
    return;
  if (r.W <= 0 || r.H <= 0 || r.X >= omega::kScreenW || r.Y >= omega::kScreenH || r.X + r.W <= 0 || r.Y + r.H <= 0)
    return;
  r.Picture = &picture;
  r.Id = id;
  r.From = from;
  r.Alpha = alpha > 255 ? 255u : static_cast<uint32_t>(alpha);
  r.Tint = tint;
  out.push_back(r);
}

// Every call of a frame that draws, in order; `mix` carries the colour mix from frame to frame.
std::vector<Resolved> ResolveFrame(const Frame& frame, const EngineReplay& engine, uint32_t& mix) {
  std::vector<Resolved> out;
  for (const Call& c : frame.Calls) {
    if (c.Kind == Op::ColourMix) mix = c.Colour & 0xFFFFFF;
    if (c.Kind != Op::Sprite && c.Kind != Op::Animated && c.Kind != Op::Text) continue;
    if (c.Handle <= 0 || static_cast<size_t>(c.Handle) >= engine.Handles.size()) continue;
    const OEHandle h = engine.Handles[static_cast<size_t>(c.Handle)];
    if (c.Kind == Op::Text) {
      const omega::Font* font = omega::FindFont(omega::E().Pictures, h);
      if (font == nullptr) continue;
      const double s = c.Scale;
      double pen = c.X;
      for (const char* p = c.Info.c_str(); *p != '\0'; ++p) {
        const omega::Glyph& g = font->Table.Glyphs[static_cast<unsigned char>(*p)];
        if (g.Usable && g.W > 0 && g.H > 0)
          Resolve(font->Picture, font->Id, omega::Rect{g.X, g.Y, g.W, g.H}, pen + g.Dx * s, c.Y + g.Dy * s, g.W * s,
                  g.H * s, c.Alpha, c.Colour & 0xFFFFFFu, out);
        pen += (g.Usable ? g.Advance : 0) * s + c.Spacing;
      }
      continue;
    }
    const auto it = omega::E().Pictures.Textures.find(h);
    if (it == omega::E().Pictures.Textures.end()) continue;
    const omega::Texture& t = *it->second;
    const omega::Rect from =
        c.Kind == Op::Sprite ? omega::Rect{0, 0, t.Picture.W, t.Picture.H} : omega::FrameRect(t, c.Frame);
    Resolve(t.Picture, t.Id, from, c.X, c.Y, c.W, c.H, c.Alpha, (c.Flags & 8) != 0 ? mix : omega::kNoTint, out);
  }
  return out;
}

bool SameCall(const Resolved& a, const Resolved& b) { return a.Key() == b.Key() && a.X == b.X && a.Y == b.Y; }

// Opaque stretches shorter than this are blended with their neighbours rather than copied apart.
constexpr int kShortestCopy = 16;

std::unique_ptr<FloorSprite> MakeSprite(const Resolved& r) {
  omega::Image dense = omega::MakeScaled(*r.Picture, r.From, static_cast<int>(r.W), static_cast<int>(r.H), r.Tint);
  if (r.Alpha != 255)
    for (omega::Pixel& p : dense.Px) p = omega::Prepared(p, omega::kNoTint, r.Alpha);
  auto s = std::make_unique<FloorSprite>();
  s->W = dense.W;
  s->H = dense.H;
  s->RowRuns.push_back(0);
  for (int y = 0; y < dense.H; ++y) {
    const omega::Pixel* row = &dense.Px[static_cast<size_t>(y) * dense.W];
    int x = 0;
    while (x < dense.W) {
      if ((row[x] >> 24) == 0) {
        ++x;
        continue;
      }
      // [x, end) holds no hole as long as a vector step (blending through a short one costs less than
      // a run): opaque stretches long enough are copies, the rest blends.
      int end = x;
      for (;;) {
        while (end < dense.W && (row[end] >> 24) != 0) ++end;
        int holeEnd = end;
        while (holeEnd < dense.W && (row[holeEnd] >> 24) == 0) ++holeEnd;
        if (holeEnd >= dense.W || holeEnd - end >= omega::kShortestGap) break;
        end = holeEnd;
      }
      const auto add = [&](int from, int to, bool opaque) {
        if (to <= from) return;
        s->Runs.push_back({from, to - from, static_cast<uint32_t>(s->Pixels.size()), opaque});
        s->Pixels.insert(s->Pixels.end(), row + from, row + to);
      };
      int pending = x;  // where the blended run not yet added starts
      for (int k = x; k < end;) {
        if ((row[k] >> 24) != 255) {
          if (pending == k && (row[k] >> 24) == 0) ++pending;  // no blended run starts on a hole
          ++k;
          continue;
        }
        int opaqueEnd = k;
        while (opaqueEnd < end && (row[opaqueEnd] >> 24) == 255) ++opaqueEnd;
        if (opaqueEnd - k >= kShortestCopy) {
          add(pending, k, false);
          add(k, opaqueEnd, true);
          pending = opaqueEnd;
        }
        k = opaqueEnd;
      }
      add(pending, end, false);
      x = end;
    }
    s->RowRuns.push_back(static_cast<uint32_t>(s->Runs.size()));
  }
  return s;
}

// The engine's rule (omega/draw/Raster.h), 16 pixels a step and the last few in one masked step, as the
// engine's AVX-512 copy runs it. The vectors never leave the inlined body (-Wno-psabi in CMakeLists.txt).
inline __attribute__((always_inline)) void BlendRunBody(omega::Pixel* dst, const omega::Pixel* src, int n) {
  using L = omega::Lanes<16>;
  int i = 0;
  for (; i + 16 <= n; i += 16) L::Put(dst + i, omega::Over<16>(L::Get(src + i), L::Get(dst + i)));
  if (i < n) {
    L::Pixels s, d;
    omega::GetFirst(src + i, n - i, s);
    omega::GetFirst(dst + i, n - i, d);
    omega::PutFirst(dst + i, n - i, omega::Over<16>(s, d));
  }
}

__attribute__((target("avx512f,avx512bw,avx512vl"), flatten)) void BlendRun(omega::Pixel* dst, const omega::Pixel* src,
                                                                           int n) {
  BlendRunBody(dst, src, n);
}

void BlendPlain(omega::Pixel* dst, const omega::Pixel* src, int n) {
  for (int i = 0; i < n; ++i) dst[i] = omega::Blend(src[i], dst[i], omega::kNoTint, 255);
}

using BlendFn = void (*)(omega::Pixel*, const omega::Pixel*, int);

BlendFn PickBlend() { return omega::Processor() == omega::Wide::Avx512 ? BlendRun : BlendPlain; }

const BlendFn gBlend = PickBlend();

void Place(omega::Image& target, const FloorSprite& s, int64_t x, int64_t y) {
  const int64_t y0 = std::max<int64_t>(0, -y), y1 = std::min<int64_t>(s.H, target.H - y);
  for (int64_t row = y0; row < y1; ++row) {
    omega::Pixel* line = &target.Px[static_cast<size_t>(y + row) * target.W];
    for (uint32_t r = s.RowRuns[row]; r < s.RowRuns[row + 1]; ++r) {
      const FloorSprite::Run& run = s.Runs[r];
      int64_t a = x + run.X, b = a + run.Len;
      const omega::Pixel* src = &s.Pixels[run.Offset];
      if (a < 0) {
        src -= a;
        a = 0;
      }
      b = std::min<int64_t>(b, target.W);
      if (a >= b) continue;
      if (run.Opaque)
        std::memcpy(line + a, src, static_cast<size_t>(b - a) * sizeof(omega::Pixel));
      else
        gBlend(line + a, src, static_cast<int>(b - a));
    }
  }
}

}  // namespace

void Floor::Prepare(const std::vector<const Frame*>& frames, const EngineReplay& engine) {
  uint32_t mix = omega::kNoTint;
  std::vector<std::vector<Resolved>> resolved;
  for (const Frame* f : frames) resolved.push_back(ResolveFrame(*f, engine, mix));
  auto sprite = [&](const Resolved& r) {
    auto& slot = Sprites[r.Key()];
    if (!slot) slot = MakeSprite(r);
    return slot.get();
  };
  std::map<std::vector<uint64_t>, const std::vector<omega::Pixel>*> layers;  // by the layer's calls
  Prepared.clear();
  for (size_t i = 0; i < resolved.size(); ++i) {
    const std::vector<Resolved>& now = resolved[i];
    const std::vector<Resolved>& before = resolved[(i + resolved.size() - 1) % resolved.size()];
    size_t same = 0;
    while (same < now.size() && same < before.size() && SameCall(now[same], before[same])) ++same;
    std::vector<uint64_t> layerKey;
    for (size_t k = 0; k < same; ++k) {
      const std::vector<uint64_t> key = now[k].Key();
      layerKey.insert(layerKey.end(), key.begin(), key.end());
      layerKey.push_back(static_cast<uint64_t>(now[k].X));
      layerKey.push_back(static_cast<uint64_t>(now[k].Y));
    }
    FloorFrame out;
    out.LayerCalls = same;
    auto& layer = layers[layerKey];
    if (layer == nullptr) {
      omega::Image image;
      image.W = omega::kScreenW;
      image.H = omega::kScreenH;
      image.Px.assign(static_cast<size_t>(image.W) * image.H, 0xFF000000u);
      for (size_t k = 0; k < same; ++k) Place(image, *sprite(now[k]), now[k].X, now[k].Y);
      Layers.push_back(std::make_unique<std::vector<omega::Pixel>>(std::move(image.Px)));
      layer = Layers.back().get();
    }
    out.Layer = layer;
    for (size_t k = same; k < now.size(); ++k) out.Places.push_back({sprite(now[k]), now[k].X, now[k].Y});
    Prepared.push_back(std::move(out));
  }
}

void Floor::Draw(size_t i, omega::Image& target) const {
  const FloorFrame& f = Prepared[i];
  std::memcpy(target.Px.data(), f.Layer->data(), f.Layer->size() * sizeof(omega::Pixel));
  for (const FloorPlace& p : f.Places) Place(target, *p.Sprite, p.X, p.Y);
}

size_t Floor::PixelsBlended(size_t i) const {
  size_t n = 0;
  for (const FloorPlace& p : Prepared[i].Places) {
    const FloorSprite& s = *p.Sprite;
    for (int64_t row = std::max<int64_t>(0, -p.Y); row < std::min<int64_t>(s.H, omega::kScreenH - p.Y); ++row)
      for (uint32_t r = s.RowRuns[row]; r < s.RowRuns[row + 1]; ++r) {
        const int64_t a = std::max<int64_t>(0, p.X + s.Runs[r].X);
        const int64_t b = std::min<int64_t>(omega::kScreenW, p.X + s.Runs[r].X + s.Runs[r].Len);
        n += static_cast<size_t>(std::max<int64_t>(0, b - a));
      }
  }
  return n;
}

namespace {

template <typename F>
double BestMs(F&& work) {
  double best = 1e9;
  for (int i = 0; i < 200; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    best = std::min(best,
                    std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
  }
  return best;
}

constexpr size_t kFramePixels = size_t{omega::kScreenW} * omega::kScreenH;

}  // namespace

double FillFrameMs() {
  std::vector<omega::Pixel> frame(kFramePixels, 1);
  const double ms = BestMs([&] { std::fill(frame.begin(), frame.end(), 0xFF000000u); });
  asm volatile("" : : "r"(frame.data()) : "memory");
  return ms;
}

double CopyFrameMs() {
  std::vector<omega::Pixel> from(kFramePixels, 2), to(kFramePixels, 1);
  const double ms = BestMs([&] { std::memcpy(to.data(), from.data(), kFramePixels * sizeof(omega::Pixel)); });
  asm volatile("" : : "r"(to.data()) : "memory");
  return ms;
}

}  // namespace replay
