#include "menus/Pregs.h"

#include <algorithm>

#include "assets/Materials.h"
#include "base/Cp1251.h"
#include "engine/OMEGA.h"
#include "platform/Runtime.h"
#include "shell/MScenes.h"
#include "shell/MainProc.h"

TClickRect RegButton;
uint8_t RegButtonFrame;
std::string EnteredName;
char CaretChar;
uint8_t CaretCounter;
const std::string LowerLetters = "фисвуапршолдьтщзйкыегмцчня"_cp;
const std::string UpperLetters = "ФИСВУАПРШОЛДЬТЩЗЙКЫЕГМЦЧНЯ"_cp;

namespace {

constexpr int32_t kButtonX = 422;
constexpr int32_t kButtonY = 543;
constexpr int32_t kButtonHeight = 90;
constexpr int32_t kButtonWidth = 180;
constexpr int32_t kSpriteGap = 15;

constexpr int kKeyBackspace = 8;
constexpr int kKeyShift = 16;
constexpr int kKeySpace = 32;
constexpr int kKeyDelete = 46;
constexpr int kKeyDigit0 = 48;
constexpr int kKeyDigit9 = 57;
constexpr int kKeyA = 65;
constexpr int kKeyZ = 90;

// The caret shows while the counter is in the lower half of its range.
constexpr uint8_t kCaretStep = 5;
constexpr uint8_t kCaretVisibleMax = 128;

// The keys beside the letters that carry Russian letters on this layout.
struct TPunctuationKey {
  int Code;
  const char* Lower;
  const char* Upper;
};
constexpr TPunctuationKey kPunctuationKeys[] = {
    {186, "ж"_cp, "Ж"_cp}, {188, "б"_cp, "Б"_cp}, {190, "ю"_cp, "Ю"_cp},
    {219, "х"_cp, "Х"_cp}, {221, "ъ"_cp, "Ъ"_cp}, {222, "э"_cp, "Э"_cp},
};

void ApplyKey(int code) {
  if (code == kKeyBackspace || code == kKeyDelete) {
    if (!EnteredName.empty()) EnteredName.pop_back();
    return;
  }
  if (code >= kKeyDigit0 && code <= kKeyDigit9) {
    EnteredName += static_cast<char>('0' + (code - kKeyDigit0));
    return;
  }
  if (code == kKeySpace) {
    EnteredName += ' ';
    return;
  }
  const bool shift = Key_Down(kKeyShift);
  if (code >= kKeyA && code <= kKeyZ) {
    const std::string& letters = shift ? UpperLetters : LowerLetters;
    EnteredName += letters[static_cast<std::size_t>(code - kKeyA)];
    return;
  }
  for (const TPunctuationKey& key : kPunctuationKeys) {
    if (key.Code == code) {
      EnteredName += shift ? key.Upper : key.Lower;
      return;
    }
  }
}

// The cap on the name's length may cut a letter in two: its lone first bytes go, so that the rest still
// reads in the file's encoding. In UTF-16 the cap falls between letters of two bytes, but it may
// part a pair of surrogates.
void DropCutLetter(std::string& line) {
  const TTextMark mark = TextMarkOf(line);
  if (mark == kUtf16LittleMark || mark == kUtf16BigMark) {
    const std::size_t high = mark == kUtf16LittleMark ? line.size() - 1 : line.size() - 2;
    if (line.size() >= 4 && (static_cast<unsigned char>(line[high]) & 0xFC) == 0xD8) line.erase(line.size() - 2);
    return;
  }
  if (IsUtf8(line)) return;
  for (std::size_t cut = 1; cut <= 3 && cut < line.size(); ++cut)
    if (IsUtf8(std::string_view(line).substr(0, line.size() - cut))) {
      line.erase(line.size() - cut);
      return;
    }
}

}  // namespace

void ResetPregs() {
  RegButton = TClickRect{};
  // Frame 1 from the start: the form can be drawn for a whole fade-in before its first update, and a
  // frame number of 0 names no frame of the button picture.
  RegButtonFrame = 1;
  EnteredName.clear();
  CaretChar = '\0';
  CaretCounter = 0;
}

