// Pictures, masks and fonts the game loads, and their drawing onto the frame.
#pragma once
#include <csignal>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "engine/OMEGA_list.h"
#include "omega/pictures/Font.h"
#include "omega/draw/Raster.h"
#include "omega/draw/Spans.h"

namespace omega {

constexpr int kMaskFlag = 0x100;  // part of the game's 330: cut the picture by the current mask
constexpr int kTintFlag = 0x8;    // part of the game's 9: multiply by the mix colour

struct Texture {
  int Seq = 0;        // load order number, as the trace shows it
  uint64_t Id = 0;    // never reused: the key of its cached scaled copies
  Spans Picture;      // premultiplied
  int FrameW = 0, FrameH = 0;  // 0: not cut into frames
};

struct Font {
  FontTable Table;  // first: the handle points at Table.LineHeight
  int Seq = 0;
  uint64_t Id = 0;
  Spans Picture;  // premultiplied
};

// The pictures the game holds (textures, fonts and the mask, as the engine keeps them) take at most
// this many bytes: a load that would pass it is refused (handle 0) before its file is decoded. The
// game's own pictures take about 60 MB decoded, so a game may load all of them eight times over; one
// crafted file declaring the largest picture (256 MB) fits, two do not.
constexpr std::size_t kHeldPicturesBudget = std::size_t{512} << 20;

struct PictureStore {
  std::unordered_map<OEHandle, std::unique_ptr<Texture>> Textures;
  std::unordered_map<OEHandle, std::unique_ptr<Font>> Fonts;
  int LoadCount = 0;
  uint64_t NextId = 1;
  bool HasMask = false;
  int MaskW = 0, MaskH = 0;
  std::vector<uint8_t> Mask;  // brightness 0..255
  uint32_t MixColour = kNoTint;
  std::size_t HeldBytes = 0;  // of the textures, fonts and mask held
  std::size_t Budget = kHeldPicturesBudget;  // tests make it smaller
};

class FrameRecorder;
class Prefetcher;

// A load reads its file, or takes it from the pictures decoded `ahead`; once `stop` is set (a signal
// asks the game to end) no load starts and a decode under way is given up.
using StopFlag = volatile std::sig_atomic_t;
OEHandle LoadTexture(PictureStore& store, Prefetcher& ahead, const StopFlag& stop, const char* file, int32_t flags);
bool LoadMask(PictureStore& store, Prefetcher& ahead, const StopFlag& stop, const char* file);
void SetFramesSize(PictureStore& store, OEHandle texture, int32_t w, int32_t h);
// The part of a texture that frame n shows (n as the game passes it: 0 or less is 1, past the end wraps).
Rect FrameRect(const Texture& texture, int32_t frame);
// The drawing operations hand their calls to the frame `to`.
void DrawSprite(const PictureStore& store, FrameRecorder& to, OEHandle texture, float x, float y, float w, float h,
                int32_t alpha, int32_t flags);
void DrawAnimated(const PictureStore& store, FrameRecorder& to, OEHandle texture, float x, float y, float w, float h,
                  int32_t frame, int32_t alpha, int32_t flags);

OEHandle LoadFont(PictureStore& store, Prefetcher& ahead, const StopFlag& stop, const char* picture, const char* info);
const Font* FindFont(const PictureStore& store, OEHandle font);
void DrawText(const PictureStore& store, FrameRecorder& to, OEHandle font, float x, float y, const char* text,
              float scale, float spacing, int32_t alpha, uint32_t colour);
float MeasureText(const PictureStore& store, OEHandle font, const char* text, float scale, float spacing);
// A texture's or font's load number, as the trace shows it; 0 for a value the store never gave.
int LoadNumber(const PictureStore& store, OEHandle handle);

}  // namespace omega
