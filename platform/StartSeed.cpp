// The game's seed source: every run starts from the counter. Kept apart from the other run-time services
// so that the test build of the game can link a fixed seed in its place.
#include "platform/Runtime.h"

uint32_t StartSeed() { return SeedCounter(); }
