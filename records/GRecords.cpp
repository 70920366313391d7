#include "records/GRecords.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "assets/Materials.h"
#include "base/Cp1251.h"
#include "engine/OMEGA.h"
#include "platform/Runtime.h"
#include "shell/MainProc.h"
#include "shell/VyxUtils.h"

TRecordEntry RecordsTable[kRecordCount + 1];
uint16_t RankColumnX;
uint16_t NameColumnX;
uint16_t ScoreColumnX;

namespace {

constexpr uint16_t kRankColumn = 240;
constexpr uint16_t kNameColumnOffset = 40;
// The score column starts where a name of this many hyphens would end.
constexpr const char* kScoreColumnRuler = "---------------------------------------";

constexpr float kTitleX = 495.0f;
constexpr float kTitleY = 103.5f;
constexpr uint32_t kTitleColour = 0x0000B4;
constexpr uint32_t kTableColour = 0x0000C8;

// A damaged length byte must not reach past the name field.
std::string EntryName(const TRecordEntry& entry) {
  const std::size_t length = std::min<std::size_t>(entry.Name[0], kRecordNameMax);
  return std::string(reinterpret_cast<const char*>(entry.Name + 1), length);
}

}  // namespace

void ResetGRecords() {
  for (TRecordEntry& entry : RecordsTable) entry = TRecordEntry{};
  RankColumnX = NameColumnX = ScoreColumnX = 0;
}

void ResetRecords() {
  const std::string name = DefaultPlayerName;
  for (int k = 1; k <= kRecordCount; ++k) {
    TRecordEntry& entry = RecordsTable[k];
    entry.Name[0] = static_cast<uint8_t>(name.size());
    std::memcpy(entry.Name + 1, name.data(), name.size());
    entry.Score = 0;
    entry.Reserved = 0;
  }
}

// Only a file that is not there is a first run. One that is there but cannot be opened (no permission,
// another program holding it, a folder or a pipe of that name) is the player's table all the same: the
// game ends with the error rather than play with the default table and save it over the player's.
void LoadRecords() {
  TFile file;
  const int code = FileTryOpenRead(file, RecordsFile);
  if (code == kErrFileNotFound) {
    ResetRecords();
    return;
  }
  if (code != 0) RunError(code, reinterpret_cast<uintptr_t>(&LoadRecords));
  FileRead(file, &RecordsTable[1], kRecordsFileSize);
  FileClose(file);
}

// The table is written whole or not at all: a kill or a crash at any moment of the save leaves the old
// table or the new one, and two games quitting at once leave one of their tables.
// A write-protected records file is kept as it is, and every quit then reports error 5.
void SaveRecords() {
  const int code = FileTrySaveWhole(RecordsFile, &RecordsTable[1], kRecordsFileSize);
  if (code != 0) RunError(code, reinterpret_cast<uintptr_t>(&SaveRecords));
}

void InitRecordsLayout() {
  RankColumnX = kRankColumn;
  NameColumnX = static_cast<uint16_t>(RankColumnX + kNameColumnOffset);
  const float ruler = Text_GetWidth(MainFont, kScoreColumnRuler, TextScale, 0.0f);
  ScoreColumnX = static_cast<uint16_t>(NameColumnX + RoundHalfEven(ruler));
}

void DrawRecords() {
  SSprite_Draw(TexMap1, 0.0f, 0.0f, static_cast<float>(kScreenWidth), static_cast<float>(kScreenHeight), 255, 0.0f, 1);
  ASprite_Draw(TexCornerButton, 0.0f, 0.0f, 90.0f, 90.0f, CornerButtonFrame, 255, 0.0f, 1);
  SSprite_Draw(TexBigPanel, 120.0f, 30.0f, 784.0f, 754.0f, 255, 0.0f, 1);
  Text_Draw(MainFont, kTitleX, kTitleY, "РЕКОРДЫ"_cp, 1.0f, 0.0f, 240, kTitleColour);

  for (int k = 1; k <= kRecordCount; ++k) {
    const float y = static_cast<float>(k * 90 * 0.45 + 130.5);
    const TRecordEntry& entry = RecordsTable[k];
    const std::string rank = std::to_string(k) + ".";
    const std::string name = EntryName(entry);
    Text_Draw(MainFont, RankColumnX, y, rank.c_str(), TextScale, 0.0f, 255, kTableColour);
    Text_Draw(MainFont, NameColumnX, y, name.c_str(), TextScale, 0.0f, 255, kTableColour);
    Text_Draw(MainFont, ScoreColumnX, y, U_IntToStr(entry.Score), TextScale, 0.0f, 255, kTableColour);
  }
}
