// The built DX/OMEGA.dll loaded by name, as the game loads it: headless scripts, the trace file, shots,
// the status of a bad script, signals, and a real window under Xvfb.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "tests/omega/support/Pictures.h"
#include "tests/support/Spawn.h"
#include "tests/support/CraftedPictures.h"
#include "tests/support/TraceReader.h"
#include "tests/support/Xvfb.h"

using omega_test::PngPixel;
using omega_test::ReadFile;
using omega_test::WriteFile;

namespace {

std::vector<std::string> Probe(const std::string& picture = "") {
  std::vector<std::string> args = {OMEGA_PROBE, OMEGA_LIBRARY};
  if (!picture.empty()) args.push_back(picture);
  return args;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

}  // namespace

// The engine library holds nothing of the game's platform layer: no message box, no loading of
// libraries, no run-time error report. Only the shared base (opening a file, Windows-1251, rounding) is
// linked into both.
TEST(Library, HoldsNothingOfTheGamesPlatformLayer) {
  const std::string dir = omega_test::TempFolder();
  const auto nm = RunInFolder(dir, {"/usr/bin/nm", "-C", OMEGA_LIBRARY}, {}, 60);
  ASSERT_EQ(nm.Status, 0) << nm.Stderr;
  EXPECT_NE(nm.Stdout.find("OE_Init"), std::string::npos) << "no symbols read: " << nm.Stdout.substr(0, 2000);
  EXPECT_NE(nm.Stdout.find("RoundHalfEven"), std::string::npos) << "the shared rounding is not the engine's";
  for (const char* name : {"MessageBoxA", "LoadLibraryA", "GetSystemMetrics", "RunErrorText", "RunError(",
                           "ErrnoToRunError", "FileTryOpenRead", "FileClose", "nearbyint"})
    EXPECT_EQ(nm.Stdout.find(name), std::string::npos) << "OMEGA.dll holds " << name;
  RemoveFolder(dir);
}

TEST(Library, ScriptDrivesTicksPressesAndShots) {
  const std::string dir = omega_test::TempFolder();
  // 2×2 picture, drawn by the probe at (0, 0) stretched to 64×64: filtered, so each colour is pure in
  // its own corner quarter and blends toward the others between.
  omega_test::WritePng(dir + "/pic.png", 2, 2, {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu});
  WriteFile(dir + "/s.txt",
            "1 move 10 20\n"
            "2 click\n"
            "3 key 65\n"
            "3 key 66\n"
            "4 down 16\n"
            "50 shot first.png\n"
            "60 up 16\n"
            "70 shot last.png\n");
  const auto r = RunInFolder(dir, Probe("pic.png"), {{"OMEGA_SCRIPT", "s.txt"}, {"OMEGA_TRACE", "t.txt"}}, 60);
  ASSERT_EQ(r.Status, 0) << r.Stderr;
  EXPECT_EQ(r.Stdout,
            "load\n"
            "tick 2 click 10 20\n"
            "tick 3 key 65\n"
            "tick 3 key 66\n"
            "tick 4 key 16\n"
            "tick 50 shift held\n"
            "quit after 70 ticks\n"
            "returned\n");
  for (const char* shot : {"first.png", "last.png"}) {
    const std::string png = dir + "/" + shot;
    EXPECT_EQ(PngPixel(png, 5, 5), 0xFF0000) << shot;
    EXPECT_EQ(PngPixel(png, 58, 5), 0x00FF00) << shot;
    EXPECT_EQ(PngPixel(png, 5, 58), 0x0000FF) << shot;
    EXPECT_EQ(PngPixel(png, 63, 63), 0xFFFFFF) << shot;
    EXPECT_EQ(PngPixel(png, 64, 64), 0x000000) << shot;
    EXPECT_EQ(PngPixel(png, 1023, 767), 0x000000) << shot;
  }
  const std::string trace = ReadFile(dir + "/t.txt");
  EXPECT_EQ(trace.rfind("0 Timer_Create timer 12 1 =1\n0 OE_RegProcedure 1 load\n", 0), 0u) << trace.substr(0, 200);
  EXPECT_NE(trace.find("0 Tex_LoadFromFile \"pic.png\" -1 1 =1\n"), std::string::npos);
  EXPECT_NE(trace.find("70 SSprite_Draw 1 0 0 64 64 255 0 1\n"), std::string::npos);
  EXPECT_EQ(Count(trace, "Key_Press 65 =1"), 1u);
  EXPECT_EQ(Count(trace, " Key_Press 65 "), 70u) << "every query is traced";
  EXPECT_EQ(trace.back(), '\n');
}

TEST(Library, MalformedScriptEndsWithStatusTwoBeforeTheLoadCallback) {
  const std::string dir = omega_test::TempFolder();
  WriteFile(dir + "/s.txt", "1 click\n# fine so far\n3 jump 4\n");
  const auto r = RunInFolder(dir, Probe(), {{"OMEGA_SCRIPT", "s.txt"}}, 60);
  EXPECT_EQ(r.Status, 2);
  EXPECT_NE(r.Stderr.find("s.txt:3:"), std::string::npos) << r.Stderr;
  EXPECT_EQ(r.Stdout.find("load"), std::string::npos) << r.Stdout;
}

TEST(Library, MissingScriptFileIsAnErrorToo) {
  const std::string dir = omega_test::TempFolder();
  const auto r = RunInFolder(dir, Probe(), {{"OMEGA_SCRIPT", "nowhere.txt"}}, 60);
  EXPECT_EQ(r.Status, 2);
  EXPECT_NE(r.Stderr.find("nowhere.txt"), std::string::npos) << r.Stderr;
}

// Only a regular file of at most kMaxScriptBytes is a script: a device such as /dev/zero was read until
// memory ran out, a pipe without a writer waited for ever. Each is refused with status 2 before the load
// callback; a script of exactly the cap is read.
TEST(Library, AScriptIsARegularFileOfBoundedSize) {
  const std::string dir = omega_test::TempFolder();
  ASSERT_EQ(mkfifo((dir + "/fifo.txt").c_str(), 0644), 0);
  std::string longest = "3 quit\n";
  longest.resize(16 << 20, ' ');  // blanks end the last line: still a valid script
  WriteFile(dir + "/longest.txt", longest);
  WriteFile(dir + "/long.txt", longest + " ");
  const struct {
    const char* Script;
    int Status;
    const char* Said;
  } cases[] = {{"fifo.txt", 2, "regular file"},
               {"long.txt", 2, "longer than 16777216 bytes"},
               {"/dev/zero", 2, "regular file"},
               {"longest.txt", 0, ""}};
  for (const auto& c : cases) {
    const auto r = RunInFolder(dir, Probe(), {{"OMEGA_SCRIPT", c.Script}}, 60);
    EXPECT_EQ(r.Status, c.Status) << c.Script << ": " << r.Stderr;
    EXPECT_NE(r.Stderr.find(c.Said), std::string::npos) << c.Script << ": expected \"" << c.Said << "\", got " << r.Stderr;
    EXPECT_EQ(r.Stdout.find("load") != std::string::npos, c.Status == 0) << c.Script << ": " << r.Stdout;
  }
}

// A trace naming a pipe nobody reads cannot be opened without waiting for a reader: it fails like a
// trace that cannot be written (said once, status 74) instead of blocking before the first call.
TEST(Library, ATraceNamingAPipeWithoutAReaderFailsTheRunAtOnce) {
  const std::string dir = omega_test::TempFolder();
  ASSERT_EQ(mkfifo((dir + "/t.txt").c_str(), 0644), 0);
  WriteFile(dir + "/s.txt", "3 quit\n");
  const auto r = RunInFolder(dir, Probe(), {{"OMEGA_SCRIPT", "s.txt"}, {"OMEGA_TRACE", "t.txt"}}, 60);
  EXPECT_EQ(r.Status, 74) << r.Stderr;
  EXPECT_EQ(Count(r.Stderr, "cannot write the trace file t.txt"), 1u) << r.Stderr;
  // The run plays to its end; the failure ends the process as OE_Init would return.
  EXPECT_EQ(r.Stdout, "load\nquit after 3 ticks\n");
}

// A scripted shot that cannot be written fails the run as the trace does: said on standard error,
// status 74 once the run has played to its end; the shots that could be written are there.
TEST(Library, AShotThatCannotBeWrittenFailsTheRun) {
  const std::string dir = omega_test::TempFolder();
  WriteFile(dir + "/s.txt", "2 shot nowhere/first.png\n4 shot second.png\n6 quit\n");
  const auto r = RunInFolder(dir, Probe(), {{"OMEGA_SCRIPT", "s.txt"}}, 60);
  EXPECT_EQ(r.Status, 74) << r.Stderr;
  EXPECT_NE(r.Stderr.find("cannot write the shot nowhere/first.png"), std::string::npos) << r.Stderr;
  EXPECT_EQ(r.Stdout, "load\nquit after 6 ticks\n");
  EXPECT_NE(PngPixel(dir + "/second.png", 0, 0), -1) << "the shot after the failed one was not written";
}

TEST(Library, GameQuitEndsTheRunBeforeTheLastScriptedTick) {
  const std::string dir = omega_test::TempFolder();
  WriteFile(dir + "/s.txt", "5 key 27\n1000 shot never.png\n");
  const auto r = RunInFolder(dir, Probe(), {{"OMEGA_SCRIPT", "s.txt"}}, 60);
  ASSERT_EQ(r.Status, 0) << r.Stderr;
  EXPECT_NE(r.Stdout.find("tick 5 key 27\nquit after 5 ticks\nreturned\n"), std::string::npos) << r.Stdout;
  EXPECT_FALSE(std::filesystem::exists(dir + "/never.png"));
}

TEST(Library, ScriptQuitAndAnEmptyScript) {
  const std::string dir = omega_test::TempFolder();
  WriteFile(dir + "/q.txt", "3 quit\n9 key 65\n");
  WriteFile(dir + "/e.txt", "# nothing\n");
  const auto q = RunInFolder(dir, Probe(), {{"OMEGA_SCRIPT", "q.txt"}}, 60);
  EXPECT_EQ(q.Stdout, "load\nquit after 3 ticks\nreturned\n");
  const auto e = RunInFolder(dir, Probe(), {{"OMEGA_SCRIPT", "e.txt"}}, 60);
  EXPECT_EQ(e.Stdout, "load\nquit after 0 ticks\nreturned\n");
}

TEST(Library, TerminationRunsTheQuitCallbackAndKeepsTheTrace) {
  const std::string dir = omega_test::TempFolder();
  WriteFile(dir + "/s.txt", "100000000 quit\n");
  const int child = SpawnInFolder(dir, Probe(), {{"OMEGA_SCRIPT", "s.txt"}, {"OMEGA_TRACE", "t.txt"}});
  ASSERT_GT(child, 0) << "the probe did not start";  // kill(-1, …) would signal every process there is
  ASSERT_TRUE(WaitUntil([&] { return ReadFile(dir + "/.stdout").find("load") != std::string::npos; }, 30));
  // Ticks have run once the trace's first lines reach the file.
  ASSERT_TRUE(WaitUntil([&] { return !ReadFile(dir + "/t.txt").empty(); }, 30));
  kill(child, SIGTERM);
  const auto r = Collect(dir, WaitBounded(child, 30));
  EXPECT_EQ(r.Status, 0) << r.Stderr;
  EXPECT_NE(r.Stdout.find("quit after"), std::string::npos) << r.Stdout;
  const std::string trace = ReadFile(dir + "/t.txt");
  ASSERT_FALSE(trace.empty());
  EXPECT_EQ(trace.back(), '\n') << "the last line is whole";
  // The last tick's queries are all there, down to the probe's last one.
  const auto calls = trace_reader::ParseTrace(trace);
  ASSERT_FALSE(calls.empty());
  EXPECT_EQ(calls.back().Body, "Key_Press 27 =0");
}

// ---- the window, under a private Xvfb ----

TEST(Window, OpensTakesARealKeyAndQuitsCleanly) {
  if (!HaveProgram("Xvfb") || !HaveProgram("xdotool")) GTEST_SKIP() << "Xvfb or xdotool is not installed";
  Xvfb x;
  ASSERT_TRUE(x.Start()) << "no free display for Xvfb";
  const std::string dir = omega_test::TempFolder();
  // SDL's use of D-Bus leaves a small allocation behind that is not ours.
  WriteFile(dir + "/lsan.supp", "leak:libdbus-1.so\n");
  const std::map<std::string, std::string> env = {{"DISPLAY", x.Name()}, {"OMEGA_TRACE", "t.txt"},
                                                  {"LSAN_OPTIONS", "suppressions=" + dir + "/lsan.supp"}};
  const int probe = SpawnInFolder(dir, Probe(), env);
  const std::string tools = omega_test::TempFolder();  // xdotool's output must not overwrite the probe's
  // The window is named after the program that runs the engine.
  const auto search = RunInFolder(tools, {"/usr/bin/xdotool", "search", "--sync", "--name", "Omega_probe"}, {{"DISPLAY", x.Name()}}, 20);
  ASSERT_EQ(search.Status, 0) << "the window did not appear: " << search.Stderr;
  const std::string window = search.Stdout.substr(0, search.Stdout.find('\n'));
  // The pointer moves into the window so the key goes to it, then A, then Escape (the probe quits on it).
  RunInFolder(tools, {"/usr/bin/xdotool", "windowfocus", "--sync", window}, {{"DISPLAY", x.Name()}}, 10);
  RunInFolder(tools, {"/usr/bin/xdotool", "key", "--window", window, "a"}, {{"DISPLAY", x.Name()}}, 10);
  EXPECT_TRUE(WaitUntil([&] { return ReadFile(dir + "/.stdout").find(" key 65\n") != std::string::npos; }, 20));
  RunInFolder(tools, {"/usr/bin/xdotool", "key", "--window", window, "Escape"}, {{"DISPLAY", x.Name()}}, 10);
  const auto r = Collect(dir, WaitBounded(probe, 20));
  EXPECT_EQ(r.Status, 0) << r.Stderr;
  EXPECT_NE(r.Stdout.find(" key 65\n"), std::string::npos) << r.Stdout;
  EXPECT_NE(r.Stdout.find(" key 27\nquit after "), std::string::npos) << r.Stdout;
  EXPECT_NE(r.Stdout.find("returned"), std::string::npos) << r.Stdout;
  EXPECT_NE(ReadFile(dir + "/t.txt").find(" OE_Quit\n"), std::string::npos);
}

// The icon beside the engine library is read as every picture is: a pipe there does not block the
// window once it is open, a PNG declaring 20000² in 46 KB takes no gigabytes; the window opens and
// takes its keys either way. A copy of the library, so that its folder is the test's own.
TEST(Window, AnIconThatIsAPipeOrABombIsLeftOut) {
  if (!HaveProgram("Xvfb") || !HaveProgram("xdotool")) GTEST_SKIP() << "Xvfb or xdotool is not installed";
  Xvfb x;
  ASSERT_TRUE(x.Start()) << "no free display for Xvfb";
  for (const char* icon : {"pipe", "bomb"}) {
    SCOPED_TRACE(icon);
    const std::string dir = omega_test::TempFolder();
    std::filesystem::create_directories(dir + "/DX");
    std::filesystem::copy_file(OMEGA_LIBRARY, dir + "/DX/OMEGA.dll");
    if (std::string(icon) == "pipe") {
      ASSERT_EQ(mkfifo((dir + "/DX/icon.png").c_str(), 0644), 0);
    } else {
      WriteFile(dir + "/DX/icon.png", CraftedPng(20000, 20000, 3, 1));
    }
    WriteFile(dir + "/lsan.supp", "leak:libdbus-1.so\n");
    const int probe = SpawnInFolder(dir, {OMEGA_PROBE, dir + "/DX/OMEGA.dll"},
                                    {{"DISPLAY", x.Name()}, {"LSAN_OPTIONS", "suppressions=" + dir + "/lsan.supp"}});
    const std::string tools = omega_test::TempFolder();
    const auto search =
        RunInFolder(tools, {"/usr/bin/xdotool", "search", "--sync", "--name", "Omega_probe"}, {{"DISPLAY", x.Name()}}, 20);
    ASSERT_EQ(search.Status, 0) << "the window did not appear: " << search.Stderr;
    const std::string window = search.Stdout.substr(0, search.Stdout.find('\n'));
    // Once the probe has ticked, the icon is behind it: its Escape ends the run.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (ReadFile(dir + "/.stdout").find("load") == std::string::npos && std::chrono::steady_clock::now() < deadline)
      usleep(10000);
    RunInFolder(tools, {"/usr/bin/xdotool", "windowfocus", "--sync", window}, {{"DISPLAY", x.Name()}}, 10);
    RunInFolder(tools, {"/usr/bin/xdotool", "key", "--window", window, "Escape"}, {{"DISPLAY", x.Name()}}, 10);
    const auto r = Collect(dir, WaitBounded(probe, 30));
    EXPECT_EQ(r.Status, 0) << r.Stderr;
    EXPECT_NE(r.Stdout.find(" key 27\nquit after "), std::string::npos) << r.Stdout;
  }
}

// A video driver that cannot start ends the run with a failing status, not as if it had played.
TEST(Window, WithoutADisplayItSaysSoAndFails) {
  const std::string dir = omega_test::TempFolder();
  const auto r = RunInFolder(dir, Probe(), {{"SDL_VIDEODRIVER", "x11"}}, 30);
  EXPECT_EQ(r.Status, 1) << r.Stderr;
  EXPECT_NE(r.Stderr.find("OMEGA: no video"), std::string::npos) << r.Stderr;
  EXPECT_EQ(r.Stdout.find("returned"), std::string::npos) << "the loop was reported as run";
}
