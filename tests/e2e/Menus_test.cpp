#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "records/GRecords.h"
#include "tests/support/GameRun.h"

namespace {

// The first tick on which a Text_Draw of exactly this text (UTF-8) was traced, or -1.
int FirstTextTick(const GameRun& run, const std::string& text) {
  for (const auto& call : TraceOf(run, "Text_Draw"))
    if (call.Args.size() > 3 && call.Args[3] == text) return static_cast<int>(call.Tick);
  return -1;
}

std::string DefaultRecords() {
  std::string entry = "\x05\xC8\xE3\xF0\xEE\xEA";
  entry.resize(52, '\0');
  std::string file;
  for (int k = 0; k < 10; ++k) file += entry;
  return file;
}

// The intro takes 1,395 ticks and its closing fade 100 more (switch on tick 1446); the name form
// opens on the tick after that fade (1495).
TEST(MenusEndToEnd, FirstRunRegistersANameVisitsRecordsAndQuits) {
  GameRunOptions options;
  options.Script =
      "# clear the pre-filled name\n"
      "1500 key 8\n1501 key 8\n1502 key 8\n1503 key 8\n1504 key 8\n"
      "# Shift+A, then B and C\n"
      "1506 down 16\n1507 key 65\n1508 up 16\n1509 key 66\n1510 key 67\n"
      "# confirm: the fade to the menu switches 51 ticks after the press\n"
      "1512 move 512 580\n1515 click\n"
      "# Рекорды\n"
      "1620 move 512 250\n1622 click\n"
      "# back with Escape\n"
      "1730 key 27\n"
      "# Выйти\n"
      "1835 move 512 610\n1837 click\n"
      "2100 quit\n";
  const GameRun run = RunGame(options);
  ASSERT_EQ(run.Status, 0) << run.Stderr;

  const int promptTick = FirstTextTick(run, "Введите свое имя:");
  EXPECT_EQ(promptTick, 1495) << "the name form opens on the tick the intro's fade ends";
  EXPECT_EQ(FirstTextTick(run, "Фис|"), 1510) << "the typed name with its caret";
  EXPECT_EQ(FirstTextTick(run, "Добро пожаловать в игру, Фис"), 1515 + 51)
      << "the menu greets the confirmed name once the fade has switched";
  EXPECT_EQ(FirstTextTick(run, "Добро пожаловать в игру, Игрок"), -1) << "the menu never showed the default name";
  EXPECT_EQ(FirstTextTick(run, "РЕКОРДЫ"), 1622 + 51) << "the records scene after its fade";

  const auto quits = TraceOf(run, "OE_Quit");
  ASSERT_EQ(quits.size(), 1u);
  EXPECT_EQ(quits[0].Tick, 1837 + 51) << "Выйти switches (and quits) 51 ticks after the press";

  const std::string records = ReadFile(run.Folder + "/records.vyx");
  EXPECT_EQ(records.size(), kRecordsFileSize);
  EXPECT_EQ(records, DefaultRecords());
}

TEST(MenusEndToEnd, NameFilePresentStartsInTheMenuAndKeepsTheRecords) {
  std::string records = DefaultRecords();
  records[1] = '\xC1';   // "Бгрок"
  records[44] = '\x07';  // score 7
  records[51] = '\x5A';  // padding
  GameRunOptions options;
  options.Files["PlayerN.cgm"] = "\xC0\xED\xED\r\nsecond line\r\n";  // "Анн"
  options.Files["records.vyx"] = records + "tail";
  options.Script = "1500 quit\n";
  const GameRun run = RunGame(options);
  ASSERT_EQ(run.Status, 0) << run.Stderr;

  EXPECT_EQ(FirstTextTick(run, "Добро пожаловать в игру, Анн"), 1446) << "the menu follows the intro's fade";
  EXPECT_EQ(FirstTextTick(run, "Введите свое имя:"), -1) << "no name form when the name file exists";
  EXPECT_EQ(ReadFile(run.Folder + "/records.vyx"), records) << "read, kept and written back byte for byte";
  EXPECT_EQ(ReadFile(run.Folder + "/PlayerN.cgm"), "\xC0\xED\xED\r\nsecond line\r\n");
}

TEST(MenusEndToEnd, ShortRecordsFileStopsTheGameBeforeTheEngineStarts) {
  GameRunOptions options;
  options.Files["records.vyx"] = DefaultRecords().substr(0, 300);
  options.Script = "5 quit\n";
  const GameRun run = RunGame(options);
  EXPECT_EQ(run.Status, 100);
  EXPECT_NE(run.Stderr.find("Runtime error 100 at "), std::string::npos) << run.Stderr;
  EXPECT_TRUE(TraceOf(run, "OE_Init").empty());
  EXPECT_EQ(ReadFile(run.Folder + "/records.vyx").size(), 300u) << "the short file is left as it was";
}

}  // namespace
