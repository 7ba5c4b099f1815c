// Kernels of the monochrome modes: the vertical mirror, the gray balance of
// gray mode 1 (measurement and per-site gains) and the luminance of gray mode 2.
#pragma once

#include <cstdint>

#include "processing/pixel_region.h"
#include "processing/processor_features.h"

namespace kelvo {

// Gray mode record, in this order. Gains in 1/128 units, offsets added after.
struct GrayBalanceParams {
  std::int32_t bayerMode;
  std::int32_t gainR, gainG1, gainG2, gainB;
  std::int32_t offsetR, offsetG1, offsetG2, offsetB;
};

// Swaps stored rows i and height-1-i in place; 0 (nothing done) without a row buffer.
int MirrorVertical(KELVO_PIXEL_KERNEL_PARAMS);

// Measures the four gains against the (0, 0) class; samples 0 and 255 do not
// count. A class without samples leaves all four gains as they were (result 0).
int MeasureGrayBalance(KELVO_PIXEL_KERNEL_PARAMS);
// v * gain / 128 + offset per site class, limited to 0..255.
int GrayGainPass(KELVO_PIXEL_KERNEL_PARAMS);
// min(255, (v * gain) >> 7) with gains limited to 255, classes from the row
// phase and the column's parity, no offsets, from the second column on.
int GrayGainPassSse2(KELVO_PIXEL_KERNEL_PARAMS);
int GrayGainPassMmx(KELVO_PIXEL_KERNEL_PARAMS);  // needs SSE as well (PMINSW)

// The gain pass a frame uses; the MMX one only where SSE also executes.
PixelKernel ChooseGrayGainPass(const ProcessorInfo& processor, SimdVariant variant);

// 24-bit blue, green, red to 8-bit (59 g + 30 r + 11 b) / 100.
int Luminance(KELVO_PIXEL_KERNEL_PARAMS);

namespace gray_detail {
// Gains of one row for even and odd columns, as the SIMD variants see them.
struct RowGains {
  int even, odd;
};
RowGains SimdRowGains(const GrayBalanceParams& params, int row);
bool PrepareSimdGrayPass(KELVO_PIXEL_KERNEL_PARAMS, PixelRegion& region, GrayBalanceParams& params);
}  // namespace gray_detail

}  // namespace kelvo
