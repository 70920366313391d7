// The real game in a real window under a private X server, played with real input from xdotool.
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <vector>

#include "records/GRecords.h"
#include "tests/support/GameRun.h"
#include "tests/window/Desktop.h"

namespace fs = std::filesystem;

namespace {

const char kPlayerFile[] = "\xC2\xE0\xF1\xFF\r\n";  // "Вася": the game starts in the menu after the intro
const char kGreeting[] = "Добро пожаловать в игру, Вася";
constexpr int kMenuSettles = 80;  // ticks from the menu's first frame until its fade has ended
constexpr int kBusyFrame = 100;   // a frame of the game scene draws many more sprites than any menu

// The menu after its fade, the pointer at (300, 400), drawn headless: the window must show the same.
const desk::Picture& HeadlessMenu() {
  static const desk::Picture picture = [] {
    GameRunOptions options;
    options.Files["PlayerN.cgm"] = kPlayerFile;
    options.Script = "10 key 27\n60 move 300 400\n250 shot menu.png\n251 quit\n";
    const GameRun run = RunGame(options);
    return desk::ReadPng(run.Folder + "/menu.png");
  }();
  return picture;
}

struct Difference {
  long Pixels = 0;
  int FirstX = -1, FirstY = -1;
};

Difference Compare(const desk::Picture& a, const desk::Picture& b) {
  Difference d;
  for (int y = 0; y < a.H; ++y)
    for (int x = 0; x < a.W; ++x)
      if (!std::equal(a.At(x, y), a.At(x, y) + 3, b.At(x, y))) {
        if (d.Pixels++ == 0) d.FirstX = x, d.FirstY = y;
      }
  return d;
}

std::string Colour(const desk::Picture& p, int x, int y) {
  const uint8_t* c = p.At(x, y);
  return std::to_string(c[0]) + "," + std::to_string(c[1]) + "," + std::to_string(c[2]);
}

class WindowGame : public ::testing::Test {
 protected:
  desk::Xvfb X;
  desk::Desktop D;
  desk::Process Game;
  desk::LiveTrace Trace;
  std::string Dir;

  void SetUp() override {
    if (!desk::HaveProgram("Xvfb") || !desk::HaveProgram("xdotool") || !desk::HaveProgram("xwd") ||
        !desk::HaveProgram("xprop"))
      GTEST_SKIP() << "Xvfb, xdotool, xwd or xprop is not installed";
    ASSERT_TRUE(X.Start()) << "no free display for Xvfb from :90 up";
    D.Display = X.Name();
    Dir = desk::TempFolder();
    fs::create_directory_symlink(fs::path(GameFolder()) / "Data", Dir + "/Data");
    fs::create_directory_symlink(fs::path(GameFolder()) / "DX", Dir + "/DX");
    std::ofstream(Dir + "/PlayerN.cgm", std::ios::binary) << kPlayerFile;
    // SDL's use of D-Bus leaves a small allocation behind that is not ours.
    std::ofstream(Dir + "/lsan.supp") << "leak:libdbus-1.so\n";
    Trace.Path = Dir + "/trace.txt";
  }

  void StartGame(const std::string& executable = GameFolder() + "/zanoru",
                 const std::vector<std::string>& extraArgs = {}) {
    std::vector<std::string> args = {executable};
    args.insert(args.end(), extraArgs.begin(), extraArgs.end());
    ASSERT_TRUE(Game.Start(Dir, args, {{"DISPLAY", D.Display}, {"OMEGA_TRACE", Trace.Path},
                                       {"LSAN_OPTIONS", "suppressions=" + Dir + "/lsan.supp"}}));
    // The engine names the window after the program: "Zanoru", "Omega_probe".
    std::string title = fs::path(executable).stem().string();
    title[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(title[0])));
    ASSERT_TRUE(D.FindWindow("^" + title + "$", 30)) << "the window did not appear: " << Game.Stderr();
  }

  // Waits until `ticks` more timer ticks have run than when it was called.
  bool RunTicks(int ticks, double seconds = 30) {
    const int64_t from = Trace.LastTick();
    return desk::WaitUntil([&] { return Trace.LastTick() >= from + ticks; }, seconds);
  }

  // Skips the intro with Escape and waits until the menu's fade has ended; the menu's first tick.
  int64_t ToMenu() {
    EXPECT_TRUE(RunTicks(5)) << "the game does not tick: " << Game.Stderr();
    EXPECT_TRUE(D.Key("Escape"));
    int64_t menu = -1;
    EXPECT_TRUE(desk::WaitUntil([&] { return (menu = Trace.FirstTick("Text_Draw", kGreeting)) >= 0; }, 30))
        << "the menu did not open after Escape";
    EXPECT_TRUE(desk::WaitUntil([&] { return Trace.LastTick() >= menu + kMenuSettles; }, 30));
    return menu;
  }

