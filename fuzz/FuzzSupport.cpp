#include "fuzz/FuzzSupport.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/Runtime.h"

namespace {

void ThrowRunError(int code, uintptr_t) { throw FuzzRunError{code}; }

}  // namespace

void FuzzSetUp() {
  static bool ready = false;
  if (ready) return;
  ready = true;
  std::string folder = (std::filesystem::temp_directory_path() / "zanoru-fuzz-XXXXXX").string();
  if (mkdtemp(folder.data()) == nullptr || chdir(folder.c_str()) != 0) std::abort();
  std::filesystem::create_directories("Data/T");
  RunErrorHandler = ThrowRunError;
}

void FuzzWriteFile(const std::string& gamePath, const uint8_t* data, std::size_t size) {
  std::ofstream out(NativePath(gamePath), std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
}
