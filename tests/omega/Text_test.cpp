#include <cstring>
#include <utility>
#include <vector>

#include "base/Cp1251.h"
#include "tests/omega/support/EngineFixture.h"

using omega::FontTable;
using omega::ParseOfi;

namespace {

struct Record { int16_t x, y, w, h, dx, dy, advance; };

std::string Ofi(uint8_t lineHeight, const std::vector<std::pair<unsigned char, Record>>& glyphs) {
  std::string bytes(omega::kOfiSize, '\0');
  bytes[0] = static_cast<char>(lineHeight);
  for (const auto& [code, r] : glyphs) {
    const int16_t fields[7] = {r.x, r.y, r.w, r.h, r.dx, r.dy, r.advance};
    for (int i = 0; i < 7; ++i) {
      bytes[1 + code * 14 + i * 2] = static_cast<char>(fields[i] & 0xFF);
      bytes[2 + code * 14 + i * 2] = static_cast<char>((fields[i] >> 8) & 0xFF);
    }
  }
  return bytes;
}

}  // namespace

TEST(GlyphTable, ReadsEveryFieldOfAValidTable) {
  const FontTable t = ParseOfi(Ofi(17, {{'A', {1, 2, 3, 4, -5, 6, 7}}}), 16, 16);
  EXPECT_EQ(t.LineHeight, 17);
  const omega::Glyph& g = t.Glyphs[unsigned{'A'}];
  EXPECT_TRUE(g.Usable);
  EXPECT_EQ(g.X, 1);
  EXPECT_EQ(g.Y, 2);
  EXPECT_EQ(g.W, 3);
  EXPECT_EQ(g.H, 4);
  EXPECT_EQ(g.Dx, -5);
  EXPECT_EQ(g.Dy, 6);
  EXPECT_EQ(g.Advance, 7);
}

TEST(GlyphTable, AFileOfAnotherSizeIsNoFont) {
  const std::string valid = Ofi(17, {{'A', {0, 0, 4, 4, 0, 0, 5}}});
  struct Case { std::string bytes; const char* what; };
  for (const Case& c : {Case{valid.substr(0, valid.size() - 1), "one byte short"}, Case{valid + "x", "one byte long"},
                        Case{"", "empty"}, Case{std::string(1, '\x11'), "only the height"}}) {
    const FontTable t = ParseOfi(c.bytes, 16, 16);
    EXPECT_EQ(t.LineHeight, 0) << c.what;
    EXPECT_FALSE(t.Glyphs[unsigned{'A'}].Usable) << c.what;
    EXPECT_EQ(omega::TextWidth(t, "AAA", 1, 0), 0.0f) << c.what;
  }
}

TEST(GlyphTable, RecordsOutsideThePictureAreNotUsable) {
  struct Case { Record r; bool usable; const char* what; };
  for (const Case& c : {Case{{0, 0, 16, 16, 0, 0, 1}, true, "the whole picture"},
                        Case{{12, 12, 4, 4, 0, 0, 1}, true, "touching the far corner"},
                        Case{{0, 0, 0, 0, 0, 0, 5}, true, "empty (a space)"},
                        Case{{13, 0, 4, 4, 0, 0, 1}, false, "one column past the right edge"},
                        Case{{0, 13, 4, 4, 0, 0, 1}, false, "one row past the bottom"},
                        Case{{-1, 0, 4, 4, 0, 0, 1}, false, "negative x"},
                        Case{{0, 0, -4, 4, 0, 0, 1}, false, "negative width"},
                        Case{{32767, 32767, 32767, 32767, 0, 0, 1}, false, "largest values"},
                        Case{{0, 0, 4, 4, 0, 0, -3}, false, "negative advance"}}) {
    const FontTable t = ParseOfi(Ofi(10, {{'Q', c.r}}), 16, 16);
    EXPECT_EQ(t.Glyphs[unsigned{'Q'}].Usable, c.usable) << c.what;
    EXPECT_EQ(t.LineHeight, 10) << c.what;
  }
}

class Text : public EngineTest {
 protected:
  // A 16×8 glyph picture, all white and opaque: 'A' is 4 wide (advance 4), 'B' 6 wide (advance 6),
  // space advances 3 and draws nothing; 'Я' (Windows-1251 0xDF) reuses A's rectangle.
  OEHandle MakeFont() {
    omega_test::WriteTga("font.tga", 16, 8, std::vector<uint32_t>(16 * 8, 0xFFFFFFFFu));
    omega_test::WriteFile("font.ofi", Ofi(8, {{'A', {0, 0, 4, 8, 0, 0, 4}},
                                              {'B', {4, 0, 6, 8, 0, 0, 6}},
                                              {' ', {0, 0, 0, 0, 0, 0, 3}},
                                              {0xDF, {0, 0, 4, 8, 0, 0, 4}}}));
    return Text_LoadFontFromFile("font.tga", "font.ofi", 0, 394);
  }
  // The lit columns of row `y` between 0 and 200.
  static std::string Columns(int y) {
    std::string s;
    for (int x = 0; x < 200; ++x) s += At(x, y) != 0 ? '#' : '.';
    return s.substr(0, s.find_last_of('#') + 1);
  }
};

TEST_F(Text, HandlePointsAtTheLineHeight) {
  const OEHandle f = MakeFont();
  ASSERT_NE(f, 0u);
  EXPECT_EQ(*reinterpret_cast<const uint8_t*>(f), 8);
}

