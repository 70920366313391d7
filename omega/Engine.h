// The engine's one owner. Every piece of the engine's state is a member of Engine, each concern in its
// own part, so that one reset (a new Engine) starts all of it afresh.
#pragma once
#include "omega/draw/Bands.h"
#include "omega/draw/FrameRecorder.h"
#include "omega/window/Input.h"
#include "omega/Loop.h"
#include "omega/Options.h"
#include "omega/pictures/Pictures.h"
#include "omega/decode/Prefetch.h"
#include "omega/trace/Trace.h"

namespace omega {

struct Engine {
  // Its settings from the environment, then every part set up from them. A run without a window says
  // so here, at the engine's start (the program's first call), before the program has a chance to
  // report an error of its own: the program then keeps its message boxes off any desktop there may be.
  Engine();

  Options Settings;        // the environment, read once (Options.cpp)
  LoopState Loop;          // callbacks, timers, the clock, quitting (Loop.cpp)
  PictureStore Pictures;   // textures, fonts, the mask, the mix colour (Pictures.cpp)
  Prefetcher Ahead;        // pictures decoded ahead on threads (Prefetch.cpp)
  FrameRecorder Recorder;  // the frame, its recorded calls, the kept layer and the cache (FrameRecorder.cpp)
  DrawBands Bands;         // the frame drawn in two bands on two cores (Bands.cpp)
  InputState Input;        // pointer and keys latched for the ticks (Input.cpp)
  TraceLog Trace;          // OMEGA_TRACE (Trace.cpp)
  char NumberText[16] = {};  // U_IntToStr's answer, which the game copies at once (Exports.cpp)
};

// The engine's one instance, made at the first call. It lives for the whole process: the game's handles
// point into it.
Engine& E();
// Frees everything and starts a fresh engine, as if the process had just begun (tests run many engines
// in one process). The environment is read again.
void ResetEngine();

}  // namespace omega
