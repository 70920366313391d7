// The language run-time services the game relies on: the random generator and its seed source,
// rounding, native paths, and file I/O checked at once with the classic run-time error numbers.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

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
// The seed a run starts from: the counter, unless ZANORU_SEED gives a number. Tests that compare two runs
// (Linux and Windows) set it so that the units' random colours agree; a player never does.
uint32_t StartSeed();
// A number in 0 .. n-1: advances the seed, then the high 32 bits of n × seed.
uint32_t Random(uint32_t n);

// ---- numbers -------------------------------------------------------------------------------
// Nearest integer, halves to the even neighbour (0.5 → 0, 1.5 → 2, -0.5 → 0).
int64_t RoundHalfEven(double value);

// ---- paths ---------------------------------------------------------------------------------
// A game path ("Data\T\1.jpg") as a native relative path ("Data/T/1.jpg").
std::string NativePath(const std::string& gamePath);

// ---- the run-time error report ----------------------------------------------------------------
// "Runtime error     at 00000000" with the number ending at the 17th character and the address's
// low 32 bits as eight upper-case hexadecimal digits over the zeros.
std::string RunErrorText(int code, uintptr_t address);
// Shows the report in a message box captioned "Error", then ends the process with the number.
[[noreturn]] void RunError(int code, uintptr_t address);
// When set, RunError hands the error to it instead; it must not return (fuzzers throw from it).
using RunErrorHandlerProc = void (*)(int code, uintptr_t address);
extern RunErrorHandlerProc RunErrorHandler;
// Reports at the caller of the function that uses it.
#define RUN_ERROR_HERE(code) RunError((code), reinterpret_cast<uintptr_t>(__builtin_return_address(0)))

// ---- checked file I/O ----------------------------------------------------------------------------
// A file of the game: a descriptor and the name it was opened with. Each checked operation ends the
// process through RunError on its first failure; the Try variants return the error number instead.
struct TFile {
  int Descriptor = -1;
};

int FileTryOpenRead(TFile& file, const std::string& gamePath);
void FileOpenRead(TFile& file, const std::string& gamePath);
// Creates or truncates for writing.
void FileCreate(TFile& file, const std::string& gamePath);
// Exactly count bytes, or error 100.
void FileRead(TFile& file, void* buffer, std::size_t count);
// Everything from the current position to the end.
std::string FileReadRest(TFile& file);
// A text line from the current position: up to CR, LF, the end-of-text mark 0x1A or the end of the
// file, none of them included. Reads no further than the chunk holding the line's end, so a huge file
// costs only its first line.
std::string FileReadLine(TFile& file);
void FileWrite(TFile& file, const void* buffer, std::size_t count);
// Flushes the data to the disk (error 101 when it cannot).
void FileSync(TFile& file);
void FileClose(TFile& file);
// Replaces `to` by `from` in one step; error 5 when not allowed.
void FileRename(const std::string& fromGamePath, const std::string& toGamePath);
// Variants that return the error number (0 on success) instead of ending the process, for callers
// that must tidy up before they report.
// An existing file opened for writing, neither created nor truncated: tests that it may be replaced.
int FileTryOpenWrite(TFile& file, const std::string& gamePath);
int FileTryCreate(TFile& file, const std::string& gamePath);
int FileTryWrite(TFile& file, const void* buffer, std::size_t count);
int FileTrySync(TFile& file);
int FileTryClose(TFile& file);
int FileTryRename(const std::string& fromGamePath, const std::string& toGamePath);
int FileTryErase(const std::string& gamePath);
// The error number for an errno value of open, read, write or rename.
int ErrnoToRunError(int err);
