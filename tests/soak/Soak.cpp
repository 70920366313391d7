// Soak run: the game scene on a crowded map for many ticks, with the real engine library loaded the way
// the game loads it, drawing every 100th tick; the sanitizers watch every step.
//
//   soak [ticks] [allowed RSS growth in MB]      (defaults: 1,000,000 ticks, 16 MB)
//
// The engine keeps scaled and tinted copies of what it draws (dropped between frames once they hold more
// than 8M pixels, 32 MB: kCacheLimitPixels, then it starts afresh), and 640 walkers in 8 facings, 32
// frames and 7 colours fill that slowly: RSS climbs over the first thousand or so frames. So memory counts as flat when the second half of the run adds less than the
// bound. Prints the RSS samples; exits 0 when the bound held and every hut had released its walkers.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#if defined(__SANITIZE_ADDRESS__)
#define SOAK_HEAP 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define SOAK_HEAP 1
#endif
#endif
#ifdef SOAK_HEAP
// From the sanitizer's run-time (its header is not always installed).
extern "C" std::size_t __sanitizer_get_current_allocated_bytes();
#endif
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "MapText.h"
#include "engine/OMEGA.h"
#include "platform/Runtime.h"
#include "scenes/Bonses.h"
#include "shell/MainProc.h"
#include "tests/support/Files.h"
#include "world/Game_A.h"
#include "world/ZAN_map.h"

namespace {

namespace fs = std::filesystem;

constexpr int64_t kDrawEvery = 100;
constexpr std::size_t kMinHomes = 40;

// Live heap in MB (the sanitizer's allocator knows it; freed blocks waiting in its quarantine are not
// counted), or -1 without it.
double HeapMb() {
#ifdef SOAK_HEAP
  return static_cast<double>(__sanitizer_get_current_allocated_bytes()) / (1024.0 * 1024.0);
#else
  return -1;
#endif
}

double RssMb() {
  std::ifstream in("/proc/self/status");
  for (std::string line; std::getline(in, line);)
    if (line.rfind("VmRSS:", 0) == 0) return std::stod(line.substr(6)) / 1024.0;
  return -1;
}

// Rings of two columns that nobody ever leaves, fed by huts beside them (48 huts in all): the same
// crowd as the tick benchmark's, for when the shared crowded map is not there.
std::vector<uint8_t> GeneratedCrowd() {
  std::vector<uint8_t> bytes(kMapFileBytes, 0);
  auto cell = [&](int c, int r) { return &bytes[static_cast<std::size_t>(((c - 1) * kMapRows + (r - 1)) * kMapCellBytes)]; };
  for (int c = 1; c <= kMapColumns; ++c)
    for (int r = 1; r <= kMapRows; ++r) cell(c, r)[0] = 1;
  for (int c : {1, 4, 7, 10, 13, 16}) {
    for (int r = 2; r <= 46; r += 2) cell(c, r)[2] = 1;
    cell(c, 48)[2] = 8;
    for (int r = 49; r >= 3; r -= 2) cell(c + 1, r)[2] = 5;
    cell(c + 1, 1)[2] = 2;
  }
  for (int r : {3, 9, 15, 21, 27, 33, 39, 45}) {
    for (int c : {3, 6, 9, 12, 15}) {
      cell(c, r)[2] = 3;
      cell(c, r)[3] = kKindHome;
    }
    cell(15, r + 1)[2] = 7;
    cell(15, r + 1)[3] = kKindHome;
  }
  for (int c : {3, 6, 9, 12}) {
    cell(c, 6)[3] = kKindAimedGun;
    cell(c, 30)[3] = kKindAltar;
  }
  return bytes;
}

// The shared crowded map in its text form when it is there and compiles, else the generated one.
std::vector<uint8_t> CrowdedMap(std::string& source) {
  const fs::path text = fs::path(ZANORU_SOURCE_DIR) / "bench" / "maps" / "crowded.map";
  std::ifstream list(fs::path(ZANORU_GAME_DIR) / "Data" / "T" / "K.txt");
  std::ostringstream listText;
  listText << list.rdbuf();
  if (std::ifstream in{text}) {
    std::ostringstream s;
    s << in.rdbuf();
    const maptext::ParseResult parsed = maptext::ParseMapText(s.str(), maptext::ReadGroundCount(listText.str()));
    if (parsed.Ok()) {
      source = text.string();
      return std::vector<uint8_t>(parsed.bytes.begin(), parsed.bytes.end());
    }
  }
  source = "generated";
  return GeneratedCrowd();
}

int64_t Walking() {
  int64_t n = 0;
  for (const THomeCord& home : Homes)
    for (const TUnitRec& u : home.Units) n += u.Active ? 1 : 0;
  return n;
}

int HomesReleasing() {
  int n = 0;
  for (const THomeCord& home : Homes) {
    bool any = false;
    for (const TUnitRec& u : home.Units) any = any || (u.Active && u.Frame != 0);
    n += any ? 1 : 0;
  }
  return n;
}

}  // namespace

