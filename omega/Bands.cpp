#include "omega/Bands.h"

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string_view>
#include <thread>

#include "omega/System.h"

namespace omega {

namespace {

int DefaultThreads() {
  const char* asked = std::getenv("OMEGA_THREADS");
  if (asked != nullptr && std::string_view(asked) == "1") return 1;
  if (asked != nullptr && std::string_view(asked) == "2") return 2;
  return CoresAllowed() >= 2 ? 2 : 1;
}

int gThreads = DefaultThreads();

// One worker that draws the bottom band of each frame while the caller draws the top one.
struct Worker {
  std::mutex Lock;
  std::condition_variable Wake, Done;
  std::function<void()> Job;
  bool HasJob = false, Finished = false, Quit = false;
  std::thread Thread;

  void Start() {
    if (Thread.joinable()) return;
    Quit = false;
    Thread = std::thread([this] {
      std::unique_lock<std::mutex> lock(Lock);
      for (;;) {
        Wake.wait(lock, [this] { return HasJob || Quit; });
        if (Quit) return;
        HasJob = false;
        lock.unlock();
        Job();
        lock.lock();
        Finished = true;
        Done.notify_one();
      }
    });
  }

  void Stop() {
    if (!Thread.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(Lock);
      Quit = true;
    }
    Wake.notify_one();
    Thread.join();
  }
};

// The worker lives as long as the process and is never joined at exit: a program may end from inside
// its callbacks (a run-time error while saving), and on Windows the process's other threads are gone
// by the time a library's statics are destroyed, so a join there would wait for ever.
Worker& TheWorker() {
  static Worker& worker = *new Worker;
  return worker;
}

}  // namespace

int DrawThreads() { return gThreads; }

void SetDrawThreads(int threads) {
  gThreads = threads >= 2 ? 2 : 1;
  if (gThreads == 1) StopBandWorker();
}

void StopBandWorker() { TheWorker().Stop(); }

int BandSplit(const std::vector<uint32_t>& rowWeights) {
  uint64_t total = 0;
  for (const uint32_t w : rowWeights) total += w;
  uint64_t above = 0;
  int split = 0;
  while (split < static_cast<int>(rowWeights.size()) && 2 * (above + rowWeights[split]) <= total)
    above += rowWeights[split++];
  return split;
}

void DrawInBands(int height, const std::vector<uint32_t>& rowWeights, const std::function<void(int, int)>& draw) {
  if (gThreads < 2 || height < 2) {
    draw(0, height);
    return;
  }
  int split = static_cast<int>(rowWeights.size()) == height ? BandSplit(rowWeights) : height / 2;
  split = split < 1 ? 1 : split > height - 1 ? height - 1 : split;
  Worker& w = TheWorker();
  w.Start();
  {
    std::lock_guard<std::mutex> lock(w.Lock);
    w.Job = [&draw, split, height] { draw(split, height); };
    w.HasJob = true;
    w.Finished = false;
  }
  w.Wake.notify_one();
  draw(0, split);
  std::unique_lock<std::mutex> lock(w.Lock);
  w.Done.wait(lock, [&w] { return w.Finished; });
}

}  // namespace omega
