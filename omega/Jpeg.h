// JPEG pictures decoded straight into the engine's 0xAARRGGBB pixels, without the intermediate
// 24-bit surface and its conversion.
#pragma once
#include <string>

#include "omega/Raster.h"

namespace omega {

enum class JpegResult { Decoded, NotHandled };

// Decodes a baseline or progressive colour (YCbCr) JPEG file into `out`, opaque. NotHandled — and
// `out` left alone — for anything else (another format, greyscale or CMYK, an unreadable file, a
// decoding error): the caller then loads the file the general way, which gives every such case its
// usual result.
JpegResult DecodeJpeg(const std::string& nativePath, Image& out);

}  // namespace omega
