#include "world/Game_A.h"

// WORK IN PROGRESS (world)
int32_t CellValue[kMapColumns + 1][kMapRows + 1] = {};
TCellUnit CellUnit[kMapColumns + 1][kMapRows + 1] = {};
std::vector<TCellCord> AimedGuns;
std::vector<TCellCord> FixedGuns;
std::vector<TCellCord> Altars;
std::vector<THomeCord> Homes;

void CreateHomeUnits(int) {}
void UpdateGame() {}
void DrawGame() {}
uint8_t GunAimFrame(uint8_t, uint8_t) { return 0; }
void StepUnit(uint8_t, uint8_t) {}
void AdvanceUnit(uint8_t, uint8_t) {}
