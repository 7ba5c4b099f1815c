// Hue and saturation in 16-bit lanes, eight pixels per conversion. The two
// divisions per pixel are done in single precision: numerators stay below 2^16
// and divisors below 2^9, so the correctly rounded quotient never crosses the
// next integer and the truncation is exactly the integer one. Compiled for the
// baseline of each build and switched on per function, like the demosaic.
#include <emmintrin.h>

#include "processing/tone.h"

#define KELVO_SSE2 __attribute__((target("sse2")))

namespace kelvo::tone_detail {
namespace {

// Lambdas do not inherit the target attribute, so the helpers are functions.
KELVO_SSE2 inline __m128i Quotient(__m128i numerator, __m128i divisor) {
  return _mm_cvttps_epi32(_mm_div_ps(_mm_cvtepi32_ps(numerator), _mm_cvtepi32_ps(divisor)));
}

KELVO_SSE2 inline __m128i Select(__m128i mask, __m128i yes, __m128i no) {
  return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}

// Truncated quotients of 16-bit lanes (numerator signed, divisor 1..510). Both
// go in as 2^16 times themselves, the numerator with its sign, without a
// sign extension: the scaling is exact and the quotient the same.
KELVO_SSE2 inline __m128i DivideTruncating(__m128i numerator, __m128i divisor) {
  const __m128i zero = _mm_setzero_si128();
  return _mm_packs_epi32(
      Quotient(_mm_unpacklo_epi16(zero, numerator), _mm_unpacklo_epi16(zero, divisor)),
      Quotient(_mm_unpackhi_epi16(zero, numerator), _mm_unpackhi_epi16(zero, divisor)));
}

// The same for numerators 0..65535 (d * 255).
KELVO_SSE2 inline __m128i DivideUnsigned(__m128i numerator, __m128i divisor) {
  const __m128i zero = _mm_setzero_si128();
  return _mm_packs_epi32(
      Quotient(_mm_unpacklo_epi16(numerator, zero), _mm_unpacklo_epi16(divisor, zero)),
      Quotient(_mm_unpackhi_epi16(numerator, zero), _mm_unpackhi_epi16(divisor, zero)));
}

// m1 + (((m2 - m1) * weight(h)) >> 6), where the weight is the rise, plateau and
// fall of the hue ramp: h below 60 (0 when negative), 64 up to 180, 240 - h after.
KELVO_SSE2 inline __m128i Channel(__m128i h, __m128i m1, __m128i spread) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i rising = _mm_max_epi16(h, zero);
  const __m128i falling = _mm_max_epi16(_mm_sub_epi16(_mm_set1_epi16(240), h), zero);
  const __m128i weight =
      Select(_mm_cmplt_epi16(h, _mm_set1_epi16(60)), rising,
             Select(_mm_cmplt_epi16(h, _mm_set1_epi16(180)), _mm_set1_epi16(64), falling));
  return _mm_add_epi16(m1, _mm_srai_epi16(_mm_mullo_epi16(spread, weight), 6));
}

// The three channels at once for hues known to lie in 0..359 (after the single
// wrap): in each sixth of the circle one channel is m2, one m1 and one on the
// ramp, rising in the even sixths and falling in the odd ones, so one product
// serves all three. Lanes without spread come out m1 whichever way.
KELVO_SSE2 inline void SextantChannels(__m128i h, __m128i m1, __m128i spread, __m128i& r,
                                       __m128i& g, __m128i& b) {
  const __m128i sixth = _mm_mulhi_epu16(h, _mm_set1_epi16(1093));  // h / 60 for h < 360
  const __m128i into = _mm_sub_epi16(h, _mm_mullo_epi16(sixth, _mm_set1_epi16(60)));
  const __m128i one = _mm_set1_epi16(1);
  const __m128i falling = _mm_cmpeq_epi16(_mm_and_si128(sixth, one), one);
  const __m128i weight = Select(falling, _mm_sub_epi16(_mm_set1_epi16(60), into), into);
  const __m128i ramp = _mm_add_epi16(m1, _mm_srai_epi16(_mm_mullo_epi16(spread, weight), 6));
  // m1 <= ramp <= m2: a channel is the ramp raised by `up` or lowered by `down`.
  const __m128i up = _mm_sub_epi16(_mm_add_epi16(m1, spread), ramp);
  const __m128i down = _mm_sub_epi16(ramp, m1);
  const __m128i past1 = _mm_cmpgt_epi16(sixth, _mm_setzero_si128());
  const __m128i past2 = _mm_cmpgt_epi16(sixth, one);
  const __m128i past3 = _mm_cmpgt_epi16(sixth, _mm_set1_epi16(2));
  const __m128i past4 = _mm_cmpgt_epi16(sixth, _mm_set1_epi16(3));
  const __m128i past5 = _mm_cmpgt_epi16(sixth, _mm_set1_epi16(4));
  // Red: m2 in sixths 0 and 5, m1 in 2 and 3. Green: m2 in 1 and 2, m1 in 4
  // and 5. Blue: m2 in 3 and 4, m1 in 0 and 1.
  r = _mm_sub_epi16(_mm_add_epi16(ramp, _mm_andnot_si128(_mm_andnot_si128(past5, past1), up)),
                    _mm_and_si128(_mm_andnot_si128(past4, past2), down));
  g = _mm_sub_epi16(_mm_add_epi16(ramp, _mm_and_si128(_mm_andnot_si128(past3, past1), up)),
                    _mm_and_si128(past4, down));
  b = _mm_sub_epi16(_mm_add_epi16(ramp, _mm_and_si128(_mm_andnot_si128(past5, past3), up)),
                    _mm_andnot_si128(past2, down));
}

// Channel ch of eight pixels n bytes apart.
KELVO_SSE2 inline __m128i Lanes(const std::uint8_t* p, int n, int ch) {
  return _mm_setr_epi16(p[ch], p[n + ch], p[2 * n + ch], p[3 * n + ch], p[4 * n + ch],
                        p[5 * n + ch], p[6 * n + ch], p[7 * n + ch]);
}

// The whole conversion of eight pixels held as 16-bit lanes, results in place.
// kWithinTurn: the hue setting keeps every wrapped hue in 0..359.
template <bool kWithinTurn>
KELVO_SSE2 inline void Convert(__m128i& b, __m128i& g, __m128i& r, __m128i hue,
                               __m128i saturation) {
  const __m128i one = _mm_set1_epi16(1), zero = _mm_setzero_si128();
  const __m128i full = _mm_set1_epi16(255), turn = _mm_set1_epi16(360);
  const __m128i maximum = _mm_max_epi16(_mm_max_epi16(r, g), b);
  const __m128i minimum = _mm_min_epi16(_mm_min_epi16(r, g), b);
  const __m128i sum = _mm_add_epi16(maximum, minimum);
  const __m128i lightness = _mm_srli_epi16(sum, 1);
  const __m128i spreadRgb = _mm_sub_epi16(maximum, minimum);
  const __m128i dark = _mm_cmplt_epi16(lightness, _mm_set1_epi16(128));
  // Grey pixels (spread 0) divide 0 by at least 1: S and H come out 0 as they must.
  const __m128i saturationDivisor =
      _mm_max_epi16(Select(dark, sum, _mm_sub_epi16(_mm_set1_epi16(510), sum)), one);
  __m128i s = DivideUnsigned(_mm_mullo_epi16(spreadRgb, full), saturationDivisor);

  const __m128i redIsMax = _mm_cmpeq_epi16(r, maximum);
  const __m128i greenIsMax = _mm_andnot_si128(redIsMax, _mm_cmpeq_epi16(g, maximum));
  const __m128i numerator = Select(redIsMax, _mm_sub_epi16(g, b),
                                   Select(greenIsMax, _mm_sub_epi16(b, r), _mm_sub_epi16(r, g)));
  // 0, 120 or 240.
  const __m128i sector = _mm_andnot_si128(
      redIsMax, _mm_sub_epi16(_mm_set1_epi16(240), _mm_and_si128(greenIsMax, _mm_set1_epi16(120))));
  __m128i h = _mm_add_epi16(
      DivideTruncating(_mm_slli_epi16(numerator, 6), _mm_max_epi16(spreadRgb, one)), sector);
  h = _mm_add_epi16(h, hue);
  const __m128i below = _mm_and_si128(_mm_cmplt_epi16(h, zero), turn);
  const __m128i above = _mm_and_si128(_mm_cmpgt_epi16(h, _mm_set1_epi16(359)), turn);
  h = _mm_sub_epi16(_mm_add_epi16(h, below), above);

  s = _mm_add_epi16(s, saturation);
  const __m128i grey = _mm_cmplt_epi16(s, one);
  s = _mm_min_epi16(_mm_max_epi16(s, zero), full);
  // Both products stay below 2^16, so the shifts are unsigned.
  const __m128i m2Dark = _mm_srli_epi16(_mm_mullo_epi16(_mm_add_epi16(s, full), lightness), 8);
  const __m128i m2Light =
      _mm_sub_epi16(_mm_add_epi16(s, lightness), _mm_srli_epi16(_mm_mullo_epi16(s, lightness), 8));
  const __m128i m2 = Select(dark, m2Dark, m2Light);
  // Grey lanes: m1 = L and no spread, so every channel comes out L.
  const __m128i m1 =
      Select(grey, lightness, _mm_sub_epi16(_mm_add_epi16(lightness, lightness), m2));
  const __m128i spread = _mm_andnot_si128(grey, _mm_sub_epi16(m2, m1));

  if (kWithinTurn) {
    SextantChannels(h, m1, spread, r, g, b);
    return;
  }
  __m128i hRed = _mm_add_epi16(h, _mm_set1_epi16(120));
  hRed = _mm_sub_epi16(hRed, _mm_and_si128(_mm_cmpgt_epi16(hRed, _mm_set1_epi16(359)), turn));
  const __m128i hBlue = _mm_sub_epi16(h, _mm_set1_epi16(120));
  r = Channel(hRed, m1, spread);
  g = Channel(h, m1, spread);
  b = Channel(hBlue, m1, spread);
}

// One step of splitting 48 interleaved bytes: the new registers interleave byte
// by byte the low half of x with the high half of y, the high half of x with the
// low half of z, and the low half of y with the high half of z. Four steps take
// b0 g0 r0 b1 ... r15 to all blues, all greens, all reds.
KELVO_SSE2 inline void SplitStep(__m128i& x, __m128i& y, __m128i& z) {
  const __m128i nx = _mm_unpacklo_epi8(x, _mm_unpackhi_epi64(y, y));
  const __m128i ny = _mm_unpacklo_epi8(_mm_unpackhi_epi64(x, x), z);
  const __m128i nz = _mm_unpacklo_epi8(y, _mm_unpackhi_epi64(z, z));
  x = nx, y = ny, z = nz;
}

// Four pixels as b g r 0 in 32-bit lanes to their 12 bytes at the bottom.
KELVO_SSE2 inline __m128i Squeeze(__m128i q) {
  const __m128i even = _mm_and_si128(q, _mm_set_epi32(0, 0xFFFFFF, 0, 0xFFFFFF));
  const __m128i odd = _mm_srli_epi64(_mm_and_si128(q, _mm_set_epi32(-1, 0, -1, 0)), 8);
  const __m128i sixes = _mm_or_si128(even, odd);  // six bytes at the bottom of each half
  return _mm_or_si128(_mm_move_epi64(sixes), _mm_slli_si128(_mm_srli_si128(sixes, 8), 6));
}

// Sixteen pixels of blues, greens and reds back to 48 interleaved bytes.
KELVO_SSE2 inline void StoreInterleaved(std::uint8_t* p, __m128i b, __m128i g, __m128i r) {
  const __m128i zero = _mm_setzero_si128();
  const __m128i bgLow = _mm_unpacklo_epi8(b, g), bgHigh = _mm_unpackhi_epi8(b, g);
  const __m128i rLow = _mm_unpacklo_epi8(r, zero), rHigh = _mm_unpackhi_epi8(r, zero);
  const __m128i q0 = Squeeze(_mm_unpacklo_epi16(bgLow, rLow));
  const __m128i q1 = Squeeze(_mm_unpackhi_epi16(bgLow, rLow));
  const __m128i q2 = Squeeze(_mm_unpacklo_epi16(bgHigh, rHigh));
  const __m128i q3 = Squeeze(_mm_unpackhi_epi16(bgHigh, rHigh));
  auto* out = reinterpret_cast<__m128i*>(p);
  _mm_storeu_si128(out, _mm_or_si128(q0, _mm_slli_si128(q1, 12)));
  _mm_storeu_si128(out + 1, _mm_or_si128(_mm_srli_si128(q1, 4), _mm_slli_si128(q2, 8)));
  _mm_storeu_si128(out + 2, _mm_or_si128(_mm_srli_si128(q2, 8), _mm_slli_si128(q3, 4)));
}

KELVO_SSE2 inline bool IsIdentity(const std::uint8_t* table) {
  __m128i step = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  __m128i differs = _mm_setzero_si128();
  for (int i = 0; i < 256; i += 16) {
    const __m128i entries = _mm_loadu_si128(reinterpret_cast<const __m128i*>(table + i));
    differs = _mm_or_si128(differs, _mm_xor_si128(entries, step));
    step = _mm_add_epi8(step, _mm_set1_epi8(16));
  }
  return _mm_movemask_epi8(_mm_cmpeq_epi8(differs, _mm_setzero_si128())) == 0xFFFF;
}

// 24-bit rows sixteen pixels a step: three loads split into channels by
// unpacking, and without a table (the common hue-only setting) three stores.
// With a table its look-ups are the only scalar work left.
template <bool kWithinTurn>
KELVO_SSE2 int HueSaturationRow24(std::uint8_t* row, int width, __m128i hue, __m128i saturation,
                                  const std::uint8_t* table) {
  const bool identity = IsIdentity(table);
  const __m128i zero = _mm_setzero_si128();
  const int done = width & ~15;
  for (int x = 0; x < done; x += 16) {
    std::uint8_t* p = row + x * 3;
    const auto* in = reinterpret_cast<const __m128i*>(p);
    __m128i blue = _mm_loadu_si128(in), green = _mm_loadu_si128(in + 1),
            red = _mm_loadu_si128(in + 2);
    for (int step = 0; step < 4; ++step) SplitStep(blue, green, red);
    __m128i bLow = _mm_unpacklo_epi8(blue, zero), bHigh = _mm_unpackhi_epi8(blue, zero);
    __m128i gLow = _mm_unpacklo_epi8(green, zero), gHigh = _mm_unpackhi_epi8(green, zero);
    __m128i rLow = _mm_unpacklo_epi8(red, zero), rHigh = _mm_unpackhi_epi8(red, zero);
    Convert<kWithinTurn>(bLow, gLow, rLow, hue, saturation);
    Convert<kWithinTurn>(bHigh, gHigh, rHigh, hue, saturation);
    blue = _mm_packus_epi16(bLow, bHigh);
    green = _mm_packus_epi16(gLow, gHigh);
    red = _mm_packus_epi16(rLow, rHigh);
    StoreInterleaved(p, blue, green, red);
  }
  // The table in a pass of its own over what was just stored: read back from
  // memory the bytes cost one load each, where fetching them out of registers
  // cost a spill per byte.
  if (!identity) {
    for (int i = 0; i < done * 3; ++i) row[i] = table[row[i]];
  }
  return done;
}

// 32-bit rows eight pixels a step: channels by masks and shifts, the spare
// byte carried through unchanged; the table afterwards as for 24 bits.
template <bool kWithinTurn>
KELVO_SSE2 int HueSaturationRow32(std::uint8_t* row, int width, __m128i hue, __m128i saturation,
                                  const std::uint8_t* table) {
  const bool identity = IsIdentity(table);
  const __m128i low = _mm_set1_epi32(0xFF);
  const int done = width & ~7;
  for (int x = 0; x < done; x += 8) {
    auto* p = reinterpret_cast<__m128i*>(row + x * 4);
    const __m128i first = _mm_loadu_si128(p), second = _mm_loadu_si128(p + 1);
    __m128i b = _mm_packs_epi32(_mm_and_si128(first, low), _mm_and_si128(second, low));
    __m128i g = _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(first, 8), low),
                                _mm_and_si128(_mm_srli_epi32(second, 8), low));
    __m128i r = _mm_packs_epi32(_mm_and_si128(_mm_srli_epi32(first, 16), low),
                                _mm_and_si128(_mm_srli_epi32(second, 16), low));
    const __m128i spare = _mm_packs_epi32(_mm_srli_epi32(first, 24), _mm_srli_epi32(second, 24));
    Convert<kWithinTurn>(b, g, r, hue, saturation);
    const __m128i blueGreen = _mm_packus_epi16(b, g);
    const __m128i bg = _mm_unpacklo_epi8(blueGreen, _mm_unpackhi_epi64(blueGreen, blueGreen));
    const __m128i ra = _mm_unpacklo_epi8(_mm_packus_epi16(r, r), _mm_packus_epi16(spare, spare));
    _mm_storeu_si128(p, _mm_unpacklo_epi16(bg, ra));
    _mm_storeu_si128(p + 1, _mm_unpackhi_epi16(bg, ra));
  }
  if (!identity) {
    std::uint8_t* p = row;
    for (int x = 0; x < done; ++x, p += 4) {
      p[0] = table[p[0]];
      p[1] = table[p[1]];
      p[2] = table[p[2]];
    }
  }
  return done;
}

