// Picture files made by hand for the tests of hostile input: headers that declare far more pixels than
// the file holds (decompression bombs), and the small honest pictures around them.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// An 18-byte TGA header (uncompressed true colour) followed by `dataBytes` zero bytes.
std::string CraftedTga(uint32_t w, uint32_t h, int bitsPerPixel, std::size_t dataBytes);
// A complete PNG of zero bytes: every row filtered "none", all of it one zlib stream at the best
// compression (a 24,000² RGBA picture is 2.2 MB). colourType 6 is RGBA, 3 palette (a one-entry palette
// comes with it), 0 grey.
std::string CraftedPng(uint32_t w, uint32_t h, int colourType, int bitDepth);
// A BMP of a 14-byte file header and a 40-byte info header declaring w×h (h < 0: top down), with
// `dataBytes` zero bytes of pixels.
std::string CraftedBmp(int32_t w, int32_t h, int bitsPerPixel, std::size_t dataBytes);
// A JPEG file with its frame header's size replaced: the same bytes, another declared width and height.
// Empty when the file has no frame header.
std::string JpegResized(const std::string& jpeg, uint16_t w, uint16_t h);

// A w×h 8-bit grey PNG whose one IDAT inflates to `inflated` zero bytes: the picture's rows, then far
// more than they need (1 GiB in a 1 MB file). A decoder that inflates the whole stream whatever the
// header says takes the gigabyte.
std::string PngBomb(uint32_t w, uint32_t h, uint64_t inflated);

// PNGs damaged the ways decoders disagree on, and what the engine does with each (the same on every
// system: the same libpng decodes them): a 4×4 palette picture with its IDAT's CRC wrong, without its
// IEND, with a tRNS chunk longer than its palette; and 16×16 bombs inflating to 1 GiB (a file larger
// than such a picture may be) and to 256 MiB (within that size).
struct DamagedPicture {
  std::string What;
  std::string Bytes;
  bool Loads = false;
};
std::vector<DamagedPicture> DamagedPngs();
