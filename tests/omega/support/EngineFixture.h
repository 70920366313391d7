// In-process engine tests: a fresh engine, a temporary folder as the working directory, and helpers
// to read the frame.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "omega/Engine.h"
#include "omega/Exports.h"
#include "tests/omega/support/Pictures.h"

class EngineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    omega::ResetEngine();
    folder_ = omega_test::TempFolder();
    char cwd[4096];
    oldCwd_ = getcwd(cwd, sizeof cwd) != nullptr ? cwd : "/";
    ASSERT_EQ(chdir(folder_.c_str()), 0);
  }
  void TearDown() override {
    if (chdir(oldCwd_.c_str()) != 0) ADD_FAILURE() << "cannot go back to " << oldCwd_;
    omega::ResetEngine();
  }
  // The frame's pixel as 0xRRGGBB.
  static uint32_t At(int x, int y) { return omega::E().Recorder.Frame.At(x, y) & 0xFFFFFFu; }
  static void ClearFrame() { omega::Clear(omega::E().Recorder.Frame, 0xFF000000u); }

  std::string folder_;
  std::string oldCwd_;
};

// Expected and got, in hexadecimal.
inline std::string Hex(uint32_t v) {
  char b[16];
  std::snprintf(b, sizeof b, "%06X", v);
  return b;
}
#define EXPECT_PIXEL(x, y, expected) \
  EXPECT_EQ(Hex(At((x), (y))), Hex(expected)) << "pixel (" << (x) << ", " << (y) << ")"
