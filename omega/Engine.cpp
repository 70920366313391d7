#include "omega/Engine.h"

#include <SDL.h>
#include <SDL_image.h>
#include <sys/stat.h>

#include <cmath>
#include <cstdlib>
#include <cstdio>
#include <fstream>

#include "omega/Jpeg.h"
#include "omega/Prefetch.h"
#include "platform/Runtime.h"

namespace omega {

namespace {

Engine* gEngine = nullptr;

struct CacheKey {
  uint64_t Id;
  Rect From;
  int W, H;
  uint32_t Tint;
  bool operator==(const CacheKey& o) const {
    return Id == o.Id && From.X == o.From.X && From.Y == o.From.Y && From.W == o.From.W && From.H == o.From.H &&
           W == o.W && H == o.H && Tint == o.Tint;
  }
};

struct CacheHash {
  size_t operator()(const CacheKey& k) const {
    uint64_t h = k.Id * 0x9E3779B97F4A7C15ull;
    for (const int64_t v : {int64_t{k.From.X}, int64_t{k.From.Y}, int64_t{k.From.W}, int64_t{k.From.H}, int64_t{k.W},
                            int64_t{k.H}, int64_t{k.Tint}})
      h = (h ^ static_cast<uint64_t>(v)) * 0x100000001B3ull;
    return static_cast<size_t>(h ^ (h >> 29));
  }
};

// Scaled and tinted copies are made once; the whole cache is dropped between frames when it has grown
// past this many pixels (32 MB), which a scene only reaches after showing a great many tints of many
// frames. Dropping it inside a frame would free copies that the frame's recorded calls still draw.
constexpr size_t kCacheLimitPixels = size_t{8} << 20;
// Destinations bigger than this are drawn straight from the picture instead of cached.
constexpr int64_t kLargestCached = int64_t{2048} * 2048;

std::unordered_map<CacheKey, Image, CacheHash> gCache;
size_t gCachePixels = 0;

const Image& Cached(const Image& source, uint64_t id, Rect from, int w, int h, uint32_t tint) {
  const CacheKey key{id, from, w, h, tint};
  if (const auto it = gCache.find(key); it != gCache.end()) return it->second;
  gCachePixels += static_cast<size_t>(w) * h;
  return gCache.emplace(key, MakeScaled(source, from, w, h, tint)).first->second;
}

void TrimCache() {
  if (gCachePixels <= kCacheLimitPixels) return;
  gCache.clear();
  gCachePixels = 0;
}

// ---- frames ----
// Inside a frame the drawing calls are only recorded; the frame's end draws them. A game frame starts
// with the same calls as the one before (backdrop, ground, the objects that did not move): the result
// of such a leading run is kept as a layer, and the next frame that starts the same way begins from a
// copy of it. A frame whose calls are all the same as the last one's is left as it is.

struct DrawCall {
  CacheKey Key;           // what is drawn: picture, part, size, tint
  int64_t X = 0, Y = 0;   // where
  uint32_t Alpha = 255;
  const Image* Picture;   // the cached copy, or for large destinations the picture itself
  bool Direct;            // Picture is the picture itself, scaled (unless drawn at its size) while drawing
  bool operator==(const DrawCall& o) const { return Key == o.Key && X == o.X && Y == o.Y && Alpha == o.Alpha; }
};

// A layer is only worth keeping when it saves this many calls over the one already kept.
constexpr size_t kLayerGain = 32;

struct FrameState {
  bool Accelerated = true;
  bool InFrame = false;
  bool Changed = true;
  std::vector<DrawCall> Calls, Last;
  Image Layer;
  size_t LayerCalls = 0;  // the layer is the frame after this many of Last's leading calls
  bool LayerValid = false;
};

FrameState& Frames() {
  static FrameState state = [] {
    FrameState s;
    const char* plain = std::getenv("OMEGA_PLAIN");
    s.Accelerated = plain == nullptr || *plain == '\0' || *plain == '0';
    SetWideBlend(s.Accelerated);
    return s;
  }();
  return state;
}

void Forget(FrameState& f) {
  f.Calls.clear();
  f.Last.clear();
  f.LayerValid = false;
  f.LayerCalls = 0;
}

void Rasterise(Image& frame, const DrawCall& c) {
  if (c.Direct && c.Key.W == c.Key.From.W && c.Key.H == c.Key.From.H && c.Key.Tint == kNoTint)
    BlitPart(frame, *c.Picture, c.Key.From, c.X, c.Y, c.Alpha);
  else if (c.Direct)
    BlitScaled(frame, *c.Picture, c.Key.From, c.X, c.Y, c.Key.W, c.Key.H, c.Key.Tint, c.Alpha);
  else
    Blit(frame, *c.Picture, c.X, c.Y, c.Alpha);
}

// The colour channels of p scaled by a, which becomes the alpha. Branch-free, so loops over it vectorise.
inline Pixel PremultipliedPixel(Pixel p, uint32_t a) {
  return (a << 24) | (Mul255((p >> 16) & 0xFF, a) << 16) | (Mul255((p >> 8) & 0xFF, a) << 8) | Mul255(p & 0xFF, a);
}

void Premultiply(Image& image) {
  for (Pixel& p : image.Px) p = PremultipliedPixel(p, p >> 24);
}

// One row cut by the mask's levels and premultiplied; the pointers never overlap, which lets the
// compiler vectorise the loop.
void CutRow(Pixel* __restrict row, const uint8_t* __restrict levels, int width) {
  for (int x = 0; x < width; ++x) row[x] = PremultipliedPixel(row[x], Mul255(row[x] >> 24, levels[x]));
}

// The folder whose pictures are decoded ahead at the first load, relative to the game's folder.
constexpr const char* kDataFolder = "Data";

bool gPrefetching = [] {
  const char* off = std::getenv("OMEGA_PREFETCH");
  return off == nullptr || std::string(off) != "0";
}();

// A picture file as DecodePicture gives it, from the decoding ahead when that has it ready (only the
// decoding ahead works out whether it is opaque).
bool LoadPicture(const std::string& path, Prefetched& out) {
  if (gPrefetching) {
    StartPrefetch(kDataFolder);
    if (TakePrefetched(path, out)) return out.Decoded;
  }
  out = Prefetched{};
  out.Decoded = DecodePicture(path, out.Picture);
  return out.Decoded;
}

Texture* FindTexture(OEHandle handle) {
  const auto it = E().Textures.find(handle);
  return it == E().Textures.end() ? nullptr : it->second.get();
}

// Draws part `from` of a picture over (x, y, w, h) with the one rounding rule of the engine.
void DrawPart(const Image& picture, uint64_t id, Rect from, double x, double y, double w, double h, int32_t alpha,
              uint32_t tint) {
  if (alpha <= 0 || from.W <= 0 || from.H <= 0) return;
  const uint32_t a = alpha > 255 ? 255u : static_cast<uint32_t>(alpha);
  int64_t X = 0, Y = 0, W = 0, H = 0;
  if (!RoundCoord(x, X) || !RoundCoord(y, Y) || !RoundCoord(w, W) || !RoundCoord(h, H)) return;
  if (W <= 0 || H <= 0) return;
  Image& frame = E().Frame;
  if (X >= frame.W || Y >= frame.H || X + W <= 0 || Y + H <= 0) return;
  const CacheKey key{id, from, static_cast<int>(W), static_cast<int>(H), tint};
  // A part drawn untinted at its own size needs no copy: it is drawn from the picture itself. So do
  // destinations too large to cache.
  const bool direct = W * H > kLargestCached || (W == from.W && H == from.H && tint == kNoTint);
  const DrawCall call{key, X, Y, a, direct ? &picture : &Cached(picture, id, from, key.W, key.H, tint), direct};
  FrameState& f = Frames();
  if (f.InFrame && f.Accelerated) {
    f.Calls.push_back(call);
    return;
  }
  // Drawn at once (outside a frame, or unaccelerated): whatever was kept no longer matches the frame.
  if (!f.InFrame) Forget(f);
  Rasterise(frame, call);
}

}  // namespace

void SetAcceleration(bool on) {
  FrameState& f = Frames();
  f.Accelerated = on;
  SetWideBlend(on);
  Forget(f);
}

bool Accelerated() { return Frames().Accelerated; }

void BeginFrame() {
  FrameState& f = Frames();
  TrimCache();
  DropReturnedPictures();
  f.InFrame = true;
  f.Calls.clear();
  if (!f.Accelerated) Clear(E().Frame, 0xFF000000u);
}

bool EndFrame() {
  FrameState& f = Frames();
  Image& frame = E().Frame;
  f.InFrame = false;
  if (!f.Accelerated) return f.Changed = true;
  const size_t n = f.Calls.size();
  size_t same = 0;
  while (same < n && same < f.Last.size() && f.Calls[same] == f.Last[same]) ++same;
  if (same == n && n == f.Last.size() && f.LayerValid) return f.Changed = false;

  size_t from = 0;
  if (f.LayerValid && f.LayerCalls <= same) {
    frame.Px = f.Layer.Px;
    from = f.LayerCalls;
  } else {
    Clear(frame, 0xFF000000u);
    f.LayerValid = false;
  }
  if (!f.LayerValid || same >= f.LayerCalls + kLayerGain) {
    for (; from < same; ++from) Rasterise(frame, f.Calls[from]);
    f.Layer.W = frame.W;
    f.Layer.H = frame.H;
    f.Layer.Px = frame.Px;
    f.LayerCalls = same;
    f.LayerValid = true;
  }
  for (; from < n; ++from) Rasterise(frame, f.Calls[from]);
  f.Last.swap(f.Calls);
  f.Calls.clear();
  return f.Changed = true;
}


Engine& E() {
  if (gEngine == nullptr) {
    gEngine = new Engine;  // lives for the whole process: the game's handles point into it
    gEngine->Frame.W = kScreenW;
    gEngine->Frame.H = kScreenH;
    gEngine->Frame.Px.assign(static_cast<size_t>(kScreenW) * kScreenH, 0xFF000000u);
  }
  return *gEngine;
}

void ResetEngine() {
  StopPrefetch();
  delete gEngine;
  gEngine = nullptr;
  gCache.clear();
  gCachePixels = 0;
  Frames().InFrame = false;
  Forget(Frames());
  E();
}

void SetPrefetching(bool on) {
  StopPrefetch();
  gPrefetching = on;
}

size_t CachedPixels() { return gCachePixels; }
size_t CachedEntries() { return gCache.size(); }

bool RoundCoord(double value, int64_t& out) {
  if (!std::isfinite(value)) return false;
  // Far beyond any screen: clamped so that sums of positions and sizes cannot overflow.
  constexpr double kFar = 1 << 24;
  value = value < -kFar ? -kFar : value > kFar ? kFar : value;
  out = RoundHalfEven(value);
  return true;
}

namespace {
bool HasJpegName(const std::string& path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos) return false;
  std::string ext = path.substr(dot + 1);
  for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return ext == "jpg" || ext == "jpeg" || ext == "jpe";
}
}  // namespace

