#include "omega/FrameRecorder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "omega/Bands.h"
#include "platform/Runtime.h"

namespace omega {

namespace {

// The whole cache is dropped between frames when it has grown past this many pixels (32 MB), which a
// scene only reaches after showing a great many sizes of many pictures. Dropping it inside a frame would
// free copies that the frame's recorded calls still draw.
constexpr size_t kCacheLimitPixels = size_t{8} << 20;
// Destinations bigger than this are drawn straight from the picture instead of cached.
constexpr int64_t kLargestCached = int64_t{2048} * 2048;
// A layer is only worth keeping when it saves this many calls over the one already kept.
constexpr size_t kLayerGain = 32;
// The cost of a row whatever is drawn on it (copying it from the layer), in pixels drawn, for the split
// of the bands.
constexpr uint32_t kRowCost = 128;
// A band is drawn strip by strip, each strip's rows copied from the layer and then every call touching
// them drawn, so that the rows being drawn stay in the core's cache (64 rows: 256 KB).
constexpr int kStripRows = 64;

}  // namespace

bool RoundCoord(double value, int64_t& out) {
  if (!std::isfinite(value)) return false;
  // Far beyond any screen: clamped so that sums of positions and sizes cannot overflow.
  constexpr double kFar = 1 << 24;
  value = value < -kFar ? -kFar : value > kFar ? kFar : value;
  out = RoundHalfEven(value);
  return true;
}

bool FrameRecorder::CacheKey::operator==(const CacheKey& o) const {
  return Id == o.Id && From.X == o.From.X && From.Y == o.From.Y && From.W == o.From.W && From.H == o.From.H &&
         W == o.W && H == o.H && Tint == o.Tint;
}

size_t FrameRecorder::CacheHash::operator()(const CacheKey& k) const {
  uint64_t h = k.Id * 0x9E3779B97F4A7C15ull;
  for (const int64_t v : {int64_t{k.From.X}, int64_t{k.From.Y}, int64_t{k.From.W}, int64_t{k.From.H}, int64_t{k.W},
                          int64_t{k.H}, int64_t{k.Tint}})
    h = (h ^ static_cast<uint64_t>(v)) * 0x100000001B3ull;
  return static_cast<size_t>(h ^ (h >> 29));
}

FrameRecorder::FrameRecorder() {
  Frame.W = kScreenW;
  Frame.H = kScreenH;
  Frame.Px.assign(static_cast<size_t>(kScreenW) * kScreenH, 0xFF000000u);
  const char* plain = std::getenv("OMEGA_PLAIN");
  Accelerated_ = plain == nullptr || *plain == '\0' || *plain == '0';
  Blend_ = PickBlend(false);
  DrawSpans_ = PickDrawSpans(true);
}

const Spans& FrameRecorder::Scaled(const Spans& source, const CacheKey& key) {
  if (const auto it = Scaled_.find(key); it != Scaled_.end()) return it->second;
  const Spans& made = Scaled_.emplace(key, ScaledSpans(source, key.From, key.W, key.H)).first->second;
  CachePixels_ += made.Px.size();
  return made;
}

const Image& FrameRecorder::PlainCopy(const Spans& source, const CacheKey& key) {
  if (const auto it = PlainCopies_.find(key); it != PlainCopies_.end()) return it->second;
  CachePixels_ += static_cast<size_t>(key.W) * key.H;
  return PlainCopies_.emplace(key, MakeScaled(source, key.From, key.W, key.H, key.Tint)).first->second;
}

void FrameRecorder::TrimCache() {
  if (CachePixels_ <= kCacheLimitPixels) return;
  Scaled_.clear();
  PlainCopies_.clear();
  CachePixels_ = 0;
}

void FrameRecorder::Forget() {
  Calls_.clear();
  Last_.clear();
  LayerValid_ = false;
  LayerCalls_ = 0;
  ShownKnown_ = false;
}

void FrameRecorder::Rasterise(const DrawCall& c, int top, int bottom, const Image* under) {
  if (c.Stretched)
    DrawSpansStretched(Frame, *c.Source, c.Part, c.X, c.Y, c.Key.W, c.Key.H, c.Key.Tint, c.Alpha);
  else
    DrawSpans_(Frame, top, bottom, SpanDraw{c.Source, c.Part, c.X, c.Y, c.Key.Tint, c.Alpha, under});
}

bool FrameRecorder::Covers(const DrawCall& c, int top, int bottom) const {
  return !c.Stretched && c.Source->Plain && c.Alpha > 0 && c.X <= 0 && c.X + c.Key.W >= Frame.W && c.Y <= top &&
         c.Y + c.Key.H >= bottom;
}

void FrameRecorder::Draw(const Spans& picture, uint64_t id, Rect from, double x, double y, double w, double h,
                         int32_t alpha, uint32_t tint) {
  const Mark leaveOut = std::exchange(LeaveOut_, Mark{});
  if (alpha <= 0 || from.W <= 0 || from.H <= 0) return;
  const uint32_t a = alpha > 255 ? 255u : static_cast<uint32_t>(alpha);
  int64_t X = 0, Y = 0, W = 0, H = 0;
  if (!RoundCoord(x, X) || !RoundCoord(y, Y) || !RoundCoord(w, W) || !RoundCoord(h, H)) return;
  if (W <= 0 || H <= 0) return;
  if (leaveOut.Set && X == leaveOut.X && Y == leaveOut.Y) return;
  if (X >= Frame.W || Y >= Frame.H || X + W <= 0 || Y + H <= 0) return;
  const CacheKey key{id, from, static_cast<int>(W), static_cast<int>(H), tint};
  if (!Accelerated_) {
    // The reference drawing: every call at once, from a scaled and tinted copy in whole rows.
    if (W * H > kLargestCached)
      DrawSpansStretched(Frame, picture, from, X, Y, W, H, tint, a);
    else
      Blit(Frame, PlainCopy(picture, key), X, Y, a, Blend_);
    return;
  }
  DrawCall call{key, X, Y, a, &picture, from, false};
  if (W != from.W || H != from.H) {
    if (W * H > kLargestCached) {
      call.Stretched = true;
    } else {
      call.Source = &Scaled(picture, CacheKey{id, from, key.W, key.H, kNoTint});
      call.Part = Rect{0, 0, key.W, key.H};
    }
  }
  if (InFrame_) {
    Calls_.push_back(call);
    return;
  }
  // Drawn at once, outside a frame: whatever was kept no longer matches the frame.
  Forget();
  Rasterise(call, 0, Frame.H);
}

void FrameRecorder::SetAcceleration(bool on) {
  Accelerated_ = on;
  Forget();
}

void FrameRecorder::LeaveOutNextAt(int32_t x, int32_t y) {
  if (InFrame_) LeaveOut_ = Mark{true, x, y};
}

void FrameRecorder::Begin() {
  TrimCache();
  InFrame_ = true;
  LeaveOut_ = Mark{};
  Calls_.clear();
  if (!Accelerated_) Clear(Frame, 0xFF000000u);
}

// The rows any of calls[from, end) covers join the changed rows.
void FrameRecorder::MarkChanged(const std::vector<DrawCall>& calls, size_t from) {
  for (size_t k = from; k < calls.size(); ++k) {
    const int64_t top = std::max<int64_t>(calls[k].Y, 0);
    const int64_t bottom = std::min<int64_t>(calls[k].Y + calls[k].Key.H, Frame.H);
    if (top >= bottom) continue;
    ChangedTop_ = std::min(ChangedTop_, static_cast<int>(top));
    ChangedBottom_ = std::max(ChangedBottom_, static_cast<int>(bottom));
  }
}

void FrameRecorder::DrawBand(int top, int bottom, bool fromLayer, size_t same, bool keep) {
  for (int t = top; t < bottom;) {
    const int strip = t / kStripRows, end = std::min(bottom, (strip + 1) * kStripRows);
    const size_t first = static_cast<size_t>(t) * Frame.W, count = static_cast<size_t>(end - t) * Frame.W;
    const std::vector<uint32_t>& calls = Strips_[static_cast<size_t>(strip)];
    size_t i = 0;
    if (fromLayer && !keep && !calls.empty() && Covers(Calls_[calls[0]], t, end))
      // Drawn straight over the layer (a fade sheet): the layer's rows need no copy first.
      Rasterise(Calls_[calls[i++]], t, end, &Layer_);
    else if (fromLayer)
      std::memcpy(&Frame.Px[first], &Layer_.Px[first], count * sizeof(Pixel));
    else
      std::fill_n(&Frame.Px[first], count, 0xFF000000u);
    if (keep) {
      for (; i < calls.size() && calls[i] < same; ++i) Rasterise(Calls_[calls[i]], t, end);
      std::memcpy(&Layer_.Px[first], &Frame.Px[first], count * sizeof(Pixel));
    }
    for (; i < calls.size(); ++i) Rasterise(Calls_[calls[i]], t, end);
    t = end;
  }
}

void FrameRecorder::DrawBandAtOnce(int top, int bottom, bool fromLayer, size_t from, size_t same, bool keep) {
  const size_t first = static_cast<size_t>(top) * Frame.W, count = static_cast<size_t>(bottom - top) * Frame.W;
  if (fromLayer)
    std::memcpy(&Frame.Px[first], &Layer_.Px[first], count * sizeof(Pixel));
  else
    std::fill_n(&Frame.Px[first], count, 0xFF000000u);
  size_t k = from;
  if (keep) {
    for (; k < same; ++k) Rasterise(Calls_[k], top, bottom);
    std::memcpy(&Layer_.Px[first], &Frame.Px[first], count * sizeof(Pixel));
  }
  for (; k < Calls_.size(); ++k) Rasterise(Calls_[k], top, bottom);
}

bool FrameRecorder::End() {
  InFrame_ = false;
  LeaveOut_ = Mark{};
  if (!Accelerated_) {
    ChangedTop_ = 0;
    ChangedBottom_ = Frame.H;
    return true;
  }
  const size_t n = Calls_.size();
  size_t same = 0;
  while (same < n && same < Last_.size() && Calls_[same] == Last_[same]) ++same;
  if (same == n && n == Last_.size() && LayerValid_) {
    ChangedTop_ = ChangedBottom_ = 0;
    return false;
  }

  // Only the rows of the calls that differ from the last frame's can change.
  if (ShownKnown_) {
    ChangedTop_ = Frame.H;
    ChangedBottom_ = 0;
    MarkChanged(Calls_, same);
    MarkChanged(Last_, same);
    if (ChangedTop_ >= ChangedBottom_) ChangedTop_ = ChangedBottom_ = 0;
  } else {
    ChangedTop_ = 0;
    ChangedBottom_ = Frame.H;
  }

  const bool fromLayer = LayerValid_ && LayerCalls_ <= same;
  if (!fromLayer) LayerValid_ = false;
  const size_t from = fromLayer ? LayerCalls_ : 0;
  const bool keep = !LayerValid_ || same >= LayerCalls_ + kLayerGain;
  if (keep) {
    Layer_.W = Frame.W;
    Layer_.H = Frame.H;
    Layer_.Px.resize(Frame.Px.size());
  }
  // The bands split where the pixels to draw are halved; each strip lists the calls that touch it.
  RowWork_.assign(static_cast<size_t>(Frame.H) + 1, 0);
  Strips_.resize(static_cast<size_t>((Frame.H + kStripRows - 1) / kStripRows));
  for (auto& strip : Strips_) strip.clear();
  // A call stretched while drawing covers the whole frame at once: such a frame is one band, drawn whole.
  bool stretched = false;
  for (size_t k = from; k < n; ++k) {
    const DrawCall& c = Calls_[k];
    stretched = stretched || c.Stretched;
    const int64_t top = std::max<int64_t>(c.Y, 0), bottom = std::min<int64_t>(c.Y + c.Key.H, Frame.H);
    const int64_t width = std::min<int64_t>(c.X + c.Key.W, Frame.W) - std::max<int64_t>(c.X, 0);
    if (top >= bottom || width <= 0) continue;
    RowWork_[top] += static_cast<uint32_t>(width);
    RowWork_[bottom] -= static_cast<uint32_t>(width);
    for (int64_t strip = top / kStripRows; strip <= (bottom - 1) / kStripRows; ++strip)
      Strips_[static_cast<size_t>(strip)].push_back(static_cast<uint32_t>(k));
  }
  uint32_t running = 0;
  for (int y = 0; y < Frame.H; ++y) {
    running += RowWork_[y];
    RowWork_[y] = running + kRowCost;
  }
  RowWork_.pop_back();
  if (stretched)
    DrawBandAtOnce(0, Frame.H, fromLayer, from, same, keep);
  else
    DrawInBands(Frame.H, RowWork_,
                [&](int top, int bottom) { DrawBand(top, bottom, fromLayer, same, keep); });
  if (keep) {
    LayerCalls_ = same;
    LayerValid_ = true;
  }
  Last_.swap(Calls_);
  Calls_.clear();
  ShownKnown_ = true;
  return true;
}

}  // namespace omega
