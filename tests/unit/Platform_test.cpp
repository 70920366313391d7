#include <gtest/gtest.h>

#include "platform/Cp1251.h"
#include "platform/Runtime.h"

TEST(RunErrorText, NumberEndsAtTheSeventeenthCharacter) {
  EXPECT_EQ(RunErrorText(2, 0x0040ABCD), "Runtime error   2 at 0040ABCD");
  EXPECT_EQ(RunErrorText(13, 0), "Runtime error  13 at 00000000");
  EXPECT_EQ(RunErrorText(100, 0x1234567890ABCDEFull), "Runtime error 100 at 90ABCDEF");
}

TEST(Cp1251, LiteralsAreConvertedAtCompileTime) {
  constexpr const char* word = "Игрок"_cp;
  EXPECT_EQ(std::string(word), "\xC8\xE3\xF0\xEE\xEA");
  EXPECT_EQ(Cp1251ToUtf8(word), "Игрок");
}
