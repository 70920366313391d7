#include "base/RegularFile.h"

std::string NativePath(const std::string& gamePath) {
  std::string path = gamePath;
  for (char& c : path)
    if (c == '\\') c = '/';
  return path;
}
