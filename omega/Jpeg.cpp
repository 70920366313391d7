#include "omega/Jpeg.h"

// jpeglib.h needs size_t and FILE declared first.
#include <cstddef>
#include <cstdio>
#include <csetjmp>
#include <jpeglib.h>

#include <vector>

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

bool ReadAll(const std::string& path, std::vector<unsigned char>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "rb");
  if (file == nullptr) return false;
  bool ok = std::fseek(file, 0, SEEK_END) == 0;
  const long size = ok ? std::ftell(file) : -1;
  ok = ok && size > 0 && std::fseek(file, 0, SEEK_SET) == 0;
  if (ok) {
    bytes.resize(static_cast<size_t>(size));
    ok = std::fread(bytes.data(), 1, bytes.size(), file) == bytes.size();
  }
  std::fclose(file);
  return ok;
}

// Everything the decode touches after setjmp lives here, outside the function that calls setjmp.
struct Decode {
  jpeg_decompress_struct Info {};
  ErrorExit Error {};
  std::vector<unsigned char> Bytes;
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
  jpeg_mem_src(&d.Info, d.Bytes.data(), static_cast<unsigned long>(d.Bytes.size()));
  jpeg_read_header(&d.Info, TRUE);
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

JpegResult DecodeJpeg(const std::string& nativePath, Image& out) {
  static_assert(sizeof(Pixel) == 4);
  Decode d;
  if (!ReadAll(nativePath, d.Bytes) || d.Bytes.size() < 3 || d.Bytes[0] != 0xFF || d.Bytes[1] != 0xD8 ||
      d.Bytes[2] != 0xFF)
    return JpegResult::NotHandled;
  if (!Run(d)) return JpegResult::NotHandled;
  out = std::move(d.Picture);
  return JpegResult::Decoded;
}

}  // namespace omega
