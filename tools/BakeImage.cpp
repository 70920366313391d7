#include "BakeImage.h"

#include <algorithm>
#include <cmath>

#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#include <stb/stb_image_write.h>

cairo_surface_t* NewSurface(int w, int h) {
  return cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
}

cairo_surface_t* DrawFrames(int fw, int fh, int cols, int count, const FrameFn& fn) {
  const int rows = (count + cols - 1) / cols;
  cairo_surface_t* s = NewSurface(fw * cols, fh * rows);
  cairo_t* cr = cairo_create(s);
  for (int f = 1; f <= count; ++f) {
    cairo_save(cr);
    cairo_translate(cr, ((f - 1) % cols) * fw, ((f - 1) / cols) * fh);
    cairo_rectangle(cr, 0, 0, fw, fh);
    cairo_clip(cr);
    fn(cr, f);
    cairo_restore(cr);
  }
  cairo_destroy(cr);
  return s;
}

Image TakeImage(cairo_surface_t* s) {
  cairo_surface_flush(s);
  Image img;
  img.w = cairo_image_surface_get_width(s);
  img.h = cairo_image_surface_get_height(s);
  img.px.resize(static_cast<size_t>(img.w) * img.h * 4);
  const int stride = cairo_image_surface_get_stride(s);
  const unsigned char* data = cairo_image_surface_get_data(s);
  for (int y = 0; y < img.h; ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
    for (int x = 0; x < img.w; ++x) {
      const uint32_t p = row[x];
      const unsigned a = p >> 24;
      unsigned r = (p >> 16) & 255, g = (p >> 8) & 255, b = p & 255;
      if (a > 0 && a < 255) {  // cairo keeps premultiplied colour
        r = std::min(255u, (r * 255 + a / 2) / a);
        g = std::min(255u, (g * 255 + a / 2) / a);
        b = std::min(255u, (b * 255 + a / 2) / a);
      }
      uint8_t* o = &img.px[(static_cast<size_t>(y) * img.w + x) * 4];
      o[0] = static_cast<uint8_t>(r);
      o[1] = static_cast<uint8_t>(g);
      o[2] = static_cast<uint8_t>(b);
      o[3] = static_cast<uint8_t>(a);
    }
  }
  cairo_surface_destroy(s);
  return img;
}

void BleedColour(Image& img) {
  const int w = img.w, h = img.h;
  const size_t n = static_cast<size_t>(w) * h;
  // Pixels under this alpha have too little colour precision left to trust.
  constexpr int kTrusted = 48;
  std::vector<uint8_t> known(n);
  double sum[3] = {0, 0, 0};
  size_t count = 0;
  for (size_t i = 0; i < n; ++i) {
    known[i] = img.px[i * 4 + 3] >= kTrusted;
    if (known[i]) {
      for (int c = 0; c < 3; ++c) sum[c] += img.px[i * 4 + c];
      ++count;
    }
  }
  std::vector<uint8_t> next = known;
  for (int pass = 0; pass < 12; ++pass) {
    bool changed = false;
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < w; ++x) {
        const size_t i = static_cast<size_t>(y) * w + x;
        if (known[i]) continue;
        int acc[3] = {0, 0, 0}, k = 0;
        for (int dy = -1; dy <= 1; ++dy) {
          for (int dx = -1; dx <= 1; ++dx) {
            const int nx = x + dx, ny = y + dy;
            if (nx < 0 || ny < 0 || nx >= w || ny >= h) continue;
            const size_t j = static_cast<size_t>(ny) * w + nx;
            if (!known[j]) continue;
            for (int c = 0; c < 3; ++c) acc[c] += img.px[j * 4 + c];
            ++k;
          }
        }
        if (k == 0) continue;
        for (int c = 0; c < 3; ++c) img.px[i * 4 + c] = static_cast<uint8_t>((acc[c] + k / 2) / k);
        next[i] = 1;
        changed = true;
      }
    }
    known = next;
    if (!changed) break;
  }
  for (size_t i = 0; i < n; ++i) {
    if (known[i]) continue;
    for (int c = 0; c < 3; ++c)
      img.px[i * 4 + c] = count ? static_cast<uint8_t>(std::lround(sum[c] / count)) : 0;
  }
}

