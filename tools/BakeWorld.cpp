// The world pictures: the unit shadow, the ground sheets and their mask, the altar, the hut and the
// turret.
#include <algorithm>
#include <cmath>
#include <string>

#include "Bake.h"
#include "Noise.h"
#include "Shapes.h"

namespace {

// Ground frames: the cell's 64×32 diamond on top, the earth sides hanging below it.
constexpr int kTileW = 64, kTileH = 128, kSide = 20;

// Ground-plane coordinates of a frame pixel: one unit per cell along each diamond edge, so noise that
// repeats every unit joins seamlessly with the neighbouring cells.
void Lattice(double x, double y, double& s, double& t) {
  s = (x / 32.0 + y / 16.0) / 2;
  t = (y / 16.0 - x / 32.0) / 2;
}

double TileNoise(double x, double y, uint32_t seed, int cells, int octaves = 3) {
  double s, t;
  Lattice(x, y, s, t);
  return Fbm(s * cells + 64.0 * cells, t * cells + 64.0 * cells, seed, octaves, cells);
}

void DiamondPath(cairo_t* cr, double grow) {
  cairo_move_to(cr, 32, -grow);
  cairo_line_to(cr, 64 + 2 * grow, 16);
  cairo_line_to(cr, 32, 32 + grow);
  cairo_line_to(cr, -2 * grow, 16);
  cairo_close_path(cr);
}

struct GroundStyle {
  Rgb dark, light, sideLeft, sideRight, lip;
  uint32_t seed;
};

// The colour of the top of ground `kind` at a frame pixel.
Rgb GroundTop(int kind, const GroundStyle& g, int x, int y, int variant) {
  const double n = TileNoise(x + 0.5, y + 0.5, g.seed, 4);
  const double grain = Rand01(x, y, g.seed * 7 + variant) - 0.5;
  Rgb c = Mix(g.dark, g.light, n);
  switch (kind) {
    case 3: {  // sand: wind ripples
      double s, t;
      Lattice(x + 0.5, y + 0.5, s, t);
      const double ripple = std::sin(2 * kPi * (s * 3 + 0.6 * TileNoise(x, y, g.seed + 3, 2)));
      c = Shade(c, 1 + ripple * 0.05);
      break;
    }
    case 4: {  // stone paving: four flags per cell, mortar between
      double s, t;
      Lattice(x + 0.5, y + 0.5, s, t);
      const double fs = s * 2 - std::floor(s * 2), ft = t * 2 - std::floor(t * 2);
      const int id = (static_cast<int>(std::floor(s * 2)) & 1) * 2 + (static_cast<int>(std::floor(t * 2)) & 1);
      c = Shade(c, 0.9 + 0.2 * Rand01(id, variant, g.seed));
      const double joint = std::min({fs, 1 - fs, ft, 1 - ft});
      c = Mix(Hex(0x55514A), c, SmoothStep(0.02, 0.07, joint));
      break;
    }
    case 5: {  // water: slow swell
      const double swell = TileNoise(x + 0.5, y + 0.5, g.seed + 9, 2, 2);
      c = Mix(c, Hex(0x9FD0E8), SmoothStep(0.62, 0.85, swell) * 0.35);
      break;
    }
    default: break;
  }
  return Shade(c, 1 + grain * (kind == 5 ? 0.04 : 0.1));
}

void GrassBlades(cairo_t* cr, Scatter& r, int count, Rgb dark, Rgb light) {
  cairo_set_line_width(cr, 1);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  for (int i = 0; i < count; ++i) {
    const double u = r.Range(-0.8, 0.8), v = r.Range(-0.8, 0.8);
    const double x = 32 + (u - v) * 32 * 0.5 * 0.9, y = 16 + (u + v) * 16 * 0.5 * 0.9 + 2;
    const double h = r.Range(2, 4.5), lean = r.Range(-1.5, 1.5);
    SetColour(cr, Mix(dark, light, r.Next()), 0.9);
    cairo_move_to(cr, x, y);
    cairo_line_to(cr, x + lean, y - h);
    cairo_stroke(cr);
  }
}

// A point well inside the diamond.
void InsidePoint(Scatter& r, double& x, double& y, double margin = 0.75) {
  const double u = r.Range(-margin, margin), v = r.Range(-margin, margin);
  x = 32 + (u - v) * 16;
  y = 16 + (u + v) * 8;
}

void GroundDetails(cairo_t* cr, int kind, int variant, const GroundStyle& g) {
  Scatter r(g.seed * 31 + variant);
  switch (kind) {
    case 0:
      GrassBlades(cr, r, 26 + variant * 4, Shade(g.dark, 0.8), Shade(g.light, 1.1));
      break;
    case 1: {
      GrassBlades(cr, r, 18, Shade(g.dark, 0.8), Shade(g.light, 1.1));
      const Rgb petals[] = {Hex(0xFFFFFF), Hex(0xFFE14A), Hex(0xF28BC4), Hex(0x8FB6FF), Hex(0xFF9A5A)};
      const int flowers = 5 + variant * 2;
      for (int i = 0; i < flowers; ++i) {
        double x, y;
        InsidePoint(r, x, y);
        const Rgb c = petals[(i + variant) % 5];
        for (int p = 0; p < 5; ++p) {
          const double a = p * 2 * kPi / 5 + i;
          SetColour(cr, c);
          EllipsePath(cr, x + std::cos(a) * 1.5, y + std::sin(a) * 0.9, 1.1, 0.8);
          cairo_fill(cr);
        }
        SetColour(cr, Hex(0xE8A020));
        EllipsePath(cr, x, y, 0.8, 0.6);
        cairo_fill(cr);
      }
      break;
    }
    case 2:
    case 3: {  // pebbles on the path, shells and stones on the sand
      const int count = kind == 2 ? 6 + variant * 2 : 2 + variant;
      for (int i = 0; i < count; ++i) {
        double x, y;
        InsidePoint(r, x, y);
        const double rx = r.Range(1.0, kind == 2 ? 2.6 : 1.8);
        SetColour(cr, Hex(0x3A2C1C), 0.35);
        EllipsePath(cr, x + 0.6, y + 0.6, rx, rx * 0.6);
        cairo_fill(cr);
        SetColour(cr, Mix(Hex(0x8A8276), Hex(0xC8BEAE), r.Next()));
        EllipsePath(cr, x, y, rx, rx * 0.6);
        cairo_fill(cr);
      }
      if (kind == 2) {  // cart ruts
        SetColour(cr, Shade(g.dark, 0.85), 0.35);
        cairo_set_line_width(cr, 1.5);
        for (double off : {-5.0, 5.0}) {
          cairo_move_to(cr, 16 + off, 8 + off * 0.5 + variant * 0.5);
          cairo_line_to(cr, 48 + off, 24 + off * 0.5 + variant * 0.5);
        }
        cairo_stroke(cr);
      }
      break;
    }
    case 4: {  // moss in the joints
      for (int i = 0; i < 3 + variant; ++i) {
        double x, y;
        InsidePoint(r, x, y, 0.9);
        SetColour(cr, Hex(0x5E7A36), 0.6);
        EllipsePath(cr, x, y, r.Range(1, 2.5), r.Range(0.6, 1.2));
        cairo_fill(cr);
      }
      break;
    }
    case 5: {  // glints on the water, a lily pad on one variant
      cairo_set_line_width(cr, 1);
      for (int i = 0; i < 4 + variant; ++i) {
        double x, y;
        InsidePoint(r, x, y);
        SetColour(cr, Hex(0xE6F6FF), 0.55);
        EllipseArc(cr, x, y, r.Range(2, 4), 1.2, kPi * 1.1, kPi * 1.9);
        cairo_stroke(cr);
      }
      if (variant == 3) {
        SetColour(cr, Hex(0x3F7A2E));
        cairo_move_to(cr, 30, 18);
        EllipseArc(cr, 30, 18, 6, 3, 0.4, 2 * kPi - 0.2);
        cairo_close_path(cr);
        cairo_fill(cr);
        SetColour(cr, Hex(0xF6D8F0));
        EllipsePath(cr, 28, 17, 1.6, 1.1);
        cairo_fill(cr);
      }
      break;
    }
    default: break;
  }
}

const GroundStyle kGround[kGroundCount] = {
    {Hex(0x4C7A2C), Hex(0x78A743), Hex(0x7A5834), Hex(0x5C4026), Hex(0x4E7E2C), 101},  // grass
    {Hex(0x4F7F2E), Hex(0x7DAE48), Hex(0x7A5834), Hex(0x5C4026), Hex(0x4E7E2C), 101},  // flowers
    {Hex(0x7E603C), Hex(0xA8875A), Hex(0x73522F), Hex(0x583D22), Hex(0x7E603C), 103},  // dirt path
    {Hex(0xC9AD74), Hex(0xE4CE98), Hex(0xAE8E5A), Hex(0x8C7044), Hex(0xC9AD74), 104},  // sand
    {Hex(0x85807A), Hex(0xB0ABA2), Hex(0x7C776E), Hex(0x5E5A52), Hex(0x85807A), 105},  // stone
    {Hex(0x2C6890), Hex(0x4F98C0), Hex(0x6A5A40), Hex(0x4E4030), Hex(0x6C8A4A), 106},  // water
};

}  // namespace

