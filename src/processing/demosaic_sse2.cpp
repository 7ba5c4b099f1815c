// SSE2 interiors. Compiled for the baseline of each build and switched on per
// function, so the i686 library still loads on processors without SSE2.
#include <emmintrin.h>

#include <algorithm>
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
// (MOVHPS: one instruction, where moving the half down first takes two.)
KELVO_SSE2 inline void StoreHigh(std::uint8_t* p, __m128i v) {
  _mm_storeh_pi(reinterpret_cast<__m64*>(p), _mm_castsi128_ps(v));
}

KELVO_SSE2 inline __m128i LowBytes(__m128i v) { return _mm_and_si128(v, _mm_set1_epi16(0x00FF)); }
KELVO_SSE2 inline __m128i HighBytes(__m128i v) { return _mm_srli_epi16(v, 8); }
// ((sum >> 4) * gain') >> 7; the limit of 255 comes with the packing to bytes.
KELVO_SSE2 inline __m128i ScaleSimd8(__m128i sum, __m128i gain) {
  return _mm_srli_epi16(_mm_mullo_epi16(_mm_srli_epi16(sum, 4), gain), 7);
}

// (sum * gain') >> 11 from the full product: the plain arithmetic, for the
// columns the kernel has always computed plainly. Packing limits it to 255.
KELVO_SSE2 inline __m128i ScaleExact8(__m128i sum, __m128i gain) {
  const __m128i low = _mm_mullo_epi16(sum, gain);
  const __m128i high = _mm_mulhi_epu16(sum, gain);
  return _mm_or_si128(_mm_slli_epi16(high, 5), _mm_srli_epi16(low, 11));
}

KELVO_SSE2 inline __m128i Select(__m128i mask, __m128i ifSet, __m128i otherwise) {
  return _mm_or_si128(_mm_and_si128(mask, ifSet), _mm_andnot_si128(mask, otherwise));
}

// Which lanes of a step get the plain arithmetic: the lane's column offset in the
// step is at most `lowLast` or at least `highFirst` (both relative to the step).
struct PlainLanes {
  __m128i first;   // the pairs' first pixels, offsets 0, 2, .., 14
  __m128i second;  // offsets 1, 3, .., 15
};

KELVO_SSE2 inline PlainLanes MakePlainLanes(int lowLast, int highFirst) {
  lowLast = lowLast < -1 ? -1 : (lowLast > 16 ? 16 : lowLast);
  highFirst = highFirst < 0 ? 0 : (highFirst > 17 ? 17 : highFirst);
  const __m128i below = _mm_set1_epi16(static_cast<short>(lowLast + 1));
  const __m128i above = _mm_set1_epi16(static_cast<short>(highFirst - 1));
  const __m128i firstOffsets = _mm_setr_epi16(0, 2, 4, 6, 8, 10, 12, 14);
  const __m128i secondOffsets = _mm_setr_epi16(1, 3, 5, 7, 9, 11, 13, 15);
  return {
      _mm_or_si128(_mm_cmpgt_epi16(below, firstOffsets), _mm_cmpgt_epi16(firstOffsets, above)),
      _mm_or_si128(_mm_cmpgt_epi16(below, secondOffsets), _mm_cmpgt_epi16(secondOffsets, above))};
}

// How a step scales red and blue.
enum class StepScale {
  kVector,  // every lane with the vector arithmetic
  kMixed,   // the lanes of `plain` with the plain arithmetic, the rest with the vector one
  kUnit,    // both multipliers 128: either arithmetic is sum >> 4, so every lane is that
  kExact,   // every lane with the plain arithmetic
};

// One step's results as bytes, each register holding the pairs' first pixels
// (columns c, c + 2, .., c + 14) and then their second ones.
struct StepBytes {
  __m128i blue, green, red;
};

// The column sums a step on the grid leaves to the next one: R at c + 2,
// c + 4, .., c + 16 and Q at c + 1, c + 3, .., c + 15.
struct StepCarry {
  __m128i rNext, qNext;
};