  // Clicks at a window position and waits for the game scene's first frame; its tick, or -1.
  int64_t StartPlaying(int x, int y) {
    const int64_t from = Trace.LastTick();
    EXPECT_TRUE(D.MoveTo(x, y));
    EXPECT_TRUE(RunTicks(3));
    EXPECT_TRUE(D.Click());
    int64_t game = -1;
    desk::WaitUntil([&] { return (game = Trace.FirstBusyTick("ASprite_Draw", kBusyFrame, from)) >= 0; }, 30);
    return game;
  }

  // The pointer's position as the game last read it from the engine.
  std::string LastPointer() {
    std::string x, y;
    for (const auto& call : Trace.Calls()) {
      if (call.Name == "Mouse_X") x = call.Result;
      if (call.Name == "Mouse_Y") y = call.Result;
    }
    return x + "," + y;
  }
};

// One run: the menu in the window is the headless picture, unscaled and then letterboxed in a larger
// window where the pointer still hits; the game played at the window's own size again, then quit
// through the menu.
TEST_F(WindowGame, ShowsTheHeadlessPictureUnscaledAndLetterboxedThenPlaysAndQuitsThroughTheMenu) {
  const desk::Picture& expected = HeadlessMenu();
  ASSERT_EQ(expected.W, 1024) << "the headless run wrote no menu picture";
  StartGame();
  ToMenu();
  ASSERT_TRUE(D.MoveTo(300, 400));
  ASSERT_TRUE(RunTicks(10));
  const desk::Picture menu = D.Shot(Dir);
  ASSERT_EQ(menu.W, 1024) << "no window decorations: the client area is the window";
  ASSERT_EQ(menu.H, 768);
  const Difference diff = Compare(menu, expected);
  if (diff.Pixels != 0) desk::WritePpm(Dir + "/window-menu.ppm", menu);
  EXPECT_EQ(diff.Pixels, 0) << "the window's menu differs from the headless one; first at (" << diff.FirstX << ", "
                            << diff.FirstY << "): expected " << Colour(expected, diff.FirstX, diff.FirstY) << ", got "
                            << Colour(menu, diff.FirstX, diff.FirstY) << " (" << Dir << "/window-menu.ppm)";

  // 1280×1024 holds the game 1.25 times: 1280×960 with a 32-pixel black bar above and below. The
  // window goes to the corner first so that all of it is on the screen.
  ASSERT_TRUE(D.Xdotool({"windowmove", "--sync", D.Window, "0", "0"}));
  ASSERT_TRUE(D.Xdotool({"windowsize", "--sync", D.Window, "1280", "1024"}));
  ASSERT_TRUE(D.MoveTo(375, 532));  // (300, 400) in the game
  ASSERT_TRUE(RunTicks(10));
  EXPECT_EQ(LastPointer(), "300,400") << "the pointer in game coordinates";
  const desk::Picture shot = D.Shot(Dir);
  ASSERT_EQ(shot.W, 1280);
  ASSERT_EQ(shot.H, 1024);
  long barPixels = 0;
  for (int y : {0, 15, 31, 992, 1010, 1023})
    for (int x = 0; x < shot.W; ++x) barPixels += shot.At(x, y)[0] + shot.At(x, y)[1] + shot.At(x, y)[2] != 0;
  EXPECT_EQ(barPixels, 0) << "the bars above and below are black";
  // The picture between the bars is the menu, scaled: compare the middles of 4×4 blocks.
  int samples = 0, close = 0;
  for (int y = 2; y < 768; y += 4)
    for (int x = 2; x < 1024; x += 4) {
      const uint8_t* want = expected.At(x, y);
      const uint8_t* got = shot.At(x * 5 / 4, 32 + y * 5 / 4);
      ++samples;
      close += std::abs(want[0] - got[0]) <= 24 && std::abs(want[1] - got[1]) <= 24 && std::abs(want[2] - got[2]) <= 24;
    }
  if (close < samples * 95 / 100) desk::WritePpm(Dir + "/window-scaled.ppm", shot);
  EXPECT_GE(close, samples * 95 / 100) << "of " << samples << " points of the scaled menu (" << Dir << ")";

  // "Новая игра" at its scaled place: (512, 165) in the game, (512 × 1.25, 32 + 165 × 1.25) in the window.
  const int64_t game = StartPlaying(640, 239);
  ASSERT_GE(game, 0) << "clicking the scaled button did not start the game";
  EXPECT_EQ(LastPointer(), "512,165");
  // Back at the game's own size, the world runs for a while.
  ASSERT_TRUE(D.Xdotool({"windowsize", "--sync", D.Window, "1024", "768"}));
  ASSERT_TRUE(RunTicks(200));
  const desk::Picture world = D.Shot(Dir);
  ASSERT_EQ(world.W, 1024);
  EXPECT_GT(Compare(world, expected).Pixels, 1024L * 768 / 2) << "the window still shows the menu";

  // Escape back to the menu, then "Выйти".
  const int64_t escaped = Trace.LastTick();
  ASSERT_TRUE(D.Key("Escape"));
  int64_t back = -1;
  ASSERT_TRUE(desk::WaitUntil([&] { return (back = Trace.FirstTick("Text_Draw", kGreeting, escaped)) >= 0; }, 30))
      << "Escape did not lead back to the menu";
  ASSERT_TRUE(desk::WaitUntil([&] { return Trace.LastTick() >= back + kMenuSettles; }, 30));
  ASSERT_TRUE(D.MoveTo(512, 615));
  ASSERT_TRUE(RunTicks(3));
  ASSERT_TRUE(D.Click());
  ASSERT_TRUE(Game.Wait(30)) << "the game did not end after Выйти";
  EXPECT_EQ(Game.Status, 0) << Game.Stderr();
  EXPECT_GE(Trace.FirstTick("OE_Quit"), back) << "the game ended other than through the menu";
  EXPECT_EQ(fs::exists(Dir + "/records.vyx") ? fs::file_size(Dir + "/records.vyx") : 0u, kRecordsFileSize);
}

