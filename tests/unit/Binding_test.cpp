#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "engine/OMEGA.h"
#include "tests/support/FakeEngine.h"

namespace {

int gMarker = 0;
const char* gLeaveOut = nullptr;

// Answers every name with a distinct non-null address except the one left out.
void* LookupAllBut(const char* name) {
  if (gLeaveOut != nullptr && std::strcmp(name, gLeaveOut) == 0) return nullptr;
  return &gMarker;
}

void* LookupNothing(const char*) { return nullptr; }

class Binding : public ::testing::Test {
 protected:
  void TearDown() override {
    EngineModule = nullptr;
    gLeaveOut = nullptr;
    fake::Install();  // every pointer back to something callable for the tests that follow
  }
};

TEST_F(Binding, CompleteTableHasNothingMissing) {
  gLeaveOut = nullptr;
  BindEngine(LookupAllBut);
  EXPECT_EQ(FirstMissingOperation(), nullptr);
  EXPECT_EQ(reinterpret_cast<void*>(OE_Init), &gMarker);
  EXPECT_EQ(reinterpret_cast<void*>(P_GetParams), &gMarker) << "the last of the table is bound too";
}

TEST_F(Binding, EachCalledOperationLeftOutIsNamed) {
  for (const char* name : {"OE_Init", "OE_RegProcedure", "Timer_Create", "Mouse_Press", "Key_Down", "Tex_SetFramesSize",
                           "Text_GetWidth", "ASprite_Draw", "U_IntToStr"}) {
    gLeaveOut = name;
    BindEngine(LookupAllBut);
    const char* missing = FirstMissingOperation();
    ASSERT_NE(missing, nullptr) << name << " left out but nothing reported";
    EXPECT_STREQ(missing, name);
  }
}

TEST_F(Binding, OperationsNeverCalledMayBeMissing) {
  for (const char* name : {"OE_Init2", "Snd_Play", "Col_Circle", "P_GetParams"}) {
    gLeaveOut = name;
    BindEngine(LookupAllBut);
    EXPECT_EQ(FirstMissingOperation(), nullptr) << name;
  }
}

TEST_F(Binding, EmptyLibraryReportsTheFirstCalledOperation) {
  BindEngine(LookupNothing);
  EXPECT_STREQ(FirstMissingOperation(), "OE_Init");
  EXPECT_EQ(OE_Quit, nullptr);
}

TEST_F(Binding, MissingLibraryIsReportedOnceAndBindsNothing) {
  // Without a display the box is only the line on standard error.
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  const std::string savedDisplay = display != nullptr ? display : "";
  const std::string savedWayland = wayland != nullptr ? wayland : "";
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");

  fake::Install();
  const auto quitBefore = OE_Quit;
  testing::internal::CaptureStderr();
  LoadEngine("no such folder\\OMEGA.dll");
  const std::string err = testing::internal::GetCapturedStderr();
  if (!savedDisplay.empty()) setenv("DISPLAY", savedDisplay.c_str(), 1);
  if (!savedWayland.empty()) setenv("WAYLAND_DISPLAY", savedWayland.c_str(), 1);

  EXPECT_EQ(EngineModule, nullptr);
  EXPECT_EQ(err, "Error: Error while loading OMEGA Engine\n");
  EXPECT_EQ(OE_Quit, quitBefore) << "a failed load must not touch the bindings";
}

TEST_F(Binding, LibraryWithoutTheOperationsLoadsButLacksThemAll) {
  // Any shared library that is surely there: it loads, and has none of the engine's names.
  Dl_info libm{};
  ASSERT_NE(dladdr(dlsym(RTLD_DEFAULT, "cos"), &libm), 0);
  ASSERT_NE(libm.dli_fname, nullptr);
  LoadEngine(libm.dli_fname);
  ASSERT_NE(EngineModule, nullptr);
  EXPECT_STREQ(FirstMissingOperation(), "OE_Init");
  EXPECT_EQ(Mouse_X, nullptr);
}

}  // namespace
