#include "omega/decode/Decode.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "omega/decode/Jpeg.h"
#include "omega/decode/PictureFile.h"

namespace omega {

namespace {

// The decoder that goes with the format the header was read as, and only that one: a file cannot
// reach another decoder than the one whose size check it passed.
SDL_Surface* LoadAs(PictureFormat format, SDL_RWops* bytes) {
  switch (format) {
    case PictureFormat::Png: return IMG_LoadPNG_RW(bytes);
    case PictureFormat::Bmp: return IMG_LoadBMP_RW(bytes);
    case PictureFormat::Tga: return IMG_LoadTGA_RW(bytes);
    case PictureFormat::Jpeg: return IMG_LoadJPG_RW(bytes);
    case PictureFormat::Unknown: break;
  }
  return nullptr;
}

// A surface freed however the decode ends (a vector's allocation may throw).
using Surface = std::unique_ptr<SDL_Surface, decltype(&SDL_FreeSurface)>;

bool Decode(const std::string& nativePath, Image& out, const DecodeLimits& limits) {
  std::vector<unsigned char> bytes;
  // The size the header declares is checked before any decoder allocates: a few hundred bytes may
  // declare gigabytes. A format whose size we cannot read is not decoded at all.
  PictureHeader header;
  if (!ReadPictureFile(nativePath, bytes, header)) return false;
  if (static_cast<uint64_t>(header.W * header.H) * sizeof(Pixel) > limits.MaxBytes) return false;
  if (header.Format == PictureFormat::Jpeg) {
    const JpegResult jpeg = DecodeJpeg(bytes.data(), bytes.size(), out, limits);
    if (jpeg != JpegResult::NotHandled) return jpeg == JpegResult::Decoded;
  }
  SDL_RWops* source = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
  Surface loaded(source != nullptr ? LoadAs(header.Format, source) : nullptr, SDL_FreeSurface);
  if (source != nullptr) SDL_RWclose(source);
  if (loaded == nullptr || !PictureSizeAllowed(loaded->w, loaded->h)) return false;
  const SDL_PixelFormat* format = loaded->format;
  if (!SDL_ISPIXELFORMAT_INDEXED(format->format) && !SDL_HasColorKey(loaded.get())) {
    // Converted straight into the picture's own pixels: no second surface, no extra copy.
    out.W = loaded->w;
    out.H = loaded->h;
    out.Px.resize(static_cast<size_t>(out.W) * out.H);
    SDL_LockSurface(loaded.get());
    const int converted = SDL_ConvertPixels(out.W, out.H, format->format, loaded->pixels, loaded->pitch,
                                            SDL_PIXELFORMAT_ARGB8888, out.Px.data(), out.W * 4);
    SDL_UnlockSurface(loaded.get());
    return converted == 0;
  }
  // Palettes and colour keys (the key becomes transparent) need the surface conversion.
  const Surface argb(SDL_ConvertSurfaceFormat(loaded.get(), SDL_PIXELFORMAT_ARGB8888, 0), SDL_FreeSurface);
  loaded.reset();
  if (argb == nullptr) return false;
  out.W = argb->w;
  out.H = argb->h;
  out.Px.resize(static_cast<size_t>(out.W) * out.H);
  SDL_LockSurface(argb.get());
  const auto* pixels = static_cast<const uint8_t*>(argb->pixels);
  for (int y = 0; y < out.H; ++y) {
    const auto* row = reinterpret_cast<const Pixel*>(pixels + static_cast<ptrdiff_t>(y) * argb->pitch);
    std::copy(row, row + out.W, out.Px.begin() + static_cast<std::ptrdiff_t>(y) * out.W);
  }
  SDL_UnlockSurface(argb.get());
  return out.W > 0 && out.H > 0;
}

}  // namespace

bool DecodePicture(const std::string& nativePath, Image& out, const DecodeLimits& limits) {
  try {
    if (Decode(nativePath, out, limits)) return true;
  } catch (const std::bad_alloc&) {
    // Out of memory for this picture: it is refused like any picture that cannot be decoded.
  }
  out = Image{};
  return false;
}

bool DecodeIcon(const std::string& nativePath, Image& out) {
  PictureFileInfo file;
  if (!PeekPictureFile(nativePath, file) || file.Header.W > kMaxIconSide || file.Header.H > kMaxIconSide) {
    out = Image{};
    return false;
  }
  if (DecodePicture(nativePath, out, DecodeLimits{static_cast<std::size_t>(kMaxIconSide) * kMaxIconSide * 4}) &&
      out.W <= kMaxIconSide && out.H <= kMaxIconSide)
    return true;
  out = Image{};
  return false;
}

}  // namespace omega
