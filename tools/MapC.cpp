// zanoru_mapc: the map compiler.
//   zanoru_mapc compile <map text> <map file> (--ground-list <K.txt> | --ground-count <N>)
//   zanoru_mapc decompile <map file> <map text>
// Problems are reported as file:line:column; any error leaves no output and exits with status 1.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "MapText.h"

namespace {

bool ReadAll(const std::string& path, std::string& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  out.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

bool WriteAll(const std::string& path, const std::string& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(data.data(), static_cast<std::streamsize>(data.size()));
  out.close();
  return !out.fail();
}

int Usage() {
  std::fprintf(stderr,
               "usage: zanoru_mapc compile <map text> <map file> (--ground-list <K.txt> | --ground-count <N>)\n"
               "       zanoru_mapc decompile <map file> <map text>\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4) return Usage();
  const std::string mode = argv[1], in = argv[2], out = argv[3];
  std::string input;
  if (!ReadAll(in, input)) {
    std::fprintf(stderr, "%s: cannot read\n", in.c_str());
    return 2;
  }
  if (mode == "decompile" && argc == 4) {
    if (input.size() != maptext::kMapBytes) {
      std::fprintf(stderr, "%s: error: a map file is %d bytes, this one is %zu\n", in.c_str(), maptext::kMapBytes,
                   input.size());
      return 1;
    }
    maptext::MapBytes bytes;
    std::memcpy(bytes.data(), input.data(), bytes.size());
    if (!WriteAll(out, maptext::MapToText(bytes))) {
      std::fprintf(stderr, "%s: cannot write\n", out.c_str());
      return 2;
    }
    return 0;
  }
  if (mode != "compile" || argc != 6) return Usage();
  int groundCount = -1;
  if (!std::strcmp(argv[4], "--ground-count")) {
    groundCount = maptext::ReadGroundCount(argv[5]);
  } else if (!std::strcmp(argv[4], "--ground-list")) {
    std::string list;
    if (!ReadAll(argv[5], list)) {
      std::fprintf(stderr, "%s: cannot read\n", argv[5]);
      return 2;
    }
    groundCount = maptext::ReadGroundCount(list);
    if (groundCount < 0) {
      std::fprintf(stderr, "%s: error: the ground list does not start with a number\n", argv[5]);
      return 1;
    }
  } else {
    return Usage();
  }
  if (groundCount < 0) return Usage();
  const maptext::ParseResult result = maptext::ParseMapText(input, groundCount);
  for (const auto& m : result.messages)
    std::fprintf(stderr, "%s:%d:%d: %s: %s\n", in.c_str(), m.line, m.column, m.error ? "error" : "warning", m.text.c_str());
  if (!result.Ok()) {
    std::remove(out.c_str());
    return 1;
  }
  if (!WriteAll(out, std::string(result.bytes.begin(), result.bytes.end()))) {
    std::fprintf(stderr, "%s: cannot write\n", out.c_str());
    return 2;
  }
  return 0;
}
