// The map loader on any bytes: every input either loads or ends in a run-time error report.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "world/Game_A.h"
#include "world/ZAN_map.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzSetUp();
  FuzzBindQuietEngine();  // aimed guns ask for the pointer
  FuzzWriteFile("Data\\1.vyx", data, size);
  try {
    LoadMap("Data\\1.vyx");
    // A loaded world must also survive being played: a few hundred ticks walk every path.
    for (int tick = 0; tick < 300; ++tick) UpdateGame();
  } catch (const FuzzRunError&) {
  }
  return 0;
}
