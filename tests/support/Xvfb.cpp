#include "tests/support/Xvfb.h"

#include <signal.h>
#include <unistd.h>

#include "tests/support/Files.h"
#include "tests/support/Spawn.h"

bool HaveProgram(const std::string& name) {
  for (const char* dir : {"/usr/bin/", "/bin/", "/usr/local/bin/"})
    if (access((std::string(dir) + name).c_str(), X_OK) == 0) return true;
  return false;
}

namespace {

bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

}  // namespace

bool Xvfb::Start() {
  Folder = TempFolder("zanoru-xvfb");
  // Test programs running side by side start their search at different numbers.
  for (int d = 90 + getpid() % 200; d < 400; ++d) {
    const std::string n = std::to_string(d);
    const std::string socket = "/tmp/.X11-unix/X" + n;
    if (Exists(socket) || Exists("/tmp/.X" + n + "-lock")) continue;
    std::vector<std::string> args = {"/usr/bin/Xvfb", ":" + n, "-screen", "0", "1280x1024x24", "-nolisten", "tcp"};
    args.insert(args.end(), Options.begin(), Options.end());
    const int pid = SpawnInFolder(Folder, args, {});
    if (pid <= 0) return false;
    bool ended = false;  // another server took the number first
    if (WaitUntil([&] { return (ended = PollChild(pid) >= 0) || Exists(socket); }, 20) && !ended) {
      Display = d;
      Pid = pid;
      return true;
    }
    if (!ended) WaitBounded(pid, 0);
  }
  return false;
}

Xvfb::~Xvfb() {
  if (Pid > 0) {
    kill(Pid, SIGTERM);
    WaitBounded(Pid, 10);
  }
  if (!Folder.empty()) RemoveFolder(Folder);
}
