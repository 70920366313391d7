// The Windows build (`make windows`) under Wine: what it is made of, the same game as on Linux run by the
// same script, its failures, and a real window under a private X server.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>

#include "engine/OMEGA_list.h"
#include "records/GRecords.h"
#include "tests/support/CraftedPictures.h"
#include "tests/support/GameRun.h"
#include "tests/window/Desktop.h"

namespace fs = std::filesystem;

namespace {

const std::string kWindowsDir = ZANORU_WINDOWS_DIR;  // what make windows built
const std::string kWinePrefix = WINE_PREFIX;
const std::string kWine = "/usr/bin/wine";
constexpr double kRunSeconds = 300;   // a whole tour under Wine on a busy machine

std::string WindowsGame() { return kWindowsDir + "/game"; }
std::string SeededGame() { return kWindowsDir + "/cross/test-libs/zanoru.exe"; }

// The Windows build and Wine are needed; make test builds the one and installs the other, so there
// (ZANORU_REQUIRE_WINDOWS=1) their absence fails instead of skipping.
#define NEED_WINDOWS()                                                                                   \
  do {                                                                                                   \
    const std::string why = !fs::exists(WindowsGame() + "/zanoru.exe") ? "no " + WindowsGame() + "/zanoru.exe (make windows)" \
                            : !desk::HaveProgram("wine")                ? std::string("wine is not installed")               \
                                                                        : std::string();                                     \
    if (!why.empty()) {                                                                                  \
      if (std::getenv("ZANORU_REQUIRE_WINDOWS") != nullptr) FAIL() << why;                               \
      GTEST_SKIP() << why;                                                                               \
    }                                                                                                    \
  } while (false)

std::map<std::string, std::string> WineEnv(std::map<std::string, std::string> env = {}) {
  env["WINEPREFIX"] = kWinePrefix;
  env["WINEDEBUG"] = "-all";
  env["WINEDLLOVERRIDES"] = "mscoree,mshtml=";
  env["LC_ALL"] = "ru_RU.UTF-8";  // Wine's ANSI code page is then Windows-1251, the game's
  return env;
}

// A player's folder: zanoru.exe with DX\ and Data\ beside it, linked from the built game unless a
// test leaves them out or puts its own in.
struct Folder {
  bool Seeded = false;  // the test build of the game, whose units get the same colours on both systems
  bool Engine = true;
  bool Data = true;
  std::map<std::string, std::string> Files;
};

struct WineRun {
  int Status = -1;
  std::string Dir, Stdout, Stderr;
  std::vector<trace_reader::Call> Trace;
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> out;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) out.push_back(line);
  return out;
}

std::string MakeFolder(const Folder& f) {
  const std::string dir = desk::TempFolder();
  fs::create_symlink(f.Seeded ? SeededGame() : WindowsGame() + "/zanoru.exe", dir + "/zanoru.exe");
  if (f.Engine) fs::create_directory_symlink(WindowsGame() + "/DX", dir + "/DX");
  if (f.Data) fs::create_directory_symlink(WindowsGame() + "/Data", dir + "/Data");
  for (const auto& [name, data] : f.Files) {
    fs::create_directories((fs::path(dir) / name).parent_path());
    std::ofstream(dir + "/" + name, std::ios::binary) << data;
  }
  return dir;
}

WineRun RunWine(const std::string& script, const Folder& folder = {}, const std::string& dir = "") {
  WineRun run;
  run.Dir = dir.empty() ? MakeFolder(folder) : dir;
  std::ofstream(run.Dir + "/run.script", std::ios::binary) << script;
  desk::Process p;
  if (!p.Start(run.Dir, {kWine, "zanoru.exe"},
               WineEnv({{"OMEGA_SCRIPT", run.Dir + "/run.script"}, {"OMEGA_TRACE", run.Dir + "/trace.txt"}})))
    return run;
  if (!p.Wait(kRunSeconds)) run.Stderr = "(killed after " + std::to_string(kRunSeconds) + " s) ";
  run.Status = p.Status;
  run.Stdout = p.Stdout();
  run.Stderr += p.Stderr();
  run.Trace = trace_reader::ReadTrace(run.Dir + "/trace.txt");
  return run;
}

