// The game's binding of the engine library: one function-pointer global per operation, filled by name
// when the library is loaded. Every engine call of the game goes through these pointers.
#pragma once
#include <string>

#include "engine/OMEGA_list.h"
#include "platform/Windows.h"

#define OMEGA_DECLARE_POINTER(used, ret, name, ...) extern OMEGA_TYPE(ret) (*name)(OMEGA_PARAMS(__VA_ARGS__));
OMEGA_OPERATIONS(OMEGA_DECLARE_POINTER)
#undef OMEGA_DECLARE_POINTER

extern HMODULE EngineModule;

// Loads the library (the relative path as it is) and binds every operation by name. When the library
// cannot be loaded it says so in a message box and returns with nothing bound.
void LoadEngine(const std::string& LibraryPath);

// The first operation the game calls that the loaded library lacks, or nullptr when none is missing.
const char* FirstMissingOperation();

// Binds every operation from a table of (name, address) lookups; how tests put a fake engine in place.
using EngineLookup = void* (*)(const char* name);
void BindEngine(EngineLookup lookup);

// Resets the floating-point environment the game runs in: arithmetic rounding to nearest with ties to
// even, every floating-point exception masked. Done by LoadEngine once the library is loaded; exposed
// for tests. (RoundHalfEven does not depend on it.)
void SetGameFloatingPoint();
