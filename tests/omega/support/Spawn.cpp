#include "tests/omega/support/Spawn.h"

#include "tests/support/Spawn.h"

namespace omega_test {

Child Start(const std::string& folder, const std::vector<std::string>& args,
            const std::map<std::string, std::string>& env) {
  return Child{SpawnInFolder(folder, args, env), folder};
}

Spawned Finish(const Child& child, double seconds) { return Collect(child.Folder, WaitBounded(child.Pid, seconds)); }

Spawned Run(const std::string& folder, const std::vector<std::string>& args,
            const std::map<std::string, std::string>& env, double seconds) {
  return Finish(Start(folder, args, env), seconds);
}

}  // namespace omega_test
