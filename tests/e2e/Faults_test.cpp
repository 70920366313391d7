// The real game on broken data and under signals: pictures that cannot be shown cost nothing but the
// picture, files the game cannot go on without end it with the run-time error report, and the records
// table survives kills, terminations and a read-only game folder.
#include <elf.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "records/GRecords.h"
#include "tests/support/CraftedPictures.h"
#include "tests/support/GameRun.h"
#include "tests/support/Spawn.h"

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kMapBytes = 4165;

bool IsRoot() { return geteuid() == 0; }
bool CanDropToNobody() { return !IsRoot() || fs::exists("/usr/bin/setpriv"); }

// Every file of the built Data folder, by its path relative to the run folder ("Data/T/K.txt").
std::map<std::string, std::string> DataCopy() {
  std::map<std::string, std::string> files;
  const fs::path root = fs::path(GameFolder());
  for (const auto& entry : fs::recursive_directory_iterator(root / "Data"))
    if (entry.is_regular_file()) files[fs::relative(entry.path(), root).string()] = ReadFile(entry.path().string());
  return files;
}

std::vector<std::string> Pictures(const std::map<std::string, std::string>& data) {
  std::vector<std::string> out;
  for (const auto& [name, bytes] : data) {
    const std::string ext = fs::path(name).extension().string();
    if (ext == ".jpg" || ext == ".tga") out.push_back(name);
  }
  return out;
}

// A short tour through every scene that draws pictures or text, ending with Выйти in the menu: a third
// of `make play`'s tour, which lingers in each scene for its screenshots. Each scene change takes 100
// ticks (51 for the new game, registration and quitting).
std::string Tour() {
  return "30 key 27\n"                     // a few intro frames, then Escape: the menu by tick 130
         "140 move 512 165\n150 click\n"   // Новая игра: the game scene by tick 201
         "220 move 300 400\n"               // a turret follows the pointer
         "240 key 27\n"                     // the menu by tick 340
         "350 move 512 255\n360 click\n"   // Рекорды, by tick 460
         "470 key 27\n"                     // the menu by tick 570
         "580 move 512 345\n590 click\n"   // Сменить игрока: registration by tick 641
         "650 key 27\n"                     // the menu by tick 750
         "760 move 512 525\n770 click\n"   // Автор, by tick 870
         "880 move 512 630\n890 click\n"   // Продолжить: the menu by tick 990
         "1000 move 512 615\n1010 click\n" // Выйти: quits at tick 1061
         "1200 quit\n";
}

// A 4×4 24-bit BMP: a picture the decoder takes, in a format none of the game's files uses.
std::string TinyBmp() {
  std::string b = "BM";
  auto le32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF); };
  auto le16 = [&](uint16_t v) { b += static_cast<char>(v & 0xFF); b += static_cast<char>(v >> 8); };
  le32(54 + 48); le32(0); le32(54);
  le32(40); le32(4); le32(4); le16(1); le16(24); le32(0); le32(48); le32(2835); le32(2835); le32(0); le32(0);
  for (int i = 0; i < 16; ++i) b += "\x20\x80\xE0";
  return b;
}

// "Runtime error   5 at " — the number ends at the 17th character.
std::string ErrorReport(int code) {
  std::string number = std::to_string(code);
  return "Error: Runtime error" + std::string(4 - number.size(), ' ') + number + " at ";
}

// Files beside the records that a save may have made: "records.vyx.<anything>".
int NewFilesLeft(const std::string& folder) {
  int count = 0;
  for (const auto& entry : fs::directory_iterator(folder))
    if (entry.path().filename().string().rfind("records.vyx.", 0) == 0) ++count;
  return count;
}

bool Traced(const GameRun& run, const std::string& operation) { return !TraceOf(run, operation).empty(); }

// Runs the game through a shell wrapper that first runs `prepare` in the run folder and then, when we
// are root, drops to nobody (file permissions do not stop root). The wrapper's own file lives outside
// the run folder.
GameRun RunPrepared(GameRunOptions options, const std::string& prepare, bool dropPrivileges) {
  char name[] = "/tmp/zanoru-wrapper-XXXXXX";
  const int fd = mkstemp(name);
  if (fd < 0) return GameRun{};
  close(fd);
  const std::string game = (fs::path(GameFolder()) / "zanoru").string();
  const bool drop = dropPrivileges && IsRoot();
  std::ofstream(name) << "#!/bin/sh\n"
                      << (drop ? "chmod 0755 .; : > .trace; chmod 0666 .trace .stdout .stderr\n" : "")
                      << prepare << "\n"
                      << (drop ? "exec setpriv --reuid=65534 --regid=65534 --clear-groups '" + game + "'\n"
                               : "exec '" + game + "'\n");
  fs::permissions(name, fs::perms::owner_all);
  options.Executable = name;
  GameRun run = RunGame(options);
  fs::remove(name);
  return run;
}

