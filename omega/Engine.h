// The engine's state and its operations without the trace: pictures, fonts, drawing, input latching
// and the two loops (window and headless script). The exported C operations (Exports.cpp) call these
// and write the trace; tests call both.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/OMEGA_list.h"
#include "omega/Font.h"
#include "omega/Raster.h"

namespace omega {

constexpr int kScreenW = 1024;
constexpr int kScreenH = 768;
constexpr int kTickMs = 12;      // the period when the game creates no timer
constexpr int kFrameCapFps = 60;  // when the renderer cannot wait for the display
constexpr int kMaskFlag = 0x100;  // part of the game's 330: cut the picture by the current mask
constexpr int kTintFlag = 0x8;    // part of the game's 9: multiply by the mix colour
constexpr int kButtonLeft = 1, kButtonRight = 2, kButtonMiddle = 3;

struct Texture {
  int Seq = 0;        // load order number, as the trace shows it
  uint64_t Id = 0;    // never reused: the key of its cached scaled copies
  Image Picture;
  int FrameW = 0, FrameH = 0;  // 0: not cut into frames
};

struct Font {
  FontTable Table;  // first: the handle points at Table.LineHeight
  int Seq = 0;
  uint64_t Id = 0;
  Image Picture;
};

struct Timer {
  OEProc Proc = nullptr;
  int32_t Interval = kTickMs;
  bool Active = true;
};

struct Engine {
  OEProc DrawProc = nullptr, LoadProc = nullptr, QuitProc = nullptr;
  std::vector<Timer> Timers;
  bool PositionAsked = false;
  int32_t WndX = 0, WndY = 0;

  std::unordered_map<OEHandle, std::unique_ptr<Texture>> Textures;
  std::unordered_map<OEHandle, std::unique_ptr<Font>> Fonts;
  int LoadCount = 0;
  uint64_t NextId = 1;
  bool HasMask = false;
  int MaskW = 0, MaskH = 0;
  std::vector<uint8_t> Mask;  // brightness 0..255
  uint32_t MixColour = kNoTint;

  Image Frame;

  int32_t MouseX = 0, MouseY = 0;
  // Presses latched as they arrive (Pending) and handed to the next tick (Active): keys 0..255, then
  // the mouse buttons.
  static constexpr int kInputs = 256 + 4;
  bool Pending[kInputs] = {};
  bool Active[kInputs] = {};
  int Held[256] = {};
  bool ScriptHeld[256] = {};

  int64_t Tick = 0;
  bool InLoop = false;
  bool QuitAsked = false;
  std::vector<int64_t> FrameTimes;  // ms of the frames of the last second
  std::string Error;                // the last engine error, also printed on standard error
};

// The engine's one instance.
Engine& E();
// Frees everything and starts afresh (tests run many engines in one process).
void ResetEngine();

// ---- pictures ----
OEHandle LoadTexture(const char* file, int32_t flags);
bool LoadMask(const char* file);
void SetFramesSize(OEHandle texture, int32_t w, int32_t h);
// The part of a texture that frame n shows (n as the game passes it: 0 or less is 1, past the end wraps).
Rect FrameRect(const Texture& texture, int32_t frame);
void DrawSprite(OEHandle texture, float x, float y, float w, float h, int32_t alpha, int32_t flags);
void DrawAnimated(OEHandle texture, float x, float y, float w, float h, int32_t frame, int32_t alpha,
                  int32_t flags);
// On by default (OMEGA_PREFETCH=0 turns it off): the first picture load starts decoding every picture
// of the game's Data folder ahead on a few threads, and loads take their picture from there.
void SetPrefetching(bool on);
// Decodes a picture file into a straight-alpha 0xAARRGGBB image; false when it is not a picture.
bool DecodePicture(const std::string& nativePath, Image& out);
// The one rounding of destination rectangles (halves to even); false for NaN / infinite values.
bool RoundCoord(double value, int64_t& out);

// ---- frames ----
// A frame's drawing calls between BeginFrame and EndFrame are recorded and drawn at its end, from the
// kept result of the leading calls it shares with the frame before. Outside a frame every call draws at
// once. EndFrame tells whether the frame may differ from the last one (false: the same calls, so the
// same pixels).
void BeginFrame();
bool EndFrame();
// On by default; OMEGA_PLAIN=1 or SetAcceleration(false) draws every call at once with plain blending,
// the reference the accelerated frames must match pixel for pixel.
void SetAcceleration(bool on);
bool Accelerated();

// ---- text ----
OEHandle LoadFont(const char* picture, const char* info);
const Font* FindFont(OEHandle font);
void DrawText(OEHandle font, float x, float y, const char* text, float scale, float spacing, int32_t alpha,
              uint32_t colour);
float MeasureText(OEHandle font, const char* text, float scale, float spacing);

// ---- the scaled-picture cache ----
size_t CachedPixels();
size_t CachedEntries();

// ---- input ----
void PressInput(int index);  // a key code 0..255 or 256 + mouse button
void KeyDownEvent(int vk);   // physical: counts a holder
void KeyUpEvent(int vk);
void BeginTick();
void EndTick();
bool KeyPressed(int32_t code);
bool KeyHeld(int32_t code);
bool MousePressed(int32_t button);

// ---- loops ----
void RunEngine();
void RequestQuit();
int32_t CurrentFps();
// Writes the current frame as a PNG; false (and a message on standard error) when it cannot.
bool SaveFramePng(const std::string& file);

}  // namespace omega
