// Pictures decoded ahead: when the engine starts loading, the picture files of the game's data folder
// are decoded on a few threads while the game's load callback goes on asking for them one by one,
// within a budget of memory, and whatever nobody asked for by the first frame is dropped.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "omega/draw/Raster.h"

namespace omega {

// A picture decoded ahead, with what the loaders would otherwise work out on the main thread.
struct Prefetched {
  bool Decoded = false;  // what DecodePicture returned
  Image Picture;         // what DecodePicture gave (straight alpha)
  bool Opaque = false;   // every pixel has alpha 255
};

// The brightness 0..255 of every pixel (the usual luma weights; white is exactly 255).
std::vector<uint8_t> Brightness(const Image& picture);
bool IsOpaque(const Image& picture);

struct PrefetchPool;

class Prefetcher {
 public:
  // On (the engine turns it off for OMEGA_PREFETCH=0).
  Prefetcher();
  // Stops the threads.
  ~Prefetcher();

  // Whether loads start and use the decoding ahead. Switching stops a running prefetch.
  bool On() const { return On_; }
  void SetOn(bool on);

  // Starts decoding every picture file (.jpg .jpeg .png .tga .bmp, any case) under `folder` on as many
  // threads as there are cores. Does nothing while a prefetch is already running or has run; a missing
  // folder prefetches nothing.
  void Start(const std::string& folder);

  // The picture of `nativePath` when it was decoded ahead: true, with `out` filled. False when the caller
  // must decode the file itself: it was not prefetched, was already taken, its decode had not started
  // yet, or the file changed (another file at the path, another size, modification or change time)
  // after its decode began.
  bool Take(const std::string& nativePath, Prefetched& out);
  // Hands an unchanged picture back after a use that only read it (a mask), so that a later load of the
  // same file takes it again. Ignored unless it came from the prefetch and the file is still the same.
  void Return(const std::string& nativePath, Prefetched&& taken);

  // Stops decoding ahead and drops every picture decoded ahead and not taken: those handed back (masks
  // whose picture nothing else loads) and those nobody asked for (stray files under the data folder).
  // The engine calls it when a frame begins, as the game's loads are over by then; later loads decode
  // their files themselves.
  void DropUnused();

  // At most this many bytes are held at any time: the files being decoded (read whole) with their
  // pixels as their headers declare them, and the pictures decoded and waiting to be taken. A picture
  // that would pass it is left to the load that asks for it. The game's own pictures take about 60 MB.
  static constexpr std::size_t kAheadBudgetBytes = std::size_t{128} << 20;
  // Past this many bytes held the threads wait for loads to take some before decoding the next file:
  // what keeps the start-up's memory low. The budget above is the hard bound, this only the pace.
  static constexpr std::size_t kAheadPaceBytes = std::size_t{16} << 20;
  void SetBudget(std::size_t bytes);  // tests
  void SetPace(std::size_t bytes);    // tests
  std::size_t HeldBytes() const;      // decoded (or being decoded) and not taken

  // Waits until the threads have decoded every file found (the rest stays ready to be taken).
  void Finish();

  // Stops the threads (a decode in progress finishes) and drops every picture not taken; the next Start
  // starts afresh.
  void Stop();

  // How many files the running or last prefetch found, and how many of them were taken ready.
  size_t Files() const;
  size_t Hits() const;

 private:
  bool On_ = true;
  std::unique_ptr<PrefetchPool> Pool_;
};

}  // namespace omega
