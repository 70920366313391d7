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
// Binds an engine that records nothing: pictures load as numbered handles, the pointer stays at
// (300, 200). Far cheaper than the recording fake, so a list naming 100,000 sheets still fuzzes quickly.
void FuzzBindQuietEngine();
