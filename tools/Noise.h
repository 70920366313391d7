// Deterministic procedural noise: the same numbers on every run, no global random state.
#pragma once
#include <cmath>
#include <cstdint>

inline uint32_t Hash32(uint32_t x) {
  x ^= x >> 16;
  x *= 0x7feb352dU;
  x ^= x >> 15;
  x *= 0x846ca68bU;
  x ^= x >> 16;
  return x;
}

inline uint32_t Hash3(int x, int y, uint32_t seed) {
  return Hash32(static_cast<uint32_t>(x) * 0x9E3779B1U ^ Hash32(static_cast<uint32_t>(y) + seed * 0x85EBCA77U));
}

// A number in [0, 1) for a lattice point.
inline double Rand01(int x, int y, uint32_t seed) { return (Hash3(x, y, seed) >> 8) / 16777216.0; }

// Smooth value noise in [0, 1]; `period` > 0 makes it tile every `period` lattice cells.
inline double ValueNoise(double x, double y, uint32_t seed, int period = 0) {
  const double fx = std::floor(x), fy = std::floor(y);
  int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
  double tx = x - fx, ty = y - fy;
  tx = tx * tx * (3 - 2 * tx);
  ty = ty * ty * (3 - 2 * ty);
  int x1 = x0 + 1, y1 = y0 + 1;
  if (period > 0) {
    x0 = ((x0 % period) + period) % period;
    y0 = ((y0 % period) + period) % period;
    x1 = ((x1 % period) + period) % period;
    y1 = ((y1 % period) + period) % period;
  }
  const double a = Rand01(x0, y0, seed), b = Rand01(x1, y0, seed);
  const double c = Rand01(x0, y1, seed), d = Rand01(x1, y1, seed);
  return (a + (b - a) * tx) + ((c + (d - c) * tx) - (a + (b - a) * tx)) * ty;
}

// Fractal sum of octaves, in [0, 1].
inline double Fbm(double x, double y, uint32_t seed, int octaves = 4, int period = 0) {
  double sum = 0, amp = 1, norm = 0;
  for (int o = 0; o < octaves; ++o) {
    sum += ValueNoise(x, y, seed + o * 101U, period) * amp;
    norm += amp;
    amp *= 0.5;
    x *= 2;
    y *= 2;
    if (period > 0) period *= 2;
  }
  return sum / norm;
}

// A tiny deterministic generator for scattering details.
struct Scatter {
  uint32_t state;
  explicit Scatter(uint32_t seed) : state(Hash32(seed ^ 0xA511E9B3U)) {}
  double Next() {
    state = Hash32(state + 0x6D2B79F5U);
    return (state >> 8) / 16777216.0;
  }
  double Range(double lo, double hi) { return lo + (hi - lo) * Next(); }
};
