#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <memory>
#include <string>
#include <vector>

#include "assets/Materials.h"
#include "base/Cp1251.h"
#include "platform/Runtime.h"
#include "records/GRecords.h"
#include "shell/MainProc.h"
#include "tests/support/FakeEngine.h"
#include "tests/support/Files.h"
#include "tests/support/GameState.h"

namespace fs = std::filesystem;

namespace {

// One 52-byte entry: length byte, 43 name bytes (the unused ones filled with `fill`), score, reserved, padding.
std::string Entry(uint8_t length, const std::string& name, int32_t score, char fill = '\0',
                  uint16_t reserved = 0, const std::string& padding = std::string(2, '\0')) {
  std::string e(1, static_cast<char>(length));
  std::string chars = name;
  chars.resize(43, fill);
  e += chars;
  for (int i = 0; i < 4; ++i) e += static_cast<char>((static_cast<uint32_t>(score) >> (8 * i)) & 0xFF);
  e += static_cast<char>(reserved & 0xFF);
  e += static_cast<char>(reserved >> 8);
  e += padding;
  return e;
}

std::string DefaultFile() {
  std::string f;
  for (int k = 0; k < 10; ++k) f += Entry(5, "\xC8\xE3\xF0\xEE\xEA", 0);
  return f;
}

// The names in the working folder, sorted: a save leaves nothing beside the table.
std::vector<std::string> Names() {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(".")) names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// Every test works in a fresh folder with a fresh table.
class Records : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = std::make_unique<InTempFolder>("zanoru-records");
    dir_ = folder_->Path;
    ResetGRecords();
  }
  void TearDown() override { folder_.reset(); }
  std::unique_ptr<InTempFolder> folder_;
  fs::path dir_;
};

// ---- loading and saving ----------------------------------------------------------------------

TEST_F(Records, FirstRunUsesDefaultsAndWritesThemAtQuit) {
  LoadRecords();
  for (int k = 1; k <= 10; ++k) {
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(RecordsTable[k].Name), 6), "\x05\xC8\xE3\xF0\xEE\xEA")
        << "entry " << k;
    EXPECT_EQ(RecordsTable[k].Score, 0) << "entry " << k;
  }
  EXPECT_FALSE(fs::exists("records.vyx")) << "loading must not create the file";
  SaveRecords();
  const std::string saved = ReadFile("records.vyx");
  ASSERT_EQ(saved.size(), kRecordsFileSize);
  EXPECT_EQ(saved, DefaultFile());
  EXPECT_EQ(Names(), std::vector<std::string>{"records.vyx"});
}

TEST_F(Records, EditedFileIsWrittenBackByteForByte) {
  // Unused name bytes, the reserved word and the padding all carry something.
  std::string file;
  for (int k = 1; k <= 10; ++k)
    file += Entry(static_cast<uint8_t>(k), std::string(static_cast<std::size_t>(k), static_cast<char>('a' + k)),
                  (11 - k) * 1000 - 500 * (k % 2) - (k == 7 ? 2000000000 : 0), static_cast<char>(0x80 + k),
                  static_cast<uint16_t>(0xBEEF + k), std::string{static_cast<char>(k), static_cast<char>(0xFF)});
  WriteFile("records.vyx", file);
  LoadRecords();
  EXPECT_EQ(RecordsTable[7].Score, 4000 - 500 - 2000000000);
  WriteFile("records.vyx", "something else");
  SaveRecords();
  EXPECT_EQ(ReadFile("records.vyx"), file);
}

TEST_F(Records, LongerFileIsCutToTheTable) {
  const std::string file = DefaultFile();
  std::string longer = file;
  longer[1] = 'Z';
  longer += std::string(80, 'q');
  WriteFile("records.vyx", longer);
  LoadRecords();
  SaveRecords();
  EXPECT_EQ(ReadFile("records.vyx"), longer.substr(0, kRecordsFileSize));
}

TEST_F(Records, ShortFileEndsTheProgramWithError100) {
  WriteFile("records.vyx", DefaultFile().substr(0, 519));
  EXPECT_EXIT(LoadRecords(), ::testing::ExitedWithCode(100), "Runtime error 100 at ");
  WriteFile("records.vyx", "");
  EXPECT_EXIT(LoadRecords(), ::testing::ExitedWithCode(100), "Runtime error 100 at ");
}

