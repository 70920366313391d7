#include "base/Cp1251.h"

std::string Cp1251ToUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size() * 2);
  for (const char ch : text) {
    const char32_t c = cp1251::Decode(static_cast<unsigned char>(ch));
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string Utf8ToCp1251(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const int code = cp1251::Encode(cp1251::NextUtf8(text, i));
    out += code < 0 ? '?' : static_cast<char>(code);
  }
  return out;
}

namespace {

// The length of the well-formed UTF-8 sequence at text[i], or 0 when none starts there.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t i) {
  const auto b0 = static_cast<unsigned char>(text[i]);
  if (b0 < 0x80) return 1;
  // The lead byte fixes the length and the range of the first continuation byte, which is what rules
  // out overlong forms (C0, C1, E0 80..9F, F0 80..8F), surrogates (ED A0..BF) and code points above
  // U+10FFFF (F4 90.., F5..FF).
  std::size_t length;
  unsigned char low = 0x80, high = 0xBF;
  if (b0 >= 0xC2 && b0 <= 0xDF) {
    length = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    length = 3;
    if (b0 == 0xE0) low = 0xA0;
    if (b0 == 0xED) high = 0x9F;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    length = 4;
    if (b0 == 0xF0) low = 0x90;
    if (b0 == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() - i < length) return 0;
  for (std::size_t k = 1; k < length; ++k) {
    const auto b = static_cast<unsigned char>(text[i + k]);
    if (b < (k == 1 ? low : 0x80) || b > (k == 1 ? high : 0xBF)) return 0;
  }
  return length;
}

constexpr std::string_view kUtf8MarkBytes = "\xEF\xBB\xBF";

bool IsLineEnd(char32_t c) { return c == '\r' || c == '\n' || c == 0x1A; }

char32_t Utf16Unit(std::string_view text, std::size_t i, bool little) {
  const auto a = static_cast<unsigned char>(text[i]);
  const auto b = static_cast<unsigned char>(text[i + 1]);
  return little ? a | (b << 8) : (a << 8) | b;
}

// Each well-formed sequence as its Windows-1251 byte; each byte of a malformed one as '?'.
std::string FromUtf8(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = Utf8SequenceLength(text, i);
    if (length == 0) {
      out += '?';
      ++i;
      continue;
    }
    std::size_t at = i;
    const int code = cp1251::Encode(cp1251::NextUtf8(text, at));
    out += code < 0 ? '?' : static_cast<char>(code);
    i += length;
  }
  return out;
}

// A pair of surrogates is one character (none of them in Windows-1251); a lone surrogate or a last odd
// byte is a '?'.
std::string FromUtf16(std::string_view text, bool little) {
  std::string out;
  out.reserve(text.size() / 2 + 1);
  std::size_t i = 0;
  for (; i + 1 < text.size(); i += 2) {
    const char32_t unit = Utf16Unit(text, i, little);
    if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < text.size()) {
      const char32_t next = Utf16Unit(text, i + 2, little);
      if (next >= 0xDC00 && next <= 0xDFFF) i += 2;
      out += '?';
      continue;
    }
    const int code = unit >= 0xD800 && unit <= 0xDFFF ? -1 : cp1251::Encode(unit);
    out += code < 0 ? '?' : static_cast<char>(code);
  }
  if (i < text.size()) out += '?';
  return out;
}

// Whether every character of well-formed UTF-8 has a Windows-1251 code.
bool AllInCp1251(std::string_view text) {
  for (std::size_t i = 0; i < text.size();)
    if (cp1251::Encode(cp1251::NextUtf8(text, i)) < 0) return false;
  return true;
}

}  // namespace

bool IsUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const std::size_t length = Utf8SequenceLength(text, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

TTextMark TextMarkOf(std::string_view text) {
  if (text.starts_with(kUtf8MarkBytes)) return kUtf8Mark;
  if (text.starts_with("\xFF\xFE")) return kUtf16LittleMark;
  if (text.starts_with("\xFE\xFF")) return kUtf16BigMark;
  return kNoMark;
}

std::size_t FirstLineLength(std::string_view text) {
  const TTextMark mark = TextMarkOf(text);
  if (mark == kUtf16LittleMark || mark == kUtf16BigMark) {
    std::size_t i = 2;
    while (i + 1 < text.size() && !IsLineEnd(Utf16Unit(text, i, mark == kUtf16LittleMark))) i += 2;
    return i + 1 < text.size() ? i : text.size();
  }
  std::size_t i = 0;
  while (i < text.size() && !IsLineEnd(static_cast<unsigned char>(text[i]))) ++i;
  return i;
}

std::string EditorTextToCp1251(std::string_view text) {
  switch (TextMarkOf(text)) {
    case kUtf8Mark: return FromUtf8(text.substr(kUtf8MarkBytes.size()));
    case kUtf16LittleMark: return FromUtf16(text.substr(2), true);
    case kUtf16BigMark: return FromUtf16(text.substr(2), false);
    case kNoMark: break;
  }
  bool beyondAscii = false;
  for (const char ch : text) beyondAscii = beyondAscii || static_cast<unsigned char>(ch) >= 0x80;
  if (!beyondAscii || !IsUtf8(text) || !AllInCp1251(text)) return std::string(text);
  return Utf8ToCp1251(text);
}
