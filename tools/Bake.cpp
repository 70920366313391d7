// zanoru_bake: draws every picture, mask and the font of the game and writes them into a Data folder.
//   zanoru_bake --out <Data folder> --font <TrueType file> [--sheet <contact sheet.png>]
//               [--icons <folder>] [--threads N]
// The output is the same, byte for byte, on every run.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <thread>

#include "Bake.h"

// Cairo keeps a small pool of freed patterns that outlives our last surface; it is not ours to free.
extern "C" const char* __lsan_default_suppressions() { return "leak:libcairo.so\n"; }

void AddPlain(Baked& out, const std::string& path, const Image& img, int fw, int fh) {
  out.files.push_back({path, OutFile::kJpg, Opaque(img), {}});
  out.sheet.push_back({Opaque(img), fw, fh});
}

void AddMasked(Baked& out, const std::string& path, const std::string& mask, const Image& img, int fw,
               int fh) {
  Image colour = img;
  BleedColour(colour);
  out.files.push_back({path, OutFile::kJpg, colour, {}});
  out.files.push_back({mask, OutFile::kMaskJpg, img, {}});
  out.sheet.push_back({img, fw, fh});
}

void AddMask(Baked& out, const std::string& path, const Image& alphaSource) {
  out.files.push_back({path, OutFile::kMaskJpg, alphaSource, {}});
}

void AddTga(Baked& out, const std::string& path, const Image& img, int fw, int fh) {
  out.files.push_back({path, OutFile::kTga, img, {}});
  out.sheet.push_back({img, fw, fh});
}

void AddText(Baked& out, const std::string& path, const std::string& text) {
  out.files.push_back({path, OutFile::kText, {}, text});
}

static bool WriteOut(const std::filesystem::path& dir, const OutFile& f) {
  const std::string path = (dir / f.path).string();
  switch (f.kind) {
    case OutFile::kJpg: return WriteJpg(path, f.img, kPictureQuality);
    case OutFile::kMaskJpg: return WriteJpg(path, AlphaAsGrey(f.img), kMaskQuality);
    case OutFile::kTga: return WriteTga(path, f.img);
    case OutFile::kText: {
      FILE* file = std::fopen(path.c_str(), "wb");
      if (!file) return false;
      const bool ok = std::fwrite(f.text.data(), 1, f.text.size(), file) == f.text.size();
      return std::fclose(file) == 0 && ok;
    }
  }
  return false;
}

// Runs fn(0..count-1) on `threads` threads.
static void Parallel(int count, int threads, const std::function<void(int)>& fn) {
  std::atomic<int> next{0};
  auto worker = [&] {
    for (int i = next++; i < count; i = next++) fn(i);
  };
  std::vector<std::thread> pool;
  for (int t = 1; t < threads; ++t) pool.emplace_back(worker);
  worker();
  for (auto& t : pool) t.join();
}

// Every picture on a checkerboard, frames outlined, shown as the game would cut them.
static Image ContactSheet(const std::vector<SheetEntry>& entries) {
  constexpr int kWidth = 2048, kGap = 12;
  struct Placed {
    const SheetEntry* e;
    double scale;
    int x, y, w, h;
  };
  std::vector<Placed> placed;
  int x = kGap, y = kGap, rowH = 0;
  for (const auto& e : entries) {
    const double scale = std::min(1.0, 640.0 / std::max(e.shown.w, e.shown.h));
    const int w = static_cast<int>(std::lround(e.shown.w * scale));
    const int h = static_cast<int>(std::lround(e.shown.h * scale));
    if (x + w + kGap > kWidth) {
      x = kGap;
      y += rowH + kGap;
      rowH = 0;
    }
    placed.push_back({&e, scale, x, y, w, h});
    x += w + kGap;
    rowH = std::max(rowH, h);
  }
  const int height = y + rowH + kGap;
  cairo_surface_t* s = NewSurface(kWidth, height);
  cairo_t* cr = cairo_create(s);
  cairo_set_source_rgb(cr, 0.16, 0.16, 0.18);
  cairo_paint(cr);
  for (const auto& p : placed) {
    for (int cy = 0; cy < p.h; cy += 8)
      for (int cx = 0; cx < p.w; cx += 8) {
        const bool dark = ((cx / 8) + (cy / 8)) % 2;
        cairo_set_source_rgb(cr, dark ? 0.55 : 0.75, dark ? 0.55 : 0.75, dark ? 0.58 : 0.78);
        cairo_rectangle(cr, p.x + cx, p.y + cy, std::min(8, p.w - cx), std::min(8, p.h - cy));
        cairo_fill(cr);
      }
    // The picture as a premultiplied cairo surface.
    const Image& img = p.e->shown;
    cairo_surface_t* src = NewSurface(img.w, img.h);
    cairo_surface_flush(src);
    unsigned char* data = cairo_image_surface_get_data(src);
    const int stride = cairo_image_surface_get_stride(src);
    for (int py = 0; py < img.h; ++py)
      for (int px = 0; px < img.w; ++px) {
        const uint8_t* q = &img.px[(static_cast<size_t>(py) * img.w + px) * 4];
        const unsigned a = q[3];
        const uint32_t v = (a << 24) | ((q[0] * a / 255) << 16) | ((q[1] * a / 255) << 8) | (q[2] * a / 255);
        reinterpret_cast<uint32_t*>(data + static_cast<size_t>(py) * stride)[px] = v;
      }
    cairo_surface_mark_dirty(src);
    cairo_save(cr);
    cairo_translate(cr, p.x, p.y);
    cairo_scale(cr, p.scale, p.scale);
    cairo_set_source_surface(cr, src, 0, 0);
    cairo_paint(cr);
    cairo_restore(cr);
    cairo_surface_destroy(src);
    if (p.e->fw > 0) {
      cairo_set_source_rgba(cr, 1, 0.2, 0.6, 0.5);
      cairo_set_line_width(cr, 1);
      for (int fx = 0; fx < img.w; fx += p.e->fw)
        for (int fy = 0; fy < img.h; fy += p.e->fh)
          cairo_rectangle(cr, p.x + fx * p.scale + 0.5, p.y + fy * p.scale + 0.5, p.e->fw * p.scale,
                          p.e->fh * p.scale);
      cairo_stroke(cr);
    }
  }
  cairo_destroy(cr);
  return TakeImage(s);
}

