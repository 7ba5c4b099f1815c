// Tone and colour adjustments of the converted picture, one body per
// adjustment for the four sample formats. Every table is rebuilt per call.
#pragma once

#include <cstdint>
#include <vector>

#include "processing/pixel_region.h"
#include "processing/processor_features.h"

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

// The brightness table (of BrightnessTable) as a fixed-point product with 16
// fraction bits: every entry T[s] equals min(s * whole + ((s * fraction) >> 16), M).
// Found near the factor's own digits and checked entry by entry; `exact` is
// false when no candidate meets every entry, and the table is then the only way.
struct BrightnessProduct {
  bool exact;
  std::uint16_t whole;
  std::uint16_t fraction;
};
BrightnessProduct FindBrightnessProduct(std::int32_t brightness,
                                        const std::vector<std::uint16_t>& table);

// One 8-bit pixel through hue and saturation: b, g, r in place.
void HueSaturationPixel(const HueSaturationParams& params, int& r, int& g, int& b);

// The table of `first` followed by the table of `second` (both M + 1 entries).
std::vector<std::uint16_t> ComposeTables(std::vector<std::uint16_t> first,
                                         const std::vector<std::uint16_t>& second);

// Table stages fused into their neighbours, so that a frame with every stage on
// touches the picture fewer times. Each gives exactly the samples of the stage
// followed by ApplyToneTable with `table` (M + 1 entries; null: no table).
struct TonedHueSaturationParams {
  HueSaturationParams hueSaturation;
  const std::uint16_t* table;
};
int AdjustHueSaturationToned8(KELVO_PIXEL_KERNEL_PARAMS);
int AdjustHueSaturationToned8Sse2(KELVO_PIXEL_KERNEL_PARAMS);
int AdjustHueSaturationToned16(KELVO_PIXEL_KERNEL_PARAMS);
int AdjustHueSaturationToned16Sse2(KELVO_PIXEL_KERNEL_PARAMS);
// Colour formats only, by the processor's variant.
PixelKernel ChooseHueSaturationToned(SampleFormat format, SimdVariant variant);

struct TonedSharpnessParams {
  std::int32_t sharpness;
  const std::uint16_t* table;
  SimdVariant variant;  // SSE2: eight samples a step
  // When exact, meets the table and stands in for it in the SSE2 steps.
  BrightnessProduct product;
};
template <SampleFormat F>
int AdjustSharpnessToned(KELVO_PIXEL_KERNEL_PARAMS);

namespace tone_detail {
// Converts the first multiple of eight pixels of an 8-bit colour row and maps
// each result through table (256 entries); returns how many pixels it did
// (0 for settings outside what its lanes hold).
int HueSaturationRowSse2(std::uint8_t* row, int width, int samplesPerPixel,
                         const HueSaturationParams& params, const std::uint8_t* table);
// The same for 10-bit colour rows; table (256 entries) takes each 8-bit result
// to the sample written.
int HueSaturationRow16Sse2(std::uint16_t* row, int width, int samplesPerPixel,
                           const HueSaturationParams& params, const std::uint16_t* table);
// The sums of four rows' samples [0, count) (10-bit samples masked to 1023);
// return how far they got.
int ColumnSumsSse2(const std::uint8_t* const rows[4], std::uint16_t* sums, int count);
int ColumnSumsSse2(const std::uint16_t* const rows[4], std::uint16_t* sums, int count);
// The sums of the next row down from those of the row above: the leaving row's
// samples out, the entering row's in; returns how far it got, like the above.
int SlideColumnSumsSse2(const std::uint8_t* leaving, const std::uint8_t* entering,
                        std::uint16_t* sums, int count);
int SlideColumnSumsSse2(const std::uint16_t* leaving, const std::uint16_t* entering,
                        std::uint16_t* sums, int count);
// The sharpen step of samples [begin, end) of a row (begin on a pixel) from its
// column sums, spare fourth samples left alone, each result brightened by the
// product when there is one; returns where it stopped (the plain loop does the
// rest).
int SharpenRowSse2(const std::uint16_t* columnSums, const std::uint8_t* source, std::uint8_t* out,
                   int begin, int end, int spp, int sigma, const BrightnessProduct* product);
int SharpenRowSse2(const std::uint16_t* columnSums, const std::uint16_t* source, std::uint16_t* out,
                   int begin, int end, int spp, int sigma, const BrightnessProduct* product);
}  // namespace tone_detail

}  // namespace kelvo
