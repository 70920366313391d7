#include "omega/window/Present.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "omega/draw/Cpu.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

namespace omega {

PictureBox PlacePicture(int outW, int outH, int picW, int picH) {
  PictureBox b;
  b.OutW = outW;
  b.OutH = outH;
  if (outW <= 0 || outH <= 0 || picW <= 0 || picH <= 0) return b;
  // The renderer's letterbox: floats where it has floats, so that every size rounds as it did.
  const float want = static_cast<float>(picW) / static_cast<float>(picH);
  const float real = static_cast<float>(outW) / static_cast<float>(outH);
  int vw, vh;
  if (std::fabs(static_cast<double>(want - real)) < 0.0001) {
    b.Scale = static_cast<float>(outW) / static_cast<float>(picW);
    vw = outW, vh = outH;
  } else if (want > real) {
    b.Scale = static_cast<float>(outW) / static_cast<float>(picW);
    vw = outW;
    vh = static_cast<int>(std::floor(static_cast<double>(static_cast<float>(picH) * b.Scale)));
    b.ViewY = (outH - vh) / 2;
  } else {
    b.Scale = static_cast<float>(outH) / static_cast<float>(picH);
    vh = outH;
    vw = static_cast<int>(std::floor(static_cast<double>(static_cast<float>(picW) * b.Scale)));
    b.ViewX = (outW - vw) / 2;
  }
  // The copy of the whole picture: the viewport's size in picture units, scaled back, truncated.
  const auto logicalW = static_cast<float>(static_cast<double>(vw) / static_cast<double>(b.Scale));
  const auto logicalH = static_cast<float>(static_cast<double>(vh) / static_cast<double>(b.Scale));
  b.X = b.ViewX;
  b.Y = b.ViewY;
  b.W = std::max(0, static_cast<int>(logicalW * b.Scale));
  b.H = std::max(0, static_cast<int>(logicalH * b.Scale));
  return b;
}

void WindowToPicture(const PictureBox& box, float dpiX, float dpiY, int& x, int& y) {
  x -= static_cast<int>(static_cast<double>(box.ViewX) * static_cast<double>(dpiX));
  y -= static_cast<int>(static_cast<double>(box.ViewY) * static_cast<double>(dpiY));
  x = static_cast<int>(static_cast<float>(x) / (box.Scale * dpiX));
  y = static_cast<int>(static_cast<float>(y) / (box.Scale * dpiY));
}

// ---- scaling ----

namespace {

constexpr int kFracBits = 7;
constexpr int kFracOne = 1 << kFracBits;

// One axis of the scaler: the source position of each destination pixel in 16.16 fixed point, the
// first one half a step in (rounded as SDL rounds it), less half a pixel; positions before the first
// pixel are held at it, positions past the last pair at the last pixel.
struct Tap {
  int Index;  // the left (upper) source pixel; its neighbour is Index + 1
  int Frac;   // the neighbour's weight of kFracOne
  bool Low, High;  // held at the first or the last pixel
};

std::vector<Tap> AxisTaps(int src, int dst) {
  std::vector<Tap> taps(static_cast<size_t>(std::max(dst, 0)));
  if (src <= 0 || dst <= 0) return taps;
  const int step = static_cast<int>((static_cast<int64_t>(src) << 16) / dst);
  const auto half = static_cast<int>((static_cast<int64_t>(step) * 0x8000 + 0x8000) >> 16);
  int64_t position = half - 0x8000;
  for (int d = 0; d < dst; ++d, position += step) {
    Tap& t = taps[static_cast<size_t>(d)];
    t.Low = t.High = false;
    if (position < 0) {
      t.Index = 0, t.Frac = 0, t.Low = true;
    } else if ((position >> 16) > src - 2) {
      t.Index = std::max(src - 2, 0), t.Frac = src >= 2 ? kFracOne : 0, t.High = true;
    } else {
      t.Index = static_cast<int>(position >> 16);
      t.Frac = static_cast<int>((position >> (16 - kFracBits)) & (kFracOne - 1));
    }
  }
  return taps;
}

// SDL's SSE2 path sums both axes' products before its one truncation, so the order of the axes is
// free: each source row is filtered across once (rows scaled up are read by two destination rows or
// more), then pairs of filtered rows are blended down.

// Across: per destination pixel and channel w1·left + w0·right (at most 128·255, inside 16 bits).
void AcrossPlain(const uint8_t* src, const int32_t* columns, const uint16_t* w1, const uint16_t* w0, int count,
                 uint16_t* out) {
  for (int x = 0; x < count; ++x) {
    const uint8_t* p = src + 4 * static_cast<size_t>(columns[x]);
    for (int c = 0; c < 4; ++c) {
      const size_t k = 4 * static_cast<size_t>(x) + c;
      out[k] = static_cast<uint16_t>(w1[k] * p[c] + w0[k] * p[c + 4]);
    }
  }
}

// Down: per channel (h1·upper + h0·lower) >> 14, the one truncation.
void DownPlain(const uint16_t* upper, const uint16_t* lower, int frac, int count, uint8_t* out) {
  const auto f0 = static_cast<uint32_t>(frac), f1 = static_cast<uint32_t>(kFracOne - frac);
  for (int k = 0; k < count; ++k) out[k] = static_cast<uint8_t>((f1 * upper[k] + f0 * lower[k]) >> (2 * kFracBits));
}

#if defined(__x86_64__)
// GCC takes the intrinsics' deliberately undefined lanes for uninitialised values.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

// Sixteen destination pixels a step: their left and right source pixels picked out of the 32 source
// pixels from the left one on (a picture scaled up, or down by less than half, reads no further),
// otherwise gathered; then widened to 16 bits, weighted and summed. The last step's lanes past `count`
// are masked off: nothing is read or written for them (the window's changed parts are narrow, so a
// plain tail would cost as much as the vector steps).
__attribute__((target("avx512f,avx512bw"))) void AcrossAvx512(const uint8_t* src, int srcW, const int32_t* columns,
                                                               const uint16_t* w1, const uint16_t* w0, int count,
                                                               uint16_t* out) {
  const __m512i one = _mm512_set1_epi32(1);
  const auto* pixels = reinterpret_cast<const int32_t*>(src);
  for (int x = 0; x < count; x += 16) {
    const int n = std::min(16, count - x);
    const auto lanes = static_cast<__mmask16>(n == 16 ? 0xFFFF : (1u << n) - 1);
    const __m512i at = _mm512_maskz_loadu_epi32(lanes, columns + x);
    __m512i left, right;
    const int base = columns[x];
    if (columns[x + n - 1] + 1 - base < 32) {
      // Only the source row's own pixels are read: the lanes past its end stay masked off.
      const int m = std::min(32, srcW - base);
      const auto lowMask = static_cast<__mmask16>(m >= 16 ? 0xFFFF : (1u << m) - 1);
      const auto highMask = static_cast<__mmask16>(m >= 32 ? 0xFFFF : m > 16 ? (1u << (m - 16)) - 1 : 0);
      const __m512i low = _mm512_maskz_loadu_epi32(lowMask, pixels + base);
      const __m512i high = _mm512_maskz_loadu_epi32(highMask, pixels + base + 16);
      const __m512i index = _mm512_sub_epi32(at, _mm512_set1_epi32(base));
      left = _mm512_permutex2var_epi32(low, index, high);
      right = _mm512_permutex2var_epi32(low, _mm512_add_epi32(index, one), high);
    } else {
      left = _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), lanes, at, pixels, 4);
      right = _mm512_mask_i32gather_epi32(_mm512_setzero_si512(), lanes, _mm512_add_epi32(at, one), pixels, 4);
    }
    for (int half = 0; half < 2; ++half) {
      const int channels = std::clamp(4 * n - 32 * half, 0, 32);
      if (channels == 0) break;
      const auto mask = static_cast<__mmask32>(channels == 32 ? 0xFFFFFFFFu : (1u << channels) - 1);
      const size_t k = 4 * static_cast<size_t>(x) + 32 * half;
      const __m512i l = _mm512_cvtepu8_epi16(half == 0 ? _mm512_castsi512_si256(left) : _mm512_extracti64x4_epi64(left, 1));
      const __m512i r = _mm512_cvtepu8_epi16(half == 0 ? _mm512_castsi512_si256(right) : _mm512_extracti64x4_epi64(right, 1));
      const __m512i sum = _mm512_add_epi16(_mm512_mullo_epi16(l, _mm512_maskz_loadu_epi16(mask, w1 + k)),
                                           _mm512_mullo_epi16(r, _mm512_maskz_loadu_epi16(mask, w0 + k)));
      _mm512_mask_storeu_epi16(out + k, mask, sum);
    }
  }
}

