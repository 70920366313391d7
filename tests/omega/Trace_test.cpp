#include <cstdlib>
#include <limits>

#include "base/Cp1251.h"
#include "omega/trace/Trace.h"
#include "omega/trace/TraceFormat.h"
#include "tests/omega/support/EngineFixture.h"
#include "tests/support/Files.h"
#include "tests/support/TraceReader.h"

namespace {
int NoHandles(OEHandle) { return 0; }
int Sevens(OEHandle h) { return h == 77 ? 7 : 0; }
}  // namespace

TEST(TraceFormat, EachKindIsWrittenItsWay) {
  using namespace trace_format;
  EXPECT_EQ(TraceCall(NoHandles, "F", Float{0.1f}, Float{97.5f}, Float{-0.0f}, Float{1e20f}),
            "F 0.100000001 97.5 -0 1.00000002e+20");
  EXPECT_EQ(TraceCall(NoHandles, "I", Int{-2147483647 - 1}, Colour{0xFFFFFFFFu}, Boolean{true}, Boolean{false}),
            "I -2147483648 4294967295 1 0");
  EXPECT_EQ(TraceCall(NoHandles, "T", Text{"a\"b\\c"}, Text{"Новая игра"_cp}, Text{nullptr}),
            "T \"a\\\"b\\\\c\" \"Новая игра\" \"\"");
  EXPECT_EQ(TraceCall(Sevens, "H", Handle{0}, Handle{77}, Handle{78}, Flag{1}), "H 0 7 ? 1");
  EXPECT_EQ(TraceCall(NoHandles, "P", Proc{nullptr}, Role{1}, Proc{nullptr}, Role{9}, Proc{nullptr}),
            "P timer 1 load 9 proc");
  EXPECT_EQ(TraceCall(NoHandles, "R", Int{3}, Result<Float>{Float{2.5f}}), "R 3 =2.5");
  EXPECT_EQ(TraceCall(NoHandles, "Empty"), "Empty");
}

// The reader takes back what the writer wrote: the tests and the replay see the arguments the game passed.
TEST(TraceFormat, TheReaderReadsBackWhatTheWriterWrites) {
  using namespace trace_format;
  const std::string body =
      TraceCall(Sevens, "Text_Draw", Handle{77}, Float{-3.5f}, Float{2}, Text{"Он: \"C:\\\""_cp}, Float{0.9f},
                Float{0}, Int{255}, Colour{16777215});
  trace_reader::Call call;
  ASSERT_TRUE(trace_reader::ParseCall("42 " + body, call));
  EXPECT_EQ(call.Tick, 42);
  EXPECT_EQ(call.Name, "Text_Draw");
  EXPECT_EQ(call.Body, body);
  EXPECT_EQ(call.Args, (std::vector<std::string>{"7", "-3.5", "2", "Он: \"C:\\\"", "0.899999976", "0", "255", "16777215"}));
  EXPECT_FALSE(call.HasResult);
  EXPECT_EQ(call.Int(0), 7);
  EXPECT_EQ(call.Float(1), -3.5f);

  ASSERT_TRUE(trace_reader::ParseCall("0 " + TraceCall(NoHandles, "U_IntToStr", Int{-4}, Result<Text>{Text{"-4"}}), call));
  EXPECT_EQ(call.Args, (std::vector<std::string>{"-4"}));
  EXPECT_TRUE(call.HasResult);
  EXPECT_EQ(call.Result, "-4");
  ASSERT_TRUE(trace_reader::ParseCall("3 Text_GetWidth 9 \"\" 1 0 =0", call));
  EXPECT_EQ(call.Args, (std::vector<std::string>{"9", "", "1", "0"})) << "an empty text is an argument";
  EXPECT_EQ(call.ResultInt(), 0);
}

