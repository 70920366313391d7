#include "tests/support/GameState.h"

#include "assets/Materials.h"
#include "platform/Runtime.h"
#include "shell/MainProc.h"
#include "tests/support/FakeEngine.h"

void ResetGame() {
  ResetUnits();
  ResetRuntime();
  fake::Install();
}

void InstallFakeWithInterface() {
  ResetGame();
  TexMap1 = 1;
  TexMap2 = 2;
  TexCursor = 3;
  TexBlack = 4;
  TexButton = 5;
  TexCornerButton = 6;
  TexBlackMasked = 7;
  TexBigPanel = 8;
  MainFont = 9;
  FontHeight = 20;
}
