#include "omega/pictures/Pictures.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <new>
#include <string>

#include "base/RegularFile.h"
#include "omega/decode/Decode.h"
#include "omega/decode/PictureFile.h"
#include "omega/decode/Prefetch.h"
#include "omega/draw/Cpu.h"
#include "omega/draw/FrameRecorder.h"

namespace omega {

namespace {

// The colour channels of p scaled by a, which becomes the alpha. Branch-free, so loops over it vectorise.
inline Pixel PremultipliedPixel(Pixel p, uint32_t a) {
  return (a << 24) | (Mul255((p >> 16) & 0xFF, a) << 16) | (Mul255((p >> 8) & 0xFF, a) << 8) | Mul255(p & 0xFF, a);
}

void PremultiplyLoop(Pixel* __restrict px, size_t n) {
  for (size_t i = 0; i < n; ++i) px[i] = PremultipliedPixel(px[i], px[i] >> 24);
}

void Premultiply(Image& image) { RunWide<PremultiplyLoop>(image.Px.data(), image.Px.size()); }

// One row cut by the mask's levels and premultiplied; the pointers never overlap, which lets the
// compiler vectorise the loop.
void CutRowLoop(Pixel* __restrict row, const uint8_t* __restrict levels, int width) {
  for (int x = 0; x < width; ++x) row[x] = PremultipliedPixel(row[x], Mul255(row[x] >> 24, levels[x]));
}

void CutRow(Pixel* row, const uint8_t* levels, int width) { RunWide<CutRowLoop>(row, levels, width); }

// The folder a program keeps its pictures in, as the path of its first picture shows it: the top
// folder of a relative path ("Data" of "Data/T/1.jpg"), the folder of an absolute one; "" for a file
// in the working directory itself, whose folder is not worth decoding ahead.
std::string DataFolderOf(const std::string& nativePath) {
  const std::filesystem::path path(nativePath);
  if (path.is_absolute()) return path.parent_path().string();
  const auto first = path.begin();
  return first == path.end() || std::next(first) == path.end() ? "" : first->string();
}

// A decode's context is the address of the pointer to the stop flag.
bool StopRequested(const void* flag) { return **static_cast<const StopFlag* const*>(flag) != 0; }

// A picture file as DecodePicture gives it, from the decoding ahead when that has it ready (only the
// decoding ahead works out whether it is opaque). The first load starts the decoding ahead of every
// picture in its folder. Refused when it would take the pictures held past their budget, and once
// the game is asked to end (a signal): its loads are then over at once, and the quit comes promptly.
bool LoadPicture(const PictureStore& store, Prefetcher& ahead, const StopFlag& stop, const std::string& path,
                 Prefetched& out) {
  out = Prefetched{};
  if (stop != 0) return false;
  const std::size_t room = store.Budget - std::min(store.Budget, store.HeldBytes);
  if (ahead.On()) {
    ahead.Start(DataFolderOf(path));
    if (ahead.Take(path, out)) {
      if (out.Picture.Px.size() * sizeof(Pixel) <= room) return out.Decoded;
      out = Prefetched{};
      return false;
    }
  }
  out = Prefetched{};
  const StopFlag* flag = &stop;
  out.Decoded = DecodePicture(path, out.Picture, DecodeLimits{room, StopRequested, &flag});
  return out.Decoded;
}

Texture* FindTexture(const PictureStore& store, OEHandle handle) {
  const auto it = store.Textures.find(handle);
  return it == store.Textures.end() ? nullptr : it->second.get();
}

}  // namespace

namespace {

OEHandle LoadTextureOrThrow(PictureStore& e, Prefetcher& ahead, const StopFlag& stop, const char* file,
                            int32_t flags) {
  auto texture = std::make_unique<Texture>();
  Prefetched loaded;
  if (file == nullptr || !LoadPicture(e, ahead, stop, NativePath(file), loaded)) return 0;
  Image& pic = loaded.Picture;
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
  texture->Picture = Encode(std::move(pic));
  const std::size_t bytes = texture->Picture.Bytes();
  const auto handle = reinterpret_cast<OEHandle>(texture.get());
  Texture& kept = *e.Textures.emplace(handle, std::move(texture)).first->second;
  kept.Seq = ++e.LoadCount;
  kept.Id = e.NextId++;
  e.HeldBytes += bytes;
  return handle;
}

}  // namespace

// Memory running out on the way is one more way a picture cannot be loaded: handle 0, nothing kept.
OEHandle LoadTexture(PictureStore& store, Prefetcher& ahead, const StopFlag& stop, const char* file, int32_t flags) {
  try {
    return LoadTextureOrThrow(store, ahead, stop, file, flags);
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

bool LoadMask(PictureStore& e, Prefetcher& ahead, const StopFlag& stop, const char* file) {
  e.HasMask = false;
  e.HeldBytes -= std::min(e.HeldBytes, e.Mask.capacity());
  std::vector<uint8_t>().swap(e.Mask);
  Prefetched loaded;
  if (file == nullptr) return false;
  const std::string path = NativePath(file);
  try {
    if (!LoadPicture(e, ahead, stop, path, loaded)) return false;
    e.Mask = Brightness(loaded.Picture);
  } catch (const std::bad_alloc&) {
    return false;
  }
  e.HeldBytes += e.Mask.capacity();
  e.MaskW = loaded.Picture.W;
  e.MaskH = loaded.Picture.H;
  e.HasMask = true;
  // A mask's picture is often loaded next as a picture of its own: hand it back unchanged.
  ahead.Return(path, std::move(loaded));
  return true;
}

void SetFramesSize(PictureStore& store, OEHandle handle, int32_t w, int32_t h) {
  Texture* texture = FindTexture(store, handle);
  if (texture == nullptr) return;
  texture->FrameW = w > 0 && h > 0 ? w : 0;
  texture->FrameH = w > 0 && h > 0 ? h : 0;
}

Rect FrameRect(const Texture& texture, int32_t frame) {
  const Spans& pic = texture.Picture;
  const int columns = texture.FrameW > 0 ? pic.W / texture.FrameW : 0;
  const int rows = texture.FrameH > 0 ? pic.H / texture.FrameH : 0;
  const int64_t count = int64_t{columns} * rows;
  // Not cut, or frames larger than the picture: the whole picture is the one frame.
  if (count == 0) return Rect{0, 0, pic.W, pic.H};
  // Frames past the last wrap round; most calls name one of the frames (no division).
  const int64_t index = frame <= 0 ? 0 : frame <= count ? int64_t{frame} - 1 : (int64_t{frame} - 1) % count;
  return Rect{static_cast<int>(index % columns) * texture.FrameW, static_cast<int>(index / columns) * texture.FrameH,
              texture.FrameW, texture.FrameH};
}

void DrawSprite(const PictureStore& store, FrameRecorder& to, OEHandle handle, float x, float y, float w, float h,
                int32_t alpha, int32_t flags) {
  const Texture* texture = FindTexture(store, handle);
  if (texture == nullptr) return;
  const uint32_t tint = (flags & kTintFlag) != 0 ? store.MixColour : kNoTint;
  const Rect whole{0, 0, texture->Picture.W, texture->Picture.H};
  to.Draw(texture->Picture, texture->Id, whole, x, y, w, h, alpha, tint);
}

void DrawAnimated(const PictureStore& store, FrameRecorder& to, OEHandle handle, float x, float y, float w, float h,
                  int32_t frame, int32_t alpha, int32_t flags) {
  const Texture* texture = FindTexture(store, handle);
  if (texture == nullptr) return;
  const uint32_t tint = (flags & kTintFlag) != 0 ? store.MixColour : kNoTint;
  to.Draw(texture->Picture, texture->Id, FrameRect(*texture, frame), x, y, w, h, alpha, tint);
}

OEHandle LoadFont(PictureStore& e, Prefetcher& ahead, const StopFlag& stop, const char* picture, const char* info) {
  auto font = std::make_unique<Font>();
  font->Seq = ++e.LoadCount;
  font->Id = e.NextId++;
  Prefetched loaded;
  try {
    if (picture != nullptr && info != nullptr && LoadPicture(e, ahead, stop, NativePath(picture), loaded)) {
      Premultiply(loaded.Picture);
      font->Picture = Encode(std::move(loaded.Picture));
      // One byte more than a table: enough to tell a long file from a right one without reading it all.
      std::string bytes;
      ReadFileStart(NativePath(info), kOfiSize + 1, bytes);
      font->Table = ParseOfi(bytes, font->Picture.W, font->Picture.H);
    }
  } catch (const std::bad_alloc&) {
    // As a font whose picture cannot be loaded: no glyphs.
    font->Picture = Spans{};
    font->Table = FontTable{};
  }
  const std::size_t bytes = font->Picture.Bytes();
  const auto handle = reinterpret_cast<OEHandle>(&font->Table.LineHeight);
  e.Fonts.emplace(handle, std::move(font));
  e.HeldBytes += bytes;
  return handle;
}

const Font* FindFont(const PictureStore& store, OEHandle handle) {
  const auto it = store.Fonts.find(handle);
  return it == store.Fonts.end() ? nullptr : it->second.get();
}

void DrawText(const PictureStore& store, FrameRecorder& to, OEHandle handle, float x, float y, const char* text,
              float scale, float spacing, int32_t alpha, uint32_t colour) {
  const Font* font = FindFont(store, handle);
  if (font == nullptr) return;
  const double s = scale;
  LayOutText(font->Table, text, x, scale, spacing, [&](const Glyph& g, double pen) {
    if (g.Usable && g.W > 0 && g.H > 0)
      to.Draw(font->Picture, font->Id, Rect{g.X, g.Y, g.W, g.H}, pen + g.Dx * s, y + g.Dy * s, g.W * s, g.H * s,
              alpha, colour & 0xFFFFFFu);
  });
}

float MeasureText(const PictureStore& store, OEHandle handle, const char* text, float scale, float spacing) {
  const Font* font = FindFont(store, handle);
  return font == nullptr ? 0.0f : TextWidth(font->Table, text, scale, spacing);
}

int LoadNumber(const PictureStore& store, OEHandle handle) {
  if (const auto t = store.Textures.find(handle); t != store.Textures.end()) return t->second->Seq;
  if (const auto f = store.Fonts.find(handle); f != store.Fonts.end()) return f->second->Seq;
  return 0;
}

}  // namespace omega
