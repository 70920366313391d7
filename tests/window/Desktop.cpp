#include "tests/window/Desktop.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <stb/stb_image.h>

#include "tests/support/Files.h"
#include "tests/support/Spawn.h"

namespace desk {

namespace fs = std::filesystem;

namespace {

uint32_t Big32(const std::string& d, size_t at) {
  return (static_cast<uint32_t>(static_cast<uint8_t>(d[at])) << 24) |
         (static_cast<uint32_t>(static_cast<uint8_t>(d[at + 1])) << 16) |
         (static_cast<uint32_t>(static_cast<uint8_t>(d[at + 2])) << 8) | static_cast<uint8_t>(d[at + 3]);
}

int Shift(uint32_t mask) {
  int s = 0;
  while (mask != 0 && (mask & 1u) == 0) mask >>= 1, ++s;
  return s;
}

}  // namespace

Picture ReadXwd(const std::string& d) {
  Picture p;
  if (d.size() < 100) return p;
  const uint32_t headerSize = Big32(d, 0), version = Big32(d, 4), format = Big32(d, 8);
  const uint32_t width = Big32(d, 16), height = Big32(d, 20), byteOrder = Big32(d, 28);
  const uint32_t bitsPerPixel = Big32(d, 44), bytesPerLine = Big32(d, 48);
  const uint32_t red = Big32(d, 56), green = Big32(d, 60), blue = Big32(d, 64), colours = Big32(d, 76);
  // ZPixmap of 24- or 32-bit TrueColor pixels only: what Xvfb's 24-bit screen gives.
  if (version != 7 || format != 2 || (bitsPerPixel != 32 && bitsPerPixel != 24) || width == 0 || height == 0 ||
      width > 16384 || height > 16384 || headerSize < 100)
    return p;
  const uint64_t start = static_cast<uint64_t>(headerSize) + static_cast<uint64_t>(colours) * 12;
  const uint32_t bytes = bitsPerPixel / 8;
  if (bytesPerLine < width * bytes || start + static_cast<uint64_t>(bytesPerLine) * height > d.size()) return p;
  p.W = static_cast<int>(width);
  p.H = static_cast<int>(height);
  p.Rgb.resize(static_cast<size_t>(width) * height * 3);
  for (uint32_t y = 0; y < height; ++y)
    for (uint32_t x = 0; x < width; ++x) {
      const auto* q = reinterpret_cast<const uint8_t*>(d.data() + start + static_cast<uint64_t>(y) * bytesPerLine + x * bytes);
      uint32_t v = 0;
      for (uint32_t i = 0; i < bytes; ++i)
        v |= static_cast<uint32_t>(q[i]) << (byteOrder == 0 ? 8 * i : 8 * (bytes - 1 - i));
      uint8_t* out = &p.Rgb[(static_cast<size_t>(y) * width + x) * 3];
      out[0] = static_cast<uint8_t>((v & red) >> Shift(red));
      out[1] = static_cast<uint8_t>((v & green) >> Shift(green));
      out[2] = static_cast<uint8_t>((v & blue) >> Shift(blue));
    }
  return p;
}

Picture ReadPng(const std::string& path) {
  Picture p;
  int channels = 0;
  uint8_t* px = stbi_load(path.c_str(), &p.W, &p.H, &channels, 3);
  if (px == nullptr) return Picture{};
  p.Rgb.assign(px, px + static_cast<size_t>(p.W) * p.H * 3);
  stbi_image_free(px);
  return p;
}

void WritePpm(const std::string& path, const Picture& p) {
  std::ofstream out(path, std::ios::binary);
  out << "P6\n" << p.W << " " << p.H << "\n255\n";
  out.write(reinterpret_cast<const char*>(p.Rgb.data()), static_cast<std::streamsize>(p.Rgb.size()));
}

bool Process::Start(const std::string& folder, const std::vector<std::string>& args,
                    const std::map<std::string, std::string>& env) {
  Folder = folder;
  Pid = SpawnInFolder(folder, args, env);
  return Pid > 0;
}

bool Process::Running() {
  if (Pid <= 0) return false;
  const int status = PollChild(Pid);
  if (status < 0) return true;
  Status = status;
  Pid = -1;
  return false;
}

bool Process::Wait(double seconds) {
  if (WaitUntil([&] { return !Running(); }, seconds)) return true;
  Status = WaitBounded(Pid, 0);
  Pid = -1;
  return false;
}

std::string Process::Stdout() const { return ReadFile(Folder + "/.stdout"); }
std::string Process::Stderr() const { return ReadFile(Folder + "/.stderr"); }

Process::~Process() {
  if (Pid > 0) Wait(0);
}

Ran Run(const std::vector<std::string>& args, const std::map<std::string, std::string>& env, double seconds) {
  const std::string folder = TempFolder();
  const Spawned done = RunInFolder(folder, args, env, seconds);
  RemoveFolder(folder);
  return Ran{done.Status, done.Stdout, done.Stderr};
}

bool Desktop::FindWindow(const std::string& name, double seconds) {
  const Ran r = Run({"/usr/bin/xdotool", "search", "--sync", "--onlyvisible", "--name", name}, {{"DISPLAY", Display}}, seconds);
  if (r.Status != 0) return false;
  Window = r.Out.substr(0, r.Out.find('\n'));
  return !Window.empty();
}

bool Desktop::Xdotool(const std::vector<std::string>& args) {
  std::vector<std::string> all = {"/usr/bin/xdotool"};
  all.insert(all.end(), args.begin(), args.end());
  return Run(all, {{"DISPLAY", Display}}).Status == 0;
}

bool Desktop::MoveTo(int x, int y) {
  return Xdotool({"mousemove", "--sync", "--window", Window, std::to_string(x), std::to_string(y)});
}

bool Desktop::Click() { return Xdotool({"click", "1"}); }

bool Desktop::Key(const std::string& key) { return Xdotool({"key", "--window", Window, key}); }

Picture Desktop::Shot(const std::string& folder) {
  const std::string file = folder + "/window.xwd";
  if (Run({"/usr/bin/xwd", "-id", Window, "-silent", "-out", file}, {{"DISPLAY", Display}}).Status != 0) return {};
  return ReadXwd(ReadFile(file));
}

// Bounded by the clock, not by counting polls: a slow poll on a busy machine must not stretch the wait.
bool WaitUntil(const std::function<bool()>& ready, double seconds) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
  while (std::chrono::steady_clock::now() < end) {
    if (ready()) return true;
    usleep(50000);
  }
  return ready();
}

