// Shared by the world's tests: a private working folder, crafted map files and a clean world.
#pragma once
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "assets/ZAN_materials.h"
#include "platform/Runtime.h"
#include "tests/support/FakeEngine.h"
#include "tests/support/Files.h"
#include "tests/support/GameState.h"
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
  WriteFile(nativePath, std::string(bytes.begin(), bytes.end()));
}

inline void WriteText(const std::string& nativePath, const std::string& text) { WriteFile(nativePath, text); }

// The world back to a fresh run's, with the grid's screen positions laid out; the random seed goes on.
inline void ResetWorld() {
  ResetGame_A();
  ResetZAN_map();
  InitMapGrid();
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
    folder_ = std::make_unique<InTempFolder>("zanoru-world");
    ResetGame();
    ResetWorld();
    RandSeed = 12345;
  }
  void TearDown() override {
    RunErrorHandler = nullptr;
    folder_.reset();
  }

  // Writes the map as Data/1.vyx and loads it the way start-up does.
  void Load(const MapFile& map) {
    WriteBytes("Data/1.vyx", map.Bytes);
    LoadMap("Data\\1.vyx");
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) UpdateGame();
  }

  std::unique_ptr<InTempFolder> folder_;
};

// Death tests must not try to show a message box on a desktop.
inline void NoDisplay() {
  unsetenv("DISPLAY");
  unsetenv("WAYLAND_DISPLAY");
}

}  // namespace world_test