// The scripted tour of `make play` (every scene, registration typed with Shift, 1,300 ticks of the
// game scene with the pointer moving, "Выйти"), its pictures written beside the run.
std::string Tour() {
  std::string script = ReadFile(std::string(ZANORU_SOURCE_DIR) + "/scripts/tour.script");
  for (size_t at; (at = script.find("../shots/")) != std::string::npos;) script.erase(at, 9);
  return script;
}

std::vector<std::string> TourShots(const std::string& script) {
  std::vector<std::string> shots;
  for (const auto& line : Lines(script))
    if (const auto at = line.find(" shot "); at != std::string::npos && line[0] != '#') shots.push_back(line.substr(at + 6));
  return shots;
}

struct Difference {
  long Pixels = 0;
  int FirstX = -1, FirstY = -1;
};

Difference Compare(const desk::Picture& a, const desk::Picture& b, int dx = 0, int dy = 0) {
  Difference d;
  for (int y = 0; y < b.H; ++y)
    for (int x = 0; x < b.W; ++x)
      if (!std::equal(a.At(x + dx, y + dy), a.At(x + dx, y + dy) + 3, b.At(x, y)) && d.Pixels++ == 0) d.FirstX = x, d.FirstY = y;
  return d;
}

// ---- what the build is made of -------------------------------------------------------------------

std::string Objdump(const std::string& file) {
  return desk::Run({"/usr/bin/x86_64-w64-mingw32-objdump", "-p", file}, {}).Out;
}

std::set<std::string> ImportedDlls(const std::string& dump) {
  std::set<std::string> dlls;
  for (const auto& line : Lines(dump))
    if (const auto at = line.find("DLL Name: "); at != std::string::npos) dlls.insert(line.substr(at + 10));
  return dlls;
}

// The names in the export table's name list: "\t[ordinal] name" lines after "[Ordinal/Name Pointer] Table".
std::set<std::string> ExportedNames(const std::string& dump) {
  std::set<std::string> names;
  bool inTable = false;
  for (const auto& line : Lines(dump)) {
    if (line.find("[Ordinal/Name Pointer] Table") != std::string::npos) {
      inTable = true;
      continue;
    }
    if (!inTable) continue;
    const auto close = line.find("] ");
    if (line.empty() || line.find('[') == std::string::npos || close == std::string::npos) break;
    names.insert(line.substr(close + 2));
  }
  return names;
}

// Windows' own libraries, which every Windows has; nothing else may be needed beside the game.
const std::set<std::string> kSystemDlls = {"KERNEL32.dll", "USER32.dll", "GDI32.dll", "msvcrt.dll", "ADVAPI32.dll",
                                           "SHELL32.dll", "ole32.dll", "OLEAUT32.dll", "IMM32.dll", "VERSION.dll",
                                           "WINMM.dll", "SETUPAPI.dll"};

TEST(WindowsBuild, ProgramAndEngineNeedOnlySystemLibrariesAndTheEngineExportsItsOperationsOnly) {
  NEED_WINDOWS();
  if (!desk::HaveProgram("x86_64-w64-mingw32-objdump")) GTEST_SKIP() << "no mingw objdump";
  const std::string exe = Objdump(WindowsGame() + "/zanoru.exe");
  const std::string dll = Objdump(WindowsGame() + "/DX/OMEGA.dll");
  for (const auto& [name, dump] : {std::pair{"zanoru.exe", exe}, std::pair{"OMEGA.dll", dll}}) {
    const auto dlls = ImportedDlls(dump);
    EXPECT_FALSE(dlls.empty()) << name << ": no import table read";
    for (const auto& d : dlls) EXPECT_TRUE(kSystemDlls.count(d)) << name << " needs " << d << ", not part of Windows";
  }
  EXPECT_NE(exe.find("(Windows GUI)"), std::string::npos) << "zanoru.exe opens a console window beside the game";
  EXPECT_EQ(ImportedDlls(exe).count("OMEGA.dll"), 0u) << "the engine is loaded at run time, never linked";

  std::set<std::string> operations;
#define OPERATION_NAME(used, ret, name, ...) operations.insert(#name);
  OMEGA_OPERATIONS(OPERATION_NAME)
#undef OPERATION_NAME
  const std::set<std::string> exported = ExportedNames(dll);
  EXPECT_EQ(exported.size(), 201u);
  for (const auto& op : operations) EXPECT_TRUE(exported.count(op)) << "OMEGA.dll lacks " << op;
  for (const auto& name : exported) EXPECT_TRUE(operations.count(name)) << "OMEGA.dll exports " << name << ", not an operation";
}