const std::vector<trace_reader::Call>& LiveTrace::Calls() const {
  std::ifstream in(Path, std::ios::binary | std::ios::ate);
  const auto size = in ? static_cast<uint64_t>(in.tellg()) : 0;
  // Another file, or the same one started again: read from its beginning.
  if (Path != ReadPath || size < ReadBytes) {
    ReadPath = Path;
    ReadBytes = 0;
    Read.clear();
  }
  if (!in || size == ReadBytes) return Read;
  in.seekg(static_cast<std::streamoff>(ReadBytes));
  std::string fresh(size - ReadBytes, '\0');
  in.read(fresh.data(), static_cast<std::streamsize>(fresh.size()));
  fresh.resize(static_cast<size_t>(in.gcount()));
  // Up to the last complete line; the rest is still being written and is read next time.
  const size_t end = fresh.rfind('\n');
  if (end == std::string::npos) return Read;
  fresh.resize(end + 1);
  for (auto& call : trace_reader::ParseTrace(fresh)) Read.push_back(std::move(call));
  ReadBytes += fresh.size();
  return Read;
}

int64_t LiveTrace::LastTick() const {
  const auto& calls = Calls();
  return calls.empty() ? -1 : calls.back().Tick;
}

int64_t LiveTrace::FirstTick(const std::string& operation, const std::string& text, int64_t from) const {
  for (const auto& call : Calls())
    if (call.Tick >= from && call.Name == operation && call.Body.find(text) != std::string::npos) return call.Tick;
  return -1;
}

int64_t LiveTrace::FirstBusyTick(const std::string& operation, int count, int64_t from) const {
  int64_t tick = -1;
  int seen = 0;
  for (const auto& call : Calls()) {
    if (call.Tick < from) continue;
    if (call.Tick != tick) tick = call.Tick, seen = 0;
    if (call.Name == operation && ++seen == count) return call.Tick;
  }
  return -1;
}

}  // namespace desk
