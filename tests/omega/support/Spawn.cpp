#include "tests/omega/support/Spawn.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "tests/omega/support/Pictures.h"

extern char** environ;

namespace omega_test {

Child Start(const std::string& folder, const std::vector<std::string>& args,
            const std::map<std::string, std::string>& env) {
  std::vector<std::string> vars;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string var = *e;
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

  const std::string out = folder + "/.stdout", err = folder + "/.stderr";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  pid_t pid = -1;
  if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data()) != 0) pid = -1;
  posix_spawn_file_actions_destroy(&actions);
  return Child{pid, folder};
}

Spawned Finish(const Child& child, double seconds) {
  Spawned result;
  if (child.Pid > 0) {
    int status = 0;
    bool done = false;
    for (double waited = 0; waited < seconds && !done; waited += 0.02) {
      done = waitpid(child.Pid, &status, WNOHANG) == child.Pid;
      if (!done) usleep(20000);
    }
    if (!done) {
      kill(child.Pid, SIGKILL);
      waitpid(child.Pid, &status, 0);
    }
    result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  result.Stdout = ReadText(child.Folder + "/.stdout");
  result.Stderr = ReadText(child.Folder + "/.stderr");
  return result;
}

Spawned Run(const std::string& folder, const std::vector<std::string>& args,
            const std::map<std::string, std::string>& env, double seconds) {
  return Finish(Start(folder, args, env), seconds);
}

}  // namespace omega_test
