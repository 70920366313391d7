// For the Wine tests: holds a file open without sharing it, as backup, antivirus and sync tools do, until
// told to let go. HoldFile <file> <mark made once it holds> <mark that says let go>; status 0 once it has
// let go, 3 when it could not open the file, 4 when nobody said let go within two minutes.
#include <windows.h>

int main(int argc, char** argv) {
  if (argc != 4) return 2;
  HANDLE held = CreateFileA(argv[1], GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (held == INVALID_HANDLE_VALUE) return 3;
  HANDLE mark = CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (mark != INVALID_HANDLE_VALUE) CloseHandle(mark);
  const ULONGLONG deadline = GetTickCount64() + 120000;
  while (GetFileAttributesA(argv[3]) == INVALID_FILE_ATTRIBUTES) {
    if (GetTickCount64() > deadline) {
      CloseHandle(held);
      return 4;
    }
    Sleep(20);
  }
  CloseHandle(held);
  return 0;
}
