// The map the game ships, played for ten minutes: its village must stay alive. Every hut's path leads
// into a closed ring, so no unit ever stops, and the map has no dead ends at all.
#include <cmath>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <utility>

#include "MapText.h"
#include "shell/MainProc.h"
#include "tests/unit/World_fixtures.h"

using namespace world_test;

namespace {

constexpr int kTenMinutes = 50000;  // 12 ms ticks
constexpr int kMovingOnScreenAtLeast = 40;
constexpr OEHandle kShadow = 301;

class ShippedMap : public WorldTest {
 protected:
  void SetUp() override {
    WorldTest::SetUp();
    const std::string text = ReadFile(std::string(ZANORU_SOURCE_DIR) + "/data/1.map");
    ASSERT_FALSE(text.empty());
    // Ground pictures are the data tests' business; the walks only need the paths and the kinds.
    const maptext::ParseResult parsed = maptext::ParseMapText(text, 9);
    ASSERT_TRUE(parsed.Ok()) << (parsed.messages.empty() ? "" : parsed.messages[0].text);
    MapFile map;
    map.Bytes.assign(parsed.bytes.begin(), parsed.bytes.end());
    Load(map);
    GroundTextures.assign(9, 101);
    TexShadow = kShadow;
  }

  // Where the frame draws each unit's shadow: one entry per unit shown, drawn through the map view.
  static std::multiset<std::pair<std::string, std::string>> ShadowsOnScreen() {
    fake::ClearCalls();
    DrawMap();
    std::multiset<std::pair<std::string, std::string>> shown;
    for (const std::string& call : fake::CallsOf("SSprite_Draw")) {
      std::istringstream in(call);
      std::string op;
      long long texture;
      float x, y;
      in >> op >> texture >> x >> y;
      if (texture != static_cast<long long>(kShadow)) continue;
      // The whole shadow inside the picture, and the body above it on screen too.
      if (x < 0 || x + 64 > kScreenWidth || y - 98 < 0 || y + 32 > kScreenHeight) continue;
      std::ostringstream px, py;
      px << x;
      py << y;
      shown.insert({px.str(), py.str()});
    }
    return shown;
  }
};

TEST_F(ShippedMap, HutsFeedClosedRingsAndUnitsNeverStopOrStray) {
  ASSERT_GE(Homes.size(), 8u);
  ASSERT_LE(Homes.size(), 256u);
  for (int tick = 1; tick <= kTenMinutes; ++tick) {
    UpdateGame();
    for (std::size_t h = 0; h < Homes.size(); ++h)
      for (const TUnitRec& u : Homes[h].Units) {
        if (!u.Active) continue;
        // A unit that reached a cell without a path has it as its target for ever.
        const uint8_t path = MapCells[u.Column][u.Row].Path;
        ASSERT_TRUE(path >= 1 && path <= 8) << "tick " << tick << ": a unit of the hut at column "
                                            << int(Homes[h].Column) << ", row " << int(Homes[h].Row)
                                            << " stands on column " << int(u.Column) << ", row " << int(u.Row)
                                            << ", which has no path";
        // A unit that walked past its target without being found on it would walk on off the map.
        const TScreenPos target = CellPos[u.Column][u.Row];
        ASSERT_TRUE(std::fabs(u.X - static_cast<float>(target.x)) <= 64.5f &&
                    std::fabs(u.Y - static_cast<float>(target.y)) <= 32.5f)
            << "tick " << tick << ": a unit at (" << u.X << ", " << u.Y << ") has passed its target (" << target.x
            << ", " << target.y << ")";
      }
  }
  for (const THomeCord& home : Homes) EXPECT_EQ(home.Released, UnitsPerHome) << "a hut still holds units";

  const auto before = ShadowsOnScreen();
  UpdateGame();
  const auto after = ShadowsOnScreen();
  int moved = 0;
  for (const auto& shadow : after) moved += before.count(shadow) == 0 ? 1 : 0;
  EXPECT_GE(moved, kMovingOnScreenAtLeast) << "units moving on screen after ten minutes, of " << after.size()
                                           << " shown";
  std::printf("[ figures  ] after %d ticks: %d units moving on screen, %zu shown\n", kTenMinutes, moved, after.size());
}

}  // namespace