TEST(WindowsBuild, ZipHoldsTheGameAndTheReadme) {
  NEED_WINDOWS();
  std::string zip;
  for (const auto& entry : fs::directory_iterator(kWindowsDir))
    if (entry.path().extension() == ".zip") zip = entry.path().string();
  ASSERT_FALSE(zip.empty()) << "no zip in " << kWindowsDir;
  const std::string name = fs::path(zip).stem().string();  // zanoru-<version>-win64
  const desk::Ran list = desk::Run({"/usr/bin/cmake", "-E", "tar", "tf", zip}, {});
  ASSERT_EQ(list.Status, 0) << list.Err;
  for (const std::string member : {"/zanoru.exe", "/DX/OMEGA.dll", "/README.txt", "/Data/1.vyx", "/Data/Font1.ofi"})
    EXPECT_NE(list.Out.find(name + member), std::string::npos) << zip << " lacks " << name + member;
  EXPECT_EQ(list.Out.find("records.vyx"), std::string::npos) << "a player's records went into the zip";
}

// ---- the same game as on Linux -------------------------------------------------------------------

TEST(WineGame, TourGivesTheLinuxTraceAndPicturesAndQuitsThroughTheMenu) {
  NEED_WINDOWS();
  const std::string script = Tour();
  // The test builds of the game on both systems: every run from the same seed.
  ASSERT_TRUE(fs::exists(SeededGame())) << "no test build of the game for Windows";
  GameRunOptions linuxRun;
  linuxRun.Script = script;
  linuxRun.Executable = SEEDED_GAME;
  const GameRun linux = RunGame(linuxRun);
  ASSERT_EQ(linux.Status, 0) << linux.Stderr;
  Folder seeded;
  seeded.Seeded = true;
  const WineRun wine = RunWine(script, seeded);
  ASSERT_EQ(wine.Status, 0) << wine.Stderr;
  EXPECT_EQ(wine.Stderr, linux.Stderr);

  // "Выйти" ended it, and the records went to the disk whole.
  EXPECT_EQ(TraceOf(linux, "OE_Quit").size(), 1u);
  ASSERT_TRUE(fs::exists(wine.Dir + "/records.vyx"));
  EXPECT_EQ(fs::file_size(wine.Dir + "/records.vyx"), kRecordsFileSize);
  EXPECT_EQ(ReadFile(wine.Dir + "/records.vyx"), ReadFile(linux.Folder + "/records.vyx"));

  // Byte for byte the same engine calls, numbers printed the same way.
  ASSERT_GT(linux.Trace.size(), 100000u) << "the tour is a long one";
  const size_t common = std::min(linux.Trace.size(), wine.Trace.size());
  size_t first = 0;
  while (first < common && linux.Trace[first] == wine.Trace[first]) ++first;
  EXPECT_EQ(first, linux.Trace.size()) << "the traces part at line " << first + 1 << ": Linux \""
                                       << (first < linux.Trace.size() ? linux.Trace[first].Body : "(end)") << "\", Windows \""
                                       << (first < wine.Trace.size() ? wine.Trace[first].Body : "(end)") << "\"";
  EXPECT_EQ(wine.Trace.size(), linux.Trace.size());
  EXPECT_EQ(ReadFile(wine.Dir + "/trace.txt"), ReadFile(linux.Folder + "/.trace")) << "line ends or a last line differ";

  // The same decoders and the same drawing: the same pixels.
  for (const auto& shot : TourShots(script)) {
    const desk::Picture want = desk::ReadPng(linux.Folder + "/" + shot);
    const desk::Picture got = desk::ReadPng(wine.Dir + "/" + shot);
    ASSERT_EQ(want.W, 1024) << "Linux wrote no " << shot;
    ASSERT_EQ(got.W, 1024) << "Windows wrote no " << shot;
    ASSERT_EQ(got.H, want.H);
    const Difference d = Compare(got, want);
    EXPECT_EQ(d.Pixels, 0) << shot << ": first difference at (" << d.FirstX << ", " << d.FirstY << ")";
  }
}

// ---- failures ---------------------------------------------------------------------------------------

