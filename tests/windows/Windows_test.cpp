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
#include <map>
#include <set>
#include <tuple>
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

// The engine DLL holds nothing of the game's platform layer (its message box, its library loading, its
// run-time error report), nor the C library's rounding that switches the x87 unit on every call. The
// shipped DLL is stripped: its unstripped twin, linked from the same objects, is read, and the shipped
// one holds no text of the run-time error report either.
TEST(WindowsBuild, EngineHoldsNothingOfTheGamesPlatformLayer) {
  NEED_WINDOWS();
  if (!desk::HaveProgram("x86_64-w64-mingw32-nm")) GTEST_SKIP() << "no mingw nm";
  EXPECT_EQ(ReadFile(WindowsGame() + "/DX/OMEGA.dll").find("Runtime error"), std::string::npos);
  const desk::Ran nm =
      desk::Run({"/usr/bin/x86_64-w64-mingw32-nm", "-C", kWindowsDir + "/cross/test-libs/symbols/OMEGA.dll"}, {});
  ASSERT_EQ(nm.Status, 0) << nm.Err;
  EXPECT_NE(nm.Out.find("OE_Init"), std::string::npos) << "no symbols read: " << nm.Out.substr(0, 2000);
  EXPECT_NE(nm.Out.find("RoundHalfEven"), std::string::npos) << "the shared rounding is not the engine's";
  for (const char* name : {"MessageBoxA(", "LoadLibraryA(", "GetSystemMetrics(", "RunErrorText", "RunError(",
                           "ErrnoToRunError", "FileTryOpenRead", "FileClose", "nearbyint"})
    EXPECT_EQ(nm.Out.find(name), std::string::npos) << "OMEGA.dll holds " << name;
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
  // Unzipped on Windows, two names equal but for case are one file: unzip would ask which to keep.
  std::map<std::string, std::string> byFolded;
  for (const auto& member : Lines(list.Out)) {
    std::string folded = member;
    for (char& c : folded) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const auto [at, fresh] = byFolded.emplace(folded, member);
    EXPECT_TRUE(fresh) << zip << " holds " << at->second << " and " << member << ", one file on Windows";
  }
  // The fade's Black.jpg serves the veil's black.jpg too.
  EXPECT_NE(list.Out.find(name + "/Data/Black.jpg"), std::string::npos);
  EXPECT_EQ(list.Out.find(name + "/Data/black.jpg"), std::string::npos);
}

// The readme says where the player's files really are: the working folder, and what starting the game
// elsewhere does (the error box, kept as it is: the game's files are relative to its working folder).
TEST(WindowsBuild, ReadmeSaysThePlayersFilesAreInTheWorkingFolder) {
  NEED_WINDOWS();
  const std::string readme = ReadFile(WindowsGame() + "/README.txt");
  ASSERT_FALSE(readme.empty());
  EXPECT_EQ(readme.find("same folder as zanoru.exe"), std::string::npos) << "the old, untrue sentence";
  EXPECT_EQ(readme.find("в той же папке, что и zanoru.exe"), std::string::npos) << "the old, untrue sentence";
  for (const char* want : {"folder the game is started in", "из которой игра запущена", "Runtime error",
                           "\"Start in\"", "Рабочая папка"})
    EXPECT_NE(readme.find(want), std::string::npos) << "the readme does not say: " << want;
}

TEST(WineGameFails, StartedInAnotherFolderEndsWithTheRunTimeErrorTheReadmeNames) {
  NEED_WINDOWS();
  const std::string game = MakeFolder({});
  const std::string elsewhere = desk::TempFolder();
  std::ofstream(elsewhere + "/run.script") << "20 quit\n";
  desk::Process p;
  ASSERT_TRUE(p.Start(elsewhere, {kWine, game + "/zanoru.exe"},
                      WineEnv({{"OMEGA_SCRIPT", elsewhere + "/run.script"}})));
  ASSERT_TRUE(p.Wait(kRunSeconds)) << p.Stderr();
  EXPECT_NE(p.Status, 0);
  EXPECT_NE(p.Stderr().find("Error: Runtime error "), std::string::npos) << p.Stderr();
  EXPECT_FALSE(fs::exists(elsewhere + "/records.vyx")) << "a table was written where the game found nothing";
}

