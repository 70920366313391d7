#include "tests/support/CraftedPictures.h"

#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

void Big32(std::string& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out += static_cast<char>((v >> shift) & 0xFF);
}
void Little16(std::string& out, uint32_t v) {
  out += static_cast<char>(v & 0xFF);
  out += static_cast<char>((v >> 8) & 0xFF);
}
void Little32(std::string& out, uint32_t v) {
  Little16(out, v & 0xFFFF);
  Little16(out, v >> 16);
}

void Chunk(std::string& png, const char* type, const std::string& data) {
  Big32(png, static_cast<uint32_t>(data.size()));
  const std::string body = std::string(type, 4) + data;
  png += body;
  Big32(png, static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(body.data()), static_cast<uInt>(body.size()))));
}

// One deflate pass over a megabyte of zeros, ending on a byte boundary.
std::string Deflate(z_stream& z, const std::vector<Bytef>& zeros, uInt size, int flush) {
  std::string out;
  std::vector<Bytef> buffer(1 << 16);
  z.next_in = const_cast<Bytef*>(zeros.data());
  z.avail_in = size;
  int result = Z_OK;
  do {
    z.next_out = buffer.data();
    z.avail_out = static_cast<uInt>(buffer.size());
    result = deflate(&z, flush);
    out.append(reinterpret_cast<const char*>(buffer.data()), buffer.size() - z.avail_out);
  } while (z.avail_out == 0 || (flush == Z_FINISH && result != Z_STREAM_END));
  return out;
}

// A zlib stream of n zero bytes at the best compression, without compressing gigabytes: after a sync
// flush the compressor's state over a window of zeros is the same from one megabyte to the next, so
// the bytes of one such megabyte stand for every later one. The checksum of n zeros is worked out.
std::string ZlibOfZeros(uint64_t n) {
  constexpr uint64_t kChunk = 1 << 20;
  const std::vector<Bytef> zeros(kChunk, 0);
  z_stream z{};
  deflateInit(&z, Z_BEST_COMPRESSION);
  const uint64_t chunks = n / kChunk;
  std::string out;
  if (chunks < 4) {
    for (uint64_t left = n; left > 0; left -= std::min(left, kChunk))
      out += Deflate(z, zeros, static_cast<uInt>(std::min(left, kChunk)), Z_SYNC_FLUSH);
    out += Deflate(z, zeros, 0, Z_FINISH);
    deflateEnd(&z);
    return out;
  }
  const std::string first = Deflate(z, zeros, kChunk, Z_SYNC_FLUSH);
  const std::string middle = Deflate(z, zeros, kChunk, Z_SYNC_FLUSH);
  const std::string again = Deflate(z, zeros, kChunk, Z_SYNC_FLUSH);
  const std::string end = Deflate(z, zeros, static_cast<uInt>(n % kChunk), Z_FINISH);
  deflateEnd(&z);
  if (middle != again) std::abort();  // the compressor changed its ways: this shortcut no longer holds
  out.reserve(first.size() + middle.size() * chunks + end.size());
  out = first;
  for (uint64_t i = 1; i < chunks; ++i) out += middle;
  out += end;
  // Adler-32 of n zeros: the first sum stays 1, the second adds it n times.
  const uint32_t adler = (static_cast<uint32_t>(n % 65521) << 16) | 1u;
  out.resize(out.size() - 4);
  Big32(out, adler);
  return out;
}

}  // namespace

std::string CraftedTga(uint32_t w, uint32_t h, int bitsPerPixel, std::size_t dataBytes) {
  std::string tga(12, '\0');
  tga[2] = 2;  // uncompressed true colour
  Little16(tga, w);
  Little16(tga, h);
  tga += static_cast<char>(bitsPerPixel);
  tga += static_cast<char>(bitsPerPixel == 32 ? 0x28 : 0x20);  // top-left origin, alpha bits
  return tga + std::string(dataBytes, '\0');
}

std::string CraftedPng(uint32_t w, uint32_t h, int colourType, int bitDepth) {
  const int channels = colourType == 6 ? 4 : colourType == 2 ? 3 : 1;
  const uint64_t rowBytes = 1 + (uint64_t{w} * channels * bitDepth + 7) / 8;
  std::string png = "\x89PNG\r\n\x1A\n";
  std::string header;
  Big32(header, w);
  Big32(header, h);
  header += static_cast<char>(bitDepth);
  header += static_cast<char>(colourType);
  header += std::string(3, '\0');
  Chunk(png, "IHDR", header);
  if (colourType == 3) Chunk(png, "PLTE", std::string(3, '\0'));

  const std::string idat = ZlibOfZeros(rowBytes * h);
  Chunk(png, "IDAT", idat);
  Chunk(png, "IEND", "");
  return png;
}

