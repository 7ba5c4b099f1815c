// Bayer demosaic onto the half-pixel grid: output pixel (r, c) is the centre of
// the raw block in rows r-1..r and columns c-1..c. The interior kernels write
// rows and columns 2..size-3, the border kernels the two outermost on each side.
#pragma once

#include <cstdint>

#include "processing/pixel_region.h"
#include "processing/processor_features.h"

namespace kelvo {

// The record the demosaic kernels get (through a pointer to a pointer).
struct DemosaicParams {
  std::int32_t bayerMode;
  std::int32_t gainRed;    // percent, 100 = unchanged
  std::int32_t gainGreen;  // carried, not applied
  std::int32_t gainBlue;
};

// 8-bit raw into 24 or 32 bits (bytes blue, green, red; a fourth byte untouched).
int DemosaicInterior8(KELVO_PIXEL_KERNEL_PARAMS);
int DemosaicBorder8(KELVO_PIXEL_KERNEL_PARAMS);
// The same bytes as DemosaicBorder8, the long rows sixteen pixels a step
// (red and blue gains 0..800).
int DemosaicBorder8Sse2(KELVO_PIXEL_KERNEL_PARAMS);
// 24 bits only; red and blue as min(255, ((sum >> 4) * gain') >> 7), so up to 2
// below the plain kernel outside the columns they recompute plainly.
int DemosaicInterior8Sse2(KELVO_PIXEL_KERNEL_PARAMS);
int DemosaicInterior8Mmx(KELVO_PIXEL_KERNEL_PARAMS);
// 24 or 32 bits: exactly the bytes of DemosaicInterior8, sixteen pixels a step
// (red and blue gains 0..800).
int DemosaicInterior8ExactSse2(KELVO_PIXEL_KERNEL_PARAMS);

// 16-bit raw (0..1023) into 48 or 64 bits.
int DemosaicInterior16(KELVO_PIXEL_KERNEL_PARAMS);
int DemosaicBorder16(KELVO_PIXEL_KERNEL_PARAMS);
// 48 or 64 bits: the same results as DemosaicInterior16 (red and blue gains
// 0..800), eight pixel pairs per step.
int DemosaicInterior16Sse2(KELVO_PIXEL_KERNEL_PARAMS);

// The interior kernel a frame uses. The plain arithmetic for 32 bits or any gain
// above 200, by its exact SSE2 twin where that holds the gains; else by the
// processor's variant.
PixelKernel ChooseDemosaicInterior8(std::uint16_t dstBitCount, const DemosaicParams& params,
                                    SimdVariant variant);
PixelKernel ChooseDemosaicInterior16(const DemosaicParams& params, SimdVariant variant);
PixelKernel ChooseDemosaicBorder8(const DemosaicParams& params, SimdVariant variant);

// gain * 32 / 25: 100 percent becomes 128.
constexpr std::int32_t DemosaicGainMultiplier(std::int32_t percent) { return percent * 32 / 25; }

namespace demosaic_detail {

// Sums of one output pixel at its phase; S(dr, dc) is the raw sample at the offset.
template <class Sampler>
inline void PhaseSums(int rowPhase, int columnPhase, const Sampler& S, int& green, int& red,
                      int& blue) {
  switch ((rowPhase << 1) | columnPhase) {
    case 0:
      green = S(-1, -1) + S(0, 0);
      red = 9 * S(-1, 0) + 3 * S(-1, -2) + 3 * S(1, 0) + S(1, -2);
      blue = 9 * S(0, -1) + 3 * S(0, 1) + 3 * S(-2, -1) + S(-2, 1);
      break;
    case 1:
      green = S(0, -1) + S(-1, 0);
      red = 9 * S(-1, -1) + 3 * S(1, -1) + 3 * S(-1, 1) + S(1, 1);
      blue = 9 * S(0, 0) + 3 * S(0, -2) + 3 * S(-2, 0) + S(-2, -2);
      break;
    case 2:
      green = S(0, -1) + S(-1, 0);
      red = 9 * S(0, 0) + 3 * S(0, -2) + 3 * S(-2, 0) + S(-2, -2);
      blue = 9 * S(-1, -1) + 3 * S(1, -1) + 3 * S(-1, 1) + S(1, 1);
      break;
    default:
      green = S(-1, -1) + S(0, 0);
      red = 9 * S(0, -1) + 3 * S(0, 1) + 3 * S(-2, -1) + S(-2, 1);
      blue = 9 * S(-1, 0) + 3 * S(-1, -2) + 3 * S(1, 0) + S(1, -2);
      break;
  }
}

// One interior pixel with the plain arithmetic, written as blue, green, red.
template <class Sample>
inline void PlainInteriorPixel(const std::uint8_t* srcRow, std::int32_t srcStride, int c,
                               int rowPhase, int columnPhase, int gainRed, int gainBlue, int limit,
                               Sample* out) {
  auto S = [&](int dr, int dc) {
    return static_cast<int>(reinterpret_cast<const Sample*>(
        srcRow + static_cast<std::intptr_t>(dr) * srcStride)[c + dc]);
  };
  int green, red, blue;
  PhaseSums(rowPhase, columnPhase, S, green, red, blue);
  int g = green >> 1;
  int r = (red * gainRed) >> 11;
  int b = (blue * gainBlue) >> 11;
  out[0] = static_cast<Sample>(b > limit ? limit : b);
  out[1] = static_cast<Sample>(g > limit ? limit : g);
  out[2] = static_cast<Sample>(r > limit ? limit : r);
}

// Columns [from, to) of a row.
struct ColumnSpan {
  int from, to;
};
// Writes what it can of columns 2..W-3 of the 8-bit border row whose source
// rows (reflected at the picture's edges) are rows[0..3], for output rows r-2..r+1;
// returns the columns it wrote.
using BorderRowFunction = ColumnSpan (*)(const std::uint8_t* const rows[4], int rowPhase,
                                         BayerPhase start, int gainRed, int gainBlue, int width,
                                         int bytesPerPixel, std::uint8_t* out);
// The 8-bit border, the long rows through rowFunction where given.
int Border8(KELVO_PIXEL_KERNEL_PARAMS, BorderRowFunction rowFunction);

}  // namespace demosaic_detail
}  // namespace kelvo
