// Each exported operation: do the work, then write its trace line (with the result, when it has one).
#include "omega/Exports.h"

#include <cstdio>

#include "omega/Engine.h"
#include "omega/Trace.h"
#include "omega/TraceFormat.h"

using trace_format::Float;
using trace_format::Int;
using trace_format::Text;

namespace {

const char* KindName(int32_t kind) {
  switch (kind) {
    case 0: return "draw";
    case 1: return "load";
    case 2: return "quit";
    default: return "proc";
  }
}

std::string B(bool value) { return value ? "1" : "0"; }

}  // namespace

extern "C" {

void OE_Init(int32_t mode, int32_t flags) {
  if (omega::Tracing()) omega::TraceLine("OE_Init " + Int(mode) + " " + Int(flags));
  omega::RunEngine();
}

void OE_Quit() {
  if (omega::Tracing()) omega::TraceLine("OE_Quit");
  omega::RequestQuit();
}

void OE_RegProcedure(int32_t kind, OEProc proc) {
  if (omega::Tracing()) omega::TraceLine("OE_RegProcedure " + Int(kind) + " " + KindName(kind));
  omega::LoopState& e = omega::E().Loop;
  if (kind == 0) e.DrawProc = proc;
  if (kind == 1) e.LoadProc = proc;
  if (kind == 2) e.QuitProc = proc;
}

void OE_SetWndPosition(int32_t x, int32_t y) {
  if (omega::Tracing()) omega::TraceLine("OE_SetWndPosition " + Int(x) + " " + Int(y));
  omega::LoopState& e = omega::E().Loop;
  e.PositionAsked = true;
  e.WndX = x;
  e.WndY = y;
}

void OE_SetScreenOptions(int32_t width, int32_t height, int32_t bpp, int32_t a, int32_t b, int32_t c) {
  // The engine's screen is always 1024×768, 32-bit: the game asks for nothing else.
  if (omega::Tracing())
    omega::TraceLine("OE_SetScreenOptions " + Int(width) + " " + Int(height) + " " + Int(bpp) + " " + Int(a) + " " +
                     Int(b) + " " + Int(c));
}

int32_t OE_GetFPS() {
  const int32_t fps = omega::CurrentFps();
  if (omega::Tracing()) omega::TraceLine("OE_GetFPS =" + Int(fps));
  return fps;
}

int32_t Timer_Create(OEProc proc, int32_t interval, int32_t active) {
  omega::LoopState& e = omega::E().Loop;
  e.Timers.push_back(omega::Timer{proc, interval, active != 0});
  const auto id = static_cast<int32_t>(e.Timers.size());
  if (omega::Tracing())
    omega::TraceLine("Timer_Create timer " + Int(interval) + " " + Int(active) + " =" + Int(id));
  return id;
}

bool Key_Down(int32_t code) {
  const bool r = omega::KeyHeld(code);
  if (omega::Tracing()) omega::TraceLine("Key_Down " + Int(code) + " =" + B(r));
  return r;
}

bool Key_Press(int32_t code) {
  const bool r = omega::KeyPressed(code);
  if (omega::Tracing()) omega::TraceLine("Key_Press " + Int(code) + " =" + B(r));
  return r;
}

int32_t Mouse_X() {
  const int32_t x = omega::ReadPointerX();
  if (omega::Tracing()) omega::TraceLine("Mouse_X =" + Int(x));
  return x;
}

int32_t Mouse_Y() {
  const int32_t y = omega::ReadPointerY();
  if (omega::Tracing()) omega::TraceLine("Mouse_Y =" + Int(y));
  return y;
}

bool Mouse_Press(int32_t button) {
  const bool r = omega::MousePressed(button);
  if (omega::Tracing()) omega::TraceLine("Mouse_Press " + Int(button) + " =" + B(r));
  return r;
}

OEHandle Tex_LoadFromFile(const char* file, int32_t transparent, int32_t flags) {
  const OEHandle h = omega::LoadTexture(file, flags);
  if (omega::Tracing())
    omega::TraceLine("Tex_LoadFromFile " + Text(file) + " " + Int(transparent) + " " + Int(flags) + " =" +
                     omega::HandleText(h));
  return h;
}

OEHandle Tex_LoadMaskFromFile(const char* file) {
  // Masks are not numbered: 1 says the mask is now current, 0 that there is none.
  const OEHandle r = omega::LoadMask(file) ? 1 : 0;
  if (omega::Tracing()) omega::TraceLine("Tex_LoadMaskFromFile " + Text(file) + " =" + Int(static_cast<int64_t>(r)));
  return r;
}

void Tex_SetFramesSize(OEHandle texture, int32_t width, int32_t height) {
  if (omega::Tracing())
    omega::TraceLine("Tex_SetFramesSize " + omega::HandleText(texture) + " " + Int(width) + " " + Int(height));
  omega::SetFramesSize(texture, width, height);
}

void FX_SetColorMix(uint32_t colour) {
  if (omega::Tracing()) omega::TraceLine("FX_SetColorMix " + Int(colour));
  omega::E().Pictures.MixColour = colour & 0xFFFFFFu;
}

OEHandle Text_LoadFontFromFile(const char* picture, const char* info, int32_t a, int32_t flags) {
  const OEHandle h = omega::LoadFont(picture, info);
  if (omega::Tracing())
    omega::TraceLine("Text_LoadFontFromFile " + Text(picture) + " " + Text(info) + " " + Int(a) + " " + Int(flags) +
                     " =" + omega::HandleText(h));
  return h;
}

void Text_Draw(OEHandle font, float x, float y, const char* text, float scale, float spacing, int32_t alpha,
               uint32_t colour) {
  if (omega::Tracing())
    omega::TraceLine("Text_Draw " + omega::HandleText(font) + " " + Float(x) + " " + Float(y) + " " + Text(text) + " " +
                     Float(scale) + " " + Float(spacing) + " " + Int(alpha) + " " + Int(colour));
  omega::DrawText(font, x, y, text, scale, spacing, alpha, colour);
}

float Text_GetWidth(OEHandle font, const char* text, float scale, float spacing) {
  const float w = omega::MeasureText(font, text, scale, spacing);
  if (omega::Tracing())
    omega::TraceLine("Text_GetWidth " + omega::HandleText(font) + " " + Text(text) + " " + Float(scale) + " " +
                     Float(spacing) + " =" + Float(w));
  return w;
}

void SSprite_Draw(OEHandle texture, float x, float y, float w, float h, int32_t alpha, float angle, int32_t flags) {
  if (omega::Tracing())
    omega::TraceLine("SSprite_Draw " + omega::HandleText(texture) + " " + Float(x) + " " + Float(y) + " " + Float(w) +
                     " " + Float(h) + " " + Int(alpha) + " " + Float(angle) + " " + Int(flags));
  omega::DrawSprite(texture, x, y, w, h, alpha, flags);
}

void ASprite_Draw(OEHandle texture, float x, float y, float w, float h, int32_t frame, int32_t alpha, float angle,
                  int32_t flags) {
  if (omega::Tracing())
    omega::TraceLine("ASprite_Draw " + omega::HandleText(texture) + " " + Float(x) + " " + Float(y) + " " + Float(w) +
                     " " + Float(h) + " " + Int(frame) + " " + Int(alpha) + " " + Float(angle) + " " + Int(flags));
  omega::DrawAnimated(texture, x, y, w, h, frame, alpha, flags);
}

const char* U_IntToStr(int32_t value) {
  static char buffer[16];
  std::snprintf(buffer, sizeof buffer, "%d", static_cast<int>(value));
  if (omega::Tracing()) omega::TraceLine("U_IntToStr " + Int(value) + " =" + Text(buffer));
  return buffer;
}

}  // extern "C"

// The rest of the engine's table: operations the game binds by name and never calls. They are here so
// that the library answers every one of the 201 lookups, as the engine the game was made for does;
// nothing calls them, so they do nothing.
#define OMEGA_UNCALLED_1(ret, name, params)
#define OMEGA_UNCALLED_0(ret, name, params) \
  extern "C" OMEGA_API ret name params {}
#define OMEGA_UNCALLED(used, ret, name, params) OMEGA_UNCALLED_##used(ret, name, params)
OMEGA_OPERATIONS(OMEGA_UNCALLED)
#undef OMEGA_UNCALLED
#undef OMEGA_UNCALLED_0
#undef OMEGA_UNCALLED_1