// One run in a scaled window with bars at the sides (1280×720 holds the picture 0.9375 times: 960×720
// between 160-pixel bars). Over the bars the desktop's cursor shows and the game's own does not, though
// the game still reads the pointer clamped to the picture's edge and still draws its cursor there; over
// the picture the desktop's cursor is hidden and the game's is drawn. A click over a bar is no click,
// not even on the corner button the clamped position lies on. SIGTERM then ends the game the way
// closing the window does.
TEST_F(WindowGame, OverTheBarsOfAScaledWindowTheDesktopsCursorShowsAndClicksAreNotThePictures) {
  StartGame();
  ToMenu();
  ASSERT_TRUE(D.Xdotool({"windowmove", "--sync", D.Window, "0", "0"}));
  ASSERT_TRUE(D.Xdotool({"windowsize", "--sync", D.Window, "1280", "720"}));
  auto pointAt = [&](int x, int y) {
    EXPECT_TRUE(D.MoveTo(x, y));
    EXPECT_TRUE(RunTicks(10));
  };
  // The game's cursor (35×70 in the game, 33×66 in the window) at (0, 320) of the game would cover
  // this part of the window, just right of the left bar.
  auto cursorArea = [](const desk::Picture& p) {
    std::vector<uint8_t> area;
    for (int y = 300; y < 300 + 70; ++y) area.insert(area.end(), p.At(160, y), p.At(160 + 40, y));
    return area;
  };

  pointAt(1000, 600);  // on the picture, far from the left edge
  const desk::Picture away = D.Shot(Dir);
  ASSERT_EQ(away.W, 1280);
  EXPECT_EQ(D.CursorShows(), 0) << "the desktop's cursor over the picture";

  pointAt(60, 300);  // the left bar
  EXPECT_EQ(LastPointer(), "0,320") << "the pointer over the bar, as the game reads it";
  const int64_t onBar = Trace.LastTick();
  EXPECT_TRUE(desk::WaitUntil([&] { return Trace.FirstTick("SSprite_Draw", "SSprite_Draw 3 0 320 35 70", onBar) >= 0; }, 10))
      << "the game draws its cursor at the clamped position as ever";
  const desk::Picture bar = D.Shot(Dir);
  ASSERT_EQ(bar.W, 1280);
  EXPECT_EQ(D.CursorShows(), 1) << "no desktop cursor over the bar";
  if (cursorArea(bar) != cursorArea(away)) desk::WritePpm(Dir + "/window-bar.ppm", bar);
  EXPECT_TRUE(cursorArea(bar) == cursorArea(away)) << "the game's cursor shows at the picture's edge (" << Dir << ")";

  pointAt(160, 300);  // the same place of the game, on the picture
  EXPECT_EQ(LastPointer(), "0,320");
  EXPECT_EQ(D.CursorShows(), 0) << "the desktop's cursor back on the picture";
  EXPECT_FALSE(cursorArea(D.Shot(Dir)) == cursorArea(away)) << "the game's cursor on the picture's edge is drawn";

  // "Новая игра": (512, 165) in the game, (160 + 512 × 0.9375, 165 × 0.9375) in the window.
  ASSERT_GE(StartPlaying(640, 155), 0) << "the game scene did not start";
  ASSERT_TRUE(D.MoveTo(60, 40));  // the left bar, beside the corner button
  ASSERT_TRUE(RunTicks(10));
  EXPECT_EQ(LastPointer(), "0,42") << "the pointer over the bar, as the game reads it";
  ASSERT_TRUE(D.MoveTo(1250, 715));  // the right bar, low
  ASSERT_TRUE(RunTicks(10));
  EXPECT_EQ(LastPointer(), "1023,762");
  ASSERT_TRUE(D.MoveTo(60, 40));
  ASSERT_TRUE(RunTicks(5));
  const int64_t clicked = Trace.LastTick();
  ASSERT_TRUE(D.Click());
  ASSERT_TRUE(RunTicks(60));
  EXPECT_EQ(Trace.FirstTick("Text_Draw", kGreeting, clicked), -1) << "a click on the bar led to the menu";
  // The corner button itself, inside the picture, still works.
  ASSERT_TRUE(D.MoveTo(160 + 30, 30));
  ASSERT_TRUE(RunTicks(5));
  const int64_t inside = Trace.LastTick();
  ASSERT_TRUE(D.Click());
  EXPECT_TRUE(desk::WaitUntil([&] { return Trace.FirstTick("Text_Draw", kGreeting, inside) >= 0; }, 30))
      << "the corner button inside the picture did nothing";
  ASSERT_FALSE(fs::exists(Dir + "/records.vyx"));
  Game.Signal(SIGTERM);
  ASSERT_TRUE(Game.Wait(30));
  EXPECT_EQ(Game.Status, 0) << Game.Stderr();
  EXPECT_EQ(fs::exists(Dir + "/records.vyx") ? fs::file_size(Dir + "/records.vyx") : 0u, kRecordsFileSize)
      << "SIGTERM saves the records";
}

