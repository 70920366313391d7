// A private X server and the desktop tools the window tests drive the real game with: Xvfb, xdotool,
// xwd (whose picture format is read here), and the live trace of a windowed run.
#pragma once
#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "tests/support/Files.h"
#include "tests/support/Spawn.h"
#include "tests/support/TraceReader.h"
#include "tests/support/Xvfb.h"

namespace desk {

using ::HaveProgram;
using ::WaitUntil;
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
  // Sends the signal while the program runs. Never kill(Pid, …) by hand: Pid is -1 once the program has
  // ended, and kill(-1, …) signals every process we may signal (as root: every process there is).
  bool Signal(int signal);
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

// A client of the test's own on a display: it paints the root window one colour (what lies behind any
// window there) and sees every top-level window the moment the server has mapped it, so it can read the
// screen then, before the window's program has had a chance to draw anything more.
struct MapWatch {
  struct Map {
    unsigned long Window = 0;
    Picture Screen;   // the watched area of the screen, read as soon as the map was seen
    double Seen = 0;  // when the map was seen, on the monotonic clock (seconds)
    // Seconds from the map until the area showed the picture expected: 0 when the reading at the map
    // did, -1 when it never did (or none was given).
    double Shown = -1;
  };
  // Connects, paints the root `rgb` (0xRRGGBB) and starts watching; false when the display refuses.
  bool Open(const std::string& display, uint32_t rgb);
  // Waits at most `seconds` for the map of a top-level window named `name` (others' are passed over)
  // and reads the screen's area (x, y, w, h) at once. With `expected`, then times how long the area
  // takes to show it (each channel within `tolerance`; three rows across it read again and again, at
  // most `within` seconds).
  bool NextMap(const std::string& name, int x, int y, int w, int h, double seconds, Map& out,
               const Picture* expected = nullptr, int tolerance = 0, double within = 10);
  // The screen's area now; empty when unreadable.
  Picture Read(int x, int y, int w, int h);
  MapWatch() = default;
  MapWatch(const MapWatch&) = delete;
  MapWatch& operator=(const MapWatch&) = delete;
  ~MapWatch();

 private:
  void* X_ = nullptr;  // the connection (Xlib's Display, whose macros stay out of this header)
};

// The pixels of `got` that differ from `expected` by more than `tolerance` in a channel (the same
// size; every pixel when they differ in size), and the first of them.
struct Mismatch {
  long Pixels = 0;
  int FirstX = -1, FirstY = -1;
  std::string Expected, Got;  // the first one's colours, "r,g,b"
};
Mismatch CompareWithin(const Picture& got, const Picture& expected, int tolerance);

// The trace of a running game, read as it grows: each look reads only the bytes written since the last
// one, so a long run's trace costs no more to poll than a short one's.
struct LiveTrace {
  LiveTrace() = default;
  explicit LiveTrace(std::string path) : Path(std::move(path)) {}

  std::string Path;
  const std::vector<trace_reader::Call>& Calls();  // complete lines only
  int64_t LastTick();                // -1 while empty
  // The first tick of a call of this operation whose line contains `text`, or -1.
  int64_t FirstTick(const std::string& operation, const std::string& text = "", int64_t from = 0);
  // The first tick from `from` on that has at least `count` lines of the operation, or -1.
  int64_t FirstBusyTick(const std::string& operation, int count, int64_t from = 0);

 private:
  std::vector<trace_reader::Call> Read_;
  std::string Pending_;  // the start of a line still being written
  uint64_t Offset_ = 0;  // bytes of the file read so far
};

}  // namespace desk
