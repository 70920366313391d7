// The body of each exported operation; the exports themselves, which run a body and write its trace
// line, are generated from the operation list at the end.
#include "omega/Exports.h"

#include <cstdio>
#include <string>
#include <utility>

#include "omega/Engine.h"
#include "omega/trace/Trace.h"
#include "omega/trace/TraceFormat.h"

namespace omega::ops {

void OE_Init(int32_t, int32_t) { RunEngine(); }

void OE_Quit() { RequestQuit(); }

void OE_RegProcedure(int32_t kind, OEProc proc) {
  LoopState& e = E().Loop;
  if (kind == 0) e.DrawProc = proc;
  if (kind == 1) e.LoadProc = proc;
  if (kind == 2) e.QuitProc = proc;
}

void OE_SetWndPosition(int32_t x, int32_t y) {
  LoopState& e = E().Loop;
  e.PositionAsked = true;
  e.WndX = x;
  e.WndY = y;
}

// The engine's screen is always 1024×768, 32-bit: the game asks for nothing else.
void OE_SetScreenOptions(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) {}

int32_t OE_GetFPS() { return CurrentFps(); }

int32_t Timer_Create(OEProc proc, int32_t interval, int32_t active) {
  LoopState& e = E().Loop;
  e.Timers.push_back(Timer{proc, interval, active != 0});
  return static_cast<int32_t>(e.Timers.size());
}

bool Key_Down(int32_t code) { return KeyHeld(E().Input, code); }
bool Key_Press(int32_t code) { return KeyPressed(E().Input, code); }
int32_t Mouse_X() { return ReadPointerX(E().Input, E().Recorder); }
int32_t Mouse_Y() { return ReadPointerY(E().Input, E().Recorder); }
bool Mouse_Press(int32_t button) { return MousePressed(E().Input, button); }

OEHandle Tex_LoadFromFile(const char* file, int32_t, int32_t flags) {
  Engine& e = E();
  return LoadTexture(e.Pictures, e.Ahead, e.Loop.Signalled, file, flags);
}

// Masks are not numbered: 1 says the mask is now current, 0 that there is none.
OEHandle Tex_LoadMaskFromFile(const char* file) {
  Engine& e = E();
  return LoadMask(e.Pictures, e.Ahead, e.Loop.Signalled, file) ? 1 : 0;
}

void Tex_SetFramesSize(OEHandle texture, int32_t width, int32_t height) {
  SetFramesSize(E().Pictures, texture, width, height);
}

void FX_SetColorMix(uint32_t colour) { E().Pictures.MixColour = colour & 0xFFFFFFu; }

OEHandle Text_LoadFontFromFile(const char* picture, const char* info, int32_t, int32_t) {
  Engine& e = E();
  return LoadFont(e.Pictures, e.Ahead, e.Loop.Signalled, picture, info);
}

void Text_Draw(OEHandle font, float x, float y, const char* text, float scale, float spacing, int32_t alpha,
               uint32_t colour) {
  DrawText(E().Pictures, E().Recorder, font, x, y, text, scale, spacing, alpha, colour);
}

float Text_GetWidth(OEHandle font, const char* text, float scale, float spacing) {
  return MeasureText(E().Pictures, font, text, scale, spacing);
}

void SSprite_Draw(OEHandle texture, float x, float y, float w, float h, int32_t alpha, float, int32_t flags) {
  DrawSprite(E().Pictures, E().Recorder, texture, x, y, w, h, alpha, flags);
}

void ASprite_Draw(OEHandle texture, float x, float y, float w, float h, int32_t frame, int32_t alpha, float,
                  int32_t flags) {
  DrawAnimated(E().Pictures, E().Recorder, texture, x, y, w, h, frame, alpha, flags);
}

// The game copies the text at once.
const char* U_IntToStr(int32_t value) {
  char* text = E().NumberText;
  std::snprintf(text, sizeof E().NumberText, "%d", static_cast<int>(value));
  return text;
}

}  // namespace omega::ops

namespace omega {
namespace {

bool Tracing() { return E().Trace.On(); }
void TraceLine(const std::string& text) { E().Trace.Line(E().Loop.Tick, text); }
int HandleNumber(OEHandle handle) { return LoadNumber(E().Pictures, handle); }

// Runs an operation's body (its result, if any, returned) and writes its trace line when tracing.
template <class ResultKind, class Body, class... Args>
auto Traced(const char* name, Body&& body, const Args&... args) {
  return trace_format::Traced<ResultKind>([](auto...) { return Tracing(); }, TraceLine, HandleNumber, name,
                                          std::forward<Body>(body), args...);
}

}  // namespace
}  // namespace omega

// Each export: an operation the game calls runs its body and writes its trace line; the rest of the
// engine's table, bound by name and never called, is there so that the library answers every one of
// the 201 lookups, as the engine the game was made for does, and does nothing.
#define OMEGA_EXPORT(used, ret, name, ...) OMEGA_EXPORT_##used(ret, name, __VA_ARGS__)
#define OMEGA_EXPORT_0(ret, name, ...) \
  OMEGA_TYPE(ret) name() {}
#define OMEGA_EXPORT_1(ret, name, ...)                                                                        \
  OMEGA_TYPE(ret) name(OMEGA_PARAMS(__VA_ARGS__)) {                                                           \
    return omega::Traced<trace_format::ret>(#name, [&] { return omega::ops::name(OMEGA_NAMES(__VA_ARGS__)); } \
                                            __VA_OPT__(, OMEGA_TRACE_ARGS(__VA_ARGS__)));                     \
  }
extern "C" {
OMEGA_OPERATIONS(OMEGA_EXPORT)
}
#undef OMEGA_EXPORT
#undef OMEGA_EXPORT_0
#undef OMEGA_EXPORT_1
