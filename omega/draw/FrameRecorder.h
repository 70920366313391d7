// The frame and how it is drawn. Inside a frame the drawing calls are only recorded; the frame's end
// draws them. A game frame starts with the same calls as the one before (backdrop, ground, the objects
// that did not move): the result of such a leading run is kept as a layer, and the next frame that
// starts the same way begins from a copy of it. A frame whose calls are all the same as the last one's
// is left as it is. Pictures are runs of their non-transparent pixels (Spans.h), tinted and faded while
// blending; copies are made, once, and cached only of scaled parts, frames of larger pictures and small
// pictures drawn tinted (tinted as they are made). The recorded calls of a
// frame are drawn in two row bands at once when two cores are allowed (Bands.h).
#pragma once
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "omega/draw/ChangeSet.h"
#include "omega/draw/Raster.h"
#include "omega/draw/Spans.h"

namespace omega {

constexpr int kScreenW = 1024;
constexpr int kScreenH = 768;

// The one rounding of destination rectangles (halves to even); false for NaN / infinite values.
bool RoundCoord(double value, int64_t& out);

class DrawBands;

// The cache of copies is dropped between frames once it holds more than this many pixels (32 MB), which
// a scene reaches only after showing a great many sizes of many pictures.
constexpr size_t kCacheLimitPixels = size_t{8} << 20;

class FrameRecorder {
 public:
  FrameRecorder() : FrameRecorder(kCacheLimitPixels) {}
  explicit FrameRecorder(size_t cacheLimitPixels);

  // Draws part `from` of a picture (`id` never reused by another picture) over (x, y, w, h), tinted.
  void Draw(const Spans& picture, uint64_t id, Rect from, double x, double y, double w, double h, int32_t alpha,
            uint32_t tint);

  // A frame's drawing calls between Begin and End are recorded and drawn at its end (in two row bands at
  // once when `bands` allows). Outside a frame every call draws at once. End returns what changed.
  void Begin();
  const ChangeSet& End(DrawBands* bands = nullptr);
  // What the last End changed (the same set).
  const ChangeSet& Changes() const { return Changes_; }

  // Inside a frame: the next call is left out when it is drawn at exactly (x, y); any next call ends
  // this. (The game's own cursor over the bars round a scaled window, Input.h.)
  void LeaveOutNextAt(int32_t x, int32_t y);

  size_t CachedPixels() const { return CachePixels_; }
  size_t CachedBytes() const { return CacheBytes_; }
  size_t CachedEntries() const { return Scaled_.size(); }

  Image Frame;  // kScreenW × kScreenH, what is shown

  struct CacheKey {
    uint64_t Id;
    Rect From;
    int W, H;
    uint32_t Tint;
    bool operator==(const CacheKey& o) const;
  };
  struct CacheHash {
    size_t operator()(const CacheKey& k) const;
  };
  struct DrawCall {
    CacheKey Key;          // what is drawn: picture, part, size, tint
    int64_t X = 0, Y = 0;  // where
    uint32_t Alpha = 255;
    const Spans* Source;   // the picture, or its scaled (and maybe tinted) copy
    Rect Part;             // the part of Source drawn
    bool Stretched;        // too large to copy: Source is the picture, stretched while drawing
    uint32_t Tint;         // the tint still to apply while drawing (kNoTint when Source is tinted)
    bool operator==(const DrawCall& o) const { return Key == o.Key && X == o.X && Y == o.Y && Alpha == o.Alpha; }
  };
  // The calls the last End() drew, in order, as recorded: picture (Key.Id), part, size, tint, place, alpha.
  const std::vector<DrawCall>& LastFrame() const { return Last_; }

 private:
  // The cached copy for key, made when it is not there yet and `make` allows (else nullptr).
  const Spans* Copy(const Spans& source, const CacheKey& key, bool make);
  void TrimCache();
  void Forget();
  void Rasterise(const DrawCall& c, int top, int bottom, const Image* under = nullptr, int64_t left = 0,
                 int64_t right = INT64_MAX);
  // Whether c covers rows [top, bottom) whole with pixels of its own (none transparent).
  bool Covers(const DrawCall& c, int top, int bottom) const;
  // Rows [top, bottom) of the frame from the calls after the layer, starting from the layer or black,
  // strip by strip (Strips_); where `partial`, in each strip only the columns that changed.
  void DrawBand(int top, int bottom, bool fromLayer, size_t same, bool keep, bool partial);
  // The recorder's own pairing of this frame's calls (from `same` on) with the last frame's: a call
  // with an equal partner later than the last partner taken draws the same pixels in the same place,
  // over the same pixels. Fills Unpaired_ / UnpairedLast_ with those left without one.
  void Pair(size_t same);
  // Marks in Cells_ the cells where c has pixels that are not transparent.
  void MarkPixelsOf(const DrawCall& c);
  // Changes_ from Cells_.
  void CollectRects();
  static size_t CallHash(const DrawCall& c);
  // Per picture part at a size (tint left out): per row, the columns that hold pixels, low 16 bits the
  // first, high the end (first > end: none). The same parts are drawn frame after frame.
  const std::vector<uint32_t>& RowExtents(const DrawCall& c);

  size_t CacheLimitPixels_;
  DrawSpansFn DrawSpans_ = nullptr;  // the processor's widest copy
  std::unordered_map<CacheKey, Spans, CacheHash> Scaled_;  // copies: scaled, frames, tinted
  // The copies dropped at the last trim: the last frame's calls may still point into them, and what
  // this frame changed is found from those calls' pixels. Freed at the next Begin.
  std::unordered_map<CacheKey, Spans, CacheHash> Retired_;
  size_t CachePixels_ = 0;
  size_t CacheBytes_ = 0;  // pixels, runs and entries
  // Before the map: the copy last found for each slot of the keys' hashes (most of a game frame's calls
  // find one, and the map's lookup costs more than a slot's).
  struct Found {
    CacheKey Key{};
    const Spans* Copy = nullptr;
  };
  std::vector<Found> Found_;
  bool InFrame_ = false;
  struct Mark {
    bool Set = false;
    int64_t X = 0, Y = 0;
  } LeaveOut_;
  std::vector<DrawCall> Calls_, Last_;  // this frame's calls and the last one's
  Image Layer_;
  size_t LayerCalls_ = 0;  // the layer is the frame after this many of Last_'s leading calls
  bool LayerValid_ = false;
  bool ShownKnown_ = false;  // Frame is the drawing of Last_
  // Per kCell rows, a bit per kCell columns: where the frame can differ from the one drawn before. It
  // decides what is drawn again over the kept layer and what the window scales and copies.
  std::vector<uint64_t> Cells_;
  ChangeSet Changes_;
  std::vector<uint32_t> Unpaired_, UnpairedLast_;
  std::vector<uint32_t> RowWork_;
  // Per strip of StripRows_ rows (the whole frame when a call is stretched while drawing), the calls
  // from the layer on that touch it, in order, and the cells' columns to draw again.
  int StripRows_ = kScreenH;
  std::vector<std::vector<uint32_t>> Strips_;
  std::vector<uint64_t> StripColumns_;
  std::unordered_map<CacheKey, std::vector<uint32_t>, CacheHash> Extents_;
  // Pairing: chains of Last_'s indices by hash bucket.
  std::vector<uint32_t> Buckets_, Chain_;
  std::vector<uint8_t> Matched_;
};

}  // namespace omega
