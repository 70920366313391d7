// The installed game: the layout `cmake --install` makes, the launcher that runs it in the player's own
// folder, and the desktop files the validators accept.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

#include "records/GRecords.h"
#include "tests/support/GameRun.h"

namespace fs = std::filesystem;

namespace {

std::string Temp(const char* what) { return TempFolder(std::string("zanoru-") + what); }

// Runs a shell command line; its exit status, its output in `out`.
int Shell(const std::string& command, std::string& out) {
  const std::string log = Temp("log") + "/out.txt";
  const int status = std::system((command + " >'" + log + "' 2>&1").c_str());
  out = ReadFile(log);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Every file and link under a folder with its size and modification time: what writing would change.
std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    struct stat st {};
    lstat(entry.path().c_str(), &st);
    files[fs::relative(entry.path(), root).string()] = std::to_string(st.st_size) + "@" +
                                                       std::to_string(st.st_mtim.tv_sec) + "." +
                                                       std::to_string(st.st_mtim.tv_nsec);
  }
  return files;
}

// A PNG's width and height from its header, or 0×0.
std::pair<int, int> PngSize(const std::string& file) {
  const std::string d = ReadFile(file);
  if (d.size() < 24 || d.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return {0, 0};
  auto big = [&](size_t at) {
    return (static_cast<uint8_t>(d[at]) << 24) | (static_cast<uint8_t>(d[at + 1]) << 16) |
           (static_cast<uint8_t>(d[at + 2]) << 8) | static_cast<uint8_t>(d[at + 3]);
  };
  return {big(16), big(20)};
}

class Installed : public ::testing::Test {
 protected:
  static inline std::string Prefix;
  static inline std::string InstallLog;
  static inline int InstallStatus = -1;

  static void SetUpTestSuite() {
    Prefix = Temp("prefix");
    InstallStatus = Shell("cmake --install '" ZANORU_BINARY_DIR "' --prefix '" + Prefix + "'", InstallLog);
  }

  void SetUp() override { ASSERT_EQ(InstallStatus, 0) << "cmake --install failed:\n" << InstallLog; }

  // Runs the installed launcher (or `launcher`, a link to it) headless with a script and the given
  // player environment.
  GameRun Launch(const std::map<std::string, std::string>& env, const std::string& script = "20 quit\n",
                 const std::string& launcher = "") {
    GameRunOptions options;
    options.Executable = launcher.empty() ? Prefix + "/bin/zanoru" : launcher;
    options.LinkData = false;
    options.LinkEngine = false;
    options.Script = script;
    options.Env = env;
    return RunGame(options);
  }
};

TEST_F(Installed, PutsEachPieceInItsPlace) {
  for (const char* file : {"lib/zanoru/zanoru", "bin/zanoru"})
    EXPECT_EQ(access((Prefix + "/" + file).c_str(), X_OK), 0) << file << " is missing or not executable";
  for (const char* file : {"lib/zanoru/DX/OMEGA.dll", "share/zanoru/Data/Map1.jpg", "share/zanoru/Data/Font1.ofi", "share/zanoru/Data/1.vyx",
                           "share/zanoru/Data/Model/pt0.jpg", "share/applications/io.github.zanoru.Zanoru.desktop",
                           "share/metainfo/io.github.zanoru.Zanoru.metainfo.xml"})
    EXPECT_TRUE(fs::is_regular_file(Prefix + "/" + file)) << file << " is missing";
  for (int size : {128, 256}) {
    const std::string icon = Prefix + "/share/icons/hicolor/" + std::to_string(size) + "x" + std::to_string(size) +
                             "/apps/io.github.zanoru.Zanoru.png";
    EXPECT_EQ(PngSize(icon), std::make_pair(size, size)) << icon;
  }
  EXPECT_FALSE(fs::exists(Prefix + "/lib/zanoru/Data")) << "the data belongs in share/";
}

TEST_F(Installed, DesktopFilesPassTheirValidators) {
  std::string out;
  EXPECT_EQ(Shell("desktop-file-validate '" + Prefix + "/share/applications/io.github.zanoru.Zanoru.desktop'", out), 0)
      << out;
  EXPECT_EQ(out, "") << "warnings too";
  EXPECT_EQ(Shell("appstreamcli validate --no-net '" + Prefix + "/share/metainfo/io.github.zanoru.Zanoru.metainfo.xml'",
                  out),
            0)
      << out;
}

TEST_F(Installed, LauncherPlaysInThePlayersFolderAndLeavesTheInstallAlone) {
  const auto before = Snapshot(Prefix);
  const std::string xdg = Temp("xdg");
  const GameRun run = Launch({{"XDG_DATA_HOME", xdg}, {"HOME", Temp("home")}});
  ASSERT_EQ(run.Status, 0) << run.Stderr;

  const fs::path player = fs::path(xdg) / "zanoru";
  EXPECT_EQ(fs::exists(player / "records.vyx") ? fs::file_size(player / "records.vyx") : 0u, kRecordsFileSize)
      << "the records belong to the player";
  EXPECT_EQ(fs::read_symlink(player / "Data"), fs::path(Prefix) / "share/zanoru/Data");
  EXPECT_EQ(fs::read_symlink(player / "DX"), fs::path(Prefix) / "lib/zanoru/DX");
  EXPECT_FALSE(fs::exists(fs::path(run.Folder) / "records.vyx")) << "written where the launcher was started";
  EXPECT_EQ(Snapshot(Prefix), before) << "the install was written to";
  EXPECT_FALSE(TraceOf(run, "Tex_LoadFromFile").empty()) << "the game ran with the installed engine";
  for (const auto& load : TraceOf(run, "Tex_LoadFromFile"))
    EXPECT_NE(load.ResultInt(), 0) << "a picture did not load from the install: " << load.Body;

  // A second run finds the player's folder ready and keeps the records it holds.
  std::string records = ReadFile((player / "records.vyx").string());
  records[1] = '\xC1';
  std::ofstream(player / "records.vyx", std::ios::binary) << records;
  const GameRun again = Launch({{"XDG_DATA_HOME", xdg}, {"HOME", Temp("home")}});
  ASSERT_EQ(again.Status, 0) << again.Stderr;
  EXPECT_EQ(ReadFile((player / "records.vyx").string()), records);
}

TEST_F(Installed, WithoutXdgDataHomeThePlayersFolderIsInHome) {
  const std::string home = Temp("home");
  const GameRun run = Launch({{"XDG_DATA_HOME", ""}, {"HOME", home}});
  ASSERT_EQ(run.Status, 0) << run.Stderr;
  EXPECT_TRUE(fs::exists(home + "/.local/share/zanoru/records.vyx"));
}

// ---- the launcher in unusual places -----------------------------------------------------------------

// A relative XDG_DATA_HOME is not a place: the XDG rules say to ignore it, and one that looks like an
// option must not reach a command as one.
TEST_F(Installed, RelativeXdgDataHomeIsIgnored) {
  for (const char* relative : {"relative/data", "-v", "--help"}) {
    SCOPED_TRACE(relative);
    const std::string home = Temp("home");
    const GameRun run = Launch({{"XDG_DATA_HOME", relative}, {"HOME", home}});
    EXPECT_EQ(run.Status, 0) << run.Stderr;
    EXPECT_EQ(fs::exists(home + "/.local/share/zanoru/records.vyx") ? fs::file_size(home + "/.local/share/zanoru/records.vyx") : 0u,
              kRecordsFileSize)
        << "expected the player's folder in HOME";
    for (const auto& entry : fs::directory_iterator(run.Folder))
      EXPECT_EQ(entry.path().filename().string()[0], '.') << "made where the launcher started: " << entry.path();
  }
}

// The player's own Data or DX folder is never turned into Data/Data: the launcher says what is in the
// way and changes nothing.
TEST_F(Installed, RealDataOrEngineFolderInThePlayersFolderIsReportedAndNothingChanges) {
  for (const char* name : {"Data", "DX"}) {
    SCOPED_TRACE(name);
    const std::string xdg = Temp("xdg");
    const fs::path player = fs::path(xdg) / "zanoru";
    fs::create_directories(player / name);
    std::ofstream(player / name / "mine.txt") << "the player's own";
    const auto before = Snapshot(player);
    const GameRun run = Launch({{"XDG_DATA_HOME", xdg}, {"HOME", Temp("home")}});
    EXPECT_NE(run.Status, 0);
    EXPECT_NE(run.Stderr.find((player / name).string()), std::string::npos) << "expected the folder named, got: " << run.Stderr;
    EXPECT_NE(run.Stderr.find("nothing was changed"), std::string::npos) << run.Stderr;
    EXPECT_EQ(Snapshot(player), before) << "the player's folder was changed";
    EXPECT_TRUE(run.Trace.empty()) << "the game ran";
  }
}

// A player folder someone else made or may write to is refused, the reason said, nothing started; the
// player's own link in place of the records is kept. Giving a file to another user (nobody) needs root.
TEST_F(Installed, PlayersFolderOthersMayChangeIsRefused) {
  const std::pair<const char*, std::string> cases[] = {  // what is said ("": plays), made in the folder
      {"others may write to", "chmod 0757 ."},
      {"others may write to", "chmod 0775 ."},
      {"belongs to another user", "chmod 1777 ..; ln -s ../mine records.vyx; chown -h 65534 records.vyx ."},
      {"a link another user made", "ln -s ../mine records.vyx; chown -h 65534 records.vyx"},
      {"", "ln -s ../mine records.vyx"},
  };
  for (const auto& [said, prepare] : cases) {
    SCOPED_TRACE(prepare);
    if (prepare.find("chown") != std::string::npos && geteuid() != 0) continue;
    const std::string xdg = Temp("xdg"), player = xdg + "/zanoru";
    fs::create_directories(player);
    std::ofstream(xdg + "/mine", std::ios::binary) << std::string(2000, 'm');
    ASSERT_EQ(std::system(("cd '" + player + "' && " + prepare).c_str()), 0);
    const GameRun run = Launch({{"XDG_DATA_HOME", xdg}, {"HOME", Temp("home")}});
    EXPECT_EQ(run.Status == 0, *said == '\0') << run.Stderr;
    EXPECT_NE(run.Stderr.find(said), std::string::npos) << run.Stderr;
    EXPECT_EQ(run.Trace.empty(), *said != '\0') << "whether the game ran";
    EXPECT_EQ(fs::file_size(xdg + "/mine"), *said == '\0' ? kRecordsFileSize : 2000u) << "the player's file";
  }
}

// Links that are already right are not made again: a player folder made read-only after the first run
// (with its records file writable) still plays, its records saved in place.
TEST_F(Installed, ReadOnlyPlayersFolderWithTheRightLinksStillPlays) {
  const std::string xdg = Temp("xdg");
  const fs::path player = fs::path(xdg) / "zanoru";
  ASSERT_EQ(Launch({{"XDG_DATA_HOME", xdg}, {"HOME", Temp("home")}}).Status, 0);
  const auto links = Snapshot(player);

  // Root writes into any folder: the run drops to nobody, who needs a way in to everything.
  const bool drop = geteuid() == 0;
  if (drop && !fs::exists("/usr/bin/setpriv")) GTEST_SKIP() << "no setpriv to drop root's privileges";
  for (const std::string& folder : {Prefix, xdg})
    fs::permissions(folder, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  fs::permissions(player / "records.vyx", static_cast<fs::perms>(0666));
  fs::permissions(player, static_cast<fs::perms>(0555));
  std::string wrapper = Temp("wrapper") + "/launch";
  std::ofstream(wrapper) << "#!/bin/sh\nchmod 0755 .; : > .trace; chmod 0666 .trace .stdout .stderr\n"
                         << (drop ? "exec setpriv --reuid=65534 --regid=65534 --clear-groups " : "exec ") << "'" << Prefix
                         << "/bin/zanoru'\n";
  fs::permissions(wrapper, fs::perms::owner_all);
  const GameRun run = Launch({{"XDG_DATA_HOME", xdg}, {"HOME", Temp("home")}}, "20 quit\n", wrapper);
  fs::permissions(player, fs::perms::owner_all);
  EXPECT_EQ(run.Status, 0) << run.Stderr;
  EXPECT_FALSE(TraceOf(run, "OE_Init").empty()) << "the game did not start";
  EXPECT_EQ(fs::file_size(player / "records.vyx"), kRecordsFileSize);
  auto after = Snapshot(player);
  after.erase("records.vyx");
  auto linksOnly = links;
  linksOnly.erase("records.vyx");
  EXPECT_EQ(after, linksOnly) << "the links were made again";
}

// Started through links (from ~/bin, say), the launcher finds the install where it really is; and a
// link left from an install that moved is made right.
TEST_F(Installed, LauncherReachedThroughLinksFindsTheInstall) {
  const std::string bin = Temp("bin");
  fs::create_symlink(Prefix + "/bin/zanoru", bin + "/zanoru-hop");
  fs::create_symlink("zanoru-hop", bin + "/zanoru");
  const std::string xdg = Temp("xdg");
  const fs::path player = fs::path(xdg) / "zanoru";
  fs::create_directories(player);
  fs::create_symlink("/nowhere/share/zanoru/Data", player / "Data");
  const GameRun run = Launch({{"XDG_DATA_HOME", xdg}, {"HOME", Temp("home")}}, "20 quit\n", bin + "/zanoru");
  EXPECT_EQ(run.Status, 0) << run.Stderr;
  EXPECT_EQ(fs::read_symlink(player / "Data"), fs::path(Prefix) / "share/zanoru/Data");
  EXPECT_EQ(fs::read_symlink(player / "DX"), fs::path(Prefix) / "lib/zanoru/DX");
  for (const auto& load : TraceOf(run, "Tex_LoadFromFile"))
    EXPECT_NE(load.ResultInt(), 0) << "a picture did not load from the install: " << load.Body;
}

}  // namespace
