#include "omega/decode/Jpeg.h"

// jpeglib.h needs size_t and FILE declared first.
#include <cstddef>
#include <cstdio>
#include <csetjmp>
#include <jpeglib.h>

#include <new>
#include <vector>

#include "omega/decode/PictureFile.h"

namespace omega {

namespace {

struct ErrorExit {
  jpeg_error_mgr Manager;
  std::jmp_buf Jump;
};

[[noreturn]] void OnError(j_common_ptr info) { std::longjmp(reinterpret_cast<ErrorExit*>(info->err)->Jump, 1); }
// Warnings (a truncated file is one: the rest of the picture is filled in) are not reported, as
// the general loader does not report them either.
void OnMessage(j_common_ptr) {}

// Everything the decode touches after setjmp lives here, outside the function that calls setjmp.
struct Decode {
  jpeg_decompress_struct Info {};
  ErrorExit Error {};
  jpeg_progress_mgr Progress {};
  const unsigned char* Data = nullptr;
  std::size_t Size = 0;
  const DecodeLimits* Limits = nullptr;
  bool Refused = false;  // too large, too many scans, abandoned or out of memory
  Image Picture;
};

// Called by the library through every pass, the reading of each scan included: a file of endless
// scans, or a decode nobody waits for any more, ends here.
void OnProgress(j_common_ptr info) {
  auto& d = *static_cast<Decode*>(info->client_data);
  if (d.Info.input_scan_number > kMaxJpegScans || d.Limits->Abandoned()) {
    d.Refused = true;
    std::longjmp(d.Error.Jump, 1);
  }
}

bool HandledColours(const jpeg_decompress_struct& info) {
  switch (info.jpeg_color_space) {
    case JCS_YCbCr:
    case JCS_RGB: return info.num_components == 3;
    case JCS_GRAYSCALE: return info.num_components == 1;
    default: return false;
  }
}

bool Run(Decode& d) {
  d.Info.err = jpeg_std_error(&d.Error.Manager);
  d.Error.Manager.error_exit = OnError;
  d.Error.Manager.output_message = OnMessage;
  if (setjmp(d.Error.Jump) != 0) {
    jpeg_destroy_decompress(&d.Info);
    return false;
  }
  jpeg_create_decompress(&d.Info);
  d.Info.client_data = &d;
  d.Progress.progress_monitor = OnProgress;
  d.Info.progress = &d.Progress;
  jpeg_mem_src(&d.Info, d.Data, static_cast<unsigned long>(d.Size));
  jpeg_read_header(&d.Info, TRUE);
  if (!PictureSizeAllowed(d.Info.image_width, d.Info.image_height) ||
      uint64_t{d.Info.image_width} * d.Info.image_height * sizeof(Pixel) > d.Limits->MaxBytes) {
    d.Refused = true;
    jpeg_destroy_decompress(&d.Info);
    return false;
  }
  if (!HandledColours(d.Info)) {
    jpeg_destroy_decompress(&d.Info);
    return false;
  }
  // Blue, green, red, 255 in memory: 0xAARRGGBB pixels on this little-endian machine.
  d.Info.out_color_space = JCS_EXT_BGRA;
  d.Info.quantize_colors = FALSE;
  jpeg_start_decompress(&d.Info);
  const int w = static_cast<int>(d.Info.output_width), h = static_cast<int>(d.Info.output_height);
  if (w <= 0 || h <= 0) {
    jpeg_destroy_decompress(&d.Info);
    return false;
  }
  d.Picture.W = w;
  d.Picture.H = h;
  try {
    d.Picture.Px.resize(static_cast<size_t>(w) * h);
  } catch (const std::bad_alloc&) {
    d.Refused = true;
    jpeg_destroy_decompress(&d.Info);
    return false;
  }
  while (d.Info.output_scanline < d.Info.output_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(&d.Picture.Px[static_cast<size_t>(d.Info.output_scanline) * w]);
    jpeg_read_scanlines(&d.Info, &row, 1);
  }
  jpeg_finish_decompress(&d.Info);
  jpeg_destroy_decompress(&d.Info);
  return true;
}

}  // namespace

int CountJpegScans(const unsigned char* data, std::size_t size, int most) {
  // Inside a scan's coded data a 0xFF byte is always followed by 0x00 or a restart marker, so every
  // other marker is a real one; a segment's body (the scan's header too) is skipped by its length, as
  // it may hold any bytes.
  int scans = 0;
  std::size_t pos = 2;
  while (pos + 1 < size && scans <= most) {
    if (data[pos] != 0xFF || data[pos + 1] == 0xFF) {
      ++pos;  // coded data, or fill before a marker
      continue;
    }
    const unsigned marker = data[pos + 1];
    pos += 2;
    if (marker == 0x00 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD8)) continue;  // no length
    if (marker == 0xD9) break;
    if (marker == 0xDA) ++scans;
    if (pos + 1 >= size) break;
    pos += (std::size_t{data[pos]} << 8) | data[pos + 1];
  }
  return scans;
}

JpegResult DecodeJpeg(const unsigned char* data, std::size_t size, Image& out, const DecodeLimits& limits) {
  static_assert(sizeof(Pixel) == 4);
  if (size < 3 || data[0] != 0xFF || data[1] != 0xD8 || data[2] != 0xFF) return JpegResult::NotHandled;
  Decode d;
  d.Data = data;
  d.Size = size;
  d.Limits = &limits;
  if (Run(d)) {
    out = std::move(d.Picture);
    return JpegResult::Decoded;
  }
  if (d.Refused) return JpegResult::Refused;
  // The general loader has no scan limit of its own: a file it would read past ours is refused here.
  return CountJpegScans(data, size, kMaxJpegScans) > kMaxJpegScans ? JpegResult::Refused : JpegResult::NotHandled;
}

JpegResult DecodeJpeg(const std::string& nativePath, Image& out) {
  std::vector<unsigned char> bytes;
  if (!ReadPictureFile(nativePath, bytes)) return JpegResult::NotHandled;
  return DecodeJpeg(bytes.data(), bytes.size(), out);
}

}  // namespace omega