TEST(TraceFormat, TheReaderRefusesLinesThatAreNotCalls) {
  trace_reader::Call call;
  for (const char* line : {"", "OE_Quit", "12", "12 ", "x1 OE_Quit", "-1 OE_Quit", " 1 OE_Quit", "1 \"quoted\""})
    EXPECT_FALSE(trace_reader::ParseCall(line, call)) << "'" << line << "'";
  // Only whole lines count: a line still being written is left for the next read.
  const auto calls = trace_reader::ParseTrace("1 OE_Quit\nnot a call\n2 Mouse_X =5\n3 Mouse_");
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].Tick, 2);
  EXPECT_EQ(calls[1].Result, "5");
}

// A file read while the game still writes it: both ways of reading leave a last line without its newline
// for later, and a file that is not there reads as nothing.
TEST(TraceFormat, TheReaderTakesWholeLinesFromAFileOnly) {
  InTempFolder here("zanoru-trace");
  WriteFile("t.txt", "0 OE_Init 0 0\n5 Mouse_X =3\n6 Mouse_");
  const auto calls = trace_reader::ReadTrace("t.txt");
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[1].Body, "Mouse_X =3");
  std::vector<std::string> seen;
  EXPECT_TRUE(trace_reader::ForEachCall("t.txt", [&](const trace_reader::Call& c) { seen.push_back(c.Body); }));
  EXPECT_EQ(seen, (std::vector<std::string>{"OE_Init 0 0", "Mouse_X =3"}));

  EXPECT_TRUE(trace_reader::ReadTrace("missing.txt").empty());
  EXPECT_FALSE(trace_reader::ForEachCall("missing.txt", [](const trace_reader::Call&) {}));
  WriteFile("empty.txt", "");
  EXPECT_TRUE(trace_reader::ForEachCall("empty.txt", [](const trace_reader::Call&) { ADD_FAILURE() << "a call in an empty file"; }));
}

// The fake engine records lines without their tick: the same reader takes them.
TEST(TraceFormat, ABodyWithoutItsTickIsReadAlike) {
  trace_reader::Call call;
  ASSERT_TRUE(trace_reader::ParseBody("Text_GetWidth 9 \"a b\" 1 0 =20", call));
  EXPECT_EQ(call.Tick, 0);
  EXPECT_EQ(call.Name, "Text_GetWidth");
  EXPECT_EQ(call.Args, (std::vector<std::string>{"9", "a b", "1", "0"})) << "a space inside a text splits nothing";
  EXPECT_EQ(call.ResultInt(), 20);
  EXPECT_FALSE(trace_reader::ParseBody("", call));
  EXPECT_FALSE(trace_reader::ParseBody("\"Text\" 1", call)) << "a name is never quoted";
}

// C libraries disagree at the edges (Microsoft's prints three exponent digits and its own infinities
// and NaNs); the trace must read as glibc's "%.9g" on every system.
TEST(TraceFormat, FloatsAtTheEdgesPrintAlike) {
  const struct {
    float value;
    const char* text;
  } cases[] = {
      {1e-5f, "9.99999975e-06"},                 // small: exponent of two digits, not three
      {3.40282347e38f, "3.40282347e+38"},        // the largest float
      {1.40129846e-45f, "1.40129846e-45"},       // the smallest denormal
      {123456792.0f, "123456792"},               // nine digits: no exponent yet
      {1234567936.0f, "1.23456794e+09"},         // ten: the exponent form
      {0.0001f, "9.99999975e-05"},               // below 1e-4 the exponent form
      {0.00100000005f, "0.00100000005"},         // from 1e-4 on the plain one
      {-512.25f, "-512.25"},
      {std::numeric_limits<float>::infinity(), "inf"},
      {-std::numeric_limits<float>::infinity(), "-inf"},
  };
  using trace_format::Float;
  using trace_format::TraceCall;
  for (const auto& c : cases) EXPECT_EQ(TraceCall(NoHandles, "F", Float{c.value}), std::string("F ") + c.text);
  const std::string nan = TraceCall(NoHandles, "F", Float{std::numeric_limits<float>::quiet_NaN()});
  EXPECT_TRUE(nan == "F nan" || nan == "F -nan") << nan;
}