// Gives the folder back to us so that it can be looked at and removed.
void Unlock(const GameRun& run) {
  std::error_code ec;
  fs::permissions(run.Folder, fs::perms::owner_all, fs::perm_options::add, ec);
  for (auto it = fs::recursive_directory_iterator(run.Folder, ec); it != fs::recursive_directory_iterator(); ++it)
    fs::permissions(it->path(), fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
}

void Tidy(const GameRun& run) {
  Unlock(run);
  std::error_code ec;
  fs::remove_all(run.Folder, ec);
}

// ---- pictures and the font: the game plays on ---------------------------------------------------

enum class Break { Missing, Empty, Directory, Truncated, NotAPicture, AnotherFormat };

void BreakPicture(Break how, std::map<std::string, std::string>& files, const std::string& p) {
  switch (how) {
    case Break::Missing: files.erase(p); break;
    case Break::Empty: files[p].clear(); break;
    case Break::Directory: files.erase(p); files[p + "/inside"] = ""; break;
    case Break::Truncated: files[p].resize(files[p].size() / 3); break;
    case Break::NotAPicture: files[p] = "plain text, no picture\n"; break;
    case Break::AnotherFormat: files[p] = TinyBmp(); break;
  }
}

// Every picture of Data broken the same way in one run (one run per way, each a short tour).
class FaultsPictures : public ::testing::TestWithParam<Break> {};

TEST_P(FaultsPictures, EveryPictureBrokenTheTourStillPlaysAndQuits) {
  const Break how = GetParam();
  const std::map<std::string, std::string> data = DataCopy();
  const std::vector<std::string> pictures = Pictures(data);
  ASSERT_GE(pictures.size(), 60u) << "expected every baked picture in the game folder";

  GameRunOptions options;
  options.LinkData = false;
  options.Files = data;
  for (const std::string& p : pictures) BreakPicture(how, options.Files, p);
  options.Script = Tour();
  const GameRun run = RunGame(options);
  EXPECT_EQ(run.Status, 0) << run.Stderr;
  EXPECT_EQ(run.Stderr.find("Runtime error"), std::string::npos) << run.Stderr;
  EXPECT_TRUE(Traced(run, "OE_Quit")) << "the tour did not reach Выйти";
  const auto sprites = TraceOf(run, "SSprite_Draw");
  EXPECT_TRUE(std::any_of(sprites.begin(), sprites.end(), [](const trace_reader::Call& s) { return s.Body.ends_with(" 64 32 255 0 1"); }))
      << "the game scene drew no unit's shadow";
  EXPECT_TRUE(Traced(run, "U_IntToStr")) << "the records table was not drawn";
  EXPECT_EQ(ReadFile(run.Folder + "/records.vyx").size(), kRecordsFileSize) << "the save at the end did not run";

  // The breakage took: pictures that are not there or not pictures fail to load, the stand-in loads.
  const auto loads = TraceOf(run, "Tex_LoadFromFile");
  EXPECT_GE(loads.size(), 40u);
  const bool mustFail = how != Break::Truncated && how != Break::AnotherFormat;
  for (const auto& load : loads) {
    const bool failed = load.ResultInt() == 0;
    if (mustFail) {
      EXPECT_TRUE(failed) << "expected a failed load, got: " << load.Body;
    }
    // A .tga name is read as a TGA only (that format has no signature to find); under a .jpg name the
    // decoder goes by the signature and takes the BMP.
    if (how == Break::AnotherFormat && !load.Args.empty() && load.Args[0].ends_with(".jpg")) {
      EXPECT_FALSE(failed) << "expected the BMP to load, got: " << load.Body;
    }
  }
  if (!HasFailure()) Tidy(run);
}

std::string BreakName(const ::testing::TestParamInfo<Break>& info) {
  static const char* const kNames[] = {"Missing", "Empty", "Directory", "Truncated", "NotAPicture", "AnotherFormat"};
  return kNames[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Ways, FaultsPictures,
                         ::testing::Values(Break::Missing, Break::Empty, Break::Directory, Break::Truncated,
                                           Break::NotAPicture, Break::AnotherFormat),
                         BreakName);

// The font's glyph table missing or cut short: the game plays on with no text.
void PlayWithFontTable(bool present) {
  GameRunOptions options;
  options.LinkData = false;
  options.Files = DataCopy();
  if (present)
    options.Files["Data/Font1.ofi"].resize(100);
  else
    options.Files.erase("Data/Font1.ofi");
  options.Script = Tour();
  const GameRun run = RunGame(options);
  EXPECT_EQ(run.Status, 0) << run.Stderr;
  EXPECT_TRUE(Traced(run, "OE_Quit"));
  // Without a table no glyph advances: a width measured without spacing (the records' ruler) is 0.
  int unspaced = 0;
  for (const auto& call : TraceOf(run, "Text_GetWidth")) {
    if (call.Args.size() < 4 || call.Args[3] != "0") continue;
    ++unspaced;
    EXPECT_EQ(call.Result, "0") << call.Body;
  }
  EXPECT_GE(unspaced, 1) << "the records' ruler was never measured";
  if (!::testing::Test::HasFailure()) Tidy(run);
}

TEST(FaultsFont, GlyphTableMissingTheGamePlaysWithoutText) { PlayWithFontTable(false); }
TEST(FaultsFont, GlyphTableShortTheGamePlaysWithoutText) { PlayWithFontTable(true); }

// ---- the map, the ground list and the records file --------------------------------------------

struct FileCase {
  const char* Label;
  const char* File;      // relative to the run folder
  const char* Contents;  // nullptr: as prepared by Prepare
  std::function<void(std::map<std::string, std::string>&)> Prepare;
  std::string Shell;     // run in the folder before the game starts
  int Expected;          // the exit status: 0, or the run-time error number
  bool BeforeEngine;     // the error comes before the engine runs its loop
};

void Remove(std::map<std::string, std::string>& files, const std::string& name) { files.erase(name); }

TEST(FaultsFiles, MapGroundListAndRecordsFilesThatCannotBeReadEndWithTheirErrorNumber) {
  auto resize = [](const char* name, std::size_t size) {
    return [=](std::map<std::string, std::string>& f) { f[name].resize(size, '\x01'); };
  };
  auto dir = [](const char* name) {
    return [=](std::map<std::string, std::string>& f) { f.erase(name); f[std::string(name) + "/inside"] = ""; };
  };
  auto set = [](const char* name, std::string text) {
    return [=](std::map<std::string, std::string>& f) { f[name] = text; };
  };
  auto none = [](std::map<std::string, std::string>&) {};
  auto gone = [](const char* name) { return [=](std::map<std::string, std::string>& f) { Remove(f, name); }; };
  std::string oddMap(kMapBytes, '\0');
  for (std::size_t i = 0; i < kMapBytes; ++i) oddMap[i] = static_cast<char>((i * 97 + 13) & 0xFF);  // kinds, paths, textures out of range

  const std::vector<FileCase> cases = {
      {"map missing", "Data/1.vyx", nullptr, gone("Data/1.vyx"), "", 2, true},
      {"map empty", "Data/1.vyx", nullptr, resize("Data/1.vyx", 0), "", 100, true},
      {"map one byte short", "Data/1.vyx", nullptr, resize("Data/1.vyx", kMapBytes - 1), "", 100, true},
      {"map a directory", "Data/1.vyx", nullptr, dir("Data/1.vyx"), "", 5, true},
      {"map unreadable", "Data/1.vyx", nullptr, none, "chmod 000 Data/1.vyx", 5, true},
      {"map longer than a map", "Data/1.vyx", nullptr, resize("Data/1.vyx", kMapBytes + 300), "", 0, false},
      {"map values out of range", "Data/1.vyx", nullptr, set("Data/1.vyx", oddMap), "", 0, false},
      {"ground list missing", "Data/T/K.txt", nullptr, gone("Data/T/K.txt"), "", 2, false},
      {"ground list a directory", "Data/T/K.txt", nullptr, dir("Data/T/K.txt"), "", 5, false},
      {"ground list unreadable", "Data/T/K.txt", nullptr, none, "chmod 000 Data/T/K.txt", 5, false},
      {"ground list not a number", "Data/T/K.txt", nullptr, set("Data/T/K.txt", "six\r\n"), "", 106, false},
      {"ground list negative", "Data/T/K.txt", nullptr, set("Data/T/K.txt", "-1\r\n"), "", 201, false},
      {"ground list far too many", "Data/T/K.txt", nullptr, set("Data/T/K.txt", "100001\r\n"), "", 201, false},
      {"ground list empty", "Data/T/K.txt", nullptr, set("Data/T/K.txt", ""), "", 0, false},
      {"ground list more sheets than exist", "Data/T/K.txt", nullptr, set("Data/T/K.txt", "40\r\n"), "", 0, false},
      {"records empty", "records.vyx", nullptr, set("records.vyx", ""), "", 100, true},
      {"records one byte short", "records.vyx", nullptr, resize("records.vyx", kRecordsFileSize - 1), "", 100, true},
  };

  for (const FileCase& c : cases) {
    SCOPED_TRACE(c.Label);
    if (!c.Shell.empty() && !CanDropToNobody()) {
      std::printf("[ SKIPPED  ] %s: no setpriv to drop root's privileges\n", c.Label);
      continue;
    }
    GameRunOptions options;
    options.LinkData = false;
    options.Files = DataCopy();
    options.Files["PlayerN.cgm"] = "Ann\r\n";
    if (std::string(c.File) == "records.vyx") options.Files["records.vyx"] = std::string(kRecordsFileSize, '\0');
    c.Prepare(options.Files);
    // Past the intro, into the game scene and out through the menu: a world that loads must also play.
    options.Script = "1 key 27\n110 move 512 165\n120 click\n300 key 27\n410 move 512 615\n420 click\n600 quit\n";
    const GameRun run = c.Shell.empty() ? RunGame(options) : RunPrepared(options, c.Shell, true);
    EXPECT_EQ(run.Status, c.Expected) << run.Stderr;
    if (c.Expected == 0) {
      EXPECT_EQ(run.Stderr.find("Runtime error"), std::string::npos) << run.Stderr;
      EXPECT_TRUE(Traced(run, "OE_Quit"));
    } else {
      EXPECT_NE(run.Stderr.find(ErrorReport(c.Expected)), std::string::npos)
          << "expected \"" << ErrorReport(c.Expected) << "\" on stderr, got: " << run.Stderr;
      EXPECT_EQ(run.Stderr.find("Sanitizer"), std::string::npos) << run.Stderr;
      if (c.BeforeEngine) {
        EXPECT_FALSE(Traced(run, "OE_Init")) << "the engine started despite the error";
      }
      EXPECT_FALSE(Traced(run, "SSprite_Draw")) << "something was drawn despite the error";
    }
    if (!HasFailure()) Tidy(run);
  }
}

// A records file that is there but cannot be opened is the player's table all the same: the game ends
// with the error before the engine starts, and never saves a default table over it.
TEST(FaultsFiles, RecordsThatCannotBeOpenedEndTheGameAtStartWithError5AndAreKept) {
  const std::string old = std::string(kRecordsFileSize, '\x07');
  const struct {
    const char* Label;
    const char* Shell;  // run before the game, which runs as nobody when we are root
  } cases[] = {
      {"a directory", ""},
      {"no permissions (000)", "chmod 000 records.vyx"},
      {"write-only (0200)", "chmod 0200 records.vyx"},
  };
  if (!CanDropToNobody()) GTEST_SKIP() << "no setpriv to drop root's privileges";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Label);
    const bool directory = std::string(c.Shell).empty();
    GameRunOptions options;
    options.Files["PlayerN.cgm"] = "Ann\r\n";
    if (directory)
      options.Files["records.vyx/inside"] = "";
    else
      options.Files["records.vyx"] = old;
    options.Script = "30 quit\n";  // a few frames of play, then the save, were the game to start
    // The records file is the run's own, as a player's is: given to nobody with the folder.
    const GameRun run = RunPrepared(options, std::string(IsRoot() ? "chown -R 65534:65534 .; " : "") + c.Shell, true);
    Unlock(run);
    EXPECT_EQ(run.Status, 5) << run.Stderr;
    EXPECT_NE(run.Stderr.find(ErrorReport(5)), std::string::npos) << run.Stderr;
    EXPECT_FALSE(Traced(run, "OE_Init")) << "the engine started with a table that was not read";
    if (directory)
      EXPECT_TRUE(fs::is_directory(run.Folder + "/records.vyx"));
    else
      EXPECT_EQ(ReadFile(run.Folder + "/records.vyx"), old) << "the table that was not read was changed";
    EXPECT_EQ(NewFilesLeft(run.Folder), 0) << "a new table was left beside the old";
    if (!HasFailure()) Tidy(run);
  }
}

