#include "processing/frame_pipeline.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "processing/auto_iris.h"
#include "processing/demosaic.h"
#include "processing/processor_features.h"
#include "processing/tone.h"
#include "processing_test_support.h"

namespace kelvo {
namespace {

using testing_support::FillRandom;
using testing_support::FillRaw;
using testing_support::IsRedSite;
using testing_support::SampleAt;

// A camera's worth of images and settings, neutral to start with.
class PipelineTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DetectProcessorFeatures(&processor);
    static constexpr std::uint16_t kBits[6] = {8, 16, 24, 32, 48, 64};
    for (int mode = 0; mode < 6; ++mode) {
      images[mode] = std::make_unique<FrameImage>();
      ASSERT_EQ(images[mode]->Create(kWidth, kHeight, kBits[mode]), 1);
      frame.images.byMode[mode] = images[mode].get();
    }
    frame.images.scratch = &scratch;
    frame.filters = &filters;
    frame.sensor = &sensor;
    frame.processor = &processor;
    for (SharedWord* gain :
         {&filters.colorGainRed, &filters.colorGainGreen, &filters.colorGainBlue, &filters.gamma}) {
      *gain = 100;
    }
    for (SharedWord* gain :
         {&filters.grayGainR, &filters.grayGainG1, &filters.grayGainG2, &filters.grayGainB}) {
      *gain = 128;
    }
    frame.refresh = [this](DialogUpdate what, std::int32_t) {
      if (what == DialogUpdate::FilterValues) ++filterReloads;
    };
  }
  FrameImage& Image(int mode) { return *images[mode]; }

  static constexpr int kWidth = 24, kHeight = 12;
  std::unique_ptr<FrameImage> images[6];
  FrameImage scratch;
  FilterBlock filters;
  SensorRecord sensor;
  ProcessorInfo processor;
  FrameConversion frame;
  int filterReloads = 0;
};

// Every SSE2 kernel of the frame but the 8-bit demosaic into 24 bits (which has
// its own arithmetic) gives the plain kernels' bytes: a frame with every stage
// on comes out the same on a processor without SIMD. Mode 2 with a gain above
// 200 takes the exact demosaic too.
TEST_F(PipelineTest, EveryStageGivesThePlainBytesWithSimd) {
  static constexpr std::uint16_t kBits[6] = {8, 16, 24, 32, 48, 64};
  for (int mode = 0; mode < 6; ++mode) {
    images[mode] = std::make_unique<FrameImage>();
    ASSERT_EQ(images[mode]->Create(53, 9, kBits[mode]), 1);
    frame.images.byMode[mode] = images[mode].get();
  }
  filters.hue = 30, filters.saturation = 40, filters.gamma = 120, filters.contrast = 20;
  filters.sharpness = 10, filters.brightness = 20, filters.colorGainRed = 240;
  const ProcessorInfo withoutSimd{};
  for (int mode = 0; mode < 6; ++mode) {
    SCOPED_TRACE(testing::Message() << "mode " << mode);
    frame.colorMode = mode;
    FrameImage& out = Image(mode);
    std::vector<std::uint8_t> outputs[2];
    for (const ProcessorInfo* record :
         {static_cast<const ProcessorInfo*>(&processor), &withoutSimd}) {
      FillRandom(Image(0), 255, 11);
      FillRandom(Image(1), 1023, 12);
      std::memset(out.pixels, 0x3C, static_cast<std::size_t>(out.stride) * out.height);
      frame.processor = record;
      ConvertFrame(frame);
      outputs[record == &processor ? 0 : 1].assign(out.pixels,
                                                   out.pixels + out.stride * out.height);
    }
    EXPECT_EQ(outputs[0], outputs[1]);
  }
}