// Eight pairs (16 pixels) from column c on, scaled as kScale says. kCarried: the
// step before, at c - 16, left its sums in carry, so only the new ones are summed.
template <StepScale kScale, bool kCarried>
KELVO_SSE2 inline StepBytes Sse2Step8(const PairRows& rows, int c, __m128i redGain,
                                      __m128i blueGain, const PlainLanes& plain, StepCarry& carry) {
  const __m128i rm0 = Load(rows.redMain + c - 2), rm1 = Load(rows.redMain + c);
  const __m128i rNext =
      TriplePlus(LowBytes(Load(rows.redMain + c + 2)), LowBytes(Load(rows.redFar + c + 2)));
  __m128i rPrev, rHere;
  if (kCarried) {
    // The carried sums end with R at c - 2 and c.
    rPrev = _mm_or_si128(_mm_srli_si128(carry.rNext, 12), _mm_slli_si128(rNext, 4));
    rHere = _mm_or_si128(_mm_srli_si128(carry.rNext, 14), _mm_slli_si128(rNext, 2));
  } else {
    rPrev = TriplePlus(LowBytes(rm0), LowBytes(Load(rows.redFar + c - 2)));
    // R at c is R at c + 2 moved up one lane, with lane 0 from lane 1 of R at c - 2.
    rHere = _mm_or_si128(_mm_slli_si128(rNext, 2), _mm_srli_si128(_mm_slli_si128(rPrev, 12), 14));
  }
  const __m128i r3 = _mm_mullo_epi16(rHere, _mm_set1_epi16(3));
  const __m128i redSumFirst = _mm_add_epi16(r3, rPrev);
  const __m128i redSumSecond = _mm_add_epi16(r3, rNext);

  const __m128i bm0 = Load(rows.blueMain + c - 1);
  const __m128i qNext =
      TriplePlus(LowBytes(Load(rows.blueMain + c + 1)), LowBytes(Load(rows.blueFar + c + 1)));
  const __m128i qPrev =
      kCarried ? _mm_or_si128(_mm_srli_si128(carry.qNext, 14), _mm_slli_si128(qNext, 2))
               : TriplePlus(LowBytes(bm0), LowBytes(Load(rows.blueFar + c - 1)));
  carry = {rNext, qNext};
  const __m128i qSum = _mm_add_epi16(qPrev, qNext);
  const __m128i blueSumFirst = _mm_add_epi16(qSum, _mm_slli_epi16(qPrev, 1));
  const __m128i blueSumSecond = _mm_add_epi16(qSum, _mm_slli_epi16(qNext, 1));
  __m128i redFirst, redSecond, blueFirst, blueSecond;
  if (kScale == StepScale::kUnit) {
    redFirst = _mm_srli_epi16(redSumFirst, 4);
    redSecond = _mm_srli_epi16(redSumSecond, 4);
    blueFirst = _mm_srli_epi16(blueSumFirst, 4);
    blueSecond = _mm_srli_epi16(blueSumSecond, 4);
  } else if (kScale == StepScale::kExact) {
    redFirst = ScaleExact8(redSumFirst, redGain);
    redSecond = ScaleExact8(redSumSecond, redGain);
    blueFirst = ScaleExact8(blueSumFirst, blueGain);
    blueSecond = ScaleExact8(blueSumSecond, blueGain);
  } else {
    redFirst = ScaleSimd8(redSumFirst, redGain);
    redSecond = ScaleSimd8(redSumSecond, redGain);
    blueFirst = ScaleSimd8(blueSumFirst, blueGain);
    blueSecond = ScaleSimd8(blueSumSecond, blueGain);
  }
  if (kScale == StepScale::kMixed) {
    redFirst = Select(plain.first, ScaleExact8(redSumFirst, redGain), redFirst);
    redSecond = Select(plain.second, ScaleExact8(redSumSecond, redGain), redSecond);
    blueFirst = Select(plain.first, ScaleExact8(blueSumFirst, blueGain), blueFirst);
    blueSecond = Select(plain.second, ScaleExact8(blueSumSecond, blueGain), blueSecond);
  }

  const __m128i blueHere = HighBytes(bm0);
  const __m128i greenFirst = _mm_srli_epi16(_mm_add_epi16(HighBytes(rm0), blueHere), 1);
  const __m128i greenSecond = _mm_srli_epi16(_mm_add_epi16(blueHere, HighBytes(rm1)), 1);
  // Limited to 255 by the packing.
  return {_mm_packus_epi16(blueFirst, blueSecond), _mm_packus_epi16(greenFirst, greenSecond),
          _mm_packus_epi16(redFirst, redSecond)};
}

