// The map compiler: the text form both ways, byte for byte, and the maps it refuses.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "MapText.h"
#include "tests/support/Files.h"

using maptext::CellOffset;
using maptext::MapBytes;
using maptext::ParseMapText;

namespace {

constexpr int kGround = 6;

// A valid map: grass everywhere, nothing on it.
MapBytes Meadow() {
  MapBytes b{};
  for (int c = 1; c <= 17; ++c)
    for (int r = 1; r <= 49; ++r) {
      b[CellOffset(c, r)] = 1;
      b[CellOffset(c, r) + 1] = 0;
    }
  return b;
}

void Set(MapBytes& b, int c, int r, int frame, int texture, int path, int kind, int spare = 0) {
  uint8_t* p = &b[CellOffset(c, r)];
  p[0] = static_cast<uint8_t>(frame), p[1] = static_cast<uint8_t>(texture), p[2] = static_cast<uint8_t>(path);
  p[3] = static_cast<uint8_t>(kind), p[4] = static_cast<uint8_t>(spare);
}

std::string Errors(const maptext::ParseResult& r) {
  std::string s;
  for (const auto& m : r.messages) s += std::to_string(m.line) + ":" + std::to_string(m.column) + " " + m.text + "\n";
  return s;
}

// The text line and column where cell (c, r) of MapToText's output starts.
std::pair<int, int> WhereInText(const std::string& text, int c, int r) {
  std::istringstream in(text);
  std::string line;
  char label[8];
  std::snprintf(label, sizeof label, "%02d:", r);
  for (int n = 1; std::getline(in, line); ++n) {
    if (line.rfind(label, 0) != 0) continue;
    size_t at = 3;
    for (int k = 0; k < c; ++k) {
      at = line.find_first_not_of(' ', at);
      if (k + 1 < c) at = line.find(' ', at);
    }
    return {n, static_cast<int>(at) + 1};
  }
  return {0, 0};
}

}  // namespace

TEST(MapFormat, CellsLieColumnByColumn) {
  EXPECT_EQ(CellOffset(1, 1), 0);
  EXPECT_EQ(CellOffset(1, 2), 5);
  EXPECT_EQ(CellOffset(2, 1), 245);
  EXPECT_EQ(CellOffset(17, 49), 4160);
  EXPECT_EQ(maptext::kMapBytes, 4165);
}

TEST(MapFormat, DiagonalStepsFollowTheRowParity) {
  int c, r;
  ASSERT_TRUE(maptext::NextCell(5, 10, 2, c, r));
  EXPECT_EQ(std::make_pair(c, r), std::make_pair(5, 11)) << "down-left from an even row";
  ASSERT_TRUE(maptext::NextCell(5, 10, 8, c, r));
  EXPECT_EQ(std::make_pair(c, r), std::make_pair(6, 11)) << "down-right from an even row";
  ASSERT_TRUE(maptext::NextCell(5, 11, 2, c, r));
  EXPECT_EQ(std::make_pair(c, r), std::make_pair(4, 12)) << "down-left from an odd row";
  ASSERT_TRUE(maptext::NextCell(5, 11, 8, c, r));
  EXPECT_EQ(std::make_pair(c, r), std::make_pair(5, 12)) << "down-right from an odd row";
  ASSERT_TRUE(maptext::NextCell(5, 10, 1, c, r));
  EXPECT_EQ(std::make_pair(c, r), std::make_pair(5, 12)) << "down";
  EXPECT_FALSE(maptext::NextCell(5, 10, 0, c, r)) << "no path";
  EXPECT_FALSE(maptext::NextCell(5, 10, 9, c, r)) << "code 9 acts as none";
}

