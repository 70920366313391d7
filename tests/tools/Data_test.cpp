// The baked data as the game loads it: names, sizes, frame geometry, masks, the font's table, the
// shipped map, and a baker that makes the same bytes on every run.
#include <gtest/gtest.h>
#include <stb/stb_image.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include <unistd.h>

#include "MapText.h"
#include "base/Cp1251.h"
#include "tests/support/Files.h"

namespace fs = std::filesystem;

namespace {

const std::string kData = ZANORU_DATA_DIR;

struct Picture {
  int w = 0, h = 0, channels = 0;
  std::vector<uint8_t> px;  // RGBA
  bool ok = false;
  int At(int x, int y, int c) const { return px[(static_cast<size_t>(y) * w + x) * 4 + c]; }
  int Grey(int x, int y) const { return (At(x, y, 0) + At(x, y, 1) + At(x, y, 2)) / 3; }
};

Picture Load(const std::string& rel) {
  Picture p;
  unsigned char* data = stbi_load((kData + "/" + rel).c_str(), &p.w, &p.h, &p.channels, 4);
  if (!data) return p;
  p.px.assign(data, data + static_cast<size_t>(p.w) * p.h * 4);
  stbi_image_free(data);
  p.ok = true;
  return p;
}

struct Expected {
  std::string picture, mask;  // mask "" when none
  int w, h;                   // picture size, 0 to take any
  int fw, fh, frames;         // frame size (0 none) and the number of frames needed at least
};

std::vector<Expected> ExpectedPictures() {
  std::vector<Expected> e = {
      {"Map1.jpg", "", 1024, 768, 0, 0, 0},
      {"Map2.jpg", "", 1024, 768, 0, 0, 0},
      {"Black.jpg", "", 0, 0, 0, 0, 0},
      {"black.jpg", "mbl.jpg", 0, 0, 0, 0, 0},
      {"btm.jpg", "", 512, 128, 256, 128, 2},
      {"sp.jpg", "msp.jpg", 512, 256, 256, 256, 2},
      {"bigsv.jpg", "mbigsv.jpg", 0, 0, 0, 0, 0},
      {"altar.jpg", "altarm.jpg", 0, 0, 128, 256, 4},
      {"home.jpg", "homem.jpg", 0, 0, 256, 256, 4},
      {"home.jpg", "home2m.jpg", 0, 0, 256, 256, 4},
      {"gun1-1.jpg", "gun1-1m.jpg", 0, 0, 128, 128, 32},
  };
  for (int d = 0; d < 8; ++d) {
    const std::string n = std::to_string(d);
    e.push_back({"Model/pt" + n + ".jpg", "Model/pt" + n + "m.jpg", 0, 0, 64, 128, 32});
    e.push_back({"Model/sh" + n + ".jpg", "Model/sh" + n + "m.jpg", 0, 0, 64, 128, 32});
    e.push_back({"Model/col" + n + ".jpg", "Model/col" + n + ".jpg", 0, 0, 64, 128, 32});
  }
  return e;
}

int GroundCount() { return maptext::ReadGroundCount(ReadFile(kData + "/T/K.txt")); }

}  // namespace

TEST(BakedPictures, EveryPictureHasItsSizeFramesAndAMaskOfItsSize) {
  for (const auto& e : ExpectedPictures()) {
    SCOPED_TRACE(e.picture);
    const Picture p = Load(e.picture);
    ASSERT_TRUE(p.ok) << "cannot decode " << e.picture;
    if (e.w) {
      EXPECT_EQ(p.w, e.w) << "width";
    }
    if (e.h) {
      EXPECT_EQ(p.h, e.h) << "height";
    }
    if (e.fw) {
      EXPECT_EQ(p.w % e.fw, 0) << "width " << p.w << " is not whole frames of " << e.fw;
      EXPECT_EQ(p.h % e.fh, 0) << "height " << p.h << " is not whole frames of " << e.fh;
      EXPECT_GE((p.w / e.fw) * (p.h / e.fh), e.frames) << "frames";
    }
    if (!e.mask.empty()) {
      const Picture m = Load(e.mask);
      ASSERT_TRUE(m.ok) << "cannot decode " << e.mask;
      EXPECT_EQ(m.w, p.w) << e.mask << " width";
      EXPECT_EQ(m.h, p.h) << e.mask << " height";
    }
  }
}

