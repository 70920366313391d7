#include "omega/Bands.h"

#include <algorithm>
#include <chrono>
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
  return CoresAllowed() >= 2 ? 0 : 1;
}

int gThreads = DefaultThreads();
BandChoice gChoice;

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

// What a frame costs to draw, in the weights' own unit (rows when there are none).
double Work(int height, const std::vector<uint32_t>& rowWeights) {
  if (static_cast<int>(rowWeights.size()) != height) return height;
  double total = 0;
  for (const uint32_t w : rowWeights) total += w;
  return total;
}

double NsSince(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
}

// The worker lives as long as the process and is never joined at exit: a program may end from inside
// its callbacks (a run-time error while saving), and on Windows the process's other threads are gone
// by the time a library's statics are destroyed, so a join there would wait for ever.
Worker& TheWorker() {
  static Worker& worker = *new Worker;
  return worker;
}

}  // namespace

int BandChoice::Bands() const { return TrialLeft > 0 ? 3 - Using : Using; }

void BandChoice::Record(int bands, double ns, double work) {
  if (!(work > 0) || !(ns >= 0)) return;
  if (TrialLeft > 0 && bands != Using) {
    TrialNs += ns;
    TrialWork += work;
    if (--TrialLeft > 0) return;
    const double trial = TrialNs / TrialWork;
    // A tenth better at least, so that two ways that cost the same do not take turns on noise.
    if (UsedWork == 0 || trial < 0.9 * (UsedNs / UsedWork)) {
      Using = bands;
      UsedNs = TrialNs;
      UsedWork = TrialWork;
      Interval = kFirstInterval;
    } else {
      Interval = std::min(2 * Interval, kLongestInterval);
    }
    TrialNs = TrialWork = 0;
    Settled = UsedNs / UsedWork;
    SinceTrial = 0;
    return;
  }
  if (bands != Using) return;  // a frame forced the other way (SetDrawThreads) says nothing here
  // A short memory: a core taken by another program shows within a few frames.
  UsedNs = UsedNs * 0.75 + ns;
  UsedWork = UsedWork * 0.75 + work;
  const double now = UsedNs / UsedWork;
  if (Settled == 0) Settled = now;
  const bool slower = now > 1.25 * Settled;
  if (++SinceTrial >= Interval || slower) {
    if (slower) Interval = kFirstInterval;
    TrialLeft = kTrialFrames;
    SinceTrial = 0;
  }
}

void BandChoice::Reset() { *this = BandChoice{}; }

int DrawThreads() { return gThreads; }

void SetDrawThreads(int threads) {
  gThreads = threads >= 2 ? 2 : threads == 1 || CoresAllowed() < 2 ? 1 : 0;
  gChoice.Reset();
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
  const bool choosing = gThreads == 0 && height >= 2;
  const auto start = std::chrono::steady_clock::now();
  if ((choosing ? gChoice.Bands() : gThreads) < 2 || height < 2) {
    draw(0, height);
    if (choosing) gChoice.Record(1, NsSince(start), Work(height, rowWeights));
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
  {
    std::unique_lock<std::mutex> lock(w.Lock);
    w.Done.wait(lock, [&w] { return w.Finished; });
  }
  if (choosing) gChoice.Record(2, NsSince(start), Work(height, rowWeights));
}

}  // namespace omega