void BakeShadow(Baked& out) {
  cairo_surface_t* s = NewSurface(64, 32);
  cairo_t* cr = cairo_create(s);
  cairo_save(cr);
  cairo_translate(cr, 32, 16);
  cairo_scale(cr, 1, 0.5);
  cairo_pattern_t* p = cairo_pattern_create_radial(0, 0, 0, 0, 0, 24);
  AddStop(p, 0, Hex(0x000000), 0.6);
  AddStop(p, 0.55, Hex(0x000000), 0.45);
  AddStop(p, 1, Hex(0x000000), 0);
  cairo_set_source(cr, p);
  cairo_arc(cr, 0, 0, 24, 0, 2 * kPi);
  cairo_fill(cr);
  cairo_pattern_destroy(p);
  cairo_restore(cr);
  cairo_destroy(cr);
  AddTga(out, "shad.tga", TakeImage(s));
}

void BakeGround(Baked& out) {
  std::string list = std::to_string(kGroundCount) + "\r\n";
  const char* names[kGroundCount] = {"grass", "flowers", "dirt path", "sand", "stone paving", "water"};
  for (int k = 0; k < kGroundCount; ++k) list += std::to_string(k + 1) + " " + names[k] + "\r\n";
  AddText(out, "T/K.txt", list);

  // The one mask: the diamond (grown half a pixel so neighbours overlap without seams) and its sides.
  cairo_surface_t* m = DrawFrames(kTileW, kTileH, kGroundFrames, kGroundFrames, [](cairo_t* cr, int) {
    cairo_set_source_rgb(cr, 1, 1, 1);
    DiamondPath(cr, 0.75);
    cairo_fill(cr);
    cairo_move_to(cr, -0.5, 16);
    cairo_line_to(cr, 32, 32.5);
    cairo_line_to(cr, 64.5, 16);
    cairo_line_to(cr, 64.5, 16 + kSide);
    cairo_line_to(cr, 32, 32 + kSide);
    cairo_line_to(cr, -0.5, 16 + kSide);
    cairo_close_path(cr);
    cairo_fill(cr);
  });
  const Image mask = TakeImage(m);
  AddMask(out, "T/m1.jpg", mask);

  for (int k = 0; k < kGroundCount; ++k) {
    const GroundStyle& g = kGround[k];
    cairo_surface_t* s = NewSurface(kTileW * kGroundFrames, kTileH);
    PaintPixels(s, [&](int px, int py) {
      const int x = px % kTileW, variant = px / kTileW + 1;
      const double diamondBottom = 32 - std::fabs(x + 0.5 - 32) / 2;
      if (py + 0.5 <= diamondBottom + 0.5) return GroundTop(k, g, x, py, variant);
      // Earth sides: layered soil, lit from the left.
      const double depth = py + 0.5 - diamondBottom;
      Rgb c = x < 32 ? g.sideLeft : g.sideRight;
      if (depth < 3) c = g.lip;
      else c = Shade(c, 1 - depth / 60 + 0.08 * std::sin(depth * 1.3 + x * 0.2));
      if (k == 4 && depth >= 3)  // stone blocks
        c = Shade(c, (static_cast<int>(depth) % 9 == 0 || (static_cast<int>(x + (static_cast<int>(depth) / 9) * 7) % 16 == 0)) ? 0.7 : 1.0);
      return Shade(c, 1 + (Rand01(x, py, 77) - 0.5) * 0.1);
    });
    cairo_t* cr = cairo_create(s);
    for (int v = 0; v < kGroundFrames; ++v) {
      cairo_save(cr);
      cairo_translate(cr, v * kTileW, 0);
      DiamondPath(cr, -0.5);
      cairo_clip(cr);
      GroundDetails(cr, k, v + 1, g);
      cairo_restore(cr);
    }
    cairo_destroy(cr);
    Image img = TakeImage(s);
    out.files.push_back({"T/" + std::to_string(k + 1) + ".jpg", OutFile::kJpg, img, {}});
    for (size_t i = 3; i < img.px.size(); i += 4) img.px[i] = mask.px[i];
    out.sheet.push_back({img, kTileW, kTileH});
  }
}

