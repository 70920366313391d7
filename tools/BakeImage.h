// Pictures as the baker holds them (RGBA, straight alpha), the drawing surface helpers and the writers.
#pragma once
#include <cairo.h>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

struct Image {
  int w = 0;
  int h = 0;
  std::vector<uint8_t> px;  // RGBA rows, straight (not premultiplied) alpha
};

// A frame drawer: draws frame `frame` (1-based) into a context whose origin is the frame's top-left
// and whose clip is the frame.
using FrameFn = std::function<void(cairo_t*, int frame)>;

// A w×h transparent drawing surface.
cairo_surface_t* NewSurface(int w, int h);
// Draws `count` frames of fw×fh, left to right then top to bottom in `cols` columns.
cairo_surface_t* DrawFrames(int fw, int fh, int cols, int count, const FrameFn& fn);
// Takes the surface's pixels (and destroys the surface).
Image TakeImage(cairo_surface_t* s);
// Gives every transparent or nearly transparent pixel the colour of the nearest opaque ones, so that
// JPEG blocks along a cut-out edge keep the object's colours instead of bleeding dark fringes.
void BleedColour(Image& img);
// The alpha channel as an opaque grey picture (a mask), and a picture forced opaque.
Image AlphaAsGrey(const Image& img);
Image Opaque(const Image& img);

bool WriteJpg(const std::string& path, const Image& img, int quality);
bool WriteTga(const std::string& path, const Image& img);
bool WritePng(const std::string& path, const Image& img);
// The PNG file's bytes, empty when it cannot be encoded.
std::vector<uint8_t> PngBytes(const Image& img);

// Colour helpers for cairo.
struct Rgb {
  double r, g, b;
};
Rgb Hex(uint32_t rgb);
Rgb Mix(Rgb a, Rgb b, double t);
Rgb Shade(Rgb c, double k);  // k > 1 lightens toward white, < 1 darkens
void SetColour(cairo_t* cr, Rgb c, double alpha = 1.0);
void AddStop(cairo_pattern_t* p, double at, Rgb c, double alpha = 1.0);

// Sets every pixel of the surface (opaque) from fn(x, y).
void PaintPixels(cairo_surface_t* s, const std::function<Rgb(int x, int y)>& fn);
double SmoothStep(double edge0, double edge1, double x);
double Clamp01(double x);
