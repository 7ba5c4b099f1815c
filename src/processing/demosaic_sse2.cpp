// SSE2 interiors. Compiled for the baseline of each build and switched on per
// function, so the i686 library still loads on processors without SSE2.
#include <emmintrin.h>

#include <cstring>

#include "processing/demosaic_simd_rows.h"

#define KELVO_SSE2 __attribute__((target("sse2")))

namespace kelvo {
namespace {

using demosaic_detail::PairRows;

KELVO_SSE2 inline __m128i Load(const void* p) {
  return _mm_loadu_si128(static_cast<const __m128i*>(p));
}
KELVO_SSE2 inline __m128i TriplePlus(__m128i a, __m128i b) {
  return _mm_add_epi16(_mm_mullo_epi16(a, _mm_set1_epi16(3)), b);
}

// The upper eight bytes, to any address.
KELVO_SSE2 inline void StoreHigh(std::uint8_t* p, __m128i v) {
  _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_unpackhi_epi64(v, v));
}

KELVO_SSE2 inline __m128i LowBytes(__m128i v) { return _mm_and_si128(v, _mm_set1_epi16(0x00FF)); }
KELVO_SSE2 inline __m128i HighBytes(__m128i v) { return _mm_srli_epi16(v, 8); }
// ((sum >> 4) * gain') >> 7; the limit of 255 comes with the packing to bytes.
KELVO_SSE2 inline __m128i ScaleSimd8(__m128i sum, __m128i gain) {
  return _mm_srli_epi16(_mm_mullo_epi16(_mm_srli_epi16(sum, 4), gain), 7);
}

// Eight pairs (16 pixels) per step.
KELVO_SSE2 void Sse2PairRow8(const PairRows& rows, std::uint8_t* out, int c, int steps, int gainRed,
                             int gainBlue) {
  const __m128i redGain = _mm_set1_epi16(static_cast<short>(gainRed));
  const __m128i blueGain = _mm_set1_epi16(static_cast<short>(gainBlue));
  for (int step = 0; step < steps; ++step, c += 16) {
    const __m128i rm0 = Load(rows.redMain + c - 2), rm1 = Load(rows.redMain + c);
    const __m128i rPrev = TriplePlus(LowBytes(rm0), LowBytes(Load(rows.redFar + c - 2)));
    const __m128i rNext =
        TriplePlus(LowBytes(Load(rows.redMain + c + 2)), LowBytes(Load(rows.redFar + c + 2)));
    // R at c is R at c + 2 moved up one lane, with lane 0 from lane 1 of R at c - 2.
    const __m128i rHere =
        _mm_or_si128(_mm_slli_si128(rNext, 2), _mm_srli_si128(_mm_slli_si128(rPrev, 12), 14));
    const __m128i r3 = _mm_mullo_epi16(rHere, _mm_set1_epi16(3));
    const __m128i redFirst = ScaleSimd8(_mm_add_epi16(r3, rPrev), redGain);
    const __m128i redSecond = ScaleSimd8(_mm_add_epi16(r3, rNext), redGain);

    const __m128i bm0 = Load(rows.blueMain + c - 1);
    const __m128i qPrev = TriplePlus(LowBytes(bm0), LowBytes(Load(rows.blueFar + c - 1)));
    const __m128i qNext =
        TriplePlus(LowBytes(Load(rows.blueMain + c + 1)), LowBytes(Load(rows.blueFar + c + 1)));
    const __m128i qSum = _mm_add_epi16(qPrev, qNext);
    const __m128i blueFirst = ScaleSimd8(_mm_add_epi16(qSum, _mm_slli_epi16(qPrev, 1)), blueGain);
    const __m128i blueSecond = ScaleSimd8(_mm_add_epi16(qSum, _mm_slli_epi16(qNext, 1)), blueGain);

    const __m128i blueHere = HighBytes(bm0);
    const __m128i greenFirst = _mm_srli_epi16(_mm_add_epi16(HighBytes(rm0), blueHere), 1);
    const __m128i greenSecond = _mm_srli_epi16(_mm_add_epi16(blueHere, HighBytes(rm1)), 1);

    // Bytes (first pairs' values, then second pairs'), limited to 255 by the packing,
    // then six bytes per pair as three words: (bF gF) (rF bS) (gS rS).
    const __m128i blue = _mm_packus_epi16(blueFirst, blueSecond);
    const __m128i green = _mm_packus_epi16(greenFirst, greenSecond);
    const __m128i red = _mm_packus_epi16(redFirst, redSecond);
    const __m128i w0 = _mm_unpacklo_epi8(blue, green);
    const __m128i w1 = _mm_unpacklo_epi8(red, _mm_srli_si128(blue, 8));
    const __m128i w2 = _mm_unpackhi_epi8(green, red);
    const __m128i zero = _mm_setzero_si128();
    const __m128i abLow = _mm_unpacklo_epi16(w0, w1), abHigh = _mm_unpackhi_epi16(w0, w1);
    const __m128i cLow = _mm_unpacklo_epi16(w2, zero), cHigh = _mm_unpackhi_epi16(w2, zero);
    const __m128i pairs[4] = {_mm_unpacklo_epi32(abLow, cLow), _mm_unpackhi_epi32(abLow, cLow),
                              _mm_unpacklo_epi32(abHigh, cHigh), _mm_unpackhi_epi32(abHigh, cHigh)};
    // Eight-byte stores six bytes apart; each covers the previous one's two spare bytes.
    std::uint8_t* p = out + 3 * c;
    for (int i = 0; i < 3; ++i, p += 12) {
      _mm_storel_epi64(reinterpret_cast<__m128i*>(p), pairs[i]);
      StoreHigh(p + 6, pairs[i]);
    }
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), pairs[3]);
    if (step + 1 < steps) {
      StoreHigh(p + 6, pairs[3]);
    } else {
      // The row's last pair: exactly its six bytes.
      std::uint8_t last[16];
      _mm_storeu_si128(reinterpret_cast<__m128i*>(last), pairs[3]);
      std::memcpy(p + 6, last + 8, 6);
    }
  }
}