// Thirty-two channels a step: upper and lower interleaved into pairs, multiplied-added with (h1, h0),
// shifted and narrowed back in order; the last step masked as above.
__attribute__((target("avx512f,avx512bw"))) void DownAvx512(const uint16_t* upper, const uint16_t* lower, int frac,
                                                             int count, uint8_t* out) {
  const __m512i weights = _mm512_set1_epi32(static_cast<int>((static_cast<uint32_t>(frac) << 16) | (kFracOne - frac)));
  for (int k = 0; k < count; k += 32) {
    const int n = std::min(32, count - k);
    const auto mask = static_cast<__mmask32>(n == 32 ? 0xFFFFFFFFu : (1u << n) - 1);
    const __m512i a = _mm512_maskz_loadu_epi16(mask, upper + k), b = _mm512_maskz_loadu_epi16(mask, lower + k);
    const __m512i lo = _mm512_srli_epi32(_mm512_madd_epi16(_mm512_unpacklo_epi16(a, b), weights), 2 * kFracBits);
    const __m512i hi = _mm512_srli_epi32(_mm512_madd_epi16(_mm512_unpackhi_epi16(a, b), weights), 2 * kFracBits);
    _mm512_mask_cvtepi16_storeu_epi8(out + k, mask, _mm512_packs_epi32(lo, hi));
  }
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
#endif

}  // namespace

