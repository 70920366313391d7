// Picture files decoded into the engine's pixels: JPEG straight (Jpeg.h), everything else through
// SDL_image. Safe to call on several threads at once (decoding ahead does).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "omega/draw/Raster.h"

namespace omega {

// What a decode may cost and when it is given up.
struct DecodeLimits {
  // The most bytes the decoded picture may take (4 a pixel, as its header declares it): a larger one
  // is refused before anything is allocated for it.
  std::size_t MaxBytes = SIZE_MAX;
  // Asked while a JPEG decodes: true gives the decode up (the game is ending, or the decoding ahead
  // stops). Null: never.
  bool (*Abandon)(const void* context) = nullptr;
  const void* Context = nullptr;
  bool Abandoned() const { return Abandon != nullptr && Abandon(Context); }
};

// Decodes a picture file into a straight-alpha 0xAARRGGBB image; false when it is not a picture, is
// refused by its limits, or memory runs out on the way (nothing is kept then).
bool DecodePicture(const std::string& nativePath, Image& out, const DecodeLimits& limits = {});

// The largest side of a window's icon: systems show icons of 256² at most.
constexpr int kMaxIconSide = 1024;

// The window's icon, decoded as every picture is (a regular file only, its size and header checked
// first), and refused when a side passes kMaxIconSide.
bool DecodeIcon(const std::string& nativePath, Image& out);

}  // namespace omega
