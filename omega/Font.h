// Fonts: a glyph picture plus the glyph table (.ofi, docs/formats.md). The game reads the first byte
// the font handle points at as the line height, so Font starts with it.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

namespace omega {

struct Glyph {
  int16_t X = 0, Y = 0, W = 0, H = 0, Dx = 0, Dy = 0, Advance = 0;
  bool Usable = false;  // the record lies inside the picture: it draws (if not empty) and advances
};

constexpr size_t kOfiSize = 1 + 256 * 14;

struct FontTable {
  uint8_t LineHeight = 0;
  Glyph Glyphs[256];
};

// Reads a glyph table from raw bytes against a picture of picW×picH. Any bytes are accepted: a file of
// another size gives line height 0 and no usable glyph; a record whose rectangle is not inside the
// picture (or has a negative size or advance) is not usable.
FontTable ParseOfi(const std::string& bytes, int picW, int picH);

// Width a text covers at this scale and spacing: the glyphs' advances × scale (0 for an unusable
// glyph), plus spacing between consecutive characters.
float TextWidth(const FontTable& table, const char* text, float scale, float spacing);

}  // namespace omega
