#include "tests/support/PlainDrawing.h"

#include <algorithm>
#include <map>
#include <stdexcept>

#include "omega/Engine.h"
#include "omega/draw/Scale.h"

namespace plain {

omega::Image Rows(const omega::Spans& spans) {
  omega::Image out;
  out.W = spans.W;
  out.H = spans.H;
  out.Px.assign(static_cast<size_t>(out.W) * out.H, 0);
  for (int y = 0; y < spans.H; ++y)
    for (uint32_t r = spans.RowRuns[y]; r < spans.RowRuns[y + 1]; ++r) {
      const omega::Spans::Run& run = spans.Runs[r];
      std::copy_n(&spans.Px[run.Offset], run.Len, &out.Px[static_cast<size_t>(y) * out.W + run.X]);
    }
  return out;
}

void Draw(omega::Image& target, const omega::Image& picture, omega::Rect from, int64_t x, int64_t y, int64_t w,
          int64_t h, uint32_t tint, uint32_t alpha) {
  const int64_t x0 = std::max<int64_t>(x, 0), x1 = std::min<int64_t>(x + w, target.W);
  const int64_t y0 = std::max<int64_t>(y, 0), y1 = std::min<int64_t>(y + h, target.H);
  if (alpha == 0 || w <= 0 || h <= 0 || x0 >= x1 || y0 >= y1) return;
  // A pixel that is all zero (transparent) leaves what is under it exactly as it is.
  auto blendRow = [&](int64_t ty, const omega::Pixel* pixels) {
    omega::Pixel* dst = &target.Px[static_cast<size_t>(ty) * target.W];
    for (int64_t tx = x0; tx < x1; ++tx)
      if (pixels[tx - x0] != 0) dst[tx] = omega::Blend(pixels[tx - x0], dst[tx], omega::kNoTint, alpha);
  };
  if (w == from.W && h == from.H && tint == omega::kNoTint) {  // at its own size: the picture's own pixels
    for (int64_t ty = y0; ty < y1; ++ty)
      blendRow(ty, &picture.Px[static_cast<size_t>(from.Y + ty - y) * picture.W + from.X + (x0 - x)]);
    return;
  }
  omega::ScaleRows(picture, from, static_cast<int>(w), static_cast<int>(h), static_cast<int>(x0 - x),
                   static_cast<int>(x1 - x), static_cast<int>(y0 - y), static_cast<int>(y1 - y), tint,
                   [&](int row, const omega::Pixel* pixels) { blendRow(y + row, pixels); });
}

omega::Image Frames::Frame(const std::vector<omega::FrameRecorder::DrawCall>& calls) {
  std::map<uint64_t, const omega::Spans*> pictures;
  for (const auto& [handle, texture] : omega::E().Pictures.Textures) pictures[texture->Id] = &texture->Picture;
  for (const auto& [handle, font] : omega::E().Pictures.Fonts) pictures[font->Id] = &font->Picture;
  // A picture back to whole rows only where it is drawn other than from a kept copy, and kept as well.
  auto rows = [&](uint64_t id, const omega::Spans& spans) -> const omega::Image& {
    auto it = Rows_.find(id);
    if (it == Rows_.end()) it = Rows_.emplace(id, Rows(spans)).first;
    return it->second;
  };
  omega::Image frame;
  frame.W = omega::kScreenW;
  frame.H = omega::kScreenH;
  frame.Px.assign(static_cast<size_t>(frame.W) * frame.H, 0xFF000000u);
  for (const auto& c : calls) {
    const auto picture = pictures.find(c.Key.Id);
    if (picture == pictures.end()) throw std::runtime_error("a call of a picture the engine does not hold");
    const omega::Rect& from = c.Key.From;
    if (int64_t{c.Key.W} * c.Key.H > int64_t{2048} * 2048) {  // too large to keep: scaled while drawing
      Draw(frame, rows(c.Key.Id, *picture->second), from, c.X, c.Y, c.Key.W, c.Key.H, c.Key.Tint, c.Alpha);
      continue;
    }
    const std::vector<int64_t> key = {static_cast<int64_t>(c.Key.Id), from.X, from.Y, from.W, from.H, c.Key.W, c.Key.H,
                                      c.Key.Tint};
    auto copy = Copies_.find(key);
    if (copy == Copies_.end()) {
      if (CopiedPixels_ > (size_t{64} << 20)) Copies_.clear(), CopiedPixels_ = 0;
      copy = Copies_.emplace(key, omega::MakeScaled(rows(c.Key.Id, *picture->second), from, c.Key.W, c.Key.H, c.Key.Tint)).first;
      CopiedPixels_ += copy->second.Px.size();
    }
    // The copy is the part already scaled and tinted: drawn at its own size, untinted.
    Draw(frame, copy->second, omega::Rect{0, 0, c.Key.W, c.Key.H}, c.X, c.Y, c.Key.W, c.Key.H, omega::kNoTint, c.Alpha);
  }
  return frame;
}

omega::Image Frame(const std::vector<omega::FrameRecorder::DrawCall>& calls) { return Frames{}.Frame(calls); }

omega::Image LastFrame() { return Frame(omega::E().Recorder.LastFrame()); }

}  // namespace plain
