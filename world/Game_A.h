// The game's world tables, its lists of guns, altars and homes with their walkers, and the game scene.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "world/ZAN_map.h"

struct TCellUnit {
  uint8_t Home;
  uint8_t Unit;
  bool Occupied;
};

struct TCellCord {
  uint8_t Column;
  uint8_t Row;
};

struct TUnitRec {
  uint8_t Colour;  // 1..7
  uint8_t Column;  // the cell walked to, or stood on
  uint8_t Row;
  uint8_t Frame;      // walk frame 1..32, 0 before the first move
  uint8_t Direction;  // facing index of the current step
  uint8_t PrevColumn;
  uint8_t PrevRow;
  float X;
  float Y;
  float VX;
  float VY;
  float Speed;
  float Angle;
  bool Active;
};

struct THomeCord {
  uint8_t Column;
  uint8_t Row;
  std::vector<TUnitRec> Units;
  uint8_t Released;
};

constexpr uint8_t UnitsPerHome = 10;
// A cell slot keeps the home index in one byte: homes after this many get no units.
constexpr std::size_t kMaxHomes = 256;
// A walker's speed from its release on, and its turn per tick.
constexpr float kReleaseSpeed = 0.2f;
constexpr double kTurnStep = 0.1;

extern int32_t CellValue[kMapColumns + 1][kMapRows + 1];
extern TCellUnit CellUnit[kMapColumns + 1][kMapRows + 1];
extern std::vector<TCellCord> AimedGuns;
extern std::vector<TCellCord> FixedGuns;
extern std::vector<TCellCord> Altars;
extern std::vector<THomeCord> Homes;

// No guns, altars or homes, every counter 0 and every cell slot free.
void ResetGame_A();
void CreateHomeUnits(int HomeIndex);
void UpdateGame();
void DrawGame();
uint8_t GunAimFrame(uint8_t Column, uint8_t Row);
void StepUnit(uint8_t HomeIndex, uint8_t UnitIndex);
void AdvanceUnit(uint8_t HomeIndex, uint8_t UnitIndex);
