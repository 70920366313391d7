// JPEGs of endless scans: a progressive file may repeat its last scan as often as it likes, each
// repeat a pass over the whole picture. At most kMaxJpegScans are read; past them the file is refused,
// whoever decodes it, and a decode nobody waits for any more is given up at once.
#include <gtest/gtest.h>

// jpeglib.h needs size_t and FILE declared first.
#include <cstddef>
#include <cstdio>
#include <jpeglib.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "omega/decode/Decode.h"
#include "omega/decode/Jpeg.h"
#include "tests/omega/support/EngineFixture.h"
#include "tests/support/Spawn.h"

using omega::Image;
using omega::JpegResult;
using omega_test::WriteFile;

namespace {

// A w×h JPEG of a gradient (or flat grey: every scan past the first few is then a few bytes),
// colour (YCbCr) or greyscale, baseline or progressive (libjpeg's own script: 10 scans for colour, 6
// for grey).
std::string Encode(int w, int h, bool grey, bool progressive, bool flat = false) {
  jpeg_compress_struct info {};
  jpeg_error_mgr error {};
  info.err = jpeg_std_error(&error);
  jpeg_create_compress(&info);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &out, &size);
  info.image_width = static_cast<JDIMENSION>(w);
  info.image_height = static_cast<JDIMENSION>(h);
  info.input_components = grey ? 1 : 3;
  info.in_color_space = grey ? JCS_GRAYSCALE : JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 90, TRUE);
  if (progressive) jpeg_simple_progression(&info);
  jpeg_start_compress(&info, TRUE);
  std::vector<unsigned char> row(static_cast<size_t>(w) * info.input_components);
  while (info.next_scanline < info.image_height) {
    for (size_t i = 0; i < row.size(); ++i)
      row[i] = flat ? 128 : static_cast<unsigned char>((i * 7 + info.next_scanline * 3) & 0xFF);
    JSAMPROW rows[1] = {row.data()};
    jpeg_write_scanlines(&info, rows, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::string bytes(reinterpret_cast<const char*>(out), size);
  std::free(out);
  return bytes;
}

// The file with its last scan (from its start-of-scan marker to the end-of-image marker) repeated
// until it has `scans` scans.
std::string WithScans(const std::string& jpeg, int has, int scans) {
  const std::size_t last = jpeg.rfind("\xFF\xDA");
  const std::size_t end = jpeg.rfind("\xFF\xD9");
  if (last == std::string::npos || end == std::string::npos || end < last) return "";
  const std::string scan = jpeg.substr(last, end - last);
  std::string out = jpeg.substr(0, end);
  out.reserve(jpeg.size() + scan.size() * static_cast<std::size_t>(scans - has));
  for (int i = has; i < scans; ++i) out += scan;
  return out + "\xFF\xD9";
}

std::string CutInFirstScan(const std::string& jpeg) { return jpeg.substr(0, jpeg.find("\xFF\xDA") + 3); }

const unsigned char* Bytes(const std::string& s) { return reinterpret_cast<const unsigned char*>(s.data()); }

TEST(JpegScans, AreCountedFromTheirMarkers) {
  const struct {
    const char* What;
    std::string Bytes;
    int Scans;
  } cases[] = {
      {"baseline colour", Encode(40, 24, false, false), 1},
      {"progressive colour", Encode(40, 24, false, true), 10},
      {"progressive grey", Encode(40, 24, true, true), 6},
      {"progressive colour, last scan 990 times more", WithScans(Encode(40, 24, false, true), 10, 1000), 1000},
      {"cut in its first scan's header", CutInFirstScan(Encode(40, 24, false, true)), 1},
      {"no scan at all", "\xFF\xD8\xFF\xD9", 0},
  };
  for (const auto& c : cases) {
    ASSERT_GT(c.Bytes.size(), 3u) << c.What;
    EXPECT_EQ(omega::CountJpegScans(Bytes(c.Bytes), c.Bytes.size(), 5000), c.Scans) << c.What;
  }
  // Counting stops just past the most asked for.
  const std::string many = WithScans(Encode(40, 24, false, true), 10, 1000);
  EXPECT_EQ(omega::CountJpegScans(Bytes(many), many.size(), 20), 21);
}

class JpegScanLimit : public EngineTest {};

// Colour and grey, through the engine's decoder, the general one and a load: at the limit the picture
// decodes as it is; one scan more and it is refused everywhere.
TEST_F(JpegScanLimit, AtTheLimitTheyDecodeAndOneScanMoreIsRefused) {
  for (const bool grey : {false, true}) {
    const int has = grey ? 6 : 10;
    const std::string plain = Encode(64, 48, grey, true);
    Image reference;
    ASSERT_EQ(omega::DecodeJpeg(Bytes(plain), plain.size(), reference), JpegResult::Decoded) << "grey " << grey;
    for (const int scans : {omega::kMaxJpegScans, omega::kMaxJpegScans + 1}) {
      const std::string what = std::string(grey ? "grey" : "colour") + " with " + std::to_string(scans) + " scans";
      const std::string file = WithScans(plain, has, scans);
      ASSERT_EQ(omega::CountJpegScans(Bytes(file), file.size(), 5000), scans) << what;
      const bool within = scans <= omega::kMaxJpegScans;
      Image out;
      EXPECT_EQ(omega::DecodeJpeg(Bytes(file), file.size(), out), within ? JpegResult::Decoded : JpegResult::Refused)
          << what;
      if (within) {
        EXPECT_EQ(out.W, reference.W) << what;
        EXPECT_EQ(out.H, reference.H) << what;
        EXPECT_EQ(out.Px.size(), reference.Px.size()) << what;
      } else {
        EXPECT_TRUE(out.Px.empty()) << what;
      }
      WriteFile("scans.jpg", file);
      Image decoded;
      EXPECT_EQ(omega::DecodePicture("scans.jpg", decoded), within) << what;
      EXPECT_EQ(Tex_LoadFromFile("scans.jpg", -1, 1) != 0, within) << what;
    }
  }
}

// A decode is given up at the first look after it is abandoned, and only then.
TEST_F(JpegScanLimit, AnAbandonedDecodeStopsAtTheNextLook) {
  const std::string file = WithScans(Encode(64, 48, false, true), 10, 200);
  struct Looks {
    int Count = 0;
    int StopAt = 0;  // 0: never
  };
  omega::DecodeLimits limits;
  limits.Abandon = [](const void* context) {
    auto* looks = const_cast<Looks*>(static_cast<const Looks*>(context));
    return ++looks->Count == looks->StopAt;
  };
  Looks never;
  limits.Context = &never;
  Image out;
  EXPECT_EQ(omega::DecodeJpeg(Bytes(file), file.size(), out, limits), JpegResult::Decoded);
  EXPECT_GT(never.Count, 200) << "expected a look at least once a scan";
  for (const int stopAt : {1, 150}) {
    Looks looks{0, stopAt};
    limits.Context = &looks;
    Image given;
    EXPECT_EQ(omega::DecodeJpeg(Bytes(file), file.size(), given, limits), JpegResult::Refused) << stopAt;
    EXPECT_EQ(looks.Count, stopAt) << "the decode went on after it was abandoned";
    EXPECT_TRUE(given.Px.empty());
  }
}

// ---- the engine library, as the game loads it -----------------------------------------------------

// An unused 4096² progressive JPEG of 100,000 scans (1.7 MB) beside the picture loaded: its decoding
// ahead once held up the first frame for most of a minute, and a SIGTERM meanwhile with it. Now the
// file is refused at its 1,001st scan; the run and a termination during its start both end at once (the
// bound below is only a hang's).
TEST(JpegScanLibrary, AnUnusedFileOfEndlessScansHoldsUpNeitherTheStartNorATermination) {
  const std::string dir = omega_test::TempFolder();
  std::filesystem::create_directories(dir + "/Data");
  const std::string endless = WithScans(Encode(4096, 4096, false, true, true), 10, 100000);
  ASSERT_LT(endless.size(), std::size_t{4} << 20) << "the repeated scan is not a few bytes";
  WriteFile(dir + "/Data/endless.jpg", endless);
  omega_test::WritePng(dir + "/Data/pic.png", 2, 2, {0xFFFF0000u, 0xFF00FF00u, 0xFF0000FFu, 0xFFFFFFFFu});
  WriteFile(dir + "/s.txt", "5 quit\n");
  const std::vector<std::string> probe = {OMEGA_PROBE, OMEGA_LIBRARY, "Data/pic.png"};
  {
    SCOPED_TRACE("a run to its end");
    const auto r = RunInFolder(dir, probe, {{"OMEGA_SCRIPT", "s.txt"}}, 60);
    EXPECT_EQ(r.Status, 0) << r.Stderr;
    EXPECT_EQ(r.Stdout, "load\nquit after 5 ticks\nreturned\n");
  }
  {
    SCOPED_TRACE("terminated as its first frame begins");
    WriteFile(dir + "/s.txt", "100000000 quit\n");
    const int child = SpawnInFolder(dir, probe, {{"OMEGA_SCRIPT", "s.txt"}});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (omega_test::ReadFile(dir + "/.stdout").find("load") == std::string::npos &&
           std::chrono::steady_clock::now() < deadline)
      usleep(10000);
    if (child > 0) kill(child, SIGTERM);
    const auto r = Collect(dir, WaitBounded(child, 60));
    EXPECT_EQ(r.Status, 0) << r.Stderr;
    EXPECT_NE(r.Stdout.find("quit after"), std::string::npos) << r.Stdout;
    EXPECT_NE(r.Stdout.find("returned"), std::string::npos) << r.Stdout;
  }
}

}  // namespace
