// The script of a headless run: one command per line, `#` starts a comment, ticks never decrease.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace omega {

enum class ScriptOp { Move, Click, Key, Down, Up, Shot, Quit };

struct ScriptCommand {
  int64_t Tick = 0;
  ScriptOp Op = ScriptOp::Quit;
  int32_t A = 0, B = 0;  // move: x, y; key/down/up: the virtual-key code
  std::string File;      // shot
};

struct ScriptParse {
  std::vector<ScriptCommand> Commands;  // in file order (ticks non-decreasing)
  int ErrorLine = 0;                    // 0 when the whole text is valid
  std::string Error;
};

ScriptParse ParseScript(const std::string& text);

}  // namespace omega
