// A private X server for the tests that open real windows, and the check for the programs they need.
#pragma once
#include <string>
#include <vector>

// The program is installed in /usr/bin, /bin or /usr/local/bin.
bool HaveProgram(const std::string& name);

// An Xvfb of its own (1280×1024, 24 bits) on the first free display from a number of this process's
// choosing up; stopped when it goes.
struct Xvfb {
  std::vector<std::string> Options;  // more of Xvfb's own ("-terminate"), given before Start
  int Display = -1;
  int Pid = -1;
  std::string Folder;  // its working folder, with its output
  bool Start();
  std::string Name() const {
    std::string name = ":";
    name += std::to_string(Display);
    return name;
  }
  Xvfb() = default;
  Xvfb(const Xvfb&) = delete;
  Xvfb& operator=(const Xvfb&) = delete;
  ~Xvfb();
};
