// A recorded trace (OMEGA_TRACE) read back as frames of drawing calls, and replayed through the
// engine in this process.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace replay {

enum class Op { LoadTexture, LoadMask, FramesSize, ColourMix, LoadFont, Sprite, Animated, Text };

struct Call {
  Op Kind = Op::Sprite;
  int Handle = 0;           // the trace's number of the picture or font (its result for loads)
  std::string File, Info;   // loads: game paths; Text: the text in Windows-1251
  float X = 0, Y = 0, W = 0, H = 0, Scale = 0, Spacing = 0;
  int32_t Frame = 0, Alpha = 0, Flags = 0;
  uint32_t Colour = 0;      // ColourMix, Text
  int32_t A = 0, B = 0;     // FramesSize: w, h; LoadTexture: flags
};

struct Frame {
  int64_t Tick = 0;
  std::vector<Call> Calls;
};

struct Trace {
  std::vector<Call> Loads;    // tick 0: pictures, masks, fonts, frame sizes
  std::vector<Frame> Frames;  // one per later tick that drew something
};

// Reads the calls the replay needs; false when the file cannot be read.
bool ReadTrace(const std::string& file, Trace& out);

// The trace's handles bound to the engine's: load every picture and font (working directory = the
// game folder), then replay frames.
struct EngineReplay {
  std::vector<uintptr_t> Handles;  // trace number -> engine handle
  void Load(const Trace& trace);
  void Draw(const Frame& frame);   // one whole frame: begin, calls, end
  void Apply(const Call& call);
};

}  // namespace replay
