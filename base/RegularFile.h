// Opening a file to read it, for the game and the engine alike: only a regular file on a disk is
// opened, and never by waiting (a FIFO without a writer, a device).
#pragma once
#include <string>

// A game path ("Data\T\1.jpg") as a native relative path ("Data/T/1.jpg").
std::string NativePath(const std::string& gamePath);

// Why a file could not be opened.
enum class OpenProblem {
  None,
  NoFile,      // nothing of that name
  NoFolder,    // a folder on the way is missing or is no folder
  NotRegular,  // a folder, a FIFO, a device, a socket
  DiskFault,   // the disk failed or is full
  Denied,      // anything else: no permission, held by another program, a name the system refuses
};

struct OpenedFile {
  int Descriptor = -1;  // a C run-time descriptor (read, closed with the run-time's read and close)
  OpenProblem Problem = OpenProblem::None;
};

// Opens a regular file for reading, shared with anyone who wants it meanwhile. The path is the
// system's own (slashes on Linux; either on Windows).
OpenedFile OpenRegularFile(const std::string& path);
