// Rounding to whole numbers, the same for the game and the engine on every system.
#pragma once
#include <cstdint>

// Nearest integer, halves to the even neighbour (0.5 → 0, 1.5 → 2, -0.5 → 0, -2.5 → -2), whatever
// rounding mode the floating-point unit is in. NaN and values outside the 64-bit range give INT64_MIN,
// as the processor's own conversion does.
int64_t RoundHalfEven(double value);
