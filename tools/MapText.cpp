#include "MapText.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <sstream>

namespace maptext {

namespace {

// Path codes 1..8 as the keys around S on a keyboard: the direction each key lies in.
constexpr char kPathChars[9] = {'.', 'x', 'z', 'a', 'q', 'w', 'e', 'd', 'c'};
const char* const kPathNames[9] = {"none", "down", "down-left", "left", "up-left", "up", "up-right", "right", "down-right"};
constexpr char kKindChars[5] = {'.', 'G', 'F', 'H', 'A'};

constexpr int kMaxCompactPicture = 9;
constexpr int kMaxCompactFrame = 26;

const char kHeader[] =
    "# Zanoru map: 49 rows of 17 cells, as they lie on the screen (odd rows sit half a cell to the\n"
    "# left, so every row is indented half a cell against its neighbours).\n"
    "#\n"
    "# A row line starts with its number and a colon. A cell is four characters:\n"
    "#   ground  ..  no ground; otherwise the ground picture 1..9 (Data/T/<n>.jpg) and its frame\n"
    "#               a..z (1..26): 3b is frame 2 of picture 3\n"
    "#   path    where a unit on this cell walks next, by the keys around S on a keyboard:\n"
    "#               w up, x down, a left, d right, q up-left, e up-right, z down-left,\n"
    "#               c down-right; . none (a unit stops here)\n"
    "#   kind    . nothing, G gun that follows the pointer, F fixed gun, H hut, A altar\n"
    "# A cell that does not fit this is written {frame,texture,path,kind,spare} with the raw byte\n"
    "# values (texture 0-based). # starts a comment.\n";

struct Reader {
  const std::string& text;
  size_t pos = 0;
  int line = 1, column = 1;

