// A new window's first look: the moment the X server maps it, the screen under it must already be the
// program's first picture, not what lay behind the window (nor black), however long loading took.
#include <gtest/gtest.h>
#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "tests/support/GameRun.h"
#include "tests/window/Desktop.h"

namespace fs = std::filesystem;

namespace {

// What lies behind every new window here: a colour none of the pictures compared starts with.
constexpr uint32_t kBehind = 0xFF00FF;
// Xvfb's 1280×1024 screen holds the 1024×768 window centred.
constexpr int kLeft = 128, kTop = 128, kW = 1024, kH = 768;

std::string Folder() {
  const std::string dir = desk::TempFolder();
  fs::create_directory_symlink(fs::path(GameFolder()) / "Data", dir + "/Data");
  fs::create_directory_symlink(fs::path(GameFolder()) / "DX", dir + "/DX");
  std::ofstream(dir + "/lsan.supp") << "leak:libdbus-1.so\n";
  return dir;
}

// The picture a program draws first, as its headless run shoots it at the first tick (the same frame
// as at tick 0 for both programs here: the intro starts from a black that fades over hundreds of
// ticks, the probe draws the same picture every frame).
desk::Picture FirstPicture(const std::vector<std::string>& args) {
  const std::string dir = Folder();
  std::ofstream(dir + "/first.script") << "1 shot first.png\n2 quit\n";
  const Spawned run = RunInFolder(dir, args, {{"OMEGA_SCRIPT", dir + "/first.script"}}, 120);
  EXPECT_EQ(run.Status, 0) << run.Stderr;
  return desk::ReadPng(dir + "/first.png");
}

// Starts the program `starts` times, each on a fresh X server whose root is painted kBehind, and
// compares the screen where its window lies, read the moment the window is mapped, with `expected`.
// `settled` is how far the pictures that follow may be from the first and still count as it when
// timing how long the window took to show it (the intro fades in: its black lasts one frame).
void ExpectMappedWithFirstPicture(const std::vector<std::string>& args, const std::string& title,
                                  const desk::Picture& expected, int settled, int starts) {
  ASSERT_EQ(expected.W, kW) << "the headless run wrote no first picture";
  for (int start = 1; start <= starts; ++start) {
    SCOPED_TRACE(title + ", start " + std::to_string(start));
    desk::Xvfb x;
    ASSERT_TRUE(x.Start()) << "no free display for Xvfb";
    desk::MapWatch watch;
    ASSERT_TRUE(watch.Open(x.Name(), kBehind));
    const desk::Picture behind = watch.Read(kLeft, kTop, kW, kH);
    ASSERT_EQ(behind.W, kW);
    ASSERT_EQ(behind.At(0, 0)[0], 255) << "the root is not painted";
    const std::string dir = Folder();
    desk::Process program;
    ASSERT_TRUE(program.Start(dir, args, {{"DISPLAY", x.Name()}, {"LSAN_OPTIONS", "suppressions=" + dir + "/lsan.supp"}}));
    desk::MapWatch::Map map;
    ASSERT_TRUE(watch.NextMap(title, kLeft, kTop, kW, kH, 60, map, &expected, settled))
        << "no window mapped: " << program.Stderr();
    const desk::Mismatch first = desk::CompareWithin(map.Screen, expected, 0);
    // How long the window showed anything else (none when the first reading is the picture): told,
    // not judged, since it depends on the machine's load.
    const double gap = map.Shown;
    std::printf("%s start %d: %ld pixels other than the first picture when mapped; the picture after %.0f ms\n",
                title.c_str(), start, first.Pixels, gap * 1000);
    if (first.Pixels != 0) desk::WritePpm(dir + "/mapped.ppm", map.Screen);
    EXPECT_EQ(first.Pixels, 0) << "pixels of the window that were not the first picture when it was mapped; first at ("
                               << first.FirstX << ", " << first.FirstY << "): expected " << first.Expected << ", got "
                               << first.Got << " (" << dir << "/mapped.ppm)";
    EXPECT_GE(gap, 0) << "the window never showed the first picture";
    EXPECT_TRUE(program.Running()) << program.Stderr();
    program.Signal(SIGTERM);
    EXPECT_TRUE(program.Wait(30));
    EXPECT_EQ(program.Status, 0) << program.Stderr();
    if (!::testing::Test::HasFailure()) RemoveFolder(dir);
  }
}

// The game's first picture is the intro's black: what lay behind must not show before it.
TEST(WindowFirstShow, TheGamesWindowIsTheIntrosFirstPictureFromItsMap) {
  if (!desk::HaveProgram("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
  const std::string game = GameFolder() + "/zanoru";
  ExpectMappedWithFirstPicture({game}, "Zanoru", FirstPicture({game}), 24, 2);
}

// A first picture that is not black (the probe's icon in the corner): a window merely painted black
// until its first present would fail here.
TEST(WindowFirstShow, AFirstPictureInColourIsWhatTheWindowShowsFromItsMap) {
  if (!desk::HaveProgram("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
  const std::vector<std::string> probe = {OMEGA_PROBE, OMEGA_LIBRARY, "DX/icon.png"};
  const desk::Picture expected = FirstPicture(probe);
  ASSERT_EQ(expected.W, kW);
  long coloured = 0;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) coloured += expected.At(x, y)[0] + expected.At(x, y)[1] + expected.At(x, y)[2] != 0;
  ASSERT_GT(coloured, 64 * 64 / 4) << "the probe drew no picture in its corner";
  ExpectMappedWithFirstPicture(probe, "Omega_probe", expected, 0, 2);
}

}  // namespace
