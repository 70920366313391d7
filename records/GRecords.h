// The records table, its file "records.vyx" and its scene.
#pragma once
#include <cstddef>
#include <cstdint>

inline constexpr const char* RecordsFile = "records.vyx";
constexpr int kRecordCount = 10;
constexpr int kRecordNameMax = 43;

// One entry, exactly as it lies in the file (little-endian, 52 bytes).
struct TRecordEntry {
  uint8_t Name[kRecordNameMax + 1];  // length byte, then the characters
  int32_t Score;
  uint16_t Reserved;
  uint8_t Padding[2];
};
static_assert(sizeof(TRecordEntry) == 52);
// The file is the ten entries one after the other, entry 1 first.
constexpr std::size_t kRecordsFileSize = sizeof(TRecordEntry) * kRecordCount;
static_assert(kRecordsFileSize == 520);

extern TRecordEntry RecordsTable[kRecordCount + 1];  // 1..10
extern uint16_t RankColumnX;
extern uint16_t NameColumnX;
extern uint16_t ScoreColumnX;

void LoadRecords();
// This unit's start values: an all-zero table (not even loaded) and no layout.
void ResetGRecords();
// The table of a first run: every entry the default player with no score.
void ResetRecords();
void SaveRecords();
void InitRecordsLayout();
void DrawRecords();
