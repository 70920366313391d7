#include "platform/Runtime.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>

#include "platform/Windows.h"

uint32_t RandSeed;

uint32_t SeedCounter() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  const uint64_t ns = static_cast<uint64_t>(now.tv_sec) * 1000000000ull + static_cast<uint64_t>(now.tv_nsec);
  return static_cast<uint32_t>(ns);
}

uint32_t Random(uint32_t n) {
  RandSeed = RandSeed * 134775813u + 1u;
  return static_cast<uint32_t>((static_cast<uint64_t>(n) * RandSeed) >> 32);
}

int64_t RoundHalfEven(double value) {
  // The rounding mode is nearest-even for the whole run (set when the engine binding starts).
  return static_cast<int64_t>(std::nearbyint(value));
}

std::string NativePath(const std::string& gamePath) {
  std::string path = gamePath;
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}

std::string RunErrorText(int code, uintptr_t address) {
  std::string text = "Runtime error     at 00000000";
  const std::string digits = std::to_string(code);  // at most 11 characters: it always fits
  text.replace(17 - digits.size(), digits.size(), digits);
  char hex[9];
  std::snprintf(hex, sizeof hex, "%08X", static_cast<unsigned>(address & 0xFFFFFFFFu));
  text.replace(21, 8, hex);
  return text;
}

RunErrorHandlerProc RunErrorHandler;

void ResetRuntime() {
  RandSeed = 0;
  RunErrorHandler = nullptr;
}

void RunError(int code, uintptr_t address) {
  if (RunErrorHandler != nullptr) {
    RunErrorHandler(code, address);
    std::abort();  // a handler that returns broke its contract
  }
  const std::string text = RunErrorText(code, address);
  MessageBoxA(nullptr, text.c_str(), "Error", MB_ICONERROR);
  std::exit(code);
}

int ErrnoToRunError(int err) {
  switch (err) {
    case ENOENT: return kErrFileNotFound;
    case ENOTDIR: return kErrPathNotFound;
    case ENOSPC: case EDQUOT: case EIO: case EFBIG: return kErrDiskWrite;
    default: return kErrAccessDenied;  // EACCES, EPERM, EISDIR, EROFS, ELOOP, …
  }
}

int FileTryOpenRead(TFile& file, const std::string& gamePath) {
  file.Descriptor = -1;
  const std::string path = NativePath(gamePath);
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return ErrnoToRunError(errno);
  struct stat st{};
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(fd);
    return kErrAccessDenied;
  }
  file.Descriptor = fd;
  return 0;
}

__attribute__((noinline)) void FileOpenRead(TFile& file, const std::string& gamePath) {
  const int code = FileTryOpenRead(file, gamePath);
  if (code != 0) RUN_ERROR_HERE(code);
}

int FileTryOpenWrite(TFile& file, const std::string& gamePath) {
  file.Descriptor = -1;
  const std::string path = NativePath(gamePath);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) return ErrnoToRunError(errno);
  file.Descriptor = fd;
  return 0;
}

int FileTryCreate(TFile& file, const std::string& gamePath) {
  file.Descriptor = -1;
  const std::string path = NativePath(gamePath);
  const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return ErrnoToRunError(errno);
  file.Descriptor = fd;
  return 0;
}

namespace {

// A failed read ends the program; the file is closed first so that nothing stays open when the report
// is handed to a handler that carries on (the fuzzers).
void CloseAfterFailure(TFile& file) {
  if (file.Descriptor >= 0) ::close(file.Descriptor);
  file.Descriptor = -1;
}

}  // namespace

__attribute__((noinline)) void FileRead(TFile& file, void* buffer, std::size_t count) {
  if (file.Descriptor < 0) RUN_ERROR_HERE(kErrFileNotOpen);
  auto* out = static_cast<unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::read(file.Descriptor, out + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      CloseAfterFailure(file);
      RUN_ERROR_HERE(kErrReadPastEnd);
    }
    done += static_cast<std::size_t>(n);
  }
}

namespace {

// Hands the file's chunks to `take` until it returns false or the file ends; a read failure is reported
// at `caller` (the game's call site, not this helper).
template <typename Take>
void ReadChunks(TFile& file, uintptr_t caller, Take take) {
  if (file.Descriptor < 0) RunError(kErrFileNotOpen, caller);
  char chunk[4096];
  for (;;) {
    const ssize_t n = ::read(file.Descriptor, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      CloseAfterFailure(file);
      RunError(kErrReadPastEnd, caller);
    }
    if (n == 0 || !take(static_cast<const char*>(chunk), chunk + n)) return;
  }
}

uintptr_t CallerAddress(void* address) { return reinterpret_cast<uintptr_t>(address); }

}  // namespace

__attribute__((noinline)) std::string FileReadRest(TFile& file) {
  std::string data;
  ReadChunks(file, CallerAddress(__builtin_return_address(0)), [&](const char* begin, const char* end) {
    data.append(begin, end);
    return true;
  });
  return data;
}

__attribute__((noinline)) std::string FileReadLine(TFile& file) {
  std::string line;
  ReadChunks(file, CallerAddress(__builtin_return_address(0)), [&](const char* begin, const char* end) {
    const char* stop = std::find_if(begin, end, [](char c) { return c == '\r' || c == '\n' || c == '\x1A'; });
    line.append(begin, stop);
    return stop == end;
  });
  return line;
}

int FileTryWrite(TFile& file, const void* buffer, std::size_t count) {
  if (file.Descriptor < 0) return kErrFileNotOpen;
  const auto* in = static_cast<const unsigned char*>(buffer);
  std::size_t done = 0;
  while (done < count) {
    const ssize_t n = ::write(file.Descriptor, in + done, count - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return kErrDiskWrite;
    done += static_cast<std::size_t>(n);
  }
  return 0;
}

int FileTrySync(TFile& file) {
  if (file.Descriptor < 0) return kErrFileNotOpen;
  if (::fsync(file.Descriptor) != 0 && errno != EINVAL) return kErrDiskWrite;
  return 0;
}

int FileTryClose(TFile& file) {
  if (file.Descriptor < 0) return kErrFileNotOpen;
  const int fd = file.Descriptor;
  file.Descriptor = -1;
  if (::close(fd) != 0 && errno != EINTR) return kErrDiskWrite;
  return 0;
}

__attribute__((noinline)) void FileClose(TFile& file) {
  const int code = FileTryClose(file);
  if (code != 0) RUN_ERROR_HERE(code);
}

int FileTryRename(const std::string& fromGamePath, const std::string& toGamePath) {
  const std::string from = NativePath(fromGamePath);
  const std::string to = NativePath(toGamePath);
  return ::rename(from.c_str(), to.c_str()) != 0 ? ErrnoToRunError(errno) : 0;
}

int FileTryErase(const std::string& gamePath) {
  const std::string path = NativePath(gamePath);
  return ::unlink(path.c_str()) != 0 ? ErrnoToRunError(errno) : 0;
}
