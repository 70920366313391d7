// Compiles with the engine's include root: the list of operations and the platform layer.
#include "engine/OMEGA_list.h"
#include "platform/Cp1251.h"
