// SIMD gray gain passes, switched on per function like the demosaic's.
#include <emmintrin.h>
#include <xmmintrin.h>

#include <algorithm>

#include "processing/gray_mode.h"

namespace kelvo {
namespace {

using gray_detail::RowGains;

inline std::uint8_t ScaleSample(int v, int gain) {
  return static_cast<std::uint8_t>(std::min(255, (v * gain) >> 7));
}

// Columns 1.. of one row; lanes start at column 1, so odd lanes are even columns.
__attribute__((target("sse2"))) void Sse2GrayRow(std::uint8_t* row, int width, RowGains gains) {
  const __m128i laneGains = _mm_setr_epi16(gains.odd, gains.even, gains.odd, gains.even, gains.odd,
                                           gains.even, gains.odd, gains.even);
  const __m128i zero = _mm_setzero_si128(), maximum = _mm_set1_epi16(255);
  int x = 1;
  for (; x + 16 <= width; x += 16) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
    __m128i lo = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpacklo_epi8(v, zero), laneGains), 7);
    __m128i hi = _mm_srli_epi16(_mm_mullo_epi16(_mm_unpackhi_epi8(v, zero), laneGains), 7);
    lo = _mm_min_epi16(lo, maximum);
    hi = _mm_min_epi16(hi, maximum);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x), _mm_packus_epi16(lo, hi));
  }
  for (; x < width; ++x) row[x] = ScaleSample(row[x], (x & 1) != 0 ? gains.odd : gains.even);
}

__attribute__((target("mmx,sse"))) void MmxGrayRow(std::uint8_t* row, int width, RowGains gains) {
  const __m64 laneGains =
      _mm_setr_pi16(static_cast<short>(gains.odd), static_cast<short>(gains.even),
                    static_cast<short>(gains.odd), static_cast<short>(gains.even));
  const __m64 zero = _mm_setzero_si64(), maximum = _mm_set1_pi16(255);
  int x = 1;
  for (; x + 8 <= width; x += 8) {
    __m64 v;
    __builtin_memcpy(&v, row + x, 8);
    __m64 lo = _mm_min_pi16(_mm_srli_pi16(_mm_mullo_pi16(_mm_unpacklo_pi8(v, zero), laneGains), 7),
                            maximum);
    __m64 hi = _mm_min_pi16(_mm_srli_pi16(_mm_mullo_pi16(_mm_unpackhi_pi8(v, zero), laneGains), 7),
                            maximum);
    __m64 packed = _mm_packs_pu16(lo, hi);
    __builtin_memcpy(row + x, &packed, 8);
  }
  _mm_empty();
  for (; x < width; ++x) row[x] = ScaleSample(row[x], (x & 1) != 0 ? gains.odd : gains.even);
}

template <void (*RowFunction)(std::uint8_t*, int, RowGains)>
int RunGrayRows(KELVO_PIXEL_KERNEL_PARAMS) {
  PixelRegion region;
  GrayBalanceParams params;
  if (!gray_detail::PrepareSimdGrayPass(dst, src, srcRect, dstX, dstY, dstBytesPerPixel,
                                        srcBytesPerPixel, dstStride, srcStride, userA, userB,
                                        region, params)) {
    return 0;
  }
  for (int row = 0; row < region.height; ++row) {
    RowFunction(region.DstRow(row), region.width, gray_detail::SimdRowGains(params, row));
  }
  return 1;
}

}  // namespace

int GrayGainPassSse2(KELVO_PIXEL_KERNEL_PARAMS) {
  return RunGrayRows<Sse2GrayRow>(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel,
                                  dstStride, srcStride, userA, userB);
}
int GrayGainPassMmx(KELVO_PIXEL_KERNEL_PARAMS) {
  return RunGrayRows<MmxGrayRow>(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel,
                                 dstStride, srcStride, userA, userB);
}

}  // namespace kelvo