// Where names ignore case the fade's Black.jpg and the veil's black.jpg are one file: whichever is
// kept serves both loads, so the two are the same bytes, solid black, of the veil mask's size.
TEST(BakedPictures, PlainAndVeiledBlackAreOnePictureUnderTwoNames) {
  const std::string plainBytes = ReadFile(kData + "/Black.jpg"), veilBytes = ReadFile(kData + "/black.jpg");
  ASSERT_FALSE(plainBytes.empty()) << "no Black.jpg";
  EXPECT_TRUE(plainBytes == veilBytes) << "Black.jpg (" << plainBytes.size() << " bytes) and black.jpg ("
                                       << veilBytes.size() << " bytes) differ: a case-blind unzip keeps one";
  const Picture plain = Load("Black.jpg"), mask = Load("mbl.jpg");
  ASSERT_TRUE(plain.ok && mask.ok);
  EXPECT_EQ(plain.w, mask.w) << "the veil's mask is read at the picture's own size";
  EXPECT_EQ(plain.h, mask.h);
  int brightest = 0;
  for (int y = 0; y < plain.h; ++y)
    for (int x = 0; x < plain.w; ++x) brightest = std::max(brightest, plain.Grey(x, y));
  EXPECT_LE(brightest, 3) << "Black.jpg must be solid black";
  // The veil keeps the intro dark: mostly opaque, darker (more opaque) at the edge than the centre.
  long sum = 0;
  for (int y = 0; y < mask.h; ++y)
    for (int x = 0; x < mask.w; ++x) sum += mask.Grey(x, y);
  const double mean = static_cast<double>(sum) / (mask.w * mask.h);
  EXPECT_GE(mean, 190) << "veil opacity";
  EXPECT_GE(mask.Grey(1, 1), mask.Grey(mask.w / 2, mask.h / 2)) << "corner vs centre";
}

// Nothing else in Data may clash with another name but for case.
TEST(BakedPictures, NoOtherNamesEqualButForCase) {
  std::map<std::string, std::vector<std::string>> byFolded;
  for (const auto& entry : fs::recursive_directory_iterator(kData)) {
    std::string rel = fs::relative(entry.path(), kData).generic_string(), folded = rel;
    for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    byFolded[folded].push_back(rel);
  }
  for (const auto& [folded, names] : byFolded)
    if (names.size() > 1) {
      std::string list;
      for (const auto& n : names) list += " " + n;
      EXPECT_EQ(folded, "black.jpg") << "names equal but for case:" << list;
      for (const auto& n : names) EXPECT_EQ(ReadFile(kData + "/" + n), ReadFile(kData + "/" + names[0])) << n;
    }
}

TEST(BakedPictures, TgaPicturesKeepTheirAlpha) {
  const Picture cursor = Load("Cur.tga"), shadow = Load("shad.tga");
  ASSERT_TRUE(cursor.ok && shadow.ok);
  EXPECT_EQ(cursor.channels, 4);
  EXPECT_EQ(cursor.w * 2, cursor.h) << "drawn 35×70";
  // The tip is the top-left corner: opaque there, nothing at the top right.
  EXPECT_GT(cursor.At(cursor.w / 20 + 2, cursor.h / 40 + 2, 3), 200) << "tip";
  EXPECT_EQ(cursor.At(cursor.w - 1, 0, 3), 0) << "top-right corner";
  EXPECT_EQ(shadow.channels, 4);
  EXPECT_EQ(shadow.w, 2 * shadow.h) << "drawn 64×32";
  EXPECT_GT(shadow.At(shadow.w / 2, shadow.h / 2, 3), 60) << "centre";
  EXPECT_EQ(shadow.At(0, 0, 3), 0) << "corner";
  EXPECT_LT(shadow.At(shadow.w / 2, shadow.h / 2, 0), 20) << "a shadow is black";
}

