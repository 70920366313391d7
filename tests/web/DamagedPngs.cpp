// Writes the shared table of damaged PNGs into a folder for the browser tests: <n>.png, and one line a
// case on standard output, "<n>.png <1 if it loads, else 0> <what>".
#include <fstream>
#include <iostream>

#include "tests/support/CraftedPictures.h"

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  int n = 0;
  for (const DamagedPicture& d : DamagedPngs()) {
    const std::string name = std::to_string(n++) + ".png";
    std::ofstream(std::string(argv[1]) + "/" + name, std::ios::binary) << d.Bytes;
    std::cout << name << ' ' << d.Loads << ' ' << d.What << '\n';
  }
  return std::cout ? 0 : 1;
}
