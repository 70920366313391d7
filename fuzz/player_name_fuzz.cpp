// The player-name file on any bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "fuzz/FuzzSupport.h"
#include "menus/Pregs.h"
#include "shell/MainProc.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzSetUp();
  FuzzWriteFile(PlayerNameFile, data, size);
  try {
    LoadPlayerName();
    // The name is the first line, at most kPlayerNameMax bytes of it: it never holds a line break or
    // the end-of-file mark.
    if (PlayerName.find_first_of(std::string("\r\n\x1A", 3)) != std::string::npos) std::abort();
    if (PlayerName.size() > size || PlayerName.size() > kPlayerNameMax) std::abort();
  } catch (const FuzzRunError&) {
  }
  return 0;
}