TEST(BakedGround, ListNamesAtLeastSixSheetsAllShapedLikeTheMask) {
  const int n = GroundCount();
  ASSERT_GE(n, 6) << "ground list count";
  const Picture mask = Load("T/m1.jpg");
  ASSERT_TRUE(mask.ok);
  ASSERT_EQ(mask.w % 64, 0);
  ASSERT_EQ(mask.h % 128, 0);
  for (int k = 1; k <= n; ++k) {
    const Picture g = Load("T/" + std::to_string(k) + ".jpg");
    ASSERT_TRUE(g.ok) << "T/" << k << ".jpg";
    EXPECT_EQ(g.w, mask.w) << "T/" << k << ".jpg width";
    EXPECT_EQ(g.h, mask.h) << "T/" << k << ".jpg height";
  }
  EXPECT_FALSE(fs::exists(kData + "/T/" + std::to_string(n + 1) + ".jpg")) << "a sheet the list does not name";
  // Every frame: the diamond's centre and corners opaque, the frame's corners and the bottom clear.
  for (int f = 0; f < mask.w / 64; ++f) {
    const int x0 = f * 64;
    SCOPED_TRACE("frame " + std::to_string(f + 1));
    EXPECT_GE(mask.Grey(x0 + 32, 16), 245);
    EXPECT_GE(mask.Grey(x0 + 2, 16), 200);
    EXPECT_GE(mask.Grey(x0 + 61, 16), 200);
    EXPECT_GE(mask.Grey(x0 + 32, 30), 245);
    EXPECT_LE(mask.Grey(x0 + 2, 2), 8);
    EXPECT_LE(mask.Grey(x0 + 61, 2), 8);
    EXPECT_LE(mask.Grey(x0 + 32, 100), 8);
  }
}

TEST(BakedWorld, HutFrontCutLiesInsideTheWholeHutAndLeavesTheDoorOpen) {
  const Picture whole = Load("homem.jpg"), front = Load("home2m.jpg");
  ASSERT_TRUE(whole.ok && front.ok);
  long frontOnly = 0, doorway = 0, frontCount = 0;
  for (int y = 0; y < whole.h; ++y)
    for (int x = 0; x < whole.w; ++x) {
      const int a = whole.Grey(x, y), b = front.Grey(x, y);
      if (b > 128) ++frontCount;
      if (b > 128 && a < 64) ++frontOnly;
      if (a > 200 && b < 40) ++doorway;
    }
  EXPECT_GT(frontCount, 0) << "the front cut is empty";
  EXPECT_EQ(frontOnly, 0) << "front cut pixels outside the hut";
  EXPECT_GT(doorway, 4 * 200) << "the hut shows no opening a unit can walk through (per frame and in all)";
}

// Each turret frame f points its barrel at (f − 21) × 11.25 degrees on the screen. The barrel is the
// dark iron that a frame has beyond the average of all frames (over the plinth, where it points at the
// viewer, only its darkness shows it); it lies in the barrel's direction from the turret's pivot.
TEST(BakedWorld, TurretFramesPointWhereTheAimExpects) {
  const Picture m = Load("gun1-1m.jpg"), g = Load("gun1-1.jpg");
  ASSERT_TRUE(m.ok && g.ok);
  const int cols = m.w / 128;
  auto at = [&](const Picture& p, int f, int x, int y) { return p.Grey(((f - 1) % cols) * 128 + x, ((f - 1) / cols) * 128 + y); };
  // Darkness where the frame is opaque: 0 for nothing, up to 255 for black iron.
  auto ink = [&](int f, int x, int y) { return at(m, f, x, y) * (255 - at(g, f, x, y)) / 255.0; };
  std::vector<double> mean(128 * 128, 0.0);
  for (int f = 1; f <= 32; ++f)
    for (int y = 0; y < 128; ++y)
      for (int x = 0; x < 128; ++x) mean[y * 128 + x] += ink(f, x, y) / 32.0;
  for (int f = 1; f <= 32; ++f) {
    double sx = 0, sy = 0, sw = 0;
    for (int y = 0; y < 128; ++y)
      for (int x = 0; x < 128; ++x) {
        const double extra = ink(f, x, y) - mean[y * 128 + x];
        if (extra <= 20) continue;
        sx += extra * x, sy += extra * y, sw += extra;
      }
    ASSERT_GT(sw, 0) << "frame " << f;
    const double got = std::atan2(sy / sw - 54, sx / sw - 64) * 180 / M_PI;
    const double want = (f - 21) * 11.25;
    double diff = std::fmod(std::fabs(got - want), 360.0);
    diff = std::min(diff, 360 - diff);
    EXPECT_LT(diff, 25) << "frame " << f << ": expected the barrel at " << want << " degrees, got " << got;
  }
}

