// Must not compile with the shared base's include root: it knows nothing of the engine's contract.
#include "engine/OMEGA_list.h"
