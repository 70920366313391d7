#include "omega/Bands.h"

#include <SDL.h>

#include <condition_variable>
#include <mutex>

#include "omega/Engine.h"
#include "omega/System.h"

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

DrawBands::DrawBands(int threads) : Worker_(std::make_unique<BandWorker>()) {
  SetThreads(threads != 0 ? threads : CoresAllowed() >= 2 ? 2 : 1);
}

// The engine is never destroyed at exit (a program may end from inside its callbacks, and on Windows the
// process's other threads are gone by then): the worker is joined only when an engine is replaced.
DrawBands::~DrawBands() { StopWorker(); }

void DrawBands::SetThreads(int threads) {
  Threads_ = threads >= 2 ? 2 : 1;
  if (Threads_ == 1) StopWorker();
}

void DrawBands::StopWorker() { Worker_->Stop(); }

void DrawBands::Draw(int height, const std::vector<uint32_t>& rowWeights, const std::function<void(int, int)>& draw) {
  BandWorker& w = *Worker_;
  if (Threads_ < 2 || height < 2 || !w.Start()) {
    draw(0, height);
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
  std::unique_lock<std::mutex> lock(w.Lock);
  w.Done.wait(lock, [&w] { return w.Finished; });
}

int DrawThreads() { return E().Bands.Threads(); }

void SetDrawThreads(int threads) { E().Bands.SetThreads(threads); }

void StopBandWorker() { E().Bands.StopWorker(); }

void DrawInBands(int height, const std::vector<uint32_t>& rowWeights, const std::function<void(int, int)>& draw) {
  E().Bands.Draw(height, rowWeights, draw);
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
