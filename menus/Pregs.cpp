#include "menus/Pregs.h"

#include "platform/Cp1251.h"

// WORK IN PROGRESS (menus)
TClickRect RegButton = {};
uint8_t RegButtonFrame = 1;
std::string EnteredName;
char CaretChar = '\0';
uint8_t CaretCounter = 0;
const std::string LowerLetters = "фисвуапршолдьтщзйкыегмцчня"_cp;
const std::string UpperLetters = "ФИСВУАПРШОЛДЬТЩЗЙКЫЕГМЦЧНЯ"_cp;

void InitRegistration() {}
void LoadPlayerName() {}
void UpdateRegistration() {}
void DrawRegistration() {}
void DrawRegistrationForm() {}
void ReadNameKeys() {}