// Sixteen 24-bit pixels from column c on as six bytes per pair, three words
// (bF gF) (rF bS) (gS rS). `exactEnd`: the step's last pixel is the last one the
// kernel may write before column W-2, so the two spare bytes stay unwritten.
KELVO_SSE2 inline void Store24(std::uint8_t* out, int c, const StepBytes& v, bool exactEnd) {
  const __m128i w0 = _mm_unpacklo_epi8(v.blue, v.green);
  const __m128i w1 = _mm_unpacklo_epi8(v.red, _mm_srli_si128(v.blue, 8));
  const __m128i w2 = _mm_unpackhi_epi8(v.green, v.red);
  const __m128i abLow = _mm_unpacklo_epi16(w0, w1), abHigh = _mm_unpackhi_epi16(w0, w1);
  // Each pair's last two bytes are spare (the next store covers them), so the
  // third word is simply doubled.
  const __m128i cLow = _mm_unpacklo_epi16(w2, w2), cHigh = _mm_unpackhi_epi16(w2, w2);
  const __m128i pairs[4] = {_mm_unpacklo_epi32(abLow, cLow), _mm_unpackhi_epi32(abLow, cLow),
                            _mm_unpacklo_epi32(abHigh, cHigh), _mm_unpackhi_epi32(abHigh, cHigh)};
  // Eight-byte stores six bytes apart; each covers the previous one's two spare bytes.
  std::uint8_t* p = out + 3 * c;
  for (int i = 0; i < 3; ++i, p += 12) {
    _mm_storel_epi64(reinterpret_cast<__m128i*>(p), pairs[i]);
    StoreHigh(p + 6, pairs[i]);
  }
  _mm_storel_epi64(reinterpret_cast<__m128i*>(p), pairs[3]);
  if (!exactEnd) {
    StoreHigh(p + 6, pairs[3]);
  } else {
    std::uint8_t last[16];
    _mm_storeu_si128(reinterpret_cast<__m128i*>(last), pairs[3]);
    std::memcpy(p + 6, last + 8, 6);
  }
}

// Sixteen 32-bit pixels from column c on; the fourth byte of each keeps its value.
KELVO_SSE2 inline void Store32(std::uint8_t* out, int c, const StepBytes& v) {
  // Columns in order: the first pixels' bytes interleaved with the second ones'.
  const __m128i blue = _mm_unpacklo_epi8(v.blue, _mm_srli_si128(v.blue, 8));
  const __m128i green = _mm_unpacklo_epi8(v.green, _mm_srli_si128(v.green, 8));
  const __m128i red = _mm_unpacklo_epi8(v.red, _mm_srli_si128(v.red, 8));
  const __m128i zero = _mm_setzero_si128();
  const __m128i bgLow = _mm_unpacklo_epi8(blue, green), bgHigh = _mm_unpackhi_epi8(blue, green);
  const __m128i rLow = _mm_unpacklo_epi8(red, zero), rHigh = _mm_unpackhi_epi8(red, zero);
  const __m128i quads[4] = {_mm_unpacklo_epi16(bgLow, rLow), _mm_unpackhi_epi16(bgLow, rLow),
                            _mm_unpacklo_epi16(bgHigh, rHigh), _mm_unpackhi_epi16(bgHigh, rHigh)};
  const __m128i spare = _mm_set1_epi32(static_cast<int>(0xFF000000u));
  auto* p = reinterpret_cast<__m128i*>(out + 4 * c);
  for (int i = 0; i < 4; ++i) {
    _mm_storeu_si128(p + i, _mm_or_si128(quads[i], _mm_and_si128(Load(p + i), spare)));
  }
}