// Every byte survives text → binary → text → binary: odd grounds, spare bytes, out-of-table codes.
TEST(MapRoundTrip, EveryByteSurvives) {
  MapBytes b = Meadow();
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1664525u + 1013904223u, seed >> 24; };
  for (int c = 1; c <= 17; ++c)
    for (int r = 1; r <= 49; ++r) {
      uint8_t* p = &b[CellOffset(c, r)];
      const unsigned pick = next() % 6;
      if (pick == 0) {  // no ground: any texture byte may stand there
        p[0] = static_cast<uint8_t>(-static_cast<int>(next() % 128));
        p[1] = static_cast<uint8_t>(next());
      } else {
        p[0] = static_cast<uint8_t>(1 + next() % 127);
        p[1] = static_cast<uint8_t>(next() % kGround);
      }
      // Paths 9..255 act as none and may lie anywhere; directions only where they stay on the map.
      const unsigned path = next() % 12;
      int nc, nr;
      p[2] = static_cast<uint8_t>(path <= 8 ? (path == 0 || maptext::NextCell(c, r, path, nc, nr) ? path : 0) : 9 + next() % 247);
      p[3] = static_cast<uint8_t>(next() % 3 == 0 ? next() : next() % 5);
      p[4] = static_cast<uint8_t>(next() % 2 ? next() : 0);
    }
  const std::string text = maptext::MapToText(b);
  const auto first = ParseMapText(text, kGround);
  ASSERT_TRUE(first.Ok()) << Errors(first);
  EXPECT_TRUE(first.bytes == b) << "text → binary changed bytes";
  EXPECT_EQ(maptext::MapToText(first.bytes), text) << "binary → text changed the text";
  const auto second = ParseMapText(maptext::MapToText(first.bytes), kGround);
  EXPECT_TRUE(second.bytes == b);
}

TEST(MapRoundTrip, ReadableCellsAreFourCharacters) {
  MapBytes b = Meadow();
  Set(b, 3, 12, 2, 2, 1, 3);  // picture 3 frame 2, down, hut
  Set(b, 4, 12, 1, 0, 7, 1);
  Set(b, 5, 12, 0, 0, 0, 4);
  const std::string text = maptext::MapToText(b);
  EXPECT_NE(text.find("12:    1a..  1a..  3bxH  1adG  ...A"), std::string::npos) << text.substr(text.find("12:"), 60);
}

namespace {

struct Rejection {
  const char* what;
  int c, r, frame, texture, path, kind;
};

}  // namespace

TEST(MapChecks, PathsOffTheGridAreRejectedWhereTheyStand) {
  const Rejection cases[] = {
      {"up from row 1", 5, 1, 1, 0, 5, 0},         {"up from row 2", 5, 2, 1, 0, 5, 0},
      {"down from row 48", 5, 48, 1, 0, 1, 0},     {"down from row 49", 5, 49, 1, 0, 1, 0},
      {"left from column 1", 1, 20, 1, 0, 3, 0},   {"right from column 17", 17, 20, 1, 0, 7, 0},
      {"down-left, odd row, column 1", 1, 21, 1, 0, 2, 0}, {"up-left, odd row, column 1", 1, 21, 1, 0, 4, 0},
      {"up-right, even row, column 17", 17, 20, 1, 0, 6, 0}, {"down-right, even row, column 17", 17, 20, 1, 0, 8, 0},
      {"up-left from row 1", 8, 1, 1, 0, 4, 0},    {"down-right from row 49", 8, 49, 1, 0, 8, 0},
  };
  for (const auto& k : cases) {
    MapBytes b = Meadow();
    Set(b, k.c, k.r, k.frame, k.texture, k.path, k.kind);
    const std::string text = maptext::MapToText(b);
    const auto result = ParseMapText(text, kGround);
    ASSERT_FALSE(result.Ok()) << k.what << ": accepted";
    ASSERT_EQ(result.messages.size(), 1u) << k.what << ": " << Errors(result);
    const auto where = WhereInText(text, k.c, k.r);
    EXPECT_EQ(result.messages[0].line, where.first) << k.what;
    EXPECT_EQ(result.messages[0].column, where.second) << k.what;
    EXPECT_NE(result.messages[0].text.find("leads off"), std::string::npos) << k.what << ": " << result.messages[0].text;
  }
}

