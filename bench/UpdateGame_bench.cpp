// One game tick (UpdateGame) on the shipped map and on a crowded map where every walker keeps walking.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <fstream>
#include <string>
#include <vector>

#include "platform/Runtime.h"
#include "tests/support/FakeEngine.h"
#include "tests/support/GameRun.h"
#include "tests/support/GameState.h"
#include "world/Game_A.h"
#include "world/ZAN_map.h"

// Every allocation of the program is counted, so the figures show that a tick allocates nothing.
// (g++ takes the replaced pair for a mismatch once both are inlined into one caller.)
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
static uint64_t gAllocations = 0;

void* operator new(std::size_t size) {
  ++gAllocations;
  if (void* p = std::malloc(size != 0 ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

namespace fs = std::filesystem;

// UpdateGame over the benchmark's iterations, with the allocations made meanwhile.
void TimeTicks(benchmark::State& state) {
  const uint64_t before = gAllocations;
  for (auto _ : state) UpdateGame();
  state.counters["allocs_per_tick"] =
      static_cast<double>(gAllocations - before) / static_cast<double>(state.iterations());
}

constexpr int kWarmUpTicks = 5000;

// Loads the map file from `folder` the way start-up does (a game path relative to the working folder).
bool LoadFrom(const fs::path& folder) {
  if (!fs::exists(folder / "Data" / "1.vyx")) return false;
  const fs::path previous = fs::current_path();
  fs::current_path(folder);
  LoadMap("Data\\1.vyx");
  fs::current_path(previous);
  return true;
}

void Reset() {
  ResetGame();
  fake::MouseX = 600;
  fake::MouseY = 300;
  RandSeed = 20240601u;
}

void WarmUp() {
  for (int i = 0; i < kWarmUpTicks; ++i) UpdateGame();
}

int64_t Walking() {
  int64_t n = 0;
  for (const THomeCord& home : Homes)
    for (const TUnitRec& u : home.Units)
      if (u.Active && MapCells[u.PrevColumn][u.PrevRow].Path >= 1 && MapCells[u.PrevColumn][u.PrevRow].Path <= 8) ++n;
  return n;
}

void Report(benchmark::State& state) {
  state.counters["homes"] = static_cast<double>(Homes.size());
  state.counters["walking"] = static_cast<double>(Walking());
}

// Rings of two columns: down the even rows of column c, across at the bottom, up the odd rows of
// column c + 1 and back across at the top, so nobody ever stops. Homes beside the rings feed them.
std::vector<uint8_t> CrowdedMap() {
  std::vector<uint8_t> bytes(kMapFileBytes, 0);
  auto cell = [&](int c, int r) { return &bytes[static_cast<std::size_t>(((c - 1) * kMapRows + (r - 1)) * kMapCellBytes)]; };
  auto ring = [&](int c) {
    for (int r = 2; r <= 46; r += 2) cell(c, r)[2] = 1;  // down
    cell(c, 48)[2] = 8;                                  // across to (c + 1, 49)
    for (int r = 49; r >= 3; r -= 2) cell(c + 1, r)[2] = 5;  // up
    cell(c + 1, 1)[2] = 2;                               // across to (c, 2)
  };
  for (int c : {1, 4, 7, 10, 13, 16}) ring(c);
  for (int c = 1; c <= kMapColumns; ++c)
    for (int r = 1; r <= kMapRows; ++r) {
      cell(c, r)[0] = 1;  // ground everywhere
      cell(c, r)[1] = 0;
    }
  const int feedRows[] = {3, 9, 15, 21, 27, 33, 39, 45};
  for (int c : {3, 6, 9, 12, 15})
    for (int r : feedRows) {
      cell(c, r)[2] = 3;  // left, into the odd rows of the ring's second column
      cell(c, r)[3] = kKindHome;
    }
  for (int r : feedRows) {
    cell(15, r + 1)[2] = 7;  // right, into the even rows of the last ring
    cell(15, r + 1)[3] = kKindHome;
  }
  for (int c : {3, 6, 9, 12}) {
    cell(c, 6)[3] = kKindAimedGun;
    cell(c, 18)[3] = kKindAimedGun;
    cell(c, 30)[3] = kKindAltar;
  }
  return bytes;
}

void BM_UpdateGame_ShippedMap(benchmark::State& state) {
  Reset();
  if (!LoadFrom(GameFolder()) && !LoadFrom(fs::path(ZANORU_SOURCE_DIR) / "build" / "game")) {
    state.SkipWithError("no shipped map (build the game data first)");
    return;
  }
  WarmUp();
  TimeTicks(state);
  Report(state);
}
BENCHMARK(BM_UpdateGame_ShippedMap);

void BM_UpdateGame_CrowdedMap(benchmark::State& state) {
  Reset();
  std::string folder = (fs::temp_directory_path() / "zanoru-bench-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr) {
    state.SkipWithError("no temporary folder");
    return;
  }
  fs::create_directories(fs::path(folder) / "Data");
  {
    const std::vector<uint8_t> bytes = CrowdedMap();
    std::ofstream out(fs::path(folder) / "Data" / "1.vyx", std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  LoadFrom(folder);
  fs::remove_all(folder);
  WarmUp();
  if (Walking() < 400) {
    state.SkipWithError("fewer than 400 walkers on the crowded map");
    return;
  }
  TimeTicks(state);
  Report(state);
}
BENCHMARK(BM_UpdateGame_CrowdedMap);

}  // namespace
