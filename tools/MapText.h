// The map's readable text form and the binary map file (17 columns × 49 rows of 5-byte cells,
// column-major), both directions, with the checks that keep a map playable.
#pragma once
#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace maptext {

constexpr int kColumns = 17;
constexpr int kRows = 49;
constexpr int kCellBytes = 5;
constexpr int kMapBytes = kColumns * kRows * kCellBytes;  // 4165
// Home and unit indexes are kept in one byte each by the game.
constexpr int kMaxHomes = 256;

using MapBytes = std::array<uint8_t, kMapBytes>;

// Byte offset of cell (column, row), both from 1.
constexpr int CellOffset(int column, int row) { return ((column - 1) * kRows + (row - 1)) * kCellBytes; }

// The cell a unit on (column, row) walks to with path code 1..8; false when that lies off the grid
// (or the code is not a direction).
bool NextCell(int column, int row, int path, int& nextColumn, int& nextRow);

struct Message {
  int line = 0, column = 0;  // 1-based position in the text (0 when it has none)
  bool error = true;         // false for a warning
  std::string text;
};

struct ParseResult {
  MapBytes bytes{};
  std::vector<Message> messages;
  bool Ok() const;
};

// Reads the text form. groundCount is N of the ground list: ground pictures 1..N exist.
ParseResult ParseMapText(const std::string& text, int groundCount);
// Writes the text form, with the explaining header; every byte survives a round trip.
std::string MapToText(const MapBytes& bytes);
// The first number of a ground list file, or -1 when there is none.
int ReadGroundCount(const std::string& listText);

}  // namespace maptext
