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
