#include "tests/support/Spawn.h"

#include <fcntl.h>
#include <spawn.h>
#include <unistd.h>

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
