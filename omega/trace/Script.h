// The script of a headless run: one command per line, `#` starts a comment, ticks never decrease.
#pragma once
#include <cstddef>
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

// The longest script read. A command is a line of some 15 bytes: 16 MiB hold a million of them, a
// run of hours; the tours the tests and `make play` use are a few kilobytes.
constexpr std::size_t kMaxScriptBytes = std::size_t{16} << 20;

// Reads a script file: false, with `error` saying why, when it is no regular file (a folder, a pipe or
// a device such as /dev/zero: nothing waits on it, nothing endless is read), cannot be read, or is
// longer than kMaxScriptBytes.
bool ReadScriptFile(const std::string& path, std::string& text, std::string& error);

}  // namespace omega
