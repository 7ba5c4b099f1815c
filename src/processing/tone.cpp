#include "processing/tone.h"

#include <algorithm>
#include <cmath>

#include "platform/double_precision.h"

namespace kelvo {
namespace {

template <SampleFormat F>
struct Format;
template <>
struct Format<SampleFormat::Gray8> {
  using Sample = std::uint8_t;
  static constexpr int kChannels = 1, kMaximum = 255;
};
template <>
struct Format<SampleFormat::Gray16> {
  using Sample = std::uint16_t;
  static constexpr int kChannels = 1, kMaximum = 1023;
};
template <>
struct Format<SampleFormat::Color8> {
  using Sample = std::uint8_t;
  static constexpr int kChannels = 3, kMaximum = 255;
};
template <>
struct Format<SampleFormat::Color16> {
  using Sample = std::uint16_t;
  static constexpr int kChannels = 3, kMaximum = 1023;
};

// Samples per pixel in the storage: the channels, or four with a spare one.
template <SampleFormat F>
bool SamplesPerPixel(int bytesPerPixel, int& samples) {
  using Fmt = Format<F>;
  samples = bytesPerPixel / static_cast<int>(sizeof(typename Fmt::Sample));
  if (samples * static_cast<int>(sizeof(typename Fmt::Sample)) != bytesPerPixel) return false;
  return samples == Fmt::kChannels || (Fmt::kChannels == 3 && samples == 4);
}

// Every channel sample s of the region becomes table[s]; a spare fourth sample stays.
template <SampleFormat F>
int ApplyTable(const PixelRegion& region, const std::vector<std::uint16_t>& table) {
  using Fmt = Format<F>;
  using Sample = typename Fmt::Sample;
  int spp;
  if (!SamplesPerPixel<F>(region.dstBytes, spp)) return 0;
  const std::uint16_t* t = table.data();
  for (int row = 0; row < region.height; ++row) {
    auto* s = reinterpret_cast<Sample*>(region.DstRow(row));
    if (spp == Fmt::kChannels) {
      const int count = region.width * spp;
      for (int i = 0; i < count; ++i)
        s[i] = static_cast<Sample>(t[s[i] & (sizeof(Sample) == 1 ? 0xFF : 0x3FF)]);
    } else {
      for (int x = 0; x < region.width; ++x, s += spp) {
        for (int ch = 0; ch < 3; ++ch)
          s[ch] = static_cast<Sample>(t[s[ch] & (sizeof(Sample) == 1 ? 0xFF : 0x3FF)]);
      }
    }
  }
  return 1;
}

template <SampleFormat F>
bool InPlaceRegion(KELVO_PIXEL_KERNEL_PARAMS, PixelRegion& region, std::int32_t& value) {
  if (!MakeRegion(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride,
                  srcStride, userA, userB, region)) {
    return false;
  }
  const std::int32_t* setting = KernelRecord<std::int32_t>(userA);
  if (setting == nullptr || dstBytesPerPixel != srcBytesPerPixel) return false;
  value = *setting;
  return true;
}

}  // namespace

std::vector<std::uint16_t> GammaTable(std::int32_t gamma, int maximum) {
  platform::DoublePrecisionScope doubles;
  double e = gamma <= 100 ? gamma * 0.01 : (gamma - 100) * 0.1 + 1;
  e = std::clamp(e, 0.001, 99.999);
  std::vector<double> logs(maximum + 2);
  for (int k = 1; k <= maximum + 1; ++k) logs[k] = std::log10(static_cast<double>(k));
  const double logMax = logs[maximum];
  std::vector<std::uint16_t> table(maximum + 1, 0);
  for (int i = 1; i <= maximum; ++i) {
    const double lambda = logMax + e * (logs[i] - logMax);
    if (lambda < 0) {
      table[i] = 1;
      continue;
    }
    // The smallest k in 2..M-1 with log(k-1) <= lambda <= log(k+1); no k below
    // 10^lambda - 2 can satisfy the upper bound, so the scan starts there.
    int k = std::max(2, static_cast<int>(std::pow(10.0, lambda)) - 2);
    int found = maximum;
    for (; k <= maximum - 1; ++k) {
      if (logs[k - 1] <= lambda && lambda <= logs[k + 1]) {
        found = k;
        break;
      }
    }
    table[i] = static_cast<std::uint16_t>(found);
  }
  return table;
}

std::vector<std::uint16_t> ContrastTable(std::int32_t contrast, int maximum) {
  platform::DoublePrecisionScope doubles;
  const int scale = (maximum + 1) / 256;  // 1 for 8 bits, 4 for 10 bits
  const int c = contrast * scale;
  const int half = 128 * scale;
  std::vector<std::uint16_t> table(maximum + 1);
  for (int i = 0; i <= maximum; ++i) {
    int v;
    if (i < c) {
      v = 0;
    } else if (i > maximum - c) {
      v = maximum;
    } else {
      v = static_cast<int>(static_cast<double>(maximum + 1) / (2 * (half - c)) * (i - c));
    }
    table[i] = static_cast<std::uint16_t>(std::clamp(v, 0, maximum));
  }
  return table;
}

namespace {
// Callers hold a double precision scope.
double BrightnessFactor(std::int32_t brightness) {
  return brightness > 0 ? 1 + brightness * (10.0 / 255) : 1 - std::abs(brightness) * (1.0 / 255);
}
}  // namespace

std::vector<std::uint16_t> BrightnessTable(std::int32_t brightness, int maximum) {
  platform::DoublePrecisionScope doubles;
  const double k = BrightnessFactor(brightness);
  std::vector<std::uint16_t> table(maximum + 1);
  for (int s = 0; s <= maximum; ++s) {
    table[s] = static_cast<std::uint16_t>(std::clamp(static_cast<int>(k * s), 0, maximum));
  }
  return table;
}

BrightnessProduct FindBrightnessProduct(std::int32_t brightness,
                                        const std::vector<std::uint16_t>& table) {
  const int maximum = static_cast<int>(table.size()) - 1;
  std::int64_t whole, nearest;
  {
    platform::DoublePrecisionScope doubles;
    const double k = BrightnessFactor(brightness);
    whole = static_cast<std::int64_t>(std::floor(k));
    nearest = static_cast<std::int64_t>(std::floor((k - whole) * 65536.0));
  }
  for (const std::int64_t fraction : {nearest, nearest + 1, nearest - 1, nearest + 2}) {
    if (fraction < 0 || fraction > 0xFFFF) continue;
    bool meets = true;
    for (int s = 0; s <= maximum && meets; ++s) {
      const std::int64_t product = s * whole + ((s * fraction) >> 16);
      meets = std::min<std::int64_t>(product, maximum) == table[s];
    }
    if (meets) {
      return {true, static_cast<std::uint16_t>(whole), static_cast<std::uint16_t>(fraction)};
    }
  }
  return {false, 0, 0};
}

// Gamma, contrast and brightness differ only in the table built from the setting.
template <SampleFormat F, std::vector<std::uint16_t> (*MakeTable)(std::int32_t, int)>
int AdjustByTable(KELVO_PIXEL_KERNEL_PARAMS) {
  PixelRegion region;
  std::int32_t value;
  if (!InPlaceRegion<F>(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel,
                        dstStride, srcStride, userA, userB, region, value)) {
    return 0;
  }
  return ApplyTable<F>(region, MakeTable(value, Format<F>::kMaximum));
}

template <SampleFormat F>
int AdjustGamma(KELVO_PIXEL_KERNEL_PARAMS) {
  return AdjustByTable<F, GammaTable>(dst, src, srcRect, dstX, dstY, dstBytesPerPixel,
                                      srcBytesPerPixel, dstStride, srcStride, userA, userB);
}

template <SampleFormat F>
int AdjustContrast(KELVO_PIXEL_KERNEL_PARAMS) {
  return AdjustByTable<F, ContrastTable>(dst, src, srcRect, dstX, dstY, dstBytesPerPixel,
                                         srcBytesPerPixel, dstStride, srcStride, userA, userB);
}

template <SampleFormat F>
int AdjustBrightness(KELVO_PIXEL_KERNEL_PARAMS) {
  return AdjustByTable<F, BrightnessTable>(dst, src, srcRect, dstX, dstY, dstBytesPerPixel,
                                           srcBytesPerPixel, dstStride, srcStride, userA, userB);
}

template <SampleFormat F>
int ApplyToneTable(KELVO_PIXEL_KERNEL_PARAMS) {
  PixelRegion region;
  if (!MakeRegion(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride,
                  srcStride, userA, userB, region)) {
    return 0;
  }
  const ToneTable* table = KernelRecord<ToneTable>(userA);
  if (table == nullptr || table->entries == nullptr || table->size != Format<F>::kMaximum + 1) {
    return 0;
  }
  return ApplyTable<F>(region,
                       std::vector<std::uint16_t>(table->entries, table->entries + table->size));
}

int MaximumSample(SampleFormat format) {
  return format == SampleFormat::Gray8 || format == SampleFormat::Color8 ? 255 : 1023;
}

namespace {

// Every channel sample of samples [begin, end) of a row becomes table[s]; a
// spare fourth sample stays. With four samples a pixel, begin is on a pixel.
template <SampleFormat F>
void MapSamples(typename Format<F>::Sample* s, int begin, int end, int spp,
                const std::uint16_t* t) {
  using Sample = typename Format<F>::Sample;
  constexpr int kMask = sizeof(Sample) == 1 ? 0xFF : 0x3FF;
  if (spp == Format<F>::kChannels) {
    for (int i = begin; i < end; ++i) s[i] = static_cast<Sample>(t[s[i] & kMask]);
    return;
  }
  for (int i = begin; i < end; i += spp) {
    for (int ch = 0; ch < 3; ++ch) s[i + ch] = static_cast<Sample>(t[s[i + ch] & kMask]);
  }
}

// The unsharp mask; with a table, every row of the picture is mapped through it
// as soon as it is final, while still in cache. With an exact brightness
// product the SSE2 steps brighten what they write, and the table maps the rest.
template <SampleFormat F>
int Sharpen(const PixelRegion& region, std::int32_t sigma, const std::uint16_t* table,
            SimdVariant variant, const BrightnessProduct& product) {
  using Fmt = Format<F>;
  using Sample = typename Fmt::Sample;
  int spp;
  if (!SamplesPerPixel<F>(region.dstBytes, spp)) return 0;
  const int width = region.width, height = region.height;
  const int rowSamples = width * spp;
  // Maps the row but for samples [doneBegin, doneEnd), already brightened.
  auto finish = [&](int y, int doneBegin = 0, int doneEnd = 0) {
    if (table == nullptr) return;
    auto* row = reinterpret_cast<Sample*>(region.DstRow(y));
    MapSamples<F>(row, 0, doneBegin, spp, table);
    MapSamples<F>(row, std::max(doneBegin, doneEnd), rowSamples, spp, table);
  };
  if (width < 5 || height < 5) {
    for (int y = 0; y < height; ++y) finish(y);
    return 1;
  }
  finish(0);
  finish(1);
  constexpr int M = Fmt::kMaximum;
  std::vector<int> delta(2 * M + 2);
  for (int j = 0; j < 2 * M + 2; ++j) delta[j] = sigma * (j - M) / 10;
  // Unsharp mask against the 4 x 4 box ending one row and column past the pixel:
  // column sums over four rows first, then four columns of those.
  std::vector<std::uint16_t> columnSums(rowSamples);
  const bool sse2 = variant == SimdVariant::Sse2;
  const BrightnessProduct* brighten = table != nullptr && product.exact ? &product : nullptr;
  for (int y = 2; y < height - 2; ++y) {
    const Sample* rows[4];
    for (int k = 0; k < 4; ++k) rows[k] = reinterpret_cast<const Sample*>(region.SrcRow(y - 2 + k));
    // Below the first row the SSE2 sums slide down; their reach is the same on
    // every row, and the plain tail is summed afresh.
    int i = !sse2   ? 0
            : y > 2 ? tone_detail::SlideColumnSumsSse2(
                          reinterpret_cast<const Sample*>(region.SrcRow(y - 3)), rows[3],
                          columnSums.data(), rowSamples)
                    : tone_detail::ColumnSumsSse2(rows, columnSums.data(), rowSamples);
    for (; i < rowSamples; ++i) {
      columnSums[i] = static_cast<std::uint16_t>((rows[0][i] & M) + (rows[1][i] & M) +
                                                 (rows[2][i] & M) + (rows[3][i] & M));
    }
    const Sample* here = rows[2];
    auto* out = reinterpret_cast<Sample*>(region.DstRow(y));
    const int end = (width - 2) * spp;
    const int begin = 2 * spp;
    i = sse2 ? tone_detail::SharpenRowSse2(columnSums.data(), here, out, begin, end, spp, sigma,
                                           brighten)
             : begin;
    const int brightened = brighten != nullptr ? i : begin;
    auto sharpen = [&](int at) {
      const int blurred = (columnSums[at - 2 * spp] + columnSums[at - spp] + columnSums[at] +
                           columnSums[at + spp]) >>
                          4;
      const int s = here[at] & M;
      out[at] = static_cast<Sample>(std::clamp(s + delta[s - blurred + M], 0, M));
    };
    if (spp == Fmt::kChannels) {
      for (; i < end; ++i) sharpen(i);
    } else {
      for (int x = i / spp; x < width - 2; ++x) {
        for (int ch = 0; ch < Fmt::kChannels; ++ch) sharpen(x * spp + ch);
      }
    }
    finish(y, begin, brightened);
  }
  finish(height - 2);
  finish(height - 1);
  return 1;
}

}  // namespace

template <SampleFormat F>
int AdjustSharpness(KELVO_PIXEL_KERNEL_PARAMS) {
  PixelRegion region;
  std::int32_t sigma;
  if (!InPlaceRegion<F>(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel,
                        dstStride, srcStride, userA, userB, region, sigma)) {
    return 0;
  }
  return Sharpen<F>(region, sigma, nullptr, SimdVariant::Plain, BrightnessProduct{});
}

template <SampleFormat F>
int AdjustSharpnessToned(KELVO_PIXEL_KERNEL_PARAMS) {
  PixelRegion region;
  if (!MakeRegion(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride,
                  srcStride, userA, userB, region)) {
    return 0;
  }
  const TonedSharpnessParams* params = KernelRecord<TonedSharpnessParams>(userA);
  if (params == nullptr || dstBytesPerPixel != srcBytesPerPixel) return 0;
  return Sharpen<F>(region, params->sharpness, params->table, params->variant, params->product);
}

void HueSaturationPixel(const HueSaturationParams& params, int& r, int& g, int& b) {
  const int maxValue = std::max({r, g, b});
  const int minValue = std::min({r, g, b});
  int L = (maxValue + minValue) >> 1;
  int S = 0, H = 0;
  if (maxValue != minValue) {
    const int d = maxValue - minValue;
    S = L < 128 ? d * 255 / (maxValue + minValue) : d * 255 / (510 - maxValue - minValue);
    if (r == maxValue) {
      H = (g - b) * 64 / d;
    } else if (g == maxValue) {
      H = (b - r) * 64 / d + 120;
    } else {
      H = (r - g) * 64 / d + 240;
    }
  }
  H += params.hue;
  if (H < 0) {
    H += 360;
  } else if (H >= 360) {
    H -= 360;
  }
  L += params.lightness;
  S += params.saturation;
  if (S <= 0) {
    r = g = b = std::clamp(L, 0, 255);
    return;
  }
  S = std::min(S, 255);
  const int m2 = L < 128 ? ((S + 255) * L) >> 8 : S + L - ((S * L) >> 8);
  const int m1 = 2 * L - m2;
  auto value = [&](int h) {
    int v;
    if (h < 0) {
      v = m1;
    } else if (h < 60) {
      v = m1 + (((m2 - m1) * h) >> 6);
    } else if (h < 180) {
      v = m2;
    } else if (h < 240) {
      v = m1 + (((m2 - m1) * (240 - h)) >> 6);
    } else {
      v = m1;
    }
    return std::clamp(v, 0, 255);
  };
  r = value((H + 120) % 360);
  g = value(H % 360);
  b = value((H - 120) % 360);
}

namespace {

// A row function converts what it can of a row from its start and returns how
// many pixels it did; the plain loop does the rest (and everything without one).
// Its table takes each 8-bit result to the sample written.
template <class Sample>
using HueSaturationRow = int (*)(Sample* row, int width, int samplesPerPixel,
                                 const HueSaturationParams& params, const Sample* table);

template <class Sample, int kShift>
int HueSaturation(KELVO_PIXEL_KERNEL_PARAMS, const HueSaturationParams* params,
                  const std::uint16_t* table, HueSaturationRow<Sample> rowFunction) {
  PixelRegion region;
  if (!MakeRegion(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride,
                  srcStride, userA, userB, region)) {
    return 0;
  }
  const int spp = region.dstBytes / static_cast<int>(sizeof(Sample));
  if (params == nullptr || (spp != 3 && spp != 4) ||
      spp * static_cast<int>(sizeof(Sample)) != region.dstBytes) {
    return 0;
  }
  constexpr int kMaximum = 255 << kShift | ((1 << kShift) - 1);
  auto tone = [&](int v) { return table != nullptr ? table[v & kMaximum] : v; };
  Sample results[256];
  if (rowFunction != nullptr) {
    for (int v = 0; v < 256; ++v) results[v] = static_cast<Sample>(tone(v << kShift));
  }
  for (int row = 0; row < region.height; ++row) {
    auto* p = reinterpret_cast<Sample*>(region.DstRow(row));
    const int done =
        rowFunction != nullptr ? rowFunction(p, region.width, spp, *params, results) : 0;
    p += done * spp;
    for (int x = done; x < region.width; ++x, p += spp) {
      int b = (p[0] >> kShift) & 0xFF, g = (p[1] >> kShift) & 0xFF, r = (p[2] >> kShift) & 0xFF;
      HueSaturationPixel(*params, r, g, b);
      p[0] = static_cast<Sample>(tone(b << kShift));
      p[1] = static_cast<Sample>(tone(g << kShift));
      p[2] = static_cast<Sample>(tone(r << kShift));
    }
  }
  return 1;
}

template <class Sample, int kShift>
int HueSaturationToned(KELVO_PIXEL_KERNEL_PARAMS, HueSaturationRow<Sample> rowFunction) {
  const TonedHueSaturationParams* params = KernelRecord<TonedHueSaturationParams>(userA);
  if (params == nullptr) return 0;
  return HueSaturation<Sample, kShift>(dst, src, srcRect, dstX, dstY, dstBytesPerPixel,
                                       srcBytesPerPixel, dstStride, srcStride, userA, userB,
                                       &params->hueSaturation, params->table, rowFunction);
}

}  // namespace

int AdjustHueSaturation8(KELVO_PIXEL_KERNEL_PARAMS) {
  return HueSaturation<std::uint8_t, 0>(dst, src, srcRect, dstX, dstY, dstBytesPerPixel,
                                        srcBytesPerPixel, dstStride, srcStride, userA, userB,
                                        KernelRecord<HueSaturationParams>(userA), nullptr, nullptr);
}
int AdjustHueSaturation16(KELVO_PIXEL_KERNEL_PARAMS) {
  return HueSaturation<std::uint16_t, 2>(
      dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride, srcStride,
      userA, userB, KernelRecord<HueSaturationParams>(userA), nullptr, nullptr);
}
int AdjustHueSaturationToned8(KELVO_PIXEL_KERNEL_PARAMS) {
  return HueSaturationToned<std::uint8_t, 0>(dst, src, srcRect, dstX, dstY, dstBytesPerPixel,
                                             srcBytesPerPixel, dstStride, srcStride, userA, userB,
                                             nullptr);
}
int AdjustHueSaturationToned8Sse2(KELVO_PIXEL_KERNEL_PARAMS) {
  return HueSaturationToned<std::uint8_t, 0>(dst, src, srcRect, dstX, dstY, dstBytesPerPixel,
                                             srcBytesPerPixel, dstStride, srcStride, userA, userB,
                                             tone_detail::HueSaturationRowSse2);
}
int AdjustHueSaturationToned16(KELVO_PIXEL_KERNEL_PARAMS) {
  return HueSaturationToned<std::uint16_t, 2>(dst, src, srcRect, dstX, dstY, dstBytesPerPixel,
                                              srcBytesPerPixel, dstStride, srcStride, userA, userB,
                                              nullptr);
}
int AdjustHueSaturationToned16Sse2(KELVO_PIXEL_KERNEL_PARAMS) {
  return HueSaturationToned<std::uint16_t, 2>(dst, src, srcRect, dstX, dstY, dstBytesPerPixel,
                                              srcBytesPerPixel, dstStride, srcStride, userA, userB,
                                              tone_detail::HueSaturationRow16Sse2);
}

PixelKernel ChooseHueSaturationToned(SampleFormat format, SimdVariant variant) {
  const bool sse2 = variant == SimdVariant::Sse2;
  if (format == SampleFormat::Color16) {
    return sse2 ? AdjustHueSaturationToned16Sse2 : AdjustHueSaturationToned16;
  }
  return sse2 ? AdjustHueSaturationToned8Sse2 : AdjustHueSaturationToned8;
}

std::vector<std::uint16_t> ComposeTables(std::vector<std::uint16_t> first,
                                         const std::vector<std::uint16_t>& second) {
  for (std::uint16_t& entry : first) entry = second[entry];
  return first;
}

#define KELVO_TONE_FORMATS(kernel)                                      \
  template int kernel<SampleFormat::Gray8>(KELVO_PIXEL_KERNEL_PARAMS);  \
  template int kernel<SampleFormat::Gray16>(KELVO_PIXEL_KERNEL_PARAMS); \
  template int kernel<SampleFormat::Color8>(KELVO_PIXEL_KERNEL_PARAMS); \
  template int kernel<SampleFormat::Color16>(KELVO_PIXEL_KERNEL_PARAMS);
KELVO_TONE_FORMATS(AdjustGamma)
KELVO_TONE_FORMATS(AdjustContrast)
KELVO_TONE_FORMATS(AdjustBrightness)
KELVO_TONE_FORMATS(AdjustSharpness)
KELVO_TONE_FORMATS(AdjustSharpnessToned)
KELVO_TONE_FORMATS(ApplyToneTable)

}  // namespace kelvo
