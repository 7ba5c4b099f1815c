#include "processing/frame_pipeline.h"

#include <gtest/gtest.h>

#include <memory>

#include "processing/auto_iris.h"
#include "processing/demosaic.h"
#include "processing/processor_features.h"
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
    for (SharedWord* gain : {&filters.colorGainRed, &filters.colorGainGreen, &filters.colorGainBlue,
                             &filters.gamma}) {
      *gain = 100;
    }
    for (SharedWord* gain : {&filters.grayGainR, &filters.grayGainG1, &filters.grayGainG2,
                             &filters.grayGainB}) {
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

}  // namespace
}  // namespace kelvo
