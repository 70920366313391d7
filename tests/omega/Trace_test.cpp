#include <cstdlib>
#include <limits>

#include "omega/Trace.h"
#include "omega/TraceFormat.h"
#include "platform/Cp1251.h"
#include "tests/omega/support/EngineFixture.h"

TEST(TraceFormat, FloatsTextsAndIntegers) {
  EXPECT_EQ(trace_format::Float(0.1f), "0.100000001");
  EXPECT_EQ(trace_format::Float(97.5f), "97.5");
  EXPECT_EQ(trace_format::Float(-0.0f), "-0");
  EXPECT_EQ(trace_format::Float(1e20f), "1.00000002e+20");
  EXPECT_EQ(trace_format::Int(-2147483648LL), "-2147483648");
  EXPECT_EQ(trace_format::Text("a\"b\\c"), "\"a\\\"b\\\\c\"");
  EXPECT_EQ(trace_format::Text("Новая игра"_cp), "\"Новая игра\"");
  EXPECT_EQ(trace_format::Text(nullptr), "\"\"");
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
  for (const auto& c : cases) EXPECT_EQ(trace_format::Float(c.value), c.text) << "for " << c.text;
  const std::string nan = trace_format::Float(std::numeric_limits<float>::quiet_NaN());
  EXPECT_TRUE(nan == "nan" || nan == "-nan") << nan;
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
  std::vector<std::string> Lines() {
    omega::FlushTrace();
    std::vector<std::string> out;
    std::string text = omega_test::ReadFile(path_);
    for (size_t at = 0; at < text.size();) {
      const size_t end = text.find('\n', at);
      out.push_back(text.substr(at, end - at));
      at = end == std::string::npos ? text.size() : end + 1;
    }
    return out;
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
  EXPECT_EQ(Lines(), expected);
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
  EXPECT_EQ(Lines(), expected);
}
