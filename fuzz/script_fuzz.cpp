// The headless-run script parser on any text: it accepts it or names a line, and what it accepts keeps
// its ticks in order.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "omega/trace/Script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const omega::ScriptParse parse = omega::ParseScript(text);
  if (parse.ErrorLine < 0) std::abort();
  if (parse.ErrorLine == 0) {
    int64_t last = 0;
    for (const omega::ScriptCommand& c : parse.Commands) {
      if (c.Tick < last) std::abort();
      last = c.Tick;
    }
  }
  return 0;
}
