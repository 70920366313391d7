// Runs the real game executable with the real engine, headless, on a script, in a fresh folder that
// links Data/ and DX/ from the built game folder.
#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/support/Files.h"
#include "tests/support/TraceReader.h"

struct GameRun {
  int Status = -1;               // exit status, or 128 + signal
  std::string Folder;            // the working directory of the run (kept for inspection)
  std::string Stdout;
  std::string Stderr;
  std::vector<trace_reader::Call> Trace;  // the OMEGA_TRACE lines, read
};

struct GameRunOptions {
  std::string Script;                          // OMEGA_SCRIPT contents
  std::map<std::string, std::string> Files;    // extra files written into the folder first
  bool LinkData = true;                        // link Data/ from the game folder
  bool LinkEngine = true;                      // link DX/ from the game folder
  std::map<std::string, std::string> Env;      // extra environment
  std::string Executable;                      // defaults to the built game
  double Seconds = 240;                        // then the run is killed (status 128 + 9)
  // Called with the game's pid and the run's folder once it has started, before it is waited for.
  std::function<void(int pid, const std::string& folder)> While;
};

// The built game folder (build/.../game).
std::string GameFolder();
GameRun RunGame(const GameRunOptions& options);
// The traced calls of one operation name, in order.
std::vector<trace_reader::Call> TraceOf(const GameRun& run, const std::string& operation);
