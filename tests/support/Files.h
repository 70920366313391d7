// Files and folders for tests: whole-file reads and writes, and fresh temporary folders.
#pragma once
#include <string>

// The whole file, or "" when it cannot be read.
std::string ReadFile(const std::string& path);
// Writes the bytes as the whole file, making its parent folders first.
void WriteFile(const std::string& path, const std::string& bytes);
// A fresh, empty folder under the system's temporary folder, e.g. TempFolder("zanoru-run"); the caller
// removes it (RemoveFolder) or keeps it for inspection.
std::string TempFolder(const std::string& prefix = "zanoru-test");
// Removes the folder and everything in it, write-protected parts included; errors are ignored.
void RemoveFolder(const std::string& path);

// A fresh temporary folder that is the working folder while the object lives; afterwards the previous
// working folder is back and the temporary one is gone.
struct InTempFolder {
  explicit InTempFolder(const std::string& prefix = "zanoru-test");
  ~InTempFolder();
  InTempFolder(const InTempFolder&) = delete;
  InTempFolder& operator=(const InTempFolder&) = delete;
  std::string Previous;
  std::string Path;
};
