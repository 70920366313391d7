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

namespace {

// The root's pixels in the area, as the server has them now; null when unreadable.
XImage* Grab(::Display* d, int x, int y, int w, int h) {
  return XGetImage(d, DefaultRootWindow(d), x, y, static_cast<unsigned>(w), static_cast<unsigned>(h), AllPlanes, ZPixmap);
}

// The grabbed pixels as a picture; the image is freed.
Picture Convert(XImage* image) {
  Picture p;
  if (image == nullptr) return p;
  p.W = image->width;
  p.H = image->height;
  p.Rgb.resize(static_cast<size_t>(p.W) * p.H * 3);
  // Xlib's XGetPixel costs a call a pixel: the usual 32-bit pixels are read directly.
  const bool direct = image->bits_per_pixel == 32 && image->byte_order == (std::endian::native == std::endian::little ? LSBFirst : MSBFirst);
  for (int row = 0; row < p.H; ++row)
    for (int col = 0; col < p.W; ++col) {
      const unsigned long pixel =
          direct ? reinterpret_cast<const uint32_t*>(image->data + static_cast<ptrdiff_t>(row) * image->bytes_per_line)[col]
                 : XGetPixel(image, col, row);
      uint8_t* out = &p.Rgb[(static_cast<size_t>(row) * p.W + col) * 3];
      out[0] = Channel(pixel, image->red_mask);
      out[1] = Channel(pixel, image->green_mask);
      out[2] = Channel(pixel, image->blue_mask);
    }
  XDestroyImage(image);
  return p;
}

Picture Row(const Picture& p, int y) {
  Picture row;
  row.W = p.W;
  row.H = 1;
  row.Rgb.assign(p.At(0, y), p.At(0, y) + static_cast<size_t>(p.W) * 3);
  return row;
}

}  // namespace

Picture MapWatch::Read(int x, int y, int w, int h) {
  ::Display* d = Dpy(X_);
  return d == nullptr ? Picture{} : Convert(Grab(d, x, y, w, h));
}

bool MapWatch::NextMap(const std::string& name, int x, int y, int w, int h, double seconds, Map& out,
                       const Picture* expected, int tolerance, double within) {
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
      XImage* atMap = Grab(d, x, y, w, h);
      char* title = nullptr;
      const bool named = XFetchName(d, event.xmap.window, &title) != 0 && title != nullptr && name == title;
      if (title != nullptr) XFree(title);
      if (!named) {
        if (atMap != nullptr) XDestroyImage(atMap);
        continue;
      }
      out = Map{event.xmap.window, {}, seen, -1};
      // Three rows across the area, each read apart and quickly, before the reading at the map is
      // decoded: that takes long enough on a busy machine to hide what is timed.
      double shown = -1;
      if (expected != nullptr && expected->W == w && expected->H == h) {
        for (;;) {
          bool all = true;
          for (const int row : {0, h / 2, h - 1})
            if (CompareWithin(Convert(Grab(d, x, y + row, w, 1)), Row(*expected, row), tolerance).Pixels != 0) {
              all = false;
              break;
            }
          const double at = Now();
          if (all) {
            shown = at - seen;
            break;
          }
          if (at - seen > within) break;
        }
      }
      out.Screen = Convert(atMap);
      if (expected != nullptr)
        out.Shown = CompareWithin(out.Screen, *expected, tolerance).Pixels == 0 ? 0 : shown;
      return true;
    }
    const double left = end - Now();
    if (left <= 0) return false;
    pollfd fd{ConnectionNumber(d), POLLIN, 0};
    poll(&fd, 1, static_cast<int>(left * 1000) + 1);
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
