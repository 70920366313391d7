// The map as read from its file, the cells' screen positions, the loader and the map view.
#pragma once
#include <cstdint>
#include <string>

// Grid size (cells are indexed [column][row] from 1; index 0 is unused).
constexpr int kMapColumns = 17;
constexpr int kMapRows = 49;
// Cell geometry in screen pixels: a 64×32 diamond; rows are 16 pixels apart.
constexpr int kCellWidth = 64;
constexpr int kCellHeight = 32;
constexpr int kRowStep = 16;
constexpr int kMapCellBytes = 5;
constexpr int kMapFileBytes = kMapColumns * kMapRows * kMapCellBytes;  // 4165

// Cell kinds.
constexpr uint8_t kKindNothing = 0;
constexpr uint8_t kKindAimedGun = 1;
constexpr uint8_t kKindFixedGun = 2;
constexpr uint8_t kKindHome = 3;
constexpr uint8_t kKindAltar = 4;

struct TMapCell {
  int8_t GroundFrame;    // 1..127 draws ground
  int8_t GroundTexture;  // 0-based index into GroundTextures
  uint8_t Path;          // 1..8 a direction, anything else none
  uint8_t Kind;
  uint8_t Spare;
};
static_assert(sizeof(TMapCell) == kMapCellBytes);

// A screen position in pixels (not a cell).
struct TScreenPos {
  int32_t x;
  int32_t y;
};

extern TMapCell MapCells[kMapColumns + 1][kMapRows + 1];
extern TScreenPos CellPos[kMapColumns + 1][kMapRows + 1];

// No map: every cell empty and at (0, 0) until InitMapGrid or LoadMap.
void ResetZAN_map();
void InitMapGrid();
void LoadMap(const std::string& FileName);
void DrawMap();
// The facing 0..7 shown for an angle: rounded half to even, anything outside 0..7 shows 0.
uint8_t UnitFacingIndex(float Angle);
