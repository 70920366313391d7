// Picture files decoded into the engine's pixels: JPEG straight (Jpeg.h), everything else through
// SDL_image. Safe to call on several threads at once (decoding ahead does).
#pragma once
#include <string>

#include "omega/Raster.h"

namespace omega {

// Decodes a picture file into a straight-alpha 0xAARRGGBB image; false when it is not a picture.
bool DecodePicture(const std::string& nativePath, Image& out);

}  // namespace omega
