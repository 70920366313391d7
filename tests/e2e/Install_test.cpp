// The installed game: the layout `cmake --install` makes, the launcher that runs it in the player's own
// folder, and the desktop files the validators accept.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>

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

  // Runs the installed launcher headless with a script and the given player environment.
  GameRun Launch(const std::map<std::string, std::string>& env, const std::string& script = "20 quit\n") {
    GameRunOptions options;
    options.Executable = Prefix + "/bin/zanoru";
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
  EXPECT_EQ(fs::exists(player / "records.vyx") ? fs::file_size(player / "records.vyx") : 0u, 520u)
      << "the records belong to the player";
  EXPECT_EQ(fs::read_symlink(player / "Data"), fs::path(Prefix) / "share/zanoru/Data");
  EXPECT_EQ(fs::read_symlink(player / "DX"), fs::path(Prefix) / "lib/zanoru/DX");
  EXPECT_FALSE(fs::exists(fs::path(run.Folder) / "records.vyx")) << "written where the launcher was started";
  EXPECT_EQ(Snapshot(Prefix), before) << "the install was written to";
  EXPECT_FALSE(TraceOf(run, "Tex_LoadFromFile").empty()) << "the game ran with the installed engine";
  for (const auto& load : TraceOf(run, "Tex_LoadFromFile"))
    EXPECT_EQ(load.find(" =0"), std::string::npos) << "a picture did not load from the install: " << load;

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

}  // namespace