template <StepScale kScale, int kBytesPerPixel, bool kCarried = false>
KELVO_SSE2 inline void Step8(const PairRows& rows, std::uint8_t* out, int c, __m128i redGain,
                             __m128i blueGain, const PlainLanes& plain, bool exactEnd,
                             StepCarry& carry) {
  const StepBytes v = Sse2Step8<kScale, kCarried>(rows, c, redGain, blueGain, plain, carry);
  if (kBytesPerPixel == 3) {
    Store24(out, c, v, exactEnd);
  } else {
    Store32(out, c, v);
  }
}

// Where the 16-pixel steps of an 8-bit row go: on the grid from column
// 2 + column phase, plus one more step ending at the row's last interior column.
// With the vector arithmetic the lanes in columns 2..13 and from the first
// column the grid leaves over take the plain one.
struct RowPlan8 {
  int lastColumn, first, steps, tail, plainFrom;
  bool needsTail, unitGains;
  __m128i redGain, blueGain;
  PlainLanes leadLanes, tailLanes;
};

KELVO_SSE2 inline RowPlan8 MakeRowPlan8(int width, BayerPhase start, int gainRed, int gainBlue) {
  RowPlan8 plan;
  plan.lastColumn = width - 3;
  plan.first = 2 + start.column;
  plan.steps = width < 5 ? 0 : (plan.lastColumn - plan.first + 1) / 16;
  const int gridEnd = plan.first + 16 * plan.steps;
  plan.plainFrom = std::min(gridEnd, 16 * ((width - 4) / 16) + 2);
  // The tail step keeps the grid's pair parity.
  plan.tail = plan.lastColumn - 15;
  if (((plan.tail - plan.first) & 1) != 0) --plan.tail;
  plan.needsTail = plan.steps > 0 && gridEnd <= plan.lastColumn;
  // Gains at 100, the usual case: no products at all.
  plan.unitGains = gainRed == 128 && gainBlue == 128;
  plan.redGain = _mm_set1_epi16(static_cast<short>(gainRed));
  plan.blueGain = _mm_set1_epi16(static_cast<short>(gainBlue));
  plan.leadLanes = MakePlainLanes(13 - plan.first, plan.plainFrom - plan.first);
  plan.tailLanes = MakePlainLanes(13 - plan.tail, plan.plainFrom - plan.tail);
  return plan;
}

// A step on the grid of a row: the first sums everything, the others take the
// carry of the step before.
template <StepScale kScale, int kBytesPerPixel>
KELVO_SSE2 inline void GridStep8(int step, const PairRows& rows, std::uint8_t* out, int c,
                                 const RowPlan8& plan, bool exactEnd, StepCarry& carry) {
  if (step == 0) {
    Step8<kScale, kBytesPerPixel>(rows, out, c, plan.redGain, plan.blueGain, plan.leadLanes,
                                  exactEnd, carry);
  } else {
    Step8<kScale, kBytesPerPixel, true>(rows, out, c, plan.redGain, plan.blueGain, plan.leadLanes,
                                        exactEnd, carry);
  }
}

