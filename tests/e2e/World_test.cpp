// The game scene in the real game: units leave their huts and walk, turrets follow the pointer, huts
// and altars animate, as seen in the trace and in screenshots.
#include <gtest/gtest.h>

#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/GameRun.h"

namespace {

// The handle the engine gave the n-th load (from 1) of a picture, or 0.
int HandleOf(const GameRun& run, const std::string& file, int nth = 1) {
  for (const auto& call : TraceOf(run, "Tex_LoadFromFile"))
    if (!call.Args.empty() && call.Args[0] == file && --nth == 0) return call.ResultInt();
  return 0;
}

// An ASprite_Draw as traced: tick, texture, x, y, w, h, frame.
struct Sprite {
  int Tick, Texture;
  float X, Y, W, H;
  int Frame;
};
std::vector<Sprite> Sprites(const GameRun& run) {
  std::vector<Sprite> out;
  for (const auto& c : TraceOf(run, "ASprite_Draw")) {
    if (c.Args.size() < 6) continue;
    out.push_back({static_cast<int>(c.Tick), c.Int(0), c.Float(1), c.Float(2), c.Float(3), c.Float(4), c.Int(5)});
  }
  return out;
}

constexpr int kGameFrom = 170;  // the menu's fade has ended by then
constexpr int kPointerA = 300;  // from this tick the pointer is at A
constexpr int kPointerB = 450;  // and from this one at B
constexpr int kLastTick = 640;

TEST(WorldEndToEnd, UnitsLeaveHutsTurretsFollowThePointerAndHutsAnimate) {
  GameRunOptions options;
  options.Files["PlayerN.cgm"] = "Tester\n";
  std::ostringstream script;
  script << "1 key 27\n"               // skip the intro: fade into the main menu
         << "100 move 512 165\n"
         << "110 click\n"              // "Новая игра"
         << "250 shot early.png\n"
         << kPointerA << " move 80 700\n"
         << "440 shot middle.png\n"
         << kPointerB << " move 980 60\n"
         << "620 shot late.png\n"
         << kLastTick << " quit\n";
  options.Script = script.str();
  const GameRun run = RunGame(options);
  ASSERT_EQ(run.Status, 0) << run.Stderr;

  const int map2 = HandleOf(run, "Data\\Map2.jpg");
  const int gun = HandleOf(run, "Data\\gun1-1.jpg");
  const int home = HandleOf(run, "Data\\home.jpg", 1);
  const int altar = HandleOf(run, "Data\\altar.jpg");
  ASSERT_TRUE(map2 && gun && home && altar) << "world pictures not loaded";
  std::set<int> bodies;  // every facing of both body sets
  for (int d = 0; d <= 7; ++d) {
    bodies.insert(HandleOf(run, "Data\\Model\\sh" + std::to_string(d) + ".jpg"));
    bodies.insert(HandleOf(run, "Data\\Model\\pt" + std::to_string(d) + ".jpg"));
  }

  // The game scene is drawn: its backdrop over the whole window.
  int firstGameTick = -1;
  for (const auto& call : TraceOf(run, "SSprite_Draw"))
    if (call.Body.starts_with("SSprite_Draw " + std::to_string(map2) + " 0 0 1024 768 ")) {
      firstGameTick = static_cast<int>(call.Tick);
      break;
    }
  ASSERT_GT(firstGameTick, 0) << "the game scene was never drawn";
  ASSERT_LT(firstGameTick, kGameFrom);

  std::map<int, int> bodiesPerTick;
  std::map<int, std::set<std::pair<float, float>>> bodyPlaces;
  std::set<int> homeFrames, altarFrames;
  // Each aimed turret's frame (fixed ones keep frame 0), by its place, a few ticks after each pointer
  // move and long after it. Which frame a pointer gives is pinned by the unit tests; here the turrets
  // must follow the pointer and hold still while it does.
  using Place = std::pair<float, float>;
  std::map<Place, int> aimedAtA, heldAtA, aimedAtB, heldAtB;
  for (const Sprite& s : Sprites(run)) {
    if (s.Tick < kGameFrom) continue;
    if (bodies.count(s.Texture) != 0) {
      ++bodiesPerTick[s.Tick];
      bodyPlaces[s.Tick].insert({s.X, s.Y});
    }
    if (s.Texture == home && s.W == 192) homeFrames.insert(s.Frame);
    if (s.Texture == altar) altarFrames.insert(s.Frame);
    if (s.Texture == gun && s.Frame != 0) {
      const Place at{s.X, s.Y};
      if (s.Tick == kPointerA + 5) aimedAtA[at] = s.Frame;
      if (s.Tick == kPointerB - 5) heldAtA[at] = s.Frame;
      if (s.Tick == kPointerB + 5) aimedAtB[at] = s.Frame;
      if (s.Tick == kLastTick) heldAtB[at] = s.Frame;
    }
  }

  // Units come out of the huts, more over time, and they move.
  ASSERT_FALSE(bodiesPerTick.empty()) << "no unit was ever drawn";
  const int early = bodiesPerTick[kGameFrom + 10], late = bodiesPerTick[kLastTick];
  EXPECT_GT(early, 0) << "units drawn at tick " << kGameFrom + 10;
  EXPECT_GT(late, early) << "more units out at the end than at the start";
  EXPECT_NE(bodyPlaces[kLastTick - 50], bodyPlaces[kLastTick]) << "units stood still for 50 ticks";

  // Turrets turn when the pointer moves across the window, and keep facing it while it stands.
  ASSERT_FALSE(aimedAtA.empty()) << "no aimed turret drawn";
  EXPECT_EQ(heldAtA, aimedAtA) << "a turret turned while the pointer stood at A";
  EXPECT_EQ(heldAtB, aimedAtB) << "a turret turned while the pointer stood at B";
  ASSERT_EQ(aimedAtB.size(), aimedAtA.size()) << "the same turrets are drawn";
  for (const auto& [at, frame] : aimedAtA)
    EXPECT_NE(aimedAtB[at], frame) << "the turret at (" << at.first << ", " << at.second
                                   << ") did not turn from the bottom-left pointer to the top-right one";

  // Huts and altars run through their four frames.
  EXPECT_EQ(homeFrames, (std::set<int>{1, 2, 3, 4}));
  EXPECT_EQ(altarFrames, (std::set<int>{1, 2, 3, 4}));

  // The screenshots show the scene changing.
  const std::string shots[] = {"early.png", "middle.png", "late.png"};
  std::string previous;
  for (const auto& name : shots) {
    const std::string png = ReadFile(run.Folder + "/" + name);
    ASSERT_GT(png.size(), 1000u) << name << " missing or empty";
    EXPECT_EQ(png.substr(1, 3), "PNG") << name;
    EXPECT_NE(png, previous) << name << " is the same picture as the one before";
    previous = png;
  }
}

}  // namespace