void RowScaler::Prepare(int srcW, int srcH, int dstW, int dstH) {
  SrcW_ = srcW, SrcH_ = srcH, DstW_ = std::max(dstW, 0), DstH_ = std::max(dstH, 0);
  Rows_.clear();
  for (const Tap& t : AxisTaps(srcH, DstH_)) {
    // Held rows read one source row only.
    const bool held = t.Low || t.High;
    const int top = held ? (t.Low ? 0 : srcH - 1) : t.Index;
    Rows_.push_back(Row{top, held ? top : t.Index + 1, held ? 0 : t.Frac});
  }
  Columns_.clear();
  Left_.clear();
  Right_.clear();
  for (const Tap& t : AxisTaps(srcW, DstW_)) {
    Columns_.push_back(t.Index);
    for (int c = 0; c < 4; ++c) {
      Left_.push_back(static_cast<uint16_t>(kFracOne - t.Frac));
      Right_.push_back(static_cast<uint16_t>(t.Frac));
    }
  }
}

// The rows (columns) reading a source range lie together: both source positions only grow along the
// destination. Found by halving, then trimmed to those that really read it.
void RowScaler::DestinationRows(int top, int bottom, int& first, int& end) const {
  auto reads = [&](const Row& r) {
    return (r.Top >= top && r.Top < bottom) || (r.Frac > 0 && r.Bottom >= top && r.Bottom < bottom);
  };
  auto lo = std::partition_point(Rows_.begin(), Rows_.end(), [&](const Row& r) { return r.Bottom < top; });
  auto hi = std::partition_point(lo, Rows_.end(), [&](const Row& r) { return r.Top < bottom; });
  while (lo < hi && !reads(*lo)) ++lo;
  while (hi > lo && !reads(*(hi - 1))) --hi;
  first = static_cast<int>(lo - Rows_.begin()), end = static_cast<int>(hi - Rows_.begin());
  if (first >= end) first = end = 0;
}

void RowScaler::DestinationColumns(int left, int right, int& first, int& end) const {
  auto reads = [&](size_t d) {
    const int c = Columns_[d];
    return (c >= left && c < right) || (Right_[4 * d] > 0 && c + 1 >= left && c + 1 < right);
  };
  auto lo = std::partition_point(Columns_.begin(), Columns_.end(), [&](int32_t c) { return c + 1 < left; });
  auto hi = std::partition_point(lo, Columns_.end(), [&](int32_t c) { return c < right; });
  size_t l = static_cast<size_t>(lo - Columns_.begin()), h = static_cast<size_t>(hi - Columns_.begin());
  while (l < h && !reads(l)) ++l;
  while (h > l && !reads(h - 1)) --h;
  first = static_cast<int>(l), end = static_cast<int>(h);
  if (first >= end) first = end = 0;
}

