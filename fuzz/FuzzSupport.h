// Shared by the fuzz targets: a private working folder, run-time errors turned into exceptions so one
// input's error report does not end the fuzzing run, and a helper that writes the input as a file.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

struct FuzzRunError {
  int Code;
};

// Makes a fresh temporary folder the working directory (once per process) and installs the handler.
void FuzzSetUp();
// Writes the bytes as the file (a game path with backslashes), replacing what was there.
void FuzzWriteFile(const std::string& gamePath, const uint8_t* data, std::size_t size);