// Units: a villager, its colour overlay and the leader in eight facings of 32 frames, feet at the
// middle of the shadow drawn 98 pixels below the frame's top.
TEST(BakedWorld, UnitsStandOnTheirShadowAndTheOverlayCoversOnlyTheVillager) {
  for (int d = 0; d < 8; ++d) {
    const std::string n = std::to_string(d);
    const Picture pt = Load("Model/pt" + n + "m.jpg"), col = Load("Model/col" + n + ".jpg"),
                  sh = Load("Model/sh" + n + "m.jpg");
    ASSERT_TRUE(pt.ok && col.ok && sh.ok) << "facing " << d;
    for (int f = 0; f < 32; ++f) {
      const int x0 = (f % (pt.w / 64)) * 64, y0 = (f / (pt.w / 64)) * 128;
      for (const Picture* mask : {&pt, &sh}) {
        int lowest = -1;
        double sx = 0, sw = 0;
        for (int y = 0; y < 128; ++y)
          for (int x = 0; x < 64; ++x)
            if (mask->Grey(x0 + x, y0 + y) > 128) {
              lowest = y;
              sx += x, sw += 1;
            }
        ASSERT_GT(sw, 0) << "facing " << d << " frame " << f + 1 << " is empty";
        EXPECT_NEAR(lowest, 98 + 16, 6) << "feet of facing " << d << " frame " << f + 1;
        EXPECT_NEAR(sx / sw, 32, 6) << "body centre of facing " << d << " frame " << f + 1;
      }
      long outside = 0, tunic = 0;
      for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 64; ++x)
          if (col.Grey(x0 + x, y0 + y) > 128) {
            ++tunic;
            if (pt.Grey(x0 + x, y0 + y) < 128) ++outside;
          }
      EXPECT_GT(tunic, 40) << "facing " << d << " frame " << f + 1 << ": no tunic to tint";
      EXPECT_EQ(outside, 0) << "facing " << d << " frame " << f + 1 << ": tint outside the villager";
    }
  }
}

TEST(BakedWorld, WalkFramesMoveAndComeBackRound) {
  const Picture pt = Load("Model/pt6m.jpg");
  ASSERT_TRUE(pt.ok);
  auto diff = [&](int a, int b) {
    long d = 0;
    const int cols = pt.w / 64;
    for (int y = 0; y < 128; ++y)
      for (int x = 0; x < 64; ++x)
        d += std::abs(pt.Grey(((a - 1) % cols) * 64 + x, ((a - 1) / cols) * 128 + y) -
                      pt.Grey(((b - 1) % cols) * 64 + x, ((b - 1) / cols) * 128 + y));
    return d;
  };
  // Mid-stride differs from the start; the last frame leads back to the first.
  EXPECT_GT(diff(1, 9), diff(32, 1) * 2) << "frames 1 and 9 vs 32 and 1";
}

namespace {

struct Ofi {
  int lineHeight = 0;
  struct Rec {
    int x, y, w, h, dx, dy, advance;
  } rec[256];
};

Ofi ReadOfi(const std::string& bytes) {
  Ofi o{};
  o.lineHeight = static_cast<uint8_t>(bytes[0]);
  for (int c = 0; c < 256; ++c) {
    int v[7];
    for (int i = 0; i < 7; ++i) {
      const size_t at = 1 + c * 14 + i * 2;
      v[i] = static_cast<int16_t>(static_cast<uint8_t>(bytes[at]) | (static_cast<uint8_t>(bytes[at + 1]) << 8));
    }
    o.rec[c] = {v[0], v[1], v[2], v[3], v[4], v[5], v[6]};
  }
  return o;
}

double Width(const Ofi& o, const std::string& text, double scale) {
  double sum = 0;
  for (unsigned char c : text) sum += o.rec[c].advance;
  return sum * scale;
}

}  // namespace

