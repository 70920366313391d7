#include "menus/GMenu.h"

// WORK IN PROGRESS (menus)
TClickRect MenuItems[kMenuItemCount + 1] = {};
uint8_t MenuItemFrames[kMenuItemCount + 1] = {};

void InitMenu() {}
void DrawMenu() {}
void UpdateMenu() {}
void DrawMenuItemLabel(uint8_t, const std::string&) {}
