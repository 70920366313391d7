// What an engine loaded for a run without a window (a scripted run drawn off screen) leaves for the
// program's platform layer to find, so that nothing of the run opens on a desktop: an SDL hint where the
// program and the engine share SDL, a process atom where they do not.
#pragma once

constexpr const char* kOmegaNoWindowMark = "OMEGA_NO_WINDOW";
