#include "tests/omega/support/Spawn.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "tests/omega/support/Pictures.h"
#include "tests/support/Spawn.h"

namespace omega_test {

Child Start(const std::string& folder, const std::vector<std::string>& args,
            const std::map<std::string, std::string>& env) {
  return Child{SpawnInFolder(folder, args, env), folder};
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
