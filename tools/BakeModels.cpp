// The walking units: a small 3D puppet of rounded parts, turned to each of the eight facings, posed
// for each of the 32 walk frames and drawn back to front. The villager's tunic is neutral grey; the
// colour overlay is the tunic alone in white; the leader is a robed elder with a staff.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "Bake.h"
#include "Shapes.h"

namespace {

constexpr int kFrameW = 64, kFrameH = 128, kFrames = 32, kColumns = 8;
// The feet stand at the middle of the 64×32 shadow, which lies 98 pixels below the frame's top.
constexpr double kFootX = 32, kFootY = 98 + 16 - 1;

struct P3 {
  double a, b, z;  // forward, to the figure's right, up
};

struct Part {
  std::vector<P3> pts;
  double radius;
  Rgb colour;
  bool tunic;   // belongs to the part the game tints
  double bias;  // added to the depth: parts that always lie behind or in front
  bool band = false;  // a ring (belt, hat band): only its half facing the viewer is drawn, as a stroke
};

struct Pose {
  double fx, fy;  // forward on the ground (y toward the viewer)
  double Depth(const P3& p) const { return p.a * fy + p.b * fx; }
  void Project(const P3& p, double& x, double& y) const {
    const double gx = p.a * fx - p.b * fy, gy = p.a * fy + p.b * fx;
    x = kFootX + gx;
    y = kFootY + gy * 0.5 - p.z;
  }
};

std::vector<P3> Ring(double a0, double b0, double z, double ra, double rb, int n = 12) {
  std::vector<P3> out;
  for (int i = 0; i < n; ++i) {
    const double t = 2 * kPi * i / n;
    out.push_back({a0 + ra * std::cos(t), b0 + rb * std::sin(t), z});
  }
  return out;
}

std::vector<P3> Join(std::vector<P3> a, const std::vector<P3>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

struct V2 {
  double x, y;
};

std::vector<V2> Hull(std::vector<V2> p) {
  std::sort(p.begin(), p.end(), [](V2 l, V2 r) { return l.x < r.x || (l.x == r.x && l.y < r.y); });
  if (p.size() < 3) return p;
  std::vector<V2> h(2 * p.size());
  size_t k = 0;
  auto cross = [](V2 o, V2 a, V2 b) { return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x); };
  for (size_t i = 0; i < p.size(); ++i) {
    while (k >= 2 && cross(h[k - 2], h[k - 1], p[i]) <= 0) --k;
    h[k++] = p[i];
  }
  for (size_t i = p.size() - 1, t = k + 1; i > 0; --i) {
    while (k >= t && cross(h[k - 2], h[k - 1], p[i - 1]) <= 0) --k;
    h[k++] = p[i - 1];
  }
  h.resize(k - 1);
  return h;
}

enum Look { kVillager, kColour, kLeader };

std::vector<Part> BuildFigure(Look look, int frame) {
  const double phase = 2 * kPi * (frame - 1) / kFrames;  // one stride of each leg per 32 frames
  const double swing = std::sin(phase);
  const double bob = 0.8 * std::cos(2 * phase);
  const double stride = 5.5;
  const double liftL = 2.5 * std::max(0.0, std::cos(phase)), liftR = 2.5 * std::max(0.0, -std::cos(phase));
  const double aL = stride * swing, aR = -stride * swing;
  const bool leader = look == kLeader;
  const Rgb skin = Hex(0xE8B68C), trousers = Hex(0x6A4A2C), shoes = Hex(0x3A2616), hair = Hex(0x5A3A1C);
  const Rgb tunic = leader ? Hex(0x2E3F8E) : Hex(0xC8C8C8);
  const Rgb belt = leader ? Hex(0xD8A838) : Hex(0x4A3018);
  std::vector<Part> parts;
  // Legs and shoes always lie behind the body.
  parts.push_back({{{0, -3, 16 + bob}, {aL * 0.5 + 1, -3, 8 + liftL}, {aL, -3, 1.5 + liftL}}, 2.3, trousers, false, -20});
  parts.push_back({{{0, 3, 16 + bob}, {aR * 0.5 + 1, 3, 8 + liftR}, {aR, 3, 1.5 + liftR}}, 2.3, trousers, false, -20});
  parts.push_back({{{aL + 1.3, -3, 1.2 + liftL}, {aL - 0.3, -3, 1.2 + liftL}}, 2.1, shoes, false, -19});
  parts.push_back({{{aR + 1.3, 3, 1.2 + liftR}, {aR - 0.3, 3, 1.2 + liftR}}, 2.1, shoes, false, -19});
  // The tunic (a robe for the leader).
  const double hem = leader ? 3.5 : 9;
  const double hemA = leader ? 6 : 4.8, hemB = leader ? 8 : 7;
  parts.push_back({Join(Join(Ring(0, 0, hem + bob, hemA, hemB), Ring(0, 0, 17 + bob, 4, 6)), Ring(0, 0, 28 + bob, 3.6, 6.4)),
                   0.8, tunic, true, 0});
  parts.push_back({Ring(0, 0, 16.8 + bob, 4.5, 6.5, 24), 0.9, belt, false, 0, true});
  // Arms swing against the legs: sleeve, forearm, hand.
  for (int side = -1; side <= 1; side += 2) {
    const double handA = side * 4.2 * swing;
    const double b = side * 7.3;
    const P3 shoulder{0, side * 6.6, 27 + bob}, elbow{handA * 0.5, b, 21.5 + bob}, hand{handA, b, 16 + bob};
    const double armDepth = 0;
    parts.push_back({{shoulder, elbow}, 2.3, tunic, true, armDepth});
    parts.push_back({{elbow, hand}, 1.8, leader ? tunic : skin, leader, armDepth});
    parts.push_back({{hand}, 2.0, skin, false, armDepth});
    if (leader && side > 0)  // the staff in the right hand
      parts.push_back({{{handA + 1, b + 0.5, 1}, {handA + 1, b + 0.5, 50 + bob}}, 1.1, Hex(0x7A5028), false, armDepth});
  }
  parts.push_back({{{0, 0, 30 + bob}}, 2.2, skin, false, 0.08});
  parts.push_back({{{0, 0, 35 + bob}}, 5.0, skin, false, 0.1});
  if (leader) {
    parts.push_back({{{3.4, 0, 31.5 + bob}, {3.8, 0, 28 + bob}}, 2.6, Hex(0xE8E6E0), false, 0.12});
    parts.push_back({Join(Ring(-0.4, 0, 38.5 + bob, 7.5, 7.5), {{-1.5, 0, 53 + bob}}), 0.8, Hex(0x3A2C7A), false, 0.2});
    parts.push_back({Ring(-0.4, 0, 40 + bob, 6.4, 6.4, 24), 1.0, Hex(0xD8A838), false, 0.21, true});
  } else {
    parts.push_back({{{-1.2, 0, 36.6 + bob}, {-0.4, 0, 37.6 + bob}}, 5.0, hair, false, 0.1});
  }
  for (int side = -1; side <= 1; side += 2)
    parts.push_back({{{4.8, side * 1.8, 35.2 + bob}}, 0.55, Hex(0x2A1A10), false, 0.11});
  if (leader)  // the gem on the staff glows
    parts.push_back({{{4.2 * swing + 1, 7.8, 51 + bob}}, 2.0, Hex(0x8FF4FF), false, 0});
  if (look == kColour)
    for (auto& p : parts) p.colour = p.tunic ? Hex(0xFFFFFF) : Hex(0x000000);
  return parts;
}

void DrawFigure(cairo_t* cr, Look look, int facing, int frame) {
  const double psi = kPi / 2 + facing * kPi / 4;
  const Pose pose{std::cos(psi), std::sin(psi)};
  std::vector<Part> parts = BuildFigure(look, frame);
  // Back to front: parts in a layer (bias) sort by how near they are; the bias orders the layers.
  std::vector<std::pair<double, size_t>> order;
  for (size_t i = 0; i < parts.size(); ++i) {
    double d = 0;
    for (const auto& p : parts[i].pts) d += pose.Depth(p);
    order.push_back({parts[i].bias * 100 + d / parts[i].pts.size() + i * 1e-6, i});
  }
  std::sort(order.begin(), order.end());
  const bool colourPass = look == kColour;
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  for (const auto& [depth, i] : order) {
    const Part& part = parts[i];
    std::vector<V2> pts;
    for (const auto& p : part.pts) {
      V2 v;
      pose.Project(p, v.x, v.y);
      pts.push_back(v);
    }
    if (part.band) {
      double centre = 0;
      for (const auto& p : part.pts) centre += pose.Depth(p) / part.pts.size();
      const size_t n = part.pts.size();
      size_t start = 0;
      while (start < n && pose.Depth(part.pts[start]) >= centre) ++start;
      SetColour(cr, part.colour);
      cairo_set_line_width(cr, 2 * part.radius);
      cairo_new_path(cr);
      bool drawing = false;
      for (size_t k = 1; k <= n; ++k) {
        const size_t j = (start + k) % n;
        if (pose.Depth(part.pts[j]) >= centre - 0.05) {
          if (drawing) cairo_line_to(cr, pts[j].x, pts[j].y);
          else cairo_move_to(cr, pts[j].x, pts[j].y);
          drawing = true;
        } else {
          drawing = false;
        }
      }
      cairo_stroke(cr);
      continue;
    }
    const std::vector<V2> hull = Hull(pts);
    auto path = [&] {
      cairo_new_path(cr);
      cairo_move_to(cr, hull[0].x, hull[0].y);
      for (size_t k = 1; k < hull.size(); ++k) cairo_line_to(cr, hull[k].x, hull[k].y);
      cairo_close_path(cr);
    };
    double x0 = hull[0].x, x1 = x0, y0 = hull[0].y, y1 = y0;
    for (const auto& v : hull) {
      x0 = std::min(x0, v.x), x1 = std::max(x1, v.x), y0 = std::min(y0, v.y), y1 = std::max(y1, v.y);
    }
    x0 -= part.radius, x1 += part.radius, y0 -= part.radius, y1 += part.radius;
    // Outline first, a little wider than the part (not for the eyes and other specks).
    if (part.radius >= 0.7) path();
    SetColour(cr, colourPass ? Hex(0) : Hex(0x1E140C), colourPass ? 1.0 : 0.85);
    cairo_set_line_width(cr, 2 * part.radius + 1.6);
    cairo_stroke_preserve(cr);
    cairo_fill(cr);
    path();
    cairo_pattern_t* p = cairo_pattern_create_linear(x0, y0, x1, y1);
    const double lo = colourPass ? 0.82 : 0.72, hi = colourPass ? 1.0 : 1.18;
    AddStop(p, 0, Shade(part.colour, hi));
    AddStop(p, 1, Shade(part.colour, lo));
    cairo_set_source(cr, p);
    cairo_set_line_width(cr, 2 * part.radius);
    if (part.radius > 0) cairo_stroke_preserve(cr);
    cairo_fill(cr);
    cairo_pattern_destroy(p);
  }
}

}  // namespace

void BakeModels(Baked& out, int set) {
  for (int facing = 0; facing < 8; ++facing) {
    const std::string d = std::to_string(facing);
    auto sheet = [&](Look look) {
      return TakeImage(DrawFrames(kFrameW, kFrameH, kColumns, kFrames, [&](cairo_t* cr, int f) {
        if (look == kColour) {
          cairo_set_source_rgb(cr, 0, 0, 0);
          cairo_paint(cr);
        }
        DrawFigure(cr, look, facing, f);
      }));
    };
    if (set == 0) {
      AddMasked(out, "Model/pt" + d + ".jpg", "Model/pt" + d + "m.jpg", sheet(kVillager), kFrameW, kFrameH);
      // The overlay is its own mask: white is the tunic, black lets the villager show.
      Image col = sheet(kColour);
      out.files.push_back({"Model/col" + d + ".jpg", OutFile::kJpg, col, {}});
      for (size_t i = 0; i < col.px.size(); i += 4) col.px[i + 3] = col.px[i];
      out.sheet.push_back({col, kFrameW, kFrameH});
    } else {
      AddMasked(out, "Model/sh" + d + ".jpg", "Model/sh" + d + "m.jpg", sheet(kLeader), kFrameW, kFrameH);
    }
  }
}
