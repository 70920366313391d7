// Picture files as the engine takes them in: read whole only when they are regular files of a sane
// size, their format and their width and height read from the header and checked before any decoder
// allocates a pixel. A header may declare a picture of gigabytes in a few hundred bytes.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace omega {

constexpr int64_t kMaxPictureSide = 16384;
constexpr int64_t kMaxPicturePixels = int64_t{64} << 20;
// Room in a picture file for what is not pixels: headers, palettes, colour profiles, comments.
constexpr int64_t kPictureFileSlack = int64_t{1} << 20;
// The largest file worth reading: an uncompressed picture of the largest size at 32 bits, with room
// for headers. Anything larger cannot be a picture we accept.
constexpr int64_t kMaxPictureFileBytes = 4 * kMaxPicturePixels + kPictureFileSlack;
// Past the slack a file may hold this many bytes per pixel its header declares: a 16-bit RGBA PNG
// stored without compression, the largest any encoder writes (32-bit BMP and TGA take 4, TGA's worst
// run-length coding 5, a JPEG at its best quality 2 to 4). More is padding nobody needs to read: a
// 1×1 picture in a file of 250 MB.
constexpr int64_t kMaxFileBytesPerPixel = 8;

enum class PictureFormat { Unknown, Jpeg, Png, Tga, Bmp };

struct PictureHeader {
  PictureFormat Format = PictureFormat::Unknown;
  int64_t W = 0, H = 0;  // 0 when the header does not say (or is cut short)
};

// The most bytes a file of a w×h picture may take: kMaxFileBytesPerPixel a pixel plus the slack,
// never more than kMaxPictureFileBytes.
int64_t MaxPictureFileBytes(int64_t w, int64_t h);

// What a picture file will cost before it is read whole: its header (format and declared size) and
// its size. False for anything ReadPictureFile refuses without decoding.
struct PictureFileInfo {
  PictureHeader Header;
  int64_t FileBytes = 0;
};
bool PeekPictureFile(const std::string& nativePath, PictureFileInfo& info);

// Reads a whole picture file and its header: false for anything but a non-empty regular file (a pipe
// or device is refused without waiting on it) of a format we read whose declared size is allowed
// (PictureSizeAllowed) and whose size is at most MaxPictureFileBytes of it, or when reading fails.
// Only the first kPictureFileSlack bytes are read before the header is checked.
bool ReadPictureFile(const std::string& nativePath, std::vector<unsigned char>& bytes, PictureHeader& header);
bool ReadPictureFile(const std::string& nativePath, std::vector<unsigned char>& bytes);

// Up to `limit` bytes from the start of a regular file (a pipe or device is refused without waiting on
// it): false when it is none or cannot be opened.
bool ReadFileStart(const std::string& nativePath, std::size_t limit, std::string& bytes);

// The format by its signature (JPEG, PNG, BMP) and the size the header declares. TGA has no signature:
// a file is read as TGA when, and only when, its name says so (`tgaName`), as the general loader does.
PictureHeader ReadPictureHeader(const unsigned char* data, std::size_t size, bool tgaName);

// Whether a width and height may be decoded: each side 1 .. kMaxPictureSide, at most kMaxPicturePixels.
bool PictureSizeAllowed(int64_t w, int64_t h);

// Whether a path names a TGA file (".tga" in any case).
bool HasTgaName(const std::string& path);

}  // namespace omega
