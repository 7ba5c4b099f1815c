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
// The same samples as GrayGainPass, 16 (SSE2) or 8 (MMX) at a time; settings
// beyond what their 16-bit lanes hold exactly go through the plain pass.
int GrayGainPassSse2(KELVO_PIXEL_KERNEL_PARAMS);
int GrayGainPassMmx(KELVO_PIXEL_KERNEL_PARAMS);

// The gain pass a frame uses.
PixelKernel ChooseGrayGainPass(SimdVariant variant);

// 24-bit blue, green, red to 8-bit (59 g + 30 r + 11 b) / 100.
int Luminance(KELVO_PIXEL_KERNEL_PARAMS);

namespace gray_detail {
// Gain and offset of the even and odd columns of one row: every row starts at
// the same sensor column, so two sites describe a whole row.
struct RowSites {
  int evenGain, oddGain;
  int evenOffset, oddOffset;
};
RowSites SitesOfRow(const GrayBalanceParams& params, int row);

inline std::uint8_t GainedSample(int v, int gain, int offset) {
  const int scaled = v * gain / 128 + offset;
  return static_cast<std::uint8_t>(scaled < 0 ? 0 : scaled > 255 ? 255 : scaled);
}

// Samples from..width-1 of one row, one at a time.
void GainRow(std::uint8_t* row, int from, int width, const RowSites& sites);

// Whether the 16-bit lanes give exactly GainedSample: gains 0..32767 (the
// measurement gives at most 254 * 128) and offsets -16384..16384.
bool FitsSimdLanes(const GrayBalanceParams& params);
bool PrepareSimdGrayPass(KELVO_PIXEL_KERNEL_PARAMS, PixelRegion& region, GrayBalanceParams& params);
}  // namespace gray_detail

}  // namespace kelvo
