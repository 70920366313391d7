// Windows-1251 text. Every text the game holds or hands to the engine is Windows-1251; the sources are
// UTF-8, so literals go through the compile-time converter: "Новая игра"_cp is a zero-terminated
// Windows-1251 string in static storage. A character with no Windows-1251 code does not compile.
#pragma once
#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace cp1251 {

// Unicode code points of the bytes 0x80..0xBF; 0 marks 0x98, which has none.
inline constexpr char32_t kHigh[64] = {
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409, 0x2039,
    0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0,      0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0, 0x040E, 0x045E, 0x0408,
    0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB,
    0x0458, 0x0405, 0x0455, 0x0457};

// The code point of one Windows-1251 byte (U+FFFD for the one unassigned byte).
constexpr char32_t Decode(unsigned char b) {
  if (b < 0x80) return b;
  if (b >= 0xC0) return 0x0410 + (b - 0xC0);
  const char32_t c = kHigh[b - 0x80];
  return c != 0 ? c : 0xFFFD;
}

// The Windows-1251 byte of a code point, or -1 when it has none.
constexpr int Encode(char32_t c) {
  if (c < 0x80) return static_cast<int>(c);
  if (c >= 0x0410 && c <= 0x044F) return static_cast<int>(0xC0 + (c - 0x0410));
  for (int i = 0; i < 64; ++i)
    if (kHigh[i] == c && c != 0) return 0x80 + i;
  return -1;
}

// Reads one UTF-8 sequence at s[i]; advances i. Returns 0xFFFFFFFF on a malformed sequence.
constexpr char32_t NextUtf8(std::string_view s, std::size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i++]);
  if (b0 < 0x80) return b0;
  int extra = 0;
  char32_t c = 0;
  if ((b0 & 0xE0) == 0xC0) { extra = 1; c = b0 & 0x1F; }
  else if ((b0 & 0xF0) == 0xE0) { extra = 2; c = b0 & 0x0F; }
  else if ((b0 & 0xF8) == 0xF0) { extra = 3; c = b0 & 0x07; }
  else return 0xFFFFFFFF;
  for (int k = 0; k < extra; ++k) {
    if (i >= s.size()) return 0xFFFFFFFF;
    const auto b = static_cast<unsigned char>(s[i++]);
    if ((b & 0xC0) != 0x80) return 0xFFFFFFFF;
    c = (c << 6) | (b & 0x3F);
  }
  return c;
}

template <std::size_t N>
struct Utf8Literal {
  char text[N]{};
  constexpr Utf8Literal(const char (&in)[N]) {
    for (std::size_t i = 0; i < N; ++i) text[i] = in[i];
  }
  constexpr std::string_view view() const { return {text, N - 1}; }
};

template <std::size_t N>
consteval std::size_t Utf8Length(const Utf8Literal<N>& lit) {
  std::size_t count = 0;
  const std::string_view s = lit.view();
  for (std::size_t i = 0; i < s.size();) {
    if (NextUtf8(s, i) == 0xFFFFFFFF) throw "malformed UTF-8 in a literal";
    ++count;
  }
  return count;
}

template <Utf8Literal L>
consteval auto Convert() {
  std::array<char, Utf8Length(L) + 1> out{};
  const std::string_view s = L.view();
  std::size_t o = 0;
  for (std::size_t i = 0; i < s.size();) {
    const int code = Encode(NextUtf8(s, i));
    if (code < 0) throw "a literal holds a character that Windows-1251 lacks";
    out[o++] = static_cast<char>(code);
  }
  out[o] = '\0';
  return out;
}

template <Utf8Literal L>
inline constexpr auto kConverted = Convert<L>();

}  // namespace cp1251

template <cp1251::Utf8Literal L>
constexpr const char* operator""_cp() {
  return cp1251::kConverted<L>.data();
}

// Run-time conversions, for the trace, messages and tests. Characters without a Windows-1251 code
// become '?'.
std::string Cp1251ToUtf8(std::string_view text);
std::string Utf8ToCp1251(std::string_view text);

// Whether the text is well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsUtf8(std::string_view text);

// The byte-order mark a text starts with, which says outright how it is written.
enum TTextMark { kNoMark, kUtf8Mark, kUtf16LittleMark, kUtf16BigMark };
TTextMark TextMarkOf(std::string_view text);
// The length in bytes of the text's first line (its mark included): up to CR, LF or the end-of-text mark
// 0x1A, none of them included; in UTF-16 (by its mark) those are characters of two bytes, and any other
// character's bytes are never taken for them.
std::size_t FirstLineLength(std::string_view text);
// Text a player wrote with an editor, as the game's Windows-1251. A byte-order mark says how it is
// written (UTF-8, or UTF-16 of either byte order: what Windows Notepad writes as "Unicode"), and the mark
// is dropped. Without one the text is read as UTF-8 only when that cannot be mistaken: well-formed UTF-8
// holding something beyond ASCII, every character of which Windows-1251 has. Anything else is
// Windows-1251 as it stands: "Я№1" (DF B9 31) is also well-formed UTF-8, but of a letter Windows-1251
// lacks. Characters without a Windows-1251 code, and malformed sequences after a mark, become '?'.
std::string EditorTextToCp1251(std::string_view text);