// One run: the desktop shows the game's own icon; F12 saves the frame under the next free name; no ticks
// run while the window is minimised and none are caught up after; then the window destroyed from outside:
// the game still saves its records, says what happened and ends with a status that is not success.
TEST_F(WindowGame, IconScreenshotsMinimisingThenALostWindowSavesTheRecordsAndFails) {
  const desk::Picture& expected = HeadlessMenu();
  ASSERT_EQ(expected.W, 1024) << "the headless run wrote no menu picture";
  std::ofstream(Dir + "/zanoru-0001.png") << "the player's own file";
  StartGame();
  ASSERT_TRUE(RunTicks(5));
  const desk::Ran icon = desk::Run({"/usr/bin/xprop", "-id", D.Window, "_NET_WM_ICON"}, {{"DISPLAY", D.Display}});
  EXPECT_NE(icon.Out.find("Icon (128 x 128)"), std::string::npos) << icon.Out.substr(0, 200) << icon.Err;

  ToMenu();
  ASSERT_TRUE(D.MoveTo(300, 400));
  ASSERT_TRUE(RunTicks(10));
  ASSERT_TRUE(D.Key("F12"));
  ASSERT_TRUE(desk::WaitUntil([&] { return Game.Stdout().find("zanoru-0002.png") != std::string::npos; }, 10))
      << Game.Stdout() << Game.Stderr();
  ASSERT_TRUE(D.Key("F12"));
  ASSERT_TRUE(desk::WaitUntil([&] { return Game.Stdout().find("zanoru-0003.png") != std::string::npos; }, 10))
      << Game.Stdout();

  // Without a window manager, unmapping the window is what minimising it is for SDL.
  ASSERT_TRUE(RunTicks(20));
  ASSERT_TRUE(D.Xdotool({"windowunmap", "--sync", D.Window}));
  // The game has taken it once its ticks stop (a frame in flight may still finish): none for half a second.
  int64_t hidden = Trace.LastTick();
  auto still = std::chrono::steady_clock::now();
  ASSERT_TRUE(desk::WaitUntil([&] {
    if (Trace.LastTick() != hidden) hidden = Trace.LastTick(), still = std::chrono::steady_clock::now();
    return std::chrono::steady_clock::now() - still >= std::chrono::milliseconds(500);
  }, 20)) << "the game kept ticking with its window minimised";
  sleep(2);
  EXPECT_EQ(Trace.LastTick(), hidden) << "ticks ran while the window was minimised";
  ASSERT_TRUE(D.Xdotool({"windowmap", "--sync", D.Window}));
  ASSERT_TRUE(RunTicks(1, 10)) << "the game did not come back";
  // Two seconds owed would be 166 ticks at once; the clock restarted instead.
  usleep(200000);
  EXPECT_LT(Trace.LastTick() - hidden, 100) << "the clock tried to catch up the minimised time";
  EXPECT_TRUE(Game.Running());

  ASSERT_FALSE(fs::exists(Dir + "/records.vyx"));
  ASSERT_TRUE(D.Xdotool({"windowclose", D.Window}));
  ASSERT_TRUE(Game.Wait(30)) << "the game went on without its window";
  EXPECT_NE(Game.Status, 0);
  EXPECT_LT(Game.Status, 128) << "killed by a signal";
  EXPECT_NE(Game.Stderr().find("the window or its display was lost"), std::string::npos) << Game.Stderr();
  EXPECT_EQ(fs::exists(Dir + "/records.vyx") ? fs::file_size(Dir + "/records.vyx") : 0u, kRecordsFileSize) << Game.Stderr();

  EXPECT_NE(Game.Stdout().find(Dir + "/zanoru-0002.png"), std::string::npos) << "says where: " << Game.Stdout();
  EXPECT_EQ(ReadFile(Dir + "/zanoru-0001.png"), "the player's own file") << "an existing file was overwritten";
  const desk::Picture shot = desk::ReadPng(Dir + "/zanoru-0002.png");
  ASSERT_EQ(shot.W, 1024);
  ASSERT_EQ(shot.H, 768);
  EXPECT_EQ(Compare(shot, expected).Pixels, 0) << "the screenshot is the menu as drawn";
  EXPECT_EQ(desk::ReadPng(Dir + "/zanoru-0003.png").W, 1024);
  EXPECT_FALSE(fs::exists(Dir + "/zanoru-0004.png"));
}