// ---- the records table under signals and in a read-only folder ----------------------------------

std::string RecordsWithTail() {
  std::string file;
  for (int k = 0; k < 10; ++k) {
    std::string entry = "\x03" "Bob";
    entry.resize(44, '\0');
    entry += std::string("\x10\x27\x00\x00", 4);  // 10000
    entry.resize(52, '\0');
    file += entry;
  }
  return file + "tail that the save drops";
}

// A kill at any moment of a run that saves (a dozen moments in a soak run) leaves either the old file or the
// new one, whole.
TEST(FaultsRecords, KillAtAnyMomentLeavesTheOldOrTheNewTableWhole) {
  const std::string old = RecordsWithTail();
  const std::string saved = old.substr(0, kRecordsFileSize);
  GameRunOptions options;
  options.Files["PlayerN.cgm"] = "Ann\r\n";
  options.Files["records.vyx"] = old;
  options.Script = "2 quit\n";
  // Once without a kill, to know how long a run lasts.
  const auto begin = std::chrono::steady_clock::now();
  const GameRun whole = RunGame(options);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  ASSERT_EQ(whole.Status, 0) << whole.Stderr;
  ASSERT_EQ(ReadFile(whole.Folder + "/records.vyx"), saved);
  Tidy(whole);

  const int kKills = SoakRounds(4, 12);
  int killedBeforeSave = 0, killedAfterSave = 0;
  for (int k = 0; k < kKills; ++k) {
    const double delay = seconds * (0.3 + 0.8 * k / kKills);
    char prepare[200];
    std::snprintf(prepare, sizeof prepare,
                  "'%s/zanoru' & pid=$!\nsleep %.3f\nkill -KILL $pid\nwait $pid\nexit 0\n", GameFolder().c_str(),
                  delay);
    const GameRun run = RunPrepared(options, prepare, false);
    const std::string now = ReadFile(run.Folder + "/records.vyx");
    EXPECT_TRUE(now == old || now == saved) << "after a kill at " << delay << " s the records file holds " << now.size()
                                            << " bytes, neither the old table nor the new one";
    (now == old ? killedBeforeSave : killedAfterSave)++;
    if (!HasFailure()) Tidy(run);
  }
  std::printf("kills: %d before the save, %d after it (a run lasts %.2f s)\n", killedBeforeSave, killedAfterSave,
              seconds);
}

