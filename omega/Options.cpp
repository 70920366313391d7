#include "omega/Options.h"

#include <cstdlib>
#include <string_view>

namespace omega {

Options OptionsFrom(const char* (*lookup)(const char* name)) {
  const auto text = [lookup](const char* name) {
    const char* value = lookup(name);
    return std::string_view(value != nullptr ? value : "");
  };
  Options o;
  o.Script = text("OMEGA_SCRIPT");
  o.TracePath = text("OMEGA_TRACE");
  o.Prefetch = text("OMEGA_PREFETCH") != "0";
  const std::string_view threads = text("OMEGA_THREADS");
  o.DrawThreads = threads == "1" ? 1 : threads == "2" ? 2 : 0;
  o.VideoDriverAsked = !text("SDL_VIDEODRIVER").empty();
  return o;
}

Options ReadOptions() {
  return OptionsFrom([](const char* name) -> const char* { return std::getenv(name); });
}

}  // namespace omega
