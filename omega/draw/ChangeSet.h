// The one record of what a frame changed, from the frame recorder to the window.
#pragma once
#include <vector>

#include "omega/draw/Raster.h"

namespace omega {

// What a frame changed: the parts of the frame that may differ from the frame drawn before it, on a grid
// of kCell pixels, found from the visible pixels of the calls that differ between the two frames. None
// when the frame is the one before; the whole frame when the one before is not known. The window shows
// every frame whose set is not empty, and only these parts of it.
struct ChangeSet {
  static constexpr int kCell = 16;
  std::vector<Rect> Rects;  // disjoint, inside the frame
  bool Empty() const { return Rects.empty(); }
};

}  // namespace omega