// The steps of one row; returns one past the last column they wrote (the first
// column when there are none). kExact: every lane with the plain arithmetic.
template <int kBytesPerPixel, bool kExact>
KELVO_SSE2 int VectorRow8(const RowPlan8& plan, const PairRows& rows, std::uint8_t* out) {
  const __m128i redGain = plan.redGain, blueGain = plan.blueGain;
  StepCarry carry{_mm_setzero_si128(), _mm_setzero_si128()};
  int c = plan.first;
  for (int step = 0; step < plan.steps; ++step, c += 16) {
    const bool exactEnd = c + 16 > plan.lastColumn;
    if (plan.unitGains) {
      GridStep8<StepScale::kUnit, kBytesPerPixel>(step, rows, out, c, plan, exactEnd, carry);
    } else if (kExact) {
      GridStep8<StepScale::kExact, kBytesPerPixel>(step, rows, out, c, plan, exactEnd, carry);
    } else if (c <= 13 || c + 15 >= plan.plainFrom) {
      // Only the first and last steps of a row, so without the carry.
      const PlainLanes lanes =
          step == 0 ? plan.leadLanes : MakePlainLanes(13 - c, plan.plainFrom - c);
      Step8<StepScale::kMixed, kBytesPerPixel>(rows, out, c, redGain, blueGain, lanes, exactEnd,
                                               carry);
    } else {
      Step8<StepScale::kVector, kBytesPerPixel, true>(rows, out, c, redGain, blueGain,
                                                      plan.leadLanes, exactEnd, carry);
    }
  }
  if (!plan.needsTail) return c;
  const bool exactEnd = plan.tail + 16 > plan.lastColumn;
  if (plan.unitGains) {
    Step8<StepScale::kUnit, kBytesPerPixel>(rows, out, plan.tail, redGain, blueGain, plan.tailLanes,
                                            exactEnd, carry);
  } else if (kExact) {
    Step8<StepScale::kExact, kBytesPerPixel>(rows, out, plan.tail, redGain, blueGain,
                                             plan.tailLanes, exactEnd, carry);
  } else {
    Step8<StepScale::kMixed, kBytesPerPixel>(rows, out, plan.tail, redGain, blueGain,
                                             plan.tailLanes, exactEnd, carry);
  }
  return plan.tail + 16;
}

// The source rows of a pair of output rows, by the row phase.
inline PairRows MakePairRows(const std::uint8_t* const rows[4], int rowPhase) {
  return rowPhase == 0 ? PairRows{rows[1], rows[3], rows[2], rows[0]}
                       : PairRows{rows[2], rows[0], rows[1], rows[3]};
}

// The 8-bit interiors. With the vector arithmetic (24 bits only) the rows end
// in black in columns 0, 1 and W-1; with kExact only columns 2..W-3 are
// written, as the plain kernel does.
template <int kBytesPerPixel, bool kExact>
KELVO_SSE2 int Sse2Interior8(KELVO_PIXEL_KERNEL_PARAMS) {
  PixelRegion region;
  if (!MakeRegion(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride,
                  srcStride, userA, userB, region)) {
    return 0;
  }
  const DemosaicParams* params = KernelRecord<DemosaicParams>(userA);
  if (params == nullptr || srcBytesPerPixel != 1 || dstBytesPerPixel != kBytesPerPixel) return 0;
  const int width = region.width, height = region.height;
  if (width < 5 || height < 5) return 1;
  const BayerPhase start = StartPhase(params->bayerMode);
  const int gainRed = DemosaicGainMultiplier(params->gainRed);
  const int gainBlue = DemosaicGainMultiplier(params->gainBlue);
  const RowPlan8 plan = MakeRowPlan8(width, start, gainRed, gainBlue);
  auto plainPixel = [&](const std::uint8_t* here, int rowPhase, int c, std::uint8_t* out) {
    demosaic_detail::PlainInteriorPixel<std::uint8_t>(here, region.srcStride, c, rowPhase,
                                                      start.column ^ ((c - 2) & 1), gainRed,
                                                      gainBlue, 255, out + kBytesPerPixel * c);
  };
  for (int r = 2; r < height - 2; ++r) {
    const int rowPhase = start.row ^ ((r - 2) & 1);
    const std::uint8_t* rows[4] = {region.SrcRow(r - 2), region.SrcRow(r - 1), region.SrcRow(r),
                                   region.SrcRow(r + 1)};
    std::uint8_t* out = region.DstRow(r);
    const int end = VectorRow8<kBytesPerPixel, kExact>(plan, MakePairRows(rows, rowPhase), out);
    const int vectorFrom = plan.steps > 0 ? plan.first : end;
    for (int c = 2; c < vectorFrom; ++c) plainPixel(rows[2], rowPhase, c, out);
    for (int c = std::max(end, vectorFrom); c <= plan.lastColumn; ++c) {
      plainPixel(rows[2], rowPhase, c, out);
    }
    if (!kExact) {
      std::memset(out, 0, 6);
      std::memset(out + 3 * (width - 1), 0, 3);
    }
  }
  return 1;
}