Image AlphaAsGrey(const Image& img) {
  Image out = img;
  for (size_t i = 0; i < out.px.size(); i += 4) {
    const uint8_t a = img.px[i + 3];
    out.px[i] = out.px[i + 1] = out.px[i + 2] = a;
    out.px[i + 3] = 255;
  }
  return out;
}

Image Opaque(const Image& img) {
  Image out = img;
  for (size_t i = 3; i < out.px.size(); i += 4) out.px[i] = 255;
  return out;
}

static std::vector<uint8_t> Rgb3(const Image& img) {
  std::vector<uint8_t> rgb(static_cast<size_t>(img.w) * img.h * 3);
  for (size_t i = 0, j = 0; i < img.px.size(); i += 4, j += 3) {
    rgb[j] = img.px[i];
    rgb[j + 1] = img.px[i + 1];
    rgb[j + 2] = img.px[i + 2];
  }
  return rgb;
}

bool WriteJpg(const std::string& path, const Image& img, int quality) {
  const auto rgb = Rgb3(img);
  return stbi_write_jpg(path.c_str(), img.w, img.h, 3, rgb.data(), quality) != 0;
}

bool WriteTga(const std::string& path, const Image& img) {
  stbi_write_tga_with_rle = 0;  // plain 32-bit TGA: every reader takes it
  return stbi_write_tga(path.c_str(), img.w, img.h, 4, img.px.data()) != 0;
}

bool WritePng(const std::string& path, const Image& img) {
  return stbi_write_png(path.c_str(), img.w, img.h, 4, img.px.data(), img.w * 4) != 0;
}

std::vector<uint8_t> PngBytes(const Image& img) {
  std::vector<uint8_t> bytes;
  const auto append = [](void* to, void* data, int size) {
    auto* out = static_cast<std::vector<uint8_t>*>(to);
    out->insert(out->end(), static_cast<uint8_t*>(data), static_cast<uint8_t*>(data) + size);
  };
  if (stbi_write_png_to_func(append, &bytes, img.w, img.h, 4, img.px.data(), img.w * 4) == 0) bytes.clear();
  return bytes;
}

Rgb Hex(uint32_t rgb) {
  return {((rgb >> 16) & 255) / 255.0, ((rgb >> 8) & 255) / 255.0, (rgb & 255) / 255.0};
}

Rgb Mix(Rgb a, Rgb b, double t) {
  return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

Rgb Shade(Rgb c, double k) {
  if (k >= 1) return Mix(c, {1, 1, 1}, std::min(1.0, k - 1));
  return {c.r * k, c.g * k, c.b * k};
}

void SetColour(cairo_t* cr, Rgb c, double alpha) { cairo_set_source_rgba(cr, c.r, c.g, c.b, alpha); }

void AddStop(cairo_pattern_t* p, double at, Rgb c, double alpha) {
  cairo_pattern_add_color_stop_rgba(p, at, c.r, c.g, c.b, alpha);
}

void PaintPixels(cairo_surface_t* s, const std::function<Rgb(int x, int y)>& fn) {
  cairo_surface_flush(s);
  unsigned char* data = cairo_image_surface_get_data(s);
  const int stride = cairo_image_surface_get_stride(s);
  const int w = cairo_image_surface_get_width(s), h = cairo_image_surface_get_height(s);
  auto byte = [](double v) { return static_cast<uint32_t>(std::lround(Clamp01(v) * 255)); };
  for (int y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
    for (int x = 0; x < w; ++x) {
      const Rgb c = fn(x, y);
      row[x] = 0xFF000000u | (byte(c.r) << 16) | (byte(c.g) << 8) | byte(c.b);
    }
  }
  cairo_surface_mark_dirty(s);
}

double Clamp01(double x) { return x < 0 ? 0 : (x > 1 ? 1 : x); }

double SmoothStep(double edge0, double edge1, double x) {
  const double t = Clamp01((x - edge0) / (edge1 - edge0));
  return t * t * (3 - 2 * t);
}