// The id of a top-level window named "Error" (SDL's message box, which xdotool's search does not see),
// or "".
std::string ErrorBox(const desk::Desktop& d) {
  const desk::Ran tree = desk::Run({"/usr/bin/xwininfo", "-root", "-children"}, {{"DISPLAY", d.Display}});
  const size_t at = tree.Out.find(" \"Error\": ");
  if (at == std::string::npos) return "";
  const size_t id = tree.Out.find("0x", tree.Out.rfind('\n', at) + 1);
  return id < at ? tree.Out.substr(id, tree.Out.find(' ', id) - id) : "";
}

// An error before the window opens (a records file cut short: run-time error 100) shows its box on the
// desktop; the same error in a run the engine draws off screen only says it on standard error, even with
// a display there, and never waits for anybody to dismiss a box; nor does a signal.
TEST_F(WindowGame, ErrorBoxOnTheDesktopButNotInAScriptedRun) {
  std::ofstream(Dir + "/records.vyx", std::ios::binary) << "short";
  std::ofstream(Dir + "/once.script") << "1 quit\n";
  desk::Process scripted;
  ASSERT_TRUE(scripted.Start(Dir, {GameFolder() + "/zanoru"},
                             {{"DISPLAY", D.Display}, {"OMEGA_SCRIPT", Dir + "/once.script"},
                              {"LSAN_OPTIONS", "suppressions=" + Dir + "/lsan.supp"}}));
  ASSERT_TRUE(scripted.Wait(30)) << "a scripted run waited for a box: " << scripted.Stderr();
  EXPECT_EQ(scripted.Status, 100) << scripted.Stderr();
  EXPECT_NE(scripted.Stderr().find("Runtime error 100 at"), std::string::npos) << scripted.Stderr();
  EXPECT_EQ(ErrorBox(D), "") << "a scripted run opened a box on the desktop";

  ASSERT_TRUE(Game.Start(Dir, {GameFolder() + "/zanoru"},
                         {{"DISPLAY", D.Display}, {"LSAN_OPTIONS", "suppressions=" + Dir + "/lsan.supp"}}));
  std::string box;
  ASSERT_TRUE(desk::WaitUntil([&] { return !(box = ErrorBox(D)).empty(); }, 30)) << "no box: " << Game.Stderr();
  EXPECT_TRUE(Game.Running()) << "the program must wait while its box is up";
  // Nothing manages windows here: the box gets the keyboard by hand, then Return presses its button. A
  // box found as it maps may not read keys yet: pressed again until it closes.
  bool closed = false;
  for (int attempt = 0; attempt < 15 && !closed; ++attempt) {
    D.Xdotool({"windowfocus", "--sync", box});
    D.Xdotool({"key", "Return"});
    closed = desk::WaitUntil([&] { return !Game.Running(); }, 2);
  }
  ASSERT_TRUE(closed && Game.Wait(5)) << "the box did not close";
  EXPECT_EQ(Game.Status, 100) << Game.Stderr();
  // A stop request while the box waits ends the program at once with the error's status (no engine: 1).
  for (const auto& [signal, status] : {std::pair{SIGTERM, 100}, std::pair{SIGINT, 1}}) {
    if (status == 1) fs::remove(Dir + "/DX");
    ASSERT_TRUE(desk::WaitUntil([&] { return ErrorBox(D).empty(); }, 10)) << "the last box stayed";
    desk::Process game;
    ASSERT_TRUE(game.Start(Dir, {GameFolder() + "/zanoru"}, {{"DISPLAY", D.Display}}));
    ASSERT_TRUE(desk::WaitUntil([&] { return !ErrorBox(D).empty(); }, 30)) << "no box: " << game.Stderr();
    game.Signal(signal);
    ASSERT_TRUE(game.Wait(10)) << "the box held the program after signal " << signal;
    EXPECT_EQ(game.Status, status) << game.Stderr();
  }
}

