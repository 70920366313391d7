// The font's glyph table on any bytes: whatever it holds, measuring never reads outside the picture's
// records and widths stay finite.
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "omega/pictures/Font.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  // The first two bytes choose the picture's size, the rest is the table.
  if (size < 2) return 0;
  const int side = 1 + data[0] * 4 + data[1];
  const std::string bytes(reinterpret_cast<const char*>(data + 2), size - 2);
  const omega::FontTable table = omega::ParseOfi(bytes, side, side);
  std::string all(255, ' ');
  for (int c = 1; c < 256; ++c) all[static_cast<std::size_t>(c - 1)] = static_cast<char>(c);
  const float width = omega::TextWidth(table, all.c_str(), 1.5f, 2.0f);
  if (!std::isfinite(width) || width < 0.0f) std::abort();
  for (const omega::Glyph& g : table.Glyphs)
    if (g.Usable && (g.X < 0 || g.Y < 0 || g.W < 0 || g.H < 0 || g.X + g.W > side || g.Y + g.H > side)) std::abort();
  if (bytes.size() != omega::kOfiSize && table.LineHeight != 0) std::abort();
  return 0;
}