  bool AtEnd() const { return pos >= text.size(); }
  char Peek() const { return text[pos]; }
  void Advance() {
    if (text[pos] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
    ++pos;
  }
  // Skips blanks and comments inside a line; stops at the line's end.
  void SkipBlanks() {
    while (!AtEnd()) {
      const char c = Peek();
      if (c == '#') {
        while (!AtEnd() && Peek() != '\n') Advance();
      } else if (c == ' ' || c == '\t' || c == '\r') {
        Advance();
      } else {
        break;
      }
    }
  }
  std::string Token() {
    std::string t;
    while (!AtEnd() && !std::isspace(static_cast<unsigned char>(Peek())) && Peek() != '#') {
      t += Peek();
      Advance();
    }
    return t;
  }
};

bool ParseInt(const std::string& s, long lo, long hi, long& out) {
  if (s.empty()) return false;
  char* end = nullptr;
  out = std::strtol(s.c_str(), &end, 10);
  return *end == '\0' && out >= lo && out <= hi;
}

// One cell token into its five bytes; an empty string on success, else what is wrong.
std::string ParseCell(const std::string& t, uint8_t* cell) {
  if (t.size() >= 2 && t.front() == '{' && t.back() == '}') {
    std::vector<std::string> fields(1);
    for (size_t i = 1; i + 1 < t.size(); ++i) {
      if (t[i] == ',') fields.emplace_back();
      else fields.back() += t[i];
    }
    if (fields.size() != 5) return "a raw cell has five numbers: {frame,texture,path,kind,spare}";
    const long lo[5] = {-128, -128, 0, 0, 0}, hi[5] = {127, 127, 255, 255, 255};
    const char* names[5] = {"frame", "texture", "path", "kind", "spare"};
    for (int i = 0; i < 5; ++i) {
      long v;
      if (!ParseInt(fields[i], lo[i], hi[i], v))
        return std::string("raw ") + names[i] + " '" + fields[i] + "' is not a number in " + std::to_string(lo[i]) +
               ".." + std::to_string(hi[i]);
      cell[i] = static_cast<uint8_t>(v & 0xFF);
    }
    return {};
  }
  if (t.size() != 4) return "a cell is four characters (ground, ground frame, path, kind) or {…}: got '" + t + "'";
  if (t[0] == '.' && t[1] == '.') {
    cell[0] = cell[1] = 0;
  } else {
    if (t[0] < '1' || t[0] > '0' + kMaxCompactPicture) return std::string("ground picture '") + t[0] + "' is not 1..9";
    if (t[1] < 'a' || t[1] > 'z') return std::string("ground frame '") + t[1] + "' is not a..z";
    cell[1] = static_cast<uint8_t>(t[0] - '1');
    cell[0] = static_cast<uint8_t>(t[1] - 'a' + 1);
  }
  int path = -1;
  for (int p = 0; p <= 8; ++p)
    if (t[2] == kPathChars[p]) path = p;
  if (path < 0) return std::string("path '") + t[2] + "' is not one of . w x a d q e z c";
  int kind = -1;
  for (int k = 0; k <= 4; ++k)
    if (t[3] == kKindChars[k]) kind = k;
  if (kind < 0) return std::string("kind '") + t[3] + "' is not one of . G F H A";
  cell[2] = static_cast<uint8_t>(path);
  cell[3] = static_cast<uint8_t>(kind);
  cell[4] = 0;
  return {};
}

std::string CellToText(const uint8_t* cell) {
  const auto frame = static_cast<int8_t>(cell[0]);
  const auto texture = static_cast<int8_t>(cell[1]);
  const bool noGround = frame == 0 && texture == 0;
  const bool compactGround = noGround || (frame >= 1 && frame <= kMaxCompactFrame && texture >= 0 && texture < kMaxCompactPicture);
  if (!compactGround || cell[2] > 8 || cell[3] > 4 || cell[4] != 0) {
    char buf[40];
    std::snprintf(buf, sizeof buf, "{%d,%d,%d,%d,%d}", frame, texture, cell[2], cell[3], cell[4]);
    return buf;
  }
  std::string t;
  if (noGround) {
    t = "..";
  } else {
    t += static_cast<char>('1' + texture);
    t += static_cast<char>('a' + frame - 1);
  }
  t += kPathChars[cell[2]];
  t += kKindChars[cell[3]];
  return t;
}

}  // namespace

bool NextCell(int column, int row, int path, int& nextColumn, int& nextRow) {
  const bool odd = row % 2 == 1;
  int dc = 0, dr = 0;
  switch (path) {
    case 1: dr = 2; break;
    case 2: dr = 1, dc = odd ? -1 : 0; break;
    case 3: dc = -1; break;
    case 4: dr = -1, dc = odd ? -1 : 0; break;
    case 5: dr = -2; break;
    case 6: dr = -1, dc = odd ? 0 : 1; break;
    case 7: dc = 1; break;
    case 8: dr = 1, dc = odd ? 0 : 1; break;
    default: return false;
  }
  nextColumn = column + dc;
  nextRow = row + dr;
  return nextColumn >= 1 && nextColumn <= kColumns && nextRow >= 1 && nextRow <= kRows;
}

bool ParseResult::Ok() const {
  for (const auto& m : messages)
    if (m.error) return false;
  return true;
}

ParseResult ParseMapText(const std::string& text, int groundCount) {
  ParseResult result;
  Reader in{text};
  struct Pos {
    int line = 0, column = 0;
  };
  std::array<std::array<Pos, kRows + 1>, kColumns + 1> where{};
  auto error = [&](int line, int column, std::string msg) { result.messages.push_back({line, column, true, std::move(msg)}); };
  int row = 0;
  while (!in.AtEnd()) {
    in.SkipBlanks();
    if (in.AtEnd()) break;
    if (in.Peek() == '\n') {
      in.Advance();
      continue;
    }
    const int labelLine = in.line, labelColumn = in.column;
    const std::string label = in.Token();
    long number;
    if (label.size() < 2 || label.back() != ':' || !ParseInt(label.substr(0, label.size() - 1), 1, kRows, number)) {
      error(labelLine, labelColumn, "a row line starts with its row number and a colon, e.g. '07:'; got '" + label + "'");
      return result;
    }
    if (number != row + 1) {
      error(labelLine, labelColumn, "row " + std::to_string(row + 1) + " expected here, got row " + std::to_string(number));
      return result;
    }
    row = static_cast<int>(number);
    int column = 0;
    for (;;) {
      in.SkipBlanks();
      if (in.AtEnd() || in.Peek() == '\n') break;
      const int tokLine = in.line, tokColumn = in.column;
      const std::string token = in.Token();
      if (++column > kColumns) {
        error(tokLine, tokColumn, "row " + std::to_string(row) + " has more than 17 cells");
        return result;
      }
      const std::string problem = ParseCell(token, &result.bytes[CellOffset(column, row)]);
      if (!problem.empty()) error(tokLine, tokColumn, problem);
      where[column][row] = {tokLine, tokColumn};
    }
    if (column < kColumns) {
      error(in.line, in.column, "row " + std::to_string(row) + " has " + std::to_string(column) + " cells, 17 expected");
      return result;
    }
  }
  if (row < kRows) {
    error(in.line, in.column, "the map ends after row " + std::to_string(row) + "; it has 49 rows");
    return result;
  }
  if (!result.Ok()) return result;

  // What the game itself does not check: paths off the grid, missing ground pictures, too many huts.
  int homes = 0;
  for (int c = 1; c <= kColumns; ++c) {
    for (int r = 1; r <= kRows; ++r) {
      const uint8_t* cell = &result.bytes[CellOffset(c, r)];
      const Pos at = where[c][r];
      const std::string name = "column " + std::to_string(c) + ", row " + std::to_string(r);
      int nc, nr;
      if (cell[2] >= 1 && cell[2] <= 8 && !NextCell(c, r, cell[2], nc, nr))
        error(at.line, at.column, "the path " + std::string(kPathNames[cell[2]]) + " on " + name + " leads off the map");
      const auto frame = static_cast<int8_t>(cell[0]);
      const auto texture = static_cast<int8_t>(cell[1]);
      if (frame > 0 && (texture < 0 || texture >= groundCount))
        error(at.line, at.column, "ground picture " + std::to_string(texture + 1) + " on " + name +
                                      " does not exist (the ground list has " + std::to_string(groundCount) + ")");
      if (cell[3] == 3) {
        if (++homes == kMaxHomes + 1)
          error(at.line, at.column, "more than 256 huts (this is hut 257, counting down each column from the left)");
        if (cell[2] < 1 || cell[2] > 8)
          result.messages.push_back({at.line, at.column, false,
                                     "the hut on " + name + " has no path on its own cell: its units can never leave"});
      }
    }
  }
  return result;
}

std::string MapToText(const MapBytes& bytes) {
  std::ostringstream out;
  out << kHeader;
  for (int r = 1; r <= kRows; ++r) {
    char label[8];
    std::snprintf(label, sizeof label, "%02d:", r);
    out << '\n' << label << (r % 2 == 0 ? "    " : " ");
    for (int c = 1; c <= kColumns; ++c) {
      const std::string cell = CellToText(&bytes[CellOffset(c, r)]);
      out << cell;
      if (c < kColumns) out << std::string(cell.size() < 6 ? 6 - cell.size() : 1, ' ');
    }
  }
  out << '\n';
  return out.str();
}

int ReadGroundCount(const std::string& listText) {
  size_t i = 0;
  while (i < listText.size() && std::isspace(static_cast<unsigned char>(listText[i]))) ++i;
  size_t j = i;
  while (j < listText.size() && !std::isspace(static_cast<unsigned char>(listText[j])) && static_cast<unsigned char>(listText[j]) >= 32) ++j;
  long n;
  if (!ParseInt(listText.substr(i, j - i), 0, 1000000, n)) return -1;
  return static_cast<int>(n);
}

}  // namespace maptext
