#include "tests/omega/support/Pictures.h"

#include <SDL.h>
#include <SDL_image.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace omega_test {

void WritePng(const std::string& path, int w, int h, const std::vector<uint32_t>& pixels) {
  std::vector<uint32_t> copy = pixels;
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(copy.data(), w, h, 32, w * 4, SDL_PIXELFORMAT_ARGB8888);
  if (s == nullptr || IMG_SavePNG(s, path.c_str()) != 0) throw std::runtime_error("cannot write " + path);
  SDL_FreeSurface(s);
}

void WriteSolidPng(const std::string& path, int w, int h, uint32_t rgb) {
  WritePng(path, w, h, std::vector<uint32_t>(static_cast<size_t>(w) * h, 0xFF000000u | rgb));
}

void WriteTga(const std::string& path, int w, int h, const std::vector<uint32_t>& pixels) {
  std::string bytes(18, '\0');
  bytes[2] = 2;  // uncompressed true colour
  bytes[12] = static_cast<char>(w & 0xFF);
  bytes[13] = static_cast<char>(w >> 8);
  bytes[14] = static_cast<char>(h & 0xFF);
  bytes[15] = static_cast<char>(h >> 8);
  bytes[16] = 32;
  bytes[17] = 0x28;  // 8 alpha bits, top-left origin
  for (const uint32_t p : pixels)
    for (int shift : {0, 8, 16, 24}) bytes += static_cast<char>((p >> shift) & 0xFF);  // B G R A
  WriteFile(path, bytes);
}

int64_t PngPixel(const std::string& path, int x, int y) {
  SDL_Surface* loaded = IMG_Load(path.c_str());
  if (loaded == nullptr) return -1;
  SDL_Surface* s = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(loaded);
  if (s == nullptr || x < 0 || y < 0 || x >= s->w || y >= s->h) return -1;
  const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(s->pixels) + y * s->pitch);
  const int64_t p = row[x] & 0xFFFFFF;
  SDL_FreeSurface(s);
  return p;
}

}  // namespace omega_test
