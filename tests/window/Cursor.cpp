// The cursor the X server shows, read apart from the rest of the desktop's tools: Xlib's macros
// (Status, None, Bool) would clash with their names.
#include "tests/window/Desktop.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

namespace desk {

int Desktop::CursorShows() {
  ::Display* x = XOpenDisplay(Display.c_str());
  if (x == nullptr) return -1;
  int event = 0, error = 0, shows = -1;
  if (XFixesQueryExtension(x, &event, &error)) {
    if (XFixesCursorImage* cursor = XFixesGetCursorImage(x)) {
      shows = 0;
      // One pixel per unsigned long, alpha in bits 24..31.
      for (size_t i = 0; i < static_cast<size_t>(cursor->width) * cursor->height; ++i)
        if (((cursor->pixels[i] >> 24) & 0xFF) != 0) shows = 1;
      XFree(cursor);
    }
  }
  XCloseDisplay(x);
  return shows;
}

}  // namespace desk
