#include "world/Game_A.h"

#include <cmath>

#include "assets/Materials.h"
#include "engine/OMEGA.h"
#include "platform/Runtime.h"
#include "shell/MainProc.h"

int32_t CellValue[kMapColumns + 1][kMapRows + 1];
TCellUnit CellUnit[kMapColumns + 1][kMapRows + 1];
std::vector<TCellCord> AimedGuns;
std::vector<TCellCord> FixedGuns;
std::vector<TCellCord> Altars;
std::vector<THomeCord> Homes;

namespace {

constexpr int kColours = 7;

// The angle jumps to the far side only when turning from the first quarter toward the last facings.
constexpr float kWrapThreshold = 2.0f;
constexpr float kWrapValue = 8.0f;
constexpr int kWrapFromDirection = 5;

// Homes and altars count 20..81, then start again at 20.
constexpr int32_t kCounterFirst = 20;
constexpr int32_t kCounterLast = 80;

constexpr uint8_t kLastWalkFrame = 32;

// One step per path code 1..8: the row change, the column change on an odd and on an even row, and
// the displacement per tick at speed 1 (1/16 of the way between the two cells).
struct TStep {
  int8_t Row;
  int8_t ColumnOddRow;
  int8_t ColumnEvenRow;
  float VX;
  float VY;
};
constexpr TStep kSteps[9] = {
    {0, 0, 0, 0, 0},     // no path
    {2, 0, 0, 0, 2},     // down
    {1, -1, 0, -2, 1},   // down-left
    {0, -1, -1, -4, 0},  // left
    {-1, -1, 0, -2, -1}, // up-left
    {-2, 0, 0, 0, -2},   // up
    {-1, 0, 1, 2, -1},   // up-right
    {0, 1, 1, 4, 0},     // right
    {1, 0, 1, 2, 1},     // down-right
};

// The gun's pivot relative to its cell position, and the aim: degrees (with the game's own factor)
// in 10-degree sectors -18..18 to gun frames.
constexpr int32_t kPivotDX = 64;
constexpr int32_t kPivotDY = -32;
constexpr double kDegreesPerRadian = 57.32;
constexpr int64_t kAimSector = 10;
constexpr int kAimSectors = 18;
constexpr uint8_t kAimFrames[2 * kAimSectors + 1] = {
    5,  6,  7,  8,  9,  10, 10, 11, 12,  // -18 .. -10
    13, 14, 15, 16, 17, 18, 18, 19, 21,  // -9 .. -1
    21,                                  // 0
    21, 23, 24, 25, 25, 26, 27, 28, 29,  // 1 .. 9
    30, 31, 32, 1,  1,  2,  3,  4,  5,   // 10 .. 18
};

// Whether the position rounds to the cell's coordinate. Most ticks a walker is far from it, and more
// than half a pixel away nothing can round onto it; only the near cases pay for the rounding.
inline bool RoundsTo(float position, int32_t cell) {
  const double away = static_cast<double>(position) - cell;
  if (away > 0.5 || away < -0.5) return false;
  return RoundHalfEven(position) == cell;
}

void AdvanceCounter(const TCellCord& at) {
  int32_t& v = CellValue[at.Column][at.Row];
  v = (v >= kCounterFirst && v <= kCounterLast) ? v + 1 : kCounterFirst;
}

void ReleaseNext(THomeCord& home) {
  TCellUnit& slot = CellUnit[home.Column][home.Row];
  if (home.Released >= UnitsPerHome || home.Released >= home.Units.size() || slot.Occupied) return;
  TUnitRec& u = home.Units[home.Released];
  ++home.Released;
  const TScreenPos p = CellPos[home.Column][home.Row];
  u.Speed = kReleaseSpeed;
  u.X = static_cast<float>(p.x);
  u.Y = static_cast<float>(p.y);
  u.Column = home.Column;
  u.Row = home.Row;
  u.Active = true;
  slot.Occupied = true;
}

}  // namespace

void ResetGame_A() {
  for (int c = 0; c <= kMapColumns; ++c)
    for (int r = 0; r <= kMapRows; ++r) {
      CellValue[c][r] = 0;
      CellUnit[c][r] = TCellUnit{};
    }
  AimedGuns.clear();
  FixedGuns.clear();
  Altars.clear();
  Homes.clear();
}

void CreateHomeUnits(int HomeIndex) {
  std::vector<TUnitRec>& units = Homes[static_cast<std::size_t>(HomeIndex)].Units;
  units.assign(UnitsPerHome, TUnitRec{});
  for (std::size_t i = 0; i < units.size(); ++i) {
    auto c = static_cast<uint8_t>(Random(kColours) + 1);
    // Never three of one colour in a row: step away from the repeated colour, staying in 1..7.
    if (i >= 2 && c == units[i - 1].Colour && c == units[i - 2].Colour) {
      const uint8_t last = units[i - 1].Colour;
      c = last > 4 ? static_cast<uint8_t>(last - 1) : static_cast<uint8_t>(last + 1);
    }
    units[i].Colour = c;
    units[i].Active = false;
    units[i].Angle = 0.0f;
  }
}

