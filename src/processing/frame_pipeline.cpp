#include "processing/frame_pipeline.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "image/frame_image.h"
#include "processing/auto_iris.h"
#include "processing/demosaic.h"
#include "processing/gray_mode.h"
#include "processing/processor_features.h"
#include "processing/tone.h"
#include "processing/white_balance.h"

namespace kelvo {
namespace {

// Kernels of one adjustment by sample format of the picture.
struct ToneKernels {
  PixelKernel gray8, gray16, color8, color16;
  PixelKernel For(std::int32_t colorMode) const {
    static constexpr int kFormatOfMode[6] = {0, 1, 2, 2, 3, 3};
    const PixelKernel kernels[4] = {gray8, gray16, color8, color16};
    return kernels[kFormatOfMode[colorMode]];
  }
};

#define KELVO_TONE_KERNELS(kernel)                                                           \
  ToneKernels {                                                                              \
    kernel<SampleFormat::Gray8>, kernel<SampleFormat::Gray16>, kernel<SampleFormat::Color8>, \
        kernel<SampleFormat::Color16>                                                        \
  }

const ToneKernels kToneTable = KELVO_TONE_KERNELS(ApplyToneTable);
const ToneKernels kSharpnessToned = KELVO_TONE_KERNELS(AdjustSharpnessToned);

bool Usable(const FrameImage* image) { return image != nullptr && image->pixels != nullptr; }

// Pipeline kernels take their setting as a pointer to a pointer.
template <class T>
int RunInPlace(FrameImage* image, PixelKernel kernel, const T* setting) {
  const T* const holder = setting;
  return image->Transfer(kernel, image, nullptr, 0, 0, reinterpret_cast<std::uintptr_t>(&holder),
                         0);
}

void GrayBalance(const FrameConversion& frame, FrameImage* raw) {
  FilterBlock& f = *frame.filters;
  GrayBalanceParams params{f.bayerMode,   f.grayGainR,    f.grayGainG1,   f.grayGainG2, f.grayGainB,
                           f.grayOffsetR, f.grayOffsetG1, f.grayOffsetG2, f.grayOffsetB};
  if (f.grayBalanceCount.load() != 0) {
    GrayBalanceParams* holder = &params;
    raw->Transfer(MeasureGrayBalance, raw, nullptr, 0, 0, reinterpret_cast<std::uintptr_t>(&holder),
                  0);
    f.grayGainR = params.gainR;
    f.grayGainG1 = params.gainG1;
    f.grayGainG2 = params.gainG2;
    f.grayGainB = params.gainB;
    if (frame.refresh) frame.refresh(DialogUpdate::FilterValues, 0);
    f.grayBalanceCount.fetch_sub(1);
  }
  if (params.gainR == 128 && params.gainG1 == 128 && params.gainG2 == 128 && params.gainB == 128) {
    return;
  }
  RunInPlace(raw, ChooseGrayGainPass(ChooseSimdVariant(*frame.processor)), &params);
}

void WhiteBalance(const FrameConversion& frame, FrameImage* raw) {
  FilterBlock& f = *frame.filters;
  if (f.whiteBalanceAuto.load() == 0) return;
  WhiteBalanceParams params{f.colorGainBlue, f.colorGainGreen, f.colorGainRed, f.bayerMode};
  WhiteBalanceParams* holder = &params;
  const PixelKernel measure = raw->bitCount == 16 ? MeasureWhiteBalance16 : MeasureWhiteBalance8;
  if (raw->Transfer(measure, raw, nullptr, 0, 0, reinterpret_cast<std::uintptr_t>(&holder), 0) ==
      1) {
    f.colorGainBlue = std::min(params.gainBlue, 400);
    f.colorGainRed = std::min(params.gainRed, 400);
    f.colorGainGreen = std::min(params.gainGreen, 400);
    if (frame.refresh) frame.refresh(DialogUpdate::FilterValues, 0);
  }
  if (f.whiteBalanceAuto.load() != 0 && f.AwbOnceA.load() != 0 && f.AwbOnceB.load() != 0) {
    f.whiteBalanceAuto = 0;
    f.AwbOnceA = 0;
    f.AwbOnceB = 0;
  }
}

// White balance, then interior and border demosaic from raw into out.
void ColourConversion(const FrameConversion& frame, FrameImage* raw, FrameImage* out) {
  if (!Usable(raw) || !Usable(out)) return;
  WhiteBalance(frame, raw);
  const FilterBlock& f = *frame.filters;
  const DemosaicParams params{f.bayerMode, f.colorGainRed, f.colorGainGreen, f.colorGainBlue};
  const DemosaicParams* holder = &params;
  const auto user = reinterpret_cast<std::uintptr_t>(&holder);
  const SimdVariant variant = ChooseSimdVariant(*frame.processor);
  if (raw->bitCount == 16) {
    out->Transfer(ChooseDemosaicInterior16(params, variant), raw, nullptr, 0, 0, user, 0);
    out->Transfer(DemosaicBorder16, raw, nullptr, 0, 0, user, 0);
  } else {
    out->Transfer(ChooseDemosaicInterior8(out->bitCount, params, variant), raw, nullptr, 0, 0, user,
                  0);
    out->Transfer(ChooseDemosaicBorder8(params, variant), raw, nullptr, 0, 0, user, 0);
  }
}

// The scratch image takes a copy of the picture's storage for the sharpness pass.
bool CopyToScratch(FrameImage* out, FrameImage* scratch) {
  if (!Usable(scratch) || scratch->stride != out->stride || scratch->height != out->height ||
      scratch->width != out->width || scratch->bitCount != out->bitCount) {
    if (scratch == nullptr || scratch->CopyFormat(out) != 1) return false;
  }
  std::memcpy(scratch->pixels, out->pixels,
              static_cast<std::size_t>(out->stride) * static_cast<std::size_t>(out->height));
  return true;
}

// Stages 5 to 9. The table stages are fused into their neighbours: gamma and
// contrast (and brightness too without sharpness) become one composed table,
// applied in the hue and saturation pass when that runs, and brightness is
// applied by the sharpness pass to each row as it is finished (as a product
// where one meets its table exactly). The samples are exactly those of the
// stages run one after the other.
void AdjustTones(const FrameConversion& frame, std::int32_t mode, FrameImage* out) {
  const FilterBlock& f = *frame.filters;
  static constexpr SampleFormat kFormatOfMode[6] = {SampleFormat::Gray8,   SampleFormat::Gray16,
                                                    SampleFormat::Color8,  SampleFormat::Color8,
                                                    SampleFormat::Color16, SampleFormat::Color16};
  const SampleFormat format = kFormatOfMode[mode];
  const int maximum = MaximumSample(format);
  const std::int32_t hue = f.hue.load(), saturation = f.saturation.load();
  const std::int32_t gamma = f.gamma.load(), contrast = f.contrast.load();
  const std::int32_t sharpness = f.sharpness.load(), brightness = f.brightness.load();
  const bool sharpen = sharpness != 0;

  std::vector<std::uint16_t> before;  // applied before the sharpness pass; empty: none
  auto then = [&](std::vector<std::uint16_t> table) {
    before = before.empty() ? std::move(table) : ComposeTables(std::move(before), table);
  };
  if (gamma != 100) then(GammaTable(gamma, maximum));
  if (contrast != 0) then(ContrastTable(contrast, maximum));
  std::vector<std::uint16_t> after;
  BrightnessProduct product{};
  if (brightness != 0) {
    if (sharpen) {
      after = BrightnessTable(brightness, maximum);
      product = FindBrightnessProduct(brightness, after);
    } else {
      then(BrightnessTable(brightness, maximum));
    }
  }

  if (mode >= 2 && (hue != 0 || saturation != 0)) {
    const TonedHueSaturationParams params{{hue, 0, saturation},
                                          before.empty() ? nullptr : before.data()};
    RunInPlace(out, ChooseHueSaturationToned(format, ChooseSimdVariant(*frame.processor)), &params);
  } else if (!before.empty()) {
    const ToneTable table{before.data(), static_cast<std::int32_t>(before.size())};
    RunInPlace(out, kToneTable.For(mode), &table);
  }
  if (sharpen && CopyToScratch(out, frame.images.scratch)) {
    const TonedSharpnessParams params{sharpness, after.empty() ? nullptr : after.data(),
                                      ChooseSimdVariant(*frame.processor), product};
    const TonedSharpnessParams* holder = &params;
    out->Transfer(kSharpnessToned.For(mode), frame.images.scratch, nullptr, 0, 0,
                  reinterpret_cast<std::uintptr_t>(&holder), 0);
  } else if (!after.empty()) {
    const ToneTable table{after.data(), static_cast<std::int32_t>(after.size())};
    RunInPlace(out, kToneTable.For(mode), &table);
  }
}

}  // namespace

void ConvertFrame(const FrameConversion& frame) {
  if (frame.filters == nullptr || frame.sensor == nullptr || frame.processor == nullptr) return;
  const std::int32_t mode = frame.colorMode;
  if (mode < 0 || mode > 5) return;
  FilterBlock& f = *frame.filters;
  const auto& images = frame.images.byMode;
  FrameImage* raw = images[(mode == 1 || mode >= 4) ? 1 : 0];
  FrameImage* out = images[mode];

  RunAutoIris(*frame.sensor, Usable(raw) ? raw : nullptr, frame.sensorControl, frame.refresh);
  if (!Usable(raw)) return;
  if (frame.sensor->verticalMirror.load() != 0) {
    raw->Transfer(MirrorVertical, raw, nullptr, 0, 0, 0, 0);
  }
  if (mode == 0) {
    const std::int32_t grayMode = f.grayMode.load();
    if (grayMode == 1) {
      GrayBalance(frame, raw);
    } else if (grayMode == 2 && Usable(images[2])) {
      ColourConversion(frame, raw, images[2]);
      raw->Transfer(Luminance, images[2], nullptr, 0, 0, 0, 0);
    }
  } else if (mode >= 2) {
    ColourConversion(frame, raw, out);
  }
  if (!Usable(out)) return;

  AdjustTones(frame, mode, out);
}

}  // namespace kelvo
