// The one list of the engine's operations: (used by the game, return type, name, parameters).
// Everything that has to agree on them (the function-pointer globals, the by-name lookup, the check
// for missing operations, the engine's own exports) is generated from this table.
//
// The game calls 22 of them (first column 1); the others are bound like the real engine's table
// and never called, so they carry no parameter list of their own.
#pragma once
#include <cstdint>

using OEHandle = std::uintptr_t;   // texture / font handle; 0 is a failed load
using OEProc = void (*)();         // a game callback

// What an engine loaded for a run without a window (a scripted run drawn off screen) leaves for the
// program's platform layer to find, so that nothing of the run opens on a desktop: an SDL hint where
// the program and the engine share SDL, a process atom where they do not.
constexpr const char* kOmegaNoWindowMark = "OMEGA_NO_WINDOW";

#define OMEGA_OPERATIONS(X) \
  X(1, void, OE_Init, (int32_t mode, int32_t flags)) \
  X(0, void, OE_Init2, ()) \
  X(1, void, OE_Quit, ()) \
  X(1, void, OE_RegProcedure, (int32_t kind, OEProc proc)) \
  X(0, void, OE_UnRegProcedure, ()) \
  X(0, void, OE_Enable, ()) \
  X(0, void, OE_Disable, ()) \
  X(0, void, OE_SetWndOnTop, ()) \
  X(1, void, OE_SetWndPosition, (int32_t x, int32_t y)) \
  X(0, void, OE_SetWndName, ()) \
  X(0, void, OE_ResizeWindow, ()) \
  X(0, void, OE_ShowCursor, ()) \
  X(1, void, OE_SetScreenOptions, (int32_t width, int32_t height, int32_t bpp, int32_t a, int32_t b, int32_t c)) \
  X(0, void, OE_ChangeScreenOptions, ()) \
  X(0, void, OE_SetResolutionDependence, ()) \
  X(0, void, OE_SetVSync, ()) \
  X(0, void, OE_GetOptions, ()) \
  X(0, void, OE_SetAdvancedOptions, ()) \
  X(1, int32_t, OE_GetFPS, ()) \
  X(1, int32_t, Timer_Create, (OEProc proc, int32_t interval, int32_t active)) \
  X(0, void, Timer_Free, ()) \
  X(0, void, Timer_FreeAll, ()) \
  X(0, void, INI_LoadFromFile, ()) \
  X(0, void, INI_LoadFromMemory, ()) \
  X(0, void, INI_SaveToFile, ()) \
  X(0, void, INI_Add, ()) \
  X(0, void, INI_ReadKeyStr, ()) \
  X(0, void, INI_ReadKeyInt, ()) \
  X(0, void, INI_WriteKeyStr, ()) \
  X(0, void, INI_WriteKeyInt, ()) \
  X(0, void, LOG_SetOptions, ()) \
  X(0, void, LOG_Init, ()) \
  X(0, void, LOG_AddMessage, ()) \
  X(0, void, LOG_AddLine, ()) \
  X(0, void, Key_LoadLayout, ()) \
  X(1, bool, Key_Down, (int32_t code)) \
  X(1, bool, Key_Press, (int32_t code)) \
  X(0, void, Key_LastDown, ()) \
  X(0, void, Key_LastPress, ()) \
  X(0, void, Key_BeginReadText, ()) \
  X(0, void, Key_EndReadText, ()) \
  X(0, void, Key_MaxReadText, ()) \
  X(0, void, KeyEx_Down, ()) \
  X(0, void, MouseEx_X, ()) \
  X(0, void, MouseEx_Y, ()) \
  X(0, void, MouseEx_Down, ()) \
  X(1, int32_t, Mouse_X, ()) \
  X(1, int32_t, Mouse_Y, ()) \
  X(0, void, Mouse_Move, ()) \
  X(0, void, Mouse_Lock, ()) \
  X(0, void, Mouse_DeltaX, ()) \
  X(0, void, Mouse_DeltaY, ()) \
  X(0, void, Mouse_Down, ()) \
  X(1, bool, Mouse_Press, (int32_t button)) \
  X(0, void, Mouse_Click, ()) \
  X(0, void, Mouse_DblClick, ()) \
  X(0, void, Mouse_WheelUp, ()) \
  X(0, void, Mouse_WheelDown, ()) \
  X(0, void, Joy_Down, ()) \
  X(0, void, Joy_Press, ()) \
  X(0, void, Joy_AxePos, ()) \
  X(0, void, Tex_Filter, ()) \
  X(0, void, Tex_SetAnisotropyLevel, ()) \
  X(0, void, Tex_CreateZero, ()) \
  X(1, OEHandle, Tex_LoadFromFile, (const char* file, int32_t transparent, int32_t flags)) \
  X(0, void, Tex_LoadFromMemory, ()) \
  X(0, void, Tex_Free, ()) \
  X(0, void, Tex_FreeAll, ()) \
  X(1, OEHandle, Tex_LoadMaskFromFile, (const char* file)) \
  X(0, void, Tex_LoadMaskFromMemory, ()) \
  X(0, void, Tex_FreeMask, ()) \
  X(1, void, Tex_SetFramesSize, (OEHandle texture, int32_t width, int32_t height)) \
  X(0, void, Tex_BeginRenderIn, ()) \
  X(0, void, Tex_EndRenderIn, ()) \
  X(0, void, Tex_PostProcess, ()) \
  X(0, void, Cam2D_Create, ()) \
  X(0, void, Cam2D_Free, ()) \
  X(0, void, Cam2D_FreeAll, ()) \
  X(0, void, Cam2D_Set, ()) \
  X(1, void, FX_SetColorMix, (uint32_t colour)) \
  X(0, void, FX_SetBlendMode, ()) \
  X(0, void, FX_SetScale, ()) \
  X(0, void, FX_SetVertexes, ()) \
  X(0, void, FX_SetVCA, ()) \
  X(0, void, FX_Blur_SetTex, ()) \
  X(0, void, FX_Blur_SetParams, ()) \
  X(0, void, FX_Blur_Calc, ()) \
  X(0, void, FX_Blur_Draw, ()) \
  X(0, void, FX_RadBlur_SetTex, ()) \
  X(0, void, FX_RadBlur_SetParams, ()) \
  X(0, void, FX_RadBlur_Calc, ()) \
  X(0, void, FX_RadBlur_Draw, ()) \
  X(1, OEHandle, Text_LoadFontFromFile, (const char* picture, const char* info, int32_t a, int32_t flags)) \
  X(0, void, Text_LoadFontFromMemory, ()) \
  X(0, void, Text_FreeFont, ()) \
  X(0, void, Text_FreeFontAll, ()) \
  X(1, void, Text_Draw, (OEHandle font, float x, float y, const char* text, float scale, float spacing, int32_t alpha, uint32_t colour)) \
  X(1, float, Text_GetWidth, (OEHandle font, const char* text, float scale, float spacing)) \
  X(0, void, Console_Active, ()) \
  X(0, void, Console_SetOptions, ()) \
  X(0, void, Console_ToLog, ()) \
  X(0, void, Console_Draw, ()) \
  X(0, void, Console_RegCommand, ()) \
  X(0, void, Console_RegVariable, ()) \
  X(0, void, Console_RegProcedure, ()) \
  X(0, void, Console_AddString, ()) \
  X(0, void, Pr2D_PixelSize, ()) \
  X(0, void, Pr2D_LineWidth, ()) \
  X(0, void, Pr2D_Pixel, ()) \
  X(0, void, Pr2D_Line, ()) \
  X(0, void, Pr2D_TLine, ()) \
  X(0, void, Pr2D_Rect, ()) \
  X(0, void, Pr2D_TRect, ()) \
  X(0, void, Pr2D_Triangle, ()) \
  X(0, void, Pr2D_TTriangle, ()) \
  X(0, void, Pr2D_Circle, ()) \
  X(0, void, Pr2D_TCircle, ()) \
  X(0, void, Pr2D_Ellipse, ()) \
  X(0, void, Pr2D_Polygon, ()) \
  X(0, void, Pr2D_PolygonCA, ()) \
  X(1, void, SSprite_Draw, (OEHandle texture, float x, float y, float w, float h, int32_t alpha, float angle, int32_t flags)) \
  X(1, void, ASprite_Draw, (OEHandle texture, float x, float y, float w, float h, int32_t frame, int32_t alpha, float angle, int32_t flags)) \
  X(0, void, CSprite_Draw, ()) \
  X(0, void, STile_Draw, ()) \
  X(0, void, ATile_Draw, ()) \
  X(0, void, Scissor_Begin, ()) \
  X(0, void, Scissor_End, ()) \
  X(0, void, Snd_Init, ()) \
  X(0, void, Snd_Active, ()) \
  X(0, void, Snd_LoadFromFile, ()) \
  X(0, void, Snd_LoadFromMemory, ()) \
  X(0, void, Snd_Free, ()) \
  X(0, void, Snd_FreeAll, ()) \
  X(0, void, Snd_SetBuffersCount, ()) \
  X(0, void, Snd_Play, ()) \
  X(0, void, Snd_PlayID, ()) \
  X(0, void, Snd_Stop, ()) \
  X(0, void, Snd_StopID, ()) \
  X(0, void, Snd_StopAll, ()) \
  X(0, void, Snd_ChangeParam, ()) \
  X(0, void, Media_Play, ()) \
  X(0, void, Media_Replay, ()) \
  X(0, void, Media_Pause, ()) \
  X(0, void, Media_Resume, ()) \
  X(0, void, Media_Stop, ()) \
  X(0, void, Media_SetVolume, ()) \
  X(0, void, Media_GetLength, ()) \
  X(0, void, Media_SetPosition, ()) \
  X(0, void, Media_GetPosition, ()) \
  X(0, void, Media_SetWindowRect, ()) \
  X(0, void, Col_PointInAABB, ()) \
  X(0, void, Col_PointInCircle, ()) \
  X(0, void, Col_PointInPolyLine, ()) \
  X(0, void, Col_Line, ()) \
  X(0, void, Col_LineVsAABB, ()) \
  X(0, void, Col_LineVsCircle, ()) \
  X(0, void, Col_LineVsCircleXY, ()) \
  X(0, void, Col_LineVsPolyLine, ()) \
  X(0, void, Col_PolyLine, ()) \
  X(0, void, Col_PolyLineVsAABB, ()) \
  X(0, void, Col_PolyLineVsCircle, ()) \
  X(0, void, Col_PolyLineVsCircleXY, ()) \
  X(0, void, Col_AABB, ()) \
  X(0, void, Col_AABBInAABB, ()) \
  X(0, void, Col_AABBInCircle, ()) \
  X(0, void, Col_AABBVsCircle, ()) \
  X(0, void, Col_Circle, ()) \
  X(0, void, Col_CircleInCircle, ()) \
  X(0, void, Col_CircleInAABB, ()) \
  X(0, void, ColEx_LastX, ()) \
  X(0, void, ColEx_LastY, ()) \
  X(0, void, ColEx_LastLineA, ()) \
  X(0, void, ColEx_LastLineB, ()) \
  X(0, void, ColEx_PolyRotate, ()) \
  X(0, void, ColEx_PolyScale, ()) \
  X(0, void, ColEx_PolyMove, ()) \
  X(0, void, ColEx_PolyCenter, ()) \
  X(0, void, ColEx_PolyRect, ()) \
  X(0, void, ColEx_CalcLineCross, ()) \
  X(0, void, M_Cos, ()) \
  X(0, void, M_Sin, ()) \
  X(0, void, M_CosF, ()) \
  X(0, void, M_SinF, ()) \
  X(0, void, M_Round, ()) \
  X(0, void, M_Trunc, ()) \
  X(0, void, M_Distance, ()) \
  X(0, void, M_FindAngle, ()) \
  X(0, void, Mem_Get, ()) \
  X(0, void, Mem_Realloc, ()) \
  X(0, void, Mem_Free, ()) \
  X(0, void, U_GetCPUName, ()) \
  X(0, void, U_GetTotalRAM, ()) \
  X(0, void, U_Is3DAccelerator, ()) \
  X(0, void, U_GetMaxTexSize, ()) \
  X(0, void, U_GetMaxAnisotropy, ()) \
  X(0, void, U_SnapShot, ()) \
  X(1, const char*, U_IntToStr, (int32_t value)) \
  X(0, void, U_StrToInt, ()) \
  X(0, void, U_FloatToStr, ()) \
  X(0, void, U_GetTime, ()) \
  X(0, void, P_GetParams, ())
