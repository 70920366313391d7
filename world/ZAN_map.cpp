#include "world/ZAN_map.h"

// WORK IN PROGRESS (world)
TMapCell MapCells[kMapColumns + 1][kMapRows + 1] = {};
TScreenPos CellPos[kMapColumns + 1][kMapRows + 1] = {};

void InitMapGrid() {}
void LoadMap(const std::string&) {}
void DrawMap() {}
uint8_t UnitFacingIndex(float) { return 0; }
