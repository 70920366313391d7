// The loops: the window (window/Window.cpp: real clock, SDL events; run by the program itself on a
// desktop, by the page's animation frames in a browser) and the headless run (virtual clock, a script).
// Every one of them advances the game by the same step and draws through the same raster code.
#include "omega/Loop.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <thread>

#include "omega/decode/Decode.h"
#include "omega/Engine.h"
#include "omega/window/Window.h"
#include "omega/trace/Script.h"
#include "omega/system/System.h"
#include "omega/trace/Trace.h"

namespace omega {

namespace {

// SIGINT, SIGTERM and SIGHUP (the terminal closed) end the loop like OE_Quit, so the quit callback
// runs; the old handling comes back when the loop is over.
struct SignalGuard {
  SignalGuard() {
    E().Loop.Signalled = 0;
    CatchStopRequests(&E().Loop.Signalled);
  }
  ~SignalGuard() { ReleaseStopRequests(); }
};

void Call(OEProc proc) {
  if (proc != nullptr) proc();
}

}  // namespace

bool QuitNow() { return E().Loop.QuitAsked || E().Loop.Signalled != 0 || E().Loop.WindowLost != 0; }

void ReportLostWindow() {
  std::fprintf(stderr, "OMEGA: the window or its display was lost; the game has saved and ends\n");
}

// The quit callback runs once, and only after the load callback: a game that has loaded nothing has
// nothing to save, and saving it would write an empty table over the player's.
void QuitOnce() {
  LoopState& e = E().Loop;
  if (!e.Loaded || e.QuitCalled) return;
  e.QuitCalled = true;
  Call(e.QuitProc);
}

// The connection to the display broke: nothing of the window can be used any more, so the game ends
// here, from inside the window system's call.
void EndWithBrokenDisplay() {
  QuitOnce();
  E().Trace.Flush();
  ReportLostWindow();
  std::_Exit(kLostWindowStatus);
}

// The session ends (Windows' log-off or shut-down): the system may end the process as soon as it has been
// told, so the game saves and ends here, inside the window system's call, as a quit would end it.
void EndWithSession() {
  QuitOnce();
  E().Trace.Flush();
  std::fflush(nullptr);
  std::_Exit(0);
}

void RecordFrame(int64_t nowMs) {
  auto& times = E().Loop.FrameTimes;
  times.push_back(nowMs);
  const auto old = std::find_if(times.begin(), times.end(), [&](int64_t t) { return t > nowMs - 1000; });
  times.erase(times.begin(), old);
}

int32_t TickPeriod() {
  for (const Timer& t : E().Loop.Timers)
    if (t.Active && t.Interval > 0) return t.Interval;
  return kTickMs;
}

namespace {

void RunTick() {
  LoopState& e = E().Loop;
  ++e.Tick;
  BeginTick(E().Input);
  // A timer created by a callback runs from the next tick on: iterate over a snapshot.
  const std::vector<Timer> timers = e.Timers;
  for (const Timer& t : timers)
    if (t.Active) Call(t.Proc);
  EndTick(E().Input);
}

// True when the frame may differ from the one before.
bool DrawFrame() {
  Engine& e = E();
  e.Recorder.Begin();
  // The game's loads are over once frames are drawn.
  e.Ahead.DropUnused();
  Call(e.Loop.DrawProc);
  return !e.Recorder.End(&e.Bands).Empty();
}

}  // namespace

bool Step(int64_t ticks, const std::function<void()>& input, bool frameAfterQuit) {
  for (int64_t i = 0; i < ticks && !QuitNow(); ++i) {
    input();
    RunTick();
  }
  if (QuitNow() && !frameAfterQuit) return false;
  return DrawFrame();
}

void EngineError(const std::string& text) {
  E().Loop.Error = text;
  std::fprintf(stderr, "OMEGA: %s\n", text.c_str());
}

// ---- headless ----

namespace {

[[noreturn]] void ScriptFailure(const std::string& text) {
  std::fprintf(stderr, "OMEGA_SCRIPT: %s\n", text.c_str());
  E().Trace.Flush();
  std::fflush(stderr);
  std::exit(2);
}

void RunHeadless(const std::string& scriptPath) {
  std::string text, error;
  if (!ReadScriptFile(scriptPath, text, error)) ScriptFailure(error);
  const ScriptParse script = ParseScript(text);
  if (script.ErrorLine != 0)
    ScriptFailure(scriptPath + ":" + std::to_string(script.ErrorLine) + ": " + script.Error);

  LoopState& e = E().Loop;
  InputState& input = E().Input;
  Call(e.LoadProc);
  const int64_t lastTick = script.Commands.empty() ? 0 : script.Commands.back().Tick;
  size_t next = 0;
  for (int64_t tick = e.Tick + 1; tick <= lastTick && !QuitNow(); ++tick) {
    size_t after = next;
    const auto scripted = [&] {
      for (; after < script.Commands.size() && script.Commands[after].Tick <= tick; ++after) {
        const ScriptCommand& c = script.Commands[after];
        switch (c.Op) {
          case ScriptOp::Move: input.MouseX = c.A; input.MouseY = c.B; break;
          case ScriptOp::Click: PressInput(input, 256 + kButtonLeft); break;
          case ScriptOp::Key: PressInput(input, c.A); break;
          case ScriptOp::Down:
            if (!input.ScriptHeld[c.A]) { input.ScriptHeld[c.A] = true; KeyDownEvent(input, c.A); }
            break;
          case ScriptOp::Up:
            if (input.ScriptHeld[c.A]) { input.ScriptHeld[c.A] = false; KeyUpEvent(input, c.A); }
            break;
          default: break;
        }
      }
    };
    Step(1, scripted, true);
    RecordFrame(e.Tick * TickPeriod());
    for (size_t i = next; i < after; ++i) {
      const ScriptCommand& c = script.Commands[i];
      // A shot that cannot be written fails the run as a trace does: a test must not compare a missing
      // or stale picture.
      if (c.Op == ScriptOp::Shot && !SaveFramePng(c.File)) e.ShotFailed = true;
      if (c.Op == ScriptOp::Quit) e.QuitAsked = true;
    }
    next = after;
  }
  Call(e.QuitProc);
}

}  // namespace

// The game goes on to end normally when OE_Init returns.
void EndRun(bool windowed) {
  E().Trace.Flush();
  if (!windowed) {
    std::fflush(stderr);
    std::exit(kNoWindowStatus);
  }
  if (E().Trace.Failed() || E().Loop.ShotFailed) std::exit(kTraceFailedStatus);
}

void RunEngine() {
  LoopState& e = E().Loop;
  if (e.InLoop) return;  // OE_Init from inside a callback: the loop is already running
  e.InLoop = true;
  e.QuitAsked = false;
  e.Loaded = e.QuitCalled = false;
  bool windowed = true;
  {
    SignalGuard guard;
    const std::string& script = E().Settings.Script;
    if (!script.empty())
      RunHeadless(script);
    else
      windowed = RunWindowed();
  }
  e.InLoop = false;
  EndRun(windowed);
}

void RequestQuit() { E().Loop.QuitAsked = true; }

int32_t CurrentFps() { return static_cast<int32_t>(E().Loop.FrameTimes.size()); }

bool SaveFramePng(const std::string& file) {
  Image& frame = E().Recorder.Frame;
  SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(frame.Px.data(), frame.W, frame.H, 32, frame.W * 4,
                                                            SDL_PIXELFORMAT_ARGB8888);
  SDL_Surface* rgb = surface != nullptr ? SDL_ConvertSurfaceFormat(surface, SDL_PIXELFORMAT_RGB24, 0) : nullptr;
  const bool ok = rgb != nullptr && IMG_SavePNG(rgb, file.c_str()) == 0;
  if (!ok) std::fprintf(stderr, "OMEGA: cannot write the shot %s: %s\n", file.c_str(), SDL_GetError());
  if (rgb != nullptr) SDL_FreeSurface(rgb);
  if (surface != nullptr) SDL_FreeSurface(surface);
  return ok;
}

}  // namespace omega
