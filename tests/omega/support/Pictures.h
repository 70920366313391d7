// Small pictures and files made by the tests themselves.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "tests/support/Files.h"

namespace omega_test {

using ::ReadFile;
using ::WriteFile;
// A fresh temporary folder for one test.
inline std::string TempFolder() { return ::TempFolder("omega-test"); }
// Writes pixels (0xAARRGGBB, straight alpha) as a PNG with alpha.
void WritePng(const std::string& path, int w, int h, const std::vector<uint32_t>& pixels);
// An opaque w×h PNG of one colour.
void WriteSolidPng(const std::string& path, int w, int h, uint32_t rgb);
// A 32-bit uncompressed TGA (top-left origin) with alpha.
void WriteTga(const std::string& path, int w, int h, const std::vector<uint32_t>& pixels);
// The pixel at (x, y) of a PNG as 0xRRGGBB, or -1 when the file cannot be read.
int64_t PngPixel(const std::string& path, int x, int y);

}  // namespace omega_test
