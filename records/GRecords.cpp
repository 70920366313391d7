#include "records/GRecords.h"

// WORK IN PROGRESS (menus)
TRecordEntry RecordsTable[kRecordCount + 1] = {};
uint16_t RankColumnX = 0;
uint16_t NameColumnX = 0;
uint16_t ScoreColumnX = 0;

void LoadRecords() {}
void ResetRecords() {}
void SaveRecords() {}
void InitRecordsLayout() {}
void DrawRecords() {}