int main(int argc, char** argv) {
  std::string outDir, fontFile, sheetFile, iconDir;
  int threads = static_cast<int>(std::max(1u, std::min(4u, std::thread::hardware_concurrency())));
  for (int i = 1; i + 1 < argc; i += 2) {
    if (!std::strcmp(argv[i], "--out")) outDir = argv[i + 1];
    else if (!std::strcmp(argv[i], "--font")) fontFile = argv[i + 1];
    else if (!std::strcmp(argv[i], "--sheet")) sheetFile = argv[i + 1];
    else if (!std::strcmp(argv[i], "--icons")) iconDir = argv[i + 1];
    else if (!std::strcmp(argv[i], "--threads")) threads = std::max(1, std::atoi(argv[i + 1]));
    else {
      std::fprintf(stderr, "zanoru_bake: unknown option %s\n", argv[i]);
      return 2;
    }
  }
  if (outDir.empty() || fontFile.empty()) {
    std::fprintf(stderr, "usage: zanoru_bake --out <Data folder> --font <font.ttf> [--sheet <png>] [--icons <folder>] [--threads N]\n");
    return 2;
  }
  const auto start = std::chrono::steady_clock::now();
  const std::filesystem::path dir(outDir);
  std::error_code ec;
  for (const char* sub : {"", "T", "Model"}) std::filesystem::create_directories(dir / sub, ec);

  // The slow jobs first, so the threads finish together.
  const std::vector<std::function<void(Baked&)>> jobs = {
      [](Baked& b) { BakeModels(b, 0); },
      [](Baked& b) { BakeModels(b, 1); },
      BakeGun, BakeMap1, BakeGround, BakeHome, BakeAltar, BakeMap2, BakePanel,
      [&](Baked& b) { BakeFont(b, fontFile); },
      BakeCursor, BakeBlacks, BakeButton, BakeCornerButton, BakeShadow,
  };
  std::vector<Baked> baked(jobs.size());
  Parallel(static_cast<int>(jobs.size()), threads, [&](int i) { jobs[i](baked[i]); });

  std::vector<const OutFile*> files;
  for (const auto& b : baked)
    for (const auto& f : b.files) files.push_back(&f);
  std::atomic<int> failed{0};
  Parallel(static_cast<int>(files.size()), threads, [&](int i) {
    if (!WriteOut(dir, *files[i])) {
      std::fprintf(stderr, "zanoru_bake: cannot write %s\n", (dir / files[i]->path).string().c_str());
      ++failed;
    }
  });
  if (failed) return 1;
  if (!sheetFile.empty()) {
    std::vector<SheetEntry> entries;
    for (auto& b : baked)
      for (auto& e : b.sheet) entries.push_back(std::move(e));
    if (!WritePng(sheetFile, ContactSheet(entries))) {
      std::fprintf(stderr, "zanoru_bake: cannot write %s\n", sheetFile.c_str());
      return 1;
    }
  }
  if (!iconDir.empty() && !BakeIcons(iconDir)) {
    std::fprintf(stderr, "zanoru_bake: cannot write the icons in %s\n", iconDir.c_str());
    return 1;
  }
  cairo_debug_reset_static_data();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("zanoru_bake: %zu files in %s (%.2f s, %d threads)\n", files.size(), outDir.c_str(), seconds,
              threads);
  return 0;
}
