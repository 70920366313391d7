#include "shell/VyxUtils.h"

// WORK IN PROGRESS (shell)
bool PointInRect(TClickRect, float, float) { return false; }
void IntToText(int32_t, std::string&) {}
bool FileExists(const std::string&) { return false; }