namespace {

// A flame of several tongues rising from (cx, base); `phase` 0..1 runs the flicker loop.
void Flame(cairo_t* cr, double cx, double base, double width, double height, double phase, uint32_t seed) {
  struct Layer {
    uint32_t colour;
    double scale;
  };
  const Layer layers[] = {{0xD8400C, 1.0}, {0xFF8A1C, 0.8}, {0xFFD24A, 0.58}, {0xFFF6D0, 0.34}};
  for (const auto& layer : layers) {
    for (int tongue = 0; tongue < 3; ++tongue) {
      const double off = (tongue - 1) * width * 0.32 * layer.scale;
      const double tp = phase + tongue * 0.37 + Rand01(tongue, 0, seed) * 0.2;
      const double h = height * layer.scale * (tongue == 1 ? 1.0 : 0.7) * (0.85 + 0.15 * std::sin(2 * kPi * tp));
      const double w = width * layer.scale * (tongue == 1 ? 0.55 : 0.38);
      cairo_new_path(cr);
      const int steps = 24;
      for (int side = 0; side < 2; ++side)
        for (int i = 0; i <= steps; ++i) {
          const double u = side == 0 ? static_cast<double>(i) / steps : 1.0 - static_cast<double>(i) / steps;
          const double sway = std::sin(2 * kPi * (u * 1.2 - tp)) * width * 0.18 * u;
          const double half = w * std::pow(1 - u, 1.1) * std::min(1.0, 0.45 + 2.5 * u);
          const double x = cx + off * (1 - u) + sway + (side == 0 ? -half : half);
          const double y = base - h * u;
          if (side == 0 && i == 0) cairo_move_to(cr, x, y);
          else cairo_line_to(cr, x, y);
        }
      cairo_close_path(cr);
      SetColour(cr, Hex(layer.colour), 0.95);
      cairo_fill(cr);
    }
  }
}

// Frame 4 is shown only briefly between 3 and 1, so its phase sits between theirs.
double LoopPhase(int frame) { return frame <= 3 ? (frame - 1) / 3.0 : 0.85; }

}  // namespace

