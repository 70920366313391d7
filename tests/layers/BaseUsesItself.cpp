// Compiles with the shared base's include root alone: it needs nothing of the game or the engine.
#include "base/Cp1251.h"
#include "base/NoWindowMark.h"
#include "base/RegularFile.h"
#include "base/Rounding.h"
