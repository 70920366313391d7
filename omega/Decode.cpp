#include "omega/Decode.h"

#include <SDL.h>
#include <SDL_image.h>
#include <sys/stat.h>

#include <algorithm>
#include <cctype>

#include "omega/Jpeg.h"

namespace omega {

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

}  // namespace omega
