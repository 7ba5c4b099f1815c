// The sharpen step of 8-bit pictures, eight samples at a time in 16-bit lanes:
// sigma * (s - blurred) stays within 30 * 255, and the truncating division by
// ten is the usual multiply-high by 26215 with the sign fixed up.
#include <emmintrin.h>

#include "processing/tone.h"

#define KELVO_SSE2 __attribute__((target("sse2")))

namespace kelvo::tone_detail {
namespace {

KELVO_SSE2 inline __m128i Sums(const std::uint16_t* columnSums, int i) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(columnSums + i));
}

}  // namespace

KELVO_SSE2 int SharpenRowSse2(const std::uint16_t* columnSums, const std::uint8_t* source,
                              std::uint8_t* out, int begin, int end, int spp, int sigma) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i factor = _mm_set1_epi16(static_cast<short>(sigma));
  int i = begin;
  for (; i + 8 <= end; i += 8) {
    const __m128i box =
        _mm_add_epi16(_mm_add_epi16(Sums(columnSums, i - 2 * spp), Sums(columnSums, i - spp)),
                      _mm_add_epi16(Sums(columnSums, i), Sums(columnSums, i + spp)));
    const __m128i blurred = _mm_srli_epi16(box, 4);
    const __m128i s =
        _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(source + i)), zero);
    const __m128i x = _mm_mullo_epi16(factor, _mm_sub_epi16(s, blurred));
    const __m128i tenth = _mm_sub_epi16(
        _mm_srai_epi16(_mm_mulhi_epi16(x, _mm_set1_epi16(26215)), 2), _mm_srai_epi16(x, 15));
    const __m128i v = _mm_add_epi16(s, tenth);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(v, v));
  }
  return i;
}

}  // namespace kelvo::tone_detail