// What a killed save leaves (its unfinished new table, under a name of its own) is neither read nor
// reused: the next save makes a new file and leaves the old one be, since another game may be saving.
TEST(FaultsRecords, LeftoverNewFileFromAKilledSaveHarmsNeitherStartNorSave) {
  GameRunOptions options;
  options.Files["PlayerN.cgm"] = "Ann\r\n";
  options.Files["records.vyx"] = RecordsWithTail();
  options.Files["records.vyx.tmp"] = std::string(100, '\xFF');  // half of a table, as older saves left it
  options.Files["records.vyx.0badf00d.tmp"] = std::string(100, '\xFE');
  options.Script = "30 quit\n";  // a few frames of play, then the save
  const GameRun run = RunGame(options);
  ASSERT_EQ(run.Status, 0) << run.Stderr;
  EXPECT_EQ(ReadFile(run.Folder + "/records.vyx"), RecordsWithTail().substr(0, kRecordsFileSize));
  EXPECT_EQ(ReadFile(run.Folder + "/records.vyx.tmp"), std::string(100, '\xFF'));
  EXPECT_EQ(ReadFile(run.Folder + "/records.vyx.0badf00d.tmp"), std::string(100, '\xFE'));
  EXPECT_EQ(NewFilesLeft(run.Folder), 2) << "the save left its own new file behind";
  Tidy(run);
}

// The tick of the trace's last whole line so far, or -1.
long LastTracedTick(const std::string& trace) {
  std::ifstream in(trace, std::ios::binary | std::ios::ate);
  const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : 0;
  std::string tail(static_cast<size_t>(std::min<std::streamoff>(size, 4096)), '\0');
  in.seekg(size - static_cast<std::streamoff>(tail.size()));
  in.read(tail.data(), static_cast<std::streamsize>(tail.size()));
  const size_t end = tail.rfind('\n'), start = end == std::string::npos ? end : tail.rfind('\n', end - 1);
  return start == std::string::npos || end == 0 ? -1 : std::atol(tail.c_str() + start + 1);
}

// Sends the game `signal` once its trace has reached `tick` (or after `seconds`).
std::function<void(int, const std::string&)> SignalAtTick(int signal, long tick, double seconds) {
  return [=](int pid, const std::string& folder) {
    WaitUntil([&] { return LastTracedTick(folder + "/.trace") >= tick || PollChild(pid) >= 0; }, seconds);
    kill(pid, signal);
  };
}

TEST(FaultsRecords, TerminationDuringPlaySavesTheRecords) {
  GameRunOptions options;
  options.Files["PlayerN.cgm"] = "Ann\r\n";
  options.Files["records.vyx"] = RecordsWithTail();
  // Into the game scene, then on and on: only the signal ends this run, once the walkers have been out
  // for a while.
  options.Script = "1 key 27\n110 move 512 165\n120 click\n100000000 quit\n";
  options.While = SignalAtTick(SIGTERM, 400, 180);
  const GameRun run = RunGame(options);
  EXPECT_EQ(run.Status, 0) << "expected a normal end after SIGTERM, got " << run.Status << "\n" << run.Stderr;
  EXPECT_EQ(ReadFile(run.Folder + "/records.vyx"), RecordsWithTail().substr(0, kRecordsFileSize))
      << "the save at the end did not run";
  ASSERT_FALSE(run.Trace.empty());
  const int lastTick = static_cast<int>(run.Trace.back().Tick);
  EXPECT_GT(lastTick, 120 + 51) << "the signal came before the game scene had opened";
  EXPECT_TRUE(TraceOf(run, "OE_Quit").empty()) << "the run was to end by the signal alone";
  if (!HasFailure()) Tidy(run);
}

// An installed game: the folder is read-only, the records file in it writable by the player. The new
// table cannot be made beside the old one, so it is written over the file itself.
TEST(FaultsRecords, ReadOnlyFolderWithAWritableRecordsFileSavesInPlace) {
  if (!CanDropToNobody()) GTEST_SKIP() << "no setpriv to drop root's privileges";
  GameRunOptions options;
  options.Files["PlayerN.cgm"] = "Ann\r\n";
  options.Files["records.vyx"] = RecordsWithTail();
  options.Script = "30 quit\n";  // a few frames of play, then the save
  // Root would write into the folder anyway: the wrapper drops to nobody after making it read-only.
  const GameRun run = RunPrepared(options, "chmod 0666 records.vyx; chmod 0555 .", true);
  Unlock(run);
  EXPECT_EQ(run.Status, 0) << run.Stderr;
  EXPECT_EQ(ReadFile(run.Folder + "/records.vyx"), RecordsWithTail().substr(0, kRecordsFileSize))
      << "the table was not written over in place";
  EXPECT_EQ(NewFilesLeft(run.Folder), 0);
  if (!HasFailure()) Tidy(run);
}

