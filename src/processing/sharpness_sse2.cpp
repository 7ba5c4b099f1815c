// The unsharp mask in 16-bit lanes, for 8- and 10-bit samples: sigma * (s -
// blurred) stays within 30 * 1023, and the truncating division by ten is the
// usual multiply-high by 26215 with the sign fixed up. Pixels with a spare
// fourth sample keep it: those lanes take the destination's own value back.
#include <emmintrin.h>

#include "processing/tone.h"

#define KELVO_SSE2 __attribute__((target("sse2")))

namespace kelvo::tone_detail {
namespace {

KELVO_SSE2 inline __m128i Load(const void* p) {
  return _mm_loadu_si128(static_cast<const __m128i*>(p));
}
KELVO_SSE2 inline __m128i Load8(const std::uint8_t* p) {
  return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)),
                           _mm_setzero_si128());
}

// s + (sigma * (s - blurred)) / 10 of eight samples, not yet limited.
KELVO_SSE2 inline __m128i Sharpened(const std::uint16_t* columnSums, int i, int spp, __m128i s,
                                    __m128i factor) {
  const __m128i box =
      _mm_add_epi16(_mm_add_epi16(Load(columnSums + i - 2 * spp), Load(columnSums + i - spp)),
                    _mm_add_epi16(Load(columnSums + i), Load(columnSums + i + spp)));
  const __m128i x = _mm_mullo_epi16(factor, _mm_sub_epi16(s, _mm_srli_epi16(box, 4)));
  const __m128i tenth = _mm_sub_epi16(_mm_srai_epi16(_mm_mulhi_epi16(x, _mm_set1_epi16(26215)), 2),
                                      _mm_srai_epi16(x, 15));
  return _mm_add_epi16(s, tenth);
}

// Lanes 3 and 7 of a step are the spare samples of four-sample pixels (steps
// start on a pixel and are eight samples long).
KELVO_SSE2 inline __m128i SpareLanes(int spp) {
  return spp == 4 ? _mm_setr_epi16(0, 0, 0, -1, 0, 0, 0, -1) : _mm_setzero_si128();
}
KELVO_SSE2 inline __m128i Keep(__m128i mask, __m128i old, __m128i fresh) {
  return _mm_or_si128(_mm_and_si128(mask, old), _mm_andnot_si128(mask, fresh));
}

// The brightness product's two factors in every lane, set up once per row:
// read through the reference inside the loop they would be reloaded after
// every byte store.
struct Brightness {
  __m128i whole, fraction;
};
KELVO_SSE2 inline Brightness Lanes(const BrightnessProduct& product) {
  return {_mm_set1_epi16(static_cast<short>(product.whole)),
          _mm_set1_epi16(static_cast<short>(product.fraction))};
}

// Limited samples 0..M times the brightness product, v * whole + (v * fraction
// >> 16): at most 11 * 1023, so the lanes hold it.
KELVO_SSE2 inline __m128i Brightened(__m128i limited, const Brightness& factors) {
  return _mm_add_epi16(_mm_mullo_epi16(limited, factors.whole),
                       _mm_mulhi_epu16(limited, factors.fraction));
}

KELVO_SSE2 inline __m128i Limit(__m128i v, __m128i maximum) {
  return _mm_min_epi16(_mm_max_epi16(v, _mm_setzero_si128()), maximum);
}

template <bool kBrighten>
KELVO_SSE2 int SharpenRow8(const std::uint16_t* columnSums, const std::uint8_t* source,
                           std::uint8_t* out, int begin, int end, int spp, int sigma,
                           const BrightnessProduct& product) {
  const __m128i factor = _mm_set1_epi16(static_cast<short>(sigma));
  const __m128i spare = SpareLanes(spp);
  const Brightness factors = Lanes(product);
  int i = begin;
  for (; i + 8 <= end; i += 8) {
    __m128i v = Sharpened(columnSums, i, spp, Load8(source + i), factor);
    // Products stay within 11 * 255, so the pack limits them to 255.
    if (kBrighten) v = Brightened(Limit(v, _mm_set1_epi16(255)), factors);
    if (spp == 4) v = Keep(spare, Load8(out + i), v);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(v, v));
  }
  return i;
}

