// The desktop icon: a hut on a round medallion, drawn at each size rather than scaled, with bold
// shapes and few details so that it still reads as a hut at 48 pixels and less.
#include <cmath>
#include <cstdio>
#include <filesystem>

#include "Bake.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// Draws the icon on a 256×256 design grid.
void DrawIcon(cairo_t* cr) {
  const double c = 128, r = 120;
  // The medallion: a dusk sky over a green hill, inside a brass rim.
  cairo_arc(cr, c, c, r, 0, 2 * kPi);
  cairo_pattern_t* sky = cairo_pattern_create_linear(0, c - r, 0, c + r);
  AddStop(sky, 0, Hex(0x2B4A7A));
  AddStop(sky, 0.6, Hex(0xE0A060));
  AddStop(sky, 1, Hex(0xF0C078));
  cairo_set_source(cr, sky);
  cairo_fill(cr);
  cairo_pattern_destroy(sky);

  cairo_save(cr);
  cairo_arc(cr, c, c, r - 2, 0, 2 * kPi);
  cairo_clip(cr);
  // The sun behind the roof.
  cairo_arc(cr, 178, 96, 26, 0, 2 * kPi);
  SetColour(cr, Hex(0xFFE7A0));
  cairo_fill(cr);
  // The hill.
  cairo_move_to(cr, 0, 196);
  cairo_curve_to(cr, 70, 170, 180, 168, 256, 190);
  cairo_line_to(cr, 256, 256);
  cairo_line_to(cr, 0, 256);
  cairo_close_path(cr);
  SetColour(cr, Hex(0x4E8A3A));
  cairo_fill(cr);
  cairo_restore(cr);

  const Rgb line = Hex(0x2A1A10);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  // The walls: a round clay hut.
  cairo_move_to(cr, 74, 132);
  cairo_line_to(cr, 182, 132);
  cairo_line_to(cr, 178, 196);
  cairo_curve_to(cr, 150, 208, 106, 208, 78, 196);
  cairo_close_path(cr);
  cairo_pattern_t* wall = cairo_pattern_create_linear(74, 0, 182, 0);
  AddStop(wall, 0, Hex(0xD8B07A));
  AddStop(wall, 1, Hex(0x9A6A3C));
  cairo_set_source(cr, wall);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(wall);
  SetColour(cr, line);
  cairo_set_line_width(cr, 5);
  cairo_stroke(cr);
  // The door.
  cairo_move_to(cr, 114, 203);
  cairo_line_to(cr, 114, 166);
  cairo_arc(cr, 128, 166, 14, kPi, 2 * kPi);
  cairo_line_to(cr, 142, 203);
  cairo_close_path(cr);
  SetColour(cr, Hex(0x3A2414));
  cairo_fill(cr);
  // The thatched roof: a wide cone with an overhang.
  cairo_move_to(cr, 128, 46);
  cairo_line_to(cr, 200, 138);
  cairo_curve_to(cr, 160, 150, 96, 150, 56, 138);
  cairo_close_path(cr);
  cairo_pattern_t* straw = cairo_pattern_create_linear(56, 0, 200, 0);
  AddStop(straw, 0, Hex(0xF2CF58));
  AddStop(straw, 1, Hex(0xB07A22));
  cairo_set_source(cr, straw);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(straw);
  SetColour(cr, line);
  cairo_set_line_width(cr, 5);
  cairo_stroke(cr);
  // Two bands of thatch.
  cairo_set_line_width(cr, 3);
  for (double t : {0.45, 0.75}) {
    const double y = 46 + (138 - 46) * t;
    const double half = 72 * t;
    cairo_move_to(cr, 128 - half, y);
    cairo_curve_to(cr, 128 - half / 2, y + 8 * t, 128 + half / 2, y + 8 * t, 128 + half, y);
    SetColour(cr, Hex(0x8A5A18));
    cairo_stroke(cr);
  }

  // The rim last, over everything that reaches the edge.
  cairo_arc(cr, c, c, r - 4, 0, 2 * kPi);
  cairo_set_line_width(cr, 9);
  SetColour(cr, Hex(0xC8962E));
  cairo_stroke(cr);
  cairo_arc(cr, c, c, r, 0, 2 * kPi);
  cairo_set_line_width(cr, 2.5);
  SetColour(cr, line);
  cairo_stroke(cr);
}

}  // namespace

