// Small routines several scenes share: the button rectangle and its hit test, integer-to-text, and a
// file-existence test that never ends the program.
#pragma once
#include <cstdint>
#include <string>

// A screen rectangle in window pixels; the height comes before the width.
struct TClickRect {
  int32_t X;
  int32_t Y;
  int32_t H;
  int32_t W;
};

// Strictly inside: the edges are outside, and an empty or negative rectangle holds no point.
bool PointInRect(TClickRect R, float X, float Y);
void IntToText(int32_t Value, std::string& S);
// The file can be opened for reading (a directory cannot); leaves no error behind.
bool FileExists(const std::string& Name);