TEST_F(PipelineTest, MirrorComesBeforeWhiteBalanceAndDemosaic) {
  // Red sites of Bayer mode 0 hold 200 only once the frame is mirrored: row r
  // and row 11 - r have different parity.
  FillRaw(Image(0), [](int r, int c) { return IsRedSite(0, kHeight - 1 - r, c) ? 200 : 0; });
  sensor.verticalMirror = 1;
  frame.colorMode = 2;
  ConvertFrame(frame);
  for (int r = 0; r < kHeight; ++r) {
    for (int c = 0; c < kWidth; ++c) {
      ASSERT_EQ(SampleAt(Image(2), r, c, 2), 200) << r << "," << c;
      ASSERT_EQ(SampleAt(Image(2), r, c, 1), 0) << r << "," << c;
    }
  }
  // White balance measures the mirrored frame: a picture that is grey once mirrored.
  FillRaw(Image(0), [](int r, int c) { return IsRedSite(0, kHeight - 1 - r, c) ? 60 : 120; });
  filters.whiteBalanceAuto = 1;
  ConvertFrame(frame);
  EXPECT_EQ(filters.colorGainRed.load(), 200);
  EXPECT_EQ(filters.colorGainBlue.load(), 100);
  EXPECT_EQ(filterReloads, 1);
}

TEST_F(PipelineTest, WhiteBalanceOnceThenOff) {
  FillRaw(Image(0), [](int r, int c) { return IsRedSite(0, r, c) ? 64 : 128; });
  filters.whiteBalanceAuto = 1;
  filters.AwbOnceA = 1;
  filters.AwbOnceB = 1;
  frame.colorMode = 0;  // monochrome frames leave the one-shot alone
  ConvertFrame(frame);
  EXPECT_EQ(filters.AwbOnceA.load(), 1);
  frame.colorMode = 3;
  ConvertFrame(frame);
  EXPECT_EQ(filters.colorGainRed.load(), 200);
  EXPECT_EQ(filters.whiteBalanceAuto.load(), 0);
  EXPECT_EQ(filters.AwbOnceA.load() | filters.AwbOnceB.load(), 0);
  filters.colorGainRed = 100;
  ConvertFrame(frame);
  EXPECT_EQ(filters.colorGainRed.load(), 100);
}

// No blue in the scene: blue goes to the limit, green to 100, and the one-shot is spent.
TEST_F(PipelineTest, WhiteBalanceOfASceneWithoutBlue) {
  FillRaw(Image(0), [](int r, int c) {
    return IsRedSite(0, r, c) ? 64 : IsRedSite(0, r + 1, c + 1) ? 0 : 128;
  });
  filters.colorGainGreen = 150;
  filters.whiteBalanceAuto = 1;
  filters.AwbOnceA = 1;
  filters.AwbOnceB = 1;
  frame.colorMode = 2;
  ConvertFrame(frame);
  EXPECT_EQ(filters.colorGainBlue.load(), 400);
  EXPECT_EQ(filters.colorGainRed.load(), 200);
  EXPECT_EQ(filters.colorGainGreen.load(), 100);
  EXPECT_EQ(filterReloads, 1);
  EXPECT_EQ(filters.whiteBalanceAuto.load(), 0);
}

TEST_F(PipelineTest, GrayModeTwoWritesTheColourPictureAndItsLuminance) {
  FillRandom(Image(0), 255, 5);
  filters.grayMode = 2;
  filters.colorGainRed = 150;
  frame.colorMode = 0;
  ConvertFrame(frame);
  FrameImage expected;
  ASSERT_EQ(expected.Create(kWidth, kHeight, 24), 1);
  const DemosaicParams params{0, 150, 100, 100};
  const DemosaicParams* holder = &params;
  // The raw frame is now the luminance, so compare against the colour picture itself.
  for (int r = 0; r < kHeight; ++r) {
    for (int c = 0; c < kWidth; ++c) {
      const int b = SampleAt(Image(2), r, c, 0), g = SampleAt(Image(2), r, c, 1),
                red = SampleAt(Image(2), r, c, 2);
      ASSERT_EQ(Image(0).Row(r)[c], (59 * g + 30 * red + 11 * b) / 100) << r << "," << c;
    }
  }
  (void)holder;
  EXPECT_NE(SampleAt(Image(2), 5, 5, 2) + SampleAt(Image(2), 5, 5, 0), 0);
}