// ---- records.vyx as a link, with its own permissions ------------------------------------------------

// A records file kept elsewhere (a synced folder, say) and linked into the game's folder stays a link,
// its target gets the new table in its own folder, and its permissions stay what the player set.
TEST(FaultsRecords, LinkedRecordsFileKeepsItsLinkTargetFolderAndPermissions) {
  const std::string store = TempFolder("zanoru-store");
  const std::string target = std::string(store) + "/scores.vyx";
  std::ofstream(target, std::ios::binary) << RecordsWithTail();
  fs::permissions(target, static_cast<fs::perms>(0640));
  std::ofstream(std::string(store) + "/victim", std::ios::binary) << "keep me";

  GameRunOptions options;
  options.Files["PlayerN.cgm"] = "Ann\r\n";
  options.Script = "2 quit\n";
  // An unusual umask must not reach the saved file either; a link planted where the old save put its
  // new table must not be written through.
  const GameRun run = RunPrepared(
      options, "umask 077; ln -s '" + target + "' records.vyx; ln -s '" + store + "/victim' records.vyx.tmp", false);
  EXPECT_EQ(run.Status, 0) << run.Stderr;
  EXPECT_TRUE(fs::is_symlink(run.Folder + "/records.vyx")) << "the link was replaced by a file";
  EXPECT_EQ(ReadFile(target), RecordsWithTail().substr(0, kRecordsFileSize));
  struct stat st {};
  ASSERT_EQ(stat(target.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u) << "expected the permissions 640, got " << std::oct << (st.st_mode & 0777);
  EXPECT_EQ(ReadFile(std::string(store) + "/victim"), "keep me") << "the save wrote through the planted link";
  std::vector<std::string> stored;
  for (const auto& entry : fs::directory_iterator(store)) stored.push_back(entry.path().filename().string());
  EXPECT_EQ(stored.size(), 2u) << "a new file was left beside the target";
  if (!HasFailure()) {
    Tidy(run);
    fs::remove_all(store);
  }
}

// ---- files that are no files: pipes, devices, endless lines ------------------------------------------

struct OddFileCase {
  const char* Label;
  std::string Shell;  // makes the odd file in the run folder
  int Expected;       // exit status
};

// Each of these once hung in open() before any window, or grew without end. A run that outlives a
// minute is killed, which shows as status 137.
TEST(FaultsFiles, PipesDevicesAndEndlessFilesNeverHangTheGame) {
  const std::vector<OddFileCase> cases = {
      {"name file a FIFO: no name file", "rm -f PlayerN.cgm; mkfifo PlayerN.cgm", 0},
      {"name file a link to /dev/zero: no name file", "rm -f PlayerN.cgm; ln -s /dev/zero PlayerN.cgm", 0},
      {"name file 64 GB of zeros (sparse): a name of 4096 NULs", "rm PlayerN.cgm; truncate -s 64G PlayerN.cgm", 0},
      {"records a FIFO: error 5 at start", "mkfifo records.vyx", 5},
      {"map a FIFO", "rm Data/1.vyx; mkfifo Data/1.vyx", 5},
      {"ground list a FIFO", "rm Data/T/K.txt; mkfifo Data/T/K.txt", 5},
      {"ground list a link to /dev/zero", "rm Data/T/K.txt; ln -s /dev/zero Data/T/K.txt", 5},
      {"ground list followed by 64 GB (sparse)", "printf '3\\n' > Data/T/K.txt; truncate -s 64G Data/T/K.txt", 0},
      {"font glyph table a FIFO: no text", "rm Data/Font1.ofi; mkfifo Data/Font1.ofi", 0},
      {"a picture a FIFO: not drawn", "rm Data/Cur.tga; mkfifo Data/Cur.tga", 0},
  };
  for (const OddFileCase& c : cases) {
    SCOPED_TRACE(c.Label);
    GameRunOptions options;
    options.LinkData = false;
    options.Files = DataCopy();
    options.Files["PlayerN.cgm"] = "Ann\r\n";
    options.Script = "10 key 27\n100 quit\n";
    const GameRun run = RunPrepared(options, c.Shell + "\nexec timeout -s KILL 60 '" + GameFolder() + "/zanoru'", false);
    EXPECT_EQ(run.Status, c.Expected) << run.Stderr;
    if (c.Expected != 0) {
      EXPECT_NE(run.Stderr.find(ErrorReport(c.Expected)), std::string::npos) << run.Stderr;
    } else {
      ASSERT_FALSE(run.Trace.empty());
      EXPECT_EQ(run.Trace.back().Tick, 100) << "the game did not play to its end: " << run.Trace.back().Body;
    }
    if (!HasFailure()) Tidy(run);
  }
}

// A first line of 100 MB froze every frame that drew it: the name is its first 4096 bytes.
TEST(FaultsFiles, HugeFirstLineOfTheNameFileGivesAName4096BytesLong) {
  GameRunOptions options;
  options.Script = "10 key 27\n100 quit\n";
  const GameRun run =
      RunPrepared(options, "head -c 100000000 /dev/zero | tr '\\0' a > PlayerN.cgm; printf '\\r\\nBob' >> PlayerN.cgm", false);
  ASSERT_EQ(run.Status, 0) << run.Stderr;
  int greetings = 0;
  for (const auto& call : TraceOf(run, "Text_Draw")) {
    const std::string text = call.Args.size() > 3 ? call.Args[3] : "";
    const std::size_t at = text.find(std::string(4096, 'a'));
    if (at == std::string::npos) continue;
    ++greetings;
    EXPECT_EQ(text.size(), at + 4096) << "expected the name to end after 4096 bytes";
  }
  EXPECT_GT(greetings, 0) << "the menu never greeted the player";
  if (!HasFailure()) Tidy(run);
}

// ---- two games quitting together, and kills in the middle of the save --------------------------------

// The table records_saver writes for a letter.
std::string SaverTable(char letter) {
  std::string table;
  for (int k = 1; k <= 10; ++k) {
    std::string entry(1, '\x2B');
    entry += std::string(43, letter);
    const uint32_t score = static_cast<uint32_t>(k * letter);
    for (int i = 0; i < 4; ++i) entry += static_cast<char>((score >> (8 * i)) & 0xFF);
    entry += letter;
    entry += '\0';
    entry += std::string(2, letter);
    table += entry;
  }
  return table;
}

struct Saver {
  pid_t Pid = -1;
  std::string Log;  // the folder holding its .stdout and .stderr
};

Saver StartSaver(const std::string& folder, char letter, int delayMicros, bool asNobody) {
  Saver saver;
  saver.Log = TempFolder("zanoru-saver");
  std::vector<std::string> args = {RECORDS_SAVER, folder, std::string(1, letter), std::to_string(delayMicros)};
  if (asNobody) args.push_back("nobody");
  saver.Pid = SpawnInFolder(saver.Log, args, {});
  return saver;
}

// Its exit status (128 + signal when killed) and what it said; its log folder goes.
int Finish(const Saver& saver, std::string& said) {
  const int status = WaitBounded(saver.Pid, 120);
  said = ReadFile(saver.Log + "/.stderr");
  RemoveFolder(saver.Log);
  return status;
}

// A fresh records folder holding `old`; read-only (with a writable records file) for the in-place save.
std::string RecordsFolder(const std::string& old, bool readOnly) {
  const std::string folder = TempFolder("zanoru-pair");
  std::ofstream(std::string(folder) + "/records.vyx", std::ios::binary) << old;
  fs::permissions(std::string(folder) + "/records.vyx", static_cast<fs::perms>(0666));
  fs::permissions(folder, static_cast<fs::perms>(readOnly ? 0555 : 0755));
  return folder;
}

std::vector<std::string> NamesIn(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  return names;
}

// Two games quitting at the same moment once shared one temporary file: one truncated what the other
// was about to rename, or found it gone and reported error 2 for a save that had worked. Now each save
// is whole and succeeds, whatever the order. The two starts are spread over 3 ms either way.
void QuitInPairs(int pairs, bool readOnly) {
  if (readOnly && !CanDropToNobody()) GTEST_SKIP() << "no way to drop root's privileges";
  const std::string a = SaverTable('A'), b = SaverTable('B');
  const std::string folder = RecordsFolder(std::string(kRecordsFileSize, 'o'), readOnly);
  ASSERT_FALSE(folder.empty());
  std::mt19937 random(20261208);
  std::uniform_int_distribution<int> spread(0, 3000);
  int endedA = 0, endedB = 0, bad = 0;
  const auto begin = std::chrono::steady_clock::now();
  for (int i = 0; i < pairs && bad < 5; ++i) {
    const Saver first = StartSaver(folder, 'A', spread(random), readOnly);
    const Saver second = StartSaver(folder, 'B', spread(random), readOnly);
    std::string saidA, saidB;
    const int statusA = Finish(first, saidA);
    const int statusB = Finish(second, saidB);
    const std::string now = ReadFile(folder + "/records.vyx");
    const std::vector<std::string> names = NamesIn(folder);
    const bool whole = now == a || now == b;
    if (statusA != 0 || statusB != 0 || !whole || names.size() != 1) ++bad;
    EXPECT_EQ(statusA, 0) << "pair " << i << ": " << saidA;
    EXPECT_EQ(statusB, 0) << "pair " << i << ": " << saidB;
    EXPECT_TRUE(whole) << "pair " << i << ": the records file holds " << now.size() << " bytes, neither table";
    EXPECT_EQ(names.size(), 1u) << "pair " << i << ": something was left beside the records";
    (now == a ? endedA : endedB)++;
  }
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
  std::printf("%d paired saves%s: %d ended with A's table, %d with B's, %d bad, %.1f s\n", pairs,
              readOnly ? " in place" : "", endedA, endedB, bad, seconds);
  fs::permissions(folder, fs::perms::owner_all);
  fs::remove_all(folder);
}

TEST(FaultsRecords, TwoGamesQuittingTogetherLeaveOneWholeTableAndNoError) { QuitInPairs(SoakRounds(20, 200), false); }
TEST(FaultsRecords, TwoGamesQuittingTogetherInAReadOnlyFolderLeaveOneWholeTable) { QuitInPairs(SoakRounds(10, 60), true); }

// A kill at any moment of a save, a hundred times in a soak run, in both kinds of folder: the file holds the old table
// or the new one, whole; only the killed save's unfinished new file may stay behind.
void KillSaves(int runs, bool readOnly) {
  if (readOnly && !CanDropToNobody()) GTEST_SKIP() << "no way to drop root's privileges";
  const std::string old = SaverTable('o'), saved = SaverTable('N');
  const std::string folder = RecordsFolder(old, readOnly);
  ASSERT_FALSE(folder.empty());
  // How long a saver takes from its start to its end (the quickest of three), to spread the kills over
  // its life, most of them late, where the save is.
  int lasts = 1 << 30;
  std::string said;
  for (int i = 0; i < 3; ++i) {
    const auto begin = std::chrono::steady_clock::now();
    ASSERT_EQ(Finish(StartSaver(folder, 'N', 0, readOnly), said), 0) << said;
    lasts = std::min(lasts, static_cast<int>(std::chrono::duration_cast<std::chrono::microseconds>(
                                                 std::chrono::steady_clock::now() - begin)
                                                 .count()));
  }
  std::mt19937 random(7);
  std::uniform_int_distribution<int> when(lasts * 3 / 10, lasts);
  int killedBefore = 0, killedAfter = 0;
  for (int i = 0; i < runs; ++i) {
    fs::permissions(folder, fs::perms::owner_all);
    std::ofstream(folder + "/records.vyx", std::ios::binary) << old;
    fs::permissions(folder, static_cast<fs::perms>(readOnly ? 0555 : 0755));
    const Saver saver = StartSaver(folder, 'N', 0, readOnly);
    const int delay = when(random);
    usleep(static_cast<useconds_t>(delay));
    if (saver.Pid > 0) kill(saver.Pid, SIGKILL);  // never kill(-1, …): every process there is
    Finish(saver, said);
    const std::string now = ReadFile(folder + "/records.vyx");
    EXPECT_TRUE(now == old || now == saved) << "kill " << i << " after " << delay << " µs left " << now.size()
                                            << " bytes, neither the old table nor the new one";
    (now == old ? killedBefore : killedAfter)++;
    for (const std::string& name : NamesIn(folder))
      EXPECT_TRUE(name == "records.vyx" || (name.size() > 4 && name.compare(name.size() - 4, 4, ".tmp") == 0)) << name;
  }
  std::printf("%d kills%s over %d µs: %d before the save, %d after it\n", runs, readOnly ? " in place" : "", lasts,
              killedBefore, killedAfter);
  fs::permissions(folder, fs::perms::owner_all);
  fs::remove_all(folder);
}

TEST(FaultsRecords, KillDuringTheSaveLeavesAWholeTable) { KillSaves(SoakRounds(20, 100), false); }
TEST(FaultsRecords, KillDuringTheSaveInPlaceLeavesAWholeTable) { KillSaves(SoakRounds(20, 100), true); }

// ---- crafted pictures: sizes checked before anything is decoded --------------------------------------

// A JPEG of our own data, its frame header made to declare another size.
std::string JpegDeclaring(uint16_t w, uint16_t h) {
  return JpegResized(ReadFile(GameFolder() + "/Data/Black.jpg"), w, h);
}

// Pictures that declare far more than they hold, where the game asks for them and where it never does:
// they once crashed the game (a row offset past 2^31 inside the decoders, or bad_alloc) or took gigabytes.
// The game plays on; a picture it asks for is refused like any unreadable one (handle 0).
TEST(FaultsPictures, CraftedSizesAreRefusedBeforeDecodingWhereverThePictureLies) {
  ASSERT_FALSE(JpegDeclaring(30000, 30000).empty()) << "no frame header in Data/Black.jpg";
  const struct {
    const char* Label;
    std::map<std::string, std::string> Files;
    std::vector<std::string> RefusedLoads;  // as the game names them
  } cases[] = {
      {"asked for: TGA 23171², JPEG 65500², a BMP bomb under a JPEG's name",
       {{"Data/Cur.tga", CraftedTga(23171, 23171, 32, 1000)},
        {"Data/Map1.jpg", JpegDeclaring(65500, 65500)},
        {"Data/Black.jpg", CraftedBmp(30000, 30000, 24, 100)}},
       {"Data\\Cur.tga", "Data\\Map1.jpg", "Data\\Black.jpg"}},
      {"never asked for: TGA, RGBA PNG 24000² of 2.2 MB, 1-bit PNG, JPEG and BMP 30000²",
       {{"Data/Model/extra.tga", CraftedTga(23171, 23171, 32, 1000)},
        {"Data/extra.png", CraftedPng(24000, 24000, 6, 8)},
        {"Data/junk/onebit.png", CraftedPng(30000, 30000, 3, 1)},
        {"Data/junk/small.jpg", JpegDeclaring(30000, 30000)},
        {"Data/junk/small.bmp", CraftedBmp(30000, 30000, 24, 100)}},
       {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Label);
    GameRunOptions options;
    options.LinkData = false;
    options.Files = DataCopy();
    for (const auto& [name, bytes] : c.Files) options.Files[name] = bytes;
    options.Files["PlayerN.cgm"] = "Ann\r\n";
    options.Script = "10 key 27\n100 quit\n";
    const GameRun run = RunGame(options);
    EXPECT_EQ(run.Status, 0) << run.Stderr;
    EXPECT_EQ(run.Stderr.find("Sanitizer"), std::string::npos) << run.Stderr;
    int refused = 0;
    for (const auto& load : TraceOf(run, "Tex_LoadFromFile"))
      for (const std::string& name : c.RefusedLoads)
        if (!load.Args.empty() && load.Args[0] == name) {
          ++refused;
          EXPECT_EQ(load.ResultInt(), 0) << "expected the load refused, got: " << load.Body;
        }
    EXPECT_GE(refused, static_cast<int>(c.RefusedLoads.size()));
    if (!HasFailure()) Tidy(run);
  }
}

// Three hundred pictures nobody asks for must not stay decoded for the whole run (they once kept about
// a gigabyte resident); the run itself must simply work. The memory is measured, not asserted here:
// see docs/robustness.md.
TEST(FaultsPictures, ManyPicturesNobodyAsksForDoNotStopTheGame) {
  GameRunOptions options;
  options.LinkData = false;
  options.Files = DataCopy();
  const std::string photo = options.Files.at("Data/Map1.jpg");
  for (int i = 0; i < 300; ++i) options.Files["Data/junk/" + std::to_string(i) + ".jpg"] = photo;
  options.Files["PlayerN.cgm"] = "Ann\r\n";
  options.Script = "10 key 27\n100 quit\n";
  const GameRun run = RunGame(options);
  EXPECT_EQ(run.Status, 0) << run.Stderr;
  for (const auto& load : TraceOf(run, "Tex_LoadFromFile"))
    EXPECT_NE(load.ResultInt(), 0) << "a picture of the game failed to load: " << load.Body;
  if (!HasFailure()) Tidy(run);
}

// ---- no display, signals, the trace and the script ------------------------------------------------------

// A run without a script needs a display: without one the game says so and fails, instead of playing
// unseen until killed; a video driver that cannot start fails too. The reason is the first line said.
TEST(FaultsEngine, NoDisplayOrABrokenVideoDriverIsReportedWithAFailingStatus) {
  const struct {
    const char* Label;
    const char* Shell;
    const char* Said;
  } cases[] = {
      {"no display", "unset DISPLAY WAYLAND_DISPLAY XDG_RUNTIME_DIR SDL_VIDEODRIVER OMEGA_SCRIPT", "no display"},
      {"a driver that does not exist", "unset DISPLAY WAYLAND_DISPLAY OMEGA_SCRIPT; export SDL_VIDEODRIVER=nonexistent",
       "no video"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Label);
    GameRunOptions options;
    options.Files["PlayerN.cgm"] = "Ann\r\n";
    const GameRun run =
        RunPrepared(options, std::string(c.Shell) + "\nexec timeout -s KILL 60 '" + GameFolder() + "/zanoru'", false);
    EXPECT_EQ(run.Status, 1) << "expected status 1 (137: it ran on unseen until killed)\n" << run.Stderr;
    EXPECT_NE(run.Stderr.substr(0, run.Stderr.find('\n')).find(c.Said), std::string::npos)
        << "expected \"" << c.Said << "\" first on stderr, got: " << run.Stderr;
    EXPECT_FALSE(fs::exists(run.Folder + "/records.vyx")) << "the game ran without a window";
    if (!HasFailure()) Tidy(run);
  }
}

// The end of the last part of an ELF file that is loaded (its program headers' offset + file size).
std::size_t MappedExtent(const std::string& elf) {
  Elf64_Ehdr header{};
  if (elf.size() < sizeof header) return 0;
  std::memcpy(&header, elf.data(), sizeof header);
  std::size_t end = 0;
  for (std::size_t i = 0; i < header.e_phnum; ++i) {
    const std::size_t at = header.e_phoff + i * sizeof(Elf64_Phdr);
    if (at + sizeof(Elf64_Phdr) > elf.size()) return 0;
    Elf64_Phdr segment{};
    std::memcpy(&segment, elf.data() + at, sizeof segment);
    end = std::max<std::size_t>(end, segment.p_offset + segment.p_filesz);
  }
  return end;
}

// A wrong engine library is a missing one: the message and status 1. A FIFO once held the game in
// dlopen for ever, and a cut copy of the library died of SIGBUS (status 135) when its missing part was
// touched. A run that outlives a minute is killed (status 137).
TEST(FaultsEngine, WrongEngineLibraryIsReportedAsMissing) {
  const std::string engine = ReadFile(GameFolder() + "/DX/OMEGA.dll");
  ASSERT_GT(engine.size(), 4096u) << "no engine library in " << GameFolder();
  struct Case {
    std::string Label;
    std::string Shell;  // makes DX/OMEGA.dll in the run folder
    std::string Bytes;  // else these are its bytes
  };
  std::vector<Case> cases = {
      {"a FIFO", "mkfifo DX/OMEGA.dll", ""},
      {"a folder", "mkdir DX/OMEGA.dll", ""},
      {"a link to /dev/zero", "ln -s /dev/zero DX/OMEGA.dll", ""},
      {"empty", "", ""},
      {"text", "", "not a library\n"},
      {"the ELF header alone", "", engine.substr(0, 64)},
  };
  // Cut within what dlopen maps: a build with debugging information carries much more after it.
  const std::size_t mapped = MappedExtent(engine);
  ASSERT_GT(mapped, 4096u) << "no loadable segments read";
  for (const int percent : {1, 10, 25, 50, 75, 99})
    cases.push_back({"cut to " + std::to_string(percent) + " % of its segments", "", engine.substr(0, mapped * percent / 100)});
  cases.push_back({"one byte short of its last segment", "", engine.substr(0, mapped - 1)});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Label);
    GameRunOptions options;
    options.LinkEngine = false;
    options.Files["PlayerN.cgm"] = "Ann\r\n";
    options.Script = "1 quit\n";
    if (c.Shell.empty()) options.Files["DX/OMEGA.dll"] = c.Bytes;
    const GameRun run = RunPrepared(
        options, "mkdir -p DX; " + c.Shell + "\nexec timeout -s KILL 60 '" + GameFolder() + "/zanoru'", false);
    EXPECT_EQ(run.Status, 1) << "expected status 1 (135: SIGBUS, 137: held until killed), got " << run.Status << "\n"
                             << run.Stderr;
    EXPECT_EQ(run.Stderr, "Error: Error while loading OMEGA Engine\n");
    EXPECT_TRUE(run.Trace.empty());
    if (!HasFailure()) Tidy(run);
  }
}

