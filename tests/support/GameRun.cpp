#include "tests/support/GameRun.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "tests/support/Spawn.h"

namespace fs = std::filesystem;

std::string GameFolder() { return ZANORU_GAME_DIR; }

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

namespace {

void WriteFile(const fs::path& path, const std::string& data) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary);
  out << data;
}

}  // namespace

GameRun RunGame(const GameRunOptions& options) {
  GameRun run;
  std::string templ = (fs::temp_directory_path() / "zanoru-run-XXXXXX").string();
  run.Folder = mkdtemp(templ.data());
  const fs::path dir = run.Folder;
  if (options.LinkData) fs::create_directory_symlink(fs::path(GameFolder()) / "Data", dir / "Data");
  if (options.LinkEngine) fs::create_directory_symlink(fs::path(GameFolder()) / "DX", dir / "DX");
  for (const auto& [name, data] : options.Files) WriteFile(dir / name, data);
  WriteFile(dir / ".script", options.Script);

  std::map<std::string, std::string> env = options.Env;
  env["OMEGA_SCRIPT"] = (dir / ".script").string();
  env["OMEGA_TRACE"] = (dir / ".trace").string();
  const std::string exe = options.Executable.empty() ? (fs::path(GameFolder()) / "zanoru").string() : options.Executable;
  const pid_t pid = SpawnInFolder(run.Folder, {exe}, env);
  if (pid > 0) {
    int status = 0;
    waitpid(pid, &status, 0);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  const std::string out = (dir / ".stdout").string();
  const std::string err = (dir / ".stderr").string();
  run.Stdout = ReadFile(out);
  run.Stderr = ReadFile(err);
  run.Trace = trace_reader::ReadTrace((dir / ".trace").string());
  return run;
}

std::vector<trace_reader::Call> TraceOf(const GameRun& run, const std::string& operation) {
  std::vector<trace_reader::Call> out;
  for (const auto& call : run.Trace)
    if (call.Name == operation) out.push_back(call);
  return out;
}
