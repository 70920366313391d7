// JPEG pictures decoded straight into the engine's 0xAARRGGBB pixels, without the intermediate
// 24-bit surface and its conversion.
#pragma once
#include <cstddef>
#include <string>

#include "omega/Raster.h"

namespace omega {

enum class JpegResult { Decoded, NotHandled, Refused };

// Decodes a baseline or progressive colour (YCbCr) JPEG file into `out`, opaque. NotHandled — and
// `out` left alone — for anything else (another format, greyscale or CMYK, an unreadable file, a
// decoding error): the caller then loads the file the general way, which gives every such case its
// usual result.
JpegResult DecodeJpeg(const std::string& nativePath, Image& out);
// The same from the file's bytes. A picture larger than the engine takes (PictureSizeAllowed) is
// Refused before anything is allocated for it: the general way would refuse it too.
JpegResult DecodeJpeg(const unsigned char* data, std::size_t size, Image& out);

}  // namespace omega
