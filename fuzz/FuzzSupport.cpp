#include "fuzz/FuzzSupport.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include <cstring>

#include "engine/OMEGA.h"
#include "platform/Runtime.h"

namespace {

void ThrowRunError(int code, uintptr_t) { throw FuzzRunError{code}; }

OEHandle gLoads = 0;
OEHandle QuietLoad(const char* file, int32_t, int32_t) { return file != nullptr ? ++gLoads : 0; }
OEHandle QuietMask(const char* file) { return file != nullptr ? 1 : 0; }
void QuietFrames(OEHandle, int32_t, int32_t) {}
int32_t QuietMouseX() { return 300; }
int32_t QuietMouseY() { return 200; }

void* QuietLookup(const char* name) {
  struct Entry {
    const char* Name;
    void* Address;
  };
  static const Entry table[] = {
      {"Tex_LoadFromFile", reinterpret_cast<void*>(&QuietLoad)},
      {"Tex_LoadMaskFromFile", reinterpret_cast<void*>(&QuietMask)},
      {"Tex_SetFramesSize", reinterpret_cast<void*>(&QuietFrames)},
      {"Mouse_X", reinterpret_cast<void*>(&QuietMouseX)},
      {"Mouse_Y", reinterpret_cast<void*>(&QuietMouseY)},
  };
  for (const Entry& e : table)
    if (std::strcmp(e.Name, name) == 0) return e.Address;
  return nullptr;  // anything else the readers call shows up as a crash at once
}

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

void FuzzBindQuietEngine() {
  gLoads = 0;
  BindEngine(QuietLookup);
}
