// The interface pictures: the two backdrops, the pointer, the black sheets, the buttons and the
// records panel.
#include <cmath>

#include "Bake.h"
#include "Noise.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// A ridge line across the picture: y for every x.
double Ridge(double x, double base, double amp, double scale, uint32_t seed, bool peaks) {
  double n = Fbm(x / scale, 0.5, seed, 5);
  if (peaks) n = 1 - std::fabs(n - 0.5) * 2;  // sharp crests
  return base - amp * n;
}

void FillRidge(cairo_t* cr, double base, double amp, double scale, uint32_t seed, bool peaks, Rgb top,
               Rgb bottom, double y0, double y1) {
  cairo_move_to(cr, 0, 768);
  for (int x = 0; x <= 1024; x += 4) cairo_line_to(cr, x, Ridge(x, base, amp, scale, seed, peaks));
  cairo_line_to(cr, 1024, 768);
  cairo_close_path(cr);
  cairo_pattern_t* p = cairo_pattern_create_linear(0, y0, 0, y1);
  AddStop(p, 0, top);
  AddStop(p, 1, bottom);
  cairo_set_source(cr, p);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
}

void Pine(cairo_t* cr, double x, double ground, double height, Rgb c) {
  SetColour(cr, c);
  const double w = height * 0.36;
  for (int tier = 0; tier < 4; ++tier) {
    const double top = ground - height + tier * height * 0.2;
    const double bottom = top + height * 0.42;
    const double half = w * (0.45 + tier * 0.2);
    cairo_move_to(cr, x, top);
    cairo_curve_to(cr, x + half * 0.3, top + (bottom - top) * 0.5, x + half * 0.7, bottom - 4, x + half, bottom);
    cairo_line_to(cr, x - half, bottom);
    cairo_curve_to(cr, x - half * 0.7, bottom - 4, x - half * 0.3, top + (bottom - top) * 0.5, x, top);
    cairo_fill(cr);
  }
  cairo_rectangle(cr, x - height * 0.03, ground - height * 0.2, height * 0.06, height * 0.2);
  cairo_fill(cr);
}

}  // namespace

