#include "omega/pictures/Font.h"

namespace omega {

namespace {

int16_t Le16(const std::string& b, size_t at) {
  return static_cast<int16_t>(static_cast<uint16_t>(static_cast<unsigned char>(b[at])) |
                              static_cast<uint16_t>(static_cast<unsigned char>(b[at + 1]) << 8));
}

}  // namespace

FontTable ParseOfi(const std::string& bytes, int picW, int picH) {
  FontTable table;
  if (bytes.size() != kOfiSize || picW <= 0 || picH <= 0) return table;
  table.LineHeight = static_cast<uint8_t>(bytes[0]);
  for (int code = 0; code < 256; ++code) {
    const size_t at = 1 + static_cast<size_t>(code) * 14;
    Glyph& g = table.Glyphs[code];
    g.X = Le16(bytes, at);
    g.Y = Le16(bytes, at + 2);
    g.W = Le16(bytes, at + 4);
    g.H = Le16(bytes, at + 6);
    g.Dx = Le16(bytes, at + 8);
    g.Dy = Le16(bytes, at + 10);
    g.Advance = Le16(bytes, at + 12);
    // Sums in int: int16 fields cannot overflow it.
    g.Usable = g.X >= 0 && g.Y >= 0 && g.W >= 0 && g.H >= 0 && g.Advance >= 0 && g.X + g.W <= picW &&
               g.Y + g.H <= picH;
  }
  return table;
}

float TextWidth(const FontTable& table, const char* text, float scale, float spacing) {
  return LayOutText(table, text, 0.0, scale, spacing, [](const Glyph&, double) {});
}

}  // namespace omega
