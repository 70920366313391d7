#include "omega/decode/PictureFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "base/RegularFile.h"

namespace omega {

namespace {

uint32_t Big16(const unsigned char* p) { return (uint32_t{p[0]} << 8) | p[1]; }
uint32_t Big32(const unsigned char* p) { return (Big16(p) << 16) | Big16(p + 2); }
uint32_t Little16(const unsigned char* p) { return (uint32_t{p[1]} << 8) | p[0]; }
uint32_t Little32(const unsigned char* p) { return (Little16(p + 2) << 16) | Little16(p); }

// The frame header (SOF0..SOF15, but not DHT C4, JPG C8 or DAC CC) holds the size; it must come
// before the first scan. Segments are walked by their lengths; stray bytes between them are skipped,
// as the decoder skips them.
PictureHeader JpegHeader(const unsigned char* d, std::size_t size) {
  PictureHeader header;
  header.Format = PictureFormat::Jpeg;
  std::size_t pos = 2;
  while (pos < size) {
    while (pos < size && d[pos] != 0xFF) ++pos;
    while (pos < size && d[pos] == 0xFF) ++pos;
    if (pos >= size) break;
    const unsigned marker = d[pos++];
    if (marker == 0xD8 || marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) continue;  // no length
    if (marker == 0xD9 || marker == 0xDA) break;  // the end, or a scan, before any frame header
    if (size - pos < 2) break;
    const std::size_t length = Big16(d + pos);
    if (length < 2) break;
    if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC) {
      if (length < 7 || size - pos < 7) break;
      header.H = Big16(d + pos + 3);
      header.W = Big16(d + pos + 5);
      return header;
    }
    pos += length;
  }
  return header;
}

// The first chunk must be IHDR: width and height, big-endian, each at most 2^31 − 1.
PictureHeader PngHeader(const unsigned char* d, std::size_t size) {
  PictureHeader header;
  header.Format = PictureFormat::Png;
  if (size < 24 || std::memcmp(d + 12, "IHDR", 4) != 0) return header;
  header.W = Big32(d + 16);
  header.H = Big32(d + 20);
  return header;
}

// After the 14-byte file header, the info header: the old 12-byte one holds 16-bit sizes, every later
// one signed 32-bit sizes, a negative height meaning the rows run top down.
PictureHeader BmpHeader(const unsigned char* d, std::size_t size) {
  PictureHeader header;
  header.Format = PictureFormat::Bmp;
  if (size < 18) return header;
  const uint32_t infoSize = Little32(d + 14);
  if (infoSize == 12) {
    if (size < 22) return header;
    header.W = Little16(d + 18);
    header.H = Little16(d + 20);
  } else {
    if (size < 26) return header;
    header.W = static_cast<int32_t>(Little32(d + 18));
    const int64_t h = static_cast<int32_t>(Little32(d + 22));
    header.H = h < 0 ? -h : h;
  }
  return header;
}

// The 18-byte header: width and height little-endian at 12 and 14.
PictureHeader TgaHeader(const unsigned char* d, std::size_t size) {
  PictureHeader header;
  header.Format = PictureFormat::Tga;
  if (size < 18) return header;
  header.W = Little16(d + 12);
  header.H = Little16(d + 14);
  return header;
}

}  // namespace

bool PictureSizeAllowed(int64_t w, int64_t h) {
  return w >= 1 && h >= 1 && w <= kMaxPictureSide && h <= kMaxPictureSide && w * h <= kMaxPicturePixels;
}

bool HasTgaName(const std::string& path) {
  if (path.size() < 4) return false;
  std::string ext = path.substr(path.size() - 4);
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == ".tga";
}

PictureHeader ReadPictureHeader(const unsigned char* data, std::size_t size, bool tgaName) {
  if (tgaName) return TgaHeader(data, size);
  if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) return JpegHeader(data, size);
  if (size >= 8 && std::memcmp(data, "\x89PNG\r\n\x1A\n", 8) == 0) return PngHeader(data, size);
  if (size >= 2 && data[0] == 'B' && data[1] == 'M') return BmpHeader(data, size);
  return PictureHeader{};
}

