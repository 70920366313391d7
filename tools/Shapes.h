// Small drawing helpers for the isometric world pictures (y grows downward, 2:1 ground plane).
#pragma once
#include <cairo.h>

#include "BakeImage.h"

constexpr double kPi = 3.14159265358979323846;

// An ellipse path (not filled).
inline void EllipsePath(cairo_t* cr, double cx, double cy, double rx, double ry) {
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, rx, ry);
  cairo_new_sub_path(cr);
  cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
  cairo_restore(cr);
}

// Part of an ellipse as a path segment, from angle a0 to a1 (increasing when a1 > a0).
inline void EllipseArc(cairo_t* cr, double cx, double cy, double rx, double ry, double a0, double a1) {
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, rx, ry);
  if (a1 >= a0) cairo_arc(cr, 0, 0, 1, a0, a1);
  else cairo_arc_negative(cr, 0, 0, 1, a0, a1);
  cairo_restore(cr);
}

// A source that shades a round body lit from the upper left: light at x0, dark at x1.
inline cairo_pattern_t* SideLight(double x0, double x1, Rgb c) {
  cairo_pattern_t* p = cairo_pattern_create_linear(x0, 0, x1, 0);
  AddStop(p, 0, Shade(c, 0.8));
  AddStop(p, 0.3, Shade(c, 1.18));
  AddStop(p, 0.65, c);
  AddStop(p, 1, Shade(c, 0.5));
  return p;
}

inline void FillWith(cairo_t* cr, cairo_pattern_t* p, bool preserve = false) {
  cairo_set_source(cr, p);
  if (preserve) cairo_fill_preserve(cr);
  else cairo_fill(cr);
  cairo_pattern_destroy(p);
}

// An upright cylinder standing on the ellipse (cx, cy, rx, ry), `h` tall, with its top cap.
inline void Cylinder(cairo_t* cr, double cx, double cy, double rx, double ry, double h, Rgb side, Rgb top,
                     Rgb line) {
  cairo_new_path(cr);
  cairo_move_to(cr, cx - rx, cy - h);
  cairo_line_to(cr, cx - rx, cy);
  EllipseArc(cr, cx, cy, rx, ry, kPi, 0);
  cairo_line_to(cr, cx + rx, cy - h);
  EllipseArc(cr, cx, cy - h, rx, ry, 0, kPi);
  cairo_close_path(cr);
  FillWith(cr, SideLight(cx - rx, cx + rx, side), true);
  SetColour(cr, line);
  cairo_set_line_width(cr, 1.2);
  cairo_stroke(cr);
  EllipsePath(cr, cx, cy - h, rx, ry);
  cairo_pattern_t* p = cairo_pattern_create_linear(cx - rx, cy - h - ry, cx + rx, cy - h + ry);
  AddStop(p, 0, Shade(top, 1.15));
  AddStop(p, 1, Shade(top, 0.8));
  FillWith(cr, p, true);
  SetColour(cr, line);
  cairo_stroke(cr);
}

// A box on the ground diamond centred at (cx, cy) with half sizes hw × hh, `h` tall.
inline void IsoBox(cairo_t* cr, double cx, double cy, double hw, double hh, double h, Rgb top, Rgb left,
                   Rgb right, Rgb line) {
  cairo_set_line_width(cr, 1.2);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  auto face = [&](double ax, double ay, double bx, double by, Rgb c) {
    cairo_move_to(cr, ax, ay);
    cairo_line_to(cr, bx, by);
    cairo_line_to(cr, bx, by - h);
    cairo_line_to(cr, ax, ay - h);
    cairo_close_path(cr);
    cairo_pattern_t* p = cairo_pattern_create_linear(0, ay - h, 0, ay + hh);
    AddStop(p, 0, Shade(c, 1.1));
    AddStop(p, 1, Shade(c, 0.8));
    FillWith(cr, p, true);
    SetColour(cr, line);
    cairo_stroke(cr);
  };
  face(cx - hw, cy, cx, cy + hh, left);
  face(cx, cy + hh, cx + hw, cy, right);
  cairo_move_to(cr, cx, cy - hh - h);
  cairo_line_to(cr, cx + hw, cy - h);
  cairo_line_to(cr, cx, cy + hh - h);
  cairo_line_to(cr, cx - hw, cy - h);
  cairo_close_path(cr);
  SetColour(cr, top);
  cairo_fill_preserve(cr);
  SetColour(cr, line);
  cairo_stroke(cr);
}
