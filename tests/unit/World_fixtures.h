// Shared by the world's tests: a private working folder, crafted map files and a clean world.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "assets/ZAN_materials.h"
#include "platform/Runtime.h"
#include "tests/support/FakeEngine.h"
#include "world/Game_A.h"
#include "world/ZAN_map.h"

namespace world_test {

// A map record in the file's own layout.
struct MapFile {
  std::vector<uint8_t> Bytes = std::vector<uint8_t>(kMapFileBytes, 0);

  // Cell (c, r) as the file stores it: column-major, five bytes a cell.
  uint8_t* Cell(int c, int r) { return &Bytes[static_cast<std::size_t>(((c - 1) * kMapRows + (r - 1)) * kMapCellBytes)]; }
  MapFile& Set(int c, int r, int8_t groundFrame, int8_t groundTexture, uint8_t path, uint8_t kind) {
    uint8_t* cell = Cell(c, r);
    cell[0] = static_cast<uint8_t>(groundFrame);
    cell[1] = static_cast<uint8_t>(groundTexture);
    cell[2] = path;
    cell[3] = kind;
    return *this;
  }
  MapFile& Path(int c, int r, uint8_t path) {
    Cell(c, r)[2] = path;
    return *this;
  }
  MapFile& Kind(int c, int r, uint8_t kind) {
    Cell(c, r)[3] = kind;
    return *this;
  }
};

inline void WriteBytes(const std::string& nativePath, const std::vector<uint8_t>& bytes) {
  std::filesystem::create_directories(std::filesystem::path(nativePath).parent_path());
  std::ofstream out(nativePath, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline void WriteText(const std::string& nativePath, const std::string& text) {
  WriteBytes(nativePath, std::vector<uint8_t>(text.begin(), text.end()));
}

// Everything the world keeps between tests, back to the state of a fresh run.
inline void ResetWorld() {
  for (auto& column : CellValue)
    for (auto& v : column) v = 0;
  for (auto& column : CellUnit)
    for (auto& slot : column) slot = TCellUnit{};
  InitMapGrid();
  RunErrorHandler = nullptr;
}

// A run-time error report that ends no process: lets a test look at what happened before it.
struct RunErrorThrown {
  int Code;
};
inline void ThrowRunError(int code, uintptr_t) { throw RunErrorThrown{code}; }

// Every test runs in a fresh temporary folder, with the fake engine and an empty world.
class WorldTest : public ::testing::Test {
 protected:
  void SetUp() override {
    previous_ = std::filesystem::current_path();
    std::string folder = (std::filesystem::temp_directory_path() / "zanoru-world-XXXXXX").string();
    ASSERT_NE(mkdtemp(folder.data()), nullptr);
    folder_ = folder;
    std::filesystem::current_path(folder_);
    fake::Install();
    ResetWorld();
    RandSeed = 12345;
  }
  void TearDown() override {
    RunErrorHandler = nullptr;
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::permissions(folder_, std::filesystem::perms::owner_all, ignored);
    std::filesystem::remove_all(folder_, ignored);
  }

  // Writes the map as Data/1.vyx and loads it the way start-up does.
  void Load(const MapFile& map) {
    WriteBytes("Data/1.vyx", map.Bytes);
    LoadMap("Data\\1.vyx");
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) UpdateGame();
  }

  std::filesystem::path previous_;
  std::filesystem::path folder_;
};

// Death tests must not try to show a message box on a desktop.
inline void NoDisplay() {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
}

}  // namespace world_test
