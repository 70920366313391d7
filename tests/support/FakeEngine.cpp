#include "tests/support/FakeEngine.h"

#include <cstring>
#include <limits>
#include <map>
#include <sstream>
#include <type_traits>

#include "engine/OMEGA.h"
#include "omega/trace/TraceFormat.h"
#include "tests/support/TraceReader.h"

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

std::map<OEHandle, int> gHandleNumbers;
int gLoads = 0;
uint8_t gFontData[4][16];
int gFonts = 0;
char gIntText[32];

// A handle's number in a recorded call: its load number; a handle the fake never gave (a test sets a
// game's handle itself) is taken as the number it is.
int Number(OEHandle handle) {
  const auto it = gHandleNumbers.find(handle);
  if (it != gHandleNumbers.end()) return it->second;
  return handle <= static_cast<OEHandle>(std::numeric_limits<int>::max()) ? static_cast<int>(handle) : 0;
}

void Record(std::string line) { Calls.push_back(std::move(line)); }

template <class Result>
Result Zero() {
  if constexpr (!std::is_void_v<Result>) return Result{};
}

// Every operation's default: it does nothing and returns zero.
namespace defaults {
#define FAKE_TYPE(kind, arg) OMEGA_TYPE(kind)
#define FAKE_DEFAULT(used, ret, op, ...) \
  [[maybe_unused]] OMEGA_TYPE(ret) op(OMEGA_EACH(FAKE_TYPE, __VA_ARGS__)) { return Zero<OMEGA_TYPE(ret)>(); }
OMEGA_OPERATIONS(FAKE_DEFAULT)
#undef FAKE_DEFAULT
#undef FAKE_TYPE
}  // namespace defaults

// What the fake answers where a default will not do (an answer hides its operation's default).
namespace answer {
using namespace defaults;

void OE_Quit() { ++QuitCount; }
int32_t OE_GetFPS() { return Fps; }
int32_t Timer_Create(OEProc, int32_t, int32_t) { return 1; }
bool Key_Down(int32_t c) { return KeysDown.count(c) != 0; }
bool Key_Press(int32_t c) { return KeysPressed.count(c) != 0; }
int32_t Mouse_X() { return MouseX; }
int32_t Mouse_Y() { return MouseY; }
bool Mouse_Press(int32_t b) { return b == 1 && MousePressed; }
OEHandle Tex_LoadFromFile(const char*, int32_t, int32_t) {
  const OEHandle h = static_cast<OEHandle>(++gLoads);
  gHandleNumbers[h] = gLoads;
  return h;
}
// Every mask loads and becomes current, as a readable mask does in the engine.
OEHandle Tex_LoadMaskFromFile(const char*) { return 1; }
OEHandle Text_LoadFontFromFile(const char*, const char*, int32_t, int32_t) {
  uint8_t* data = gFontData[gFonts++ % 4];
  std::memset(data, 0, 16);
  data[0] = LineHeight;
  const auto h = reinterpret_cast<OEHandle>(data);
  gHandleNumbers[h] = ++gLoads;
  return h;
}
float Text_GetWidth(OEHandle, const char* text, float scale, float spacing) {
  const auto n = static_cast<float>(std::strlen(text));
  if (n == 0) return 0.0f;
  return n * GlyphAdvance * scale + spacing * (n - 1);
}
const char* U_IntToStr(int32_t v) {
  std::snprintf(gIntText, sizeof gIntText, "%d", v);
  return gIntText;
}

}  // namespace answer

// Which calls are recorded: all but the pointer's position, read for every frame's cursor, and the
// keys not pressed, asked for 255 keys a tick (only the answered ones are kept).
namespace kept {
#define FAKE_KEPT(used, ret, op, ...) [[maybe_unused]] bool op(...) { return true; }
OMEGA_OPERATIONS(FAKE_KEPT)
#undef FAKE_KEPT
}  // namespace kept
namespace keep {
using namespace kept;
bool Mouse_X(int32_t) { return false; }
bool Mouse_Y(int32_t) { return false; }
bool Key_Press(bool pressed) { return pressed; }
}  // namespace keep

// Each operation the game calls: its answer, recorded as the engine traces it.
namespace recorded {
#define FAKE_OPERATION(used, ret, op, ...) FAKE_OPERATION_##used(ret, op, __VA_ARGS__)
#define FAKE_OPERATION_0(ret, op, ...)
#define FAKE_OPERATION_1(ret, op, ...)                                                                     \
  OMEGA_TYPE(ret) op(OMEGA_PARAMS(__VA_ARGS__)) {                                                          \
    return trace_format::Traced<trace_format::ret>(                                                        \
        [](auto... result) { return keep::op(result...); }, Record, Number, #op,                           \
        [&] { return answer::op(OMEGA_NAMES(__VA_ARGS__)); }                                               \
        __VA_OPT__(, OMEGA_TRACE_ARGS(__VA_ARGS__)));                                                      \
  }
OMEGA_OPERATIONS(FAKE_OPERATION)
#undef FAKE_OPERATION_1
}  // namespace recorded

void* Lookup(const char* name) {
#define FAKE_OPERATION_1(ret, op, ...) \
  if (std::strcmp(name, #op) == 0) return reinterpret_cast<void*>(&recorded::op);
  OMEGA_OPERATIONS(FAKE_OPERATION)
#undef FAKE_OPERATION_1
#undef FAKE_OPERATION_0
#undef FAKE_OPERATION
  return nullptr;
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
  trace_reader::Call call;
  for (const auto& line : Calls)
    if (trace_reader::ParseBody(line, call) && wanted.count(call.Name) != 0) out.push_back(line);
  return out;
}

std::vector<std::string> Draws() { return CallsOf("SSprite_Draw ASprite_Draw Text_Draw FX_SetColorMix"); }

}  // namespace fake
