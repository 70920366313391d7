// The game's quit in a small program, for tests that need hundreds of saves at once: it fills the
// records table with one letter, waits a little, and saves it with the game's own SaveRecords.
//   records_saver <records folder> <letter> <microseconds to wait> [nobody]
// With "nobody" a root caller drops to the nobody user first (permissions do not bind root).
#include <grp.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "records/GRecords.h"

int main(int argc, char** argv) {
  if (argc < 4 || chdir(argv[1]) != 0) return 90;
  if (argc > 4 && std::strcmp(argv[4], "nobody") == 0 && geteuid() == 0) {
    if (setgroups(0, nullptr) != 0 || setresgid(65534, 65534, 65534) != 0 || setresuid(65534, 65534, 65534) != 0)
      return 91;
  }
  const char letter = argv[2][0];
  for (int k = 1; k <= kRecordCount; ++k) {
    TRecordEntry& entry = RecordsTable[k];
    entry.Name[0] = kRecordNameMax;
    std::memset(entry.Name + 1, letter, kRecordNameMax);
    entry.Score = k * letter;
    entry.Reserved = static_cast<uint16_t>(letter);
    std::memset(entry.Padding, letter, sizeof entry.Padding);
  }
  usleep(static_cast<useconds_t>(std::atoi(argv[3])));
  SaveRecords();
  return 0;
}
