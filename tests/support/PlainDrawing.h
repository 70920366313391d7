// The plain drawing the engine's frames are compared with: every call drawn at once, in order, over
// black, pixel by pixel from its picture part scaled and tinted with the engine's filter (omega/draw/Scale.h)
// and blended with the engine's one rule (omega::Blend). None of the frame recorder's kept layer, strips,
// tiles drawn again, bands or cached copies, none of the span runs, sheets or vector copies: what those
// may change is speed, never a pixel.
#pragma once
#include <cstdint>
#include <map>
#include <vector>

#include "omega/draw/FrameRecorder.h"
#include "omega/draw/Raster.h"
#include "omega/draw/Spans.h"

namespace plain {

// A picture kept as runs, back to whole rows (transparent pixels 0).
omega::Image Rows(const omega::Spans& spans);

// One call: part `from` of `picture` (whole rows) stretched over w×h at (x, y), tinted (omega::kNoTint:
// not), faded by alpha/255 and blended over the target, clipped to it.
void Draw(omega::Image& target, const omega::Image& picture, omega::Rect from, int64_t x, int64_t y, int64_t w,
          int64_t h, uint32_t tint, uint32_t alpha);

// Frames drawn plainly from the calls the engine recorded (FrameRecorder::LastFrame), over black, their
// pictures found by id among the engine's textures and fonts: the pixels each frame must have. Each
// picture part's scaled and tinted copy is kept from frame to frame (the same pixels as scaling it again
// at every call, which would make long replays slow), so one Frames serves one engine's pictures only.
class Frames {
 public:
  omega::Image Frame(const std::vector<omega::FrameRecorder::DrawCall>& calls);

 private:
  std::map<uint64_t, omega::Image> Rows_;  // the pictures by id, as whole rows
  std::map<std::vector<int64_t>, omega::Image> Copies_;
  size_t CopiedPixels_ = 0;
};
// One frame so, without keeping anything.
omega::Image Frame(const std::vector<omega::FrameRecorder::DrawCall>& calls);
// The engine's own recorder's last frame so.
omega::Image LastFrame();

}  // namespace plain