// The terminal closing (SIGHUP) ends the game like SIGTERM: the quit callback runs and saves.
TEST(FaultsRecords, HangUpSavesTheRecords) {
  GameRunOptions options;
  options.Files["PlayerN.cgm"] = "Ann\r\n";
  options.Files["records.vyx"] = RecordsWithTail();
  options.Script = "100000000 quit\n";
  options.While = SignalAtTick(SIGHUP, 20, 60);
  const GameRun run = RunGame(options);
  EXPECT_EQ(run.Status, 0) << "expected a normal end after SIGHUP, got " << run.Status << "\n" << run.Stderr;
  EXPECT_EQ(ReadFile(run.Folder + "/records.vyx"), RecordsWithTail().substr(0, kRecordsFileSize))
      << "the quit callback did not save";
  if (!HasFailure()) Tidy(run);
}

// A trace that cannot be written (a full disk) is reported once, and the run's status says so (74); the
// game itself plays to its end and saves.
TEST(FaultsEngine, TraceWriteErrorIsReportedOnceAndFailsTheRun) {
  if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
  GameRunOptions options;
  options.Files["PlayerN.cgm"] = "Ann\r\n";
  options.Script = "10 key 27\n300 quit\n";
  const GameRun run = RunPrepared(options, "export OMEGA_TRACE=/dev/full", false);
  EXPECT_EQ(run.Status, 74) << run.Stderr;
  std::size_t reports = 0;
  for (std::size_t at = run.Stderr.find("trace"); at != std::string::npos; at = run.Stderr.find("trace", at + 1)) ++reports;
  EXPECT_EQ(reports, 1u) << "expected one report, got: " << run.Stderr;
  EXPECT_EQ(ReadFile(run.Folder + "/records.vyx").size(), kRecordsFileSize) << "the game did not play to its end";
  if (!HasFailure()) Tidy(run);
}

// A folder given as the script is no script: it cannot be read, status 2, before the game loads anything.
TEST(FaultsEngine, ScriptThatIsAFolderCannotBeRead) {
  GameRunOptions options;
  options.Files["PlayerN.cgm"] = "Ann\r\n";
  options.Files["scripts/inside"] = "";
  const GameRun run = RunPrepared(options, "export OMEGA_SCRIPT=\"$PWD/scripts\"", false);
  EXPECT_EQ(run.Status, 2) << run.Stderr;
  EXPECT_NE(run.Stderr.find("cannot read"), std::string::npos) << run.Stderr;
  EXPECT_TRUE(TraceOf(run, "Tex_LoadFromFile").empty()) << "the game started loading";
  if (!HasFailure()) Tidy(run);
}

}  // namespace
