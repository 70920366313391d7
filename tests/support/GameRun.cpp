#include "tests/support/GameRun.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/Spawn.h"

namespace fs = std::filesystem;

std::string GameFolder() { return ZANORU_GAME_DIR; }

namespace {

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

}  // namespace

GameRun RunGame(const GameRunOptions& options) {
  GameRun run;
  run.Folder = TempFolder("zanoru-run");
  const fs::path dir = run.Folder;
  if (options.LinkData) fs::create_directory_symlink(fs::path(GameFolder()) / "Data", dir / "Data");
  if (options.LinkEngine) fs::create_directory_symlink(fs::path(GameFolder()) / "DX", dir / "DX");
  for (const auto& [name, data] : options.Files) WriteFile((dir / name).string(), data);
  WriteFile((dir / ".script").string(), options.Script);

  std::map<std::string, std::string> env = options.Env;
  env["OMEGA_SCRIPT"] = (dir / ".script").string();
  env["OMEGA_TRACE"] = (dir / ".trace").string();
  const std::string exe = options.Executable.empty() ? (fs::path(GameFolder()) / "zanoru").string() : options.Executable;
  const Spawned done = RunInFolder(run.Folder, {exe}, env, options.Seconds);
  run.Status = done.Status;
  run.Stdout = done.Stdout;
  run.Stderr = done.Stderr;
  run.Trace = Lines(ReadFile((dir / ".trace").string()));
  return run;
}

std::vector<std::string> TraceOf(const GameRun& run, const std::string& operation) {
  std::vector<std::string> out;
  for (const auto& line : run.Trace) {
    const auto first = line.find(' ');
    if (first == std::string::npos) continue;
    const auto second = line.find(' ', first + 1);
    if (line.compare(first + 1, second == std::string::npos ? std::string::npos : second - first - 1, operation) == 0)
      out.push_back(line);
  }
  return out;
}