// Every scene in a window, none skipped: the whole intro, a name typed, the menu, records, the author, the
// map, resized and toggled to full screen and back while they fade; a sanitizer's report fails it. Then,
// with no window manager, full screen and back, or full screen and a resize from outside, still shows
// the game's own screenshot.
TEST_F(WindowGame, EverySceneInAWindowResizedAndToggledWhileItFades) {
  fs::remove(Dir + "/PlayerN.cgm");
  StartGame();
  using Do = std::vector<std::string>;
  const std::string &w = D.Window, menu = "Добро пожаловать в игру, фис";
  const Do big{"windowsize", w, "1280", "1024"}, odd{"windowsize", w, "900", "700"}, own{"windowsize", w, "1024", "768"},
      full{"key", "--window", w, "alt+Return"}, escape{"key", "--window", w, "Escape"};
  auto click = [&](const char* x, const char* y) { return Do{"mousemove", "--window", w, x, y, "click", "1"}; };
  struct Step {
    std::vector<Do> Does;
    std::string Until;  // then this drawn since the step began, and as many ticks since
    int Ticks;
  };
  const Step steps[] = {{{}, "", 300}, {{big}, "", 300}, {{odd}, "", 300}, {{full}, "", 200}, {{full, own}, "Введите свое имя:", 5},
      {{{"key", "--delay", "40", "--window", w, "BackSpace", "BackSpace", "BackSpace", "BackSpace", "BackSpace", "a", "b", "c"}}, "фис|", 5},
      {{click("512", "580"), big}, menu, 0}, {{own}, "", kMenuSettles}, {{click("512", "250"), full}, "РЕКОРДЫ", 0},
      {{full, own, escape}, menu, kMenuSettles}, {{click("512", "525"), odd}, "Продолжить", 0}, {{own}, "", kMenuSettles},
      {{click("512", "620")}, menu, kMenuSettles}, {{click("512", "165"), full}, "", 200}, {{full, own, escape}, menu, kMenuSettles}};
  std::vector<int64_t> starts;
  for (const Step& step : steps) {
    starts.push_back(Trace.LastTick());
    for (const Do& d : step.Does) ASSERT_TRUE(D.Xdotool(d));
    int64_t drawn = -1;
    ASSERT_TRUE(desk::WaitUntil([&] {
      if (drawn < 0) drawn = step.Until.empty() ? starts.back() : Trace.FirstTick("Text_Draw", step.Until, starts.back());
      return !Game.Running() || (drawn >= 0 && Trace.LastTick() >= drawn + step.Ticks);
    }, 120) && Game.Running()) << "step " << starts.size() << ": " << step.Until << "\n" << Game.Stderr();
  }
  EXPECT_GE(Trace.FirstBusyTick("ASprite_Draw", kBusyFrame, starts.at(13)), 0) << "the map did not show";
  ASSERT_TRUE(D.Key("F12"));
  ASSERT_TRUE(desk::WaitUntil([&] { return Game.Stdout().find("zanoru-0001.png") != std::string::npos; }, 10));
  const desk::Picture shot = desk::ReadPng(Dir + "/zanoru-0001.png");
  // Ten ticks after each toggle: one not yet taken leaves the picture right, and SDL, taking it, puts the
  // pointer back where it last saw it.
  for (const Do& outside : {full, own}) {
    ASSERT_TRUE(D.Xdotool(full) && RunTicks(10) && D.Xdotool(outside) && RunTicks(10));
    EXPECT_TRUE(desk::WaitUntil([&] { const desk::Picture seen = D.Shot(Dir);
                                      return seen.W == shot.W && seen.H == shot.H && Compare(seen, shot).Pixels == 0; }, 20))
        << "the window is not the screenshot after full screen and " << (outside == full ? "back" : "a resize");
  }
  ASSERT_TRUE(D.Xdotool(full) && RunTicks(10) && D.MoveTo(512, 610) && RunTicks(3) && D.Click());
  ASSERT_TRUE(Game.Wait(60)) << "Выйти did not end the game";
  EXPECT_EQ(Game.Status, 0) << Game.Stderr();
  for (const char* report : {"Sanitizer", "runtime error:"}) EXPECT_EQ(Game.Stderr().find(report), std::string::npos) << Game.Stderr();
}

