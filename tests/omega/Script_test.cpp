#include <gtest/gtest.h>

#include "omega/trace/Script.h"

using omega::ParseScript;
using omega::ScriptOp;

TEST(Script, ReadsEveryCommandWithCommentsAndBlankLines) {
  const auto s = ParseScript(
      "# a tour\n"
      "\n"
      "1 move 100 -20   # pointer\n"
      "2 click\n"
      "2 key 65\n"
      "3 down 16\n"
      "\t4 up 16\n"
      "5 shot out/menu.png\n"
      "9 quit");
  ASSERT_EQ(s.ErrorLine, 0) << s.Error;
  ASSERT_EQ(s.Commands.size(), 7u);
  EXPECT_EQ(s.Commands[0].Op, ScriptOp::Move);
  EXPECT_EQ(s.Commands[0].A, 100);
  EXPECT_EQ(s.Commands[0].B, -20);
  EXPECT_EQ(s.Commands[1].Op, ScriptOp::Click);
  EXPECT_EQ(s.Commands[2].Op, ScriptOp::Key);
  EXPECT_EQ(s.Commands[2].A, 65);
  EXPECT_EQ(s.Commands[3].Op, ScriptOp::Down);
  EXPECT_EQ(s.Commands[4].Op, ScriptOp::Up);
  EXPECT_EQ(s.Commands[5].Op, ScriptOp::Shot);
  EXPECT_EQ(s.Commands[5].File, "out/menu.png");
  EXPECT_EQ(s.Commands[6].Op, ScriptOp::Quit);
  EXPECT_EQ(s.Commands[6].Tick, 9);
}

TEST(Script, EmptyAndCommentOnlyScriptsHaveNoCommands) {
  for (const char* text : {"", "\n\n", "# nothing\n   # at all\n"}) {
    const auto s = ParseScript(text);
    EXPECT_EQ(s.ErrorLine, 0) << text;
    EXPECT_TRUE(s.Commands.empty()) << text;
  }
}

TEST(Script, MalformedLinesAreReportedWithTheirNumber) {
  struct Case { const char* text; int line; };
  for (const Case& c : {Case{"1 jump", 1},
                        Case{"1 click\n2 move 10", 2},
                        Case{"1 click\n\n# x\n2 move 1 2 3", 4},
                        Case{"5 click\n4 click", 2},
                        Case{"0 click", 1},
                        Case{"-1 click", 1},
                        Case{"x click", 1},
                        Case{"1.5 click", 1},
                        Case{"99999999999 click", 1},
                        Case{"1 key 256", 1},
                        Case{"1 key 0", 1},
                        Case{"1 key A", 1},
                        Case{"1 down", 1},
                        Case{"1 click now", 1},
                        Case{"1 shot", 1},
                        Case{"1 move 1 99999999999", 1},
                        Case{"7", 1},
                        Case{"1 quit\n2 QUIT", 2}}) {
    const auto s = ParseScript(c.text);
    EXPECT_EQ(s.ErrorLine, c.line) << '"' << c.text << '"';
    EXPECT_FALSE(s.Error.empty()) << '"' << c.text << '"';
    EXPECT_TRUE(s.Commands.empty()) << '"' << c.text << '"';
  }
}

TEST(Script, EqualTicksAreAllowed) {
  const auto s = ParseScript("3 key 65\n3 key 66\n3 shot a.png\n");
  EXPECT_EQ(s.ErrorLine, 0) << s.Error;
  EXPECT_EQ(s.Commands.size(), 3u);
}