void BakeMap1(Baked& out) {
  constexpr int W = 1024, H = 768;
  cairo_surface_t* s = NewSurface(W, H);
  const Rgb skyTop = Hex(0xB4AEDF), skyMid = Hex(0xD7B5D4), skyLow = Hex(0xF5C9A4), skyGlow = Hex(0xFFE0A6);
  const Rgb cloudShadow = Hex(0xA48DBC), cloudLit = Hex(0xFFD2B0);
  const double sunX = 283, sunY = 446;
  PaintPixels(s, [&](int x, int y) {
    const double t = y / 480.0;
    Rgb c = t < 0.4 ? Mix(skyTop, skyMid, t / 0.4)
                    : (t < 0.78 ? Mix(skyMid, skyLow, (t - 0.4) / 0.38) : Mix(skyLow, skyGlow, Clamp01((t - 0.78) / 0.22)));
    const double d = std::hypot(x - sunX, (y - sunY) * 1.4);
    c = Mix(c, Hex(0xFFF4D0), 0.55 * std::exp(-d / 210));
    // Long thin clouds, lit from below by the low sun.
    const double band = SmoothStep(40, 120, y) * (1 - SmoothStep(330, 420, y));
    const double n = Fbm(x / 330.0, y / 34.0, 11, 5);
    const double cloud = SmoothStep(0.52, 0.72, n) * band;
    const double lit = Clamp01(0.35 + (Fbm(x / 330.0, (y + 9) / 34.0, 11, 5) < n ? 0.0 : 0.6));
    c = Mix(c, Mix(cloudShadow, cloudLit, lit), cloud * 0.75);
    return c;
  });
  cairo_t* cr = cairo_create(s);
  // The low sun, half behind the far mountains.
  cairo_pattern_t* sun = cairo_pattern_create_radial(sunX, sunY, 0, sunX, sunY, 34);
  AddStop(sun, 0, Hex(0xFFFBEA));
  AddStop(sun, 0.85, Hex(0xFFF0C0));
  AddStop(sun, 1, Hex(0xFFE6A8), 0);
  cairo_set_source(cr, sun);
  cairo_arc(cr, sunX, sunY, 34, 0, 2 * kPi);
  cairo_fill(cr);
  cairo_pattern_destroy(sun);

  FillRidge(cr, 520, 120, 190, 21, true, Hex(0xA596C4), Hex(0xD3B7C6), 400, 540);
  FillRidge(cr, 565, 70, 150, 22, false, Hex(0x7D6A98), Hex(0x9B7F9E), 490, 600);
  // A village on the right hill, windows lit.
  for (int i = 0; i < 6; ++i) {
    const double hx = 770 + i * 26 + (i % 2) * 5;
    const double gy = Ridge(hx, 565, 70, 150, 22, false) + 6;
    const double hw = 16 + (i % 3) * 4, hh = 12 + (i % 2) * 5;
    SetColour(cr, Hex(0x54466C));
    cairo_rectangle(cr, hx - hw / 2, gy - hh, hw, hh + 8);
    cairo_fill(cr);
    cairo_move_to(cr, hx - hw / 2 - 3, gy - hh);
    cairo_line_to(cr, hx, gy - hh - 10);
    cairo_line_to(cr, hx + hw / 2 + 3, gy - hh);
    cairo_close_path(cr);
    cairo_fill(cr);
    SetColour(cr, Hex(0xFFD27A));
    cairo_rectangle(cr, hx - 3, gy - hh + 4, 4, 4);
    cairo_fill(cr);
  }
  FillRidge(cr, 640, 60, 120, 23, false, Hex(0x54486E), Hex(0x3F3556), 560, 700);
  FillRidge(cr, 720, 40, 90, 24, false, Hex(0x302942), Hex(0x211C30), 660, 768);

  // A river winding from the hills to the viewer, mirroring the sky.
  cairo_move_to(cr, 545, 590);
  cairo_curve_to(cr, 520, 630, 600, 650, 560, 690);
  cairo_curve_to(cr, 520, 725, 470, 745, 430, 768);
  cairo_line_to(cr, 640, 768);
  cairo_curve_to(cr, 640, 740, 610, 720, 620, 690);
  cairo_curve_to(cr, 640, 650, 565, 630, 560, 590);
  cairo_close_path(cr);
  cairo_pattern_t* river = cairo_pattern_create_linear(0, 590, 0, 768);
  AddStop(river, 0, Hex(0xF7D6AE));
  AddStop(river, 1, Hex(0x8E7BB0));
  cairo_set_source(cr, river);
  cairo_fill(cr);
  SetColour(cr, Hex(0xFFF0D0), 0.6);
  cairo_set_line_width(cr, 1.5);
  Scatter glint(5);
  for (int i = 0; i < 14; ++i) {
    // Along the river's middle.
    const double gy = glint.Range(605, 760);
    const double mid[][2] = {{600, 553}, {650, 572}, {690, 590}, {730, 565}, {768, 535}};
    double gx = 553;
    for (int k = 0; k < 4; ++k)
      if (gy >= mid[k][0] && gy <= mid[k + 1][0])
        gx = mid[k][1] + (mid[k + 1][1] - mid[k][1]) * (gy - mid[k][0]) / (mid[k + 1][0] - mid[k][0]);
    gx += glint.Range(-8, 8);
    cairo_move_to(cr, gx - 6, gy);
    cairo_line_to(cr, gx + 6, gy);
  }
  cairo_stroke(cr);

  // Trees frame the picture at both sides and leave the middle free.
  const Rgb far = Hex(0x2A2338), near = Hex(0x17131F);
  Scatter trees(9);
  for (int i = 0; i < 9; ++i) {
    const double x = trees.Range(0, 330), h = trees.Range(110, 230);
    Pine(cr, x, 770 - trees.Range(0, 40), h, Mix(far, near, trees.Next()));
  }
  for (int i = 0; i < 8; ++i) {
    const double x = trees.Range(700, 1024), h = trees.Range(110, 240);
    Pine(cr, x, 770 - trees.Range(0, 40), h, Mix(far, near, trees.Next()));
  }
  // Birds homeward bound.
  SetColour(cr, Hex(0x4B3F66));
  cairo_set_line_width(cr, 2);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  const double birds[][2] = {{720, 170}, {742, 182}, {760, 164}, {786, 190}, {700, 196}};
  for (const auto& b : birds) {
    cairo_move_to(cr, b[0] - 8, b[1] - 3);
    cairo_curve_to(cr, b[0] - 5, b[1] - 5, b[0] - 2, b[1] - 2, b[0], b[1]);
    cairo_curve_to(cr, b[0] + 2, b[1] - 2, b[0] + 5, b[1] - 5, b[0] + 8, b[1] - 3);
  }
  cairo_stroke(cr);
  cairo_destroy(cr);
  AddPlain(out, "Map1.jpg", TakeImage(s));
}

