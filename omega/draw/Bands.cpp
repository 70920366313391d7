#include "omega/draw/Bands.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>

#include "omega/system/System.h"

namespace omega {

// One worker that draws the bottom band of each frame while the caller draws the top one. An SDL thread,
// as the decoding threads are: SDL frees what it keeps per thread when its own threads end.
struct BandWorker {
  std::mutex Lock;
  std::condition_variable Wake, Done;
  std::function<void()> Job;
  bool HasJob = false, Finished = false, Quit = false;
  SDL_Thread* Thread = nullptr;

  void Run() {
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
  }

  // False when no thread could be had: the caller then draws both bands itself.
  bool Start() {
    if (Thread != nullptr) return true;
    Quit = false;
    const auto run = [](void* worker) {
      static_cast<BandWorker*>(worker)->Run();
      return 0;
    };
    Thread = SDL_CreateThread(run, "omega-bands", this);
    return Thread != nullptr;
  }

  void Stop() {
    if (Thread == nullptr) return;
    {
      std::lock_guard<std::mutex> lock(Lock);
      Quit = true;
    }
    Wake.notify_one();
    SDL_WaitThread(Thread, nullptr);
    Thread = nullptr;
  }
};

int BandChoice::Bands() const { return TrialLeft > 0 ? 3 - Using : Using; }

void BandChoice::Record(int bands, double ns, double work) {
  if (!(work > 0) || !(ns >= 0)) return;
  if (TrialLeft > 0 && bands != Using) {
    TrialNs += ns;
    TrialWork += work;
    if (--TrialLeft > 0) return;
    const double trial = TrialNs / TrialWork;
    // Two bands must be a tenth faster to be taken, so that two ways that cost the same do not take
    // turns on noise; one band, which costs the least CPU, is taken back as soon as it is about as fast.
    const double needed = bands == 2 ? 0.9 : 1.02;
    if (UsedWork == 0 || trial < needed * (UsedNs / UsedWork)) {
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
  if (bands != Using) return;  // a frame forced the other way (SetThreads) says nothing here
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

namespace {

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

}  // namespace

DrawBands::DrawBands(int threads) : Worker_(std::make_unique<BandWorker>()) { SetThreads(threads); }

// The engine is never destroyed at exit (a program may end from inside its callbacks, and on Windows the
// process's other threads are gone by then): the worker is joined only when an engine is replaced.
DrawBands::~DrawBands() { StopWorker(); }

void DrawBands::SetThreads(int threads) {
  Threads_ = threads >= 2 ? 2 : threads == 1 || CoresAllowed() < 2 ? 1 : 0;
  Choice_ = BandChoice{};
  if (Threads_ == 1) StopWorker();
}

void DrawBands::StopWorker() { Worker_->Stop(); }

void DrawBands::Draw(int height, const std::vector<uint32_t>& rowWeights, const std::function<void(int, int)>& draw) {
  BandWorker& w = *Worker_;
  const bool choosing = Threads_ == 0 && height >= 2;
  const auto start = std::chrono::steady_clock::now();
  if ((choosing ? Choice_.Bands() : Threads_) < 2 || height < 2 || !w.Start()) {
    draw(0, height);
    if (choosing) Choice_.Record(1, NsSince(start), Work(height, rowWeights));
    return;
  }
  int split = static_cast<int>(rowWeights.size()) == height ? BandSplit(rowWeights) : height / 2;
  split = split < 1 ? 1 : split > height - 1 ? height - 1 : split;
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
  if (choosing) Choice_.Record(2, NsSince(start), Work(height, rowWeights));
}

int BandSplit(const std::vector<uint32_t>& rowWeights) {
  uint64_t total = 0;
  for (const uint32_t w : rowWeights) total += w;
  uint64_t above = 0;
  int split = 0;
  while (split < static_cast<int>(rowWeights.size()) && 2 * (above + rowWeights[split]) <= total)
    above += rowWeights[split++];
  return split;
}

}  // namespace omega
