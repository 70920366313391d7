// The engine's picture decoding on any bytes, through its own path: the file read, the header's size
// checked, the decoder its format names (JPEG, PNG, BMP by signature; TGA by the name). Whatever the
// bytes, a picture that decodes is inside the size limits and holds exactly its pixels, and nothing
// allocates beyond what the limits allow (the fuzzer's own allocation limit catches that).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "omega/Decode.h"
#include "omega/PictureFile.h"

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
  }
  return 0;
}