TEST_F(PipelineTest, GrayBalanceMeasuresOnceThenUsesTheStoredGains) {
  // Neutral gains with an offset: nothing runs, the picture stays.
  FillRandom(Image(0), 254, 9);
  std::vector<std::uint8_t> before(Image(0).pixels, Image(0).pixels + Image(0).stride * kHeight);
  filters.grayMode = 1;
  filters.grayOffsetR = 50;
  frame.colorMode = 0;
  ConvertFrame(frame);
  EXPECT_TRUE(std::equal(before.begin(), before.end(), Image(0).pixels));

  FillRaw(Image(0), [](int r, int c) {
    static const int kValues[2][2] = {{100, 50}, {200, 80}};
    return kValues[r & 1][c & 1];
  });
  filters.grayOffsetR = 0;
  filters.grayBalanceCount = 1;
  ConvertFrame(frame);
  EXPECT_EQ(filters.grayBalanceCount.load(), 0);
  EXPECT_EQ(filters.grayGainR.load(), 256);
  EXPECT_EQ(filters.grayGainG2.load(), 160);
  EXPECT_EQ(filters.grayGainB.load(), 64);
  EXPECT_EQ(filterReloads, 1);
  // The gains were applied to the measured frame (whichever variant ran, B halves).
  EXPECT_EQ(Image(0).Row(1)[2], 100);
  FillRaw(Image(0), [](int, int) { return 90; });
  ConvertFrame(frame);
  EXPECT_EQ(filters.grayGainR.load(), 256);  // not measured again
  EXPECT_EQ(filterReloads, 1);
}

TEST_F(PipelineTest, SixteenBitModesKeepTenBitsThroughEveryStage) {
  FillRandom(Image(1), 1023, 4);
  filters.gamma = 120;
  filters.contrast = 20;
  filters.sharpness = 10;
  filters.brightness = 20;
  filters.hue = 30;
  filters.saturation = 40;
  for (int mode : {1, 4, 5}) {
    frame.colorMode = mode;
    ConvertFrame(frame);
    const int samples = mode == 1 ? 1 : 3;
    for (int r = 0; r < kHeight; ++r) {
      for (int c = 0; c < kWidth; ++c) {
        for (int ch = 0; ch < samples; ++ch) ASSERT_LE(SampleAt(Image(mode), r, c, ch), 1023);
      }
    }
  }
}

TEST_F(PipelineTest, TinyCaptureWindowsConvertInEveryMode) {
  static constexpr std::uint16_t kBits[6] = {8, 16, 24, 32, 48, 64};
  for (auto [w, h] : {std::pair{4, 3}, std::pair{2, 2}, std::pair{1, 1}}) {
    for (int mode = 0; mode < 6; ++mode) ASSERT_EQ(Image(mode).Create(w, h, kBits[mode]), 1);
    FillRandom(Image(0), 255, 1);
    FillRandom(Image(1), 1023, 2);
    filters.sharpness = 5;
    filters.whiteBalanceAuto = 1;
    filters.grayMode = 2;
    sensor.verticalMirror = 1;
    for (int mode = 0; mode < 6; ++mode) {
      frame.colorMode = mode;
      ConvertFrame(frame);
    }
  }
}

// Stages 5 to 9 one after the other, each kernel on its own, as the reference
// for the fused passes of the pipeline.
struct ToneStages {
  int hue, saturation, gamma, contrast, sharpness, brightness;
};

template <SampleFormat F>
void RunStagesOneByOne(FrameImage& out, FrameImage& scratch, const ToneStages& s) {
  auto inPlace = [&](PixelKernel kernel, const void* record) {
    ASSERT_EQ(
        out.Transfer(kernel, &out, nullptr, 0, 0, reinterpret_cast<std::uintptr_t>(&record), 0), 1);
  };
  const HueSaturationParams hueSaturation{s.hue, 0, s.saturation};
  if ((F == SampleFormat::Color8 || F == SampleFormat::Color16) &&
      (s.hue != 0 || s.saturation != 0)) {
    inPlace(F == SampleFormat::Color8 ? AdjustHueSaturation8 : AdjustHueSaturation16,
            &hueSaturation);
  }
  if (s.gamma != 100) inPlace(AdjustGamma<F>, &s.gamma);
  if (s.contrast != 0) inPlace(AdjustContrast<F>, &s.contrast);
  if (s.sharpness != 0) {
    ASSERT_EQ(scratch.CopyFormat(&out), 1);
    std::memcpy(scratch.pixels, out.pixels, static_cast<std::size_t>(out.stride) * out.height);
    const void* record = &s.sharpness;
    ASSERT_EQ(out.Transfer(AdjustSharpness<F>, &scratch, nullptr, 0, 0,
                           reinterpret_cast<std::uintptr_t>(&record), 0),
              1);
  }
  if (s.brightness != 0) inPlace(AdjustBrightness<F>, &s.brightness);
}