bool DecodePicture(const std::string& nativePath, Image& out) {
  struct stat st {};
  if (stat(nativePath.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) return false;
  // The game's photographs are JPEG files named so; the general loader picks its decoder by the name.
  if (HasJpegName(nativePath) && DecodeJpeg(nativePath, out) == JpegResult::Decoded) return true;
  SDL_Surface* loaded = IMG_Load(nativePath.c_str());
  if (loaded == nullptr) return false;
  const SDL_PixelFormat* format = loaded->format;
  if (!SDL_ISPIXELFORMAT_INDEXED(format->format) && !SDL_HasColorKey(loaded) && loaded->w > 0 && loaded->h > 0) {
    // Converted straight into the picture's own pixels: no second surface, no extra copy.
    out.W = loaded->w;
    out.H = loaded->h;
    out.Px.resize(static_cast<size_t>(out.W) * out.H);
    SDL_LockSurface(loaded);
    const int converted = SDL_ConvertPixels(out.W, out.H, format->format, loaded->pixels, loaded->pitch,
                                            SDL_PIXELFORMAT_ARGB8888, out.Px.data(), out.W * 4);
    SDL_UnlockSurface(loaded);
    SDL_FreeSurface(loaded);
    return converted == 0;
  }
  // Palettes and colour keys (the key becomes transparent) need the surface conversion.
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(loaded);
  if (argb == nullptr) return false;
  out.W = argb->w;
  out.H = argb->h;
  SDL_LockSurface(argb);
  const auto* pixels = static_cast<const uint8_t*>(argb->pixels);
  out.Px.resize(static_cast<size_t>(out.W) * out.H);
  for (int y = 0; y < out.H; ++y) {
    const auto* row = reinterpret_cast<const Pixel*>(pixels + static_cast<ptrdiff_t>(y) * argb->pitch);
    std::copy(row, row + out.W, out.Px.begin() + static_cast<std::ptrdiff_t>(y) * out.W);
  }
  SDL_UnlockSurface(argb);
  SDL_FreeSurface(argb);
  return out.W > 0 && out.H > 0;
}

OEHandle LoadTexture(const char* file, int32_t flags) {
  Engine& e = E();
  auto texture = std::make_unique<Texture>();
  Prefetched loaded;
  if (file == nullptr || !LoadPicture(NativePath(file), loaded)) return 0;
  texture->Picture = std::move(loaded.Picture);
  Image& pic = texture->Picture;
  if ((flags & kMaskFlag) != 0 && e.HasMask) {
    // Cut by the mask and premultiplied in one pass. The mask's column for each picture column is
    // worked out once; a mask as wide as the picture (the usual case) is read straight.
    const bool sameWidth = e.MaskW == pic.W;
    std::vector<uint32_t> maskColumn(sameWidth ? 0 : static_cast<size_t>(pic.W));
    for (size_t x = 0; x < maskColumn.size(); ++x)
      maskColumn[x] = static_cast<uint32_t>(SampleIndex(static_cast<int64_t>(x), pic.W, e.MaskW));
    std::vector<uint8_t> levels(sameWidth ? 0 : static_cast<size_t>(pic.W));
    for (int y = 0; y < pic.H; ++y) {
      const uint8_t* maskRow = &e.Mask[static_cast<size_t>(SampleIndex(y, pic.H, e.MaskH)) * e.MaskW];
      if (!sameWidth) {
        for (size_t x = 0; x < levels.size(); ++x) levels[x] = maskRow[maskColumn[x]];
        maskRow = levels.data();
      }
      Pixel* row = &pic.Px[static_cast<size_t>(y) * pic.W];
      CutRow(row, maskRow, pic.W);
    }
  } else {
    if ((flags & kMaskFlag) != 0) {
      // No current mask (none loaded, or the last mask load failed): the picture is opaque.
      for (Pixel& p : pic.Px) p |= 0xFF000000u;
      loaded.Opaque = true;
    }
    // An opaque picture is its own premultiplied form.
    if (!loaded.Opaque) Premultiply(pic);
  }
  texture->Seq = ++e.LoadCount;
  texture->Id = e.NextId++;
  const auto handle = reinterpret_cast<OEHandle>(texture.get());
  e.Textures.emplace(handle, std::move(texture));
  return handle;
}

bool LoadMask(const char* file) {
  Engine& e = E();
  e.HasMask = false;
  e.Mask.clear();
  Prefetched loaded;
  if (file == nullptr) return false;
  const std::string path = NativePath(file);
  if (!LoadPicture(path, loaded)) return false;
  e.MaskW = loaded.Picture.W;
  e.MaskH = loaded.Picture.H;
  e.Mask = Brightness(loaded.Picture);
  e.HasMask = true;
  // A mask's picture is often loaded next as a picture of its own: hand it back unchanged.
  ReturnPrefetched(path, std::move(loaded));
  return true;
}

void SetFramesSize(OEHandle handle, int32_t w, int32_t h) {
  Texture* texture = FindTexture(handle);
  if (texture == nullptr) return;
  texture->FrameW = w > 0 && h > 0 ? w : 0;
  texture->FrameH = w > 0 && h > 0 ? h : 0;
}

Rect FrameRect(const Texture& texture, int32_t frame) {
  const Image& pic = texture.Picture;
  const int columns = texture.FrameW > 0 ? pic.W / texture.FrameW : 0;
  const int rows = texture.FrameH > 0 ? pic.H / texture.FrameH : 0;
  const int64_t count = int64_t{columns} * rows;
  // Not cut, or frames larger than the picture: the whole picture is the one frame.
  if (count == 0) return Rect{0, 0, pic.W, pic.H};
  const int64_t index = frame <= 0 ? 0 : (int64_t{frame} - 1) % count;
  return Rect{static_cast<int>(index % columns) * texture.FrameW, static_cast<int>(index / columns) * texture.FrameH,
              texture.FrameW, texture.FrameH};
}

void DrawSprite(OEHandle handle, float x, float y, float w, float h, int32_t alpha, int32_t flags) {
  const Texture* texture = FindTexture(handle);
  if (texture == nullptr) return;
  const uint32_t tint = (flags & kTintFlag) != 0 ? E().MixColour : kNoTint;
  DrawPart(texture->Picture, texture->Id, Rect{0, 0, texture->Picture.W, texture->Picture.H}, x, y, w, h, alpha, tint);
}

void DrawAnimated(OEHandle handle, float x, float y, float w, float h, int32_t frame, int32_t alpha, int32_t flags) {
  const Texture* texture = FindTexture(handle);
  if (texture == nullptr) return;
  const uint32_t tint = (flags & kTintFlag) != 0 ? E().MixColour : kNoTint;
  DrawPart(texture->Picture, texture->Id, FrameRect(*texture, frame), x, y, w, h, alpha, tint);
}

// ---- text ----

OEHandle LoadFont(const char* picture, const char* info) {
  Engine& e = E();
  auto font = std::make_unique<Font>();
  font->Seq = ++e.LoadCount;
  font->Id = e.NextId++;
  Prefetched loaded;
  if (picture != nullptr && info != nullptr && LoadPicture(NativePath(picture), loaded)) {
    font->Picture = std::move(loaded.Picture);
    Premultiply(font->Picture);
    std::ifstream in(NativePath(info), std::ios::binary);
    // One byte more than a table: enough to tell a long file from a right one without reading it all.
    std::string bytes(kOfiSize + 1, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(in ? bytes.size() : static_cast<size_t>(in.gcount()));
    font->Table = ParseOfi(bytes, font->Picture.W, font->Picture.H);
  }
  const auto handle = reinterpret_cast<OEHandle>(&font->Table.LineHeight);
  e.Fonts.emplace(handle, std::move(font));
  return handle;
}

const Font* FindFont(OEHandle handle) {
  const auto it = E().Fonts.find(handle);
  return it == E().Fonts.end() ? nullptr : it->second.get();
}

void DrawText(OEHandle handle, float x, float y, const char* text, float scale, float spacing, int32_t alpha,
              uint32_t colour) {
  const Font* font = FindFont(handle);
  if (font == nullptr || text == nullptr) return;
  const double s = scale;
  double pen = x;
  for (const char* p = text; *p != '\0'; ++p) {
    const Glyph& g = font->Table.Glyphs[static_cast<unsigned char>(*p)];
    if (g.Usable && g.W > 0 && g.H > 0)
      DrawPart(font->Picture, font->Id, Rect{g.X, g.Y, g.W, g.H}, pen + g.Dx * s, y + g.Dy * s, g.W * s, g.H * s,
               alpha, colour & 0xFFFFFFu);
    pen += (g.Usable ? g.Advance : 0) * s + spacing;
  }
}

float MeasureText(OEHandle handle, const char* text, float scale, float spacing) {
  const Font* font = FindFont(handle);
  return font == nullptr ? 0.0f : TextWidth(font->Table, text, scale, spacing);
}

// ---- input ----

void PressInput(int index) {
  if (index >= 0 && index < Engine::kInputs) E().Pending[index] = true;
}

void KeyDownEvent(int vk) {
  if (vk <= 0 || vk > 255) return;
  ++E().Held[vk];
  PressInput(vk);
}

void KeyUpEvent(int vk) {
  if (vk <= 0 || vk > 255 || E().Held[vk] == 0) return;
  --E().Held[vk];
}

void BeginTick() {
  Engine& e = E();
  std::copy(std::begin(e.Pending), std::end(e.Pending), std::begin(e.Active));
  std::fill(std::begin(e.Pending), std::end(e.Pending), false);
}

void EndTick() { std::fill(std::begin(E().Active), std::end(E().Active), false); }

bool KeyPressed(int32_t code) { return code >= 0 && code < 256 && E().Active[code]; }
bool KeyHeld(int32_t code) { return code >= 0 && code < 256 && E().Held[code] > 0; }
bool MousePressed(int32_t button) { return button >= 1 && button <= 3 && E().Active[256 + button]; }

}  // namespace omega
