// The real game's frames, recorded while it plays (menu fading in, then the village with its walking,
// tinted units), drawn again in this process three ways side by side: the plain drawing (whole-row
// copies scaled and tinted ahead, every call drawn at once), and the accelerated one (pictures as runs,
// tint and fade inside the blend, the kept layer) on one thread and in two bands. Every frame must be
// the same pixels all three ways.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include "bench/replay/TraceReplay.h"
#include "omega/Bands.h"
#include "tests/omega/support/EngineFixture.h"
#include "tests/omega/support/Spawn.h"

namespace {

struct Way {
  const char* Name;
  bool Accelerated;
  int Threads;
  omega::FrameRecorder Recorder;
};

// The first pixel where `got` differs from `expected`, or -1.
long FirstDifference(const std::vector<omega::Pixel>& expected, const std::vector<omega::Pixel>& got) {
  if (expected.size() != got.size()) return 0;
  for (size_t i = 0; i < expected.size(); ++i)
    if (expected[i] != got[i]) return static_cast<long>(i);
  return -1;
}

class RecordedFrames : public EngineTest {
 protected:
  // Plays the game's test build (a fixed seed) headless and keeps its trace: the menu from tick 1 on,
  // "Новая игра" at tick 130, the pointer moving over the map until the quit.
  static void SetUpTestSuite() {
    folder_ = omega_test::TempFolder();
    for (const char* link : {"Data", "DX"})
      ASSERT_EQ(symlink((std::string(GAME_DIR) + "/" + link).c_str(), (folder_ + "/" + link).c_str()), 0) << link;
    std::string script = "1 key 27\n100 move 512 165\n130 click\n";
    for (int t = 147; t < kLastTick; t += 17)
      script += std::to_string(t) + " move " + std::to_string(t * 37 % 1024) + " " + std::to_string(t * 53 % 768) + "\n";
    script += std::to_string(kLastTick) + " quit\n";
    omega_test::WriteFile(folder_ + "/s.txt", script);
    const auto r = omega_test::Run(folder_, {SEEDED_GAME}, {{"OMEGA_SCRIPT", "s.txt"}, {"OMEGA_TRACE", "t.txt"}}, 120);
    ASSERT_EQ(r.Status, 0) << r.Stderr;
    ASSERT_TRUE(replay::ReadTrace(folder_ + "/t.txt", trace_)) << "no trace in " << folder_;
  }

  void SetUp() override {
    EngineTest::SetUp();
    ASSERT_EQ(chdir(folder_.c_str()), 0);
  }

  // Draws `frames` all three ways, frame by frame, each way with its own recorder (its kept layer and
  // cache carry over from its frame before), and compares each frame with the plain one.
  void ExpectTheSamePixels(const std::vector<const replay::Frame*>& frames) {
    replay::EngineReplay replay;
    replay.Load(trace_);
    std::vector<Way> ways;
    ways.push_back(Way{"plain", false, 1, {}});
    ways.push_back(Way{"runs, one thread", true, 1, {}});
    ways.push_back(Way{"runs, two bands", true, 2, {}});
    for (Way& way : ways) way.Recorder.SetAcceleration(way.Accelerated);
    const int threads = omega::DrawThreads();
    size_t compared = 0;
    for (const replay::Frame* frame : frames) {
      // The mix colour carries over from frame to frame: each way starts the frame with the same one.
      const uint32_t mix = omega::E().Pictures.MixColour;
      for (Way& way : ways) {
        omega::E().Pictures.MixColour = mix;
        omega::SetDrawThreads(way.Threads);
        std::swap(omega::E().Recorder, way.Recorder);
        replay.Draw(*frame);
        std::swap(omega::E().Recorder, way.Recorder);
      }
      for (size_t w = 1; w < ways.size(); ++w) {
        const long at = FirstDifference(ways[0].Recorder.Frame.Px, ways[w].Recorder.Frame.Px);
        if (at < 0) continue;
        const size_t i = static_cast<size_t>(at);
        ADD_FAILURE() << ways[w].Name << ", tick " << frame->Tick << " (" << frame->Calls.size() << " calls), pixel ("
                      << i % omega::kScreenW << ", " << i / omega::kScreenW << "): expected "
                      << Hex(ways[0].Recorder.Frame.Px[i]) << " (plain), got " << Hex(ways[w].Recorder.Frame.Px[i]);
        omega::SetDrawThreads(threads);
        return;
      }
      ++compared;
    }
    omega::SetDrawThreads(threads);
    EXPECT_EQ(compared, frames.size());
  }

  static constexpr int kLastTick = 300;
  static std::string folder_;
  static replay::Trace trace_;
};

std::string RecordedFrames::folder_;
replay::Trace RecordedFrames::trace_;

// Which frames: consecutive ones, so that the kept layer is used, made anew and dropped as the game goes.
std::vector<const replay::Frame*> Between(const replay::Trace& trace, int64_t from, int64_t to) {
  std::vector<const replay::Frame*> out;
  for (const replay::Frame& f : trace.Frames)
    if (f.Tick >= from && f.Tick < to) out.push_back(&f);
  return out;
}

TEST_F(RecordedFrames, TheMenuFadingInIsTheSameAllThreeWays) {
  const auto frames = Between(trace_, 1, 125);
  ASSERT_GE(frames.size(), 20u) << "the menu's frames were not recorded";
  ExpectTheSamePixels(frames);
}

TEST_F(RecordedFrames, TheVillageWithItsWalkingTintedUnitsIsTheSameAllThreeWays) {
  // From the click on: the scene changes, the map fades in, units leave their huts and walk.
  const auto frames = Between(trace_, 128, kLastTick);
  ASSERT_GE(frames.size(), 100u) << "the game's frames were not recorded";
  size_t tinted = 0;
  for (const replay::Frame* f : frames)
    for (const replay::Call& c : f->Calls) tinted += c.Kind == replay::Op::ColourMix && c.Colour != 0xFFFFFF;
  ASSERT_GT(tinted, 0u) << "no unit drawn tinted: the frames test nothing of tinting while blending";
  ExpectTheSamePixels(frames);
}

}  // namespace
