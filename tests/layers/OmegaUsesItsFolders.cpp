// Compiles with the engine's include root: the list of operations and the shared base.
#include "base/Cp1251.h"
#include "base/NoWindowMark.h"
#include "base/RegularFile.h"
#include "base/Rounding.h"
#include "engine/OMEGA_list.h"
