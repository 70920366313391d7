// The engine's settings from the environment, read in one place when the engine starts (README.md lists
// them). Every other part takes them from Engine::Settings.
#pragma once
#include <string>

namespace omega {

struct Options {
  std::string Script;             // OMEGA_SCRIPT: run headless from this script ("" = open a window)
  std::string TracePath;          // OMEGA_TRACE: append one line per call here ("" = no trace)
  bool Prefetch = true;           // OMEGA_PREFETCH=0 turns decoding ahead off
  int DrawThreads = 0;            // OMEGA_THREADS=1 or 2; 0 = by the cores the process may run on
  bool VideoDriverAsked = false;  // SDL_VIDEODRIVER names a driver: even one that shows nothing is taken
};

// The process's environment as options.
Options ReadOptions();

// The options of an environment given as a lookup (null for a variable that is not set).
Options OptionsFrom(const char* (*lookup)(const char* name));

}  // namespace omega