// Outside these the 16-bit lanes or the single wrap of the hue would not hold.
bool LanesHoldSettings(const HueSaturationParams& params) {
  return params.lightness == 0 && params.hue >= -360 && params.hue <= 360 &&
         params.saturation >= -255 && params.saturation <= 255;
}

// Eight 10-bit pixels of four samples (the fourth not used) to 8-bit channel lanes.
KELVO_SSE2 inline void SplitWide4(const std::uint16_t* p, __m128i& b, __m128i& g, __m128i& r) {
  const auto* in = reinterpret_cast<const __m128i*>(p);
  const __m128i x0 = _mm_loadu_si128(in), x1 = _mm_loadu_si128(in + 1);
  const __m128i x2 = _mm_loadu_si128(in + 2), x3 = _mm_loadu_si128(in + 3);
  const __m128i t0 = _mm_unpacklo_epi16(x0, x1), t1 = _mm_unpackhi_epi16(x0, x1);
  const __m128i t2 = _mm_unpacklo_epi16(x2, x3), t3 = _mm_unpackhi_epi16(x2, x3);
  const __m128i u0 = _mm_unpacklo_epi16(t0, t1), u1 = _mm_unpackhi_epi16(t0, t1);
  const __m128i u2 = _mm_unpacklo_epi16(t2, t3), u3 = _mm_unpackhi_epi16(t2, t3);
  b = _mm_unpacklo_epi64(u0, u2);
  g = _mm_unpackhi_epi64(u0, u2);
  r = _mm_unpacklo_epi64(u1, u3);
}

