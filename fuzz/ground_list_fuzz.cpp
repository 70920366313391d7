// The ground-picture list on any bytes, through the whole world-picture load against the fake engine.
#include <cstddef>
#include <cstdint>

#include "assets/ZAN_materials.h"
#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzSetUp();
  FuzzBindQuietEngine();
  FuzzWriteFile("Data\\T\\K.txt", data, size);
  try {
    LoadMaterialSets();
  } catch (const FuzzRunError&) {
  }
  return 0;
}