void BakeAltar(Baked& out) {
  // 128×256 frames shown at half size; the cell's diamond is the bottom 64 pixels, centred at (64, 224).
  cairo_surface_t* s = DrawFrames(128, 256, 4, 4, [](cairo_t* cr, int frame) {
    const Rgb stone = Hex(0x9A948A), stoneTop = Hex(0xC4BEB2), stoneDark = Hex(0x6E6960), line = Hex(0x3A3630);
    const double phase = LoopPhase(frame);
    // Glow of the fire on the stones.
    cairo_pattern_t* glow = cairo_pattern_create_radial(64, 110, 10, 64, 120, 70);
    AddStop(glow, 0, Hex(0xFFB040), 0.5 + 0.1 * std::sin(2 * kPi * phase));
    AddStop(glow, 1, Hex(0xFF8020), 0);
    cairo_set_source(cr, glow);
    cairo_paint(cr);
    cairo_pattern_destroy(glow);
    IsoBox(cr, 64, 228, 56, 28, 16, stoneTop, stone, stoneDark, line);
    IsoBox(cr, 64, 212, 40, 20, 14, stoneTop, stone, stoneDark, line);
    IsoBox(cr, 64, 198, 20, 10, 52, stoneTop, stone, stoneDark, line);
    // Carved rune on the front of the pillar, lit by the fire.
    SetColour(cr, Hex(0xFFB040), 0.55 + 0.2 * std::sin(2 * kPi * phase + 1));
    cairo_set_line_width(cr, 2);
    cairo_move_to(cr, 54, 178);
    cairo_line_to(cr, 54, 194);
    cairo_move_to(cr, 54, 182);
    cairo_line_to(cr, 49, 188);
    cairo_move_to(cr, 74, 176);
    cairo_line_to(cr, 74, 192);
    cairo_move_to(cr, 74, 180);
    cairo_line_to(cr, 79, 186);
    cairo_stroke(cr);
    // The brazier bowl.
    cairo_new_path(cr);
    cairo_move_to(cr, 30, 142);
    EllipseArc(cr, 64, 142, 34, 18, kPi, 0);
    cairo_close_path(cr);
    FillWith(cr, SideLight(30, 98, Hex(0x6A4A2A)), true);
    SetColour(cr, line);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    EllipsePath(cr, 64, 142, 34, 12);
    SetColour(cr, Hex(0x8A6438));
    cairo_fill_preserve(cr);
    SetColour(cr, line);
    cairo_stroke(cr);
    EllipsePath(cr, 64, 143, 28, 9);
    SetColour(cr, Hex(0xFF7A18));
    cairo_fill(cr);
    Flame(cr, 64, 146, 58, 120, phase, 7);
    // Sparks drifting up.
    Scatter r(300);
    for (int i = 0; i < 6; ++i) {
      const double sx = 64 + r.Range(-24, 24), speed = r.Range(0.6, 1.0);
      const double u = std::fmod(r.Next() + phase * speed, 1.0);
      SetColour(cr, Hex(0xFFE080), 1 - u);
      cairo_arc(cr, sx + std::sin(u * 6 + i) * 4, 40 - u * 30 + 60 * (1 - speed), 1.8, 0, 2 * kPi);
      cairo_fill(cr);
    }
  });
  AddMasked(out, "altar.jpg", "altarm.jpg", TakeImage(s), 128, 256);
}

