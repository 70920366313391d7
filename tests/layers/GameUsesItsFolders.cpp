// Compiles with the game's include root: the game's own folders, the binding and the platform layer.
#include "engine/OMEGA.h"
#include "platform/Runtime.h"
#include "shell/MainProc.h"
#include "world/Game_A.h"