// The columns 2..W-3 of a border row, from its reflected source rows, with the
// plain arithmetic; the border kernel does the rest.
KELVO_SSE2 demosaic_detail::ColumnSpan Sse2BorderRow8(const std::uint8_t* const rows[4],
                                                      int rowPhase, BayerPhase start, int gainRed,
                                                      int gainBlue, int width, int bytesPerPixel,
                                                      std::uint8_t* out) {
  const RowPlan8 plan = MakeRowPlan8(width, start, gainRed, gainBlue);
  if (plan.steps == 0) return {0, 0};
  const PairRows pairRows = MakePairRows(rows, rowPhase);
  const int end = bytesPerPixel == 4 ? VectorRow8<4, true>(plan, pairRows, out)
                                     : VectorRow8<3, true>(plan, pairRows, out);
  return {plan.first, end};
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

// Twelve bytes per pair as three 32-bit words: (bF gF) (rF bS) (gS rS).
// `lastStep`: the step's final pixel ends the row's writable part, so the spare
// word of its sixteen-byte store is kept off the next pixel.
KELVO_SSE2 inline void StorePairs48(std::uint16_t* p, __m128i blueFirst, __m128i greenFirst,
                                    __m128i redFirst, __m128i blueSecond, __m128i greenSecond,
                                    __m128i redSecond, bool lastStep) {
  const __m128i words[3][2] = {
      {_mm_unpacklo_epi16(blueFirst, greenFirst), _mm_unpackhi_epi16(blueFirst, greenFirst)},
      {_mm_unpacklo_epi16(redFirst, blueSecond), _mm_unpackhi_epi16(redFirst, blueSecond)},
      {_mm_unpacklo_epi16(greenSecond, redSecond), _mm_unpackhi_epi16(greenSecond, redSecond)}};
  for (int half = 0; half < 2; ++half) {
    const __m128i ab0 = _mm_unpacklo_epi32(words[0][half], words[1][half]);
    const __m128i ab1 = _mm_unpackhi_epi32(words[0][half], words[1][half]);
    const __m128i cc0 = _mm_unpacklo_epi32(words[2][half], words[2][half]);
    const __m128i cc1 = _mm_unpackhi_epi32(words[2][half], words[2][half]);
    const __m128i pair[4] = {_mm_unpacklo_epi64(ab0, words[2][half]), _mm_unpackhi_epi64(ab0, cc0),
                             _mm_unpacklo_epi64(ab1, _mm_srli_si128(words[2][half], 8)),
                             _mm_unpackhi_epi64(ab1, cc1)};
    // Sixteen-byte stores twelve bytes apart; each covers the previous one's spare word.
    for (int i = 0; i < 4; ++i, p += 6) {
      if (half == 1 && i == 3 && lastStep) {
        std::uint8_t last[16];
        _mm_storeu_si128(reinterpret_cast<__m128i*>(last), pair[i]);
        std::memcpy(p, last, 12);
      } else {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(p), pair[i]);
      }
    }
  }
}

