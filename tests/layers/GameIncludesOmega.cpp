// Must not compile with the game's include root: the game reaches the engine only through its binding.
#include "omega/Engine.h"
