#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/GameRun.h"
#include "tests/support/Golden.h"
#include "tests/support/Spawn.h"

namespace {

using Lines = std::vector<std::string>;

GameRunOptions Scripted(const std::string& script) {
  GameRunOptions options;
  options.Script = script;
  return options;
}

bool StartsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

// The fade sheet: the black picture (the fourth load) over the whole window.
constexpr const char* kFadePrefix = "SSprite_Draw 4 0 0 1026 770 ";
// The cursor: the third load, 35×70 at the pointer.
bool IsCursor(const std::string& body) {
  return StartsWith(body, "SSprite_Draw 3 ") && body.find(" 35 70 255 0 1") != std::string::npos;
}

TEST(ShellStartUp, EngineIsSetUpInOrderThenTheInterfacePicturesLoad) {
  const GameRun run = RunGame(Scripted("2 quit\n"));
  ASSERT_EQ(run.Status, 0) << run.Stderr;

  Lines setUp;
  for (const auto& call : run.Trace) {
    const std::string& op = call.Name;
    if (op == "Timer_Create" || op == "OE_RegProcedure" || op == "OE_SetScreenOptions" || op == "OE_SetWndPosition")
      setUp.push_back(call.Body);
  }
  ASSERT_EQ(setUp.size(), 6u) << "expected six set-up calls, got " << setUp.size();
  EXPECT_EQ(setUp[0], "Timer_Create timer 12 1 =1");
  EXPECT_EQ(setUp[1], "OE_RegProcedure 1 load");
  EXPECT_EQ(setUp[2], "OE_RegProcedure 0 draw");
  EXPECT_EQ(setUp[3], "OE_RegProcedure 2 quit");
  EXPECT_EQ(setUp[4], "OE_SetScreenOptions 1024 768 32 0 0 0");
  // Headless there is no screen (size 0 × 0): the centred position is negative, halved toward zero.
  EXPECT_EQ(setUp[5], "OE_SetWndPosition -512 -384");

  // The load callback's first loads are the interface pictures, then the font.
  Lines loads;
  for (const auto& call : run.Trace) {
    const std::string& op = call.Name;
    if (op != "Tex_LoadFromFile" && op != "Tex_LoadMaskFromFile" && op != "Tex_SetFramesSize" &&
        op != "Text_LoadFontFromFile")
      continue;
    EXPECT_EQ(call.Tick, 0) << "loaded after the first tick: " << call.Body;
    loads.push_back(call.Body);
    if (op == "Text_LoadFontFromFile") break;
  }
  EXPECT_EQ(loads, InterfaceLoadOrder());
}

TEST(ShellFade, EscapeDuringTheIntroFadesToTheMenu) {
  constexpr int kPress = 5;
  const GameRun run = RunGame(Scripted("5 key 27\n130 quit\n"));
  ASSERT_EQ(run.Status, 0) << run.Stderr;

  // The fade's opacity frame by frame: Escape starts it after the tick's fade step (0), then it rises
  // by 5 to 250, switches on its 51st tick, falls back to 10 and is gone on its 100th.
  std::vector<int> alphaByTick(131, -1);
  int firstCursorTick = -1;
  for (const auto& call : run.Trace) {
    const std::string& body = call.Body;
    const int tick = static_cast<int>(call.Tick);
    if (StartsWith(body, kFadePrefix) && tick <= 130) {
      EXPECT_EQ(alphaByTick[tick], -1) << "two fade sheets in one frame at tick " << tick;
      alphaByTick[tick] = call.Int(5);
    }
    if (IsCursor(body) && firstCursorTick < 0) firstCursorTick = tick;
  }
  for (int tick = 1; tick <= 130; ++tick) {
    const int k = tick - kPress;  // the fade's own tick number
    int expected = -1;            // not drawn
    if (k == 0) expected = 0;
    else if (k >= 1 && k <= 50) expected = 5 * k;
    else if (k == 51) expected = 250;
    else if (k >= 52 && k <= 99) expected = 250 - 5 * (k - 51);
    EXPECT_EQ(alphaByTick[tick], expected) << "tick " << tick << " (fade tick " << k << "; -1: not drawn)";
  }
  // The cursor is not drawn during the intro: its first frame is the one after the switch.
  EXPECT_EQ(firstCursorTick, kPress + 51);
}

TEST(ShellOverlay, F2ShowsTheDebugLinesOutsideTheIntro) {
  // Escape at tick 1 leaves the intro; its fade is over by tick 101.
  const GameRun run = RunGame(Scripted("1 key 27\n110 key 113\n112 quit\n"));
  ASSERT_EQ(run.Status, 0) << run.Stderr;
  Lines overlay;
  for (const auto& call : TraceOf(run, "Text_Draw")) {
    const std::string& body = call.Body;
    if (StartsWith(body, R"(Text_Draw 9 10 5 "FPS: )") || StartsWith(body, R"(Text_Draw 9 10 20 "Angle: )") ||
        StartsWith(body, R"(Text_Draw 9 10 35 "Angle: )")) {
      EXPECT_GE(call.Tick, 110) << "overlay before F2: " << body;
      EXPECT_TRUE(body.ends_with(" 1 0 255 16777215")) << "white, opaque, scale 1: " << body;
      overlay.push_back(body);
    }
  }
  EXPECT_EQ(overlay.size(), 9u) << "three lines in each of the frames of ticks 110..112";
}

TEST(ShellCursor, DrawnAtThePointer) {
  const GameRun run = RunGame(Scripted("1 key 27\n105 move 321 654\n106 quit\n"));
  ASSERT_EQ(run.Status, 0) << run.Stderr;
  Lines cursors;
  for (const auto& call : TraceOf(run, "SSprite_Draw"))
    if (IsCursor(call.Body) && call.Tick >= 105) cursors.push_back(std::to_string(call.Tick) + " " + call.Body);
  EXPECT_EQ(cursors, (Lines{"105 SSprite_Draw 3 321 654 35 70 255 0 1", "106 SSprite_Draw 3 321 654 35 70 255 0 1"}));
  // The pointer is read X first, just before the cursor is drawn.
  for (std::size_t i = 2; i < run.Trace.size(); ++i)
    if (run.Trace[i].Tick == 105 && IsCursor(run.Trace[i].Body)) {
      const auto& x = run.Trace[i - 2];
      const auto& y = run.Trace[i - 1];
      EXPECT_EQ((Lines{std::to_string(x.Tick) + " " + x.Body, std::to_string(y.Tick) + " " + y.Body}),
                (Lines{"105 Mouse_X =321", "105 Mouse_Y =654"}));
      break;
    }
}

// The game reads no environment variable: a seed in the environment does not make two runs alike, while
// the test build of the game (its seed linked in) plays the same game every time.
std::string UnitsPlay(const std::string& executable) {
  GameRunOptions options = Scripted("1 key 27\n110 move 512 165\n120 click\n230 move 300 400\n260 quit\n");
  options.Executable = executable;
  options.Files["PlayerN.cgm"] = "Ann\r\n";
  options.Env["ZANORU_SEED"] = "7";
  const GameRun run = RunGame(options);
  EXPECT_EQ(run.Status, 0) << run.Stderr;
  EXPECT_GT(TraceOf(run, "ASprite_Draw").size(), 1000u) << "the game scene was not played";
  return ReadFile(run.Folder + "/.trace");
}

// Nothing of the game's own code asks for an environment variable: the program imports no getenv.
TEST(ShellEnvironment, TheGameImportsNoGetenv) {
  const std::string folder = TempFolder("zanoru-nm");
  const Spawned nm = RunInFolder(folder, {"/usr/bin/nm", "-D", "--undefined-only", GameFolder() + "/zanoru"}, {}, 60);
  ASSERT_EQ(nm.Status, 0) << nm.Stderr;
  EXPECT_NE(nm.Stdout.find("exit"), std::string::npos) << "no imports read: " << nm.Stdout;
  EXPECT_EQ(nm.Stdout.find("getenv"), std::string::npos) << nm.Stdout;
  RemoveFolder(folder);
}

TEST(ShellEnvironment, ASeedInTheEnvironmentIsNotReadOnlyTheTestBuildHasOne) {
  const std::string first = UnitsPlay(GameFolder() + "/zanoru");
  const std::string second = UnitsPlay(GameFolder() + "/zanoru");
  EXPECT_NE(first, second) << "two runs of the game with ZANORU_SEED=7 set coloured their units alike";
  const std::string seeded = UnitsPlay(SEEDED_GAME);
  EXPECT_EQ(UnitsPlay(SEEDED_GAME), seeded) << "two runs of the test build differ";
  EXPECT_NE(seeded, first);
}

TEST(ShellEngineLoad, MissingLibraryIsReportedAndTheProgramFails) {
  GameRunOptions options = Scripted("1 quit\n");
  options.LinkEngine = false;
  const GameRun run = RunGame(options);
  EXPECT_NE(run.Status, 0);
  EXPECT_NE(run.Stderr.find("Error: Error while loading OMEGA Engine"), std::string::npos) << run.Stderr;
  EXPECT_TRUE(run.Trace.empty());
}

TEST(ShellEngineLoad, LibraryLackingAnOperationIsNamed) {
  GameRunOptions options = Scripted("1 quit\n");
  options.LinkEngine = false;
  options.Files["DX/OMEGA.dll"] = ReadFile(PARTIAL_ENGINE);
  ASSERT_FALSE(options.Files["DX/OMEGA.dll"].empty()) << "the test library was not built: " << PARTIAL_ENGINE;
  const GameRun run = RunGame(options);
  EXPECT_NE(run.Status, 0);
  EXPECT_NE(run.Stderr.find("Error: "), std::string::npos) << run.Stderr;
  EXPECT_NE(run.Stderr.find("Mouse_Press"), std::string::npos) << run.Stderr;
  EXPECT_EQ(run.Stderr.find("Error while loading"), std::string::npos) << "it did load: " << run.Stderr;
}

}  // namespace
