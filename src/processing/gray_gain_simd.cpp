// SIMD gray gain passes, switched on per function like the demosaic's. Each
// sample is v * gain / 128 + offset as in the plain pass: the 32-bit product
// from the low and high halves of 16-bit multiplies, shifted, then packed and
// offset with saturation, which only ever moves a sum that is beyond 255 anyway.
#include <emmintrin.h>
#include <mmintrin.h>

#include "processing/gray_mode.h"

namespace kelvo {
namespace {

using gray_detail::GainRow;
using gray_detail::RowSites;

// (v * gain) >> 7 of eight 16-bit lanes, saturated to 16 bits.
__attribute__((target("sse2"))) inline __m128i ScaledSse2(__m128i v, __m128i gains) {
  const __m128i low = _mm_mullo_epi16(v, gains), high = _mm_mulhi_epi16(v, gains);
  const __m128i first = _mm_srai_epi32(_mm_unpacklo_epi16(low, high), 7);
  const __m128i second = _mm_srai_epi32(_mm_unpackhi_epi16(low, high), 7);
  return _mm_packs_epi32(first, second);
}

// Lanes start at even columns, so lane pairs are (even, odd) sites.
__attribute__((target("sse2"))) void Sse2GrayRow(std::uint8_t* row, int width, RowSites sites) {
  const __m128i gains = _mm_set1_epi32((sites.oddGain << 16) | sites.evenGain);
  const __m128i offsets = _mm_set1_epi32(static_cast<std::int32_t>(
      (static_cast<std::uint32_t>(sites.oddOffset) << 16) | (sites.evenOffset & 0xFFFF)));
  const __m128i zero = _mm_setzero_si128();
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + x));
    const __m128i lo = _mm_adds_epi16(ScaledSse2(_mm_unpacklo_epi8(v, zero), gains), offsets);
    const __m128i hi = _mm_adds_epi16(ScaledSse2(_mm_unpackhi_epi8(v, zero), gains), offsets);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + x), _mm_packus_epi16(lo, hi));
  }
  GainRow(row, x, width, sites);  // what the vector steps leave
}

__attribute__((target("mmx"))) inline __m64 ScaledMmx(__m64 v, __m64 gains) {
  const __m64 low = _mm_mullo_pi16(v, gains), high = _mm_mulhi_pi16(v, gains);
  const __m64 first = _mm_srai_pi32(_mm_unpacklo_pi16(low, high), 7);
  const __m64 second = _mm_srai_pi32(_mm_unpackhi_pi16(low, high), 7);
  return _mm_packs_pi32(first, second);
}

// Only MMX instructions, so any processor with MMX runs it.
__attribute__((target("mmx"))) void MmxGrayRow(std::uint8_t* row, int width, RowSites sites) {
  const __m64 gains =
      _mm_set_pi16(static_cast<short>(sites.oddGain), static_cast<short>(sites.evenGain),
                   static_cast<short>(sites.oddGain), static_cast<short>(sites.evenGain));
  const __m64 offsets =
      _mm_set_pi16(static_cast<short>(sites.oddOffset), static_cast<short>(sites.evenOffset),
                   static_cast<short>(sites.oddOffset), static_cast<short>(sites.evenOffset));
  const __m64 zero = _mm_setzero_si64();
  int x = 0;
  for (; x + 8 <= width; x += 8) {
    __m64 v;
    __builtin_memcpy(&v, row + x, 8);
    const __m64 lo = _mm_adds_pi16(ScaledMmx(_mm_unpacklo_pi8(v, zero), gains), offsets);
    const __m64 hi = _mm_adds_pi16(ScaledMmx(_mm_unpackhi_pi8(v, zero), gains), offsets);
    const __m64 packed = _mm_packs_pu16(lo, hi);
    __builtin_memcpy(row + x, &packed, 8);
  }
  _mm_empty();
  GainRow(row, x, width, sites);  // what the vector steps leave
}

template <void (*RowFunction)(std::uint8_t*, int, RowSites)>
int RunGrayRows(KELVO_PIXEL_KERNEL_PARAMS) {
  PixelRegion region;
  GrayBalanceParams params;
  if (!gray_detail::PrepareSimdGrayPass(dst, src, srcRect, dstX, dstY, dstBytesPerPixel,
                                        srcBytesPerPixel, dstStride, srcStride, userA, userB,
                                        region, params)) {
    return 0;
  }
  if (!gray_detail::FitsSimdLanes(params)) {
    return GrayGainPass(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel,
                        dstStride, srcStride, userA, userB);
  }
  for (int row = 0; row < region.height; ++row) {
    RowFunction(region.DstRow(row), region.width, gray_detail::SitesOfRow(params, row));
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
