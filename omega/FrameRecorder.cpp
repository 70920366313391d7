#include "omega/FrameRecorder.h"

#include <cmath>
#include <cstdlib>
#include <utility>

#include "platform/Runtime.h"

namespace omega {

namespace {

// The whole cache is dropped between frames when it has grown past this many pixels (32 MB), which a
// scene only reaches after showing a great many tints of many frames. Dropping it inside a frame would
// free copies that the frame's recorded calls still draw.
constexpr size_t kCacheLimitPixels = size_t{8} << 20;
// Destinations bigger than this are drawn straight from the picture instead of cached.
constexpr int64_t kLargestCached = int64_t{2048} * 2048;
// A layer is only worth keeping when it saves this many calls over the one already kept.
constexpr size_t kLayerGain = 32;

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
  Blend_ = PickBlend(Accelerated_);
}

const Image& FrameRecorder::Cached(const Image& source, const CacheKey& key) {
  if (const auto it = Cache_.find(key); it != Cache_.end()) return it->second;
  CachePixels_ += static_cast<size_t>(key.W) * key.H;
  return Cache_.emplace(key, MakeScaled(source, key.From, key.W, key.H, key.Tint)).first->second;
}

void FrameRecorder::TrimCache() {
  if (CachePixels_ <= kCacheLimitPixels) return;
  Cache_.clear();
  CachePixels_ = 0;
}

void FrameRecorder::Forget() {
  Calls_.clear();
  Last_.clear();
  LayerValid_ = false;
  LayerCalls_ = 0;
}

void FrameRecorder::Rasterise(const DrawCall& c) {
  if (c.Direct && c.Key.W == c.Key.From.W && c.Key.H == c.Key.From.H && c.Key.Tint == kNoTint)
    BlitPart(Frame, *c.Picture, c.Key.From, c.X, c.Y, c.Alpha, Blend_);
  else if (c.Direct)
    BlitScaled(Frame, *c.Picture, c.Key.From, c.X, c.Y, c.Key.W, c.Key.H, c.Key.Tint, c.Alpha);
  else
    Blit(Frame, *c.Picture, c.X, c.Y, c.Alpha, Blend_);
}

void FrameRecorder::Draw(const Image& picture, uint64_t id, Rect from, double x, double y, double w, double h,
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
  // A part drawn untinted at its own size needs no copy: it is drawn from the picture itself. So do
  // destinations too large to cache.
  const bool direct = W * H > kLargestCached || (W == from.W && H == from.H && tint == kNoTint);
  const DrawCall call{key, X, Y, a, direct ? &picture : &Cached(picture, key), direct};
  if (InFrame_ && Accelerated_) {
    Calls_.push_back(call);
    return;
  }
  // Drawn at once (outside a frame, or unaccelerated): whatever was kept no longer matches the frame.
  if (!InFrame_) Forget();
  Rasterise(call);
}

void FrameRecorder::SetAcceleration(bool on) {
  Accelerated_ = on;
  Blend_ = PickBlend(on);
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

bool FrameRecorder::End() {
  InFrame_ = false;
  LeaveOut_ = Mark{};
  if (!Accelerated_) return true;
  const size_t n = Calls_.size();
  size_t same = 0;
  while (same < n && same < Last_.size() && Calls_[same] == Last_[same]) ++same;
  if (same == n && n == Last_.size() && LayerValid_) return false;

  size_t from = 0;
  if (LayerValid_ && LayerCalls_ <= same) {
    Frame.Px = Layer_.Px;
    from = LayerCalls_;
  } else {
    Clear(Frame, 0xFF000000u);
    LayerValid_ = false;
  }
  if (!LayerValid_ || same >= LayerCalls_ + kLayerGain) {
    for (; from < same; ++from) Rasterise(Calls_[from]);
    Layer_.W = Frame.W;
    Layer_.H = Frame.H;
    Layer_.Px = Frame.Px;
    LayerCalls_ = same;
    LayerValid_ = true;
  }
  for (; from < n; ++from) Rasterise(Calls_[from]);
  Last_.swap(Calls_);
  Calls_.clear();
  return true;
}

}  // namespace omega
