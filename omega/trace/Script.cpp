#include "omega/trace/Script.h"

#include <charconv>
#include <sstream>

#include "omega/decode/PictureFile.h"

namespace omega {

namespace {

bool ParseInt(const std::string& word, int64_t low, int64_t high, int64_t& out) {
  const char* end = word.data() + word.size();
  const auto [ptr, ec] = std::from_chars(word.data(), end, out);
  return ec == std::errc() && ptr == end && out >= low && out <= high;
}

// Parses one line without its comment; returns an error text or "" (and `has` false for a blank line).
std::string ParseLine(const std::string& line, ScriptCommand& cmd, bool& has) {
  std::istringstream in(line);
  std::vector<std::string> words;
  for (std::string w; in >> w;) words.push_back(w);
  has = !words.empty();
  if (!has) return "";
  if (words.size() < 2) return "expected '<tick> <command> ...'";
  if (!ParseInt(words[0], 1, INT32_MAX, cmd.Tick)) return "bad tick '" + words[0] + "' (a whole number from 1)";
  const std::string& name = words[1];
  const size_t args = words.size() - 2;
  auto wantArgs = [&](size_t n) { return args == n ? "" : name + " takes " + std::to_string(n) + " argument(s)"; };
  int64_t a = 0, b = 0;
  if (name == "move") {
    if (auto e = wantArgs(2); !e.empty()) return e;
    if (!ParseInt(words[2], INT32_MIN, INT32_MAX, a) || !ParseInt(words[3], INT32_MIN, INT32_MAX, b))
      return "move needs two integers";
    cmd.Op = ScriptOp::Move;
  } else if (name == "click" || name == "quit") {
    if (auto e = wantArgs(0); !e.empty()) return e;
    cmd.Op = name == "click" ? ScriptOp::Click : ScriptOp::Quit;
  } else if (name == "key" || name == "down" || name == "up") {
    if (auto e = wantArgs(1); !e.empty()) return e;
    if (!ParseInt(words[2], 1, 255, a)) return name + " needs a virtual-key code 1..255";
    cmd.Op = name == "key" ? ScriptOp::Key : name == "down" ? ScriptOp::Down : ScriptOp::Up;
  } else if (name == "shot") {
    if (auto e = wantArgs(1); !e.empty()) return e;
    cmd.Op = ScriptOp::Shot;
    cmd.File = words[2];
  } else {
    return "unknown command '" + name + "'";
  }
  cmd.A = static_cast<int32_t>(a);
  cmd.B = static_cast<int32_t>(b);
  return "";
}

}  // namespace

ScriptParse ParseScript(const std::string& text) {
  ScriptParse result;
  std::istringstream in(text);
  int number = 0;
  for (std::string line; std::getline(in, line);) {
    ++number;
    if (const size_t hash = line.find('#'); hash != std::string::npos) line.erase(hash);
    ScriptCommand cmd;
    bool has = false;
    std::string error = ParseLine(line, cmd, has);
    if (error.empty() && has && !result.Commands.empty() && cmd.Tick < result.Commands.back().Tick)
      error = "tick " + std::to_string(cmd.Tick) + " comes after tick " + std::to_string(result.Commands.back().Tick);
    if (!error.empty()) {
      result.Commands.clear();
      result.ErrorLine = number;
      result.Error = error;
      return result;
    }
    if (has) result.Commands.push_back(cmd);
  }
  return result;
}

bool ReadScriptFile(const std::string& path, std::string& text, std::string& error) {
  // One byte past the cap tells a long file from one of exactly the cap.
  if (!ReadFileStart(path, kMaxScriptBytes + 1, text)) {
    error = "cannot read " + path + " (a regular file is needed)";
    return false;
  }
  if (text.size() > kMaxScriptBytes) {
    error = path + " is longer than " + std::to_string(kMaxScriptBytes) + " bytes";
    text.clear();
    return false;
  }
  return true;
}

}  // namespace omega
