// The least work a recorded frame needs, as a yardstick for the engine: the frame's static leading
// calls come as a finished layer copied once, and every later call as a picture already scaled,
// tinted and faded, kept as runs of its non-transparent pixels; drawing a frame is one copy and then
// blending exactly those pixels at their places with the widest vectors the processor has (opaque runs
// copied), with no call, cache or clipping bookkeeping beyond the screen's edges.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <vector>

#include "tests/support/TraceReplay.h"
#include "omega/draw/Raster.h"
#include "omega/draw/Spans.h"

namespace replay {

// One call's picture, ready: rows of runs, each run all opaque (copied) or all translucent (blended).
struct FloorSprite {
  struct Run {
    int32_t X = 0, Len = 0;
    uint32_t Offset = 0;  // into Pixels
    bool Opaque = false;
  };
  int W = 0, H = 0;
  std::vector<uint32_t> RowRuns;  // H + 1 indices into Runs
  std::vector<Run> Runs;
  std::vector<omega::Pixel> Pixels;  // only the non-transparent ones
};

struct FloorPlace {
  const FloorSprite* Sprite = nullptr;
  int64_t X = 0, Y = 0;
};

struct FloorFrame {
  const std::vector<omega::Pixel>* Layer = nullptr;
  std::vector<FloorPlace> Places;
  size_t LayerCalls = 0;
};

struct Floor {
  // Resolves every frame's calls as the engine does (positions rounded, text cut into glyphs, mix
  // colours followed) against the pictures the engine loaded; the layer of a frame is its leading calls
  // shared with the frame before it in the list (cyclically).
  void Prepare(const std::vector<const Frame*>& frames, const EngineReplay& engine);
  // Draws frame i of the prepared list into target (1024×768).
  void Draw(size_t i, omega::Image& target) const;
  size_t Frames() const { return Prepared.size(); }
  size_t PixelsBlended(size_t i) const;  // non-transparent pixels of frame i's calls, clipped

  std::vector<FloorFrame> Prepared;
  std::map<std::vector<uint64_t>, std::unique_ptr<FloorSprite>> Sprites;  // by picture, part, size, tint, alpha
  std::vector<std::unique_ptr<std::vector<omega::Pixel>>> Layers;
};

// The memory floor of a frame: the time to write (fill) every pixel of one 1024×768 frame, and to copy
// one, in ms, best of many.
double FillFrameMs();
double CopyFrameMs();

}  // namespace replay
