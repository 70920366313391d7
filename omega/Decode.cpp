#include "omega/Decode.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <vector>

#include "omega/Jpeg.h"
#include "omega/PictureFile.h"

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

}  // namespace

bool DecodePicture(const std::string& nativePath, Image& out) {
  std::vector<unsigned char> bytes;
  if (!ReadPictureFile(nativePath, bytes)) return false;
  // The size the header declares is checked before any decoder allocates: a few hundred bytes may
  // declare gigabytes. A format whose size we cannot read is not decoded at all.
  const PictureHeader header = ReadPictureHeader(bytes.data(), bytes.size(), HasTgaName(nativePath));
  if (header.Format == PictureFormat::Unknown || !PictureSizeAllowed(header.W, header.H)) return false;
  if (header.Format == PictureFormat::Jpeg) {
    const JpegResult jpeg = DecodeJpeg(bytes.data(), bytes.size(), out);
    if (jpeg != JpegResult::NotHandled) return jpeg == JpegResult::Decoded;
  }
  SDL_RWops* source = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
  SDL_Surface* loaded = source != nullptr ? LoadAs(header.Format, source) : nullptr;
  if (source != nullptr) SDL_RWclose(source);
  if (loaded == nullptr) return false;
  if (!PictureSizeAllowed(loaded->w, loaded->h)) {
    SDL_FreeSurface(loaded);
    return false;
  }
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

}  // namespace omega
