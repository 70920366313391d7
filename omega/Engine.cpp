#include "omega/Engine.h"

#include <cstdlib>

#include "omega/system/System.h"

namespace omega {

namespace {
Engine* gEngine = nullptr;

// The engine is never destroyed at exit: what its trace has buffered is written out then.
void FlushTraceAtExit() {
  if (gEngine != nullptr) gEngine->Trace.Flush();
}
}  // namespace

Engine::Engine() : Settings(ReadOptions()), Bands(Settings.DrawThreads) {
  if (!Settings.Script.empty()) SayNoWindow();
  Ahead.SetOn(Settings.Prefetch);
  Trace.Open(Settings.TracePath);
  if (Trace.On()) {
    static const bool registered = (std::atexit(FlushTraceAtExit), true);
    (void)registered;
  }
}

Engine& E() {
  if (gEngine == nullptr) gEngine = new Engine;
  return *gEngine;
}

void ResetEngine() {
  delete gEngine;  // joins the decoding and drawing threads and closes the trace
  gEngine = new Engine;
}

}  // namespace omega
