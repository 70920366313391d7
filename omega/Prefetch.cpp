#include "omega/Prefetch.h"

#include <malloc.h>

#include <SDL.h>
#include <SDL_image.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <condition_variable>
#include <filesystem>
#include <map>
#include <mutex>
#include <utility>
#include <vector>

#include "omega/Decode.h"

namespace omega {

namespace {

enum class State { Waiting, Decoding, Done, Taken };

// What identifies a file's contents without reading them: a rewrite changes the size or the times,
// a replacement changes the inode.
struct Stamp {
  dev_t Dev = 0;
  ino_t Ino = 0;
  off_t Size = 0;
  int64_t MTime = 0, CTime = 0;
  bool operator==(const Stamp&) const = default;
};

bool StampOf(const std::string& path, Stamp& out) {
  struct stat st {};
  if (stat(path.c_str(), &st) != 0) return false;
  out = Stamp{st.st_dev, st.st_ino, st.st_size, int64_t{st.st_mtim.tv_sec} * 1000000000 + st.st_mtim.tv_nsec,
              int64_t{st.st_ctim.tv_sec} * 1000000000 + st.st_ctim.tv_nsec};
  return true;
}

struct Entry {
  std::string Path;
  State Now = State::Waiting;
  Stamp Before;  // taken just before the decode began
  Prefetched Result;
  bool TakenReady = false;  // taken decoded, not claimed undecoded nor dropped as changed
  bool Returned = false;    // handed back after a first use
};

}  // namespace

// Pictures decoded ahead and not yet taken hold at most this many bytes; beyond it the threads wait
// for loads to take some. The game asks for its pictures in another order than the threads decode
// them, and without a bound nearly every picture of the data folder would be held at once.
constexpr size_t kHeldLimitBytes = size_t{16} << 20;

size_t BytesOf(const Prefetched& p) { return p.Picture.Px.size() * sizeof(Pixel); }

struct PrefetchPool {
  std::mutex Lock;
  std::condition_variable Ready;
  std::vector<Entry> Entries;
  std::map<std::pair<dev_t, ino_t>, size_t> ByFile;
  size_t Next = 0;  // the first entry a thread may still find waiting
  bool Stop = false;
  bool Started = false;
  size_t Hits = 0;
  bool AnyReturned = false;
  size_t Held = 0;         // bytes of the pictures decoded and not taken
  bool Unbounded = false;  // Finish: decode the rest whatever is held
  // SDL's own threads: SDL frees what it keeps per thread (its error text) when they end.
  std::vector<SDL_Thread*> Threads;

  ~PrefetchPool() { Halt(); }

  void Halt() {
    {
      const std::lock_guard<std::mutex> hold(Lock);
      Stop = true;
    }
    Ready.notify_all();
    for (SDL_Thread* t : Threads) SDL_WaitThread(t, nullptr);
    Threads.clear();
  }

  void Work() {
    for (;;) {
      size_t index = 0;
      {
        std::unique_lock<std::mutex> hold(Lock);
        Ready.wait(hold, [this] { return Stop || Unbounded || Held < kHeldLimitBytes; });
        while (Next < Entries.size() && Entries[Next].Now != State::Waiting) ++Next;
        if (Stop || Next == Entries.size()) return;
        index = Next++;
        Entries[index].Now = State::Decoding;
      }
      // The entry is this thread's alone until it is marked done; the vector never grows meanwhile.
      Entry& e = Entries[index];
      Stamp before;
      Prefetched result;
      const bool stamped = StampOf(e.Path, before);
      result.Decoded = stamped && DecodePicture(e.Path, result.Picture);
      if (result.Decoded) {
        result.Opaque = IsOpaque(result.Picture);
      }
      {
        const std::lock_guard<std::mutex> hold(Lock);
        e.Before = before;
        e.Result = std::move(result);
        if (stamped) Held += BytesOf(e.Result);
        // A file that vanished before its decode is decoded again by whoever asks for it.
        e.Now = stamped ? State::Done : State::Taken;
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

Prefetcher::Prefetcher() : Pool_(std::make_unique<PrefetchPool>()) {
  const char* off = std::getenv("OMEGA_PREFETCH");
  On_ = off == nullptr || std::string(off) != "0";
}

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
    if (!StampOf(file, stamp) || pool.ByFile.count({stamp.Dev, stamp.Ino}) != 0) continue;
    pool.ByFile.emplace(std::make_pair(stamp.Dev, stamp.Ino), pool.Entries.size());
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
void BrightnessOf(const Pixel* __restrict px, uint8_t* __restrict levels, size_t n) {
  for (size_t i = 0; i < n; ++i) {
    const Pixel p = px[i];
    levels[i] = static_cast<uint8_t>((77 * ((p >> 16) & 0xFF) + 150 * ((p >> 8) & 0xFF) + 29 * (p & 0xFF) + 128) >> 8);
  }
}
}  // namespace

std::vector<uint8_t> Brightness(const Image& picture) {
  std::vector<uint8_t> levels(picture.Px.size());
  BrightnessOf(picture.Px.data(), levels.data(), levels.size());
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
  const auto found = pool.ByFile.find({now.Dev, now.Ino});
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
  Prefetched result = std::move(e.Result);
  e.Result = Prefetched{};
  pool.Ready.notify_all();  // room for the threads to decode on
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
  const auto found = pool.ByFile.find({now.Dev, now.Ino});
  if (found == pool.ByFile.end()) return;
  Entry& e = pool.Entries[found->second];
  // Only what was taken ready comes back, once, and only while the file is the one decoded.
  if (e.Now != State::Taken || !e.TakenReady || !(e.Before == now)) return;
  e.Result = std::move(taken);
  pool.Held += BytesOf(e.Result);
  e.TakenReady = false;
  e.Returned = true;
  pool.AnyReturned = true;
  e.Now = State::Done;
}

void Prefetcher::DropReturned() {
  PrefetchPool& pool = *Pool_;
  const std::lock_guard<std::mutex> hold(pool.Lock);
  if (!pool.AnyReturned) return;
  pool.AnyReturned = false;
  for (Entry& e : pool.Entries)
    if (e.Returned && e.Now == State::Done) {
      pool.Held -= BytesOf(e.Result);
      e.Result = Prefetched{};
      e.Now = State::Taken;
    }
  // The decoding threads' allocator arenas keep what the start-up freed; hand it back to the system
  // once, so the game does not carry the start-up's peak for the rest of the run.
  malloc_trim(0);
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
  pool.AnyReturned = false;
  pool.Held = 0;
  pool.Unbounded = false;
  pool.Stop = false;
  pool.Started = false;
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
