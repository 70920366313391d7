// Files and folders for tests: whole-file reads and writes, and fresh temporary folders.
#pragma once
#include <string>
#include <vector>

// The whole file, or "" when it cannot be read.
std::string ReadFile(const std::string& path);
// Writes the bytes as the whole file, making its parent folders first.
void WriteFile(const std::string& path, const std::string& bytes);
// A fresh, empty folder under the system's temporary folder, e.g. TempFolder("zanoru-run"); the caller
// removes it (RemoveFolder) or keeps it for inspection.
std::string TempFolder(const std::string& prefix = "zanoru-test");
// Removes the folder and everything in it, write-protected parts included; errors are ignored.
void RemoveFolder(const std::string& path);

// How many rounds a stress loop runs: `brief` in the everyday suite, `full` when ZANORU_SOAK is set (the
// soak run: `ctest -C Soak -L soak-full`).
int SoakRounds(int brief, int full);

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

// File permissions do not bind root, so a test of them runs its checks as an ordinary user: as ourselves
// when we are not root, else as nobody (65534), as `setpriv --reuid=65534 --regid=65534 --clear-groups`
// would run a program. GiveToOrdinaryUser makes the paths (files and folders, a test's own) that user's,
// so they are their owner's as a player's files are; BecomeOrdinaryUser drops the calling process's
// privileges for good, so it is called in a child (a death test's statement). False when it could not.
void GiveToOrdinaryUser(const std::vector<std::string>& paths);
bool BecomeOrdinaryUser();
