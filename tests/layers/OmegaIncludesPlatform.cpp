// Must not compile with the engine's include root: the game's platform layer (its message boxes, its
// run-time error report) is not the engine's.
#include "platform/Runtime.h"
