#include "base/Rounding.h"

#include <limits>

// Built on the truncating conversion (cvttsd2si on x86-64, one SSE2 instruction), which ignores the
// rounding mode: a library loaded into the process, or a test, that leaves another mode behind changes
// nothing here, and nothing has to set a mode first. The remainder value - truncated is exact for every
// double (below 2^52 both have the same exponent range; above it every double is whole), so the halves
// are told apart without a second rounding. The C library's nearbyint reads and restores the x87
// control word on each call in Windows' run-time, which made it slow there.
int64_t RoundHalfEven(double value) {
  constexpr double kTwo63 = 9223372036854775808.0;
  // NaN fails both comparisons.
  if (!(value >= -kTwo63 && value < kTwo63)) return std::numeric_limits<int64_t>::min();
  const int64_t whole = static_cast<int64_t>(value);
  const double rest = value - static_cast<double>(whole);
  if (rest > 0.5 || (rest == 0.5 && (whole & 1) != 0)) return whole + 1;
  if (rest < -0.5 || (rest == -0.5 && (whole & 1) != 0)) return whole - 1;
  return whole;
}
