#include "omega/Jpeg.h"

// jpeglib.h needs size_t and FILE declared first.
#include <cstddef>
#include <cstdio>
#include <csetjmp>
#include <jpeglib.h>

#include <vector>

#include "omega/PictureFile.h"

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
  const unsigned char* Data = nullptr;
  std::size_t Size = 0;
  bool TooLarge = false;
  Image Picture;
};

bool Run(Decode& d) {
  d.Info.err = jpeg_std_error(&d.Error.Manager);
  d.Error.Manager.error_exit = OnError;
  d.Error.Manager.output_message = OnMessage;
  if (setjmp(d.Error.Jump) != 0) {
    jpeg_destroy_decompress(&d.Info);
    return false;
  }
  jpeg_create_decompress(&d.Info);
  jpeg_mem_src(&d.Info, d.Data, static_cast<unsigned long>(d.Size));
  jpeg_read_header(&d.Info, TRUE);
  if (!PictureSizeAllowed(d.Info.image_width, d.Info.image_height)) {
    d.TooLarge = true;
    jpeg_destroy_decompress(&d.Info);
    return false;
  }
  if (d.Info.jpeg_color_space != JCS_YCbCr || d.Info.num_components != 3) {
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
  d.Picture.Px.resize(static_cast<size_t>(w) * h);
  while (d.Info.output_scanline < d.Info.output_height) {
    JSAMPROW row = reinterpret_cast<JSAMPROW>(&d.Picture.Px[static_cast<size_t>(d.Info.output_scanline) * w]);
    jpeg_read_scanlines(&d.Info, &row, 1);
  }
  jpeg_finish_decompress(&d.Info);
  jpeg_destroy_decompress(&d.Info);
  return true;
}

}  // namespace

JpegResult DecodeJpeg(const unsigned char* data, std::size_t size, Image& out) {
  static_assert(sizeof(Pixel) == 4);
  if (size < 3 || data[0] != 0xFF || data[1] != 0xD8 || data[2] != 0xFF) return JpegResult::NotHandled;
  Decode d;
  d.Data = data;
  d.Size = size;
  if (!Run(d)) return d.TooLarge ? JpegResult::Refused : JpegResult::NotHandled;
  out = std::move(d.Picture);
  return JpegResult::Decoded;
}

JpegResult DecodeJpeg(const std::string& nativePath, Image& out) {
  std::vector<unsigned char> bytes;
  if (!ReadPictureFile(nativePath, bytes)) return JpegResult::NotHandled;
  return DecodeJpeg(bytes.data(), bytes.size(), out);
}

}  // namespace omega