// Sixteen bytes per pair, b g r and the pixel's own fourth sample, kept.
KELVO_SSE2 inline void StorePairs64(std::uint16_t* p, __m128i blueFirst, __m128i greenFirst,
                                    __m128i redFirst, __m128i blueSecond, __m128i greenSecond,
                                    __m128i redSecond) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i spare = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
  const __m128i bgFirst[2] = {_mm_unpacklo_epi16(blueFirst, greenFirst),
                              _mm_unpackhi_epi16(blueFirst, greenFirst)};
  const __m128i rFirst[2] = {_mm_unpacklo_epi16(redFirst, zero),
                             _mm_unpackhi_epi16(redFirst, zero)};
  const __m128i bgSecond[2] = {_mm_unpacklo_epi16(blueSecond, greenSecond),
                               _mm_unpackhi_epi16(blueSecond, greenSecond)};
  const __m128i rSecond[2] = {_mm_unpacklo_epi16(redSecond, zero),
                              _mm_unpackhi_epi16(redSecond, zero)};
  auto* out = reinterpret_cast<__m128i*>(p);
  for (int half = 0; half < 2; ++half) {
    // Two pairs' first pixels, then their second ones; a pair is two pixels side by side.
    const __m128i firsts[2] = {_mm_unpacklo_epi32(bgFirst[half], rFirst[half]),
                               _mm_unpackhi_epi32(bgFirst[half], rFirst[half])};
    const __m128i seconds[2] = {_mm_unpacklo_epi32(bgSecond[half], rSecond[half]),
                                _mm_unpackhi_epi32(bgSecond[half], rSecond[half])};
    for (int k = 0; k < 2; ++k) {
      const __m128i pairs[2] = {_mm_unpacklo_epi64(firsts[k], seconds[k]),
                                _mm_unpackhi_epi64(firsts[k], seconds[k])};
      for (const __m128i& pair : pairs) {
        _mm_storeu_si128(out, _mm_or_si128(pair, _mm_and_si128(Load(out), spare)));
        ++out;
      }
    }
  }
}

// Eight pairs per step with exactly the plain arithmetic, for 10-bit samples
// into 48 or 64 bits.
template <int kSamplesPerPixel>
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

    std::uint16_t* p = out + kSamplesPerPixel * c;
    if (kSamplesPerPixel == 3) {
      StorePairs48(p, blueFirst, greenFirst, redFirst, blueSecond, greenSecond, redSecond,
                   step + 1 == steps);
    } else {
      StorePairs64(p, blueFirst, greenFirst, redFirst, blueSecond, greenSecond, redSecond);
    }
  }
}

}  // namespace

int DemosaicInterior8Sse2(KELVO_PIXEL_KERNEL_PARAMS) {
  return Sse2Interior8<3, false>(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel,
                                 dstStride, srcStride, userA, userB);
}

int DemosaicInterior8ExactSse2(KELVO_PIXEL_KERNEL_PARAMS) {
  return dstBytesPerPixel == 4
             ? Sse2Interior8<4, true>(dst, src, srcRect, dstX, dstY, dstBytesPerPixel,
                                      srcBytesPerPixel, dstStride, srcStride, userA, userB)
             : Sse2Interior8<3, true>(dst, src, srcRect, dstX, dstY, dstBytesPerPixel,
                                      srcBytesPerPixel, dstStride, srcStride, userA, userB);
}

int DemosaicBorder8Sse2(KELVO_PIXEL_KERNEL_PARAMS) {
  return demosaic_detail::Border8(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel,
                                  dstStride, srcStride, userA, userB, Sse2BorderRow8);
}

int DemosaicInterior16Sse2(KELVO_PIXEL_KERNEL_PARAMS) {
  const bool spare = dstBytesPerPixel == 8;
  return demosaic_detail::RunPairRows<std::uint16_t>(
      dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride, srcStride,
      userA, userB, spare ? 4 : 3, 16, spare ? Sse2PairRow16<4> : Sse2PairRow16<3>, 0, false);
}

}  // namespace kelvo
