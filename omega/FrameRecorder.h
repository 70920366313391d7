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

#include "omega/Raster.h"
#include "omega/Spans.h"

namespace omega {

constexpr int kScreenW = 1024;
constexpr int kScreenH = 768;

// The one rounding of destination rectangles (halves to even); false for NaN / infinite values.
bool RoundCoord(double value, int64_t& out);

class FrameRecorder {
 public:
  FrameRecorder();

  // Draws part `from` of a picture (`id` never reused by another picture) over (x, y, w, h), tinted.
  void Draw(const Spans& picture, uint64_t id, Rect from, double x, double y, double w, double h, int32_t alpha,
            uint32_t tint);

  // A frame's drawing calls between Begin and End are recorded and drawn at its end. Outside a frame every
  // call draws at once. End tells whether the frame may differ from the last one (false: the same calls,
  // so the same pixels).
  void Begin();
  bool End();

  // Inside a frame: the next call is left out when it is drawn at exactly (x, y); any next call ends
  // this. (The game's own cursor over the bars round a scaled window, Input.h.)
  void LeaveOutNextAt(int32_t x, int32_t y);

  size_t CachedPixels() const { return CachePixels_; }
  size_t CachedBytes() const { return CacheBytes_; }
  size_t CachedEntries() const { return Scaled_.size(); }

  // The rows [ChangedTop, ChangedBottom) hold every pixel the last End() changed (empty when none).
  int ChangedTop() const { return ChangedTop_; }
  int ChangedBottom() const { return ChangedBottom_; }
  // Rectangles, inside those rows, that hold every pixel the last End() changed (none when nothing did):
  // what the window must take again. Cut on a grid of kChangeCell pixels; worked out when first asked
  // for, until the next Begin (a run without a window never pays for it).
  const std::vector<Rect>& ChangedRects() const;
  static constexpr int kChangeCell = 16;

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
  // strip by strip (Strips_).
  void DrawBand(int top, int bottom, bool fromLayer, size_t same, bool keep);
  void MarkChanged(const std::vector<DrawCall>& calls, size_t from);
  // Marks Dirty_: the tiles where the frame of Calls_ can differ from the one shown (Last_'s), both
  // drawn over the same layer from call `same` on.
  void MarkDirty(size_t same);
  void MarkDirtyBox(const DrawCall& c);
  // Marks in Changes_ the cells where c has pixels that are not transparent.
  void MarkPixelsOf(const DrawCall& c) const;
  // ChangedRects_ from Changes_ within the changed rows.
  void CollectChangedRects() const;
  static size_t CallHash(const DrawCall& c);

  DrawSpansFn DrawSpans_ = nullptr;  // the processor's widest copy
  std::unordered_map<CacheKey, Spans, CacheHash> Scaled_;  // copies: scaled, frames, tinted
  size_t CachePixels_ = 0;
  size_t CacheBytes_ = 0;  // pixels, runs and entries
  // Before the map: the copy last found for each slot of the keys' hashes (most of a game frame's calls
  // find one, and the map's lookup took 3 % of the crowded frame).
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
  std::vector<DrawCall> Calls_, Last_;
  Image Layer_;
  size_t LayerCalls_ = 0;  // the layer is the frame after this many of Last_'s leading calls
  bool LayerValid_ = false;
  bool ShownKnown_ = false;  // the frame shown is the drawing of Last_
  int ChangedTop_ = 0, ChangedBottom_ = kScreenH;
  std::vector<uint32_t> RowWork_;
  // Per strip of StripRows_ rows (the whole frame when a call is stretched while drawing), the calls
  // from the layer on that touch it, in order.
  int StripRows_ = kScreenH;
  std::vector<std::vector<uint32_t>> Strips_;
  // Per strip, a bit per column of kTileW pixels: the tiles to draw again (the rest is already right).
  std::vector<uint32_t> Dirty_;
  // What the last End() changed: nothing, everything (the frame shown was not known), or the pixels of
  // the calls left without a partner, this frame's (in Last_ after End) and the last one's (in Calls_,
  // kept until the next Begin).
  enum class Change { None, All, Unpaired } Changed_ = Change::All;
  std::vector<uint32_t> UnpairedNew_, UnpairedOld_;
  // Per kChangeCell rows, a bit per kChangeCell columns: where the frame can differ from the one shown.
  // Finer than the tiles and by the calls' pixels, not their boxes (the units' pictures are mostly
  // transparent): it decides what the window scales and copies, which costs more per pixel than drawing.
  mutable bool RectsKnown_ = false;
  mutable std::vector<uint64_t> Changes_;
  mutable std::vector<Rect> ChangedRects_;
  mutable std::vector<uint32_t> OpenRects_[2];
  // Per picture part at a size (tint left out): per row, the columns that hold pixels, low 16 bits the
  // first, high the end (first > end: none). The same parts are drawn frame after frame.
  mutable std::unordered_map<CacheKey, std::vector<uint32_t>, CacheHash> Extents_;
  const std::vector<uint32_t>& RowExtents(const DrawCall& c) const;
  // Matching the last frame's calls with this frame's: chains of Last_'s indices by hash bucket.
  std::vector<uint32_t> Buckets_, Chain_;
  std::vector<uint8_t> Matched_;
};

}  // namespace omega
