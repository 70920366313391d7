#include "tests/support/TraceReader.h"

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <utility>

namespace trace_reader {

namespace {

// One field from `at`: a quoted text unescaped, or the characters up to the next space. Moves `at` past
// it and its space.
std::string Field(const std::string& line, size_t& at, bool& quoted) {
  std::string out;
  quoted = at < line.size() && line[at] == '"';
  if (quoted) {
    for (++at; at < line.size() && line[at] != '"'; ++at) {
      if (line[at] == '\\' && at + 1 < line.size()) ++at;
      out += line[at];
    }
    ++at;  // the closing quote
  } else {
    while (at < line.size() && line[at] != ' ') out += line[at++];
  }
  if (at < line.size() && line[at] == ' ') ++at;
  return out;
}

int32_t Number(const std::string& s) { return static_cast<int32_t>(std::strtoll(s.c_str(), nullptr, 10)); }

}  // namespace

int32_t Call::Int(size_t i) const { return i < Args.size() ? Number(Args[i]) : 0; }
float Call::Float(size_t i) const { return i < Args.size() ? std::strtof(Args[i].c_str(), nullptr) : 0.0f; }
int32_t Call::ResultInt() const { return Number(Result); }

bool ParseBody(const std::string& body, Call& out) {
  out = Call{};
  out.Body = body;
  size_t at = 0;
  bool quoted = false;
  out.Name = Field(body, at, quoted);
  if (out.Name.empty() || quoted) return false;
  while (at < body.size()) {
    if (body[at] == '=') {
      ++at;
      out.HasResult = true;
      out.Result = Field(body, at, quoted);
      break;
    }
    out.Args.push_back(Field(body, at, quoted));
  }
  return true;
}

bool ParseCall(const std::string& line, Call& out) {
  const size_t space = line.find(' ');
  if (space == 0 || space == std::string::npos || line.find_first_not_of("0123456789") != space) {
    out = Call{};
    return false;
  }
  if (!ParseBody(line.substr(space + 1), out)) return false;
  out.Tick = std::strtoll(line.c_str(), nullptr, 10);
  return true;
}

std::vector<Call> ParseTrace(const std::string& text) {
  std::vector<Call> out;
  Call call;
  // A line still being written (no newline yet) is left for the next read.
  for (size_t at = 0, nl; (nl = text.find('\n', at)) != std::string::npos; at = nl + 1)
    if (ParseCall(text.substr(at, nl - at), call)) out.push_back(std::move(call));
  return out;
}

bool ForEachCall(const std::string& file, const std::function<void(const Call&)>& each) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return false;
  Call call;
  // A last line without its newline is still being written: left out, as ParseTrace does.
  for (std::string line; std::getline(in, line) && !in.eof();)
    if (ParseCall(line, call)) each(call);
  return true;
}

std::vector<Call> ReadTrace(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) return {};
  std::ostringstream text;
  text << in.rdbuf();
  return ParseTrace(text.str());
}

}  // namespace trace_reader
