// Drawing a frame in two horizontal bands at once: the calling thread draws the top band while one
// worker draws the bottom one. Used when the process may run on two or more cores; each band clips
// every call to its rows, so the pixels are those of one thread.
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace omega {

struct BandWorker;

// The engine's part that draws in bands (Engine::Bands): how many threads, and the worker.
class DrawBands {
 public:
  // 1 or 2: from OMEGA_THREADS when it says, otherwise 2 when the process may run on two or more cores
  // (its CPU affinity, so `taskset -c 0` gives 1).
  explicit DrawBands(int threads = 0);
  ~DrawBands();  // stops the worker
  DrawBands(const DrawBands&) = delete;
  DrawBands& operator=(const DrawBands&) = delete;

  int Threads() const { return Threads_; }
  void SetThreads(int threads);
  void Draw(int height, const std::vector<uint32_t>& rowWeights, const std::function<void(int, int)>& draw);
  void StopWorker();

 private:
  int Threads_ = 1;
  std::unique_ptr<BandWorker> Worker_;
};

// The engine's bands (E().Bands): SetDrawThreads(1) draws on the calling thread only, 2 on two whatever
// the cores.
int DrawThreads();
void SetDrawThreads(int threads);

// Calls draw(top, bottom) over rows [0, height) once (one thread) or twice, split where the summed
// weight of the rows above equals the weight below (weights: one per row, any scale).
void DrawInBands(int height, const std::vector<uint32_t>& rowWeights, const std::function<void(int, int)>& draw);

// Where DrawInBands splits rows of these weights.
int BandSplit(const std::vector<uint32_t>& rowWeights);

// Stops the worker (it starts again when needed).
void StopBandWorker();

}  // namespace omega
