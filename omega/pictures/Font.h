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

// The one layout of a line of text, for drawing it and measuring it alike: each character's glyph in
// turn with the pen's position, starting from x and moved on by the glyph's advance × scale (0 for an
// unusable glyph) plus the spacing. Returns the width the text covers: the advances × scale plus the
// spacing between consecutive characters (0 for no text).
template <class Place>
float LayOutText(const FontTable& table, const char* text, double x, float scale, float spacing, Place&& place) {
  if (text == nullptr) return 0.0f;
  const double s = scale;
  double pen = x;
  double advances = 0;
  int letters = 0;
  for (const char* p = text; *p != '\0'; ++p) {
    const Glyph& g = table.Glyphs[static_cast<unsigned char>(*p)];
    place(g, pen);
    const int advance = g.Usable ? g.Advance : 0;
    advances += advance;
    ++letters;
    pen += advance * s + spacing;
  }
  if (letters == 0) return 0.0f;
  return static_cast<float>(advances * s + static_cast<double>(spacing) * (letters - 1));
}

// The width alone.
float TextWidth(const FontTable& table, const char* text, float scale, float spacing);

}  // namespace omega
