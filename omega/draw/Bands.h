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

// Whether a second band pays, measured rather than assumed: on a machine whose other core is busy the
// worker's band waits for that core, and a frame drawn in two bands takes longer than on one (figures
// in bench/README.md). It keeps the time per unit of work of the way in use, tries the other way for a few frames now
// and then (less often each time the trial loses), and at once when the way in use slows down.
struct BandChoice {
  static constexpr int kTrialFrames = 4;
  static constexpr int kFirstInterval = 64, kLongestInterval = 1024;

  int Bands() const;  // for the next frame
  void Record(int bands, double ns, double work);

  int Using = 2;
  int TrialLeft = 0;
  int SinceTrial = 0;
  int Interval = 8;  // the first trial soon after the start
  double UsedNs = 0, UsedWork = 0;    // the way in use, decaying
  double TrialNs = 0, TrialWork = 0;  // the current trial
  double Settled = 0;                 // ns per work of the way in use when it was last chosen
};

// The engine's part that draws in bands (Engine::Bands): how many threads, and the worker.
class DrawBands {
 public:
  // 1 or 2 from OMEGA_THREADS when it says; otherwise, when the process may run on two or more cores
  // (its CPU affinity, so `taskset -c 0` gives 1), 0: two bands while BandChoice finds they pay.
  explicit DrawBands(int threads = 0);
  ~DrawBands();  // stops the worker
  DrawBands(const DrawBands&) = delete;
  DrawBands& operator=(const DrawBands&) = delete;

  int Threads() const { return Threads_; }
  // 1 draws on the calling thread only, 2 on two whatever the cores, 0 as measured (on one where only
  // one core is allowed).
  void SetThreads(int threads);
  // Calls draw(top, bottom) over rows [0, height) once (one thread) or twice, split where the summed
  // weight of the rows above equals the weight below (weights: one per row, any scale).
  void Draw(int height, const std::vector<uint32_t>& rowWeights, const std::function<void(int, int)>& draw);
  // Stops the worker (it starts again when needed).
  void StopWorker();

 private:
  int Threads_ = 1;
  BandChoice Choice_;
  std::unique_ptr<BandWorker> Worker_;
};

// Where DrawBands::Draw splits rows of these weights.
int BandSplit(const std::vector<uint32_t>& rowWeights);

}  // namespace omega
