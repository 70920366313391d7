// The engine's one owner. Every piece of the engine's state is a member of Engine, each concern in its
// own part, so that one reset (a new Engine) starts all of it afresh.
#pragma once
#include "omega/FrameRecorder.h"
#include "omega/Input.h"
#include "omega/Loop.h"
#include "omega/Pictures.h"
#include "omega/Prefetch.h"
#include "omega/Trace.h"

namespace omega {

struct Engine {
  LoopState Loop;          // callbacks, timers, the clock, quitting (Loop.cpp)
  PictureStore Pictures;   // textures, fonts, the mask, the mix colour (Pictures.cpp)
  Prefetcher Ahead;        // pictures decoded ahead on threads (Prefetch.cpp)
  FrameRecorder Recorder;  // the frame, its recorded calls, the kept layer and the cache (FrameRecorder.cpp)
  InputState Input;        // pointer and keys latched for the ticks (Input.cpp)
  TraceLog Trace;          // OMEGA_TRACE (Trace.cpp)
};

// The engine's one instance. It lives for the whole process: the game's handles point into it.
Engine& E();
// Frees everything and starts a fresh engine, as if the process had just begun (tests run many engines
// in one process). The environment (OMEGA_PREFETCH, OMEGA_TRACE) is read again.
void ResetEngine();

}  // namespace omega