void BakeMap2(Baked& out) {
  // Meadow and earth the map's ground sits on; it shows only where a cell has no ground.
  cairo_surface_t* s = NewSurface(1024, 768);
  const Rgb grass = Hex(0x3F5F2C), earth = Hex(0x5C4930), moss = Hex(0x2F4A26);
  PaintPixels(s, [&](int x, int y) {
    const double n = Fbm(x / 180.0, y / 120.0, 31, 5);
    Rgb c = Mix(grass, earth, SmoothStep(0.45, 0.7, n));
    c = Mix(c, moss, SmoothStep(0.55, 0.8, Fbm(x / 60.0, y / 40.0, 32, 3)) * 0.6);
    const double grain = Rand01(x, y, 33) - 0.5;
    return Shade(c, 1 + grain * 0.12 - 0.06);
  });
  AddPlain(out, "Map2.jpg", TakeImage(s));
}

void BakeCursor(Baked& out) {
  // Drawn at twice the size it is shown (35×70); the tip is the top-left pixel.
  cairo_surface_t* s = NewSurface(70, 140);
  cairo_t* cr = cairo_create(s);
  cairo_move_to(cr, 3, 3);
  cairo_line_to(cr, 3, 108);
  cairo_line_to(cr, 25, 86);
  cairo_line_to(cr, 41, 133);
  cairo_line_to(cr, 58, 126);
  cairo_line_to(cr, 42, 80);
  cairo_line_to(cr, 66, 78);
  cairo_close_path(cr);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_pattern_t* p = cairo_pattern_create_linear(0, 0, 60, 130);
  AddStop(p, 0, Hex(0xFFF1A8));
  AddStop(p, 0.5, Hex(0xF0B840));
  AddStop(p, 1, Hex(0xA8701C));
  cairo_set_source(cr, p);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(p);
  SetColour(cr, Hex(0x2A1606));
  cairo_set_line_width(cr, 4);
  cairo_stroke(cr);
  // A light edge along the shaft catches the eye.
  SetColour(cr, Hex(0xFFFBE0), 0.8);
  cairo_set_line_width(cr, 2);
  cairo_move_to(cr, 8, 14);
  cairo_line_to(cr, 8, 92);
  cairo_stroke(cr);
  cairo_destroy(cr);
  AddTga(out, "Cur.tga", TakeImage(s));
}

// The fade (Black.jpg, drawn plain) and the intro's veil (black.jpg, cut by mbl.jpg) are two loads of
// one picture where names ignore case (Windows): both are the same solid black of the mask's size, so
// either file serves both loads, and they are the same bytes wherever the two names are two files.
void BakeBlacks(Baked& out) {
  constexpr int W = 256, H = 192;
  cairo_surface_t* s = NewSurface(W, H);
  PaintPixels(s, [](int, int) { return Rgb{0, 0, 0}; });
  AddPlain(out, "Black.jpg", TakeImage(s));
  // The veil: dark all over, darkest at the edges; its shape is all in the mask.
  cairo_surface_t* v = NewSurface(W, H);
  PaintPixels(v, [](int, int) { return Rgb{0, 0, 0}; });
  Image veil = TakeImage(v);
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      const double dx = (x + 0.5 - W / 2.0) / (W / 2.0), dy = (y + 0.5 - H / 2.0) / (H / 2.0);
      const double r = std::sqrt(dx * dx + dy * dy) / std::sqrt(2.0);
      const double a = 0.80 + 0.20 * SmoothStep(0.25, 1.0, r);
      veil.px[(static_cast<size_t>(y) * W + x) * 4 + 3] = static_cast<uint8_t>(std::lround(a * 255));
    }
  AddMasked(out, "black.jpg", "mbl.jpg", veil);
}

