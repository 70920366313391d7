#include "scenes/GOptions.h"

void InitOptions() {}
void DrawOptions() {}
void UpdateOptions() {}
