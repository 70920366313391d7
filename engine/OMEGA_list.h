// The one list of the engine's operations, and what each one's arguments are. Everything that has to
// agree on them is generated from it: the game's function-pointer globals and their by-name lookup,
// the check for missing operations, the engine's exports, the fake engine of the tests and the trace
// line of every call. Adding an operation is one line here plus its body in the engine.
//
//   X(used, result kind, name, (kind, argument)...)
//
// used: 1 for the 22 operations the game calls; the others are bound like the real engine's table and
// never called, so they carry no arguments of their own. A kind fixes the C type and how a trace
// writes the value (omega/trace/TraceFormat.h):
//
//   Void     void         (results only) nothing is written
//   Int      int32_t      decimal
//   Colour   uint32_t     decimal (0xRRGGBB)
//   Float    float        %.9g
//   Boolean  bool         1 or 0
//   Text     const char*  in double quotes, Windows-1251 shown as UTF-8, '"' and '\' escaped
//   Handle   OEHandle     the texture's or font's load number; 0 for 0, ? for a value never given
//   Flag     OEHandle     1 or 0 (a mask load: whether the mask is now current)
//   Role     int32_t      decimal; it names the callback that follows it (0 draw, 1 load, 2 quit)
//   Proc     OEProc       the callback's role: after a Role its name, otherwise timer
#pragma once
#include <cstdint>

using OEHandle = std::uintptr_t;   // texture / font handle; 0 is a failed load
using OEProc = void (*)();         // a game callback

#define OMEGA_TYPE_Void void
#define OMEGA_TYPE_Int int32_t
#define OMEGA_TYPE_Colour uint32_t
#define OMEGA_TYPE_Float float
#define OMEGA_TYPE_Boolean bool
#define OMEGA_TYPE_Text const char*
#define OMEGA_TYPE_Handle OEHandle
#define OMEGA_TYPE_Flag OEHandle
#define OMEGA_TYPE_Role int32_t
#define OMEGA_TYPE_Proc OEProc
// The C type of a kind.
#define OMEGA_TYPE(kind) OMEGA_TYPE_##kind

// OMEGA_EACH(f, (k1, a1), (k2, a2), ...) is f(k1, a1), f(k2, a2), ...: the argument list of an
// operation spelt out one way or another.
#define OMEGA_EACH(f, ...) __VA_OPT__(OMEGA_EXPAND(OMEGA_EACH_NEXT(f, __VA_ARGS__)))
#define OMEGA_EACH_NEXT(f, first, ...) f first __VA_OPT__(, OMEGA_EACH_AGAIN OMEGA_EACH_PARENS(f, __VA_ARGS__))
#define OMEGA_EACH_PARENS ()
#define OMEGA_EACH_AGAIN() OMEGA_EACH_NEXT
#define OMEGA_EXPAND(...) OMEGA_EXPAND3(OMEGA_EXPAND3(OMEGA_EXPAND3(__VA_ARGS__)))
#define OMEGA_EXPAND3(...) OMEGA_EXPAND2(OMEGA_EXPAND2(OMEGA_EXPAND2(__VA_ARGS__)))
#define OMEGA_EXPAND2(...) OMEGA_EXPAND1(OMEGA_EXPAND1(OMEGA_EXPAND1(__VA_ARGS__)))
#define OMEGA_EXPAND1(...) __VA_ARGS__

// The declared parameters (int32_t mode, int32_t flags), and the names alone (mode, flags).
#define OMEGA_PARAM(kind, name) OMEGA_TYPE(kind) name
#define OMEGA_PARAMS(...) OMEGA_EACH(OMEGA_PARAM, __VA_ARGS__)
#define OMEGA_ARG_NAME(kind, name) name
#define OMEGA_NAMES(...) OMEGA_EACH(OMEGA_ARG_NAME, __VA_ARGS__)