TEST(BakedFont, TableCoversEveryLetterInsideThePicture) {
  const std::string bytes = ReadFile(kData + "/Font1.ofi");
  ASSERT_EQ(bytes.size(), 3585u) << "glyph table size";
  const Ofi o = ReadOfi(bytes);
  const Picture atlas = Load("Font1.tga");
  ASSERT_TRUE(atlas.ok);
  EXPECT_EQ(atlas.channels, 4);
  std::vector<int> needed;
  for (int c = 0x21; c <= 0x7E; ++c) needed.push_back(c);
  for (int c = 0xC0; c <= 0xFF; ++c) needed.push_back(c);
  needed.push_back(0xA8);  // Ё
  needed.push_back(0xB8);  // ё
  for (int c : needed) {
    const auto& r = o.rec[c];
    SCOPED_TRACE("code " + std::to_string(c));
    ASSERT_GT(r.w, 0);
    ASSERT_GT(r.h, 0);
    EXPECT_GT(r.advance, 0);
    ASSERT_TRUE(r.x >= 0 && r.y >= 0 && r.x + r.w <= atlas.w && r.y + r.h <= atlas.h) << "rectangle outside";
    int ink = 0;
    for (int y = r.y; y < r.y + r.h; ++y)
      for (int x = r.x; x < r.x + r.w; ++x) {
        ink = std::max(ink, atlas.At(x, y, 3));
        EXPECT_EQ(atlas.At(x, y, 0), 255) << "glyphs are white";
      }
    EXPECT_GT(ink, 128) << "no coverage";
    // The ink lies inside a one-pixel margin, which is the rectangle's edge.
    EXPECT_GE(r.dy + 1, 0) << "above the line";
    EXPECT_LE(r.dy + r.h - 1, o.lineHeight + 2) << "far below the line";
  }
  EXPECT_GT(o.rec[0x20].advance, 0) << "space advance";
  EXPECT_EQ(o.rec[0x20].w, 0) << "space draws nothing";
  EXPECT_EQ(o.rec[0].advance, 0) << "control characters take no room";
}

// A letter drawn many times its size is filtered out to the edge of its rectangle and no further:
// ink on that edge would end in a hard line. Every rectangle's outermost pixels are transparent; the
// margin is one pixel (FreeType's own rows and columns without ink aside, the ink reaches the pixels
// just inside it); and the margin moved the rectangle, not the ink (capitals stay centred in the line).
TEST(BakedFont, EveryGlyphHasATransparentMarginRoundItsInk) {
  const Ofi o = ReadOfi(ReadFile(kData + "/Font1.ofi"));
  const Picture atlas = Load("Font1.tga");
  ASSERT_TRUE(atlas.ok);
  int glyphs = 0, tight = 0;
  for (int c = 0; c < 256; ++c) {
    const auto& r = o.rec[c];
    if (r.w == 0 || r.h == 0) continue;
    SCOPED_TRACE("code " + std::to_string(c));
    ASSERT_TRUE(r.w >= 3 && r.h >= 3) << "a glyph with ink is its ink and a margin each side: " << r.w << "x" << r.h;
    ASSERT_TRUE(r.x >= 0 && r.y >= 0 && r.x + r.w <= atlas.w && r.y + r.h <= atlas.h) << "rectangle outside";
    ++glyphs;
    int edge = 0, left = 0, right = 0, top = 0, bottom = 0;
    for (int y = r.y; y < r.y + r.h; ++y)
      for (int x = r.x; x < r.x + r.w; ++x) {
        const int a = atlas.At(x, y, 3);
        if (x == r.x || y == r.y || x == r.x + r.w - 1 || y == r.y + r.h - 1) edge = std::max(edge, a);
        if (x == r.x + 1) left = std::max(left, a);
        if (x == r.x + r.w - 2) right = std::max(right, a);
        if (y == r.y + 1) top = std::max(top, a);
        if (y == r.y + r.h - 2) bottom = std::max(bottom, a);
      }
    EXPECT_EQ(edge, 0) << "ink on the rectangle's edge";
    tight += left > 0 && right > 0 && top > 0 && bottom > 0;
  }
  EXPECT_GT(glyphs, 150) << "glyphs with ink";
  EXPECT_GT(tight, glyphs * 9 / 10) << "of " << glyphs << " glyphs, the ink reaches the margin on all sides in";

  const auto& n = o.rec[static_cast<unsigned char>("Н"_cp[0])];
  int first = -1, last = -1;
  for (int y = n.y; y < n.y + n.h; ++y)
    for (int x = n.x; x < n.x + n.w; ++x)
      if (atlas.At(x, y, 3) > 0) {
        if (first < 0) first = y;
        last = y;
      }
  ASSERT_GE(first, 0) << "Н has no ink";
  const int inkTop = n.dy + (first - n.y), inkBottom = n.dy + (last - n.y) + 1;
  EXPECT_NEAR(inkTop, o.lineHeight - inkBottom, 1) << "Н's ink from " << inkTop << " to " << inkBottom
                                                   << " in a line of " << o.lineHeight;
}

