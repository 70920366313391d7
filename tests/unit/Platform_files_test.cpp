// The file services under hostile names: only regular files are read, reads stop where the reader's
// need ends, and a save replaces a file whole, through links, keeping its permissions.
#include <gtest/gtest.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <set>
#include <sstream>
#include <string>

#include "platform/Runtime.h"
#include "records/GRecords.h"
#include "tests/support/Files.h"

namespace {

namespace fs = std::filesystem;

unsigned Mode(const fs::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0u;
}

ino_t Inode(const fs::path& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
}

// Runs `body` in a child process, as nobody when we are root (permissions do not bind root); the
// child's status is body's result, or 128 + the signal that ended it.
int InChild(const std::function<int()>& body, bool asNobody) {
  const pid_t pid = fork();
  if (pid == 0) {
    if (asNobody && geteuid() == 0) {
      if (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0)
        _exit(99);
    }
    _exit(body());
  }
  int status = 0;
  waitpid(pid, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

class Files : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = TempFolder("zanoru-files");
    fs::permissions(dir_, fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
  }
  void TearDown() override { RemoveFolder(dir_); }
  fs::path Path(const std::string& name) const { return dir_ / name; }
  // The names in a folder: a save must leave nothing of its own behind.
  std::set<std::string> Names(const fs::path& folder) const {
    std::set<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
    return names;
  }
  fs::path dir_;
};

// ---- opening for reading: regular files only ----------------------------------------------------

TEST_F(Files, PipesDevicesAndSocketsAreRefusedAsUnreadableWithoutWaiting) {
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0644), 0);
  fs::create_symlink("/dev/zero", Path("zero"));
  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = Path("socket").string();
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  std::memcpy(address.sun_path, socketPath.c_str(), socketPath.size() + 1);
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  WriteFile(Path("plain"), "abc");
  fs::create_symlink("plain", Path("link to plain"));

  // A FIFO without a writer would block a plain open forever: the child is stopped after a while.
  for (const char* name : {"fifo", "zero", "socket"}) {
    const std::string path = Path(name).string();
    const int status = InChild(
        [&] {
          alarm(10);
          TFile file;
          const int code = FileTryOpenRead(file, path);
          return file.Descriptor == -1 ? code : 77;
        },
        false);
    EXPECT_EQ(status, kErrAccessDenied) << name << ": expected error 5 at once (" << 128 + SIGALRM
                                        << " means it blocked)";
  }
  close(sock);
  for (const char* name : {"plain", "link to plain"}) {
    TFile file;
    EXPECT_EQ(FileTryOpenRead(file, Path(name).string()), 0) << name;
    char bytes[3];
    FileRead(file, bytes, 3);
    EXPECT_EQ(std::string(bytes, 3), "abc") << name << ": a regular file reads as before";
    FileClose(file);
  }
}

// ---- reading no further than needed ---------------------------------------------------------------

off_t Offset(const TFile& file) { return lseek(file.Descriptor, 0, SEEK_CUR); }

TEST_F(Files, ReadLineKeepsAtMostItsCapAndReadsNoFurther) {
  const std::string huge(1 << 20, 'n');
  const struct {
    const char* what;
    std::string bytes;
    std::size_t cap;
    std::string line;
  } cases[] = {
      {"shorter than the cap", "name\r\nrest", 8, "name"},
      {"exactly the cap", "12345678\nrest", 8, "12345678"},
      {"one past the cap", "123456789\nrest", 8, "12345678"},
      {"line end right after the cap", "12345678\r\n", 8, "12345678"},
      {"no line end at all", huge, 4096, huge.substr(0, 4096)},
      {"a cap of nothing", "name", 0, ""},
  };
  for (const auto& c : cases) {
    WriteFile(Path("line"), c.bytes);
    TFile file;
    FileOpenRead(file, Path("line").string());
    EXPECT_EQ(FileReadLine(file, c.cap), c.line) << c.what;
    EXPECT_LE(Offset(file), 4096) << c.what << ": read past the first chunk";
    FileClose(file);
  }
}

