// Runs a program with extra environment in a folder and collects what it printed.
#pragma once
#include <map>
#include <string>
#include <vector>

#include "tests/support/Spawn.h"

namespace omega_test {

using Spawned = ::Spawned;

struct Child {
  int Pid = -1;
  std::string Folder;
};

// Starts the program in `folder` with OMEGA_* and display variables removed, then `env` added.
Child Start(const std::string& folder, const std::vector<std::string>& args,
            const std::map<std::string, std::string>& env);
// Waits at most `seconds` (then kills it) and collects its output.
Spawned Finish(const Child& child, double seconds);
Spawned Run(const std::string& folder, const std::vector<std::string>& args,
            const std::map<std::string, std::string>& env, double seconds = 60);

}  // namespace omega_test
