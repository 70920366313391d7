// Names of parameterised cases made from their labels, so a case keeps its name from one test listing
// to the next (the default would print the parameter's raw bytes, padding included).
#pragma once
#include <cctype>
#include <string>
#include <string_view>

// "just inside the top-left corner" → "JustInsideTheTopLeftCorner": letters and digits only, each word
// capitalised.
inline std::string CaseName(std::string_view label) {
  std::string name;
  bool wordStart = true;
  for (const char c : label) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x80 && std::isalnum(u) != 0) {
      name += wordStart ? static_cast<char>(std::toupper(u)) : c;
      wordStart = false;
    } else {
      wordStart = true;
    }
  }
  return name.empty() ? "Unnamed" : name;
}