TEST_F(Files, ChunksStopWhenTheReaderHasWhatItNeeds) {
  WriteFile(Path("big"), std::string(100000, '7'));
  TFile file;
  FileOpenRead(file, Path("big").string());
  std::size_t seen = 0;
  int calls = 0;
  FileReadChunks(file, [&](const char* begin, const char* end) {
    seen += static_cast<std::size_t>(end - begin);
    return ++calls < 3;
  });
  EXPECT_EQ(calls, 3);
  EXPECT_EQ(static_cast<std::size_t>(Offset(file)), seen) << "read more than it handed over";
  EXPECT_LT(seen, 100000u);
  FileClose(file);

  // A reader that always wants more gets the whole file, then the end.
  FileOpenRead(file, Path("big").string());
  seen = 0;
  FileReadChunks(file, [&](const char* begin, const char* end) {
    seen += static_cast<std::size_t>(end - begin);
    return true;
  });
  EXPECT_EQ(seen, 100000u);
  FileClose(file);
}

// ---- saving whole -------------------------------------------------------------------------------

const std::string kNew = std::string(kRecordsFileSize, 'N');
const std::string kOld = std::string(kRecordsFileSize, 'o');

int Save(const fs::path& path, const std::string& bytes = kNew) {
  return FileTrySaveWhole(path.string(), bytes.data(), bytes.size());
}

TEST_F(Files, SaveCreatesOrReplacesAndLeavesNothingBeside) {
  EXPECT_EQ(Save(Path("new")), 0);
  EXPECT_EQ(ReadFile(Path("new")), kNew);
  const mode_t mask = umask(0);
  umask(mask);
  EXPECT_EQ(Mode(Path("new")), 0644u & ~mask) << "a new file gets the usual permissions";

  WriteFile(Path("longer"), kOld + "tail");
  EXPECT_EQ(Save(Path("longer")), 0);
  EXPECT_EQ(ReadFile(Path("longer")), kNew) << "a longer file is cut to what was saved";
  EXPECT_EQ(Names(dir_), (std::set<std::string>{"new", "longer"}));
}

TEST_F(Files, SaveKeepsTheOldPermissionsWhateverTheUmask) {
  for (const unsigned mode : {0600u, 0640u, 0664u, 0604u}) {
    SCOPED_TRACE(mode);
    WriteFile(Path("table"), kOld);
    fs::permissions(Path("table"), static_cast<fs::perms>(mode));
    const mode_t before = umask(077);
    const int code = Save(Path("table"));
    umask(before);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadFile(Path("table")), kNew);
    EXPECT_EQ(Mode(Path("table")), mode) << "expected mode " << std::oct << mode << ", got " << Mode(Path("table"));
  }
}

TEST_F(Files, SaveThroughALinkReplacesTheTargetInItsOwnFolderAndKeepsTheLink) {
  fs::create_directories(Path("elsewhere/deeper"));
  WriteFile(Path("elsewhere/deeper/table"), kOld);
  fs::permissions(Path("elsewhere/deeper/table"), static_cast<fs::perms>(0640));
  const struct {
    const char* what;
    std::function<void()> make;
  } links[] = {
      {"absolute link", [&] { fs::create_symlink(Path("elsewhere/deeper/table"), Path("game/records")); }},
      {"relative link", [&] { fs::create_symlink("../elsewhere/deeper/table", Path("game/records")); }},
      {"link to a link", [&] {
         fs::create_symlink("deeper/table", Path("elsewhere/hop"));
         fs::create_symlink("../elsewhere/hop", Path("game/records"));
       }},
  };
  for (const auto& link : links) {
    SCOPED_TRACE(link.what);
    fs::remove_all(Path("game"));
    fs::remove(Path("elsewhere/hop"));
    fs::create_directory(Path("game"));
    WriteFile(Path("elsewhere/deeper/table"), kOld);
    link.make();
    const std::string saved = std::string(kRecordsFileSize, link.what[0]);
    ASSERT_EQ(Save(Path("game/records"), saved), 0);
    EXPECT_TRUE(fs::is_symlink(Path("game/records"))) << "the link was replaced by a file";
    EXPECT_EQ(ReadFile(Path("elsewhere/deeper/table")), saved) << "the target does not hold the new table";
    EXPECT_EQ(Mode(Path("elsewhere/deeper/table")), 0640u);
    EXPECT_EQ(Names(Path("game")), std::set<std::string>{"records"});
    EXPECT_EQ(Names(Path("elsewhere/deeper")), std::set<std::string>{"table"}) << "a new file was left behind";
  }
}

