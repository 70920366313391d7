#include "shell/VyxUtils.h"

#include <unistd.h>

#include "platform/Runtime.h"

namespace {

// Edges far off screen must not overflow: the sum wraps as a 32-bit value would.
int32_t WrappingSum(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

}  // namespace

bool PointInRect(TClickRect R, float X, float Y) {
  if (!(static_cast<float>(R.X) < X)) return false;
  if (!(static_cast<float>(R.Y) < Y)) return false;
  if (!(X < static_cast<float>(WrappingSum(R.X, R.W)))) return false;
  if (!(Y < static_cast<float>(WrappingSum(R.Y, R.H)))) return false;
  return true;
}

void IntToText(int32_t Value, std::string& S) { S = std::to_string(Value); }

bool FileExists(const std::string& Name) {
  TFile file;
  if (FileTryOpenRead(file, Name) != 0) return false;
  // Closed directly: a failing close of a file only opened for reading must not end the program,
  // and the test has its answer already.
  ::close(file.Descriptor);
  return true;
}
