// How one engine call is written in a trace line: integers in decimal, floats with %.9g, texts in double
// quotes converted from Windows-1251 to UTF-8 with '"' and '\' escaped.
#pragma once
#include <cstdint>
#include <string>

namespace trace_format {

std::string Int(int64_t value);
std::string Float(float value);
std::string Text(const char* cp1251);

}  // namespace trace_format
