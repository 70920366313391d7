#include "tests/support/FakeEngine.h"

#include <cstring>
#include <map>
#include <sstream>

#include "engine/OMEGA.h"
#include "omega/TraceFormat.h"

namespace fake {

std::vector<std::string> Calls;
int32_t MouseX = 0;
int32_t MouseY = 0;
bool MousePressed = false;
std::set<int> KeysPressed;
std::set<int> KeysDown;
int32_t Fps = 60;
float GlyphAdvance = 10.0f;
uint8_t LineHeight = 20;
int QuitCount = 0;

namespace {

using trace_format::Float;
using trace_format::Int;
using trace_format::Text;

std::map<OEHandle, int> gHandleNumbers;
int gLoads = 0;
uint8_t gFontData[4][16];
int gFonts = 0;
char gIntText[32];

std::string H(OEHandle handle) {
  const auto it = gHandleNumbers.find(handle);
  return it == gHandleNumbers.end() ? Int(static_cast<int64_t>(handle)) : Int(it->second);
}

void Record(const std::string& line) { Calls.push_back(line); }

void FakeInit(int32_t a, int32_t b) { Record("OE_Init " + Int(a) + " " + Int(b)); }
void FakeQuit() { ++QuitCount; Record("OE_Quit"); }
void FakeRegProcedure(int32_t kind, OEProc) { Record("OE_RegProcedure " + Int(kind)); }
void FakeSetWndPosition(int32_t x, int32_t y) { Record("OE_SetWndPosition " + Int(x) + " " + Int(y)); }
void FakeSetScreenOptions(int32_t w, int32_t h, int32_t bpp, int32_t a, int32_t b, int32_t c) {
  Record("OE_SetScreenOptions " + Int(w) + " " + Int(h) + " " + Int(bpp) + " " + Int(a) + " " + Int(b) + " " + Int(c));
}
int32_t FakeGetFPS() { Record("OE_GetFPS =" + Int(Fps)); return Fps; }
int32_t FakeTimerCreate(OEProc, int32_t interval, int32_t active) {
  Record("Timer_Create timer " + Int(interval) + " " + Int(active) + " =1");
  return 1;
}
bool FakeKeyDown(int32_t c) {
  const bool r = KeysDown.count(c) != 0;
  Record("Key_Down " + Int(c) + " =" + Int(r));
  return r;
}
bool FakeKeyPress(int32_t c) {
  const bool r = KeysPressed.count(c) != 0;
  if (r) Record("Key_Press " + Int(c) + " =1");  // 255 queries a tick: only the answered ones are kept
  return r;
}
int32_t FakeMouseX() { return MouseX; }
int32_t FakeMouseY() { return MouseY; }
bool FakeMousePress(int32_t b) {
  const bool r = b == 1 && MousePressed;
  Record("Mouse_Press " + Int(b) + " =" + Int(r));
  return r;
}
OEHandle FakeTexLoad(const char* file, int32_t transparent, int32_t flags) {
  const OEHandle h = static_cast<OEHandle>(++gLoads);
  gHandleNumbers[h] = gLoads;
  Record("Tex_LoadFromFile " + Text(file) + " " + Int(transparent) + " " + Int(flags) + " =" + Int(gLoads));
  return h;
}
OEHandle FakeMaskLoad(const char* file) {
  Record("Tex_LoadMaskFromFile " + Text(file) + " =0");
  return 0;
}
void FakeSetFrames(OEHandle t, int32_t w, int32_t h) { Record("Tex_SetFramesSize " + H(t) + " " + Int(w) + " " + Int(h)); }
void FakeColorMix(uint32_t c) { Record("FX_SetColorMix " + Int(c)); }
OEHandle FakeFontLoad(const char* picture, const char* info, int32_t a, int32_t flags) {
  uint8_t* data = gFontData[gFonts++ % 4];
  std::memset(data, 0, 16);
  data[0] = LineHeight;
  const auto h = reinterpret_cast<OEHandle>(data);
  gHandleNumbers[h] = ++gLoads;
  Record("Text_LoadFontFromFile " + Text(picture) + " " + Text(info) + " " + Int(a) + " " + Int(flags) + " =" + Int(gLoads));
  return h;
}
float Width(const char* text, float scale, float spacing) {
  const auto n = static_cast<float>(std::strlen(text));
  if (n == 0) return 0.0f;
  return n * GlyphAdvance * scale + spacing * (n - 1);
}
void FakeTextDraw(OEHandle font, float x, float y, const char* text, float scale, float spacing, int32_t alpha, uint32_t colour) {
  Record("Text_Draw " + H(font) + " " + Float(x) + " " + Float(y) + " " + Text(text) + " " + Float(scale) + " " + Float(spacing) + " " + Int(alpha) + " " + Int(colour));
}
float FakeTextWidth(OEHandle font, const char* text, float scale, float spacing) {
  const float w = Width(text, scale, spacing);
  Record("Text_GetWidth " + H(font) + " " + Text(text) + " " + Float(scale) + " " + Float(spacing) + " =" + Float(w));
  return w;
}
void FakeSSprite(OEHandle t, float x, float y, float w, float h, int32_t alpha, float angle, int32_t flags) {
  Record("SSprite_Draw " + H(t) + " " + Float(x) + " " + Float(y) + " " + Float(w) + " " + Float(h) + " " + Int(alpha) + " " + Float(angle) + " " + Int(flags));
}
void FakeASprite(OEHandle t, float x, float y, float w, float h, int32_t frame, int32_t alpha, float angle, int32_t flags) {
  Record("ASprite_Draw " + H(t) + " " + Float(x) + " " + Float(y) + " " + Float(w) + " " + Float(h) + " " + Int(frame) + " " + Int(alpha) + " " + Float(angle) + " " + Int(flags));
}
const char* FakeIntToStr(int32_t v) {
  std::snprintf(gIntText, sizeof gIntText, "%d", v);
  Record("U_IntToStr " + Int(v) + " =" + Text(gIntText));
  return gIntText;
}

void* Lookup(const char* name) {
  static const std::map<std::string, void*> table = {
      {"OE_Init", reinterpret_cast<void*>(&FakeInit)},
      {"OE_Quit", reinterpret_cast<void*>(&FakeQuit)},
      {"OE_RegProcedure", reinterpret_cast<void*>(&FakeRegProcedure)},
      {"OE_SetWndPosition", reinterpret_cast<void*>(&FakeSetWndPosition)},
      {"OE_SetScreenOptions", reinterpret_cast<void*>(&FakeSetScreenOptions)},
      {"OE_GetFPS", reinterpret_cast<void*>(&FakeGetFPS)},
      {"Timer_Create", reinterpret_cast<void*>(&FakeTimerCreate)},
      {"Key_Down", reinterpret_cast<void*>(&FakeKeyDown)},
      {"Key_Press", reinterpret_cast<void*>(&FakeKeyPress)},
      {"Mouse_X", reinterpret_cast<void*>(&FakeMouseX)},
      {"Mouse_Y", reinterpret_cast<void*>(&FakeMouseY)},
      {"Mouse_Press", reinterpret_cast<void*>(&FakeMousePress)},
      {"Tex_LoadFromFile", reinterpret_cast<void*>(&FakeTexLoad)},
      {"Tex_LoadMaskFromFile", reinterpret_cast<void*>(&FakeMaskLoad)},
      {"Tex_SetFramesSize", reinterpret_cast<void*>(&FakeSetFrames)},
      {"FX_SetColorMix", reinterpret_cast<void*>(&FakeColorMix)},
      {"Text_LoadFontFromFile", reinterpret_cast<void*>(&FakeFontLoad)},
      {"Text_Draw", reinterpret_cast<void*>(&FakeTextDraw)},
      {"Text_GetWidth", reinterpret_cast<void*>(&FakeTextWidth)},
      {"SSprite_Draw", reinterpret_cast<void*>(&FakeSSprite)},
      {"ASprite_Draw", reinterpret_cast<void*>(&FakeASprite)},
      {"U_IntToStr", reinterpret_cast<void*>(&FakeIntToStr)},
  };
  const auto it = table.find(name);
  return it == table.end() ? nullptr : it->second;
}

}  // namespace

void Install() {
  Calls.clear();
  MouseX = MouseY = 0;
  MousePressed = false;
  KeysPressed.clear();
  KeysDown.clear();
  Fps = 60;
  GlyphAdvance = 10.0f;
  LineHeight = 20;
  QuitCount = 0;
  gHandleNumbers.clear();
  gLoads = 0;
  BindEngine(Lookup);
}

void ClearCalls() { Calls.clear(); }

std::vector<std::string> CallsOf(const std::string& names) {
  std::set<std::string> wanted;
  std::istringstream in(names);
  for (std::string n; in >> n;) wanted.insert(n);
  std::vector<std::string> out;
  for (const auto& line : Calls)
    if (wanted.count(line.substr(0, line.find(' '))) != 0) out.push_back(line);
  return out;
}

std::vector<std::string> Draws() { return CallsOf("SSprite_Draw ASprite_Draw Text_Draw FX_SetColorMix"); }

}  // namespace fake