KELVO_SSE2 inline __m128i WideLanes(const std::uint16_t* p, int n, int ch) {
  return _mm_setr_epi16(static_cast<short>(p[ch]), static_cast<short>(p[n + ch]),
                        static_cast<short>(p[2 * n + ch]), static_cast<short>(p[3 * n + ch]),
                        static_cast<short>(p[4 * n + ch]), static_cast<short>(p[5 * n + ch]),
                        static_cast<short>(p[6 * n + ch]), static_cast<short>(p[7 * n + ch]));
}

// The 8-bit value of a 10-bit sample: (s >> 2) & 0xFF.
KELVO_SSE2 inline __m128i Narrow(__m128i v) {
  return _mm_and_si128(_mm_srli_epi16(v, 2), _mm_set1_epi16(0xFF));
}

KELVO_SSE2 inline __m128i Limit255(__m128i v) {
  return _mm_min_epi16(_mm_max_epi16(v, _mm_setzero_si128()), _mm_set1_epi16(255));
}

template <bool kWithinTurn>
KELVO_SSE2 int Row8(std::uint8_t* row, int width, int samplesPerPixel,
                    const HueSaturationParams& params, const std::uint8_t* table) {
  const __m128i hue = _mm_set1_epi16(static_cast<short>(params.hue));
  const __m128i saturation = _mm_set1_epi16(static_cast<short>(params.saturation));
  const int n = samplesPerPixel;
  int x = n == 3 ? HueSaturationRow24<kWithinTurn>(row, width, hue, saturation, table)
                 : HueSaturationRow32<kWithinTurn>(row, width, hue, saturation, table);
  // What is left of a 24-bit row: eight pixels gathered lane by lane.
  for (; x + 8 <= width; x += 8) {
    // Lanes filled straight from the bytes: a round trip through memory would
    // stall on the wide load of narrow stores.
    std::uint8_t* p = row + x * n;
    __m128i b = Lanes(p, n, 0), g = Lanes(p, n, 1), r = Lanes(p, n, 2);
    Convert<kWithinTurn>(b, g, r, hue, saturation);
    alignas(16) std::uint8_t bytes[2][16];
    _mm_store_si128(reinterpret_cast<__m128i*>(bytes[0]), _mm_packus_epi16(b, r));
    _mm_store_si128(reinterpret_cast<__m128i*>(bytes[1]), _mm_packus_epi16(g, g));
    for (int i = 0; i < 8; ++i, p += n) {
      p[0] = table[bytes[0][i]];
      p[1] = table[bytes[1][i]];
      p[2] = table[bytes[0][i + 8]];
    }
  }
  return x;
}

