#include "platform/Cp1251.h"

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

bool IsUtf8(std::string_view text) {
  for (std::size_t i = 0; i < text.size();) {
    const auto b0 = static_cast<unsigned char>(text[i]);
    if (b0 < 0x80) {
      ++i;
      continue;
    }
    // The lead byte fixes the length and the range of the first continuation byte, which is what
    // rules out overlong forms (C0, C1, E0 80..9F, F0 80..8F), surrogates (ED A0..BF) and code
    // points above U+10FFFF (F4 90.., F5..FF).
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
      return false;
    }
    if (text.size() - i < length) return false;
    for (std::size_t k = 1; k < length; ++k) {
      const auto b = static_cast<unsigned char>(text[i + k]);
      if (b < (k == 1 ? low : 0x80) || b > (k == 1 ? high : 0xBF)) return false;
    }
    i += length;
  }
  return true;
}

std::string EditorTextToCp1251(std::string_view text) {
  constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
  bool beyondAscii = false;
  for (const char ch : text) beyondAscii = beyondAscii || static_cast<unsigned char>(ch) >= 0x80;
  if (!beyondAscii || !IsUtf8(text)) return std::string(text);
  if (text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
  return Utf8ToCp1251(text);
}
