#include "omega/decode/Prefetch.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "omega/draw/Cpu.h"
#include "omega/decode/Decode.h"
#include "omega/decode/PictureFile.h"
#include "omega/system/System.h"

namespace omega {

namespace {

enum class State { Waiting, Decoding, Done, Taken };

using Stamp = FileStamp;

struct Entry {
  std::string Path;
  State Now = State::Waiting;
  Stamp Before;  // taken just before the decode began
  Prefetched Result;
  bool TakenReady = false;  // taken decoded, not claimed undecoded nor dropped as changed
};

std::size_t BytesOf(const Prefetched& p) { return p.Picture.Px.size() * sizeof(Pixel); }

// What decoding a picture file ahead costs while it is decoded: its bytes, read whole, and its pixels,
// from its header; 0 when it would not decode.
std::size_t PeekCost(const std::string& path) {
  PictureFileInfo file;
  if (!PeekPictureFile(path, file)) return 0;
  return static_cast<std::size_t>(file.FileBytes) + static_cast<std::size_t>(file.Header.W * file.Header.H) * sizeof(Pixel);
}

}  // namespace

struct PrefetchPool {
  std::mutex Lock;
  std::condition_variable Ready;
  std::vector<Entry> Entries;
  std::map<std::pair<uint64_t, uint64_t>, size_t> ByFile;
  size_t Next = 0;  // the first entry a thread may still find waiting
  bool Stop = false;
  // Stop, as a decode in progress reads it: a JPEG's decode gives up when it is set.
  std::atomic<bool> Stopping{false};
  bool Started = false;
  size_t Hits = 0;
  bool Retired = false;             // the first frame came: nothing more is decoded ahead
  std::size_t Budget = Prefetcher::kAheadBudgetBytes;
  std::size_t Held = 0;             // bytes of pictures decoded (or being decoded) and not taken
  std::size_t Pace = Prefetcher::kAheadPaceBytes;
  bool Unbounded = false;           // Finish: decode the rest within the budget, whatever is held
  // SDL's own threads: SDL frees what it keeps per thread (its error text) when they end.
  std::vector<SDL_Thread*> Threads;

  ~PrefetchPool() { Halt(); }

  void Halt() {
    {
      const std::lock_guard<std::mutex> hold(Lock);
      Stop = true;
      Stopping = true;
    }
    Ready.notify_all();
    for (SDL_Thread* t : Threads) SDL_WaitThread(t, nullptr);
    Threads.clear();
  }