// ---- the resources Explorer shows -----------------------------------------------------------------

uint32_t Le(const std::string& b, size_t at, int bytes) {
  if (at + static_cast<size_t>(bytes) > b.size()) return 0;
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b[at + i]);
  return v;
}

// A PE file's resources by type and numeric name (the first language of each): its .rsrc tree read
// by the layout Windows defines, no tool's guess.
std::map<std::pair<uint32_t, uint32_t>, std::string> PeResources(const std::string& pe) {
  std::map<std::pair<uint32_t, uint32_t>, std::string> out;
  const uint32_t header = Le(pe, 0x3C, 4);
  if (pe.compare(0, 2, "MZ") != 0 || pe.compare(header, 4, std::string("PE\0\0", 4)) != 0) return out;
  const uint32_t sections = Le(pe, header + 6, 2), optionalSize = Le(pe, header + 20, 2);
  const size_t optional = header + 24;
  if (Le(pe, optional, 2) != 0x20B) return out;  // PE32+
  const uint32_t rsrcRva = Le(pe, optional + 112 + 2 * 8, 4);
  auto offsetOf = [&](uint32_t rva) -> size_t {
    for (uint32_t i = 0; i < sections; ++i) {
      const size_t sh = optional + optionalSize + 40 * i;
      const uint32_t va = Le(pe, sh + 12, 4), size = std::max(Le(pe, sh + 8, 4), Le(pe, sh + 16, 4));
      if (rva >= va && rva < va + size) return Le(pe, sh + 20, 4) + (rva - va);
    }
    return std::string::npos;
  };
  const size_t base = offsetOf(rsrcRva);
  if (rsrcRva == 0 || base == std::string::npos) return out;
  // Entries of a directory: (id, offset of the entry's target from the base, is a directory).
  auto entries = [&](size_t dir) {
    std::vector<std::tuple<uint32_t, uint32_t, bool>> list;
    const uint32_t count = Le(pe, base + dir + 12, 2) + Le(pe, base + dir + 14, 2);
    for (uint32_t i = 0; i < count && i < 4096; ++i) {
      const uint32_t name = Le(pe, base + dir + 16 + 8 * i, 4), target = Le(pe, base + dir + 20 + 8 * i, 4);
      list.emplace_back(name, target & 0x7FFFFFFF, (target & 0x80000000) != 0);
    }
    return list;
  };
  for (const auto& [type, typeDir, typeIsDir] : entries(0)) {
    if (!typeIsDir) continue;
    for (const auto& [name, nameDir, nameIsDir] : entries(typeDir)) {
      if (!nameIsDir) continue;
      const auto languages = entries(nameDir);
      if (languages.empty() || std::get<2>(languages[0])) continue;
      const size_t leaf = base + std::get<1>(languages[0]);
      const size_t at = offsetOf(Le(pe, leaf, 4));
      const uint32_t size = Le(pe, leaf + 4, 4);
      if (at != std::string::npos && at + size <= pe.size()) out[{type, name}] = pe.substr(at, size);
    }
  }
  return out;
}

constexpr uint32_t kRtIcon = 3, kRtGroupIcon = 14, kRtVersion = 16, kRtManifest = 24;

// A string of a version resource: its UTF-16 key, padded to four bytes, then its UTF-16 value (ASCII
// here).
std::string VersionString(const std::string& res, const std::string& key) {
  std::string wide;
  for (char c : key) wide += std::string{c, '\0'};
  wide += std::string(2, '\0');
  const size_t at = res.find(wide);
  if (at == std::string::npos) return "(none)";
  size_t value = (at + wide.size() + 3) & ~size_t{3};
  std::string text;
  for (; value + 1 < res.size() && (res[value] != '\0' || res[value + 1] != '\0'); value += 2) text += res[value];
  return text;
}