TEST_F(Text, AFailedFontIsStillReadableAndEmpty) {
  const OEHandle f = Text_LoadFontFromFile("none.tga", "none.ofi", 0, 394);
  ASSERT_NE(f, 0u);
  EXPECT_EQ(*reinterpret_cast<const uint8_t*>(f), 0);
  EXPECT_EQ(Text_GetWidth(f, "AB", 1, 0), 0.0f);
  Text_Draw(f, 0, 0, "AB", 1, 0, 255, 0xFFFFFF);
  EXPECT_EQ(Columns(0), "");
}

TEST_F(Text, WidthIsExactlyWhatIsDrawnWithSpacing) {
  const OEHandle f = MakeFont();
  struct Case { const char* text; float scale, spacing; std::string lit; };
  for (const Case& c : {Case{"AB", 1, 0, "##########"},
                        Case{"ABA", 1, 2, "####..######..####"},
                        Case{"A A", 1, 1, "####.....####"},
                        Case{"AB", 2, 0, "####################"},
                        Case{"\xDF", 1, 5, "####"}}) {
    ClearFrame();
    Text_Draw(f, 10, 0, c.text, c.scale, c.spacing, 255, 0xFFFFFF);
    const float width = Text_GetWidth(f, c.text, c.scale, c.spacing);
    EXPECT_EQ(Columns(4), std::string(10, '.') + c.lit) << '"' << c.text << "\" scale " << c.scale;
    EXPECT_EQ(width, static_cast<float>(c.lit.size())) << '"' << c.text << "\" scale " << c.scale;
  }
  EXPECT_EQ(Text_GetWidth(f, "", 1, 7), 0.0f);
  EXPECT_EQ(Text_GetWidth(f, "AB", 0.9f, 0), 9.0f);
}

TEST_F(Text, TopLeftIsThePositionAndTheColourTints) {
  const OEHandle f = MakeFont();
  Text_Draw(f, 20, 30, "A", 1, 0, 255, 0x12345678u);  // bits above the colour are ignored
  EXPECT_PIXEL(19, 30, 0x000000u);
  EXPECT_PIXEL(20, 29, 0x000000u);
  EXPECT_PIXEL(20, 30, 0x345678u);
  EXPECT_PIXEL(23, 37, 0x345678u);
  EXPECT_PIXEL(24, 37, 0x000000u);
  EXPECT_PIXEL(20, 38, 0x000000u);
  Text_Draw(f, 40, 30, "A", 1, 0, 0, 0xFFFFFF);  // alpha 0
  EXPECT_PIXEL(40, 30, 0x000000u);
}

TEST_F(Text, LongTextsAndUnknownCharactersAreSafe) {
  const OEHandle f = MakeFont();
  std::string all;
  for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
  Text_Draw(f, 1000, 760, all.c_str(), 3, 1, 255, 0xFFFFFF);
  // Every code advances the pen by spacing; only A, B, space and 0xDF have advances.
  EXPECT_EQ(Text_GetWidth(f, all.c_str(), 1, 1), 4 + 6 + 3 + 4 + 254.0f);
  Text_Draw(f, 0, 0, nullptr, 1, 0, 255, 0xFFFFFF);
  EXPECT_EQ(Text_GetWidth(f, nullptr, 1, 0), 0.0f);
}

TEST_F(Text, IntegerTextLivesInTheEngine) {
  EXPECT_STREQ(U_IntToStr(0), "0");
  EXPECT_STREQ(U_IntToStr(-2147483647 - 1), "-2147483648");
  EXPECT_STREQ(U_IntToStr(83), "83");
}

// Drawing and measuring share one layout: every character, usable or not, is placed in turn where the
// pen stands, and the width is the pens' travel less the spacing after the last character.
TEST(TextLayout, EachCharacterInTurnAtThePenAndTheWidthOfTheSameWalk) {
  const FontTable t = ParseOfi(Ofi(10, {{'A', {0, 0, 4, 4, 1, 0, 5}}, {'B', {4, 0, 4, 4, 0, 2, 3}}, {' ', {0, 0, 0, 0, 0, 0, 2}}}), 16, 16);
  std::vector<std::pair<int16_t, double>> placed;
  const float width = omega::LayOutText(t, "AB ?A", 10.0, 2.0f, 0.5f, [&](const omega::Glyph& g, double pen) {
    placed.emplace_back(g.Advance, pen);
  });
  // '?' has no record: it is placed (and drawn as nothing) and moves the pen by the spacing alone.
  const std::vector<std::pair<int16_t, double>> expected = {{5, 10.0}, {3, 20.5}, {2, 27.0}, {0, 31.5}, {5, 32.0}};
  ASSERT_EQ(placed.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i)
    EXPECT_EQ(placed[i].second, expected[i].second) << "character " << i << ": expected the pen at "
                                                    << expected[i].second << ", got " << placed[i].second;
  EXPECT_EQ(width, 2.0f * (5 + 3 + 2 + 0 + 5) + 0.5f * 4) << "the width of the same walk";
  EXPECT_EQ(omega::TextWidth(t, "AB ?A", 2.0f, 0.5f), width) << "measuring alone gives another width";
  EXPECT_EQ(omega::LayOutText(t, "", 10.0, 2.0f, 0.5f, [](const omega::Glyph&, double) { ADD_FAILURE(); }), 0.0f);
  EXPECT_EQ(omega::LayOutText(t, nullptr, 10.0, 2.0f, 0.5f, [](const omega::Glyph&, double) { ADD_FAILURE(); }), 0.0f);
}