  void Work() {
    for (;;) {
      size_t index = 0;
      {
        // Ahead of the loads only by a stretch: the game asks for its pictures in another order than
        // the threads decode them, and unpaced they would hold most of the folder at once.
        std::unique_lock<std::mutex> hold(Lock);
        Ready.wait(hold, [this] { return Stop || Unbounded || Held < Pace; });
        while (Next < Entries.size() && Entries[Next].Now != State::Waiting) ++Next;
        if (Stop || Next == Entries.size()) return;
        index = Next++;
        Entries[index].Now = State::Decoding;
      }
      // The entry is this thread's alone until it is marked done; the vector never grows meanwhile.
      Entry& e = Entries[index];
      // What it will cost, from its header and its size: a picture that would not decode, or would not
      // fit in what is left of the budget, is left to the load that asks for it (if any ever does).
      const std::size_t cost = PeekCost(e.Path);
      {
        const std::lock_guard<std::mutex> hold(Lock);
        if (cost == 0 || cost > Budget - std::min(Budget, Held)) {
          e.Now = State::Taken;
          Ready.notify_all();
          continue;
        }
        Held += cost;
      }
      Stamp before;
      Prefetched result;
      const bool stamped = StampOf(e.Path, before);
      DecodeLimits limits;
      limits.Abandon = [](const void* pool) { return static_cast<const PrefetchPool*>(pool)->Stopping.load(); };
      limits.Context = this;
      result.Decoded = stamped && DecodePicture(e.Path, result.Picture, limits);
      if (result.Decoded) {
        result.Opaque = IsOpaque(result.Picture);
      }
      {
        const std::lock_guard<std::mutex> hold(Lock);
        Held -= cost;
        e.Before = before;
        e.Result = std::move(result);
        // A file that vanished before its decode is decoded again by whoever asks for it.
        e.Now = stamped ? State::Done : State::Taken;
        if (e.Now == State::Done) Held += BytesOf(e.Result);
      }
      Ready.notify_all();
    }
  }
};

namespace {

bool IsPictureName(const std::filesystem::path& path) {
  std::string ext = path.extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return ext == ".jpg" || ext == ".jpeg" || ext == ".png" || ext == ".tga" || ext == ".bmp";
}

}  // namespace

Prefetcher::Prefetcher() : Pool_(std::make_unique<PrefetchPool>()) {}

Prefetcher::~Prefetcher() = default;

void Prefetcher::SetOn(bool on) {
  Stop();
  On_ = on;
}

void Prefetcher::Start(const std::string& folder) {
  PrefetchPool& pool = *Pool_;
  if (pool.Started) return;
  pool.Halt();  // threads of an earlier prefetch have all returned; make sure they are joined
  pool.Started = true;
  pool.Stop = false;
  pool.Stopping = false;
  if (folder.empty()) return;  // nothing worth decoding ahead
  namespace fs = std::filesystem;
  std::error_code ec;
  std::vector<std::string> files;
  for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code typeError;
    if (it->is_regular_file(typeError) && IsPictureName(it->path())) files.push_back(it->path().string());
  }
  // The game loads the pictures of the data folder itself before those of its subfolders: decode the
  // shallow ones first, so that they are ready when asked for. Within a depth, by name in any case.
  const auto key = [](const std::string& path) {
    std::string lower = path;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return std::make_pair(std::count(path.begin(), path.end(), '/'), lower);
  };
  std::sort(files.begin(), files.end(), [&key](const std::string& a, const std::string& b) { return key(a) < key(b); });
  for (std::string& file : files) {
    Stamp stamp;
    if (!StampOf(file, stamp) || pool.ByFile.count({stamp.Device, stamp.Node}) != 0) continue;
    pool.ByFile.emplace(std::make_pair(stamp.Device, stamp.Node), pool.Entries.size());
    Entry entry;
    entry.Path = std::move(file);
    pool.Entries.push_back(std::move(entry));
  }
  if (pool.Entries.empty()) return;
  // The loaders' one-time set-up is not safe to race; do it here, before any thread decodes.
  IMG_Init(IMG_INIT_JPG | IMG_INIT_PNG);
  const unsigned cores = static_cast<unsigned>(std::max(1, SDL_GetCPUCount()));
  const size_t threads = std::min<size_t>(cores, pool.Entries.size());
  const auto work = [](void* data) {
    static_cast<PrefetchPool*>(data)->Work();
    return 0;
  };
  for (size_t i = 0; i < threads; ++i)
    if (SDL_Thread* t = SDL_CreateThread(work, "omega-prefetch", &pool); t != nullptr) pool.Threads.push_back(t);
  // Without threads every load simply decodes its file itself.
}

namespace {
void BrightnessLoop(const Pixel* __restrict px, uint8_t* __restrict levels, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    const Pixel p = px[i];
    levels[i] = static_cast<uint8_t>((77 * ((p >> 16) & 0xFF) + 150 * ((p >> 8) & 0xFF) + 29 * (p & 0xFF) + 128) >> 8);
  }
}
}  // namespace

std::vector<uint8_t> Brightness(const Image& picture) {
  std::vector<uint8_t> levels(picture.Px.size());
  RunWide<BrightnessLoop>(picture.Px.data(), levels.data(), levels.size());
  return levels;
}

bool IsOpaque(const Image& picture) {
  Pixel all = 0xFFFFFFFFu;
  for (const Pixel p : picture.Px) all &= p;
  return (all >> 24) == 0xFF;
}

