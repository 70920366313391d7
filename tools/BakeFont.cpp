// The game's one font: every Windows-1251 character the TrueType font has, rendered with FreeType
// into a white glyph picture whose alpha is the coverage, and the glyph table (.ofi) beside it.
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <stdexcept>
#include <string>

#include "Bake.h"
#include "base/Cp1251.h"

namespace {

struct Glyph {
  int x = 0, y = 0, w = 0, h = 0, dx = 0, dy = 0, advance = 0;
  std::vector<uint8_t> coverage;
};

// A button caption must fit a 180-pixel button with room to spare at scale 1.
constexpr int kWidestCaption = 154;
// Each glyph's rectangle takes in a transparent margin round its ink: a letter drawn many times its
// size is filtered from its ink out to nothing instead of ending in a hard edge where its ink touches
// the rectangle (filtering never reads past a rectangle). The gap between glyphs holds both margins.
constexpr int kAtlasWidth = 512, kMargin = 1, kPad = 2 * kMargin;

bool Drawable(unsigned b) { return b >= 0x20 && b != 0x7F && b != 0x98; }

int Advance(FT_Face face, unsigned b) {
  if (FT_Load_Char(face, cp1251::Decode(static_cast<unsigned char>(b)), FT_LOAD_DEFAULT)) return 0;
  return static_cast<int>(face->glyph->advance.x >> 6);
}

}  // namespace

void BakeFont(Baked& out, const std::string& fontFile) {
  FT_Library lib;
  if (FT_Init_FreeType(&lib)) throw std::runtime_error("FreeType does not start");
  FT_Face face;
  if (FT_New_Face(lib, fontFile.c_str(), 0, &face)) {
    std::fprintf(stderr, "zanoru_bake: cannot open the font %s\n", fontFile.c_str());
    std::exit(1);
  }
  // The largest size whose widest menu caption still fits its button.
  const std::string caption = "Сменить игрока"_cp;
  int px = 22;
  for (; px > 12; --px) {
    FT_Set_Pixel_Sizes(face, 0, px);
    int w = 0;
    for (unsigned char c : caption) w += Advance(face, c);
    if (w <= kWidestCaption) break;
  }
  const int lineHeight = std::clamp(static_cast<int>(std::lround(px * 1.4)), 24, 30);
  // Capitals sit centred in the line, so texts centred with the line height look centred.
  FT_Load_Char(face, U'Н', FT_LOAD_DEFAULT);
  const int capHeight = face->glyph->metrics.height >> 6;
  const int baseline = (lineHeight + capHeight + 1) / 2;

  Glyph glyphs[256];
  int penX = kPad, penY = kPad, rowH = 0;
  for (unsigned b = 0; b < 256; ++b) {
    if (!Drawable(b)) continue;
    const char32_t cp = cp1251::Decode(static_cast<unsigned char>(b));
    const FT_UInt index = FT_Get_Char_Index(face, cp);
    if (index == 0) continue;
    if (FT_Load_Glyph(face, index, FT_LOAD_RENDER)) continue;
    const FT_GlyphSlot g = face->glyph;
    Glyph& out1 = glyphs[b];
    out1.advance = static_cast<int>(g->advance.x >> 6);
    out1.w = static_cast<int>(g->bitmap.width);
    out1.h = static_cast<int>(g->bitmap.rows);
    if (out1.w == 0 || out1.h == 0) {
      out1.w = out1.h = 0;
      continue;
    }
    out1.dx = g->bitmap_left;
    out1.dy = baseline - g->bitmap_top;
    out1.coverage.resize(static_cast<size_t>(out1.w) * out1.h);
    for (int y = 0; y < out1.h; ++y)
      for (int x = 0; x < out1.w; ++x) out1.coverage[static_cast<size_t>(y) * out1.w + x] = g->bitmap.buffer[y * g->bitmap.pitch + x];
    if (penX + out1.w + kPad > kAtlasWidth) {
      penX = kPad;
      penY += rowH + kPad;
      rowH = 0;
    }
    out1.x = penX;
    out1.y = penY;
    penX += out1.w + kPad;
    rowH = std::max(rowH, out1.h);
  }
  int atlasH = 64;
  while (atlasH < penY + rowH + kPad) atlasH *= 2;

  Image atlas;
  atlas.w = kAtlasWidth;
  atlas.h = atlasH;
  atlas.px.assign(static_cast<size_t>(atlas.w) * atlas.h * 4, 255);
  for (size_t i = 3; i < atlas.px.size(); i += 4) atlas.px[i] = 0;
  for (const Glyph& g : glyphs)
    for (int y = 0; y < g.h; ++y)
      for (int x = 0; x < g.w; ++x)
        atlas.px[(static_cast<size_t>(g.y + y) * atlas.w + g.x + x) * 4 + 3] = g.coverage[static_cast<size_t>(y) * g.w + x];

  std::string table(1, static_cast<char>(lineHeight));
  for (const Glyph& g : glyphs) {
    // The ink with its margin; a glyph with no ink stays empty.
    const int m = g.w > 0 ? kMargin : 0;
    for (int v : {g.x - m, g.y - m, g.w + 2 * m, g.h + 2 * m, g.dx - m, g.dy - m, g.advance}) {
      table.push_back(static_cast<char>(v & 0xFF));
      table.push_back(static_cast<char>((v >> 8) & 0xFF));
    }
  }
  FT_Done_Face(face);
  FT_Done_FreeType(lib);

  out.files.push_back({"Font1.tga", OutFile::kTga, atlas, {}});
  AddText(out, "Font1.ofi", table);
  Image shown = atlas;  // dark ink on the sheet, so the white glyphs can be seen
  for (size_t i = 0; i < shown.px.size(); i += 4) shown.px[i] = shown.px[i + 1] = 0, shown.px[i + 2] = 0x60;
  out.sheet.push_back({shown, 0, 0});
}