void RowScaler::Scale(const uint32_t* src, int y0, int y1, int x0, int x1, uint32_t* dst, int dstPitch,
                      bool wide) const {
  x0 = std::max(x0, 0), x1 = std::min(x1, DstW_);
  if (SrcW_ < 2 || x0 >= x1) return;
#if defined(__x86_64__)
  const bool avx512 = wide && Processor() == Wide::Avx512;
#else
  (void)wide;
#endif
  const int count = x1 - x0;
  const size_t channels = 4 * static_cast<size_t>(count);
  const int32_t* columns = Columns_.data() + x0;
  const uint16_t* left = Left_.data() + 4 * static_cast<size_t>(x0);
  const uint16_t* right = Right_.data() + 4 * static_cast<size_t>(x0);
  // Two source rows filtered across, by their row: the pair a destination row blends.
  for (auto& a : Across_)
    if (a.size() < channels) a.resize(channels);
  int held[2] = {-1, -1};
  auto filtered = [&](int row, int keep) -> const uint16_t* {
    for (int s = 0; s < 2; ++s)
      if (held[s] == row) return Across_[s].data();
    const int s = held[0] == keep ? 1 : 0;
    const auto* from = reinterpret_cast<const uint8_t*>(src + static_cast<size_t>(row) * SrcW_);
#if defined(__x86_64__)
    if (avx512)
      AcrossAvx512(from, SrcW_, columns, left, right, count, Across_[s].data());
    else
#endif
      AcrossPlain(from, columns, left, right, count, Across_[s].data());
    held[s] = row;
    return Across_[s].data();
  };
  for (int y = std::max(y0, 0); y < std::min(y1, DstH_); ++y) {
    const Row& r = Rows_[static_cast<size_t>(y)];
    const uint16_t* upper = filtered(r.Top, -1);
    const uint16_t* lower = r.Frac > 0 ? filtered(r.Bottom, r.Top) : upper;
    auto* out = reinterpret_cast<uint8_t*>(dst) + static_cast<ptrdiff_t>(y - y0) * dstPitch;
#if defined(__x86_64__)
    if (avx512) {
      DownAvx512(upper, lower, r.Frac, static_cast<int>(channels), out);
      continue;
    }
#endif
    DownPlain(upper, lower, r.Frac, static_cast<int>(channels), out);
  }
}

// ---- the window's surface ----

void Presenter::Place(int outW, int outH, int picW, int picH) {
  if (outW == Box_.OutW && outH == Box_.OutH && picW == PicW_ && picH == PicH_) return;
  PicW_ = picW, PicH_ = picH;
  Box_ = PlacePicture(outW, outH, picW, picH);
  Valid_ = false;
}

namespace {

// More rectangles than this are handed to the window system as the bands of rows they make up: each
// rectangle is a request of its own (to the X server, a BitBlt on Windows). The shipped village changes
// in about 100 a frame: handed on as they are they cost the X server less than bands of them, which
// make it copy most of the window again.
constexpr size_t kMostUpdates = 256;

void JoinIntoBands(std::vector<SDL_Rect>& rects) {
  std::sort(rects.begin(), rects.end(), [](const SDL_Rect& a, const SDL_Rect& b) { return a.y < b.y; });
  size_t bands = 0;
  for (const SDL_Rect& r : rects) {
    SDL_Rect& band = rects[bands == 0 ? 0 : bands - 1];
    if (bands > 0 && r.y <= band.y + band.h) {
      const int x0 = std::min(band.x, r.x), x1 = std::max(band.x + band.w, r.x + r.w);
      band.h = std::max(band.y + band.h, r.y + r.h) - band.y;
      band.x = x0, band.w = x1 - x0;
    } else {
      rects[bands++] = r;
    }
  }
  rects.resize(bands);
}

}  // namespace

