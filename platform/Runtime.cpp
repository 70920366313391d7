#include "platform/Runtime.h"

#include <unistd.h>  // read and close of the C run-time's descriptors, on both systems

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/Windows.h"

uint32_t RandSeed;

uint32_t Random(uint32_t n) {
  RandSeed = RandSeed * 134775813u + 1u;
  return static_cast<uint32_t>((static_cast<uint64_t>(n) * RandSeed) >> 32);
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
int BoxStopStatus = 1;

void ResetRuntime() {
  RandSeed = 0;
  RunErrorHandler = nullptr;
  BoxStopStatus = 1;
}

void RunError(int code, uintptr_t address) {
  if (RunErrorHandler != nullptr) {
    RunErrorHandler(code, address);
    std::abort();  // a handler that returns broke its contract
  }
  const std::string text = RunErrorText(code, address);
  BoxStopStatus = code;
  MessageBoxA(nullptr, text.c_str(), "Error", MB_ICONERROR);
  std::exit(code);
}

// ---- reading ---------------------------------------------------------------------------------------

int FileTryOpenRead(TFile& file, const std::string& gamePath) {
  const OpenedFile opened = OpenRegularFile(NativePath(gamePath));
  file.Descriptor = opened.Descriptor;
  switch (opened.Problem) {
    case OpenProblem::None: return 0;
    case OpenProblem::NoFile: return kErrFileNotFound;
    case OpenProblem::NoFolder: return kErrPathNotFound;
    case OpenProblem::DiskFault: return kErrDiskWrite;
    case OpenProblem::NotRegular: case OpenProblem::Denied: break;
  }
  return kErrAccessDenied;
}

__attribute__((noinline)) void FileOpenRead(TFile& file, const std::string& gamePath) {
  const int code = FileTryOpenRead(file, gamePath);
  if (code != 0) RUN_ERROR_HERE(code);
}

namespace {

// A failed read ends the program; the file is closed first so that nothing stays open when the report
// is handed to a handler that carries on (the fuzzers).
void CloseAfterFailure(TFile& file) {
  if (file.Descriptor >= 0) ::close(file.Descriptor);
  file.Descriptor = -1;
}

uintptr_t CallerAddress(void* address) { return reinterpret_cast<uintptr_t>(address); }

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

__attribute__((noinline)) void FileReadChunks(TFile& file,
                                              const std::function<bool(const char* begin, const char* end)>& take) {
  ReadChunks(file, CallerAddress(__builtin_return_address(0)), take);
}

__attribute__((noinline)) std::string FileReadLine(TFile& file, std::size_t maxBytes) {
  std::string line;
  if (maxBytes == 0) return line;
  ReadChunks(file, CallerAddress(__builtin_return_address(0)), [&](const char* begin, const char* end) {
    const char* stop = std::find_if(begin, end, [](char c) { return c == '\r' || c == '\n' || c == '\x1A'; });
    const std::size_t room = maxBytes - line.size();
    if (static_cast<std::size_t>(stop - begin) >= room) {
      line.append(begin, room);
      return false;
    }
    line.append(begin, stop);
    return stop == end;
  });
  return line;
}

__attribute__((noinline)) void FileClose(TFile& file) {
  if (file.Descriptor < 0) RUN_ERROR_HERE(kErrFileNotOpen);
  const int fd = file.Descriptor;
  file.Descriptor = -1;
  if (::close(fd) != 0 && errno != EINTR) RUN_ERROR_HERE(kErrDiskWrite);
}
