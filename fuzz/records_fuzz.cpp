// The records loader on any bytes, and the save that must write back what it read.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>

#include "fuzz/FuzzSupport.h"
#include "records/GRecords.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  FuzzSetUp();
  FuzzWriteFile(RecordsFile, data, size);
  try {
    LoadRecords();
    SaveRecords();
    std::ifstream in(RecordsFile, std::ios::binary);
    const std::string saved((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    // Every byte read is written back unchanged, and nothing beyond the table.
    if (size >= kRecordsFileSize && (saved.size() != kRecordsFileSize || std::memcmp(saved.data(), data, kRecordsFileSize) != 0)) std::abort();
  } catch (const FuzzRunError&) {
  }
  return 0;
}