bool Prefetcher::Take(const std::string& nativePath, Prefetched& out) {
  PrefetchPool& pool = *Pool_;
  if (!pool.Started) return false;
  Stamp now;
  if (!StampOf(nativePath, now)) return false;
  std::unique_lock<std::mutex> hold(pool.Lock);
  const auto found = pool.ByFile.find({now.Device, now.Node});
  if (found == pool.ByFile.end()) return false;
  Entry& e = pool.Entries[found->second];
  if (e.Now == State::Waiting || e.Now == State::Taken) {
    // Not begun: the caller decodes it now rather than wait behind the threads' queue.
    e.Now = State::Taken;
    return false;
  }
  pool.Ready.wait(hold, [&e] { return e.Now != State::Decoding; });
  if (e.Now != State::Done) return false;
  e.Now = State::Taken;
  pool.Held -= BytesOf(e.Result);
  pool.Ready.notify_all();  // a thread may be waiting for the held bytes to fall
  Prefetched result = std::move(e.Result);
  e.Result = Prefetched{};
  if (!(e.Before == now)) return false;
  e.TakenReady = true;
  ++pool.Hits;
  out = std::move(result);
  return true;
}

void Prefetcher::Return(const std::string& nativePath, Prefetched&& taken) {
  PrefetchPool& pool = *Pool_;
  Stamp now;
  if (!pool.Started || !StampOf(nativePath, now)) return;
  const std::lock_guard<std::mutex> hold(pool.Lock);
  const auto found = pool.ByFile.find({now.Device, now.Node});
  if (found == pool.ByFile.end()) return;
  Entry& e = pool.Entries[found->second];
  // Only what was taken ready comes back, once, and only while the file is the one decoded.
  if (e.Now != State::Taken || !e.TakenReady || !(e.Before == now)) return;
  e.Result = std::move(taken);
  pool.Held += BytesOf(e.Result);
  e.TakenReady = false;
  e.Now = State::Done;
}

void Prefetcher::DropUnused() {
  PrefetchPool& pool = *Pool_;
  if (!pool.Started || pool.Retired) return;
  pool.Halt();
  const std::lock_guard<std::mutex> hold(pool.Lock);
  pool.Retired = true;
  for (Entry& e : pool.Entries)
    if (e.Now != State::Taken) {
      e.Result = Prefetched{};
      e.Now = State::Taken;
    }
  pool.Held = 0;
  // The decoding threads' allocator arenas keep what the start-up freed; hand it back to the system
  // once, so the game does not carry the start-up's peak for the rest of the run.
  ReleaseFreedMemory();
}

void Prefetcher::Finish() {
  PrefetchPool& pool = *Pool_;
  {
    const std::lock_guard<std::mutex> hold(pool.Lock);
    pool.Unbounded = true;
  }
  pool.Ready.notify_all();
  // The threads return once nothing is left waiting.
  for (SDL_Thread* t : pool.Threads) SDL_WaitThread(t, nullptr);
  pool.Threads.clear();
}

void Prefetcher::Stop() {
  PrefetchPool& pool = *Pool_;
  pool.Halt();
  const std::lock_guard<std::mutex> hold(pool.Lock);
  pool.Entries.clear();
  pool.ByFile.clear();
  pool.Next = 0;
  pool.Hits = 0;
  pool.Retired = false;
  pool.Held = 0;
  pool.Unbounded = false;
  pool.Stop = false;
  pool.Stopping = false;
  pool.Started = false;
}

void Prefetcher::SetBudget(std::size_t bytes) {
  const std::lock_guard<std::mutex> hold(Pool_->Lock);
  Pool_->Budget = bytes;
}

void Prefetcher::SetPace(std::size_t bytes) {
  {
    const std::lock_guard<std::mutex> hold(Pool_->Lock);
    Pool_->Pace = bytes;
  }
  Pool_->Ready.notify_all();
}

std::size_t Prefetcher::HeldBytes() const {
  const std::lock_guard<std::mutex> hold(Pool_->Lock);
  return Pool_->Held;
}

size_t Prefetcher::Files() const {
  const std::lock_guard<std::mutex> hold(Pool_->Lock);
  return Pool_->Entries.size();
}

size_t Prefetcher::Hits() const {
  const std::lock_guard<std::mutex> hold(Pool_->Lock);
  return Pool_->Hits;
}

}  // namespace omega
