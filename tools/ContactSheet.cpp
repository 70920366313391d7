// zanoru_contact_sheet: puts screenshots side by side, scaled down, each with its file name, so that a
// whole tour can be looked at in one picture.
//   zanoru_contact_sheet <sheet.png> <shot.png>...
#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#include <stb/stb_image.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb/stb_image_write.h>
#include <stb/stb_easy_font.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace {

constexpr int kColumns = 4;
constexpr int kTileW = 256, kTileH = 192;  // a quarter of the game's screen
constexpr int kGap = 12;
constexpr int kLabelH = 30;
constexpr int kLabelScale = 2;
constexpr uint8_t kBackground[3] = {36, 38, 44};
constexpr uint8_t kInk[3] = {230, 230, 220};

struct Sheet {
  int W = 0, H = 0;
  std::vector<uint8_t> Px;  // RGB rows
  void Fill(int x0, int y0, int x1, int y1, const uint8_t* rgb) {
    x0 = std::max(x0, 0), y0 = std::max(y0, 0), x1 = std::min(x1, W), y1 = std::min(y1, H);
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) std::copy(rgb, rgb + 3, &Px[(static_cast<size_t>(y) * W + x) * 3]);
  }
};

// Scales the picture (RGB) into the w×h box at (x, y), keeping its shape, each sheet pixel the average
// of the picture's pixels under it.
void PutScaled(Sheet& sheet, const uint8_t* src, int sw, int sh, int x, int y, int w, int h) {
  const double scale = std::min(static_cast<double>(w) / sw, static_cast<double>(h) / sh);
  const int dw = std::max(1, static_cast<int>(sw * scale)), dh = std::max(1, static_cast<int>(sh * scale));
  x += (w - dw) / 2;
  y += (h - dh) / 2;
  for (int dy = 0; dy < dh; ++dy) {
    const int sy0 = dy * sh / dh, sy1 = std::max(sy0 + 1, (dy + 1) * sh / dh);
    for (int dx = 0; dx < dw; ++dx) {
      const int sx0 = dx * sw / dw, sx1 = std::max(sx0 + 1, (dx + 1) * sw / dw);
      uint64_t sum[3] = {0, 0, 0};
      for (int sy = sy0; sy < sy1; ++sy)
        for (int sx = sx0; sx < sx1; ++sx)
          for (int c = 0; c < 3; ++c) sum[c] += src[(static_cast<size_t>(sy) * sw + sx) * 3 + c];
      const uint64_t n = static_cast<uint64_t>(sy1 - sy0) * (sx1 - sx0);
      uint8_t* out = &sheet.Px[(static_cast<size_t>(y + dy) * sheet.W + x + dx) * 3];
      for (int c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>((sum[c] + n / 2) / n);
    }
  }
}

// Writes the text with stb's small quad font, `kLabelScale` times its size, centred under a tile.
void PutLabel(Sheet& sheet, const std::string& text, int x, int y, int w) {
  std::vector<char> buffer(text.size() * 300 + 1000);
  std::string copy = text;
  const int quads = stb_easy_font_print(0, 0, copy.data(), nullptr, buffer.data(), static_cast<int>(buffer.size()));
  const int textW = stb_easy_font_width(copy.data()) * kLabelScale;
  const int left = x + std::max(0, (w - textW) / 2);
  struct Vertex {
    float X, Y, Z;
    uint8_t Colour[4];
  };
  const auto* v = reinterpret_cast<const Vertex*>(buffer.data());
  for (int q = 0; q < quads; ++q) {
    const Vertex& a = v[q * 4];
    const Vertex& b = v[q * 4 + 2];
    sheet.Fill(left + static_cast<int>(a.X) * kLabelScale, y + static_cast<int>(a.Y) * kLabelScale,
               left + static_cast<int>(b.X) * kLabelScale, y + static_cast<int>(b.Y) * kLabelScale, kInk);
  }
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: zanoru_contact_sheet <sheet.png> <shot.png>...\n");
    return 2;
  }
  const int count = argc - 2;
  const int columns = std::min(count, kColumns);
  const int rows = (count + columns - 1) / columns;
  Sheet sheet;
  sheet.W = kGap + columns * (kTileW + kGap);
  sheet.H = kGap + rows * (kTileH + kLabelH + kGap);
  sheet.Px.resize(static_cast<size_t>(sheet.W) * sheet.H * 3);
  sheet.Fill(0, 0, sheet.W, sheet.H, kBackground);

  for (int i = 0; i < count; ++i) {
    const char* file = argv[i + 2];
    const int x = kGap + (i % columns) * (kTileW + kGap);
    const int y = kGap + (i / columns) * (kTileH + kLabelH + kGap);
    int w = 0, h = 0, channels = 0;
    uint8_t* px = stbi_load(file, &w, &h, &channels, 3);
    if (px == nullptr) {
      std::fprintf(stderr, "zanoru_contact_sheet: cannot read %s: %s\n", file, stbi_failure_reason());
      return 1;
    }
    PutScaled(sheet, px, w, h, x, y, kTileW, kTileH);
    stbi_image_free(px);
    PutLabel(sheet, std::filesystem::path(file).stem().string(), x, y + kTileH + 6, kTileW);
  }
  if (stbi_write_png(argv[1], sheet.W, sheet.H, 3, sheet.Px.data(), sheet.W * 3) == 0) {
    std::fprintf(stderr, "zanoru_contact_sheet: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