namespace {

// The hut in 256×256 frames shown at 3/4 size. Its cell's diamond centre is at (128, 192).
constexpr double kHutX = 128, kHutBase = 194, kHutRx = 68, kHutRy = 32, kHutWall = 52;
constexpr double kDoorHalf = 17, kDoorTop = kHutBase + kHutRy - 50;

enum HutPart { kWhole, kFront };

void DrawHut(cairo_t* cr, int frame, HutPart part) {
  const double phase = LoopPhase(frame);
  const Rgb line = Hex(0x2E1E10);
  const double roofY = kHutBase - kHutWall, apexY = 64;
  if (part == kFront) cairo_push_group(cr);
  // Wall: daub between timber posts.
  Cylinder(cr, kHutX, kHutBase, kHutRx, kHutRy, kHutWall, Hex(0xD2B484), Hex(0xD2B484), line);
  cairo_set_line_width(cr, 4);
  for (int i = 1; i < 8; ++i) {
    const double a = kPi * i / 8;
    const double x = kHutX - kHutRx * std::cos(a);
    const double yb = kHutBase + kHutRy * std::sin(a);
    SetColour(cr, Mix(Hex(0x6A4424), Hex(0x3A2412), std::fabs(std::cos(a - 0.6))));
    cairo_move_to(cr, x, yb);
    cairo_line_to(cr, x, yb - kHutWall);
    cairo_stroke(cr);
  }
  // A small window that flickers with the hearth inside.
  const double wx = kHutX - 44, wy = kHutBase - 1;
  SetColour(cr, Hex(0x3A2412));
  cairo_rectangle(cr, wx - 8, wy - 10, 16, 14);
  cairo_fill(cr);
  const double flicker = 0.55 + 0.45 * (frame == 1 ? 1.0 : frame == 2 ? 0.55 : frame == 3 ? 0.85 : 0.7);
  SetColour(cr, Mix(Hex(0x8A4A10), Hex(0xFFD060), flicker));
  cairo_rectangle(cr, wx - 6, wy - 8, 12, 10);
  cairo_fill(cr);
  SetColour(cr, Hex(0x3A2412));
  cairo_set_line_width(cr, 1.5);
  cairo_move_to(cr, wx, wy - 8);
  cairo_line_to(cr, wx, wy + 2);
  cairo_stroke(cr);
  // The doorway: dark inside, a timber frame.
  const double doorBottom = kHutBase + kHutRy - 1;
  cairo_new_path(cr);
  cairo_move_to(cr, kHutX - kDoorHalf, doorBottom);
  cairo_line_to(cr, kHutX - kDoorHalf, kDoorTop + kDoorHalf);
  cairo_arc(cr, kHutX, kDoorTop + kDoorHalf, kDoorHalf, kPi, 0);
  cairo_line_to(cr, kHutX + kDoorHalf, doorBottom);
  cairo_close_path(cr);
  cairo_pattern_t* inside = cairo_pattern_create_linear(0, kDoorTop, 0, doorBottom);
  AddStop(inside, 0, Hex(0x1A0E06));
  AddStop(inside, 1, Mix(Hex(0x3A200C), Hex(0x8A4A16), flicker * 0.6));
  FillWith(cr, inside, true);
  SetColour(cr, Hex(0x5A3A1C));
  cairo_set_line_width(cr, 3.5);
  cairo_stroke(cr);
  // Thatched cone roof with a ragged eave.
  const double eaveRx = kHutRx + 14, eaveRy = kHutRy + 8;
  cairo_new_path(cr);
  cairo_move_to(cr, kHutX, apexY);
  cairo_line_to(cr, kHutX - eaveRx, roofY);
  for (int i = 0; i <= 32; ++i) {
    const double a = kPi - kPi * i / 32;
    const double sag = (i % 2) * 3.5;
    cairo_line_to(cr, kHutX + eaveRx * std::cos(a), roofY + eaveRy * std::sin(a) + sag);
  }
  cairo_close_path(cr);
  FillWith(cr, SideLight(kHutX - eaveRx, kHutX + eaveRx, Hex(0xC8A048)), true);
  SetColour(cr, line);
  cairo_set_line_width(cr, 1.5);
  cairo_stroke(cr);
  // Straw strands and two binding rings.
  Scatter r(17);
  cairo_set_line_width(cr, 1);
  for (int i = 0; i < 46; ++i) {
    const double a = kPi * r.Range(0.02, 0.98);
    const double ex = kHutX - eaveRx * std::cos(a), ey = roofY + eaveRy * std::sin(a);
    const double t0 = r.Range(0.1, 0.5);
    SetColour(cr, Mix(Hex(0x7A5A20), Hex(0xF0D080), r.Next()), 0.7);
    cairo_move_to(cr, kHutX + (ex - kHutX) * t0, apexY + (ey - apexY) * t0);
    cairo_line_to(cr, ex, ey);
    cairo_stroke(cr);
  }
  for (double t : {0.35, 0.65}) {
    SetColour(cr, Hex(0x6A4A1C));
    cairo_set_line_width(cr, 2.5);
    cairo_new_path(cr);
    EllipseArc(cr, kHutX, apexY + (roofY - apexY) * t, eaveRx * t, eaveRy * t, kPi * 0.98, kPi * 0.02);
    cairo_stroke(cr);
  }
  // Smoke-hole cap.
  EllipsePath(cr, kHutX, apexY + 2, 8, 4);
  SetColour(cr, Hex(0x5A3A1C));
  cairo_fill(cr);
  if (part == kFront) {
    // Only what stands in front of a unit leaving: the whole hut but its open doorway.
    cairo_pop_group_to_source(cr);
    cairo_paint(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_CLEAR);
    cairo_move_to(cr, kHutX - kDoorHalf + 2, doorBottom + 4);
    cairo_line_to(cr, kHutX - kDoorHalf + 2, kDoorTop + kDoorHalf);
    cairo_arc(cr, kHutX, kDoorTop + kDoorHalf, kDoorHalf - 2, kPi, 0);
    cairo_line_to(cr, kHutX + kDoorHalf - 2, doorBottom + 4);
    cairo_close_path(cr);
    cairo_fill(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_OVER);
    return;
  }
  // Smoke from the roof, drifting right; the loop moves each puff a third of the way up.
  for (int i = 0; i < 4; ++i) {
    const double u = std::fmod(i / 4.0 + phase / 4.0 * 1.0 + (frame == 4 ? 0.0 : 0.0), 1.0);
    const double y = apexY - 6 - u * 56, x = kHutX + 4 + u * 26 + std::sin(u * 5) * 4;
    const double rad = 6 + u * 11;
    cairo_pattern_t* p = cairo_pattern_create_radial(x - rad * 0.3, y - rad * 0.3, 0, x, y, rad);
    AddStop(p, 0, Hex(0xEEEAE4), 0.95 * (1 - u * 0.75));
    AddStop(p, 1, Hex(0xA8A4A0), 0);
    cairo_set_source(cr, p);
    cairo_arc(cr, x, y, rad, 0, 2 * kPi);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
  }
}

}  // namespace

