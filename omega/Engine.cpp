#include "omega/Engine.h"

#include "omega/system/System.h"

namespace omega {

namespace {
Engine* gEngine = nullptr;
}  // namespace

Engine::Engine() : Settings(ReadOptions()), Bands(Settings.DrawThreads) {
  if (!Settings.Script.empty()) SayNoWindow();
  Ahead.SetOn(Settings.Prefetch);
  Trace.Open(Settings.TracePath);
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