uint8_t GunAimFrame(uint8_t Column, uint8_t Row) {
  const TScreenPos p = CellPos[Column][Row];
  const double dx = static_cast<double>(Mouse_X()) - (p.x + kPivotDX);
  const double dy = static_cast<double>(Mouse_Y()) - (p.y + kPivotDY);
  const int64_t degrees = RoundHalfEven(std::atan2(dy, dx) * kDegreesPerRadian);
  int64_t sector = degrees / kAimSector;  // toward zero
  if (sector < -kAimSectors) sector = -kAimSectors;
  if (sector > kAimSectors) sector = kAimSectors;
  return kAimFrames[sector + kAimSectors];
}

void AdvanceUnit(uint8_t HomeIndex, uint8_t UnitIndex) {
  TUnitRec& u = Homes[HomeIndex].Units[UnitIndex];
  u.PrevColumn = u.Column;
  u.PrevRow = u.Row;
  const uint8_t path = MapCells[u.Column][u.Row].Path;
  if (path < 1 || path > 8) return;
  const TStep& step = kSteps[path];
  const int column = u.Column + ((u.Row % 2 == 1) ? step.ColumnOddRow : step.ColumnEvenRow);
  const int row = u.Row + step.Row;
  // A path leading off the grid ends here, as if the cell had none.
  if (column < 1 || column > kMapColumns || row < 1 || row > kMapRows) return;
  u.Direction = static_cast<uint8_t>(path - 1);
  u.Column = static_cast<uint8_t>(column);
  u.Row = static_cast<uint8_t>(row);
  u.VX = step.VX;
  u.VY = step.VY;
}

namespace {

// One tick of one walker; the tick's loop hands it the unit it already holds.
inline void StepWalker(TUnitRec& u, uint8_t HomeIndex, uint8_t UnitIndex) {
  const TScreenPos target = CellPos[u.Column][u.Row];
  if (RoundsTo(u.X, target.x) && RoundsTo(u.Y, target.y)) {
    // A unit just released has arrived nowhere before: it has no slot to give up.
    if (u.PrevColumn != 0 || u.PrevRow != 0) CellUnit[u.PrevColumn][u.PrevRow].Occupied = false;
    AdvanceUnit(HomeIndex, UnitIndex);
    CellUnit[u.PrevColumn][u.PrevRow] = TCellUnit{HomeIndex, UnitIndex, true};
    return;
  }

  const auto direction = static_cast<float>(u.Direction);
  if (u.Angle != direction) {
    if (u.Angle < kWrapThreshold && u.Direction > kWrapFromDirection)
      u.Angle = kWrapValue;
    else if (direction > u.Angle)
      u.Angle = static_cast<float>(u.Angle + kTurnStep);
    else
      u.Angle = static_cast<float>(u.Angle - kTurnStep);
  }

  // Never snapped to a cell: what is left over after one step carries into the next. The step is an
  // exact multiple of the speed and the sum is rounded to single precision once, as in wider arithmetic.
  u.X += u.VX * u.Speed;
  u.Y += u.VY * u.Speed;

  u.Frame = (u.Frame >= 1 && u.Frame < kLastWalkFrame) ? static_cast<uint8_t>(u.Frame + 1) : 1;
}

}  // namespace

void StepUnit(uint8_t HomeIndex, uint8_t UnitIndex) {
  StepWalker(Homes[HomeIndex].Units[UnitIndex], HomeIndex, UnitIndex);
}

void UpdateGame() {
  for (const TCellCord& gun : AimedGuns) CellValue[gun.Column][gun.Row] = GunAimFrame(gun.Column, gun.Row);
  for (const THomeCord& home : Homes) AdvanceCounter(TCellCord{home.Column, home.Row});
  for (const TCellCord& altar : Altars) AdvanceCounter(altar);
  for (std::size_t h = 0; h < Homes.size(); ++h) {
    THomeCord& home = Homes[h];
    ReleaseNext(home);
    TUnitRec* units = home.Units.data();
    for (std::size_t u = 0; u < home.Units.size(); ++u)
      if (units[u].Active) StepWalker(units[u], static_cast<uint8_t>(h), static_cast<uint8_t>(u));
  }
}

void DrawGame() {
  SSprite_Draw(TexMap2, 0, 0, static_cast<float>(kScreenWidth), static_cast<float>(kScreenHeight), 255, 0, 1);
  DrawMap();
  ASprite_Draw(TexCornerButton, 0, 0, 90, 90, CornerButtonFrame, 255, 0, 1);
}
