#include "tests/support/TraceReader.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <string_view>
#include <utility>

namespace trace_reader {

namespace {

// One field from `at` into `out`: a quoted text unescaped, or the characters up to the next space. Moves
// `at` past it and its space. Traces run to millions of fields: each is assigned at once, not grown.
void Field(std::string_view line, size_t& at, bool& quoted, std::string& out) {
  out.clear();
  quoted = at < line.size() && line[at] == '"';
  if (quoted) {
    for (++at; at < line.size() && line[at] != '"'; ++at) {
      if (line[at] == '\\' && at + 1 < line.size()) ++at;
      out += line[at];
    }
    ++at;  // the closing quote
  } else {
    const size_t end = std::min(line.find(' ', at), line.size());
    out.assign(line.substr(at, end - at));
    at = end;
  }
  if (at < line.size() && line[at] == ' ') ++at;
}

int32_t Number(const std::string& s) { return static_cast<int32_t>(std::strtoll(s.c_str(), nullptr, 10)); }

bool Body(std::string_view body, Call& out) {
  out.Tick = 0;
  out.Body.assign(body);
  out.Args.clear();
  out.HasResult = false;
  out.Result.clear();
  size_t at = 0;
  bool quoted = false;
  Field(body, at, quoted, out.Name);
  if (out.Name.empty() || quoted) return false;
  // At most a field after each space left.
  const std::string_view rest = body.substr(at);
  if (!rest.empty()) out.Args.reserve(static_cast<size_t>(std::count(rest.begin(), rest.end(), ' ')) + 1);
  while (at < body.size()) {
    if (body[at] == '=') {
      ++at;
      out.HasResult = true;
      Field(body, at, quoted, out.Result);
      break;
    }
    Field(body, at, quoted, out.Args.emplace_back());
  }
  return true;
}

bool Line(std::string_view line, Call& out) {
  const size_t space = line.find(' ');
  if (space == 0 || space == std::string_view::npos || line.find_first_not_of("0123456789") != space) {
    out = Call{};
    return false;
  }
  if (!Body(line.substr(space + 1), out)) return false;
  out.Tick = std::strtoll(line.data(), nullptr, 10);
  return true;
}

}  // namespace

int32_t Call::Int(size_t i) const { return i < Args.size() ? Number(Args[i]) : 0; }
float Call::Float(size_t i) const { return i < Args.size() ? std::strtof(Args[i].c_str(), nullptr) : 0.0f; }
int32_t Call::ResultInt() const { return Number(Result); }

bool ParseBody(const std::string& body, Call& out) { return Body(body, out); }

bool ParseCall(const std::string& line, Call& out) { return Line(line, out); }

std::vector<Call> ParseTrace(const std::string& text) {
  std::vector<Call> out;
  out.reserve(static_cast<size_t>(std::count(text.begin(), text.end(), '\n')));
  const std::string_view all = text;
  // A line still being written (no newline yet) is left for the next read.
  for (size_t at = 0, nl; (nl = all.find('\n', at)) != std::string_view::npos; at = nl + 1)
    if (!Line(all.substr(at, nl - at), out.emplace_back())) out.pop_back();
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
  std::string text;
  in.seekg(0, std::ios::end);
  text.resize(static_cast<size_t>(std::max<std::streamoff>(in.tellg(), 0)));
  in.seekg(0);
  in.read(text.data(), static_cast<std::streamsize>(text.size()));
  text.resize(static_cast<size_t>(in.gcount()));
  return ParseTrace(text);
}

}  // namespace trace_reader