// The four numbers of the fixed part (file version) after its signature.
std::string FixedVersion(const std::string& res) {
  const size_t at = res.find(std::string("\xBD\x04\xEF\xFE", 4));
  if (at == std::string::npos) return "(none)";
  const uint32_t ms = Le(res, at + 8, 4), ls = Le(res, at + 12, 4);
  return std::to_string(ms >> 16) + "." + std::to_string(ms & 0xFFFF) + "." + std::to_string(ls >> 16) + "." +
         std::to_string(ls & 0xFFFF);
}

TEST(WindowsBuild, ProgramCarriesTheIconInFiveSizesItsVersionAndItsManifest) {
  NEED_WINDOWS();
  const auto res = PeResources(ReadFile(WindowsGame() + "/zanoru.exe"));
  ASSERT_FALSE(res.empty()) << "no resources read from zanoru.exe";

  // The icon group: the five sizes, each an icon resource of the size it claims; the large one PNG.
  ASSERT_TRUE(res.count({kRtGroupIcon, 1})) << "no icon group 1: Explorer shows a generic icon";
  const std::string group = res.at({kRtGroupIcon, 1});
  ASSERT_EQ(Le(group, 2, 2), 1u);
  const uint32_t count = Le(group, 4, 2);
  std::vector<int> sizes;
  for (uint32_t i = 0; i < count; ++i) {
    const size_t e = 6 + 14 * static_cast<size_t>(i);
    const int side = static_cast<uint8_t>(group[e]) == 0 ? 256 : static_cast<uint8_t>(group[e]);
    sizes.push_back(side);
    EXPECT_EQ(Le(group, e + 6, 2), 32u) << side << " px: bits a pixel";
    const uint32_t id = Le(group, e + 12, 2);
    ASSERT_TRUE(res.count({kRtIcon, id})) << side << " px: icon " << id << " missing";
    const std::string icon = res.at({kRtIcon, id});
    EXPECT_EQ(icon.size(), Le(group, e + 8, 4)) << side << " px";
    if (side == 256)
      EXPECT_EQ(icon.substr(0, 8), "\x89PNG\r\n\x1A\n");
    else
      EXPECT_EQ(Le(icon, 4, 4), static_cast<uint32_t>(side)) << "the bitmap's width";
  }
  EXPECT_EQ(sizes, (std::vector<int>{16, 24, 32, 48, 256}));

  ASSERT_TRUE(res.count({kRtVersion, 1})) << "no version resource";
  const std::string version = res.at({kRtVersion, 1});
  EXPECT_EQ(VersionString(version, "ProductName"), "Zanoru");
  EXPECT_EQ(VersionString(version, "FileDescription"), "Zanoru");
  EXPECT_EQ(VersionString(version, "ProductVersion"), ZANORU_VERSION);
  EXPECT_EQ(VersionString(version, "FileVersion"), ZANORU_VERSION);
  EXPECT_EQ(VersionString(version, "OriginalFilename"), "zanoru.exe");
  EXPECT_EQ(VersionString(version, "LegalCopyright"), ZANORU_COPYRIGHT);
  EXPECT_EQ(FixedVersion(version), std::string(ZANORU_VERSION) + ".0");

  // The manifest: well-formed, and saying what it is there for.
  ASSERT_TRUE(res.count({kRtManifest, 1})) << "no application manifest";
  const std::string manifest = res.at({kRtManifest, 1});
  const std::string file = desk::TempFolder() + "/zanoru.manifest";
  std::ofstream(file, std::ios::binary) << manifest;
  ASSERT_TRUE(desk::HaveProgram("xmllint")) << "xmllint (libxml2-utils) checks the manifest";
  const desk::Ran lint = desk::Run({"/usr/bin/xmllint", "--noout", file}, {});
  EXPECT_EQ(lint.Status, 0) << "the manifest is not well-formed XML: " << lint.Err;
  for (const char* want : {"<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2<",
                           "<longPathAware xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">true<",
                           "name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\"",
                           "<supportedOS Id=\"{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}\"/>"})
    EXPECT_NE(manifest.find(want), std::string::npos) << "the manifest lacks " << want;
}

