// The options scene's hooks: it has no options, so each hook does nothing.
#pragma once

void InitOptions();
void DrawOptions();
void UpdateOptions();
