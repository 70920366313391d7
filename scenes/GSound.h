// Sound hooks. The game has no sound: each hook is called where a sound would start, and does nothing.
#pragma once

void InitSound();       // at start-up
void LoadSounds();      // in the load callback
void PlayIntroSound();  // once during the intro
