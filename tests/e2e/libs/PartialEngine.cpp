// A library that loads like the engine but lacks one operation the game calls (Mouse_Press), for
// the start-up check that names a missing operation instead of calling through a null pointer.
// Nothing here is ever called: the game must stop before using the engine at all.
#include "engine/OMEGA_list.h"

// Renaming the one operation before the table expands exports it under another name.
#define Mouse_Press Mouse_Press_left_out

#define PARTIAL_EXPORT(used, ret, name, ...) \
  extern "C" __attribute__((visibility("default"))) void name() {}
OMEGA_OPERATIONS(PARTIAL_EXPORT)
#undef PARTIAL_EXPORT