void BakeButton(Baked& out) {
  cairo_surface_t* s = DrawFrames(256, 128, 2, 2, [](cairo_t* cr, int frame) {
    const bool hot = frame == 2;
    // Bronze frame over the whole picture: the button is drawn without a mask.
    cairo_pattern_t* rim = cairo_pattern_create_linear(0, 0, 0, 128);
    AddStop(rim, 0, Hex(hot ? 0xF6D67A : 0xC89B54));
    AddStop(rim, 0.5, Hex(hot ? 0xC8902C : 0x8E6530));
    AddStop(rim, 1, Hex(hot ? 0x8A5A18 : 0x5A3E1C));
    cairo_set_source(cr, rim);
    cairo_paint(cr);
    cairo_pattern_destroy(rim);
    SetColour(cr, Hex(0x3A2410));
    cairo_set_line_width(cr, 4);
    cairo_rectangle(cr, 2, 2, 252, 124);
    cairo_stroke(cr);
    // The plaque.
    const double x0 = 10, y0 = 11, w = 236, h = 106, r = 12;
    cairo_new_sub_path(cr);
    cairo_arc(cr, x0 + w - r, y0 + r, r, -kPi / 2, 0);
    cairo_arc(cr, x0 + w - r, y0 + h - r, r, 0, kPi / 2);
    cairo_arc(cr, x0 + r, y0 + h - r, r, kPi / 2, kPi);
    cairo_arc(cr, x0 + r, y0 + r, r, kPi, 1.5 * kPi);
    cairo_close_path(cr);
    cairo_pattern_t* face = cairo_pattern_create_linear(0, y0, 0, y0 + h);
    AddStop(face, 0, Hex(hot ? 0xFFFBE6 : 0xF6EACB));
    AddStop(face, 0.55, Hex(hot ? 0xFCEBB4 : 0xE8D4A4));
    AddStop(face, 1, Hex(hot ? 0xF0CF78 : 0xD2B57C));
    cairo_set_source(cr, face);
    cairo_fill_preserve(cr);
    cairo_pattern_destroy(face);
    SetColour(cr, Hex(0x5A3A18));
    cairo_set_line_width(cr, 3);
    cairo_stroke(cr);
    // Rivets in the corners.
    for (double cx : {7.5, 248.5})
      for (double cy : {7.5, 120.5}) {
        cairo_pattern_t* rv = cairo_pattern_create_radial(cx - 1.5, cy - 1.5, 0, cx, cy, 4.5);
        AddStop(rv, 0, Hex(0xFFF4C8));
        AddStop(rv, 1, Hex(0x6A4418));
        cairo_set_source(cr, rv);
        cairo_arc(cr, cx, cy, 4.5, 0, 2 * kPi);
        cairo_fill(cr);
        cairo_pattern_destroy(rv);
      }
    if (hot) {  // a warm glow inside the rim
      cairo_pattern_t* glow = cairo_pattern_create_radial(128, 64, 20, 128, 64, 140);
      AddStop(glow, 0, Hex(0xFFFFFF), 0.35);
      AddStop(glow, 1, Hex(0xFFE080), 0);
      cairo_set_source(cr, glow);
      cairo_paint(cr);
      cairo_pattern_destroy(glow);
    }
  });
  AddPlain(out, "btm.jpg", TakeImage(s), 256, 128);
}

