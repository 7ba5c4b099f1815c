// MMX interior: four pairs (8 pixels) per step with base MMX instructions only.
#include <mmintrin.h>

#include <cstring>

#include "processing/demosaic_simd_rows.h"

#define KELVO_MMX __attribute__((target("mmx")))

namespace kelvo {
namespace {

using demosaic_detail::PairRows;

KELVO_MMX inline __m64 Load(const std::uint8_t* p) {
  __m64 v;
  std::memcpy(&v, p, sizeof(v));
  return v;
}
KELVO_MMX inline void Store(std::uint8_t* p, __m64 v) { std::memcpy(p, &v, sizeof(v)); }
KELVO_MMX inline __m64 LowBytes(__m64 v) { return _mm_and_si64(v, _mm_set1_pi16(0x00FF)); }
KELVO_MMX inline __m64 HighBytes(__m64 v) { return _mm_srli_pi16(v, 8); }
KELVO_MMX inline __m64 TriplePlus(__m64 a, __m64 b) {
  return _mm_add_pi16(_mm_add_pi16(a, _mm_add_pi16(a, a)), b);
}
// min(255, ((sum >> 4) * gain') >> 7); the limit by a saturating subtraction.
KELVO_MMX inline __m64 ScaleSimd8(__m64 sum, __m64 gain) {
  __m64 v = _mm_srli_pi16(_mm_mullo_pi16(_mm_srli_pi16(sum, 4), gain), 7);
  return _mm_sub_pi16(v, _mm_subs_pu16(v, _mm_set1_pi16(255)));
}

KELVO_MMX void MmxPairRow8(const PairRows& rows, std::uint8_t* out, int c, int steps, int gainRed,
                           int gainBlue) {
  const __m64 redGain = _mm_set1_pi16(static_cast<short>(gainRed));
  const __m64 blueGain = _mm_set1_pi16(static_cast<short>(gainBlue));
  const __m64 zero = _mm_setzero_si64();
  for (int step = 0; step < steps; ++step, c += 8) {
    const __m64 rm0 = Load(rows.redMain + c - 2), rm1 = Load(rows.redMain + c);
    const __m64 rPrev = TriplePlus(LowBytes(rm0), LowBytes(Load(rows.redFar + c - 2)));
    const __m64 rHere = TriplePlus(LowBytes(rm1), LowBytes(Load(rows.redFar + c)));
    const __m64 rNext =
        TriplePlus(LowBytes(Load(rows.redMain + c + 2)), LowBytes(Load(rows.redFar + c + 2)));
    const __m64 r3 = _mm_add_pi16(rHere, _mm_add_pi16(rHere, rHere));
    const __m64 redFirst = ScaleSimd8(_mm_add_pi16(r3, rPrev), redGain);
    const __m64 redSecond = ScaleSimd8(_mm_add_pi16(r3, rNext), redGain);

    const __m64 bm0 = Load(rows.blueMain + c - 1);
    const __m64 qPrev = TriplePlus(LowBytes(bm0), LowBytes(Load(rows.blueFar + c - 1)));
    const __m64 qNext =
        TriplePlus(LowBytes(Load(rows.blueMain + c + 1)), LowBytes(Load(rows.blueFar + c + 1)));
    const __m64 qSum = _mm_add_pi16(qPrev, qNext);
    const __m64 blueFirst = ScaleSimd8(_mm_add_pi16(qSum, _mm_slli_pi16(qPrev, 1)), blueGain);
    const __m64 blueSecond = ScaleSimd8(_mm_add_pi16(qSum, _mm_slli_pi16(qNext, 1)), blueGain);

    const __m64 blueHere = HighBytes(bm0);
    const __m64 greenFirst = _mm_srli_pi16(_mm_add_pi16(HighBytes(rm0), blueHere), 1);
    const __m64 greenSecond = _mm_srli_pi16(_mm_add_pi16(blueHere, HighBytes(rm1)), 1);

    const __m64 w0 = _mm_or_si64(blueFirst, _mm_slli_pi16(greenFirst, 8));
    const __m64 w1 = _mm_or_si64(redFirst, _mm_slli_pi16(blueSecond, 8));
    const __m64 w2 = _mm_or_si64(greenSecond, _mm_slli_pi16(redSecond, 8));
    const __m64 abLow = _mm_unpacklo_pi16(w0, w1), abHigh = _mm_unpackhi_pi16(w0, w1);
    const __m64 cLow = _mm_unpacklo_pi16(w2, zero), cHigh = _mm_unpackhi_pi16(w2, zero);
    const __m64 pairs[4] = {_mm_unpacklo_pi32(abLow, cLow), _mm_unpackhi_pi32(abLow, cLow),
                            _mm_unpacklo_pi32(abHigh, cHigh), _mm_unpackhi_pi32(abHigh, cHigh)};
    std::uint8_t* p = out + 3 * c;
    for (int i = 0; i < 3; ++i, p += 6) Store(p, pairs[i]);
    if (step + 1 < steps) {
      Store(p, pairs[3]);
    } else {
      std::uint8_t last[8];
      Store(last, pairs[3]);
      std::memcpy(p, last, 6);
    }
  }
  _mm_empty();
}

}  // namespace

int DemosaicInterior8Mmx(KELVO_PIXEL_KERNEL_PARAMS) {
  return demosaic_detail::RunPairRows<std::uint8_t>(dst, src, srcRect, dstX, dstY, dstBytesPerPixel,
                                                    srcBytesPerPixel, dstStride, srcStride, userA,
                                                    userB, 3, 8, MmxPairRow8, 13, true);
}

}  // namespace kelvo
