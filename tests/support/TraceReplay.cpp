#include "tests/support/TraceReplay.h"

#include <cstdlib>

#include "base/Cp1251.h"
#include "omega/Engine.h"
#include "omega/Exports.h"
#include "tests/support/TraceReader.h"

namespace replay {

namespace {

Call Make(Op kind, int handle) {
  Call c;
  c.Kind = kind;
  c.Handle = handle;
  return c;
}

uint32_t Unsigned(const std::string& field) { return static_cast<uint32_t>(std::strtoul(field.c_str(), nullptr, 10)); }

}  // namespace

bool ReadTrace(const std::string& file, Trace& out) {
  return trace_reader::ForEachCall(file, [&out](const trace_reader::Call& t) {
    const std::string& op = t.Name;
    const size_t n = t.Args.size();
    Call c;
    if (op == "Tex_LoadFromFile" && n == 3) {
      c = Make(Op::LoadTexture, t.ResultInt());
      c.File = t.Args[0];
      c.A = t.Int(2);
    } else if (op == "Tex_LoadMaskFromFile" && n == 1) {
      c = Make(Op::LoadMask, 0);
      c.File = t.Args[0];
    } else if (op == "Tex_SetFramesSize" && n == 3) {
      c = Make(Op::FramesSize, t.Int(0));
      c.A = t.Int(1);
      c.B = t.Int(2);
    } else if (op == "FX_SetColorMix" && n == 1) {
      c = Make(Op::ColourMix, 0);
      c.Colour = Unsigned(t.Args[0]);
    } else if (op == "Text_LoadFontFromFile" && n == 4) {
      c = Make(Op::LoadFont, t.ResultInt());
      c.File = t.Args[0];
      c.Info = t.Args[1];
    } else if (op == "SSprite_Draw" && n == 8) {
      c = Make(Op::Sprite, t.Int(0));
      c.X = t.Float(1), c.Y = t.Float(2), c.W = t.Float(3), c.H = t.Float(4), c.Alpha = t.Int(5), c.Flags = t.Int(7);
    } else if (op == "ASprite_Draw" && n == 9) {
      c = Make(Op::Animated, t.Int(0));
      c.X = t.Float(1), c.Y = t.Float(2), c.W = t.Float(3), c.H = t.Float(4), c.Frame = t.Int(5), c.Alpha = t.Int(6);
      c.Flags = t.Int(8);
    } else if (op == "Text_Draw" && n == 8) {
      c = Make(Op::Text, t.Int(0));
      c.Info = Utf8ToCp1251(t.Args[3]);
      c.X = t.Float(1), c.Y = t.Float(2), c.Scale = t.Float(4), c.Spacing = t.Float(5), c.Alpha = t.Int(6);
      c.Colour = Unsigned(t.Args[7]);
    } else {
      return;
    }
    if (t.Tick == 0) {
      out.Loads.push_back(c);
      return;
    }
    if (out.Frames.empty() || out.Frames.back().Tick != t.Tick) out.Frames.push_back(Frame{t.Tick, {}});
    out.Frames.back().Calls.push_back(c);
  });
}

void EngineReplay::Apply(const Call& c) {
  auto handle = [&](int n) -> OEHandle {
    return n > 0 && static_cast<size_t>(n) < Handles.size() ? Handles[static_cast<size_t>(n)] : 0;
  };
  auto bind = [&](int n, OEHandle h) {
    if (n <= 0) return;
    if (Handles.size() <= static_cast<size_t>(n)) Handles.resize(static_cast<size_t>(n) + 1, 0);
    Handles[static_cast<size_t>(n)] = h;
  };
  switch (c.Kind) {
    case Op::LoadTexture: bind(c.Handle, Tex_LoadFromFile(c.File.c_str(), -1, c.A)); break;
    case Op::LoadMask: Tex_LoadMaskFromFile(c.File.c_str()); break;
    case Op::FramesSize: Tex_SetFramesSize(handle(c.Handle), c.A, c.B); break;
    case Op::ColourMix: FX_SetColorMix(c.Colour); break;
    case Op::LoadFont: bind(c.Handle, Text_LoadFontFromFile(c.File.c_str(), c.Info.c_str(), 0, 394)); break;
    case Op::Sprite: SSprite_Draw(handle(c.Handle), c.X, c.Y, c.W, c.H, c.Alpha, 0, c.Flags); break;
    case Op::Animated: ASprite_Draw(handle(c.Handle), c.X, c.Y, c.W, c.H, c.Frame, c.Alpha, 0, c.Flags); break;
    case Op::Text:
      Text_Draw(handle(c.Handle), c.X, c.Y, c.Info.c_str(), c.Scale, c.Spacing, c.Alpha, c.Colour);
      break;
  }
}

void EngineReplay::Load(const Trace& trace) {
  for (const Call& c : trace.Loads) Apply(c);
}

void EngineReplay::Draw(const Frame& frame) {
  omega::E().Recorder.Begin();
  for (const Call& c : frame.Calls) Apply(c);
  omega::E().Recorder.End(&omega::E().Bands);
}

}  // namespace replay
