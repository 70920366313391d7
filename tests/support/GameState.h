// Game state the scene tests start from: the fake engine bound, and the interface handles set to the
// numbers their loads get in a real start (1 backdrop … 8 records panel, 9 the font), line height 20,
// text scale 0.9, no fade running.
#pragma once

void InstallFakeWithInterface();
