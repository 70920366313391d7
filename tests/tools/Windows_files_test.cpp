// The files the Windows build is packed from, checked on Linux: the data copied as a case-blind file
// system keeps it, and the program's icon file.
#include <gtest/gtest.h>
#include <stb/stb_image.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/Files.h"
#include "tests/support/Spawn.h"

namespace fs = std::filesystem;

namespace {

Spawned CaseBlind(const std::vector<std::string>& defines) {
  std::vector<std::string> args = {ZANORU_CMAKE};
  for (const auto& d : defines) args.push_back("-D" + d);
  args.insert(args.end(), {"-P", std::string(ZANORU_SOURCE_DIR) + "/cmake/CaseBlindCopy.cmake"});
  return RunInFolder(TempFolder("zanoru-caseblind-run"), args, {}, 60);
}

std::vector<std::string> Names(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(dir)) names.push_back(fs::relative(e.path(), dir).generic_string());
  std::sort(names.begin(), names.end());
  return names;
}

std::string Joined(const std::vector<std::string>& names) {
  std::string out;
  for (const auto& n : names) out += n + " ";
  return out;
}

TEST(CaseBlindCopy, SameBytesUnderTwoCasesBecomeOneFileAndTheRestIsCopiedWhole) {
  const std::string from = TempFolder("zanoru-caseblind"), to = TempFolder("zanoru-caseblind") + "/Data";
  fs::create_directories(from + "/T");
  WriteFile(from + "/Black.jpg", "same");
  WriteFile(from + "/black.jpg", "same");
  WriteFile(from + "/T/K.txt", "1\n");
  WriteFile(from + "/mbl.jpg", std::string("\0\xFF", 2));
  const Spawned run = CaseBlind({"FROM=" + from, "TO=" + to});
  ASSERT_EQ(run.Status, 0) << run.Stderr;
  EXPECT_EQ(Joined(Names(to)), "Black.jpg T T/K.txt mbl.jpg ");
  EXPECT_EQ(ReadFile(to + "/Black.jpg"), "same");
  EXPECT_EQ(ReadFile(to + "/mbl.jpg"), std::string("\0\xFF", 2));
  // A second copy starts from nothing: a file left from before does not survive.
  WriteFile(to + "/stale.jpg", "x");
  ASSERT_EQ(CaseBlind({"FROM=" + from, "TO=" + to}).Status, 0);
  EXPECT_FALSE(fs::exists(to + "/stale.jpg"));
}

TEST(CaseBlindCopy, DifferentBytesUnderTwoCasesFail) {
  const std::string from = TempFolder("zanoru-caseblind"), to = TempFolder("zanoru-caseblind") + "/Data";
  WriteFile(from + "/Black.jpg", "plain");
  WriteFile(from + "/black.jpg", "veil");
  const Spawned run = CaseBlind({"FROM=" + from, "TO=" + to});
  EXPECT_NE(run.Status, 0) << "two different pictures would become one on Windows";
  EXPECT_NE(run.Stderr.find("different bytes"), std::string::npos) << run.Stderr;
}

TEST(CaseBlindCopy, CheckFailsOnNamesEqualButForCaseAnywhere) {
  {
    SCOPED_TRACE("files in a sub-folder");
    const std::string dir = TempFolder("zanoru-caseblind");
    fs::create_directories(dir + "/game/Data");
    WriteFile(dir + "/game/Data/Black.jpg", "same");
    WriteFile(dir + "/game/Data/BLACK.JPG", "same");
    const Spawned run = CaseBlind({"CHECK=" + dir});
    EXPECT_NE(run.Status, 0) << "the zip step must refuse even identical twins";
    EXPECT_NE(run.Stderr.find("BLACK.JPG"), std::string::npos) << run.Stderr;
  }
  {
    SCOPED_TRACE("folders");
    const std::string dir = TempFolder("zanoru-caseblind");
    fs::create_directories(dir + "/Model");
    fs::create_directories(dir + "/model");
    EXPECT_NE(CaseBlind({"CHECK=" + dir}).Status, 0);
  }
  {
    SCOPED_TRACE("no clash: names that only share letters");
    const std::string dir = TempFolder("zanoru-caseblind");
    WriteFile(dir + "/black.jpg", "a");
    WriteFile(dir + "/black.jpg.bak", "a");
    WriteFile(dir + "/mbl.jpg", "a");
    const Spawned run = CaseBlind({"CHECK=" + dir});
    EXPECT_EQ(run.Status, 0) << run.Stderr;
  }
}