TEST_F(Files, SaveThroughADanglingLinkCreatesItsTarget) {
  fs::create_directory(Path("store"));
  fs::create_symlink("store/table", Path("records"));
  ASSERT_EQ(Save(Path("records")), 0);
  EXPECT_TRUE(fs::is_symlink(Path("records")));
  EXPECT_EQ(ReadFile(Path("store/table")), kNew);
}

TEST_F(Files, SaveNeverWritesThroughALinkPlantedWhereItsNewFileMightGo) {
  WriteFile(Path("victim"), "keep me");
  WriteFile(Path("table"), kOld);
  for (const char* planted : {"table.tmp", "table.00000000.tmp", "table.ffffffff.tmp"})
    fs::create_symlink(Path("victim"), Path(planted));
  for (int i = 0; i < 20; ++i) ASSERT_EQ(Save(Path("table")), 0);
  EXPECT_EQ(ReadFile(Path("victim")), "keep me");
  EXPECT_EQ(ReadFile(Path("table")), kNew);
  EXPECT_EQ(Names(dir_).size(), 5u) << "only the table, the victim and the three planted links";
}

TEST_F(Files, SaveRefusesWhatIsNoRegularFileAndTouchesNothing) {
  fs::create_directory(Path("folder"));
  ASSERT_EQ(mkfifo(Path("fifo").c_str(), 0644), 0);
  fs::create_symlink("loop-b", Path("loop-a"));
  fs::create_symlink("loop-a", Path("loop-b"));
  fs::create_symlink("/dev/null", Path("device"));
  const auto before = Names(dir_);
  for (const char* name : {"folder", "fifo", "loop-a", "device"}) {
    const std::string path = Path(name).string();
    const int status = InChild([&] { alarm(10); return Save(path); }, false);
    EXPECT_EQ(status, kErrAccessDenied) << name;
  }
  EXPECT_EQ(Names(dir_), before);
  EXPECT_EQ(Save(Path("no-such-folder/table")), kErrFileNotFound) << "a table in a folder that is not there";
}

// A write that fails (the file-size limit stands in for a full disk): the old file stays whole and the
// unfinished new one is removed.
TEST_F(Files, SaveThatFailsKeepsTheOldFileAndRemovesItsNewOne) {
  WriteFile(Path("table"), kOld);
  const std::string path = Path("table").string();
  const int status = InChild(
      [&] {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{100, 100};
        setrlimit(RLIMIT_FSIZE, &limit);
        return Save(path);
      },
      false);
  EXPECT_EQ(status, kErrDiskWrite);
  EXPECT_EQ(ReadFile(Path("table")), kOld);
  EXPECT_EQ(Names(dir_), std::set<std::string>{"table"});
}

// A folder we may not write in, with a file we may write: the bytes go over the old ones in place.
TEST_F(Files, ReadOnlyFolderSavesInPlaceWithoutEverShorteningTheFile) {
  WriteFile(Path("table"), kOld + "tail");
  fs::permissions(Path("table"), static_cast<fs::perms>(0666));
  const ino_t inode = Inode(Path("table"));
  fs::permissions(dir_, static_cast<fs::perms>(0555));
  const std::string path = Path("table").string();
  EXPECT_EQ(InChild([&] { return Save(path); }, true), 0);
  EXPECT_EQ(ReadFile(Path("table")), kNew) << "expected the new bytes, the tail cut once they were written";
  EXPECT_EQ(Inode(Path("table")), inode) << "not written in place";

  // A write that fails part-way must not leave the file short: it was never truncated.
  WriteFile(Path("table"), kOld);
  EXPECT_EQ(InChild(
                [&] {
                  std::signal(SIGXFSZ, SIG_IGN);
                  const rlimit limit{100, 100};
                  setrlimit(RLIMIT_FSIZE, &limit);
                  return Save(path);
                },
                true),
            kErrDiskWrite);
  EXPECT_EQ(ReadFile(Path("table")).size(), kOld.size()) << "the file was shortened before the new bytes were in";

  // Neither the folder nor the file writable: nothing to be done, and nothing changes.
  WriteFile(Path("table"), kOld);
  fs::permissions(Path("table"), static_cast<fs::perms>(0444));
  EXPECT_EQ(InChild([&] { return Save(path); }, true), kErrAccessDenied);
  EXPECT_EQ(ReadFile(Path("table")), kOld);
  EXPECT_EQ(Names(dir_), std::set<std::string>{"table"});
}

}  // namespace
