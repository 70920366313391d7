#include "omega/Engine.h"

namespace omega {

namespace {
Engine* gEngine = nullptr;
}  // namespace

Engine& E() {
  if (gEngine == nullptr) gEngine = new Engine;
  return *gEngine;
}

void ResetEngine() {
  delete gEngine;  // joins the decoding threads and closes the trace
  gEngine = new Engine;
}

}  // namespace omega