void InitRegistration() { RegButton = {kButtonX, kButtonY, kButtonHeight, kButtonWidth}; }

void LoadPlayerName() {
  if (!FileExists(PlayerNameFile)) {
    CurrentScene = scRegistration;
    return;
  }
  CurrentScene = scMenu;
  TFile file;
  FileOpenRead(file, PlayerNameFile);
  // The file's first bytes, no more than the first line may take: its end is found by the encoding its
  // start tells (in UTF-16 the bytes of a line end are also parts of other letters).
  std::string head;
  FileReadChunks(file, [&](const char* begin, const char* end) {
    head.append(begin, std::min<std::size_t>(static_cast<std::size_t>(end - begin), kPlayerNameMax - head.size()));
    return head.size() < kPlayerNameMax && FirstLineLength(head) == head.size();
  });
  FileClose(file);
  std::string line = head.substr(0, FirstLineLength(head));
  if (line.size() == kPlayerNameMax) DropCutLetter(line);
  PlayerName = EditorTextToCp1251(line);
}

void ReadNameKeys() {
  CaretCounter = static_cast<uint8_t>(CaretCounter + kCaretStep);
  CaretChar = CaretCounter > kCaretVisibleMax ? ' ' : '|';

  for (int code = 1; code <= 255; ++code)
    if (Key_Press(code)) ApplyKey(code);

  const float x = static_cast<float>(Mouse_X());
  const float y = static_cast<float>(Mouse_Y());
  if (PointInRect(RegButton, x, y)) {
    RegButtonFrame = 2;
    if (MouseClicked) {
      PlayerName = EnteredName;
      StartTransition(scMenu, 0);
    }
  } else {
    RegButtonFrame = 1;
  }
}

void UpdateRegistration() {
  // Stage 0: the scene has just followed the intro; the form appears from the next tick on.
  if (SceneParam == 0) {
    SceneParam = 1;
  } else if (SceneParam == 1) {
    ReadNameKeys();
  }
}

void DrawRegistrationForm() {
  const char* prompt = "Введите свое имя:"_cp;
  const float promptScale = static_cast<float>(1.7 * TextScale);
  const double promptWidth = Text_GetWidth(MainFont, prompt, promptScale, 0.0f);
  Text_Draw(MainFont, static_cast<float>((kScreenWidth - promptWidth) / 2.0), 180.0f, prompt, promptScale, 0.0f, 255,
            0xF02B00);

  // Centred on the name alone, so that the blinking caret does not shift it. A NUL caret (before
  // the first update) ends the text where the name ends.
  const float nameScale = static_cast<float>(2.0 * TextScale);
  const double nameWidth = Text_GetWidth(MainFont, EnteredName.c_str(), nameScale, 0.0f);
  const std::string shown = EnteredName + CaretChar;
  Text_Draw(MainFont, static_cast<float>((kScreenWidth - nameWidth) / 2.0), 270.0f, shown.c_str(), nameScale, 0.0f,
            255, 0x0000D2);

  ASprite_Draw(TexButton, static_cast<float>(RegButton.X), static_cast<float>(RegButton.Y),
               static_cast<float>(RegButton.W), static_cast<float>(RegButton.H - kSpriteGap), RegButtonFrame, 255,
               0.0f, 1);
  const char* caption = "Продолжить"_cp;
  const double captionWidth = Text_GetWidth(MainFont, caption, 1.0f, 0.0f);
  const double captionX = RegButton.X + (RegButton.W - captionWidth) / 2.0;
  const double captionY = RegButton.Y + static_cast<double>(RegButton.H - kSpriteGap - FontHeight) / 2.0;
  Text_Draw(MainFont, static_cast<float>(captionX), static_cast<float>(captionY), caption, 1.0f, 0.0f, 255, 0x000000);
}

void DrawRegistration() {
  SSprite_Draw(TexMap1, 0.0f, 0.0f, static_cast<float>(kScreenWidth), static_cast<float>(kScreenHeight), 255, 0.0f, 1);
  if (SceneParam == 1) DrawRegistrationForm();
  ASprite_Draw(TexCornerButton, 0.0f, 0.0f, 90.0f, 90.0f, CornerButtonFrame, 255, 0.0f, 1);
}