// The Windows build decodes PNG with libpng and JPEG with libjpeg-turbo, as the Linux build does: a
// damaged PNG or a decompression bomb in the place of a picture the game loads is taken or refused as
// on Linux (tests/omega PictureLimits_test.cpp holds the same table against the Linux engine), and an
// unused bomb is never inflated whole.
TEST(WineGame, DamagedPngsAndABombAreTakenAsOnLinux) {
  NEED_WINDOWS();
  std::map<std::string, std::string> data;
  for (const auto& entry : fs::recursive_directory_iterator(WindowsGame() + "/Data"))
    if (entry.is_regular_file())
      data[fs::relative(entry.path(), WindowsGame()).string()] = ReadFile(entry.path().string());
  ASSERT_EQ(data.count("Data/Black.jpg"), 1u) << "the picture replaced is no longer the game's";
  for (const DamagedPicture& d : DamagedPngs()) {
    SCOPED_TRACE(d.What);
    Folder f;
    f.Data = false;
    f.Files = data;
    f.Files["Data/Black.jpg"] = d.Bytes;  // a PNG under a JPEG's name: the decoder goes by the signature
    f.Files["Data/junk/bomb.png"] = PngBomb(16, 16, uint64_t{1} << 30);
    f.Files["PlayerN.cgm"] = "Ann\r\n";
    const WineRun run = RunWine("10 key 27\n100 quit\n", f);
    EXPECT_EQ(run.Status, 0) << run.Stderr;
    int loads = 0;
    for (const auto& call : run.Trace)
      if (call.Name == "Tex_LoadFromFile" && !call.Args.empty() && call.Args[0] == "Data\\Black.jpg") {
        ++loads;
        EXPECT_EQ(call.ResultInt() != 0, d.Loads) << "expected " << (d.Loads ? "a picture" : "handle 0") << ", got "
                                                   << call.Body;
      }
    EXPECT_GE(loads, 1) << "the game did not load the picture";
    fs::remove_all(run.Dir);
  }
}

TEST(WineGameFails, WithoutTheEngineFolderSaysSoOnce) {
  NEED_WINDOWS();
  Folder f;
  f.Engine = false;
  const WineRun run = RunWine("1 quit\n", f);
  EXPECT_EQ(run.Status, 1) << run.Stderr;
  EXPECT_EQ(run.Stderr, "Error: Error while loading OMEGA Engine\n");
  EXPECT_TRUE(run.Trace.empty());
}

TEST(WineGameFails, EngineLackingAnOperationIsNamed) {
  NEED_WINDOWS();
  const std::string partial = ReadFile(kWindowsDir + "/cross/test-libs/PartialEngine.dll");
  ASSERT_FALSE(partial.empty()) << "the test library was not built";
  Folder f;
  f.Engine = false;
  f.Files["DX/OMEGA.dll"] = partial;
  const WineRun run = RunWine("1 quit\n", f);
  EXPECT_NE(run.Status, 0);
  EXPECT_NE(run.Stderr.find("Error: "), std::string::npos) << run.Stderr;
  EXPECT_NE(run.Stderr.find("Mouse_Press"), std::string::npos) << run.Stderr;
  EXPECT_EQ(run.Stderr.find("Error while loading"), std::string::npos) << "it did load: " << run.Stderr;
}

// The run-time error report: the number ending at the 17th character, an address, the number as status.
void ExpectRunError(const WineRun& run, int code) {
  EXPECT_EQ(run.Status, code) << run.Stderr;
  std::string number = std::to_string(code);
  number.insert(0, 3 - number.size(), ' ');
  const std::string head = "Error: Runtime error " + number + " at ";
  ASSERT_EQ(run.Stderr.rfind(head, 0), 0u) << run.Stderr;
  EXPECT_EQ(run.Stderr.size(), head.size() + 9) << "eight hexadecimal digits and the line end: " << run.Stderr;
}

