// The main menu: six buttons and a greeting.
#pragma once
#include <cstdint>
#include <string>

#include "shell/VyxUtils.h"

constexpr int kMenuItemCount = 6;

extern TClickRect MenuItems[kMenuItemCount + 1];      // 1..6
extern uint8_t MenuItemFrames[kMenuItemCount + 1];    // 1..6: 1 normal, 2 under the mouse

// No buttons until InitMenu places them.
void ResetGMenu();
void InitMenu();
void DrawMenu();
void UpdateMenu();
void DrawMenuItemLabel(uint8_t Index, const std::string& Caption);
