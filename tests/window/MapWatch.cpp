// The watcher of window maps, apart from the rest of the desktop's tools: Xlib's macros (Status, None,
// Bool) would clash with their names.
#include "tests/window/Desktop.h"

#include <poll.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <bit>
#include <chrono>
#include <cstdint>
#include <cstdlib>

namespace desk {

namespace {

double Now() {
  return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

::Display* Dpy(void* x) { return static_cast<::Display*>(x); }

// One 8-bit channel of a TrueColor pixel, by its mask.
uint8_t Channel(unsigned long pixel, unsigned long mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const unsigned long top = mask >> shift;
  return static_cast<uint8_t>(((pixel & mask) >> shift) * 255 / top);
}

unsigned long PixelOf(uint32_t rgb, const Visual* v) {
  const auto put = [](uint32_t c, unsigned long mask) {
    const int shift = std::countr_zero(mask);
    return ((static_cast<unsigned long>(c) * (mask >> shift) + 127) / 255) << shift;
  };
  return put((rgb >> 16) & 0xFF, v->red_mask) | put((rgb >> 8) & 0xFF, v->green_mask) | put(rgb & 0xFF, v->blue_mask);
}

}  // namespace

bool MapWatch::Open(const std::string& display, uint32_t rgb) {
  ::Display* x = XOpenDisplay(display.c_str());
  if (x == nullptr) return false;
  X_ = x;
  const ::Window root = DefaultRootWindow(x);
  XSetWindowBackground(x, root, PixelOf(rgb, DefaultVisual(x, DefaultScreen(x))));
  XClearWindow(x, root);
  XSelectInput(x, root, SubstructureNotifyMask);
  XSync(x, False);
  return true;
}

Picture MapWatch::Read(int x, int y, int w, int h) {
  Picture p;
  ::Display* d = Dpy(X_);
  if (d == nullptr) return p;
  XImage* image = XGetImage(d, DefaultRootWindow(d), x, y, static_cast<unsigned>(w), static_cast<unsigned>(h), AllPlanes, ZPixmap);
  if (image == nullptr) return p;
  p.W = w;
  p.H = h;
  p.Rgb.resize(static_cast<size_t>(w) * h * 3);
  // Xlib's XGetPixel costs a call a pixel: the usual 32-bit pixels are read directly, so that readings
  // follow each other closely.
  const bool direct = image->bits_per_pixel == 32 && image->byte_order == (std::endian::native == std::endian::little ? LSBFirst : MSBFirst);
  for (int row = 0; row < h; ++row)
    for (int col = 0; col < w; ++col) {
      const unsigned long pixel =
          direct ? reinterpret_cast<const uint32_t*>(image->data + static_cast<ptrdiff_t>(row) * image->bytes_per_line)[col]
                 : XGetPixel(image, col, row);
      uint8_t* out = &p.Rgb[(static_cast<size_t>(row) * w + col) * 3];
      out[0] = Channel(pixel, image->red_mask);
      out[1] = Channel(pixel, image->green_mask);
      out[2] = Channel(pixel, image->blue_mask);
    }
  XDestroyImage(image);
  return p;
}

bool MapWatch::NextMap(const std::string& name, int x, int y, int w, int h, double seconds, Map& out) {
  ::Display* d = Dpy(X_);
  if (d == nullptr) return false;
  const double end = Now() + seconds;
  for (;;) {
    while (XPending(d) > 0) {
      XEvent event;
      XNextEvent(d, &event);
      if (event.type != MapNotify || event.xmap.event != DefaultRootWindow(d)) continue;
      // The screen first, then whose window it is: the reading must come before anything else.
      const double seen = Now();
      Picture screen = Read(x, y, w, h);
      char* title = nullptr;
      const bool named = XFetchName(d, event.xmap.window, &title) != 0 && title != nullptr && name == title;
      if (title != nullptr) XFree(title);
      if (!named) continue;
      out = Map{event.xmap.window, std::move(screen), seen};
      Area_[0] = x, Area_[1] = y, Area_[2] = w, Area_[3] = h;
      return true;
    }
    const double left = end - Now();
    if (left <= 0) return false;
    pollfd fd{ConnectionNumber(d), POLLIN, 0};
    poll(&fd, 1, static_cast<int>(left * 1000) + 1);
  }
}

double MapWatch::UntilShown(const Map& map, const Picture& expected, int tolerance, double seconds) {
  if (CompareWithin(map.Screen, expected, tolerance).Pixels == 0) return 0;
  for (;;) {
    const Picture now = Read(Area_[0], Area_[1], Area_[2], Area_[3]);
    const double at = Now();
    if (CompareWithin(now, expected, tolerance).Pixels == 0) return at - map.Seen;
    if (at - map.Seen > seconds) return -1;
  }
}

MapWatch::~MapWatch() {
  if (X_ != nullptr) XCloseDisplay(Dpy(X_));
}

Mismatch CompareWithin(const Picture& got, const Picture& expected, int tolerance) {
  Mismatch m;
  if (got.W != expected.W || got.H != expected.H) {
    m.Pixels = static_cast<long>(expected.W) * expected.H;
    m.Got = std::to_string(got.W) + "x" + std::to_string(got.H);
    m.Expected = std::to_string(expected.W) + "x" + std::to_string(expected.H);
    return m;
  }
  const auto colour = [](const uint8_t* c) {
    return std::to_string(c[0]) + "," + std::to_string(c[1]) + "," + std::to_string(c[2]);
  };
  for (int y = 0; y < got.H; ++y)
    for (int x = 0; x < got.W; ++x) {
      const uint8_t* a = got.At(x, y);
      const uint8_t* b = expected.At(x, y);
      if (std::abs(a[0] - b[0]) <= tolerance && std::abs(a[1] - b[1]) <= tolerance && std::abs(a[2] - b[2]) <= tolerance)
        continue;
      if (m.Pixels++ == 0) m.FirstX = x, m.FirstY = y, m.Got = colour(a), m.Expected = colour(b);
    }
  return m;
}

}  // namespace desk