TEST_F(PipelineTest, FusedToneStagesGiveTheSamplesOfTheStagesOneByOne) {
  const ToneStages cases[] = {
      {30, 40, 120, 20, 10, 20}, {0, 0, 120, 20, 0, 20},   {0, 0, 100, 0, 10, -30},
      {-90, -20, 60, 0, 0, 0},   {0, 0, 100, -40, 5, 0},   {360, 255, 200, 127, 30, 255},
      {15, 0, 100, 0, 0, -100},  {0, -255, 100, 0, 0, 40}, {-400, 300, 80, 0, 3, 0},
  };
  using Reference = void (*)(FrameImage&, FrameImage&, const ToneStages&);
  static constexpr Reference kByMode[6] = {
      RunStagesOneByOne<SampleFormat::Gray8>,   RunStagesOneByOne<SampleFormat::Gray16>,
      RunStagesOneByOne<SampleFormat::Color8>,  RunStagesOneByOne<SampleFormat::Color8>,
      RunStagesOneByOne<SampleFormat::Color16>, RunStagesOneByOne<SampleFormat::Color16>};
  static constexpr std::uint16_t kBits[6] = {8, 16, 24, 32, 48, 64};
  // Wider than one SIMD step plus a tail, so every path of the fused passes runs.
  for (int mode = 0; mode < 6; ++mode) ASSERT_EQ(Image(mode).Create(45, 13, kBits[mode]), 1);
  FrameImage raw8, raw16, expected, referenceScratch;
  for (int mode = 0; mode < 6; ++mode) {
    for (const ToneStages& s : cases) {
      SCOPED_TRACE(testing::Message()
                   << "mode " << mode << " hue " << s.hue << " saturation " << s.saturation
                   << " gamma " << s.gamma << " contrast " << s.contrast << " sharpness "
                   << s.sharpness << " brightness " << s.brightness);
      FillRandom(Image(0), 255, 100 + mode);
      FillRandom(Image(1), 1023, 200 + mode);
      ASSERT_EQ(raw8.CopyFormat(&Image(0)), 1);
      ASSERT_EQ(raw16.CopyFormat(&Image(1)), 1);
      std::memcpy(raw8.pixels, Image(0).pixels, static_cast<std::size_t>(raw8.stride) * 13);
      std::memcpy(raw16.pixels, Image(1).pixels, static_cast<std::size_t>(raw16.stride) * 13);
      auto restoreRaw = [&] {
        std::memcpy(Image(0).pixels, raw8.pixels, static_cast<std::size_t>(raw8.stride) * 13);
        std::memcpy(Image(1).pixels, raw16.pixels, static_cast<std::size_t>(raw16.stride) * 13);
      };
      // The converted picture with neutral settings, then the stages by hand.
      frame.colorMode = mode;
      ConvertFrame(frame);
      FrameImage& out = Image(mode);
      ASSERT_EQ(expected.CopyFormat(&out), 1);
      std::memcpy(expected.pixels, out.pixels, static_cast<std::size_t>(out.stride) * 13);
      kByMode[mode](expected, referenceScratch, s);

      restoreRaw();
      filters.hue = s.hue;
      filters.saturation = s.saturation;
      filters.gamma = s.gamma;
      filters.contrast = s.contrast;
      filters.sharpness = s.sharpness;
      filters.brightness = s.brightness;
      ConvertFrame(frame);
      for (int r = 0; r < out.height; ++r) {
        ASSERT_EQ(std::memcmp(expected.Row(r), out.Row(r), out.width * out.BytesPerPixel()), 0)
            << "row " << r;
      }
      filters.hue = filters.saturation = filters.contrast = 0;
      filters.sharpness = filters.brightness = 0;
      filters.gamma = 100;
    }
  }
}

}  // namespace
}  // namespace kelvo