// ---- the program's icon ---------------------------------------------------------------------------

uint32_t Le(const std::string& b, size_t at, int bytes) {
  uint32_t v = 0;
  for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(b[at + i]);
  return v;
}

TEST(ProgramIcon, HoldsTheFiveSizesDrawnLikeTheDesktopIcon) {
  const std::string ico = ReadFile(std::string(ZANORU_ICONS_DIR) + "/zanoru.ico");
  ASSERT_GE(ico.size(), 6u + 5 * 16) << "no icon file";
  EXPECT_EQ(Le(ico, 0, 2), 0u);
  EXPECT_EQ(Le(ico, 2, 2), 1u) << "type 1 is an icon";
  ASSERT_EQ(Le(ico, 4, 2), 5u) << "entries";
  const int want[] = {16, 24, 32, 48, 256};
  for (int i = 0; i < 5; ++i) {
    SCOPED_TRACE("size " + std::to_string(want[i]));
    const size_t e = 6 + 16 * static_cast<size_t>(i);
    const int side = static_cast<uint8_t>(ico[e]) == 0 ? 256 : static_cast<uint8_t>(ico[e]);
    EXPECT_EQ(side, want[i]);
    EXPECT_EQ(static_cast<uint8_t>(ico[e + 1]) == 0 ? 256 : static_cast<uint8_t>(ico[e + 1]), want[i]);
    EXPECT_EQ(Le(ico, e + 6, 2), 32u) << "bits a pixel";
    const uint32_t size = Le(ico, e + 8, 4), offset = Le(ico, e + 12, 4);
    ASSERT_LE(static_cast<size_t>(offset) + size, ico.size()) << "the image lies past the file's end";
    const std::string image = ico.substr(offset, size);
    if (want[i] == 256) {
      // The large size as PNG, the same pixels as the desktop's 256-pixel icon.
      ASSERT_EQ(image.substr(0, 8), "\x89PNG\r\n\x1A\n");
      EXPECT_EQ(image, ReadFile(std::string(ZANORU_ICONS_DIR) + "/zanoru-256.png"));
      continue;
    }
    // A bitmap: its header, the colours bottom-up in BGRA, then a 1-bit mask.
    ASSERT_EQ(Le(image, 0, 4), 40u);
    EXPECT_EQ(Le(image, 4, 4), static_cast<uint32_t>(want[i]));
    EXPECT_EQ(Le(image, 8, 4), static_cast<uint32_t>(2 * want[i])) << "colour and mask";
    const size_t maskRow = (static_cast<size_t>(want[i]) + 31) / 32 * 4;
    EXPECT_EQ(image.size(), 40 + static_cast<size_t>(want[i]) * want[i] * 4 + maskRow * want[i]);
    // The medallion is round: a corner is transparent (and masked), the centre opaque.
    const auto alpha = [&](int x, int y) { return static_cast<uint8_t>(image[40 + ((static_cast<size_t>(want[i] - 1 - y) * want[i] + x) * 4) + 3]); };
    EXPECT_EQ(alpha(0, 0), 0);
    EXPECT_EQ(alpha(want[i] / 2, want[i] / 2), 255);
    const size_t maskAt = 40 + static_cast<size_t>(want[i]) * want[i] * 4;
    EXPECT_NE(static_cast<uint8_t>(image[maskAt]) & 0x80, 0) << "bottom-left corner not masked";
    EXPECT_EQ(static_cast<uint8_t>(image[maskAt + (want[i] / 2) * maskRow + want[i] / 16]) & (0x80 >> (want[i] / 2 % 8)), 0)
        << "centre masked";
  }
}

}  // namespace
