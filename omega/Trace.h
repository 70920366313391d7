// The trace of a run (OMEGA_TRACE=<file>): one line per operation the game calls, buffered, and
// flushed when the loop ends, at exit and before a scripted run fails.
#pragma once
#include <string>

#include "engine/OMEGA_list.h"

namespace omega {

// True when OMEGA_TRACE names a file (read once).
bool Tracing();
// Writes "<tick> <text>\n".
void TraceLine(const std::string& text);
void FlushTrace();
// A handle as the trace shows it: its load number, 0 for 0, "?" for a value the engine never gave.
std::string HandleText(OEHandle handle);
// Forgets the open trace so the next call reads OMEGA_TRACE again (tests).
void ResetTrace();

}  // namespace omega