void BakeHome(Baked& out) {
  Image whole = TakeImage(DrawFrames(256, 256, 4, 4, [](cairo_t* cr, int f) { DrawHut(cr, f, kWhole); }));
  const Image front = TakeImage(DrawFrames(256, 256, 4, 4, [](cairo_t* cr, int f) { DrawHut(cr, f, kFront); }));
  AddMasked(out, "home.jpg", "homem.jpg", whole, 256, 256);
  AddMask(out, "home2m.jpg", front);
  // The sheet shows the front cut too, in the hut's colours.
  Image frontShown = out.files.front().img;
  for (size_t i = 3; i < frontShown.px.size(); i += 4) frontShown.px[i] = front.px[i];
  out.sheet.push_back({frontShown, 256, 256});
}

void BakeGun(Baked& out) {
  // 32 frames of 128×128 drawn 1:1 at (x − 32, y − 64): the cell's diamond centre is at (64, 80).
  cairo_surface_t* s = DrawFrames(128, 128, 8, 32, [](cairo_t* cr, int frame) {
    const double theta = (frame - 21) * 11.25 * kPi / 180;  // on screen, y down
    // The barrel turns in the ground plane; its picture on the 2:1 screen points at theta.
    const double phi = std::atan2(2 * std::sin(theta), std::cos(theta));
    const double dx = std::cos(phi), dy = std::sin(phi) * 0.5;
    const Rgb line = Hex(0x1E1E22), iron = Hex(0x5A5E68), brass = Hex(0xC09040);
    // Stone plinth on the cell.
    Cylinder(cr, 64, 88, 36, 18, 12, Hex(0x8C867C), Hex(0xB4AEA2), line);
    const double px = 64, py = 54;  // the turret's pivot, above the plinth
    auto barrel = [&] {
      const double len = 56, r = 6;
      const double ex = px + dx * len, ey = py + dy * len;
      // Seen from the side the barrel is a band; its width follows the 2:1 view.
      const double nx = -dy, ny = dx;
      const double nl = std::hypot(nx, ny);
      const double ox = nx / nl * r, oy = ny / nl * r;
      cairo_move_to(cr, px + ox, py + oy);
      cairo_line_to(cr, ex + ox, ey + oy);
      cairo_line_to(cr, ex - ox, ey - oy);
      cairo_line_to(cr, px - ox, py - oy);
      cairo_close_path(cr);
      cairo_pattern_t* p = cairo_pattern_create_linear(px + ox, py + oy, px - ox, py - oy);
      AddStop(p, 0, Shade(iron, 0.6));
      AddStop(p, 0.35, Shade(iron, 1.35));
      AddStop(p, 1, Shade(iron, 0.55));
      FillWith(cr, p, true);
      SetColour(cr, line);
      cairo_set_line_width(cr, 1.2);
      cairo_stroke(cr);
      // Brass band and the muzzle.
      for (double t : {0.55, 0.97}) {
        const double bx = px + dx * len * t, by = py + dy * len * t;
        cairo_move_to(cr, bx + ox * 1.25, by + oy * 1.25);
        cairo_line_to(cr, bx - ox * 1.25, by - oy * 1.25);
        SetColour(cr, brass);
        cairo_set_line_width(cr, 3);
        cairo_stroke(cr);
      }
      const double mr = std::max(1.5, r * std::fabs(dy / std::hypot(dx, dy)) * 1.6 + 1.5);
      EllipsePath(cr, ex, ey, std::max(2.0, std::fabs(oy) + 1.0) * (std::fabs(dx) < 0.3 ? 1.2 : 0.5) + 1, mr * 0.6 + 1);
      SetColour(cr, Hex(0x101012));
      cairo_fill(cr);
    };
    const bool away = dy < 0;  // pointing into the picture: the head covers the barrel
    if (away) barrel();
    // Turret head: a squat dome on a ring, its slit turned with the barrel.
    Cylinder(cr, px, py + 14, 22, 11, 9, iron, Shade(iron, 1.1), line);
    cairo_new_path(cr);
    cairo_move_to(cr, px - 20, py + 5);
    cairo_curve_to(cr, px - 20, py - 19, px + 20, py - 19, px + 20, py + 5);
    EllipseArc(cr, px, py + 5, 20, 10, 0, kPi);
    cairo_close_path(cr);
    cairo_pattern_t* dome = cairo_pattern_create_radial(px - 7, py - 6, 1, px, py, 20);
    AddStop(dome, 0, Shade(iron, 1.5));
    AddStop(dome, 1, Shade(iron, 0.6));
    FillWith(cr, dome, true);
    SetColour(cr, line);
    cairo_set_line_width(cr, 1.2);
    cairo_stroke(cr);
    // A brass finial marks the top.
    SetColour(cr, brass);
    cairo_arc(cr, px, py - 11, 3, 0, 2 * kPi);
    cairo_fill(cr);
    if (!away) barrel();
  });
  AddMasked(out, "gun1-1.jpg", "gun1-1m.jpg", TakeImage(s), 128, 128);
}
