// The engine's settings: read from the environment once, at the engine's start, into Engine::Settings,
// and every part set from them.
#include <SDL.h>

#include <cstdlib>
#include <map>
#include <string>

#include "base/NoWindowMark.h"
#include "omega/Options.h"
#include "tests/omega/support/EngineFixture.h"

namespace {

std::map<std::string, std::string> gEnvironment;

omega::Options From(const std::map<std::string, std::string>& environment) {
  gEnvironment = environment;
  return omega::OptionsFrom([](const char* name) -> const char* {
    const auto found = gEnvironment.find(name);
    return found == gEnvironment.end() ? nullptr : found->second.c_str();
  });
}

// Sets variables for a test and puts the old values back after it.
class Environment {
 public:
  void Set(const char* name, const char* value) {
    Keep(name);
    if (value != nullptr)
      setenv(name, value, 1);
    else
      unsetenv(name);
  }
  ~Environment() {
    for (const auto& [name, old] : old_)
      if (old.first)
        setenv(name.c_str(), old.second.c_str(), 1);
      else
        unsetenv(name.c_str());
  }

 private:
  void Keep(const char* name) {
    if (old_.count(name) != 0) return;
    const char* value = std::getenv(name);
    old_[name] = {value != nullptr, value != nullptr ? value : ""};
  }
  std::map<std::string, std::pair<bool, std::string>> old_;
};

}  // namespace

TEST(Options, NothingSetGivesAWindowedRunWithEverythingOnAndPathsAreTakenAsGiven) {
  const omega::Options o = From({});
  EXPECT_EQ(o.Script, "");
  EXPECT_EQ(o.TracePath, "");
  EXPECT_TRUE(o.Prefetch);
  EXPECT_EQ(o.DrawThreads, 0) << "expected the cores to decide";
  EXPECT_FALSE(o.VideoDriverAsked);
  const omega::Options paths = From({{"OMEGA_SCRIPT", "a b/run.script"}, {"OMEGA_TRACE", "/tmp/t x.txt"}});
  EXPECT_EQ(paths.Script, "a b/run.script");
  EXPECT_EQ(paths.TracePath, "/tmp/t x.txt");
}

TEST(Options, PrefetchIsOffForZeroAlone) {
  const std::pair<const char*, bool> cases[] = {{"0", false}, {"", true}, {"1", true}, {"00", true}, {"off", true}};
  for (const auto& [value, on] : cases)
    EXPECT_EQ(From({{"OMEGA_PREFETCH", value}}).Prefetch, on) << "OMEGA_PREFETCH=\"" << value << "\"";
}

TEST(Options, ThreadsAreOneOrTwoAndAnythingElseLeavesItToTheCores) {
  const std::pair<const char*, int> cases[] = {{"1", 1}, {"2", 2}, {"0", 0}, {"3", 0}, {"", 0}, {"12", 0}, {"2 ", 0}};
  for (const auto& [value, threads] : cases)
    EXPECT_EQ(From({{"OMEGA_THREADS", value}}).DrawThreads, threads) << "OMEGA_THREADS=\"" << value << "\"";
}

TEST(Options, AVideoDriverIsAskedForOnlyByName) {
  EXPECT_FALSE(From({{"SDL_VIDEODRIVER", ""}}).VideoDriverAsked);
  EXPECT_TRUE(From({{"SDL_VIDEODRIVER", "dummy"}}).VideoDriverAsked);
}

// A reset engine reads the environment again and sets every part from it; the settings of one engine do
// not leak into the next.
TEST(EngineSettings, EveryPartFollowsTheEnvironmentOfItsStart) {
  Environment env;
  env.Set("OMEGA_PREFETCH", "0");
  env.Set("OMEGA_THREADS", "1");
  omega::ResetEngine();
  EXPECT_FALSE(omega::E().Ahead.On()) << "OMEGA_PREFETCH=0 left decoding ahead on";
  EXPECT_EQ(omega::E().Bands.Threads(), 1);

  env.Set("OMEGA_THREADS", "2");
  env.Set("OMEGA_PREFETCH", nullptr);
  // Read once: the running engine keeps what it started with.
  EXPECT_FALSE(omega::E().Ahead.On());
  EXPECT_EQ(omega::E().Bands.Threads(), 1);
  omega::ResetEngine();
  EXPECT_TRUE(omega::E().Ahead.On());
  EXPECT_EQ(omega::E().Bands.Threads(), 2) << "OMEGA_THREADS=2 draws on two threads whatever the cores";

  omega::E().Bands.SetThreads(1);
  omega::ResetEngine();
  EXPECT_EQ(omega::E().Bands.Threads(), 2) << "a reset engine kept the last one's thread count";
  env.Set("OMEGA_THREADS", nullptr);
  omega::ResetEngine();
}

// The mark a run without a window leaves is there as soon as the engine starts, before the program's
// platform layer could want to show a box, and only for such a run.
TEST(EngineSettings, AScriptedEngineSaysAtItsStartThatItHasNoWindow) {
  Environment env;
  SDL_ClearHints();
  env.Set("OMEGA_SCRIPT", nullptr);
  omega::ResetEngine();
  EXPECT_FALSE(SDL_GetHintBoolean(kOmegaNoWindowMark, SDL_FALSE)) << "an engine with a window said it has none";
  env.Set("OMEGA_SCRIPT", "run.script");
  omega::ResetEngine();
  EXPECT_TRUE(SDL_GetHintBoolean(kOmegaNoWindowMark, SDL_FALSE)) << "a scripted engine did not say so";
  SDL_ClearHints();
  env.Set("OMEGA_SCRIPT", nullptr);
  omega::ResetEngine();
}

TEST_F(EngineTest, ANumberAsTextIsTheEnginesAndAResetClearsIt) {
  EXPECT_STREQ(U_IntToStr(-2147483647 - 1), "-2147483648");
  EXPECT_STREQ(U_IntToStr(0), "0");
  EXPECT_EQ(U_IntToStr(42), omega::E().NumberText) << "the answer is not the engine's own text";
  omega::ResetEngine();
  EXPECT_STREQ(omega::E().NumberText, "") << "a reset engine kept the last number";
}
