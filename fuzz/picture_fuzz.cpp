// The engine's picture decoding on any bytes, through its own path: the file read, the header's size
// checked, the decoder its format names (JPEG, PNG, BMP by signature; TGA by the name). Whatever the
// bytes, a picture that decodes is inside the size limits, holds exactly its pixels, came from a file no
// larger than its size allows and, a JPEG, of at most kMaxJpegScans scans; nothing allocates beyond what
// the limits allow (the fuzzer's own allocation limit catches that). These are the decoders of both
// builds: libjpeg-turbo, and libpng under SDL_image, are cross-built for Windows from the same Debian
// sources. The window's icon goes the same way, within its own limit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "omega/decode/Decode.h"
#include "omega/decode/Jpeg.h"
#include "omega/decode/PictureFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzSetUp();
  // Under a TGA name only the TGA decoder is tried; under any other name the signature decides.
  for (const char* name : {"picture.tga", "picture.jpg"}) {
    FuzzWriteFile(name, data, size);
    omega::Image out;
    if (!omega::DecodePicture(name, out)) continue;
    if (!omega::PictureSizeAllowed(out.W, out.H)) std::abort();
    if (out.Px.size() != static_cast<std::size_t>(out.W) * static_cast<std::size_t>(out.H)) std::abort();
    const omega::PictureHeader header = omega::ReadPictureHeader(data, size, omega::HasTgaName(name));
    if (header.W != out.W || header.H != out.H) std::abort();
    if (static_cast<int64_t>(size) > omega::MaxPictureFileBytes(out.W, out.H)) std::abort();
    if (header.Format == omega::PictureFormat::Jpeg &&
        omega::CountJpegScans(data, size, omega::kMaxJpegScans) > omega::kMaxJpegScans)
      std::abort();
  }
  omega::Image icon;
  if (omega::DecodeIcon("picture.jpg", icon) && (icon.W > omega::kMaxIconSide || icon.H > omega::kMaxIconSide))
    std::abort();
  return 0;
}