// The display itself gone under a game in play (its X server ended): the connection breaks inside a
// call of the window system's, which never returns from that; the game still saves its records, says
// what happened and ends with the status of a lost window.
TEST_F(WindowGame, LostDisplaySavesTheRecordsAndFails) {
  StartGame();
  ToMenu();
  ASSERT_GE(StartPlaying(512, 165), 0) << "the game scene did not start";
  ASSERT_TRUE(RunTicks(20));
  ASSERT_FALSE(fs::exists(Dir + "/records.vyx"));
  ASSERT_GT(X.Pid, 0);
  ASSERT_EQ(kill(X.Pid, SIGTERM), 0);
  ASSERT_TRUE(Game.Wait(30)) << "the game went on without its display";
  EXPECT_EQ(Game.Status, 69) << Game.Stderr();
  EXPECT_NE(Game.Stderr().find("the window or its display was lost"), std::string::npos) << Game.Stderr();
  EXPECT_EQ(fs::exists(Dir + "/records.vyx") ? fs::file_size(Dir + "/records.vyx") : 0u, kRecordsFileSize) << Game.Stderr();
}

// An X server whose held keys repeat from 100 ms on, 50 a second (its default: from 660 ms, 25 a second).
class WindowKeys : public WindowGame {
 protected:
  void SetUp() override {
    X.Options = {"-ardelay", "100", "-arinterval", "20"};
    WindowGame::SetUp();
  }
};

// A program that reports every key press it is given. F12 must not be one, other keys must; held keys
// under the X server's own auto-repeat: the keys that type or erase a name repeat as presses, command keys
// are one press however long they are held.
TEST_F(WindowKeys, F12IsNotAKeyHeldTextKeysRepeatAndCommandKeysDoNot) {
  StartGame(OMEGA_PROBE, {OMEGA_LIBRARY});
  ASSERT_TRUE(desk::WaitUntil([&] { return Game.Stdout().find("load\n") != std::string::npos; }, 20));
  ASSERT_TRUE(D.Key("F12"));
  ASSERT_TRUE(desk::WaitUntil([&] { return Game.Stdout().find("omega_probe-0001.png") != std::string::npos; }, 10))
      << Game.Stdout() << Game.Stderr();
  ASSERT_TRUE(D.Key("F11"));
  ASSERT_TRUE(desk::WaitUntil([&] { return Game.Stdout().find(" key 122\n") != std::string::npos; }, 10))
      << "the key after F12 did arrive: " << Game.Stdout();

  auto presses = [&](int vk) {
    const std::string out = Game.Stdout(), needle = " key " + std::to_string(vk) + "\n";
    int n = 0;
    for (size_t at = out.find(needle); at != std::string::npos; at = out.find(needle, at + 1)) ++n;
    return n;
  };
  // A text key is let go once it has given ten presses; a command key is held as long as the slowest
  // text key took, so that the server has repeated it as often. An F11 pressed after each, once
  // reported, says every event of the hold has been read.
  std::chrono::steady_clock::duration slowest{};
  auto hold = [&](const std::string& key, const std::function<bool()>& enough) {
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(D.Xdotool({"keydown", key}));
    EXPECT_TRUE(desk::WaitUntil(enough, 20)) << key;
    slowest = std::max(slowest, std::chrono::steady_clock::now() - start);
    EXPECT_TRUE(D.Xdotool({"keyup", key}));
    const int marks = presses(122) + 1;
    EXPECT_TRUE(D.Key("F11"));
    EXPECT_TRUE(desk::WaitUntil([&] { return presses(122) >= marks; }, 10)) << "F11 after " << key;
  };
  for (const auto& [key, vk] : {std::pair{"BackSpace", 8}, std::pair{"Delete", 46}, std::pair{"a", 65},
                                 std::pair{"comma", 188}, std::pair{"5", 53}, std::pair{"space", 32}}) {
    hold(key, [&, vk = vk] { return presses(vk) >= 10; });
    EXPECT_GE(presses(vk), 10) << key << " held: " << Game.Stdout();
  }
  for (const auto& [key, vk] : {std::pair{"F2", 113}, std::pair{"Return", 13}, std::pair{"Left", 37}}) {
    const auto until = std::chrono::steady_clock::now() + slowest;
    hold(key, [&] { return std::chrono::steady_clock::now() >= until; });
    EXPECT_EQ(presses(vk), 1) << key << " held is one press";
  }
  // The probe quits on Escape, often before xdotool is done with the window: xdotool's status says nothing.
  D.Key("Escape");
  ASSERT_TRUE(Game.Wait(30));
  EXPECT_EQ(Game.Status, 0) << Game.Stderr();
  EXPECT_EQ(presses(27), 1);
  EXPECT_EQ(Game.Stdout().find(" key 123\n"), std::string::npos) << Game.Stdout();
  EXPECT_EQ(Trace.FirstTick("Key_Press", " 123 =1"), -1);
  EXPECT_EQ(Trace.FirstTick("Key_Down", " 123 =1"), -1);
}

}  // namespace

