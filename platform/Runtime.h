// The language run-time services the game relies on: the random generator and its seed source,
// rounding, native paths, and file I/O checked at once with the classic run-time error numbers.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "base/RegularFile.h"  // NativePath, and the opening FileTryOpenRead checks
#include "base/Rounding.h"     // RoundHalfEven

// Run-time error numbers.
constexpr int kErrFileNotFound = 2;
constexpr int kErrPathNotFound = 3;
constexpr int kErrAccessDenied = 5;
constexpr int kErrReadPastEnd = 100;  // also any other read failure
constexpr int kErrDiskWrite = 101;
constexpr int kErrFileNotOpen = 103;
constexpr int kErrInvalidNumber = 106;
constexpr int kErrRange = 201;

// ---- random numbers: one 32-bit linear congruential generator --------------------------------
extern uint32_t RandSeed;
// The low 32 bits of a monotonic high-resolution counter.
uint32_t SeedCounter();
// The seed a run starts from: the counter (platform/StartSeed.cpp, linked into the game alone). The test
// build of the game links a fixed seed instead, so that two runs (Linux and Windows) colour their units
// alike; nothing a player has can choose it.
uint32_t StartSeed();
// A number in 0 .. n-1: advances the seed, then the high 32 bits of n × seed.
uint32_t Random(uint32_t n);

// ---- the run-time error report ----------------------------------------------------------------
// "Runtime error     at 00000000" with the number ending at the 17th character and the address's
// low 32 bits as eight upper-case hexadecimal digits over the zeros.
std::string RunErrorText(int code, uintptr_t address);
// Shows the report in a message box captioned "Error", then ends the process with the number.
[[noreturn]] void RunError(int code, uintptr_t address);
// When set, RunError hands the error to it instead; it must not return (fuzzers throw from it).
using RunErrorHandlerProc = void (*)(int code, uintptr_t address);
extern RunErrorHandlerProc RunErrorHandler;
// The seed 0 and no handler: the run-time's start values.
void ResetRuntime();
// Reports at the caller of the function that uses it.
#define RUN_ERROR_HERE(code) RunError((code), reinterpret_cast<uintptr_t>(__builtin_return_address(0)))

// ---- checked file I/O ----------------------------------------------------------------------------
// A file of the game, open for reading. Each checked operation ends the process through RunError on
// its first failure; the Try variants return the error number instead.
struct TFile {
  int Descriptor = -1;
};

// Opens a regular file only (OpenRegularFile): a folder, a FIFO, a device or a socket is refused as
// access denied (5) without waiting for a writer at the other end of a pipe.
int FileTryOpenRead(TFile& file, const std::string& gamePath);
void FileOpenRead(TFile& file, const std::string& gamePath);
// Exactly count bytes, or error 100.
void FileRead(TFile& file, void* buffer, std::size_t count);
// Hands the file's bytes from the current position to `take`, a chunk at a time, until `take` returns
// false or the file ends: a reader that needs only the start of a file reads no further. A read failure
// is reported at the caller of this function.
void FileReadChunks(TFile& file, const std::function<bool(const char* begin, const char* end)>& take);
// A text line from the current position: up to CR, LF, the end-of-text mark 0x1A or the end of the
// file, none of them included, and at most maxBytes of it (the rest of a longer line is not read).
std::string FileReadLine(TFile& file, std::size_t maxBytes);
void FileClose(TFile& file);

// Puts `count` bytes in the place of a file's contents so that a crash at any moment leaves either the
// old contents or the new ones, whole. The new contents go to a file of a name no one else uses, beside
// the file the name leads to (a link is followed to its target, which stays where it is), with the old
// file's permissions; they are synced, renamed over the old file, and the folder is synced. A save that
// fails removes its new file. A folder that takes no new file (an installed game whose records file alone
// is writable) gets the bytes written over the old ones, never truncating before they are on the disk.
// Returns 0 or the error number: 5 for a name that leads to no regular file we may write.
int FileTrySaveWhole(const std::string& gamePath, const void* data, std::size_t count);
// The error number for an errno value of open, read, write or rename.
int ErrnoToRunError(int err);