namespace {

// Reads up to `count` bytes to `to`; how many were read (fewer at the file's end or on an error).
std::size_t ReadUpTo(int fd, unsigned char* to, std::size_t count) {
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::read(fd, to + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<std::size_t>(n);
  }
  return done;
}

// A regular file opened for reading (a pipe does not wait there for a writer; a pipe, a device or a
// folder is refused), with what it is; -1 when it cannot be.
int OpenWithStat(const std::string& nativePath, struct stat& st) {
  const int fd = OpenRegularFile(nativePath).Descriptor;
  if (fd < 0) return -1;
  if (::fstat(fd, &st) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

}  // namespace

int64_t MaxPictureFileBytes(int64_t w, int64_t h) {
  if (!PictureSizeAllowed(w, h)) return 0;
  return std::min(kMaxFileBytesPerPixel * w * h + kPictureFileSlack, kMaxPictureFileBytes);
}

namespace {

// Opens a picture file and reads its start (up to the slack, all of a small file): false when it is
// no regular file, is empty, its header is unreadable or refuses it, or the file is larger than a
// picture of the declared size can need. The descriptor stays open for the rest.
bool OpenPicture(const std::string& nativePath, int& fd, std::vector<unsigned char>& start, PictureFileInfo& info) {
  struct stat st {};
  fd = OpenWithStat(nativePath, st);
  if (fd < 0) return false;
  info.FileBytes = st.st_size;
  // The cap on the file's size follows from the size its header declares; nothing past the start is
  // read before that is checked.
  bool ok = st.st_size > 0;
  if (ok) {
    start.resize(static_cast<std::size_t>(std::min<int64_t>(st.st_size, kPictureFileSlack)));
    start.resize(ReadUpTo(fd, start.data(), start.size()));
    info.Header = ReadPictureHeader(start.data(), start.size(), HasTgaName(nativePath));
    ok = info.Header.Format != PictureFormat::Unknown && st.st_size <= MaxPictureFileBytes(info.Header.W, info.Header.H);
  }
  if (!ok) {
    ::close(fd);
    fd = -1;
  }
  return ok;
}

}  // namespace

bool PeekPictureFile(const std::string& nativePath, PictureFileInfo& info) {
  info = PictureFileInfo{};
  int fd = -1;
  std::vector<unsigned char> start;
  if (!OpenPicture(nativePath, fd, start, info)) return false;
  ::close(fd);
  return true;
}

bool ReadPictureFile(const std::string& nativePath, std::vector<unsigned char>& bytes, PictureHeader& header) {
  bytes.clear();
  header = PictureHeader{};
  int fd = -1;
  PictureFileInfo info;
  if (!OpenPicture(nativePath, fd, bytes, info)) {
    bytes.clear();
    return false;
  }
  header = info.Header;
  // A file cut short while we read keeps what was read: decoders fill in what is missing, as they do for
  // any truncated file.
  const std::size_t done = bytes.size(), whole = static_cast<std::size_t>(info.FileBytes);
  if (done == static_cast<std::size_t>(kPictureFileSlack) && whole > done) {
    bytes.resize(whole);
    bytes.resize(done + ReadUpTo(fd, bytes.data() + done, whole - done));
  }
  ::close(fd);
  return !bytes.empty();
}

bool ReadPictureFile(const std::string& nativePath, std::vector<unsigned char>& bytes) {
  PictureHeader header;
  return ReadPictureFile(nativePath, bytes, header);
}

bool ReadFileStart(const std::string& nativePath, std::size_t limit, std::string& bytes) {
  bytes.clear();
  struct stat st {};
  const int fd = OpenWithStat(nativePath, st);
  if (fd < 0) return false;
  // Room for what the file holds, not for the most wanted: a script of a few kilobytes must not cost
  // the 16 MB its cap allows. A file that says less than it holds (one of /proc, one still being
  // written) is read on, the room doubling, up to the limit.
  bytes.resize(std::min(limit, static_cast<std::size_t>(std::max<off_t>(st.st_size, 0)) + 1));
  std::size_t done = 0;
  for (;;) {
    done += ReadUpTo(fd, reinterpret_cast<unsigned char*>(bytes.data()) + done, bytes.size() - done);
    if (done < bytes.size() || bytes.size() >= limit) break;
    bytes.resize(std::min(limit, 2 * bytes.size()));
  }
  bytes.resize(done);
  ::close(fd);
  return true;
}

}  // namespace omega