void BakeCornerButton(Baked& out) {
  cairo_surface_t* s = DrawFrames(256, 256, 2, 2, [](cairo_t* cr, int frame) {
    const bool hot = frame == 2;
    const double c = 128;
    if (hot) {
      cairo_pattern_t* glow = cairo_pattern_create_radial(c, c, 100, c, c, 127);
      AddStop(glow, 0, Hex(0xFFE9A0), 0.9);
      AddStop(glow, 1, Hex(0xFFD060), 0);
      cairo_set_source(cr, glow);
      cairo_arc(cr, c, c, 127, 0, 2 * kPi);
      cairo_fill(cr);
      cairo_pattern_destroy(glow);
    }
    // Bronze rim.
    cairo_pattern_t* rim = cairo_pattern_create_linear(40, 20, 216, 236);
    AddStop(rim, 0, Hex(hot ? 0xFFF0B0 : 0xE8C07A));
    AddStop(rim, 0.5, Hex(hot ? 0xD8A040 : 0xA6763A));
    AddStop(rim, 1, Hex(0x5A3A16));
    cairo_set_source(cr, rim);
    cairo_arc(cr, c, c, 116, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(rim);
    SetColour(cr, Hex(0x2E1C0A));
    cairo_set_line_width(cr, 4);
    cairo_arc(cr, c, c, 115, 0, 2 * kPi);
    cairo_stroke(cr);
    // Deep blue face.
    cairo_pattern_t* face = cairo_pattern_create_radial(c - 30, c - 30, 10, c, c, 96);
    AddStop(face, 0, Hex(hot ? 0x5C84D0 : 0x3A5A9C));
    AddStop(face, 1, Hex(hot ? 0x1E3470 : 0x121E40));
    cairo_set_source(cr, face);
    cairo_arc(cr, c, c, 94, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(face);
    SetColour(cr, Hex(0x2E1C0A));
    cairo_set_line_width(cr, 3);
    cairo_arc(cr, c, c, 94, 0, 2 * kPi);
    cairo_stroke(cr);
    // A back arrow: a hook bending round to point left.
    auto arrow = [&](double width, Rgb colour) {
      SetColour(cr, colour);
      cairo_set_line_width(cr, width);
      cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
      cairo_new_path(cr);
      cairo_arc(cr, c + 8, c + 6, 42, -kPi / 2, kPi * 0.55);
      cairo_stroke(cr);
      cairo_move_to(cr, c - 42, c - 36);
      cairo_line_to(cr, c + 2, c - 74);
      cairo_line_to(cr, c + 2, c + 2);
      cairo_close_path(cr);
      cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
      cairo_set_line_width(cr, width - 22);
      cairo_stroke_preserve(cr);
      cairo_fill(cr);
    };
    arrow(30, Hex(0x1A1006));
    arrow(24, Hex(hot ? 0xFFF2A8 : 0xEEC060));
  });
  Image img = TakeImage(s);
  // The cut: a clean disc per frame.
  cairo_surface_t* m = DrawFrames(256, 256, 2, 2, [](cairo_t* cr, int) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_arc(cr, 128, 128, 118, 0, 2 * kPi);
    cairo_fill(cr);
  });
  const Image mask = TakeImage(m);
  for (size_t i = 3; i < img.px.size(); i += 4) img.px[i] = mask.px[i];
  AddMasked(out, "sp.jpg", "msp.jpg", img, 256, 256);
}

void BakePanel(Baked& out) {
  // The records scene draws this picture 1:1 at (120, 30) and writes on it at fixed places: the title
  // "РЕКОРДЫ" from x 495 (about 96 pixels wide, so its middle is near 543) at y 103.5, the table's
  // rows from y 171 to about 560 in columns from x 240 to about 600. The sheet is centred on the
  // title and its ruled frame holds the whole table with margins, in the picture's own coordinates.
  constexpr int W = 784, H = 754;
  constexpr double kOriginX = 120, kOriginY = 30;
  constexpr double kMiddle = 543 - kOriginX;
  constexpr double kSheetHalf = 343;  // the sheet from screen x 200 to 886
  constexpr double kBodyLeft = kMiddle - kSheetHalf, kBodyRight = kMiddle + kSheetHalf;
  constexpr double kRollLeft = kBodyLeft - 14, kRollRight = kBodyRight + 14;
  constexpr double kTopRoll = 44, kBottomRoll = 590 - kOriginY;  // the sheet between the rolls
  constexpr double kRollHalf = 24;
  constexpr double kTopRollY = kTopRoll / 2 + 2, kBottomRollY = kBottomRoll + 26;
  constexpr double kFrameLeft = 218 - kOriginX, kFrameRight = 2 * kMiddle - kFrameLeft;
  constexpr double kFrameTop = 88 - kOriginY, kFrameBottom = 578 - kOriginY;
  constexpr double kTitleRuleY = 138 - kOriginY, kTitleRuleHalf = 200;
  static_assert(kRollLeft >= 0 && kRollRight <= W, "the rolls stay inside the picture");
  cairo_surface_t* s = NewSurface(W, H);
  const Rgb paper = Hex(0xF1E2BA), stain = Hex(0xD9BE86), burnt = Hex(0x9C7440);
  PaintPixels(s, [&](int x, int y) {
    const double n = Fbm(x / 90.0, y / 90.0, 51, 5);
    Rgb c = Mix(paper, stain, SmoothStep(0.5, 0.8, n) * 0.7);
    const double edge = std::min({x - kBodyLeft, kBodyRight - x, y - kTopRoll, kBottomRoll - y, 40.0});
    c = Mix(c, burnt, (1 - SmoothStep(0, 34, edge)) * 0.55);
    const double fibre = Fbm(x / 3.0, y / 40.0, 52, 2) - 0.5;
    return Shade(c, 1 + fibre * 0.06);
  });
  cairo_t* cr = cairo_create(s);
  // The rolls at top and bottom.
  for (double cy : {kTopRollY, kBottomRollY}) {
    cairo_pattern_t* roll = cairo_pattern_create_linear(0, cy - kRollHalf, 0, cy + kRollHalf);
    AddStop(roll, 0, Hex(0xB48A50));
    AddStop(roll, 0.35, Hex(0xF4E2B6));
    AddStop(roll, 0.7, Hex(0xD0AE72));
    AddStop(roll, 1, Hex(0x7A5428));
    cairo_set_source(cr, roll);
    cairo_rectangle(cr, kRollLeft + 6, cy - kRollHalf, kRollRight - kRollLeft - 12, 2 * kRollHalf);
    cairo_fill(cr);
    cairo_pattern_destroy(roll);
    for (double ex : {kRollLeft + 12, kRollRight - 12}) {  // the rolled ends
      cairo_pattern_t* end = cairo_pattern_create_radial(ex - 3, cy - 6, 2, ex, cy, 26);
      AddStop(end, 0, Hex(0xE8CFA0));
      AddStop(end, 0.6, Hex(0xB8905A));
      AddStop(end, 1, Hex(0x5E3E1C));
      cairo_set_source(cr, end);
      cairo_save(cr);
      cairo_translate(cr, ex, cy);
      cairo_scale(cr, 0.55, 1);
      cairo_arc(cr, 0, 0, kRollHalf, 0, 2 * kPi);
      cairo_restore(cr);
      cairo_fill(cr);
      SetColour(cr, Hex(0x5E3E1C), 0.9);
      cairo_set_line_width(cr, 1.6);
      cairo_save(cr);
      cairo_translate(cr, ex, cy);
      cairo_scale(cr, 0.55, 1);
      for (double r = 6; r < kRollHalf; r += 6) cairo_arc(cr, 0, 0, r, 0, 2 * kPi), cairo_new_sub_path(cr);
      cairo_restore(cr);
      cairo_stroke(cr);
    }
  }
  // A ruled double frame round the writing, and a short rule under the title.
  SetColour(cr, Hex(0x8A6432), 0.7);
  cairo_set_line_width(cr, 2);
  cairo_rectangle(cr, kFrameLeft, kFrameTop, kFrameRight - kFrameLeft, kFrameBottom - kFrameTop);
  cairo_stroke(cr);
  cairo_set_line_width(cr, 1);
  cairo_rectangle(cr, kFrameLeft + 6, kFrameTop + 6, kFrameRight - kFrameLeft - 12, kFrameBottom - kFrameTop - 12);
  cairo_stroke(cr);
  cairo_set_line_width(cr, 1.5);
  cairo_move_to(cr, kMiddle - kTitleRuleHalf, kTitleRuleY);
  cairo_line_to(cr, kMiddle + kTitleRuleHalf, kTitleRuleY);
  cairo_stroke(cr);
  cairo_destroy(cr);
  Image img = TakeImage(s);
  // The cut: rolls whole, the sheet between them with a ragged edge, nothing below the lower roll.
  for (int y = 0; y < H; ++y)
    for (int x = 0; x < W; ++x) {
      double a;
      const double rollTop = std::fabs(y - kTopRollY), rollBottom = std::fabs(y - kBottomRollY);
      if (rollTop <= kRollHalf || rollBottom <= kRollHalf) {
        const double r = std::min(rollTop, rollBottom);
        const double ends = std::min(x - (kRollLeft + 3), kRollRight - 3 - x);
        a = Clamp01(kRollHalf + 0.5 - r) * Clamp01(ends + 0.5 - (r > 20 ? 2 : 0));
      } else if (y > kTopRoll && y < kBottomRoll + 2) {
        const double rag = 6 * Fbm(y / 14.0, x < kMiddle ? 1.0 : 9.0, 53, 3);
        const double left = kBodyLeft - 6 + rag, right = kBodyRight + 6 - rag;
        a = Clamp01(x + 0.5 - left) * Clamp01(right - x + 0.5);
      } else {
        a = 0;
      }
      img.px[(static_cast<size_t>(y) * W + x) * 4 + 3] = static_cast<uint8_t>(std::lround(a * 255));
    }
  AddMasked(out, "bigsv.jpg", "mbigsv.jpg", img);
}
