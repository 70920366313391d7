#include "tests/support/Spawn.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "tests/support/Files.h"

int SpawnInFolder(const std::string& folder, const std::vector<std::string>& args,
                  const std::map<std::string, std::string>& env) {
  if (args.empty()) return -1;
  std::vector<std::string> vars;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string var = *e;
    // A test decides for itself whether the program sees a display or runs a script.
    if (var.rfind("DISPLAY=", 0) == 0 || var.rfind("WAYLAND_DISPLAY=", 0) == 0 || var.rfind("OMEGA_", 0) == 0)
      continue;
    vars.push_back(var);
  }
  for (const auto& [k, v] : env) vars.push_back(k + "=" + v);
  std::vector<char*> envp;
  for (auto& v : vars) envp.push_back(v.data());
  envp.push_back(nullptr);
  std::vector<std::string> argsCopy = args;
  std::vector<char*> argv;
  for (auto& a : argsCopy) argv.push_back(a.data());
  argv.push_back(nullptr);

  const std::string out = folder + "/.stdout";
  const std::string err = folder + "/.stderr";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

namespace {

int StatusOf(int status) { return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status); }

double Now() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

}  // namespace

int PollChild(int pid) {
  if (pid <= 0) return -1;
  int status = 0;
  return waitpid(pid, &status, WNOHANG) == pid ? StatusOf(status) : -1;
}

int WaitBounded(int pid, double seconds) {
  if (pid <= 0) return -1;
  const double end = Now() + seconds;
  for (;;) {
    const int status = PollChild(pid);
    if (status >= 0) return status;
    if (Now() >= end) break;
    usleep(10000);
  }
  kill(pid, SIGKILL);
  int status = 0;
  waitpid(pid, &status, 0);
  return StatusOf(status);
}

Spawned Collect(const std::string& folder, int status) {
  Spawned result;
  result.Status = status;
  result.Stdout = ReadFile(folder + "/.stdout");
  result.Stderr = ReadFile(folder + "/.stderr");
  return result;
}

Spawned RunInFolder(const std::string& folder, const std::vector<std::string>& args,
                    const std::map<std::string, std::string>& env, double seconds) {
  return Collect(folder, WaitBounded(SpawnInFolder(folder, args, env), seconds));
}

bool WaitUntil(const std::function<bool()>& ready, double seconds) {
  const double end = Now() + seconds;
  for (;;) {
    if (ready()) return true;
    if (Now() >= end) return false;
    usleep(50000);
  }
}
