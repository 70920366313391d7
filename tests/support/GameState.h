// Game state the tests start from.
#pragma once

// The whole game back to a fresh run: every unit's start values, the run-time's seed and handler, and
// the fake engine bound with nothing recorded and nothing loaded.
void ResetGame();
// A fresh game whose interface pictures are loaded: the handles set to the numbers their loads get in a
// real start (1 backdrop … 8 records panel, 9 the font), line height 20.
void InstallFakeWithInterface();