TEST(MapChecks, DiagonalsOnTheEdgeThatStayOnTheGridAreAccepted) {
  MapBytes b = Meadow();
  Set(b, 1, 20, 1, 0, 2, 0);   // even row: down-left stays in column 1
  Set(b, 1, 22, 1, 0, 4, 0);   // even row: up-left stays in column 1
  Set(b, 17, 21, 1, 0, 8, 0);  // odd row: down-right stays in column 17
  Set(b, 17, 23, 1, 0, 6, 0);  // odd row: up-right stays in column 17
  Set(b, 9, 3, 1, 0, 5, 0);    // up from row 3 reaches row 1
  Set(b, 9, 47, 1, 0, 1, 0);   // down from row 47 reaches row 49
  const auto result = ParseMapText(maptext::MapToText(b), kGround);
  EXPECT_TRUE(result.Ok()) << Errors(result);
}

TEST(MapChecks, GroundPicturesMustExistWhereGroundIsDrawn) {
  struct Case {
    const char* what;
    int frame, texture;
    bool ok;
  } cases[] = {
      {"last picture", 1, kGround - 1, true},
      {"one past the last", 1, kGround, false},
      {"negative index", 3, -1, false},
      {"no ground, any index", 0, 100, true},
      {"negative frame, negative index", -5, -7, true},
  };
  for (const auto& k : cases) {
    MapBytes b = Meadow();
    Set(b, 6, 30, k.frame, k.texture, 0, 0);
    const auto result = ParseMapText(maptext::MapToText(b), kGround);
    EXPECT_EQ(result.Ok(), k.ok) << k.what << ": " << Errors(result);
  }
}

TEST(MapChecks, AtMost256Huts) {
  for (int huts : {256, 257}) {
    MapBytes b = Meadow();
    int placed = 0;
    for (int c = 1; c <= 17 && placed < huts; ++c)
      for (int r = 3; r <= 49 && placed < huts; ++r, ++placed) Set(b, c, r, 1, 0, 5, 3);
    const auto result = ParseMapText(maptext::MapToText(b), kGround);
    EXPECT_EQ(result.Ok(), huts == 256) << huts << " huts: " << Errors(result);
  }
}

TEST(MapChecks, AHutWithoutAPathIsOnlyAWarning) {
  MapBytes b = Meadow();
  Set(b, 7, 20, 1, 0, 0, 3);
  Set(b, 8, 20, 1, 0, 200, 3);  // out of the table: no path either
  const auto result = ParseMapText(maptext::MapToText(b), kGround);
  EXPECT_TRUE(result.Ok()) << Errors(result);
  ASSERT_EQ(result.messages.size(), 2u) << Errors(result);
  EXPECT_FALSE(result.messages[0].error);
  EXPECT_NE(result.messages[0].text.find("never leave"), std::string::npos) << result.messages[0].text;
}

TEST(MapText, MalformedTextIsRejectedWithItsPosition) {
  const std::string good = maptext::MapToText(Meadow());
  auto replaceRow = [&](int r, const std::string& line) {
    char label[8];
    std::snprintf(label, sizeof label, "\n%02d:", r);
    const size_t at = good.find(label);
    const size_t end = good.find('\n', at + 1);
    return good.substr(0, at + 1) + line + good.substr(end);
  };
  const std::string cells16 = "1a..  1a..  1a..  1a..  1a..  1a..  1a..  1a..  1a..  1a..  1a..  1a..  1a..  1a..  1a..  1a..";
  struct Case {
    const char* what;
    std::string text;
    int line, column;
  } cases[] = {
      {"16 cells", replaceRow(5, "05: " + cells16), 0, 0},
      {"18 cells", replaceRow(5, "05: " + cells16 + "  1a..  1a.."), 0, 0},
      {"unknown path letter", replaceRow(5, "05: 1ak.  " + cells16), 0, 5},
      {"unknown kind letter", replaceRow(5, "05: 1a.X  " + cells16), 0, 5},
      {"picture 0", replaceRow(5, "05: 0a..  " + cells16), 0, 5},
      {"raw frame out of range", replaceRow(5, "05: {128,0,0,0,0}  " + cells16), 0, 5},
      {"raw cell of four numbers", replaceRow(5, "05: {1,0,0,0}  " + cells16), 0, 5},
      {"rows out of order", replaceRow(5, "06: " + cells16 + "  1a.."), 0, 1},
      {"no row label", replaceRow(5, cells16 + "  1a.."), 0, 1},
      {"rows missing", good.substr(0, good.find("\n49:") + 1), 0, 0},
      {"empty text", "", 0, 0},
  };
  for (const auto& k : cases) {
    const auto result = ParseMapText(k.text, kGround);
    ASSERT_FALSE(result.Ok()) << k.what;
    EXPECT_GT(result.messages[0].line, 0) << k.what;
    if (k.column) {
      EXPECT_EQ(result.messages[0].column, k.column) << k.what << ": " << Errors(result);
    }
  }
  EXPECT_TRUE(ParseMapText(good + "\n# a trailing comment\n\n", kGround).Ok()) << "comments and blank lines";
}