class Trace : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    path_ = folder_ + "/trace.txt";
    setenv("OMEGA_TRACE", path_.c_str(), 1);
    omega::ResetEngine();
  }
  void TearDown() override {
    omega::ResetEngine();
    unsetenv("OMEGA_TRACE");
    EngineTest::TearDown();
  }
  // The trace file as written, against the lines expected: every byte counts.
  void ExpectLines(const std::vector<std::string>& expected) {
    omega::E().Trace.Flush();
    std::string text;
    for (const auto& line : expected) text += line + '\n';
    EXPECT_EQ(omega_test::ReadFile(path_), text);
  }
  std::string path_;
};

TEST_F(Trace, HandlesAreLoadNumbersAndResultsFollowAnEqualsSign) {
  omega_test::WriteSolidPng("a.png", 2, 2, 0xFFFFFF);
  omega_test::WriteFile("mask.png", "broken");
  const OEHandle a = Tex_LoadFromFile("a.png", -1, 1);
  Tex_LoadFromFile("Data\\none.jpg", -1, 1);
  Tex_LoadMaskFromFile("mask.png");
  const OEHandle b = Tex_LoadFromFile("a.png", -1, 330);
  const OEHandle font = Text_LoadFontFromFile("f.tga", "f.ofi", 0, 394);
  Tex_SetFramesSize(b, 1, 2);
  SSprite_Draw(a, 0.1f, 2, 1024, 768, 255, 0, 1);
  ASprite_Draw(b, -3.5f, 0, 64, 128, 7, 200, 0, 9);
  Text_Draw(font, 1, 2, "Он сказал: \"C:\\\""_cp, 0.9f, 0, 255, 0xFFFFFF);
  Text_GetWidth(font, "x", 1, 0);
  SSprite_Draw(OEHandle{77}, 0, 0, 1, 1, 255, 0, 1);
  FX_SetColorMix(0xFF0000);
  U_IntToStr(-42);
  const std::vector<std::string> expected = {
      "0 Tex_LoadFromFile \"a.png\" -1 1 =1",
      "0 Tex_LoadFromFile \"Data\\\\none.jpg\" -1 1 =0",
      "0 Tex_LoadMaskFromFile \"mask.png\" =0",
      "0 Tex_LoadFromFile \"a.png\" -1 330 =2",
      "0 Text_LoadFontFromFile \"f.tga\" \"f.ofi\" 0 394 =3",
      "0 Tex_SetFramesSize 2 1 2",
      "0 SSprite_Draw 1 0.100000001 2 1024 768 255 0 1",
      "0 ASprite_Draw 2 -3.5 0 64 128 7 200 0 9",
      "0 Text_Draw 3 1 2 \"Он сказал: \\\"C:\\\\\\\"\" 0.899999976 0 255 16777215",
      "0 Text_GetWidth 3 \"x\" 1 0 =0",
      "0 SSprite_Draw ? 0 0 1 1 255 0 1",
      "0 FX_SetColorMix 16711680",
      "0 U_IntToStr -42 =\"-42\"",
  };
  (void)a;
  ExpectLines(expected);
}

TEST_F(Trace, CallbacksAreWrittenAsTheirKind) {
  Timer_Create(nullptr, 12, 1);
  OE_RegProcedure(1, nullptr);
  OE_RegProcedure(0, nullptr);
  OE_RegProcedure(2, nullptr);
  OE_SetWndPosition(-1, 128);
  const std::vector<std::string> expected = {
      "0 Timer_Create timer 12 1 =1", "0 OE_RegProcedure 1 load", "0 OE_RegProcedure 0 draw",
      "0 OE_RegProcedure 2 quit", "0 OE_SetWndPosition -1 128"};
  ExpectLines(expected);
}