int main(int argc, char** argv) {
  const int64_t ticks = argc > 1 ? std::atoll(argv[1]) : 1000000;
  const double allowedMb = argc > 2 ? std::atof(argv[2]) : 16.0;
  if (ticks < 1000) {
    std::fprintf(stderr, "soak: at least 1000 ticks\n");
    return 2;
  }

  // A folder of our own that looks like the game's: Data and DX linked, the map beside them.
  const std::string folder = TempFolder("zanoru-soak");
  fs::create_directory_symlink(fs::path(ZANORU_GAME_DIR) / "Data", fs::path(folder) / "Data");
  fs::create_directory_symlink(fs::path(ZANORU_GAME_DIR) / "DX", fs::path(folder) / "DX");
  fs::current_path(folder);
  std::string mapSource;
  {
    const std::vector<uint8_t> map = CrowdedMap(mapSource);
    std::ofstream out("crowded.vyx", std::ios::binary);
    out.write(reinterpret_cast<const char*>(map.data()), static_cast<std::streamsize>(map.size()));
  }

  ResetUnits();
  LoadEngine("DX\\OMEGA.dll");
  if (!EngineUsable()) return 2;
  RandSeed = 20240601u;
  LoadMap("crowded.vyx");
  LoadCallback();
  IntroActive = false;
  CurrentScene = scGame;
  SceneParam = 0;
  std::printf("soak: %lld ticks on %s: %zu homes, drawing every %lld ticks\n", static_cast<long long>(ticks),
              mapSource.c_str(), Homes.size(), static_cast<long long>(kDrawEvery));
  if (Homes.size() < kMinHomes) {
    std::fprintf(stderr, "soak: the crowded map has %zu homes, expected at least %zu\n", Homes.size(), kMinHomes);
    return 1;
  }

  const int64_t sampleEvery = ticks / 10;
  double half = 0, end = 0;
  const double start = RssMb();
  std::printf("  tick %9d  rss %7.1f MB  heap %7.1f MB\n", 0, start, HeapMb());
  for (int64_t tick = 1; tick <= ticks; ++tick) {
    TimerCallback();
    if (tick % kDrawEvery == 0) DrawCallback();
    if (tick % sampleEvery == 0 || tick == ticks) {
      end = RssMb();
      if (tick <= ticks / 2) half = end;
      std::printf("  tick %9lld  rss %7.1f MB  heap %7.1f MB  walking %lld  huts releasing %d\n",
                  static_cast<long long>(tick), end, HeapMb(), static_cast<long long>(Walking()), HomesReleasing());
      std::fflush(stdout);
    }
  }
  QuitCallback();

  const double growth = end - half;
  const int64_t walking = Walking();
  const int releasing = HomesReleasing();
  std::printf("soak: rss %.1f MB at the start, %.1f MB half way, %.1f MB at the end: the second half added %.1f MB "
              "(allowed %.1f); %lld walking, %d of %zu huts released walkers\n",
              start, half, end, growth, allowedMb, static_cast<long long>(walking), releasing, Homes.size());
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(folder);

  int status = 0;
  if (growth > allowedMb) {
    std::fprintf(stderr, "soak: the second half added %.1f MB, expected at most %.1f MB\n", growth, allowedMb);
    status = 1;
  }
  if (static_cast<std::size_t>(releasing) != Homes.size()) {
    std::fprintf(stderr, "soak: only %d huts had released walkers, expected all %zu\n", releasing, Homes.size());
    status = 1;
  }
  return status;
}
