#include "bench/replay/TraceReplay.h"

#include <fstream>
#include <sstream>

#include "omega/Engine.h"
#include "omega/Exports.h"
#include "platform/Cp1251.h"

namespace replay {

namespace {

// The words of a trace line: quoted texts unescaped, a leading '=' kept.
std::vector<std::string> Words(const std::string& line) {
  std::vector<std::string> out;
  size_t i = 0;
  while (i < line.size()) {
    if (line[i] == ' ') {
      ++i;
      continue;
    }
    std::string word;
    if (line[i] == '"') {
      for (++i; i < line.size() && line[i] != '"'; ++i) {
        if (line[i] == '\\' && i + 1 < line.size()) ++i;
        word += line[i];
      }
      ++i;
    } else {
      while (i < line.size() && line[i] != ' ') word += line[i++];
    }
    out.push_back(word);
  }
  return out;
}

int Result(const std::string& word) { return word.size() > 1 && word[0] == '=' ? std::atoi(word.c_str() + 1) : 0; }

Call Make(Op kind, int handle) {
  Call c;
  c.Kind = kind;
  c.Handle = handle;
  return c;
}

}  // namespace

bool ReadTrace(const std::string& file, Trace& out) {
  std::ifstream in(file);
  if (!in) return false;
  std::string line;
  while (std::getline(in, line)) {
    const std::vector<std::string> w = Words(line);
    if (w.size() < 2) continue;
    const int64_t tick = std::atoll(w[0].c_str());
    const std::string& op = w[1];
    Call c;
    auto f = [&](size_t i) { return std::strtof(w[i].c_str(), nullptr); };
    auto n = [&](size_t i) { return static_cast<int32_t>(std::atoll(w[i].c_str())); };
    if (op == "Tex_LoadFromFile" && w.size() == 6) {
      c = Make(Op::LoadTexture, Result(w[5]));
      c.File = w[2];
      c.A = n(4);
    } else if (op == "Tex_LoadMaskFromFile" && w.size() == 4) {
      c = Make(Op::LoadMask, 0);
      c.File = w[2];
    } else if (op == "Tex_SetFramesSize" && w.size() == 5) {
      c = Make(Op::FramesSize, n(2));
      c.A = n(3);
      c.B = n(4);
    } else if (op == "FX_SetColorMix" && w.size() == 3) {
      c = Make(Op::ColourMix, 0);
      c.Colour = static_cast<uint32_t>(std::stoul(w[2]));
    } else if (op == "Text_LoadFontFromFile" && w.size() == 7) {
      c = Make(Op::LoadFont, Result(w[6]));
      c.File = w[2];
      c.Info = w[3];
    } else if (op == "SSprite_Draw" && w.size() == 10) {
      c = Make(Op::Sprite, n(2));
      c.X = f(3), c.Y = f(4), c.W = f(5), c.H = f(6), c.Alpha = n(7), c.Flags = n(9);
    } else if (op == "ASprite_Draw" && w.size() == 11) {
      c = Make(Op::Animated, n(2));
      c.X = f(3), c.Y = f(4), c.W = f(5), c.H = f(6), c.Frame = n(7), c.Alpha = n(8), c.Flags = n(10);
    } else if (op == "Text_Draw" && w.size() == 10) {
      c = Make(Op::Text, n(2));
      c.Info = Utf8ToCp1251(w[5]);
      c.X = f(3), c.Y = f(4), c.Scale = f(6), c.Spacing = f(7), c.Alpha = n(8);
      c.Colour = static_cast<uint32_t>(std::stoul(w[9]));
    } else {
      continue;
    }
    if (tick == 0) {
      out.Loads.push_back(c);
      continue;
    }
    if (out.Frames.empty() || out.Frames.back().Tick != tick) out.Frames.push_back(Frame{tick, {}});
    out.Frames.back().Calls.push_back(c);
  }
  return true;
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
  omega::E().Recorder.End();
}

}  // namespace replay
