// Starts a program the way every end-to-end test does: in a folder of its own, standard input from
// /dev/null, standard output and error into <folder>/.stdout and <folder>/.stderr, with this process's
// environment minus the display and the engine's OMEGA_* variables, then `env` on top.
#pragma once
#include <map>
#include <string>
#include <vector>

// The child's pid, or -1 when it could not be started.
int SpawnInFolder(const std::string& folder, const std::vector<std::string>& args,
                  const std::map<std::string, std::string>& env);
