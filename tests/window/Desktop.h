// A private X server and the desktop tools the window tests drive the real game with: Xvfb, xdotool,
// xwd (whose picture format is read here), and the live trace of a windowed run.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "tests/support/Files.h"
#include "tests/support/TraceReader.h"
#include "tests/support/Xvfb.h"

namespace desk {

using ::HaveProgram;
using ::Xvfb;
inline std::string TempFolder() { return ::TempFolder("zanoru-window"); }

struct Picture {
  int W = 0, H = 0;
  std::vector<uint8_t> Rgb;  // rows of 3 bytes a pixel
  const uint8_t* At(int x, int y) const { return &Rgb[(static_cast<size_t>(y) * W + x) * 3]; }
};
// An X window dump (xwd's format, big-endian header) of a TrueColor window; empty when unreadable.
Picture ReadXwd(const std::string& data);
Picture ReadPng(const std::string& path);
void WritePpm(const std::string& path, const Picture& p);  // for looking at a failure

// A program started in a folder, its standard output and error going to files there.
struct Process {
  int Pid = -1;
  std::string Folder;
  int Status = -1;  // after Wait: exit status, or 128 + signal
  // The environment is ours without DISPLAY, WAYLAND_DISPLAY and OMEGA_*, then `env` on top.
  bool Start(const std::string& folder, const std::vector<std::string>& args,
             const std::map<std::string, std::string>& env);
  bool Running();
  // Waits at most `seconds`, then kills it; true when it ended by itself.
  bool Wait(double seconds);
  std::string Stdout() const;
  std::string Stderr() const;
  ~Process();
};

// Runs a program to its end (at most `seconds`) and returns its exit status and standard output.
struct Ran {
  int Status = -1;
  std::string Out, Err;
};
Ran Run(const std::vector<std::string>& args, const std::map<std::string, std::string>& env, double seconds = 20);

// xdotool and xwd on one display and one window.
struct Desktop {
  std::string Display;
  std::string Window;  // xdotool's window id
  bool FindWindow(const std::string& name, double seconds);
  bool Xdotool(const std::vector<std::string>& args);
  bool MoveTo(int x, int y);  // relative to the window's top-left
  bool Click();
  bool Key(const std::string& key);
  Picture Shot(const std::string& folder);
  // The cursor the X server shows at the pointer now (the XFIXES extension's picture of it): 1 when
  // any of its pixels can be seen, 0 when it is blank (as SDL's hidden cursor is), -1 when unreadable.
  int CursorShows();
};

// Polls until `ready` holds, at most `seconds`.
bool WaitUntil(const std::function<bool()>& ready, double seconds);

// The trace of a running game, read as it grows.
struct LiveTrace {
  std::string Path;
  // Complete lines only. Read incrementally: a game scene's trace grows by megabytes a second, and
  // reading it whole at every poll starves a busy machine.
  const std::vector<trace_reader::Call>& Calls() const;
  int64_t LastTick() const;                // -1 while empty
  // The first tick of a call of this operation whose line contains `text`, or -1.
  int64_t FirstTick(const std::string& operation, const std::string& text = "", int64_t from = 0) const;
  // The first tick from `from` on that has at least `count` lines of the operation, or -1.
  int64_t FirstBusyTick(const std::string& operation, int count, int64_t from = 0) const;

  // What Calls() has read so far (the file, its bytes up to the last complete line, those lines).
  mutable std::string ReadPath;
  mutable uint64_t ReadBytes = 0;
  mutable std::vector<trace_reader::Call> Read;
};

}  // namespace desk