KELVO_SSE2 inline __m128i EvenSamples16(const std::uint16_t* p) {
  const __m128i low = _mm_set1_epi32(0xFFFF);
  return _mm_packs_epi32(_mm_and_si128(Load(p), low), _mm_and_si128(Load(p + 8), low));
}
KELVO_SSE2 inline __m128i OddSamples16(const std::uint16_t* p) {
  return _mm_packs_epi32(_mm_srli_epi32(Load(p), 16), _mm_srli_epi32(Load(p + 8), 16));
}

// (sum * gain') >> 11 from the full 32-bit product, limited to 1023.
KELVO_SSE2 inline __m128i ScaleExact16(__m128i sum, __m128i gain) {
  const __m128i low = _mm_mullo_epi16(sum, gain);
  const __m128i high = _mm_mulhi_epu16(sum, gain);
  const __m128i shifted = _mm_or_si128(_mm_slli_epi16(high, 5), _mm_srli_epi16(low, 11));
  return _mm_min_epi16(shifted, _mm_set1_epi16(1023));
}

// Eight pairs per step with exactly the plain arithmetic, for 10-bit samples.
KELVO_SSE2 void Sse2PairRow16(const PairRows& rows, std::uint8_t* outRow, int c, int steps,
                              int gainRed, int gainBlue) {
  auto* redMain = reinterpret_cast<const std::uint16_t*>(rows.redMain);
  auto* redFar = reinterpret_cast<const std::uint16_t*>(rows.redFar);
  auto* blueMain = reinterpret_cast<const std::uint16_t*>(rows.blueMain);
  auto* blueFar = reinterpret_cast<const std::uint16_t*>(rows.blueFar);
  auto* out = reinterpret_cast<std::uint16_t*>(outRow);
  const __m128i redGain = _mm_set1_epi16(static_cast<short>(gainRed));
  const __m128i blueGain = _mm_set1_epi16(static_cast<short>(gainBlue));
  for (int step = 0; step < steps; ++step, c += 16) {
    const __m128i rPrev = TriplePlus(EvenSamples16(redMain + c - 2), EvenSamples16(redFar + c - 2));
    const __m128i rHere = TriplePlus(EvenSamples16(redMain + c), EvenSamples16(redFar + c));
    const __m128i rNext = TriplePlus(EvenSamples16(redMain + c + 2), EvenSamples16(redFar + c + 2));
    const __m128i r3 = _mm_add_epi16(rHere, _mm_add_epi16(rHere, rHere));
    const __m128i redFirst = ScaleExact16(_mm_add_epi16(r3, rPrev), redGain);
    const __m128i redSecond = ScaleExact16(_mm_add_epi16(r3, rNext), redGain);

    const __m128i qPrev =
        TriplePlus(EvenSamples16(blueMain + c - 1), EvenSamples16(blueFar + c - 1));
    const __m128i qNext =
        TriplePlus(EvenSamples16(blueMain + c + 1), EvenSamples16(blueFar + c + 1));
    const __m128i qSum = _mm_add_epi16(qPrev, qNext);
    const __m128i blueFirst = ScaleExact16(_mm_add_epi16(qSum, _mm_slli_epi16(qPrev, 1)), blueGain);
    const __m128i blueSecond =
        ScaleExact16(_mm_add_epi16(qSum, _mm_slli_epi16(qNext, 1)), blueGain);

    const __m128i blueHere = OddSamples16(blueMain + c - 1);
    const __m128i greenFirst =
        _mm_srli_epi16(_mm_add_epi16(OddSamples16(redMain + c - 2), blueHere), 1);
    const __m128i greenSecond =
        _mm_srli_epi16(_mm_add_epi16(blueHere, OddSamples16(redMain + c)), 1);

    // Twelve bytes per pair as three 32-bit words: (bF gF) (rF bS) (gS rS).
    const __m128i words[3][2] = {
        {_mm_unpacklo_epi16(blueFirst, greenFirst), _mm_unpackhi_epi16(blueFirst, greenFirst)},
        {_mm_unpacklo_epi16(redFirst, blueSecond), _mm_unpackhi_epi16(redFirst, blueSecond)},
        {_mm_unpacklo_epi16(greenSecond, redSecond), _mm_unpackhi_epi16(greenSecond, redSecond)}};
    std::uint16_t* p = out + 3 * c;
    for (int half = 0; half < 2; ++half) {
      const __m128i ab0 = _mm_unpacklo_epi32(words[0][half], words[1][half]);
      const __m128i ab1 = _mm_unpackhi_epi32(words[0][half], words[1][half]);
      const __m128i cc0 = _mm_unpacklo_epi32(words[2][half], words[2][half]);
      const __m128i cc1 = _mm_unpackhi_epi32(words[2][half], words[2][half]);
      const __m128i pair[4] = {
          _mm_unpacklo_epi64(ab0, words[2][half]), _mm_unpackhi_epi64(ab0, cc0),
          _mm_unpacklo_epi64(ab1, _mm_srli_si128(words[2][half], 8)), _mm_unpackhi_epi64(ab1, cc1)};
      // Sixteen-byte stores twelve bytes apart; each covers the previous one's spare word.
      for (int i = 0; i < 4; ++i, p += 6) {
        if (half == 1 && i == 3 && step + 1 == steps) {
          std::uint8_t last[16];
          _mm_storeu_si128(reinterpret_cast<__m128i*>(last), pair[i]);
          std::memcpy(p, last, 12);
        } else {
          _mm_storeu_si128(reinterpret_cast<__m128i*>(p), pair[i]);
        }
      }
    }
  }
}

}  // namespace

int DemosaicInterior8Sse2(KELVO_PIXEL_KERNEL_PARAMS) {
  return demosaic_detail::RunPairRows<std::uint8_t>(dst, src, srcRect, dstX, dstY, dstBytesPerPixel,
                                                    srcBytesPerPixel, dstStride, srcStride, userA,
                                                    userB, 16, Sse2PairRow8, 13, true);
}

int DemosaicInterior16Sse2(KELVO_PIXEL_KERNEL_PARAMS) {
  return demosaic_detail::RunPairRows<std::uint16_t>(
      dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride, srcStride,
      userA, userB, 16, Sse2PairRow16, 0, false);
}

}  // namespace kelvo
