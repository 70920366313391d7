#include "scenes/GSound.h"

void InitSound() {}
void LoadSounds() {}
void PlayIntroSound() {}