TEST(WindowsBuild, EngineCarriesItsOwnVersion) {
  NEED_WINDOWS();
  const auto res = PeResources(ReadFile(WindowsGame() + "/DX/OMEGA.dll"));
  ASSERT_TRUE(res.count({kRtVersion, 1})) << "no version resource in OMEGA.dll";
  const std::string version = res.at({kRtVersion, 1});
  EXPECT_EQ(VersionString(version, "OriginalFilename"), "OMEGA.dll");
  EXPECT_EQ(VersionString(version, "FileDescription"), "OMEGA Engine for Zanoru");
  EXPECT_EQ(VersionString(version, "FileVersion"), ZANORU_VERSION);
  EXPECT_EQ(VersionString(version, "LegalCopyright"), ZANORU_COPYRIGHT);
  EXPECT_EQ(FixedVersion(version), std::string(ZANORU_VERSION) + ".0");
  EXPECT_FALSE(res.count({kRtGroupIcon, 1})) << "the engine is no program to show an icon for";
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

// Any folder: letters of neither the ANSI code page nor Russian's, spaces, and a path past the old
// 260-character limit. Wine's code page here is 1252 (LANG=C.UTF-8, no LC_ALL).
TEST(WineGame, PlaysInAFolderOfAnyLettersAndAnyLength) {
  NEED_WINDOWS();
  const std::string root = desk::TempFolder();
  // A folder of 255 characters as Windows counts them (Z: and the path, one UTF-16 unit a letter
  // here): the program's own path is past the ANSI calls' 260, while the working folder still fits
  // what Wine takes for one.
  const auto units = [](const std::string& utf8) {
    return 2 + std::count_if(utf8.begin(), utf8.end(), [](char c) { return (static_cast<uint8_t>(c) & 0xC0) != 0x80; });
  };
  std::string deep = root + "/Игры ✓/zanoru";
  while (units(deep) < 200) deep += "/Папка с длинным именем ✓";
  deep += "/" + std::string(static_cast<size_t>(254 - units(deep)), 'x');
  ASSERT_EQ(units(deep), 255);
  for (const std::string& folder : {root + "/Игры ✓/zanoru", deep}) {
    SCOPED_TRACE(folder == deep ? "a folder of 255 characters" : "a short one");
    fs::create_directories(folder);
    fs::create_symlink(WindowsGame() + "/zanoru.exe", folder + "/zanoru.exe");
    fs::create_directory_symlink(WindowsGame() + "/DX", folder + "/DX");
    fs::create_directory_symlink(WindowsGame() + "/Data", folder + "/Data");
    std::ofstream(folder + "/run.script") << "20 quit\n";
    desk::Process p;
    // The script by a relative name: the environment reaches the program in the ANSI code page too.
    auto env = WineEnv({{"OMEGA_SCRIPT", "run.script"}, {"LANG", "C.UTF-8"}});
    env["LC_ALL"] = "";  // empty is unset: LANG decides, and its code page is 1252
    ASSERT_TRUE(p.Start(folder, {kWine, "zanoru.exe"}, env));
    ASSERT_TRUE(p.Wait(kRunSeconds)) << p.Stderr();
    EXPECT_EQ(p.Status, 0) << p.Stderr();
    EXPECT_EQ(p.Stderr(), "");
    EXPECT_EQ(fs::exists(folder + "/records.vyx") ? fs::file_size(folder + "/records.vyx") : 0u, 520u)
        << "the records were not saved in " << folder;
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
  desk::LiveTrace trace;
  trace.Path = dir + "/trace.txt";
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

// A windowed run under Wine on a fresh Xvfb, with its prefix's wineserver started afresh for that
// display and ended after the test.
struct WineDesktop {
  desk::Xvfb X;
  desk::Desktop D;
  std::string Dir;
  desk::LiveTrace Trace;
  desk::Process Game;
  bool Ready = false;

  static void EndServer() { desk::Run({"/usr/bin/wineserver", "-k"}, WineEnv()); }
  ~WineDesktop() {
    if (Game.Running()) Game.Wait(0);
    EndServer();
  }
  // The game in its window with a player's name, ticking.
  void Start(const Folder& folder = {}) {
    EndServer();
    ASSERT_TRUE(X.Start());
    D.Display = X.Name();
    Folder f = folder;
    f.Files["PlayerN.cgm"] = kPlayerFile;
    Dir = MakeFolder(f);
    Trace.Path = Dir + "/trace.txt";
    ASSERT_TRUE(Game.Start(Dir, {kWine, "zanoru.exe"}, WineEnv({{"DISPLAY", D.Display}, {"OMEGA_TRACE", Trace.Path}})));
    ASSERT_TRUE(D.FindWindow("^Zanoru$", 60)) << "the window did not appear: " << Game.Stderr();
    ASSERT_TRUE(desk::WaitUntil([&] { return Trace.LastTick() >= 5; }, 60)) << "the game does not tick: " << Game.Stderr();
    Ready = true;
  }
  desk::Ran Wineboot(std::vector<std::string> args) {
    args.insert(args.begin(), "/usr/bin/wineboot");
    return desk::Run(args, WineEnv({{"DISPLAY", D.Display}}), 60);
  }
};

// The window's first look under Wine. Wine maps the X window of a window being shown before anything is
// painted on it, and gives it no background (the server then leaves what lay behind it, the root painted
// magenta here), so the screen read the moment of the map is that; what the engine owes is that nothing
// else shows (no black, no other picture) and that the intro's first picture (black) follows: the time
// it takes is told. Two starts, each on a fresh X server and wineserver.
TEST(WineWindow, MappedWithNothingButWhatLayBehindThenTheIntrosFirstPicture) {
  NEED_WINDOWS();
  if (!desk::HaveProgram("Xvfb")) GTEST_SKIP() << "Xvfb is not installed";
  const WineRun headless = RunWine("1 shot first.png\n2 quit\n");
  const desk::Picture expected = desk::ReadPng(headless.Dir + "/first.png");
  ASSERT_EQ(expected.W, 1024) << "the headless run wrote no first picture: " << headless.Stderr;
  for (int start = 1; start <= 2; ++start) {
    SCOPED_TRACE("start " + std::to_string(start));
    WineDesktop w;
    WineDesktop::EndServer();
    ASSERT_TRUE(w.X.Start());
    desk::MapWatch watch;
    ASSERT_TRUE(watch.Open(w.X.Name(), 0xFF00FF));
    const desk::Picture behind = watch.Read(128, 128, 1024, 768);
    ASSERT_EQ(behind.W, 1024);
    w.Dir = MakeFolder({});
    w.Trace.Path = w.Dir + "/trace.txt";
    ASSERT_TRUE(w.Game.Start(w.Dir, {kWine, "zanoru.exe"}, WineEnv({{"DISPLAY", w.X.Name()}, {"OMEGA_TRACE", w.Trace.Path}})));
    // The client area lies where the game puts it, centred on the 1280×1024 screen; Wine's frame is round it.
    desk::MapWatch::Map map;
    ASSERT_TRUE(watch.NextMap("Zanoru", 128, 128, 1024, 768, 120, map, &expected, 24))
        << "no window mapped: " << w.Game.Stderr();
    std::printf("start %d: %ld pixels other than the first picture when mapped; the picture after %.0f ms\n", start,
                desk::CompareWithin(map.Screen, expected, 0).Pixels, map.Shown * 1000);
    ASSERT_TRUE(desk::WaitUntil([&] { return w.Trace.FirstTick("OE_SetWndPosition") >= 0; }, 60));
    for (const auto& call : w.Trace.Calls()) {
      if (call.Name != "OE_SetWndPosition") continue;
      EXPECT_EQ(call.Body, "OE_SetWndPosition 128 128") << "the area watched";
    }
    long foreign = 0;
    for (int y = 0; y < 768; ++y)
      for (int x = 0; x < 1024; ++x) {
        const uint8_t* got = map.Screen.At(x, y);
        foreign += !std::equal(got, got + 3, expected.At(x, y)) && !std::equal(got, got + 3, behind.At(x, y));
      }
    if (foreign != 0) desk::WritePpm(w.Dir + "/mapped.ppm", map.Screen);
    EXPECT_EQ(foreign, 0) << "pixels neither what lay behind nor the first picture when the window was mapped ("
                          << w.Dir << "/mapped.ppm)";
    EXPECT_GE(map.Shown, 0) << "the window never showed the first picture";
  }
}

// Logging off reaches a Windows program as WM_QUERYENDSESSION and WM_ENDSESSION, not as a signal: the
// game saves its records (the quit callback) and ends, before the session takes it down.
TEST(WineWindow, LoggingOffSavesTheRecordsAndEnds) {
  NEED_WINDOWS();
  if (!desk::HaveProgram("Xvfb") || !desk::HaveProgram("xdotool")) GTEST_SKIP() << "Xvfb or xdotool is not installed";
  WineDesktop w;
  w.Start();
  if (!w.Ready) return;
  ASSERT_FALSE(fs::exists(w.Dir + "/records.vyx")) << "a first run has no records yet";
  // The window carries the game's icon (the program's own, which Wine hands the X server).
  const desk::Ran icon = desk::Run({"/usr/bin/xprop", "-id", w.D.Window, "_NET_WM_ICON"}, {{"DISPLAY", w.D.Display}});
  EXPECT_NE(icon.Out.find("Icon (32 x 32)"), std::string::npos) << "no icon on the window: " << icon.Out.substr(0, 200);
  const desk::Ran ended = w.Wineboot({"--end-session"});
  ASSERT_TRUE(w.Game.Wait(60)) << "the game outlived the session: " << w.Game.Stderr();
  EXPECT_EQ(w.Game.Status, 0) << w.Game.Stderr();
  EXPECT_EQ(fs::exists(w.Dir + "/records.vyx") ? fs::file_size(w.Dir + "/records.vyx") : 0u, 520u)
      << "the quit callback did not save the records (wineboot: " << ended.Out << ended.Err << ")";
}

// What another Windows program can do to the game's window is ask it to close (taskkill without /f):
// that is a quit, saved. (Destroying its X window from outside, which Wine never tells the program
// about, has no Windows counterpart: no other program can destroy the window.)
TEST(WineWindow, ClosedByAnotherProgramSavesTheRecordsAndEnds) {
  NEED_WINDOWS();
  if (!desk::HaveProgram("Xvfb") || !desk::HaveProgram("xdotool")) GTEST_SKIP() << "Xvfb or xdotool is not installed";
  WineDesktop w;
  w.Start();
  if (!w.Ready) return;
  const desk::Ran closed = desk::Run({kWine, "taskkill", "/im", "zanoru.exe"}, WineEnv({{"DISPLAY", w.D.Display}}), 60);
  ASSERT_TRUE(w.Game.Wait(60)) << "the game did not close: " << closed.Out << closed.Err;
  EXPECT_EQ(w.Game.Status, 0) << w.Game.Stderr();
  EXPECT_EQ(fs::exists(w.Dir + "/records.vyx") ? fs::file_size(w.Dir + "/records.vyx") : 0u, 520u);
}

// Shutting the system down (Wine's: ending the session for a shut-down) ends the game as promptly,
// saved. (`wineboot --shutdown` alone tells no program anything: there is nothing to answer.)
TEST(WineWindow, ShuttingDownSavesTheRecordsAndEnds) {
  NEED_WINDOWS();
  if (!desk::HaveProgram("Xvfb") || !desk::HaveProgram("xdotool")) GTEST_SKIP() << "Xvfb or xdotool is not installed";
  WineDesktop w;
  w.Start();
  if (!w.Ready) return;
  w.Wineboot({"--end-session", "--shutdown"});
  ASSERT_TRUE(w.Game.Wait(30)) << "the game outlived the shut-down: " << w.Game.Stderr();
  EXPECT_EQ(w.Game.Status, 0) << w.Game.Stderr();
  EXPECT_EQ(fs::exists(w.Dir + "/records.vyx") ? fs::file_size(w.Dir + "/records.vyx") : 0u, 520u);
}

}  // namespace
