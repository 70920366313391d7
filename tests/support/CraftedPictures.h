// Picture files made by hand for the tests of hostile input: headers that declare far more pixels than
// the file holds (decompression bombs), and the small honest pictures around them.
#pragma once
#include <cstdint>
#include <string>

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
