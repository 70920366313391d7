// The Debian package as a player gets it: installed with apt, the installed launcher played headless in
// the player's own folder, removed again without a file of it left behind.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>

#include "tests/support/GameRun.h"

namespace fs = std::filesystem;

namespace {

const std::string kDeb = std::string(ZANORU_DEB_DIR) + "/zanoru_" + ZANORU_VERSION + "_amd64.deb";

int Shell(const std::string& command, std::string& out) {
  const std::string log = TempFolder("zanoru-deb-log") + "/out.txt";
  const int status = std::system((command + " >'" + log + "' 2>&1").c_str());
  out = ReadFile(log);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!line.empty()) lines.push_back(line);
  return lines;
}

const char kApt[] = "DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=900 -y -q ";

TEST(DebianPackage, InstallsPlaysInThePlayersFolderAndRemovesEveryFile) {
  if (!fs::exists(kDeb)) {
    if (std::getenv("ZANORU_REQUIRE_DEB") != nullptr) FAIL() << "no " << kDeb << " (make deb)";
    GTEST_SKIP() << "no " << kDeb << " (make deb)";
  }
  if (geteuid() != 0) GTEST_SKIP() << "installing a package needs root";
  std::string out;
  ASSERT_NE(Shell("dpkg-query -W -f='${Status}' zanoru | grep -q 'install ok installed'", out), 0)
      << "zanoru is installed already: this test would remove a player's copy";

  ASSERT_EQ(Shell(std::string(kApt) + "install '" + kDeb + "'", out), 0) << out;
  struct Remove {
    ~Remove() {
      std::string ignored;
      Shell(std::string(kApt) + "purge zanoru", ignored);
    }
  } removeAtEnd;
  ASSERT_EQ(Shell("dpkg -L zanoru", out), 0) << out;
  const std::vector<std::string> owned = Lines(out);
  const std::set<std::string> files(owned.begin(), owned.end());
  for (const char* want : {"/usr/games/zanoru", "/usr/lib/zanoru/zanoru", "/usr/lib/zanoru/DX/OMEGA.dll",
                           "/usr/share/games/zanoru/Data/1.vyx", "/usr/share/games/zanoru/Data/Font1.ofi",
                           "/usr/share/applications/io.github.zanoru.Zanoru.desktop",
                           "/usr/share/metainfo/io.github.zanoru.Zanoru.metainfo.xml",
                           "/usr/share/icons/hicolor/256x256/apps/io.github.zanoru.Zanoru.png",
                           "/usr/share/man/man6/zanoru.6.gz", "/usr/share/doc/zanoru/copyright"})
    EXPECT_TRUE(files.count(want)) << "the package lacks " << want;

  // The installed launcher, found on the PATH as a player's menu entry finds it, plays a short script
  // in the player's folder.
  const std::string home = TempFolder("zanoru-deb-home");
  GameRunOptions options;
  options.Executable = "/usr/games/zanoru";
  options.LinkData = options.LinkEngine = false;
  options.Script = "10 key 27\n60 quit\n";
  options.Env = {{"HOME", home}, {"XDG_DATA_HOME", ""}};
  const GameRun run = RunGame(options);
  EXPECT_EQ(run.Status, 0) << run.Stderr;
  const std::string player = home + "/.local/share/zanoru";
  ASSERT_TRUE(fs::exists(player + "/records.vyx")) << "no records in " << player << ": " << run.Stderr;
  EXPECT_EQ(fs::file_size(player + "/records.vyx"), 520u);
  EXPECT_EQ(fs::read_symlink(player + "/Data"), "/usr/share/games/zanoru/Data");
  EXPECT_EQ(fs::read_symlink(player + "/DX"), "/usr/lib/zanoru/DX");

  ASSERT_EQ(Shell(std::string(kApt) + "purge zanoru", out), 0) << out;
  for (const auto& file : owned) {
    // Folders the system shares (/usr/share/icons, ...) stay; nothing of the package's own does.
    if (fs::is_directory(file) && !fs::is_symlink(file)) {
      EXPECT_FALSE(file.find("zanoru") != std::string::npos) << "left behind: " << file;
      continue;
    }
    EXPECT_FALSE(fs::exists(fs::symlink_status(file))) << "left behind: " << file;
  }
  // The player's folder is the player's: removing the game leaves the records.
  EXPECT_TRUE(fs::exists(player + "/records.vyx"));
}

}  // namespace