// The window is centred on the display: both of the display's sizes come from one look at it. A fresh X
// server resets when its last client leaves, so a second look right after the first once found it
// resetting (width 0: the window at x = -512), and a display that refused a look was taken for none. On a
// fresh server each time, every start is centred and opens its window.
TEST(WindowPlacement, CentredOnAFreshServerEveryStart) {
  if (!desk::HaveProgram("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
  const std::string dir = desk::TempFolder();
  fs::create_directory_symlink(fs::path(GameFolder()) / "Data", dir + "/Data");
  fs::create_directory_symlink(fs::path(GameFolder()) / "DX", dir + "/DX");
  std::ofstream(dir + "/PlayerN.cgm", std::ios::binary) << kPlayerFile;
  std::ofstream(dir + "/lsan.supp") << "leak:libdbus-1.so\n";
  constexpr int kStarts = 10;
  int centred = 0;
  for (int start = 1; start <= kStarts; ++start) {
    SCOPED_TRACE("start " + std::to_string(start));
    desk::Xvfb x;  // 1280×1024: the 1024×768 window centred at (128, 128)
    ASSERT_TRUE(x.Start()) << "no free display for Xvfb";
    desk::LiveTrace trace;
    trace.Path = dir + "/trace-" + std::to_string(start) + ".txt";
    desk::Process game;
    ASSERT_TRUE(game.Start(dir, {GameFolder() + "/zanoru"},
                           {{"DISPLAY", x.Name()}, {"OMEGA_TRACE", trace.Path},
                            {"LSAN_OPTIONS", "suppressions=" + dir + "/lsan.supp"}}));
    // A few ticks: the window is open and the position asked for is in the trace.
    const bool ticking = desk::WaitUntil([&] { return trace.LastTick() >= 3 || !game.Running(); }, 60);
    std::string position;
    for (const auto& call : trace.Calls())
      if (call.Name == "OE_SetWndPosition") position = call.Body;
    EXPECT_TRUE(ticking && game.Running()) << "the game did not open its window: " << game.Stderr();
    EXPECT_EQ(position, "OE_SetWndPosition 128 128") << game.Stderr();
    centred += position == "OE_SetWndPosition 128 128" ? 1 : 0;
    game.Signal(SIGTERM);
    EXPECT_TRUE(game.Wait(30));
    fs::remove(dir + "/records.vyx");
  }
  EXPECT_EQ(centred, kStarts);
  if (!HasFailure()) RemoveFolder(dir);
}

// The worst of a resetting server, every time: one that ends as soon as its last client leaves. The
// game's one look at it must give both sizes; a second look finds no server (the window then went to
// x = -512). The engine's window cannot open afterwards, and the game says so.
TEST(WindowPlacement, BothSizesFromOneLookAtTheDisplay) {
  if (!desk::HaveProgram("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
  const std::string dir = desk::TempFolder();
  fs::create_directory_symlink(fs::path(GameFolder()) / "Data", dir + "/Data");
  fs::create_directory_symlink(fs::path(GameFolder()) / "DX", dir + "/DX");
  std::ofstream(dir + "/PlayerN.cgm", std::ios::binary) << kPlayerFile;
  desk::Xvfb x;
  x.Options = {"-terminate"};
  ASSERT_TRUE(x.Start()) << "no free display for Xvfb";
  desk::Process game;
  ASSERT_TRUE(game.Start(dir, {GameFolder() + "/zanoru"}, {{"DISPLAY", x.Name()}, {"OMEGA_TRACE", dir + "/trace.txt"}}));
  EXPECT_TRUE(game.Wait(60)) << "the game went on without a display";
  EXPECT_NE(game.Status, 0) << "the game played without a display";
  std::string position;
  for (const auto& call : trace_reader::ReadTrace(dir + "/trace.txt"))
    if (call.Name == "OE_SetWndPosition") position = call.Body;
  EXPECT_EQ(position, "OE_SetWndPosition 128 128") << game.Stderr();
  if (!HasFailure()) RemoveFolder(dir);
}