std::string CraftedBmp(int32_t w, int32_t h, int bitsPerPixel, std::size_t dataBytes) {
  std::string bmp = "BM";
  Little32(bmp, static_cast<uint32_t>(54 + dataBytes));
  Little32(bmp, 0);
  Little32(bmp, 54);
  Little32(bmp, 40);
  Little32(bmp, static_cast<uint32_t>(w));
  Little32(bmp, static_cast<uint32_t>(h));
  Little16(bmp, 1);
  Little16(bmp, static_cast<uint32_t>(bitsPerPixel));
  Little32(bmp, 0);  // no compression
  Little32(bmp, static_cast<uint32_t>(dataBytes));
  Little32(bmp, 2835);
  Little32(bmp, 2835);
  Little32(bmp, 0);
  Little32(bmp, 0);
  return bmp + std::string(dataBytes, '\0');
}

std::string JpegResized(const std::string& jpeg, uint16_t w, uint16_t h) {
  std::size_t pos = 2;
  while (pos + 4 <= jpeg.size()) {
    if (static_cast<unsigned char>(jpeg[pos]) != 0xFF) return "";
    const auto marker = static_cast<unsigned char>(jpeg[pos + 1]);
    const std::size_t length = (static_cast<unsigned char>(jpeg[pos + 2]) << 8) | static_cast<unsigned char>(jpeg[pos + 3]);
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      if (pos + 9 > jpeg.size()) return "";
      std::string out = jpeg;
      out[pos + 5] = static_cast<char>(h >> 8);
      out[pos + 6] = static_cast<char>(h & 0xFF);
      out[pos + 7] = static_cast<char>(w >> 8);
      out[pos + 8] = static_cast<char>(w & 0xFF);
      return out;
    }
    pos += 2 + length;
  }
  return "";
}

std::string PngBomb(uint32_t w, uint32_t h, uint64_t inflated) {
  std::string png = "\x89PNG\r\n\x1A\n";
  std::string header;
  Big32(header, w);
  Big32(header, h);
  header += std::string{8, 0, 0, 0, 0};  // 8-bit grey, no interlace
  Chunk(png, "IHDR", header);
  Chunk(png, "IDAT", ZlibOfZeros(inflated));
  Chunk(png, "IEND", "");
  return png;
}

std::vector<DamagedPicture> DamagedPngs() {
  // 4×4, 8 bits of palette index a pixel, a two-colour palette; every chunk whole and right.
  const auto picture = [](bool badCrc, bool iend, int transparent) {
    std::string png = "\x89PNG\r\n\x1A\n";
    std::string header;
    Big32(header, 4);
    Big32(header, 4);
    header += std::string{8, 3, 0, 0, 0};
    Chunk(png, "IHDR", header);
    Chunk(png, "PLTE", std::string("\xFF\x00\x00\x00\x00\xFF", 6));
    if (transparent > 0) Chunk(png, "tRNS", std::string(static_cast<std::size_t>(transparent), '\x80'));
    std::string rows;
    for (int y = 0; y < 4; ++y) rows += std::string{0, 0, 1, 0, 1};  // filter none, then indices
    uLongf size = compressBound(static_cast<uLong>(rows.size()));
    std::string idat(size, '\0');
    compress(reinterpret_cast<Bytef*>(idat.data()), &size, reinterpret_cast<const Bytef*>(rows.data()),
             static_cast<uLong>(rows.size()));
    idat.resize(size);
    Chunk(png, "IDAT", idat);
    if (badCrc) png[png.size() - 1] = static_cast<char>(png[png.size() - 1] ^ 0x5A);
    if (iend) Chunk(png, "IEND", "");
    return png;
  };
  return {
      {"whole (the picture the others damage)", picture(false, true, 2), true},
      {"the IDAT's CRC wrong", picture(true, true, 0), false},
      {"no IEND", picture(false, false, 0), true},
      {"a tRNS of 3 entries for a palette of 2", picture(false, true, 3), true},
      // Past the file size a 16×16 picture may need: refused unread.
      {"16x16 inflating to 1 GiB in 1 MB", PngBomb(16, 16, uint64_t{1} << 30), false},
      // Within it: libpng reads the 16 rows, finds "Too much image data" and stops inflating.
      {"16x16 inflating to 256 MiB in 250 KB", PngBomb(16, 16, uint64_t{1} << 28), true},
  };
}