TEST(MapText, GroundListCount) {
  EXPECT_EQ(maptext::ReadGroundCount("6\r\n1 grass\r\n"), 6);
  EXPECT_EQ(maptext::ReadGroundCount(" \t\n12 5 7\n"), 12);
  EXPECT_EQ(maptext::ReadGroundCount(""), -1);
  EXPECT_EQ(maptext::ReadGroundCount("  \n "), -1);
  EXPECT_EQ(maptext::ReadGroundCount("six"), -1);
  EXPECT_EQ(maptext::ReadGroundCount("-3"), -1);
}

namespace {

struct TempDir {
  std::filesystem::path path = TempFolder("zanoru-mapc");
  TempDir() = default;
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  ~TempDir() { RemoveFolder(path.string()); }
  std::string File(const std::string& name, const std::string& content) const {
    WriteFile((path / name).string(), content);
    return (path / name).string();
  }
};

int RunMapc(const std::string& args, const std::string& errFile) {
  const int status = std::system((std::string("\"") + ZANORU_MAPC + "\" " + args + " 2> \"" + errFile + "\"").c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(MapCompilerProgram, MapFilesOfTheWrongSizeAreRefused) {
  TempDir dir;
  const std::string err = (dir.path / "err.txt").string();
  const std::string valid(4165, '\0');
  EXPECT_EQ(RunMapc("decompile " + dir.File("ok.vyx", valid) + " " + (dir.path / "ok.map").string(), err), 0);
  for (size_t size : {4164u, 4166u, 0u}) {
    EXPECT_EQ(RunMapc("decompile " + dir.File("bad.vyx", std::string(size, '\0')) + " " + (dir.path / "bad.map").string(), err), 1)
        << size << " bytes";
    EXPECT_NE(ReadFile(err).find("4165"), std::string::npos) << ReadFile(err);
  }
}

TEST(MapCompilerProgram, ErrorsNameFileLineAndColumnAndLeaveNoOutput) {
  TempDir dir;
  MapBytes b = Meadow();
  Set(b, 1, 30, 1, 0, 3, 0);
  const std::string text = maptext::MapToText(b);
  const std::string in = dir.File("bad.map", text), out = (dir.path / "bad.vyx").string(), err = (dir.path / "err.txt").string();
  dir.File("bad.vyx", "stale");
  EXPECT_EQ(RunMapc("compile " + in + " " + out + " --ground-count 6", err), 1);
  const auto where = WhereInText(text, 1, 30);
  const std::string expected = in + ":" + std::to_string(where.first) + ":" + std::to_string(where.second) + ": error:";
  EXPECT_NE(ReadFile(err).find(expected), std::string::npos) << "expected " << expected << " in: " << ReadFile(err);
  EXPECT_FALSE(std::filesystem::exists(out)) << "a refused map leaves no map file";
  // The same map with the path fixed compiles to exactly its bytes.
  Set(b, 1, 30, 1, 0, 7, 0);
  EXPECT_EQ(RunMapc("compile " + dir.File("good.map", maptext::MapToText(b)) + " " + out + " --ground-list " +
                    dir.File("K.txt", "6\n"), err), 0) << ReadFile(err);
  EXPECT_EQ(ReadFile(out), std::string(b.begin(), b.end()));
}
