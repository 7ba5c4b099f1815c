// Tone and colour adjustments of the converted picture, one body per
// adjustment for the four sample formats. Every table is rebuilt per call.
#pragma once

#include <cstdint>
#include <vector>

#include "processing/pixel_region.h"

namespace kelvo {

enum class SampleFormat { Gray8, Gray16, Color8, Color16 };

// The record of the hue and saturation stage.
struct HueSaturationParams {
  std::int32_t hue;
  std::int32_t lightness;  // always 0 from the pipeline
  std::int32_t saturation;
};

// In place; the first user value points to a pointer to the setting.
template <SampleFormat F>
int AdjustGamma(KELVO_PIXEL_KERNEL_PARAMS);
template <SampleFormat F>
int AdjustContrast(KELVO_PIXEL_KERNEL_PARAMS);
template <SampleFormat F>
int AdjustBrightness(KELVO_PIXEL_KERNEL_PARAMS);
// From the scratch copy (source) into the picture (destination).
template <SampleFormat F>
int AdjustSharpness(KELVO_PIXEL_KERNEL_PARAMS);
// Colour formats only.
int AdjustHueSaturation8(KELVO_PIXEL_KERNEL_PARAMS);
int AdjustHueSaturation16(KELVO_PIXEL_KERNEL_PARAMS);

// A ready table (size M + 1) applied to every channel sample, in place: the
// pipeline composes gamma and contrast into one pass with it.
struct ToneTable {
  const std::uint16_t* entries;
  std::int32_t size;
};
template <SampleFormat F>
int ApplyToneTable(KELVO_PIXEL_KERNEL_PARAMS);
int MaximumSample(SampleFormat format);

// The tables behind the kernels, M + 1 entries for the maximum sample M.
std::vector<std::uint16_t> GammaTable(std::int32_t gamma, int maximum);
std::vector<std::uint16_t> ContrastTable(std::int32_t contrast, int maximum);
std::vector<std::uint16_t> BrightnessTable(std::int32_t brightness, int maximum);

// One 8-bit pixel through hue and saturation: b, g, r in place.
void HueSaturationPixel(const HueSaturationParams& params, int& r, int& g, int& b);

}  // namespace kelvo