TEST(BakedFont, WidthsFitTheLayouts) {
  const Ofi o = ReadOfi(ReadFile(kData + "/Font1.ofi"));
  EXPECT_GE(o.lineHeight, 24);
  EXPECT_LE(o.lineHeight, 30);
  // The widest button caption inside a 180-pixel button, with a margin on both sides.
  for (const std::string caption : {"Сменить игрока"_cp, "Новая игра"_cp, "Продолжить"_cp, "Рекорды"_cp, "Выйти"_cp, "Автор"_cp}) {
    EXPECT_LE(Width(o, caption, 1.0), 170) << "caption of " << caption.size() << " letters";
    EXPECT_GT(Width(o, caption, 1.0), 0);
  }
  // The records table measures 39 hyphens at the table's scale to place its score column.
  EXPECT_LT(Width(o, std::string(39, '-'), 0.9), 450 - 60);
}

// The records scene writes on the parchment at fixed places (the panel drawn 1:1 at (120, 30), the
// title from x 495 at y 103.5, rows from y 171 every 40.5, columns at 240, 280 and the measured score
// column): the sheet's middle is the title's, and every row's text lies on the sheet with margins.
TEST(RecordsParchment, SheetCentredOnTheTitleAndHoldsTheTable) {
  const Picture mask = Load("mbigsv.jpg");
  ASSERT_TRUE(mask.ok);
  ASSERT_EQ(mask.w, 784);
  const Ofi o = ReadOfi(ReadFile(kData + "/Font1.ofi"));
  constexpr int kPanelX = 120, kPanelY = 30, kMargin = 20;
  // The opaque span of the sheet on one screen row, in screen x.
  auto span = [&](double screenY) {
    const int y = static_cast<int>(screenY) - kPanelY;
    int left = -1, right = -1;
    for (int x = 0; x < mask.w; ++x)
      if (mask.Grey(x, y) > 128) {
        if (left < 0) left = x;
        right = x;
      }
    if (left < 0) return std::make_pair(-1, -1);  // no sheet on that row
    return std::make_pair(left + kPanelX, right + kPanelX);
  };
  const double titleMiddle = 495 + Width(o, "РЕКОРДЫ"_cp, 1.0) / 2;
  const auto [titleLeft, titleRight] = span(103.5 + o.lineHeight / 2.0);
  EXPECT_NEAR((titleLeft + titleRight) / 2.0, titleMiddle, 4) << "sheet from " << titleLeft << " to " << titleRight;
  const double scoreColumn = 280 + std::nearbyint(Width(o, std::string(39, '-'), 0.9));
  const double tableRight = scoreColumn + Width(o, "-2147483648", 0.9);
  for (int k = 1; k <= 10; ++k) {
    const double y = 130.5 + 40.5 * k;
    for (double rowY : {y, y + o.lineHeight}) {
      const auto [left, right] = span(rowY);
      EXPECT_LE(left, 240 - kMargin) << "row " << k << " at y " << rowY;
      EXPECT_GE(right, tableRight + kMargin) << "row " << k << " at y " << rowY;
    }
  }
  // Above the title and below the last row, still sheet.
  for (double y : {103.5 - kMargin, 130.5 + 405 + o.lineHeight + kMargin}) {
    const auto [left, right] = span(y);
    EXPECT_TRUE(left >= 0 && left < 300 && right > 800) << "at y " << y << " the sheet spans " << left << " to " << right;
  }
}

