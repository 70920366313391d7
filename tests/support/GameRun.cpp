#include "tests/support/GameRun.h"

#include <filesystem>

#include "tests/support/Spawn.h"

namespace fs = std::filesystem;

std::string GameFolder() { return ZANORU_GAME_DIR; }

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
  const int pid = SpawnInFolder(run.Folder, {exe}, env);
  if (options.While && pid > 0) options.While(pid, run.Folder);
  const Spawned done = Collect(run.Folder, WaitBounded(pid, options.Seconds));
  run.Status = done.Status;
  run.Stdout = done.Stdout;
  run.Stderr = done.Stderr;
  run.Trace = trace_reader::ReadTrace((dir / ".trace").string());
  return run;
}

std::vector<trace_reader::Call> TraceOf(const GameRun& run, const std::string& operation) {
  std::vector<trace_reader::Call> out;
  for (const auto& call : run.Trace)
    if (call.Name == operation) out.push_back(call);
  return out;
}
