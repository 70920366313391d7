// The game's own frames through the real engine, drawn three ways: accelerated in two bands at once,
// accelerated on one thread, and plain (every call at once, from whole-row tinted copies, as the engine
// drew before it kept pictures as runs and tinted while blending). The screenshots are the same bytes.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "tests/support/GameRun.h"

namespace {

const char* const kShots[] = {"menu.png", "start.png", "walk.png", "late.png"};

std::map<std::string, std::string> Shots(const std::map<std::string, std::string>& env) {
  GameRunOptions options;
  options.Files["PlayerN.cgm"] = "Tester\n";
  options.Env = env;
  std::ostringstream script;
  script << "1 key 27\n"
         << "60 shot menu.png\n"  // during the menu's fade-in
         << "100 move 512 165\n"
         << "110 click\n"         // "Новая игра"
         << "180 shot start.png\n"
         << "200 move 80 700\n"
         << "300 shot walk.png\n"
         << "310 move 980 60\n"
         << "420 shot late.png\n"
         << "421 quit\n";
  options.Script = script.str();
  const GameRun run = RunGame(options);
  EXPECT_EQ(run.Status, 0) << run.Stderr;
  std::map<std::string, std::string> out;
  for (const char* shot : kShots) out[shot] = ReadFile(run.Folder + "/" + shot);
  return out;
}

}  // namespace

TEST(DrawingEndToEnd, GameFramesAreTheSameInTwoBandsOnOneThreadAndPlain) {
  const auto two = Shots({{"OMEGA_THREADS", "2"}});
  const auto one = Shots({{"OMEGA_THREADS", "1"}});
  const auto plain = Shots({{"OMEGA_PLAIN", "1"}});
  for (const char* shot : kShots) {
    ASSERT_FALSE(plain.at(shot).empty()) << shot << " was not written";
    EXPECT_TRUE(two.at(shot) == plain.at(shot)) << shot << ": two bands differ from the plain drawing";
    EXPECT_TRUE(one.at(shot) == plain.at(shot)) << shot << ": one thread differs from the plain drawing";
  }
  // The frames compared are different frames (units walked, the pointer moved), not one picture.
  EXPECT_NE(plain.at("walk.png"), plain.at("late.png"));
  EXPECT_NE(plain.at("menu.png"), plain.at("start.png"));
}
