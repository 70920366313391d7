// The loop: the game's callbacks and timers driven by the window's real clock or by a headless run's
// script, until the game, the window or a signal asks to quit.
#pragma once
#include <csignal>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/OMEGA_list.h"

namespace omega {

constexpr int kTickMs = 12;       // the period when the game creates no timer
constexpr int kFrameCapFps = 60;  // the window is shown without waiting for the display
// The exit status when a run without a script can open no window (no display, or a video driver that
// does not start): the run ends at once, before the load callback, and says why on standard error.
constexpr int kNoWindowStatus = 1;

struct Timer {
  OEProc Proc = nullptr;
  int32_t Interval = kTickMs;
  bool Active = true;
};

struct LoopState {
  OEProc DrawProc = nullptr, LoadProc = nullptr, QuitProc = nullptr;
  std::vector<Timer> Timers;
  bool PositionAsked = false;
  int32_t WndX = 0, WndY = 0;
  int64_t Tick = 0;  // 0 before the first timer tick
  bool InLoop = false;
  bool QuitAsked = false;
  bool Loaded = false, QuitCalled = false;  // the window's load and quit callbacks have run
  volatile std::sig_atomic_t Signalled = 0;  // SIGINT, SIGTERM or SIGHUP during the loop
  volatile std::sig_atomic_t WindowLost = 0; // the window destroyed from outside or its display gone
  std::vector<int64_t> FrameTimes;           // ms of the frames of the last second
  std::string Error;                         // the last engine error, also printed on standard error
  bool ShotFailed = false;                   // a scripted shot could not be written
};

// OE_Init: the load callback, the loop, the quit callback. Ends the process with kNoWindowStatus when no
// window opens, and with kTraceFailedStatus after the loop when the trace or a scripted shot could not
// be written.
void RunEngine();
void RequestQuit();
int32_t CurrentFps();
// Writes the current frame as a PNG; false (and a message on standard error) when it cannot.
bool SaveFramePng(const std::string& file);

// ---- the loop's side of the window (window/Window.cpp), which runs the same step ----

// A window destroyed from outside or a display gone: the game still ends the way it always does (its
// quit callback saves what it keeps), then says what happened and ends with this status.
constexpr int kLostWindowStatus = 69;

// The step every loop takes: `ticks` timer ticks, each after `input` has put in the input due for it,
// then the frame drawn after them. A quit asked during the ticks ends them; the frame is still drawn only
// when `frameAfterQuit` says so (a headless run's script may shoot it; a window shows nothing more).
// Returns whether a frame was drawn that may differ from the one before.
bool Step(int64_t ticks, const std::function<void()>& input, bool frameAfterQuit);
bool QuitNow();       // the game, a signal or a lost window asked the loop to end
void QuitOnce();      // the quit callback, once, and only after the load callback
void RecordFrame(int64_t nowMs);  // for CurrentFps
int32_t TickPeriod();
void EngineError(const std::string& text);  // kept as the last error and said on standard error
void ReportLostWindow();
void EndWithBrokenDisplay();  // from inside the window system's call: saves and ends the process
void EndWithSession();
// After the loop, whichever it was: the trace flushed and the engine's failures in the exit status.
void EndRun(bool windowed);

}  // namespace omega
