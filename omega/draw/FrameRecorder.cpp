#include "omega/draw/FrameRecorder.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <utility>

#include "base/Rounding.h"
#include "omega/draw/Bands.h"

namespace omega {

namespace {

// Destinations bigger than this are drawn straight from the picture instead of cached.
constexpr int64_t kLargestCached = int64_t{2048} * 2048;
// A frame of a larger picture, or a picture drawn tinted, is drawn from a copy of its own (scaled and
// tinted) up to this size: the frame's rows then lie side by side instead of between the other frames'
// in the picture's rows, no tint is multiplied in while blending, and most calls draw a whole copy
// without cutting its runs.
constexpr int64_t kLargestOwnCopy = int64_t{256} * 256;
// Copies of their own are made only while the cache holds less than this: past it, the frames and tints
// not yet copied are drawn from their pictures, so that the memory they take stays bounded.
constexpr size_t kOwnCopiesBytes = size_t{16} << 20;
// What a copy holds besides its pixels and runs: its entry in the cache's map.
constexpr size_t kCopyOverhead = 128;
// The kept layer: a frame that starts with the last frame's calls starts from their finished pixels
// (most of a game frame is the ground, the same frame after frame). A layer is only worth keeping anew
// when it saves this many calls over the one already kept.
constexpr size_t kLayerGain = 32;
// The cost of a row whatever is drawn on it (copying it from the layer), in pixels drawn, for the split
// of the bands.
constexpr uint32_t kRowCost = 128;
// A band is drawn strip by strip, each strip's rows copied from the layer and then every call touching
// them drawn, so that the rows being drawn stay in the core's cache (64 rows: 256 KB).
constexpr int kStripRows = 64;
constexpr int kCell = ChangeSet::kCell;
static_assert(kScreenW / kCell <= 64, "a row of cells is the bits of one word");
static_assert(kStripRows % kCell == 0, "a strip is whole rows of cells");
constexpr uint32_t kNoCall = ~0u;
// The row extents of this many picture parts at most are kept; past it they are dropped and found again.
constexpr size_t kMostExtents = 8192;
// Slots before the cache's map (a power of two; 96 KB).
constexpr size_t kFoundSlots = 2048;

// The cells of columns [left, right) of the frame, as bits.
uint64_t CellBits(int64_t left, int64_t right) {
  const int64_t c0 = left / kCell, c1 = (right - 1) / kCell;
  return (c1 >= 63 ? ~uint64_t{0} : (uint64_t{1} << (c1 + 1)) - 1) & ~((uint64_t{1} << c0) - 1);
}

}  // namespace

bool RoundCoord(double value, int64_t& out) {
  if (!std::isfinite(value)) return false;
  // Far beyond any screen: clamped so that sums of positions and sizes cannot overflow.
  constexpr double kFar = 1 << 24;
  value = value < -kFar ? -kFar : value > kFar ? kFar : value;
  // Most places and sizes are whole already (a game frame rounds four for each of its thousands of calls).
  const auto whole = static_cast<int64_t>(value);
  out = static_cast<double>(whole) == value ? whole : RoundHalfEven(value);
  return true;
}

bool FrameRecorder::CacheKey::operator==(const CacheKey& o) const {
  return Id == o.Id && From.X == o.From.X && From.Y == o.From.Y && From.W == o.From.W && From.H == o.From.H &&
         W == o.W && H == o.H && Tint == o.Tint;
}

size_t FrameRecorder::CallHash(const DrawCall& c) {
  uint64_t h = CacheHash{}(c.Key);
  for (const int64_t v : {c.X, c.Y, int64_t{c.Alpha}}) h = (h ^ static_cast<uint64_t>(v)) * 0x9E3779B97F4A7C15ull;
  return static_cast<size_t>(h ^ (h >> 31));
}

size_t FrameRecorder::CacheHash::operator()(const CacheKey& k) const {
  uint64_t h = k.Id * 0x9E3779B97F4A7C15ull;
  for (const int64_t v : {int64_t{k.From.X}, int64_t{k.From.Y}, int64_t{k.From.W}, int64_t{k.From.H}, int64_t{k.W},
                          int64_t{k.H}, int64_t{k.Tint}})
    h = (h ^ static_cast<uint64_t>(v)) * 0x100000001B3ull;
  return static_cast<size_t>(h ^ (h >> 29));
}

FrameRecorder::FrameRecorder(size_t cacheLimitPixels) : CacheLimitPixels_(cacheLimitPixels) {
  Frame.W = kScreenW;
  Frame.H = kScreenH;
  Frame.Px.assign(static_cast<size_t>(kScreenW) * kScreenH, 0xFF000000u);
  DrawSpans_ = DrawSpansFor(Processor());
  Found_.assign(kFoundSlots, Found{});
}

const Spans* FrameRecorder::Copy(const Spans& source, const CacheKey& key, bool make) {
  Found& slot = Found_[CacheHash{}(key) & (kFoundSlots - 1)];
  if (slot.Copy != nullptr && slot.Key == key) return slot.Copy;
  const auto it = Scaled_.find(key);
  const Spans* copy = nullptr;
  if (it != Scaled_.end()) {
    copy = &it->second;
  } else if (make) {
    copy = &Scaled_.emplace(key, Encode(MakeScaled(source, key.From, key.W, key.H, key.Tint))).first->second;
    CachePixels_ += copy->Px.size();
    CacheBytes_ += copy->Bytes() + kCopyOverhead;
  } else {
    return nullptr;
  }
  slot = Found{key, copy};
  return copy;
}

// Between frames only: dropping copies inside a frame would free what its recorded calls draw.
void FrameRecorder::TrimCache() {
  Retired_.clear();
  if (Extents_.size() > kMostExtents) Extents_.clear();
  if (CachePixels_ <= CacheLimitPixels_) return;
  Retired_.swap(Scaled_);
  Found_.assign(kFoundSlots, Found{});
  CachePixels_ = 0;
  CacheBytes_ = 0;
}

void FrameRecorder::Forget() {
  Calls_.clear();
  Last_.clear();
  LayerValid_ = false;
  LayerCalls_ = 0;
  ShownKnown_ = false;
}

void FrameRecorder::Rasterise(const DrawCall& c, int top, int bottom, const Image* under, int64_t left,
                              int64_t right) {
  if (c.Stretched)
    DrawSpansStretched(Frame, *c.Source, c.Part, c.X, c.Y, c.Key.W, c.Key.H, c.Tint, c.Alpha);
  else
    DrawSpans_(Frame, top, bottom, SpanDraw{c.Source, c.Part, c.X, c.Y, c.Tint, c.Alpha, under, left, right});
}

// A sheet over the layer (the fade) is blended straight from the layer's rows, which saves copying them
// first: a strip's worth of rows read and written once instead of twice.
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
  DrawCall call{key, X, Y, a, &picture, from, false, tint};
  // A sheet of one colour is never copied: drawing it reads none of its pixels.
  const bool own = W * H <= kLargestOwnCopy && !picture.Solid &&
                   (tint != kNoTint || from.W != picture.W || from.H != picture.H);
  const Spans* copy = own ? Copy(picture, key, CacheBytes_ < kOwnCopiesBytes) : nullptr;
  if (copy != nullptr) {
    call.Source = copy;
    call.Part = Rect{0, 0, key.W, key.H};
    call.Tint = kNoTint;
  } else if (W != from.W || H != from.H) {
    if (W * H > kLargestCached) {
      call.Stretched = true;
    } else {
      call.Source = Copy(picture, CacheKey{id, from, key.W, key.H, kNoTint}, true);
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

void FrameRecorder::LeaveOutNextAt(int32_t x, int32_t y) {
  if (InFrame_) LeaveOut_ = Mark{true, x, y};
}

void FrameRecorder::Begin() {
  TrimCache();
  InFrame_ = true;
  LeaveOut_ = Mark{};
  Calls_.clear();
}

void FrameRecorder::MarkPixelsOf(const DrawCall& c) {
  const int64_t top = std::max<int64_t>(c.Y, 0), bottom = std::min<int64_t>(c.Y + c.Key.H, Frame.H);
  const int64_t left = std::max<int64_t>(c.X, 0), right = std::min<int64_t>(c.X + c.Key.W, Frame.W);
  if (top >= bottom || left >= right) return;
  // (Extents are kept in 16 bits.)
  if (c.Stretched || c.Source->Plain || c.Key.W > 0xFFFE) {
    const uint64_t cells = CellBits(left, right);
    for (int64_t row = top / kCell; row <= (bottom - 1) / kCell; ++row)
      Cells_[static_cast<size_t>(row)] |= cells;
    return;
  }
  const std::vector<uint32_t>& rows = RowExtents(c);
  for (int64_t row = top / kCell; row <= (bottom - 1) / kCell; ++row) {
    const int64_t y0 = std::max(top, row * kCell), y1 = std::min(bottom, (row + 1) * kCell);
    uint32_t lo = 0xFFFF, hi = 0;
    for (int64_t y = y0; y < y1; ++y) {
      const uint32_t e = rows[static_cast<size_t>(y - c.Y)];
      lo = std::min(lo, e & 0xFFFF), hi = std::max(hi, e >> 16);
    }
    if (lo >= hi) continue;  // transparent rows only
    const int64_t x0 = std::max(left, c.X + lo), x1 = std::min(right, c.X + hi);
    if (x0 < x1) Cells_[static_cast<size_t>(row)] |= CellBits(x0, x1);
  }
}

// Row y of a call drawn at its own size is row Part.Y + y of its source, its columns the part's.
const std::vector<uint32_t>& FrameRecorder::RowExtents(const DrawCall& c) {
  const CacheKey key{c.Key.Id, c.Key.From, c.Key.W, c.Key.H, 0};
  auto [at, made] = Extents_.try_emplace(key);
  std::vector<uint32_t>& rows = at->second;
  if (!made) return rows;
  const Spans& s = *c.Source;
  const Rect& p = c.Part;
  rows.assign(static_cast<size_t>(p.H), 0xFFFFu);
  for (int y = 0; y < p.H; ++y) {
    const auto r = static_cast<size_t>(p.Y + y);
    // A row of a sheet holds the runs of every frame on it, in order: only the part's are looked at.
    const Spans::Run* first = s.Runs.data() + s.RowRuns[r];
    const Spans::Run* end = s.Runs.data() + s.RowRuns[r + 1];
    first = std::partition_point(first, end, [&](const Spans::Run& run) { return run.X + run.Len <= p.X; });
    if (first == end || first->X >= p.X + p.W) continue;
    const Spans::Run* last = std::partition_point(first, end, [&](const Spans::Run& run) { return run.X < p.X + p.W; }) - 1;
    const auto lo = static_cast<uint32_t>(std::max(first->X, p.X) - p.X);
    const auto hi = static_cast<uint32_t>(std::min(last->X + last->Len, p.X + p.W) - p.X);
    rows[static_cast<size_t>(y)] = lo | hi << 16;
  }
  return rows;
}

// A rectangle is a run of cells of one row of cells, grown downwards while the next row has the same run.
void FrameRecorder::CollectRects() {
  std::vector<Rect>& rects = Changes_.Rects;
  rects.clear();
  // The rectangles that reach the bottom of the row above (`above`), and those of this row.
  std::vector<uint32_t> open, next;
  int above = -1;
  for (size_t row = 0; row < Cells_.size(); ++row) {
    const int y0 = static_cast<int>(row) * kCell, y1 = std::min(y0 + kCell, Frame.H);
    uint64_t cells = Cells_[row];
    if (cells == 0) continue;
    if (y0 != above) open.clear();
    next.clear();
    while (cells != 0) {
      const int c0 = __builtin_ctzll(cells);
      const uint64_t from = cells >> c0;
      const int run = from == ~uint64_t{0} >> c0 ? 64 - c0 : __builtin_ctzll(~from);
      const int x0 = c0 * kCell, x1 = std::min((c0 + run) * kCell, Frame.W);
      cells = c0 + run >= 64 ? 0 : cells & ~((uint64_t{1} << (c0 + run)) - 1);
      bool grown = false;
      for (const uint32_t k : open) {
        Rect& r = rects[k];
        if (r.X == x0 && r.W == x1 - x0) {
          r.H += y1 - y0;
          next.push_back(k);
          grown = true;
          break;
        }
      }
      if (grown) continue;
      next.push_back(static_cast<uint32_t>(rects.size()));
      rects.push_back(Rect{x0, y0, x1 - x0, y1 - y0});
    }
    open.swap(next);
    above = y1;
  }
}

void FrameRecorder::Pair(size_t same) {
  const size_t n = Calls_.size(), last = Last_.size();
  Unpaired_.clear();
  UnpairedLast_.clear();
  size_t buckets = 16;
  while (buckets < 2 * (last - same)) buckets *= 2;
  Buckets_.assign(buckets, kNoCall);
  Chain_.resize(last);
  Matched_.assign(last, 0);
  for (size_t k = last; k-- > same;) {
    const size_t b = CallHash(Last_[k]) & (buckets - 1);
    Chain_[k] = Buckets_[b];
    Buckets_[b] = static_cast<uint32_t>(k);
  }
  size_t after = same;  // a partner must come after the last one taken
  for (size_t j = same; j < n; ++j) {
    const DrawCall& c = Calls_[j];
    uint32_t k = Buckets_[CallHash(c) & (buckets - 1)];
    while (k != kNoCall && (k < after || !(Last_[k] == c))) k = Chain_[k];
    if (k == kNoCall) {
      Unpaired_.push_back(static_cast<uint32_t>(j));
      continue;
    }
    Matched_[k] = 1;
    after = size_t{k} + 1;
  }
  for (size_t k = same; k < last; ++k)
    if (Matched_[k] == 0) UnpairedLast_.push_back(static_cast<uint32_t>(k));
}

void FrameRecorder::DrawBand(int top, int bottom, bool fromLayer, size_t same, bool keep, bool partial) {
  for (int t = top; t < bottom;) {
    const int strip = t / StripRows_, end = std::min(bottom, (strip + 1) * StripRows_);
    const std::vector<uint32_t>& calls = Strips_[static_cast<size_t>(strip)];
    if (partial) {
      // Over the layer the frame shown was drawn on, only the columns of cells that changed are drawn
      // again: each stretch of them copied from the layer and the calls drawn clipped to it.
      uint64_t columns = StripColumns_[static_cast<size_t>(strip)];
      while (columns != 0) {
        const int c0 = __builtin_ctzll(columns);
        const uint64_t from = columns >> c0;
        const int run = from == ~uint64_t{0} >> c0 ? 64 - c0 : __builtin_ctzll(~from);
        columns = c0 + run >= 64 ? 0 : columns & ~((uint64_t{1} << (c0 + run)) - 1);
        const int64_t x0 = int64_t{c0} * kCell, x1 = std::min<int64_t>(int64_t{c0 + run} * kCell, Frame.W);
        for (int y = t; y < end; ++y) {
          const size_t at = static_cast<size_t>(y) * Frame.W + static_cast<size_t>(x0);
          std::memcpy(&Frame.Px[at], &Layer_.Px[at], static_cast<size_t>(x1 - x0) * sizeof(Pixel));
        }
        for (const uint32_t k : calls) {
          const DrawCall& c = Calls_[k];
          if (c.X < x1 && c.X + c.Key.W > x0) Rasterise(c, t, end, nullptr, x0, x1);
        }
      }
      t = end;
      continue;
    }
    const size_t first = static_cast<size_t>(t) * Frame.W, count = static_cast<size_t>(end - t) * Frame.W;
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

const ChangeSet& FrameRecorder::End(DrawBands* bands) {
  InFrame_ = false;
  LeaveOut_ = Mark{};
  const size_t n = Calls_.size();
  size_t same = 0;
  while (same < n && same < Last_.size() && Calls_[same] == Last_[same]) ++same;
  if (same == n && n == Last_.size() && LayerValid_) {
    // The same calls, but this frame's point into the cache as it is now: the last frame's may point
    // into copies dropped at this Begin, to be freed at the next.
    Last_.swap(Calls_);
    Changes_.Rects.clear();
    return Changes_;
  }

  // Where the frame can differ from the one shown: under the visible pixels of the calls of either frame
  // left without a partner (all of it when the frame shown is not known). The last frame's calls may
  // point into copies dropped at this frame's Begin: those are kept until the next one.
  const size_t cellRows = static_cast<size_t>((Frame.H + kCell - 1) / kCell);
  Cells_.assign(cellRows, ShownKnown_ ? uint64_t{0} : ~uint64_t{0});
  if (ShownKnown_) {
    Pair(same);
    for (const uint32_t k : Unpaired_) MarkPixelsOf(Calls_[k]);
    for (const uint32_t k : UnpairedLast_) MarkPixelsOf(Last_[k]);
  }
  CollectRects();

  const bool fromLayer = LayerValid_ && LayerCalls_ <= same;
  if (!fromLayer) LayerValid_ = false;
  const size_t from = fromLayer ? LayerCalls_ : 0;
  const bool keep = !LayerValid_ || same >= LayerCalls_ + kLayerGain;
  if (keep) {
    Layer_.W = Frame.W;
    Layer_.H = Frame.H;
    Layer_.Px.resize(Frame.Px.size());
  }
  // A call stretched while drawing covers the whole frame at once: such a frame is one band of one strip.
  const bool stretched = std::any_of(Calls_.begin() + static_cast<std::ptrdiff_t>(from), Calls_.end(),
                                     [](const DrawCall& c) { return c.Stretched; });
  StripRows_ = stretched ? Frame.H : kStripRows;
  // Drawn over the same layer as the frame shown, only the changed columns of each strip are drawn again.
  const bool partial = ShownKnown_ && fromLayer && !keep && !stretched;
  // The bands split where the pixels to draw are halved; each strip lists the calls that touch it.
  const size_t strips = static_cast<size_t>((Frame.H + StripRows_ - 1) / StripRows_);
  RowWork_.assign(static_cast<size_t>(Frame.H) + 1, 0);
  Strips_.resize(strips);
  for (auto& strip : Strips_) strip.clear();
  StripColumns_.assign(strips, ~uint64_t{0});
  if (partial) {
    std::fill(StripColumns_.begin(), StripColumns_.end(), uint64_t{0});
    for (size_t row = 0; row < cellRows; ++row)
      StripColumns_[row * kCell / static_cast<size_t>(StripRows_)] |= Cells_[row];
  }
  for (size_t k = from; k < n; ++k) {
    const DrawCall& c = Calls_[k];
    const int64_t top = std::max<int64_t>(c.Y, 0), bottom = std::min<int64_t>(c.Y + c.Key.H, Frame.H);
    const int64_t width = std::min<int64_t>(c.X + c.Key.W, Frame.W) - std::max<int64_t>(c.X, 0);
    if (top >= bottom || width <= 0) continue;
    RowWork_[top] += static_cast<uint32_t>(width);
    RowWork_[bottom] -= static_cast<uint32_t>(width);
    for (int64_t strip = top / StripRows_; strip <= (bottom - 1) / StripRows_; ++strip)
      Strips_[static_cast<size_t>(strip)].push_back(static_cast<uint32_t>(k));
  }
  // A row's work: what is drawn on it, over the share of its strip's columns drawn.
  uint32_t running = 0;
  for (int y = 0; y < Frame.H; ++y) {
    running += RowWork_[y];
    const auto columns = static_cast<uint32_t>(__builtin_popcountll(StripColumns_[static_cast<size_t>(y / StripRows_)]));
    RowWork_[y] = static_cast<uint32_t>(uint64_t{running + kRowCost} * columns / 64);
  }
  RowWork_.pop_back();
  const auto draw = [&](int top, int bottom) { DrawBand(top, bottom, fromLayer, same, keep, partial); };
  if (stretched || bands == nullptr)
    draw(0, Frame.H);
  else
    bands->Draw(Frame.H, RowWork_, draw);
  if (keep) {
    LayerCalls_ = same;
    LayerValid_ = true;
  }
  Last_.swap(Calls_);
  ShownKnown_ = true;
  return Changes_;
}

}  // namespace omega
