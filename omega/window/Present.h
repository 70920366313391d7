// Showing the frame in the window. The engine keeps the window's whole picture on the window's own
// surface: the frame placed and scaled exactly as SDL's renderer placed and filtered it when the window
// had a logical size (the same bars, the same pixels), but only the rows a frame changed are scaled,
// written and handed to the window system; the bars are drawn when the surface is new.
#pragma once
#include <SDL.h>

#include <cstdint>
#include <span>
#include <vector>

#include "omega/draw/ChangeSet.h"
#include "omega/draw/Raster.h"

namespace omega {

// Where a picture of picW×picH sits in an output of outW×outH pixels, the rest black: the viewport
// and scale of SDL_RenderSetLogicalSize (letterbox) and the rectangle its SDL_RenderCopy of the whole
// picture fills, with SDL's own float arithmetic so that odd sizes come out to the same pixel.
struct PictureBox {
  int OutW = 0, OutH = 0;
  int ViewX = 0, ViewY = 0;  // the viewport's corner
  float Scale = 1;
  int X = 0, Y = 0, W = 0, H = 0;  // the picture's pixels on the output
};
PictureBox PlacePicture(int outW, int outH, int picW, int picH);

// A pointer position in window units (dpi: window units per output pixel) to picture pixels, truncated
// towards zero as SDL's renderer mapped mouse events: a point less than one picture pixel into the left
// or top bar reads as the picture's edge.
void WindowToPicture(const PictureBox& box, float dpiX, float dpiY, int& x, int& y);

// The linear filter of SDL's software scaler (its SSE2 path: 7-bit weights, both axes summed before one
// truncation), for whole destination rows.
class RowScaler {
 public:
  void Prepare(int srcW, int srcH, int dstW, int dstH);
  // Rows [first, end) of the destination that read some of source rows [top, bottom); columns likewise.
  void DestinationRows(int top, int bottom, int& first, int& end) const;
  void DestinationColumns(int left, int right, int& first, int& end) const;
  // Destination rows [y0, y1) from src (srcW×srcH, packed rows) to dst (its row y0 first, pitch in
  // bytes), four 8-bit channels in the source's order; only columns [x0, x1) (dst points at column x0).
  // `wide`: the AVX-512 path where the processor has it (the same pixels).
  void Scale(const uint32_t* src, int y0, int y1, uint32_t* dst, int dstPitch, bool wide = true) const {
    Scale(src, y0, y1, 0, DstW_, dst, dstPitch, wide);
  }
  void Scale(const uint32_t* src, int y0, int y1, int x0, int x1, uint32_t* dst, int dstPitch, bool wide = true) const;

 private:
  struct Row {
    int Top, Bottom;  // the two source rows (the same one at the edges)
    int Frac;         // the lower row's weight of 128
  };
  int SrcW_ = 0, SrcH_ = 0, DstW_ = 0, DstH_ = 0;
  std::vector<Row> Rows_;
  std::vector<int32_t> Columns_;  // per destination column: the left source column (the right is next)
  std::vector<uint16_t> Left_, Right_;  // per destination channel: the left and right columns' weights
  mutable std::vector<uint16_t> Across_[2];  // two source rows filtered across
};

// What a Draw changed on the surface.
struct Shown {
  bool Whole = false;  // the whole surface (new, resized, or asked for): update all of it
  std::span<const SDL_Rect> Rects;  // otherwise these parts of it (none: nothing); valid until the next Draw
};

class Presenter {
 public:
  // Lays a picture of picW×picH out for an output of outW×outH (at a resize, before the surface is
  // drawn, so that the pointer reads right).
  void Place(int outW, int outH, int picW, int picH);
  // Puts the parts `changed` of the frame (picW×picH, packed, opaque) on `surface`, the window's: all
  // of it, bars too, when the surface is not the one drawn last (or Forget was called). `showAll`: the
  // window lost what it showed (uncovered, first shown), so the whole surface is to be shown again.
  Shown Draw(SDL_Surface* surface, const uint32_t* frame, int picW, int picH, const ChangeSet& changed,
             bool showAll = false);
  // The surface was made again (the window resized) or a frame was not drawn on it.
  void Forget() { Valid_ = false; }
  const PictureBox& Box() const { return Box_; }

 private:
  PictureBox Box_;
  int PicW_ = 0, PicH_ = 0;
  RowScaler Scaler_;
  bool Valid_ = false;
  const SDL_Surface* Surface_ = nullptr;
  const void* Pixels_ = nullptr;
  int SurfaceW_ = 0, SurfaceH_ = 0;
  std::vector<uint32_t> Scratch_;  // rows for a surface of another pixel format
  std::vector<SDL_Rect> Updated_;
};

}  // namespace omega