Image IconImage(int size) {
  cairo_surface_t* s = NewSurface(size, size);
  cairo_t* cr = cairo_create(s);
  cairo_scale(cr, size / 256.0, size / 256.0);
  DrawIcon(cr);
  cairo_destroy(cr);
  return TakeImage(s);
}

namespace {

void Put16(std::vector<uint8_t>& out, unsigned v) {
  out.push_back(static_cast<uint8_t>(v));
  out.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

// An icon image as Windows has always read it: a 32-bit bottom-up bitmap (its height counted twice,
// for the colour and the 1-bit mask after it) with straight alpha in BGRA order.
std::vector<uint8_t> IconBitmap(const Image& img) {
  std::vector<uint8_t> out;
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(img.w));
  Put32(out, static_cast<uint32_t>(img.h * 2));
  Put16(out, 1);
  Put16(out, 32);
  for (int i = 0; i < 6; ++i) Put32(out, 0);  // no compression; sizes and colours unused
  for (int y = img.h - 1; y >= 0; --y)
    for (int x = 0; x < img.w; ++x) {
      const uint8_t* p = &img.px[(static_cast<size_t>(y) * img.w + x) * 4];
      out.insert(out.end(), {p[2], p[1], p[0], p[3]});
    }
  // The mask: set where the picture is fully transparent; rows padded to 32 bits.
  const int rowBytes = (img.w + 31) / 32 * 4;
  for (int y = img.h - 1; y >= 0; --y) {
    std::vector<uint8_t> row(static_cast<size_t>(rowBytes), 0);
    for (int x = 0; x < img.w; ++x)
      if (img.px[(static_cast<size_t>(y) * img.w + x) * 4 + 3] == 0) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
    out.insert(out.end(), row.begin(), row.end());
  }
  return out;
}

}  // namespace

std::vector<uint8_t> IcoBytes(const std::vector<int>& sizes) {
  std::vector<std::vector<uint8_t>> images;
  for (int size : sizes) {
    // The large size as PNG, as Windows' own icons keep it (a bitmap would be 256 KB); the small
    // ones as bitmaps, which every reader of icons takes.
    images.push_back(size >= 256 ? PngBytes(IconImage(size)) : IconBitmap(IconImage(size)));
    if (images.back().empty()) return {};
  }
  std::vector<uint8_t> out;
  Put16(out, 0);
  Put16(out, 1);  // an icon, not a cursor
  Put16(out, static_cast<unsigned>(sizes.size()));
  uint32_t offset = static_cast<uint32_t>(6 + 16 * sizes.size());
  for (size_t i = 0; i < sizes.size(); ++i) {
    const uint8_t side = static_cast<uint8_t>(sizes[i] >= 256 ? 0 : sizes[i]);  // 0 stands for 256
    out.insert(out.end(), {side, side, 0, 0});
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, static_cast<uint32_t>(images[i].size()));
    Put32(out, offset);
    offset += static_cast<uint32_t>(images[i].size());
  }
  for (const auto& image : images) out.insert(out.end(), image.begin(), image.end());
  return out;
}

bool BakeIcons(const std::string& dir) {
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  for (int size : {128, 256})
    if (!WritePng(dir + "/zanoru-" + std::to_string(size) + ".png", IconImage(size))) return false;
  // The Windows program's icon, in the sizes Explorer, the taskbar and the title bar ask for.
  const std::vector<uint8_t> ico = IcoBytes({16, 24, 32, 48, 256});
  FILE* file = std::fopen((dir + "/zanoru.ico").c_str(), "wb");
  if (file == nullptr) return false;
  const bool written = !ico.empty() && std::fwrite(ico.data(), 1, ico.size(), file) == ico.size();
  return std::fclose(file) == 0 && written;
}