// A records file that is there but cannot be opened is the player's table all the same: the game ends at
// once, never to save the default table over it.
void LoadAndSaveAsOrdinaryUser() {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  RunErrorHandler = nullptr;
  alarm(10);  // a FIFO must not hold the load
  if (!BecomeOrdinaryUser()) std::_Exit(99);
  LoadRecords();
  SaveRecords();
  std::exit(0);
}

TEST_F(Records, FileThatCannotBeOpenedEndsTheProgramWithError5AndIsKept) {
  const std::string table = Entry(3, "Bob", 77) + DefaultFile().substr(52);
  const struct {
    const char* Label;
    std::function<void()> Make;
  } cases[] = {
      {"write-only (0200)",
       [&] {
         WriteFile("records.vyx", table);
         fs::permissions("records.vyx", fs::perms::owner_write);
       }},
      {"no permissions", [&] {
         WriteFile("records.vyx", table);
         fs::permissions("records.vyx", fs::perms::none);
       }},
      {"a folder", [] { fs::create_directory("records.vyx"); }},
      {"a FIFO", [] { ASSERT_EQ(mkfifo("records.vyx", 0644), 0); }},
      {"a link to a device", [] { fs::create_symlink("/dev/null", "records.vyx"); }},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.Label);
    std::error_code ec;
    fs::remove_all("records.vyx", ec);
    c.Make();
    GiveToOrdinaryUser({".", "records.vyx"});
    const auto type = fs::symlink_status("records.vyx").type();
    EXPECT_EXIT(LoadAndSaveAsOrdinaryUser(), ::testing::ExitedWithCode(5), "Runtime error   5 at ");
    EXPECT_EQ(fs::symlink_status("records.vyx").type(), type);
    if (type == fs::file_type::regular) {
      fs::permissions("records.vyx", fs::perms::owner_read, fs::perm_options::add);
      EXPECT_EQ(ReadFile("records.vyx"), table) << "the table that was not read was written over";
    }
    EXPECT_EQ(Names(), std::vector<std::string>{"records.vyx"}) << "a save left a file of its own";
  }
}

// A write that fails (the file-size limit stands in for a full disk) keeps the old table.
void SaveWithFileSizeLimit(rlim_t bytes) {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
  RunErrorHandler = nullptr;
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{bytes, bytes};
  setrlimit(RLIMIT_FSIZE, &limit);
  SaveRecords();
  std::exit(0);
}

TEST_F(Records, FullDiskLeavesTheOldFileWhole) {
  std::string old = DefaultFile();
  old[45] = 0x2A;  // a score of 42 in entry 1
  WriteFile("records.vyx", old);
  LoadRecords();
  RecordsTable[1].Score = 43;
  EXPECT_EXIT(SaveWithFileSizeLimit(100), ::testing::ExitedWithCode(101), "Runtime error 101 at ");
  EXPECT_EQ(ReadFile("records.vyx"), old);
  EXPECT_EQ(Names(), std::vector<std::string>{"records.vyx"}) << "the unfinished new file was left behind";
}

TEST_F(Records, WriteProtectedFileIsNotReplaced) {
  WriteFile("records.vyx", DefaultFile());
  fs::permissions("records.vyx", fs::perms::owner_read);
  GiveToOrdinaryUser({".", "records.vyx"});
  EXPECT_EXIT(
      {
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        if (!BecomeOrdinaryUser()) std::_Exit(99);
        LoadRecords();
        RecordsTable[1].Score = 9;
        SaveRecords();
        std::exit(0);
      },
      ::testing::ExitedWithCode(5), "Runtime error   5 at ");
  EXPECT_EQ(ReadFile("records.vyx"), DefaultFile());
  EXPECT_EQ(Names(), std::vector<std::string>{"records.vyx"});
}

TEST_F(Records, ReadOnlyFileIsStillLoaded) {
  // Reading opens for reading only, so a protected table is shown all the same.
  WriteFile("records.vyx", Entry(3, "Bob", 77) + DefaultFile().substr(52));
  fs::permissions("records.vyx", fs::perms::owner_read);
  LoadRecords();
  EXPECT_EQ(RecordsTable[1].Score, 77);
}

