// The map view and the game scene's draw: what is drawn, in which order, with which frames.
#include <cmath>
#include <limits>

#include "assets/Materials.h"
#include "shell/MainProc.h"
#include "tests/support/TraceReader.h"
#include "tests/unit/World_fixtures.h"

using namespace world_test;

namespace {

class MapView : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    // Handles the fake does not know are written as their raw values.
    GroundTextures = {101, 102};
    TexShadow = 301;
    TexHome = 302;
    TexHome2 = 303;
    TexGun = 304;
    TexAltar = 305;
    for (int d = 0; d < kFacings; ++d) {
      ModelPt[d] = static_cast<OEHandle>(400 + d);
      ModelSh[d] = static_cast<OEHandle>(410 + d);
      ModelCol[d] = static_cast<OEHandle>(420 + d);
    }
  }
  std::vector<std::string> Drawn() {
    fake::ClearCalls();
    DrawMap();
    return fake::Draws();
  }
};

std::string Join(const std::vector<std::string>& lines) {
  std::string out;
  for (const auto& line : lines) out += line + "\n";
  return out;
}

TEST(UnitFacing, RoundsHalfToEvenAndShowsZeroOutsideTheSet) {
  const struct {
    float Angle;
    int Facing;
  } cases[] = {{7.6f, 0},  {-0.1f, 0}, {2.5f, 2},  {3.5f, 4},  {7.5f, 0},   {8.0f, 0},  {7.4f, 7},
               {0.5f, 0},  {1.5f, 2},  {6.5f, 6},  {-0.6f, 0}, {100.0f, 0}, {-1e9f, 0}, {4.0f, 4}};
  for (const auto& c : cases) EXPECT_EQ(UnitFacingIndex(c.Angle), c.Facing) << "angle " << c.Angle;
  EXPECT_EQ(UnitFacingIndex(std::numeric_limits<float>::quiet_NaN()), 0);
  EXPECT_EQ(UnitFacingIndex(std::numeric_limits<float>::infinity()), 0);
}

TEST_F(MapView, GroundFirstThenObjectsUnitsAndHomeFrontsRowByRow) {
  MapFile map;
  map.Set(1, 1, 3, 1, 0, 0);    // ground picture 2, frame 3
  map.Set(3, 2, -1, 0, 0, 0);   // negative frame: no ground
  map.Set(4, 2, 2, 5, 0, 0);    // a picture the list does not have: no ground
  map.Set(5, 2, 2, -3, 0, 0);   // nor a negative one
  map.Set(2, 3, 1, 0, 1, kKindHome);
  map.Set(3, 4, 0, 0, 0, kKindAimedGun);
  map.Set(1, 5, 0, 0, 0, kKindAltar);
  Load(map);
  CellValue[2][3] = 45;  // hut frame 2
  CellValue[3][4] = 17;
  CellValue[1][5] = 81;  // altar frame 4
  // Unit 1 stands in the hut's slot, unit 0 in the slot of the cell in front of it.
  TUnitRec& one = Homes[0].Units[1];
  one.X = 40.5f, one.Y = 20.25f, one.Frame = 7, one.Angle = 2.5f, one.Colour = 3, one.Active = true;
  TUnitRec& zero = Homes[0].Units[0];
  zero.X = 32.0f, zero.Y = 40.0f, zero.Frame = 0, zero.Angle = 7.6f, zero.Colour = 5, zero.Active = true;
  CellUnit[2][3] = TCellUnit{0, 1, true};
  CellUnit[2][5] = TCellUnit{0, 0, true};

  const std::vector<std::string> expected = {
      // ground pass
      "ASprite_Draw 102 -32 -16 64 128 3 255 0 1",
      "ASprite_Draw 101 32 16 64 128 1 255 0 1",
      // row 3: the hut at (32, 16), then the unit in its slot, tinted
      "ASprite_Draw 302 -32 -112 192 192 2 255 0 1",
      "SSprite_Draw 301 40.5 20.25 64 32 255 0 1",
      "ASprite_Draw 402 40.5 -77.75 64 128 7 255 0 1",
      "FX_SetColorMix " + std::to_string(PaletteColor(3)),
      "ASprite_Draw 422 40.5 -77.75 64 128 7 255 0 9",
      // row 4: the gun at (128, 32) with its own value as the frame
      "ASprite_Draw 304 96 -32 128 128 17 255 0 1",
      // row 5: the altar at (-32, 48), unit 0 untinted with frame 0 passed on, then the hut's front
      "ASprite_Draw 305 -32 -48 64 128 4 255 0 1",
      "SSprite_Draw 301 32 40 64 32 255 0 1",
      "ASprite_Draw 410 32 -58 64 128 0 255 0 1",
      "ASprite_Draw 303 -32 -112 192 192 2 255 0 1",
  };
  EXPECT_EQ(Join(Drawn()), Join(expected));
}

