// JPEG pictures decoded straight into the engine's 0xAARRGGBB pixels, without the intermediate
// 24-bit surface and its conversion.
#pragma once
#include <cstddef>
#include <string>

#include "omega/decode/Decode.h"
#include "omega/draw/Raster.h"

namespace omega {

// The most scans a JPEG may have. Encoders write 1 (baseline) or about 10 (progressive: libjpeg's
// and jpegtran's default script has 10, mozjpeg's searched ones rarely more than 20); a scan can only
// refine what earlier ones sent, so a file of thousands repeats itself, and each repeat costs a pass
// over the whole picture (100,000 of a 4096² picture took 36 s of CPU). 1,000 is 50 times what any
// encoder writes and keeps the worst file to a few hundred milliseconds.
constexpr int kMaxJpegScans = 1000;

enum class JpegResult { Decoded, NotHandled, Refused };

// Decodes a baseline or progressive colour (YCbCr or RGB) or greyscale JPEG file into `out`, opaque.
// NotHandled — and `out` left alone — for anything else (another format, CMYK, a decoding error):
// the caller then loads the file the general way, which gives every such case its usual result.
JpegResult DecodeJpeg(const std::string& nativePath, Image& out);
// The same from the file's bytes. Refused, and nothing kept, when the picture is larger than the
// engine takes (PictureSizeAllowed, checked before anything is allocated for it), has more than
// kMaxJpegScans scans, is abandoned (`limits`) or memory runs out: the general way must not try
// again.
JpegResult DecodeJpeg(const unsigned char* data, std::size_t size, Image& out, const DecodeLimits& limits = {});

// The scans (start-of-scan markers) of a JPEG's bytes, counted without decoding; stops counting past
// `most`.
int CountJpegScans(const unsigned char* data, std::size_t size, int most);

}  // namespace omega