TEST(ShippedMap, HutsLeadIntoRingsAndFixedGunsLieAlongRoads) {
  const std::string bytes = ReadFile(kData + "/1.vyx");
  ASSERT_EQ(bytes.size(), static_cast<size_t>(maptext::kMapBytes));
  auto cell = [&](int c, int r, int i) { return static_cast<uint8_t>(bytes[maptext::CellOffset(c, r) + i]); };
  auto onPath = [&](int c, int r) { return cell(c, r, 2) >= 1 && cell(c, r, 2) <= 8; };
  const int n = GroundCount();
  int homes = 0, aimed = 0, fixed = 0;
  for (int c = 1; c <= maptext::kColumns; ++c)
    for (int r = 1; r <= maptext::kRows; ++r) {
      const int x = 64 * (c - 1) - (r % 2 ? 32 : 0), y = 16 * (r - 2);
      const auto frame = static_cast<int8_t>(cell(c, r, 0));
      const auto texture = static_cast<int8_t>(cell(c, r, 1));
      // Ground under every diamond that shows on the 1024×768 screen.
      if (x + 64 > 0 && x < 1024 && y + 32 > 0 && y < 768) {
        EXPECT_GT(frame, 0) << "no ground at column " << c << " row " << r;
        EXPECT_TRUE(texture >= 0 && texture < n) << "column " << c << " row " << r;
      }
      if (cell(c, r, 3) == 1) ++aimed;
      if (cell(c, r, 3) == 2) {
        ++fixed;
        // A fixed gun keeps its first frame, barrel down-left: a road beside it runs that way, so
        // it reads as watching the road rather than as a turret that got stuck.
        bool alongRoad = false;
        for (int p : {4, 8}) {  // the neighbours across the barrel's line: up-left, down-right
          int nc, nr;
          if (maptext::NextCell(c, r, p, nc, nr) && (cell(nc, nr, 2) == 2 || cell(nc, nr, 2) == 6)) alongRoad = true;
        }
        EXPECT_TRUE(alongRoad) << "the fixed gun at column " << c << ", row " << r << " points along no road";
      }
      if (cell(c, r, 3) != 3) continue;
      ++homes;
      SCOPED_TRACE("hut at column " + std::to_string(c) + ", row " + std::to_string(r));
      // The corner button covers the top-left 100×100: the hut's picture keeps clear of it.
      EXPECT_FALSE(x + 128 > 0 && x - 64 < 100 && y + 64 > 0 && y - 128 < 100) << "under the corner button";
      // Follow the path until a cell comes round again: that cell starts the ring the hut feeds.
      std::vector<std::pair<int, int>> walked;
      int pc = c, pr = r;
      while (std::find(walked.begin(), walked.end(), std::make_pair(pc, pr)) == walked.end()) {
        ASSERT_TRUE(onPath(pc, pr)) << "the walk stops at column " << pc << ", row " << pr;
        walked.emplace_back(pc, pr);
        int nc, nr;
        ASSERT_TRUE(maptext::NextCell(pc, pr, cell(pc, pr, 2), nc, nr)) << "path off the map";
        pc = nc, pr = nr;
      }
      const auto ringStart = std::find(walked.begin(), walked.end(), std::make_pair(pc, pr));
      EXPECT_GE(walked.end() - ringStart, 16) << "a short ring";
      EXPECT_NE(ringStart, walked.begin()) << "the hut stands on its ring: passing units would hold its door";
    }
  EXPECT_GE(homes, 8);
  EXPECT_GE(aimed, 2);
  EXPECT_GE(fixed, 1);
}

// The baker is deterministic and its threads change nothing: the game's Data, baked by the build's baker
// on as many threads as the machine has (up to four), holds every file of a second bake, by a baker
// built without the sanitizers on one thread, with the same bytes (the digests that bake left).
TEST(Baker, MakesTheSameBytesOnEveryRun) {
  const std::string digests = ReadFile(ZANORU_BAKE_DIGESTS);
  EXPECT_GE(std::count(digests.begin(), digests.end(), '\n'), 69) << ZANORU_BAKE_DIGESTS;
  const std::string cmd = "\"" ZANORU_CMAKE "\" -DCHECK=ON \"-DDIR=" + kData + "\" \"-DLIST=" ZANORU_BAKE_DIGESTS
                          "\" -P \"" ZANORU_BAKE_CHECK_SCRIPT "\" > /dev/null";
  EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
}