Shown Presenter::Draw(SDL_Surface* surface, const uint32_t* frame, int picW, int picH, const ChangeSet& changes,
                      bool showAll) {
  std::span<const Rect> changed = changes.Rects;
  Shown shown;
  Updated_.clear();
  if (surface == nullptr || frame == nullptr || picW <= 0 || picH <= 0) {
    Valid_ = false;
    return shown;
  }
  if (picW != PicW_ || picH != PicH_ || surface->w != Box_.OutW || surface->h != Box_.OutH) {
    PicW_ = picW, PicH_ = picH;
    Box_ = PlacePicture(surface->w, surface->h, picW, picH);
    Valid_ = false;
  }
  const bool fresh = !Valid_ || surface != Surface_ || surface->pixels != Pixels_ || surface->w != SurfaceW_ ||
                     surface->h != SurfaceH_;
  const bool scaled = Box_.W != picW || Box_.H != picH;
  if (fresh && scaled) Scaler_.Prepare(picW, picH, Box_.W, Box_.H);
  if (SDL_MUSTLOCK(surface) && SDL_LockSurface(surface) != 0) {
    Valid_ = false;
    return shown;
  }
  const Rect whole{0, 0, picW, picH};
  if (fresh) {
    SDL_FillRect(surface, nullptr, SDL_MapRGB(surface->format, 0, 0, 0));
    changed = std::span<const Rect>(&whole, 1);
  }
  const uint32_t format = surface->format->format;
  const bool direct = format == SDL_PIXELFORMAT_RGB888 || format == SDL_PIXELFORMAT_ARGB8888;
  // The part of the picture that lies on the surface (all of it but for degenerate sizes).
  const int onW = std::min(Box_.W, surface->w - Box_.X), onH = std::min(Box_.H, surface->h - Box_.Y);
  for (const Rect& part : changed) {
    const int left = std::max(part.X, 0), right = std::min(part.X + part.W, picW);
    const int top = std::max(part.Y, 0), bottom = std::min(part.Y + part.H, picH);
    if (left >= right || top >= bottom) continue;
    int x0 = left, x1 = right, y0 = top, y1 = bottom;
    if (scaled) {
      Scaler_.DestinationColumns(left, right, x0, x1);
      Scaler_.DestinationRows(top, bottom, y0, y1);
    }
    x1 = std::min(x1, onW), y1 = std::min(y1, onH);
    if (x0 >= x1 || y0 >= y1) continue;
    const int w = x1 - x0, h = y1 - y0;
    uint8_t* at = static_cast<uint8_t*>(surface->pixels) + static_cast<ptrdiff_t>(Box_.Y + y0) * surface->pitch +
                  static_cast<ptrdiff_t>(Box_.X + x0) * surface->format->BytesPerPixel;
    // Another pixel format gets the part as the frame's and converts it.
    uint32_t* target = reinterpret_cast<uint32_t*>(at);
    int pitch = surface->pitch;
    if (!direct) {
      Scratch_.resize(static_cast<size_t>(w) * h);
      target = Scratch_.data();
      pitch = w * 4;
    }
    if (scaled) {
      Scaler_.Scale(frame, y0, y1, x0, x1, target, pitch);
    } else {
      for (int y = y0; y < y1; ++y)
        std::memcpy(reinterpret_cast<uint8_t*>(target) + static_cast<ptrdiff_t>(y - y0) * pitch,
                    frame + static_cast<size_t>(y) * picW + x0, static_cast<size_t>(w) * 4);
    }
    if (!direct) SDL_ConvertPixels(w, h, SDL_PIXELFORMAT_ARGB8888, Scratch_.data(), w * 4, format, at, surface->pitch);
    Updated_.push_back(SDL_Rect{Box_.X + x0, Box_.Y + y0, w, h});
  }
  if (SDL_MUSTLOCK(surface)) SDL_UnlockSurface(surface);
  if (Updated_.size() > kMostUpdates) JoinIntoBands(Updated_);
  shown.Whole = fresh || showAll;
  shown.Rects = Updated_;
  Valid_ = true;
  Surface_ = surface;
  Pixels_ = surface->pixels;
  SurfaceW_ = surface->w;
  SurfaceH_ = surface->h;
  return shown;
}

}  // namespace omega