// ---- the scene ---------------------------------------------------------------------------------

class RecordsScene : public Records {
 protected:
  void SetUp() override {
    Records::SetUp();
    InstallFakeWithInterface();
  }
};

TEST_F(RecordsScene, ScoreColumnFollowsTheMeasuredHyphensRoundedHalfToEven) {
  TextScale = 1.0f;
  fake::GlyphAdvance = 1.5f;  // 39 hyphens: 58.5, rounds down to the even 58
  InitRecordsLayout();
  EXPECT_EQ(RankColumnX, 240);
  EXPECT_EQ(NameColumnX, 280);
  EXPECT_EQ(ScoreColumnX, 280 + 58);
  fake::GlyphAdvance = 2.5f;  // 97.5 rounds up to the even 98
  InitRecordsLayout();
  EXPECT_EQ(ScoreColumnX, 280 + 98);
  EXPECT_EQ(fake::CallsOf("Text_GetWidth").back(),
            "Text_GetWidth 9 \"---------------------------------------\" 1 0 =97.5");
}

TEST_F(RecordsScene, DrawsTheDefaultTableInRows) {
  ResetRecords();
  InitRecordsLayout();  // 39 × 9 px: the score column at 280 + 351
  DrawRecords();
  const auto draws = fake::Draws();
  ASSERT_EQ(draws.size(), 4u + 30u);
  EXPECT_EQ(draws[0], "SSprite_Draw 1 0 0 1024 768 255 0 1");
  EXPECT_EQ(draws[1], "ASprite_Draw 6 0 0 90 90 1 255 0 1");
  EXPECT_EQ(draws[2], "SSprite_Draw 8 120 30 784 754 255 0 1");
  EXPECT_EQ(draws[3], "Text_Draw 9 495 103.5 \"РЕКОРДЫ\" 1 0 240 180");
  const char* ys[10] = {"171", "211.5", "252", "292.5", "333", "373.5", "414", "454.5", "495", "535.5"};
  for (int k = 1; k <= 10; ++k) {
    const std::string y = ys[k - 1];
    const std::size_t i = 4 + 3 * (k - 1);
    EXPECT_EQ(draws[i], "Text_Draw 9 240 " + y + " \"" + std::to_string(k) + ".\" 0.899999976 0 255 200");
    EXPECT_EQ(draws[i + 1], "Text_Draw 9 280 " + y + " \"Игрок\" 0.899999976 0 255 200");
    EXPECT_EQ(draws[i + 2], "Text_Draw 9 631 " + y + " \"0\" 0.899999976 0 255 200");
  }
}

TEST_F(RecordsScene, NamesAreShownInFileOrderWithTheirLengths) {
  std::string file = Entry(3, "Bob and more", -5) + Entry(0, "hidden", 12) + Entry(200, std::string(43, 'n'), 7, 'n');
  file += DefaultFile().substr(3 * 52);
  WriteFile("records.vyx", file);
  LoadRecords();
  InitRecordsLayout();
  DrawRecords();
  const auto draws = fake::Draws();
  ASSERT_GE(draws.size(), 13u);
  EXPECT_EQ(draws[5], "Text_Draw 9 280 171 \"Bob\" 0.899999976 0 255 200");
  EXPECT_EQ(draws[6], "Text_Draw 9 631 171 \"-5\" 0.899999976 0 255 200");
  EXPECT_EQ(draws[8], "Text_Draw 9 280 211.5 \"\" 0.899999976 0 255 200") << "a length of 0 draws no name";
  EXPECT_EQ(draws[9], "Text_Draw 9 631 211.5 \"12\" 0.899999976 0 255 200") << "the score is still drawn";
  EXPECT_EQ(draws[11], "Text_Draw 9 280 252 \"" + std::string(43, 'n') + "\" 0.899999976 0 255 200")
      << "a length above 43 is drawn with the 43 characters of the field";
  SaveRecords();
  EXPECT_EQ(ReadFile("records.vyx"), file) << "the damaged length byte is written back as it was";
}

}  // namespace