template <bool kBrighten>
KELVO_SSE2 int SharpenRow16(const std::uint16_t* columnSums, const std::uint16_t* source,
                            std::uint16_t* out, int begin, int end, int spp, int sigma,
                            const BrightnessProduct& product) {
  const __m128i factor = _mm_set1_epi16(static_cast<short>(sigma));
  const __m128i spare = SpareLanes(spp);
  const __m128i mask = _mm_set1_epi16(1023);
  const Brightness factors = Lanes(product);
  int i = begin;
  for (; i + 8 <= end; i += 8) {
    const __m128i s = _mm_and_si128(Load(source + i), mask);
    __m128i v = Limit(Sharpened(columnSums, i, spp, s, factor), mask);
    if (kBrighten) v = _mm_min_epi16(Brightened(v, factors), mask);
    auto* p = reinterpret_cast<__m128i*>(out + i);
    _mm_storeu_si128(p, spp == 4 ? Keep(spare, Load(p), v) : v);
  }
  return i;
}

}  // namespace

KELVO_SSE2 int ColumnSumsSse2(const std::uint8_t* const rows[4], std::uint16_t* sums, int count) {
  const __m128i zero = _mm_setzero_si128();
  int i = 0;
  for (; i + 16 <= count; i += 16) {
    __m128i low = zero, high = zero;
    for (int k = 0; k < 4; ++k) {
      const __m128i v = Load(rows[k] + i);
      low = _mm_add_epi16(low, _mm_unpacklo_epi8(v, zero));
      high = _mm_add_epi16(high, _mm_unpackhi_epi8(v, zero));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + i), low);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + i + 8), high);
  }
  return i;
}

KELVO_SSE2 int ColumnSumsSse2(const std::uint16_t* const rows[4], std::uint16_t* sums, int count) {
  const __m128i mask = _mm_set1_epi16(1023);
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    __m128i sum = _mm_setzero_si128();
    for (int k = 0; k < 4; ++k) sum = _mm_add_epi16(sum, _mm_and_si128(Load(rows[k] + i), mask));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(sums + i), sum);
  }
  return i;
}

KELVO_SSE2 int SlideColumnSumsSse2(const std::uint8_t* leaving, const std::uint8_t* entering,
                                   std::uint16_t* sums, int count) {
  const __m128i zero = _mm_setzero_si128();
  int i = 0;
  for (; i + 16 <= count; i += 16) {
    const __m128i out = Load(leaving + i), in = Load(entering + i);
    auto* p = reinterpret_cast<__m128i*>(sums + i);
    _mm_storeu_si128(p, _mm_add_epi16(_mm_sub_epi16(Load(p), _mm_unpacklo_epi8(out, zero)),
                                      _mm_unpacklo_epi8(in, zero)));
    _mm_storeu_si128(p + 1, _mm_add_epi16(_mm_sub_epi16(Load(p + 1), _mm_unpackhi_epi8(out, zero)),
                                          _mm_unpackhi_epi8(in, zero)));
  }
  return i;
}

KELVO_SSE2 int SlideColumnSumsSse2(const std::uint16_t* leaving, const std::uint16_t* entering,
                                   std::uint16_t* sums, int count) {
  const __m128i mask = _mm_set1_epi16(1023);
  int i = 0;
  for (; i + 8 <= count; i += 8) {
    auto* p = reinterpret_cast<__m128i*>(sums + i);
    _mm_storeu_si128(p, _mm_add_epi16(_mm_sub_epi16(Load(p), _mm_and_si128(Load(leaving + i), mask)),
                                      _mm_and_si128(Load(entering + i), mask)));
  }
  return i;
}

KELVO_SSE2 int SharpenRowSse2(const std::uint16_t* columnSums, const std::uint8_t* source,
                              std::uint8_t* out, int begin, int end, int spp, int sigma,
                              const BrightnessProduct* product) {
  return product != nullptr
             ? SharpenRow8<true>(columnSums, source, out, begin, end, spp, sigma, *product)
             : SharpenRow8<false>(columnSums, source, out, begin, end, spp, sigma, {});
}

KELVO_SSE2 int SharpenRowSse2(const std::uint16_t* columnSums, const std::uint16_t* source,
                              std::uint16_t* out, int begin, int end, int spp, int sigma,
                              const BrightnessProduct* product) {
  return product != nullptr
             ? SharpenRow16<true>(columnSums, source, out, begin, end, spp, sigma, *product)
             : SharpenRow16<false>(columnSums, source, out, begin, end, spp, sigma, {});
}

}  // namespace kelvo::tone_detail
