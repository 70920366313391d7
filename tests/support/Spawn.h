// Starts a program the way every end-to-end test does: in a folder of its own, standard input from
// /dev/null, standard output and error into <folder>/.stdout and <folder>/.stderr, with this process's
// environment minus the display and the engine's OMEGA_* variables, then `env` on top.
#pragma once
#include <functional>
#include <map>
#include <string>
#include <vector>

// The child's pid, or -1 when it could not be started.
int SpawnInFolder(const std::string& folder, const std::vector<std::string>& args,
                  const std::map<std::string, std::string>& env);

// Waits for the child at most `seconds`, then kills it: its exit status, or 128 + the signal that ended
// it (128 + SIGKILL when it ran out of time). -1 for no child.
int WaitBounded(int pid, double seconds);
// The child's status when it has ended (reaped), or -1 while it runs.
int PollChild(int pid);

// Runs a program to its end in a folder (at most `seconds`) and collects what it printed.
struct Spawned {
  int Status = -1;
  std::string Stdout, Stderr;
};
Spawned RunInFolder(const std::string& folder, const std::vector<std::string>& args,
                    const std::map<std::string, std::string>& env, double seconds);
// What the child started in `folder` printed.
Spawned Collect(const std::string& folder, int status);

// Polls until `ready` holds, at most `seconds` of the monotonic clock however slowly `ready` runs; whether
// it held.
bool WaitUntil(const std::function<bool()>& ready, double seconds);