#define OMEGA_OPERATIONS(X) \
  X(1, Void, OE_Init, (Int, mode), (Int, flags)) \
  X(0, Void, OE_Init2) \
  X(1, Void, OE_Quit) \
  X(1, Void, OE_RegProcedure, (Role, kind), (Proc, proc)) \
  X(0, Void, OE_UnRegProcedure) \
  X(0, Void, OE_Enable) \
  X(0, Void, OE_Disable) \
  X(0, Void, OE_SetWndOnTop) \
  X(1, Void, OE_SetWndPosition, (Int, x), (Int, y)) \
  X(0, Void, OE_SetWndName) \
  X(0, Void, OE_ResizeWindow) \
  X(0, Void, OE_ShowCursor) \
  X(1, Void, OE_SetScreenOptions, (Int, width), (Int, height), (Int, bpp), (Int, a), (Int, b), (Int, c)) \
  X(0, Void, OE_ChangeScreenOptions) \
  X(0, Void, OE_SetResolutionDependence) \
  X(0, Void, OE_SetVSync) \
  X(0, Void, OE_GetOptions) \
  X(0, Void, OE_SetAdvancedOptions) \
  X(1, Int, OE_GetFPS) \
  X(1, Int, Timer_Create, (Proc, proc), (Int, interval), (Int, active)) \
  X(0, Void, Timer_Free) \
  X(0, Void, Timer_FreeAll) \
  X(0, Void, INI_LoadFromFile) \
  X(0, Void, INI_LoadFromMemory) \
  X(0, Void, INI_SaveToFile) \
  X(0, Void, INI_Add) \
  X(0, Void, INI_ReadKeyStr) \
  X(0, Void, INI_ReadKeyInt) \
  X(0, Void, INI_WriteKeyStr) \
  X(0, Void, INI_WriteKeyInt) \
  X(0, Void, LOG_SetOptions) \
  X(0, Void, LOG_Init) \
  X(0, Void, LOG_AddMessage) \
  X(0, Void, LOG_AddLine) \
  X(0, Void, Key_LoadLayout) \
  X(1, Boolean, Key_Down, (Int, code)) \
  X(1, Boolean, Key_Press, (Int, code)) \
  X(0, Void, Key_LastDown) \
  X(0, Void, Key_LastPress) \
  X(0, Void, Key_BeginReadText) \
  X(0, Void, Key_EndReadText) \
  X(0, Void, Key_MaxReadText) \
  X(0, Void, KeyEx_Down) \
  X(0, Void, MouseEx_X) \
  X(0, Void, MouseEx_Y) \
  X(0, Void, MouseEx_Down) \
  X(1, Int, Mouse_X) \
  X(1, Int, Mouse_Y) \
  X(0, Void, Mouse_Move) \
  X(0, Void, Mouse_Lock) \
  X(0, Void, Mouse_DeltaX) \
  X(0, Void, Mouse_DeltaY) \
  X(0, Void, Mouse_Down) \
  X(1, Boolean, Mouse_Press, (Int, button)) \
  X(0, Void, Mouse_Click) \
  X(0, Void, Mouse_DblClick) \
  X(0, Void, Mouse_WheelUp) \
  X(0, Void, Mouse_WheelDown) \
  X(0, Void, Joy_Down) \
  X(0, Void, Joy_Press) \
  X(0, Void, Joy_AxePos) \
  X(0, Void, Tex_Filter) \
  X(0, Void, Tex_SetAnisotropyLevel) \
  X(0, Void, Tex_CreateZero) \
  X(1, Handle, Tex_LoadFromFile, (Text, file), (Int, transparent), (Int, flags)) \
  X(0, Void, Tex_LoadFromMemory) \
  X(0, Void, Tex_Free) \
  X(0, Void, Tex_FreeAll) \
  X(1, Flag, Tex_LoadMaskFromFile, (Text, file)) \
  X(0, Void, Tex_LoadMaskFromMemory) \
  X(0, Void, Tex_FreeMask) \
  X(1, Void, Tex_SetFramesSize, (Handle, texture), (Int, width), (Int, height)) \
  X(0, Void, Tex_BeginRenderIn) \
  X(0, Void, Tex_EndRenderIn) \
  X(0, Void, Tex_PostProcess) \
  X(0, Void, Cam2D_Create) \
  X(0, Void, Cam2D_Free) \
  X(0, Void, Cam2D_FreeAll) \
  X(0, Void, Cam2D_Set) \
  X(1, Void, FX_SetColorMix, (Colour, colour)) \
  X(0, Void, FX_SetBlendMode) \
  X(0, Void, FX_SetScale) \
  X(0, Void, FX_SetVertexes) \
  X(0, Void, FX_SetVCA) \
  X(0, Void, FX_Blur_SetTex) \
  X(0, Void, FX_Blur_SetParams) \
  X(0, Void, FX_Blur_Calc) \
  X(0, Void, FX_Blur_Draw) \
  X(0, Void, FX_RadBlur_SetTex) \
  X(0, Void, FX_RadBlur_SetParams) \
  X(0, Void, FX_RadBlur_Calc) \
  X(0, Void, FX_RadBlur_Draw) \
  X(1, Handle, Text_LoadFontFromFile, (Text, picture), (Text, info), (Int, a), (Int, flags)) \
  X(0, Void, Text_LoadFontFromMemory) \
  X(0, Void, Text_FreeFont) \
  X(0, Void, Text_FreeFontAll) \
  X(1, Void, Text_Draw, (Handle, font), (Float, x), (Float, y), (Text, text), (Float, scale), (Float, spacing), (Int, alpha), (Colour, colour)) \
  X(1, Float, Text_GetWidth, (Handle, font), (Text, text), (Float, scale), (Float, spacing)) \
  X(0, Void, Console_Active) \
  X(0, Void, Console_SetOptions) \
  X(0, Void, Console_ToLog) \
  X(0, Void, Console_Draw) \
  X(0, Void, Console_RegCommand) \
  X(0, Void, Console_RegVariable) \
  X(0, Void, Console_RegProcedure) \
  X(0, Void, Console_AddString) \
  X(0, Void, Pr2D_PixelSize) \
  X(0, Void, Pr2D_LineWidth) \
  X(0, Void, Pr2D_Pixel) \
  X(0, Void, Pr2D_Line) \
  X(0, Void, Pr2D_TLine) \
  X(0, Void, Pr2D_Rect) \
  X(0, Void, Pr2D_TRect) \
  X(0, Void, Pr2D_Triangle) \
  X(0, Void, Pr2D_TTriangle) \
  X(0, Void, Pr2D_Circle) \
  X(0, Void, Pr2D_TCircle) \
  X(0, Void, Pr2D_Ellipse) \
  X(0, Void, Pr2D_Polygon) \
  X(0, Void, Pr2D_PolygonCA) \
  X(1, Void, SSprite_Draw, (Handle, texture), (Float, x), (Float, y), (Float, w), (Float, h), (Int, alpha), (Float, angle), (Int, flags)) \
  X(1, Void, ASprite_Draw, (Handle, texture), (Float, x), (Float, y), (Float, w), (Float, h), (Int, frame), (Int, alpha), (Float, angle), (Int, flags)) \
  X(0, Void, CSprite_Draw) \
  X(0, Void, STile_Draw) \
  X(0, Void, ATile_Draw) \
  X(0, Void, Scissor_Begin) \
  X(0, Void, Scissor_End) \
  X(0, Void, Snd_Init) \
  X(0, Void, Snd_Active) \
  X(0, Void, Snd_LoadFromFile) \
  X(0, Void, Snd_LoadFromMemory) \
  X(0, Void, Snd_Free) \
  X(0, Void, Snd_FreeAll) \
  X(0, Void, Snd_SetBuffersCount) \
  X(0, Void, Snd_Play) \
  X(0, Void, Snd_PlayID) \
  X(0, Void, Snd_Stop) \
  X(0, Void, Snd_StopID) \
  X(0, Void, Snd_StopAll) \
  X(0, Void, Snd_ChangeParam) \
  X(0, Void, Media_Play) \
  X(0, Void, Media_Replay) \
  X(0, Void, Media_Pause) \
  X(0, Void, Media_Resume) \
  X(0, Void, Media_Stop) \
  X(0, Void, Media_SetVolume) \
  X(0, Void, Media_GetLength) \
  X(0, Void, Media_SetPosition) \
  X(0, Void, Media_GetPosition) \
  X(0, Void, Media_SetWindowRect) \
  X(0, Void, Col_PointInAABB) \
  X(0, Void, Col_PointInCircle) \
  X(0, Void, Col_PointInPolyLine) \
  X(0, Void, Col_Line) \
  X(0, Void, Col_LineVsAABB) \
  X(0, Void, Col_LineVsCircle) \
  X(0, Void, Col_LineVsCircleXY) \
  X(0, Void, Col_LineVsPolyLine) \
  X(0, Void, Col_PolyLine) \
  X(0, Void, Col_PolyLineVsAABB) \
  X(0, Void, Col_PolyLineVsCircle) \
  X(0, Void, Col_PolyLineVsCircleXY) \
  X(0, Void, Col_AABB) \
  X(0, Void, Col_AABBInAABB) \
  X(0, Void, Col_AABBInCircle) \
  X(0, Void, Col_AABBVsCircle) \
  X(0, Void, Col_Circle) \
  X(0, Void, Col_CircleInCircle) \
  X(0, Void, Col_CircleInAABB) \
  X(0, Void, ColEx_LastX) \
  X(0, Void, ColEx_LastY) \
  X(0, Void, ColEx_LastLineA) \
  X(0, Void, ColEx_LastLineB) \
  X(0, Void, ColEx_PolyRotate) \
  X(0, Void, ColEx_PolyScale) \
  X(0, Void, ColEx_PolyMove) \
  X(0, Void, ColEx_PolyCenter) \
  X(0, Void, ColEx_PolyRect) \
  X(0, Void, ColEx_CalcLineCross) \
  X(0, Void, M_Cos) \
  X(0, Void, M_Sin) \
  X(0, Void, M_CosF) \
  X(0, Void, M_SinF) \
  X(0, Void, M_Round) \
  X(0, Void, M_Trunc) \
  X(0, Void, M_Distance) \
  X(0, Void, M_FindAngle) \
  X(0, Void, Mem_Get) \
  X(0, Void, Mem_Realloc) \
  X(0, Void, Mem_Free) \
  X(0, Void, U_GetCPUName) \
  X(0, Void, U_GetTotalRAM) \
  X(0, Void, U_Is3DAccelerator) \
  X(0, Void, U_GetMaxTexSize) \
  X(0, Void, U_GetMaxAnisotropy) \
  X(0, Void, U_SnapShot) \
  X(1, Text, U_IntToStr, (Int, value)) \
  X(0, Void, U_StrToInt) \
  X(0, Void, U_FloatToStr) \
  X(0, Void, U_GetTime) \
  X(0, Void, P_GetParams)