TEST_F(MapView, AHomeFrontIsDrawnTwoRowsLaterAndNeverForTheLastTwoRows) {
  MapFile map;
  map.Kind(2, 47, kKindHome).Kind(3, 48, kKindHome).Kind(4, 49, kKindHome).Kind(6, 1, kKindHome).Kind(6, 2, kKindHome);
  Load(map);
  const std::vector<std::string> draws = Drawn();
  std::vector<std::string> order;
  trace_reader::Call call;
  for (const std::string& d : draws) {
    ASSERT_TRUE(trace_reader::ParseBody(d, call)) << d;
    if (call.Name == "ASprite_Draw" && (call.Args[0] == "302" || call.Args[0] == "303"))
      order.push_back(call.Args[0] + " at " + call.Args[1] + " " + call.Args[2]);
  }
  // (6, 1) at (288, -16) and (6, 2) at (320, 0) get fronts in rows 3 and 4;
  // (2, 47) at (32, 720) in row 49, before the hut of (4, 49) at (160, 752) that follows it in that row.
  const std::vector<std::string> expected = {
      "302 at 224 -144", "302 at 256 -128", "303 at 224 -144", "303 at 256 -128",
      "302 at -32 592",  "302 at 64 608",   "303 at -32 592",  "302 at 96 624",
  };
  EXPECT_EQ(Join(order), Join(expected));
}

TEST_F(MapView, EachUnitIsDrawnOnceFromItsSlotOnlyWithItsOwnFacing) {
  MapFile map;
  map.Set(5, 10, 0, 0, 1, kKindHome).Path(5, 12, 1);
  Load(map);
  Ticks(162);  // unit 0 stopped on (5, 14), unit 1 just arrived on (5, 12), unit 2 not yet out
  const std::vector<std::string> draws = Drawn();
  int shadows = 0, bodies = 0, tints = 0;
  for (const std::string& d : draws) {
    if (d.rfind("SSprite_Draw 301 ", 0) == 0) ++shadows;
    if (d.rfind("ASprite_Draw 41", 0) == 0 || d.rfind("ASprite_Draw 40", 0) == 0) ++bodies;
    if (d.rfind("FX_SetColorMix ", 0) == 0) ++tints;
  }
  EXPECT_EQ(shadows, 2);
  EXPECT_EQ(bodies, 2);
  EXPECT_EQ(tints, 1) << "only unit 1 is tinted";
  const TUnitRec& u = Homes[0].Units[1];
  EXPECT_EQ(Join(fake::CallsOf("FX_SetColorMix")), "FX_SetColorMix " + std::to_string(PaletteColor(u.Colour)) + "\n");
}

TEST_F(MapView, TheSceneIsBackdropMapThenCornerButton) {
  MapFile map;
  map.Set(1, 2, 1, 0, 0, kKindAltar);
  Load(map);
  TexMap2 = 11;
  TexCornerButton = 12;
  CornerButtonFrame = 2;
  fake::ClearCalls();
  DrawGame();
  const std::vector<std::string> expected = {
      "SSprite_Draw 11 0 0 1024 768 255 0 1",
      "ASprite_Draw 101 0 0 64 128 1 255 0 1",
      "ASprite_Draw 305 0 -96 64 128 0 255 0 1",
      "ASprite_Draw 12 0 0 90 90 2 255 0 1",
  };
  EXPECT_EQ(Join(fake::Draws()), Join(expected));
  CornerButtonFrame = 1;
}

}  // namespace