TEST(WineGameFails, MissingMapShortRecordsAndProtectedRecords) {
  NEED_WINDOWS();
  {
    SCOPED_TRACE("no map");
    Folder f;
    f.Data = false;
    f.Files["Data/T/K.txt"] = "";
    ExpectRunError(RunWine("1 quit\n", f), 2);
  }
  {
    SCOPED_TRACE("records one byte short");
    Folder f;
    f.Files["records.vyx"] = std::string(519, '\0');
    ExpectRunError(RunWine("1 quit\n", f), 100);
  }
  {
    SCOPED_TRACE("records write-protected at quit");
    std::string table(kRecordsFileSize, '\0');
    for (size_t i = 0; i < table.size(); ++i) table[i] = static_cast<char>(i * 7);
    table[0] = 3;  // a name of three letters
    Folder f;
    f.Files["records.vyx"] = table;
    const std::string dir = MakeFolder(f);
    chmod((dir + "/records.vyx").c_str(), 0444);  // Windows sees it as a read-only file
    struct stat before {};
    stat((dir + "/records.vyx").c_str(), &before);
    const WineRun run = RunWine("1 quit\n", {}, dir);
    ExpectRunError(run, 5);
    // The game writes back what it read, so the bytes alone would not show a replaced file.
    struct stat after {};
    ASSERT_EQ(stat((dir + "/records.vyx").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino) << "the protected file was replaced";
    EXPECT_EQ(after.st_mode & 0777, 0444u);
    EXPECT_EQ(ReadFile(dir + "/records.vyx"), table) << "the protected table was changed";
    for (const auto& entry : fs::directory_iterator(dir))
      EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << "left behind: " << entry.path();
  }
}

// Another program holding records.vyx without sharing it while the game starts (backup, antivirus and
// sync tools do) and letting go before the quit: the game once took the table for absent and saved the
// default one over it. It is the player's table all the same: the run-time error at start, nothing saved.
TEST(WineGameFails, RecordsHeldByAnotherProgramEndTheGameAtStartAndAreKept) {
  NEED_WINDOWS();
  const std::string holdFile = kWindowsDir + "/cross/test-libs/HoldFile.exe";
  ASSERT_TRUE(fs::exists(holdFile)) << "the test program was not built: " << holdFile;
  std::string table(520, '\0');
  for (size_t i = 0; i < table.size(); ++i) table[i] = static_cast<char>(i * 11);
  table[0] = 3;
  Folder f;
  f.Files["records.vyx"] = table;
  f.Files["PlayerN.cgm"] = "Ann\r\n";
  const std::string dir = MakeFolder(f);
  desk::Process holder;
  ASSERT_TRUE(holder.Start(dir, {kWine, holdFile, "records.vyx", "held", "let-go"}, WineEnv()));
  ASSERT_TRUE(desk::WaitUntil([&] { return fs::exists(dir + "/held") || !holder.Running(); }, 120))
      << "the holder did not start";
  ASSERT_TRUE(fs::exists(dir + "/held")) << "the holder could not open the file: " << holder.Stderr();
  const WineRun run = RunWine("30 quit\n", {}, dir);
  std::ofstream(dir + "/let-go") << "";
  EXPECT_TRUE(holder.Wait(60));
  EXPECT_EQ(holder.Status, 0) << "the holder did not let go";
  ExpectRunError(run, 5);
  for (const auto& call : run.Trace) EXPECT_NE(call.Name, "OE_Init") << "the game started with a table it did not read";
  EXPECT_EQ(ReadFile(dir + "/records.vyx"), table) << "the held table was changed";
  for (const auto& entry : fs::directory_iterator(dir))
    EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << "left behind: " << entry.path();
}

// ---- a real window ------------------------------------------------------------------------------------

const char kPlayerFile[] = "\xC2\xE0\xF1\xFF\r\n";  // "Вася": the menu follows the intro
const char kGreeting[] = "Добро пожаловать в игру, Вася";
constexpr int kMenuSettles = 80;  // ticks from the menu's first frame until its fade has ended

TEST(WineWindow, ShowsTheHeadlessMenuAndQuitsThroughIt) {
  NEED_WINDOWS();
  if (!desk::HaveProgram("Xvfb") || !desk::HaveProgram("xdotool") || !desk::HaveProgram("xwd"))
    GTEST_SKIP() << "Xvfb, xdotool or xwd is not installed";
  Folder f;
  f.Files["PlayerN.cgm"] = kPlayerFile;
  const WineRun headless = RunWine("10 key 27\n60 move 300 400\n250 shot menu.png\n251 quit\n", f);
  const desk::Picture expected = desk::ReadPng(headless.Dir + "/menu.png");
  ASSERT_EQ(expected.W, 1024) << "the headless run wrote no menu: " << headless.Stderr;

  // A prefix's wineserver keeps the display its first window went to: this run gets a fresh one, and
  // leaves none behind bound to a display that is about to go.
  const auto endServer = [] { desk::Run({"/usr/bin/wineserver", "-k"}, WineEnv()); };
  endServer();
  struct AtEnd {
    std::function<void()> Do;
    ~AtEnd() { Do(); }
  } serverEnds{endServer};
  desk::Xvfb x;
  ASSERT_TRUE(x.Start());
  desk::Desktop d;
  d.Display = x.Name();

  // With a desktop there, a run the engine draws off screen still shows no box for an error before its
  // first frame (a records file cut short): it says so on standard error and ends.
  Folder shortRecords = f;
  shortRecords.Files["records.vyx"] = "short";
  const std::string failing = MakeFolder(shortRecords);
  std::ofstream(failing + "/once.script") << "1 quit\n";
  desk::Process scripted;
  ASSERT_TRUE(scripted.Start(failing, {kWine, "zanoru.exe"},
                             WineEnv({{"DISPLAY", d.Display}, {"OMEGA_SCRIPT", failing + "/once.script"}})));
  ASSERT_TRUE(scripted.Wait(60)) << "a scripted run waited for a box: " << scripted.Stderr();
  EXPECT_EQ(scripted.Status, 100) << scripted.Stderr();
  EXPECT_NE(scripted.Stderr().find("Runtime error 100 at"), std::string::npos) << scripted.Stderr();

  const std::string dir = MakeFolder(f);
  desk::LiveTrace trace{dir + "/trace.txt"};
  desk::Process game;
  ASSERT_TRUE(game.Start(dir, {kWine, "zanoru.exe"}, WineEnv({{"DISPLAY", d.Display}, {"OMEGA_TRACE", trace.Path}})));
  ASSERT_TRUE(d.FindWindow("^Zanoru$", 60)) << "the window did not appear: " << game.Stderr();
  auto runTicks = [&](int ticks) {
    const int64_t from = trace.LastTick();
    return desk::WaitUntil([&] { return trace.LastTick() >= from + ticks; }, 60);
  };
  ASSERT_TRUE(runTicks(5)) << "the game does not tick: " << game.Stderr();
  ASSERT_TRUE(d.Key("Escape"));
  int64_t menu = -1;
  ASSERT_TRUE(desk::WaitUntil([&] { return (menu = trace.FirstTick("Text_Draw", kGreeting)) >= 0; }, 60));
  ASSERT_TRUE(desk::WaitUntil([&] { return trace.LastTick() >= menu + kMenuSettles; }, 60));
  // Wine draws a frame of its own around the window; the game's picture is its client area, which lies
  // where the game asked (the screen centre), so the pointer and the picture go by the screen.
  const auto placed = trace.FirstTick("OE_SetWndPosition");
  ASSERT_EQ(placed, 0);
  int left = -1, top = -1;
  for (const auto& call : trace.Calls())
    if (call.Tick == 0 && call.Name == "OE_SetWndPosition" && call.Args.size() == 2) {
      left = call.Int(0);
      top = call.Int(1);
      break;
    }
  ASSERT_GE(left, 0);
  ASSERT_GE(top, 0);
  auto pointTo = [&](int x, int y) {
    return d.Xdotool({"mousemove", std::to_string(left + x), std::to_string(top + y)});
  };
  ASSERT_TRUE(pointTo(300, 400));
  ASSERT_TRUE(runTicks(10));
  const std::string rootFile = dir + "/screen.xwd";
  ASSERT_EQ(desk::Run({"/usr/bin/xwd", "-root", "-silent", "-out", rootFile}, {{"DISPLAY", d.Display}}).Status, 0);
  const desk::Picture shot = desk::ReadXwd(ReadFile(rootFile));
  ASSERT_GE(shot.W, left + 1024) << "no picture of the screen";
  ASSERT_GE(shot.H, top + 768);
  const Difference diff = Compare(shot, expected, left, top);
  if (diff.Pixels != 0) desk::WritePpm(dir + "/screen.ppm", shot);
  EXPECT_EQ(diff.Pixels, 0) << "the window's menu differs from the headless one; first at (" << diff.FirstX << ", "
                            << diff.FirstY << ") (" << dir << "/screen.ppm)";

  ASSERT_TRUE(pointTo(512, 615));
  ASSERT_TRUE(runTicks(3));
  ASSERT_TRUE(d.Click());
  ASSERT_TRUE(game.Wait(60)) << "the game did not end after Выйти";
  EXPECT_EQ(game.Status, 0) << game.Stderr();
  EXPECT_GE(trace.FirstTick("OE_Quit"), menu);
  EXPECT_EQ(fs::exists(dir + "/records.vyx") ? fs::file_size(dir + "/records.vyx") : 0u, kRecordsFileSize);
}

}  // namespace