template <bool kWithinTurn>
KELVO_SSE2 int Row16(std::uint16_t* row, int width, int samplesPerPixel,
                     const HueSaturationParams& params, const std::uint16_t* table) {
  const __m128i hue = _mm_set1_epi16(static_cast<short>(params.hue));
  const __m128i saturation = _mm_set1_epi16(static_cast<short>(params.saturation));
  const int n = samplesPerPixel;
  int x = 0;
  for (; x + 8 <= width; x += 8) {
    std::uint16_t* p = row + x * n;
    __m128i b, g, r;
    if (n == 4) {
      SplitWide4(p, b, g, r);
    } else {
      b = WideLanes(p, n, 0), g = WideLanes(p, n, 1), r = WideLanes(p, n, 2);
    }
    b = Narrow(b), g = Narrow(g), r = Narrow(r);
    Convert<kWithinTurn>(b, g, r, hue, saturation);
    // Limited to 0..255, then the table takes each result to its 10-bit sample
    // with the tones applied.
    alignas(16) std::uint16_t lanes[3][8];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes[0]), Limit255(b));
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes[1]), Limit255(g));
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes[2]), Limit255(r));
    for (int i = 0; i < 8; ++i, p += n) {
      p[0] = table[lanes[0][i]];
      p[1] = table[lanes[1][i]];
      p[2] = table[lanes[2][i]];
    }
  }
  return x;
}

// From hue -296 up, the hue plus the setting, wrapped once, stays within
// 0..359: the hue of a pixel itself lies in -64..304.
bool WithinTurn(const HueSaturationParams& params) { return params.hue >= -296; }

}  // namespace

KELVO_SSE2 int HueSaturationRowSse2(std::uint8_t* row, int width, int samplesPerPixel,
                                    const HueSaturationParams& params, const std::uint8_t* table) {
  if (!LanesHoldSettings(params)) return 0;
  return WithinTurn(params) ? Row8<true>(row, width, samplesPerPixel, params, table)
                            : Row8<false>(row, width, samplesPerPixel, params, table);
}

KELVO_SSE2 int HueSaturationRow16Sse2(std::uint16_t* row, int width, int samplesPerPixel,
                                      const HueSaturationParams& params,
                                      const std::uint16_t* table) {
  if (!LanesHoldSettings(params)) return 0;
  return WithinTurn(params) ? Row16<true>(row, width, samplesPerPixel, params, table)
                            : Row16<false>(row, width, samplesPerPixel, params, table);
}

}  // namespace kelvo::tone_detail
