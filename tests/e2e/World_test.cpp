// The game scene in the real game: units leave their huts and walk, turrets follow the pointer, huts
// and altars animate, as seen in the trace and in screenshots.
#include <gtest/gtest.h>

#include <cmath>
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

// The frame a turret shows for a pointer, from the pivot its sprite implies (the gun is drawn 96 pixels
// left of and 32 below its pivot): degrees as the game counts them, in sectors of ten.
int AimFrame(float gunX, float gunY, int mouseX, int mouseY) {
  static const int frames[37] = {5,  6,  7,  8,  9,  10, 10, 11, 12, 13, 14, 15, 16, 17, 18, 18, 19, 21, 21,
                                 21, 23, 24, 25, 25, 26, 27, 28, 29, 30, 31, 32, 1,  1,  2,  3,  4,  5};
  const double dx = mouseX - (gunX + 96), dy = mouseY - (gunY + 32);
  const long degrees = std::lrint(std::atan2(dy, dx) * 57.32);
  return frames[degrees / 10 + 18];
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
  int gunChecks = 0, gunMisses = 0;
  std::string firstMiss;
  for (const Sprite& s : Sprites(run)) {
    if (s.Tick < kGameFrom) continue;
    if (bodies.count(s.Texture) != 0) {
      ++bodiesPerTick[s.Tick];
      bodyPlaces[s.Tick].insert({s.X, s.Y});
    }
    if (s.Texture == home && s.W == 192) homeFrames.insert(s.Frame);
    if (s.Texture == altar) altarFrames.insert(s.Frame);
    // Turrets (fixed ones keep frame 0) a few ticks after each pointer move.
    if (s.Texture == gun && s.Frame != 0 && (s.Tick == kPointerA + 5 || s.Tick == kPointerB + 5)) {
      const bool atA = s.Tick == kPointerA + 5;
      const int expected = atA ? AimFrame(s.X, s.Y, 80, 700) : AimFrame(s.X, s.Y, 980, 60);
      ++gunChecks;
      if (s.Frame != expected && ++gunMisses == 1)
        firstMiss = "gun at (" + std::to_string(s.X) + ", " + std::to_string(s.Y) + ") tick " + std::to_string(s.Tick) +
                    ": frame " + std::to_string(s.Frame) + ", expected " + std::to_string(expected);
    }
  }

  // Units come out of the huts, more over time, and they move.
  ASSERT_FALSE(bodiesPerTick.empty()) << "no unit was ever drawn";
  const int early = bodiesPerTick[kGameFrom + 10], late = bodiesPerTick[kLastTick];
  EXPECT_GT(early, 0) << "units drawn at tick " << kGameFrom + 10;
  EXPECT_GT(late, early) << "more units out at the end than at the start";
  EXPECT_NE(bodyPlaces[kLastTick - 50], bodyPlaces[kLastTick]) << "units stood still for 50 ticks";

  // Turrets face the pointer.
  EXPECT_GT(gunChecks, 0) << "no aimed turret drawn";
  EXPECT_EQ(gunMisses, 0) << firstMiss;

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
