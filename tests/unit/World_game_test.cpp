// The game tick: releases, walking along the paths, turning, aiming, and the hut and altar counters.
#include <cmath>
#include <sstream>

#include "tests/unit/World_fixtures.h"

using namespace world_test;

namespace {

class GameTick : public WorldTest {};

// Through a stream: GCC 12 at -O3 wrongly reports overlapping copies (-Wrestrict) in chained
// string concatenation here.
std::string Where(int c, int r) {
  std::ostringstream text;
  text << '(' << c << ", " << r << ')';
  return text.str();
}
std::string CellOf(const TUnitRec& u) { return Where(u.Column, u.Row); }
std::string Slot(int c, int r) {
  const TCellUnit s = CellUnit[c][r];
  if (!s.Occupied) return "free";
  return "home " + std::to_string(s.Home) + " unit " + std::to_string(s.Unit);
}

// ---- inside: one step per path code ----------------------------------------------------------------

TEST_F(GameTick, EachPathCodeLeadsToItsNeighbourOnBothRowParities) {
  const struct {
    int FromColumn, FromRow, Code;
    const char* To;
    float VX, VY;
  } cases[] = {
      {5, 10, 1, "(5, 12)", 0, 2},  {5, 10, 2, "(5, 11)", -2, 1}, {5, 10, 3, "(4, 10)", -4, 0},
      {5, 10, 4, "(5, 9)", -2, -1}, {5, 10, 5, "(5, 8)", 0, -2},  {5, 10, 6, "(6, 9)", 2, -1},
      {5, 10, 7, "(6, 10)", 4, 0},  {5, 10, 8, "(6, 11)", 2, 1},  {5, 11, 1, "(5, 13)", 0, 2},
      {5, 11, 2, "(4, 12)", -2, 1}, {5, 11, 3, "(4, 11)", -4, 0}, {5, 11, 4, "(4, 10)", -2, -1},
      {5, 11, 5, "(5, 9)", 0, -2},  {5, 11, 6, "(5, 10)", 2, -1}, {5, 11, 7, "(6, 11)", 4, 0},
      {5, 11, 8, "(5, 12)", 2, 1},
  };
  for (const auto& c : cases) {
    ResetWorld();
    MapFile map;
    map.Set(c.FromColumn, c.FromRow, 0, 0, static_cast<uint8_t>(c.Code), kKindHome);
    Load(map);
    Ticks(1);
    const TUnitRec& u = Homes[0].Units[0];
    const std::string label = "code " + std::to_string(c.Code) + " from (" + std::to_string(c.FromColumn) + ", " +
                              std::to_string(c.FromRow) + ")";
    EXPECT_EQ(CellOf(u), c.To) << label;
    EXPECT_EQ(u.VX, c.VX) << label;
    EXPECT_EQ(u.VY, c.VY) << label;
    EXPECT_EQ(u.Direction, c.Code - 1) << label;
    // Sixteen steps at speed 1 are exactly the way between the two cells.
    EXPECT_EQ(16 * u.VX, CellPos[u.Column][u.Row].x - CellPos[c.FromColumn][c.FromRow].x) << label;
    EXPECT_EQ(16 * u.VY, CellPos[u.Column][u.Row].y - CellPos[c.FromColumn][c.FromRow].y) << label;
  }
}

TEST_F(GameTick, AVerticalStepTakesSeventyNineMovesAndEndsFourTenthsShort) {
  MapFile map;
  map.Set(5, 10, 0, 0, 1, kKindHome);
  Load(map);
  Ticks(1);  // released, found arrived on the home cell, heading down
  const TUnitRec& u = Homes[0].Units[0];
  EXPECT_TRUE(u.Active);
  EXPECT_EQ(u.Speed, 0.2f);
  EXPECT_EQ(u.Frame, 0) << "no move yet";
  EXPECT_EQ(Slot(5, 10), "home 0 unit 0");
  EXPECT_EQ(Where(u.PrevColumn, u.PrevRow), "(5, 10)");
  Ticks(79);
  EXPECT_NEAR(u.Y, 128 + 31.6f, 1e-3) << "after 79 moves";
  EXPECT_EQ(CellOf(u), "(5, 12)") << "not arrived yet";
  EXPECT_EQ(Slot(5, 12), "free");
  EXPECT_EQ(u.Frame, 15) << "79 frames of the 1..32 cycle";
  Ticks(1);
  EXPECT_EQ(Slot(5, 12), "home 0 unit 0") << "arrives on the tick after its last move";
  EXPECT_EQ(Slot(5, 10), "free");
  EXPECT_NEAR(u.Y, 159.6f, 1e-3) << "never snapped to the cell";
  Ticks(70);  // (5, 12) has no path: the unit stays, holding its slot
  EXPECT_NEAR(u.Y, 159.6f, 1e-3);
  EXPECT_EQ(u.Frame, 15);
  EXPECT_EQ(Slot(5, 12), "home 0 unit 0");
  EXPECT_EQ(Homes[0].Released, 2) << "the next unit left when the home cell's slot was freed";
}

TEST_F(GameTick, HomesReleaseEveryEightyOneTicksOrEightyTwoWhenTheFirstStepIsLevel) {
  const struct {
    uint8_t Code;
    int Gap;
  } cases[] = {{1, 81}, {8, 81}, {5, 81}, {7, 82}, {3, 82}};
  for (const auto& c : cases) {
    ResetWorld();
    MapFile map;
    map.Set(8, 20, 0, 0, c.Code, kKindHome);
    Load(map);
    std::vector<int> releases;
    for (int tick = 1; tick <= 400; ++tick) {
      const uint8_t before = Homes[0].Released;
      UpdateGame();
      if (Homes[0].Released != before) releases.push_back(tick);
    }
    ASSERT_GE(releases.size(), 4u) << "code " << int(c.Code);
    EXPECT_EQ(releases[0], 1) << "code " << int(c.Code);
    for (std::size_t i = 1; i < releases.size(); ++i)
      EXPECT_EQ(releases[i] - releases[i - 1], c.Gap) << "code " << int(c.Code) << " release " << i;
  }
}

TEST_F(GameTick, AHomeWithoutAPathReleasesOnlyItsFirstUnit) {
  MapFile map;
  map.Kind(4, 4, kKindHome);
  Load(map);
  Ticks(1000);
  EXPECT_EQ(Homes[0].Released, 1);
  EXPECT_EQ(Slot(4, 4), "home 0 unit 0");
  for (std::size_t i = 1; i < UnitsPerHome; ++i) EXPECT_FALSE(Homes[0].Units[i].Active) << "unit " << i;
  EXPECT_EQ(Homes[0].Units[0].X, CellPos[4][4].x);
}

TEST_F(GameTick, ATenthUnitIsTheLastAndHomesAreIndependent) {
  MapFile map;
  map.Set(3, 10, 0, 0, 1, kKindHome).Set(12, 10, 0, 0, 7, kKindHome);
  Load(map);
  Ticks(1200);
  for (std::size_t h = 0; h < 2; ++h) {
    EXPECT_EQ(Homes[h].Released, UnitsPerHome) << "home " << h;
    for (const TUnitRec& u : Homes[h].Units) EXPECT_TRUE(u.Active) << "home " << h;
  }
}

// ---- passing and stacking: the slot shows the last arrival -----------------------------------------

TEST_F(GameTick, AUnitLeavingACellClearsTheSlotOfAnotherThatArrivedThere) {
  MapFile map;
  // Home 0 walks right through (6, 10); home 1's unit comes up later through the same cell.
  map.Set(5, 10, 0, 0, 7, kKindHome).Path(6, 10, 7);
  map.Set(6, 14, 0, 0, 5, kKindHome).Path(6, 12, 5);
  Load(map);
  Ticks(82);
  EXPECT_EQ(Slot(6, 10), "home 0 unit 0");
  // Home 1's first unit arrives there while home 0's is still on its way to (7, 10).
  int tick = 82;
  while (Slot(6, 10) != "home 1 unit 0" && tick < 400) {
    UpdateGame();
    ++tick;
  }
  ASSERT_EQ(Slot(6, 10), "home 1 unit 0") << "home 1's unit never reached (6, 10)";
  ASSERT_EQ(Slot(7, 10), "free") << "home 0's unit already arrived";
  while (Slot(7, 10) == "free" && tick < 400) {
    UpdateGame();
    ++tick;
  }
  // In the tick home 0's unit reaches (7, 10) it frees the slot it left behind, the other's slot.
  EXPECT_EQ(Slot(7, 10), "home 0 unit 0") << "tick " << tick;
  EXPECT_EQ(Slot(6, 10), "free") << "tick " << tick;
  EXPECT_EQ(CellOf(Homes[1].Units[0]), "(7, 10)") << "still walking, now in no slot";
  EXPECT_EQ(Where(Homes[1].Units[0].PrevColumn, Homes[1].Units[0].PrevRow), "(6, 10)");
  int drawnSlots = 0;
  for (int c = 1; c <= kMapColumns; ++c)
    for (int r = 1; r <= kMapRows; ++r)
      if (CellUnit[c][r].Occupied && CellUnit[c][r].Home == 1 && CellUnit[c][r].Unit == 0) ++drawnSlots;
  EXPECT_EQ(drawnSlots, 0);
}

TEST_F(GameTick, StoppedUnitsStackAndTheLastProcessedShows) {
  MapFile map;
  map.Set(5, 10, 0, 0, 1, kKindHome);  // home 0, down to (5, 12)
  map.Set(5, 14, 0, 0, 5, kKindHome);  // home 1, up to (5, 12)
  Load(map);
  Ticks(81);
  EXPECT_EQ(Slot(5, 12), "home 1 unit 0");
  Ticks(119);  // tick 200: both homes' second units have stopped there too
  EXPECT_EQ(Slot(5, 12), "home 1 unit 1");
  Ticks(1000);
  EXPECT_EQ(Slot(5, 12), "home 1 unit 9");
  for (const THomeCord& home : Homes)
    for (const TUnitRec& u : home.Units) EXPECT_EQ(CellOf(u), "(5, 12)");
}

// ---- turning --------------------------------------------------------------------------------------

TEST_F(GameTick, TurningFromZeroTowardSevenJumpsToEight) {
  MapFile map;
  map.Set(5, 10, 0, 0, 8, kKindHome);
  Load(map);
  const TUnitRec& u = Homes[0].Units[0];
  Ticks(1);
  EXPECT_EQ(u.Angle, 0.0f) << "no turn on the tick of arrival";
  Ticks(1);
  EXPECT_EQ(u.Angle, 8.0f);
  EXPECT_EQ(UnitFacingIndex(u.Angle), 0) << "8 shows as facing 0";
  Ticks(1);
  EXPECT_NEAR(u.Angle, 7.9f, 1e-5);
  Ticks(9);
  EXPECT_NEAR(u.Angle, 7.0f, 1e-4);
  for (int i = 0; i < 40; ++i) {
    Ticks(1);
    EXPECT_NEAR(u.Angle, 7.0f, 0.1001) << "settled, at most one step either side";
    EXPECT_EQ(UnitFacingIndex(u.Angle), 7);
  }
}

TEST_F(GameTick, OnlyTheLastTwoFacingsWrapAndOnlyFromBelowTwo) {
  for (uint8_t code = 1; code <= 8; ++code) {
    ResetWorld();
    MapFile map;
    map.Set(5, 10, 0, 0, code, kKindHome);
    Load(map);
    Ticks(2);
    const float expected = code >= 7 ? 8.0f : code == 1 ? 0.0f : 0.1f;
    EXPECT_NEAR(Homes[0].Units[0].Angle, expected, 1e-6) << "first turn toward direction " << code - 1;
  }
  // Heading for direction 7 (path code 8): below 2.0 the angle jumps, from 2.0 on it climbs.
  TUnitRec& u = Homes[0].Units[0];
  ASSERT_EQ(u.Direction, 7);
  u.Angle = 1.9f;
  StepUnit(0, 0);
  EXPECT_EQ(u.Angle, 8.0f) << "from 1.9";
  u.Angle = 2.0f;
  StepUnit(0, 0);
  EXPECT_NEAR(u.Angle, 2.1f, 1e-6) << "from 2.0";
}

TEST_F(GameTick, TurningFromSevenTowardZeroGoesTheLongWayRound) {
  MapFile map;
  map.Set(5, 10, 0, 0, 8, kKindHome).Path(6, 11, 1);
  Load(map);
  const TUnitRec& u = Homes[0].Units[0];
  Ticks(81);  // arrived at (6, 11), now heading down
  ASSERT_EQ(u.Direction, 0);
  ASSERT_NEAR(u.Angle, 7.0f, 0.1001);
  std::vector<int> facings;
  float last = u.Angle;
  for (int i = 0; i < 75; ++i) {
    Ticks(1);
    if (last > 0.05f) {
      EXPECT_LE(u.Angle, last) << "tick " << i << ": the angle only falls on the way";
    }
    EXPECT_GE(u.Angle, -0.1001f);
    last = u.Angle;
    const int f = UnitFacingIndex(u.Angle);
    if (facings.empty() || facings.back() != f) facings.push_back(f);
  }
  EXPECT_NEAR(u.Angle, 0.0f, 0.1001);
  EXPECT_EQ(facings, (std::vector<int>{7, 6, 5, 4, 3, 2, 1, 0}));
}

// ---- off the grid: the unit stops on the border cell ------------------------------------------------

TEST_F(GameTick, PathsLeadingOffTheGridEndOnTheBorderCell) {
  const struct {
    int Column, Row, Code;
  } cases[] = {
      {5, 1, 5}, {5, 2, 5}, {5, 48, 1}, {5, 49, 1}, {1, 6, 3}, {17, 6, 7},
      {1, 3, 2}, {1, 3, 4}, {17, 4, 8}, {17, 4, 6}, {3, 1, 4}, {3, 1, 6}, {3, 49, 2}, {3, 49, 8},
  };
  for (const auto& c : cases) {
    ResetWorld();
    MapFile map;
    map.Set(c.Column, c.Row, 0, 0, static_cast<uint8_t>(c.Code), kKindHome);
    Load(map);
    Ticks(300);
    const TUnitRec& u = Homes[0].Units[0];
    const std::string at = Where(c.Column, c.Row);
    EXPECT_EQ(CellOf(u), at) << "code " << c.Code;
    EXPECT_EQ(u.X, CellPos[c.Column][c.Row].x) << "code " << c.Code << " from " << at;
    EXPECT_EQ(u.Y, CellPos[c.Column][c.Row].y) << "code " << c.Code << " from " << at;
    EXPECT_EQ(Homes[0].Released, 1) << "code " << c.Code << " from " << at;
  }
  // A path that walks to the edge and then points off it stops on the last cell.
  ResetWorld();
  MapFile map;
  map.Set(5, 6, 0, 0, 5, kKindHome).Path(5, 4, 5).Path(5, 2, 5);
  Load(map);
  Ticks(400);
  EXPECT_EQ(CellOf(Homes[0].Units[0]), "(5, 2)");
  EXPECT_NEAR(Homes[0].Units[0].Y, CellPos[5][2].y + 0.4f, 1e-3) << "stopped where its last step ended";
  EXPECT_TRUE(CellUnit[5][2].Occupied && CellUnit[5][2].Home == 0);
}

// ---- counters and aiming ------------------------------------------------------------------------------

TEST_F(GameTick, HutAndAltarCountersCycleSixtyTwoTicksThroughFramesOneToFour) {
  MapFile map;
  map.Kind(3, 3, kKindHome).Kind(9, 9, kKindAltar).Kind(10, 10, kKindFixedGun);
  Load(map);
  EXPECT_EQ(CellValue[3][3], 0);
  int framesShown[5] = {};
  for (int tick = 1; tick <= 62; ++tick) {
    UpdateGame();
    ASSERT_EQ(CellValue[9][9], CellValue[3][3]) << "tick " << tick;
    ASSERT_EQ(CellValue[3][3], 19 + tick) << "tick " << tick;
    ++framesShown[CellValue[3][3] / 20];
  }
  EXPECT_EQ(framesShown[1], 20);
  EXPECT_EQ(framesShown[2], 20);
  EXPECT_EQ(framesShown[3], 20);
  EXPECT_EQ(framesShown[4], 2);
  UpdateGame();
  EXPECT_EQ(CellValue[3][3], 20) << "tick 63 starts again";
  EXPECT_EQ(CellValue[9][9], 20);
  EXPECT_EQ(CellValue[10][10], 0) << "a fixed gun is never turned";
}

TEST_F(GameTick, GunsFaceThePointerFromTheirPivot) {
  MapFile map;
  map.Kind(5, 10, kKindAimedGun);
  Load(map);
  // The pivot of (5, 10), at (256, 128), is (320, 96).
  const struct {
    const char* Where;
    int X, Y, Frame;
  } cases[] = {
      {"right", 400, 96, 21},       {"below", 320, 200, 29},     {"left", 100, 96, 5},
      {"above", 320, 0, 13},        {"on the pivot", 320, 96, 21}, {"down-right", 420, 196, 25},
      {"up-right", 420, -4, 18},    {"-163 degrees", 220, 66, 7},  {"-95 degrees", 312, -4, 13},
      {"just below right", 400, 97, 21},
  };
  for (const auto& c : cases) {
    fake::MouseX = c.X;
    fake::MouseY = c.Y;
    EXPECT_EQ(GunAimFrame(5, 10), c.Frame) << c.Where;
    UpdateGame();
    EXPECT_EQ(CellValue[5][10], c.Frame) << c.Where << " through the tick";
  }
}

TEST_F(GameTick, EveryAimSectorGivesItsFrame) {
  MapFile map;
  map.Kind(8, 24, kKindAimedGun);
  Load(map);
  const int px = CellPos[8][24].x + 64, py = CellPos[8][24].y - 32;
  // s = sector of the rounded degrees; the pointer sits 400 pixels away at the sector's middle.
  const int frames[37] = {5,  6,  7,  8,  9,  10, 10, 11, 12, 13, 14, 15, 16, 17, 18, 18, 19, 21, 21,
                          21, 23, 24, 25, 25, 26, 27, 28, 29, 30, 31, 32, 1,  1,  2,  3,  4,  5};
  for (int s = -17; s <= 17; ++s) {
    const double degrees = s == 0 ? 0.0 : s * 10 + (s > 0 ? 5 : -5);
    const double radians = degrees / 57.32;
    fake::MouseX = px + static_cast<int>(std::lround(400 * std::cos(radians)));
    fake::MouseY = py + static_cast<int>(std::lround(400 * std::sin(radians)));
    EXPECT_EQ(GunAimFrame(8, 24), frames[s + 18]) << "sector " << s;
  }
}

}  // namespace
