// White balance, automatic exposure and gain, and the gray balance of gray mode 1.
#include <gtest/gtest.h>

#include <vector>

#include "processing/auto_iris.h"
#include "processing/gray_mode.h"
#include "processing/white_balance.h"
#include "processing_test_support.h"
#include "records/settings_records.h"
#include "x87_control.h"

namespace kelvo {
namespace {

using testing_support::FillRandom;
using testing_support::FillRaw;
using testing_support::IsRedSite;
using testing_support::X87ControlWord;

constexpr std::uint16_t kCallerWords[] = {testing_support::kX87Single, testing_support::kX87Double,
                                          testing_support::kX87Extended};

bool IsBlueSite(int mode, int r, int c) { return IsRedSite(mode, r + 1, c + 1); }

template <class Record>
int RunInPlace(FrameImage& image, PixelKernel kernel, Record& record) {
  Record* holder = &record;
  return image.Transfer(kernel, &image, nullptr, 0, 0, reinterpret_cast<std::uintptr_t>(&holder),
                        0);
}

TEST(WhiteBalanceTest, GainsFromClassMeans) {
  struct Case {
    int green, red, blue;
    int gainRed, gainBlue;  // before the limit of 400 the pipeline applies
  };
  // A class mean of 0 (a scene without red or blue) gives that gain the limit;
  // the other changes with the sum it is divided through (256, not 255).
  const Case cases[] = {{90, 90, 90, 100, 100}, {128, 50, 50, 255, 255}, {200, 10, 10, 400, 400},
                        {128, 0, 50, 400, 256}, {128, 50, 0, 256, 400},  {60, 0, 0, 400, 400}};
  for (int mode = 0; mode < 4; ++mode) {
    for (const Case& c : cases) {
      for (std::uint16_t bits : {8, 16}) {
        FrameImage raw;
        ASSERT_EQ(raw.Create(10, 6, bits), 1);
        FillRaw(raw, [&](int r, int col) {
          return IsRedSite(mode, r, col) ? c.red : IsBlueSite(mode, r, col) ? c.blue : c.green;
        });
        WhiteBalanceParams params{7, 7, 7, mode};
        ASSERT_EQ(RunInPlace(raw, bits == 8 ? MeasureWhiteBalance8 : MeasureWhiteBalance16, params),
                  1);
        EXPECT_EQ(params.gainRed, c.gainRed) << "mode " << mode << " green " << c.green;
        EXPECT_EQ(params.gainBlue, c.gainBlue) << "mode " << mode << " green " << c.green;
        EXPECT_EQ(params.gainGreen, 100);
      }
    }
  }
}

// Doubles are IEEE doubles whatever precision the caller left the x87 unit at.
TEST(WhiteBalanceTest, GainsWhateverTheCallersPrecision) {
  FrameImage raw;
  ASSERT_EQ(raw.Create(10, 6, 8), 1);
  FillRaw(raw,
          [&](int r, int col) { return IsRedSite(0, r, col) || IsBlueSite(0, r, col) ? 50 : 128; });
  for (std::uint16_t word : kCallerWords) {
    testing_support::CallerControlWord caller(word);
    WhiteBalanceParams params{7, 7, 7, 0};
    ASSERT_EQ(RunInPlace(raw, MeasureWhiteBalance8, params), 1);
    EXPECT_EQ(params.gainRed, 255) << std::hex << word;
    EXPECT_EQ(params.gainBlue, 255) << std::hex << word;
    if (testing_support::kHaveX87) {
      EXPECT_EQ(X87ControlWord(), word);
    }
  }
}

// Every raw row starts at the same sensor column: an odd width measures the
// classes exactly as an even one does.
TEST(WhiteBalanceTest, OddWidthsMeasureTheSameClasses) {
  for (int mode = 0; mode < 4; ++mode) {
    for (int width : {7, 8}) {
      FrameImage raw;
      ASSERT_EQ(raw.Create(width, 5, 8), 1);
      FillRaw(raw, [&](int r, int c) {
        return IsRedSite(mode, r, c) ? 50 : IsBlueSite(mode, r, c) ? 200 : 128;
      });
      WhiteBalanceParams params{7, 7, 7, mode};
      ASSERT_EQ(RunInPlace(raw, MeasureWhiteBalance8, params), 1);
      EXPECT_EQ(params.gainRed, 255) << "mode " << mode << " width " << width;
      EXPECT_EQ(params.gainBlue, 63) << "mode " << mode << " width " << width;
    }
  }
}

TEST(WhiteBalanceTest, NothingToDivideByLeavesTheGains) {
  for (auto [width, height, value] : {std::tuple{1, 6, 80}, {6, 1, 80}, {8, 8, 0}}) {
    FrameImage raw;
    ASSERT_EQ(raw.Create(width, height, 8), 1);
    FillRaw(raw, [&](int, int) { return value; });
    WhiteBalanceParams params{150, 100, 170, 0};
    EXPECT_EQ(RunInPlace(raw, MeasureWhiteBalance8, params), 0);
    EXPECT_EQ(params.gainBlue, 150);
    EXPECT_EQ(params.gainRed, 170);
  }
}

TEST(AutoIrisTest, FactorsOfTheListedWindowSets) {
  struct Case {
    std::array<int, 5> means;
    double factor;
    bool corrects;
  };
  const Case cases[] = {
      {{99, 99, 99, 99, 120}, 1.2000000000000002, true},
      {{40, 40, 120, 120, 120}, 1.2000000000000002, true},
      {{201, 201, 170, 120, 120}, 0.6, true},
      {{170, 170, 170, 170, 120}, 0.6000000000000001, false},
      {{120, 120, 120, 120, 120}, 1.0, false},
  };
  for (const Case& c : cases) {
    const double factor = AutoIrisFactor(c.means);
    EXPECT_EQ(factor, c.factor) << c.means[0];
    EXPECT_EQ(!(factor > 0.6 && factor < 1.2), c.corrects) << c.means[0];
  }
  const auto windows = AutoIrisWindows(1280, 960);
  EXPECT_EQ(windows[0], (Rect{128, 96, 256, 192}));
  EXPECT_EQ(windows[2], (Rect{576, 432, 704, 528}));
  EXPECT_EQ(windows[4], (Rect{1024, 768, 1152, 864}));
}

class RecordingSensor : public SensorControl {
 public:
  std::int32_t GainMinimum() const override { return 0; }
  std::int32_t GainMaximum() const override { return 1023; }
  std::int32_t ExposureMinimum() const override { return 2; }
  std::int32_t ExposureMaximum() const override { return 2079; }
  void WriteGain(std::int32_t value) override { gains.push_back(value); }
  void WriteExposure(std::int32_t value) override { exposures.push_back(value); }
  std::vector<std::int32_t> gains, exposures;
};

class AutoIrisRunTest : public ::testing::Test {
 protected:
  void SetUp() override {
    AutoIrisCountdown = 0;
    ASSERT_EQ(raw.Create(100, 50, 8), 1);
  }
  // Runs frames until the one that measures; returns how many it took.
  int RunUntilMeasured() {
    for (int frame = 1; frame <= 5; ++frame) {
      if (RunAutoIris(sensor, &raw, &control, refresh) == 1) return frame;
    }
    return 0;
  }
  FrameImage raw;
  SensorRecord sensor;
  RecordingSensor control;
  std::vector<std::pair<DialogUpdate, std::int32_t>> shown;
  DialogRefresh refresh = [this](DialogUpdate what, std::int32_t value) {
    shown.emplace_back(what, value);
  };
};

TEST_F(AutoIrisRunTest, DarkPictureRaisesGainFromZeroToFour) {
  FillRaw(raw, [](int, int) { return 20; });  // factor 1.5
  sensor.autoIrisMode = 2;
  sensor.globalGain = 0;
  sensor.colorGainR = 77;
  EXPECT_EQ(RunUntilMeasured(), 3);
  EXPECT_EQ(control.gains, std::vector<std::int32_t>{4});
  EXPECT_EQ(sensor.globalGain.load(), 4);
  EXPECT_EQ(sensor.colorGainR.load(), 77);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0], std::pair(DialogUpdate::GlobalGain, 4));
  EXPECT_EQ(RunUntilMeasured(), 3);  // then every third frame
}

// The band edges and the product with the factor, whatever precision the
// caller left the x87 unit at: 0.6 corrects, 0.6000000000000001 does not, and
// gain 100 times 0.6 is 60 (59 in extended precision).
TEST_F(AutoIrisRunTest, BandEdgesWhateverTheCallersPrecision) {
  struct Case {
    std::array<int, 5> means;
    std::int32_t gainAfter;  // 100 before; 100 after: left alone
  };
  const Case cases[] = {{{170, 170, 170, 170, 120}, 100},
                        {{201, 201, 170, 120, 120}, 60},
                        {{99, 99, 99, 99, 120}, 120}};
  const std::array<Rect, 5> windows = AutoIrisWindows(raw.width, raw.height);
  for (std::uint16_t word : kCallerWords) {
    for (const Case& c : cases) {
      // Windows count rows from the other end, as the kernels receive them.
      FillRaw(raw, [&](int r, int col) {
        for (int i = 0; i < 5; ++i) {
          const Rect& w = windows[i];
          if (col >= w.left && col < w.right && r >= raw.height - w.bottom &&
              r < raw.height - w.top) {
            return c.means[i];
          }
        }
        return 120;
      });
      sensor.autoIrisMode = 2;
      sensor.globalGain = 100;
      AutoIrisCountdown = 0;
      testing_support::CallerControlWord caller(word);
      EXPECT_EQ(RunUntilMeasured(), 3);
      EXPECT_EQ(sensor.globalGain.load(), c.gainAfter)
          << std::hex << word << std::dec << " " << c.means[0] << ", " << c.means[2];
      if (testing_support::kHaveX87) {
        EXPECT_EQ(X87ControlWord(), word);
      }
    }
  }
}

TEST_F(AutoIrisRunTest, ADarkPictureLengthensTheExposure) {
  FrameImage raw16;
  ASSERT_EQ(raw16.Create(100, 50, 16), 1);
  // 397 is 99 at 8 bits, 480 is 120. The kernels count rows from the other end,
  // so the fifth window measured is the top right one: means 99, 99, 99, 99, 120.
  FillRaw(raw16, [](int r, int c) { return r < 15 && c >= 75 ? 480 : 397; });
  sensor.autoIrisMode = 1;
  sensor.exposure = 1000;
  int frames = 0;
  while (frames < 5 && RunAutoIris(sensor, &raw16, &control, refresh) == 0) ++frames;
  EXPECT_EQ(control.exposures, std::vector<std::int32_t>{1200});  // factor 1.2000000000000002
  EXPECT_EQ(sensor.exposure.load(), 1200);
  EXPECT_EQ(shown.back(), std::pair(DialogUpdate::Exposure, 1200));
}

TEST_F(AutoIrisRunTest, OffOrWithoutSensorTheCountdownStays) {
  sensor.autoIrisMode = 0;
  AutoIrisCountdown = 1;
  EXPECT_EQ(RunAutoIris(sensor, &raw, &control, refresh), 0);
  sensor.autoIrisMode = 2;
  EXPECT_EQ(RunAutoIris(sensor, &raw, nullptr, refresh), 0);
  EXPECT_EQ(RunAutoIris(sensor, nullptr, &control, refresh), 0);
  EXPECT_EQ(AutoIrisCountdown.load(), 1);
  FillRaw(raw, [](int, int) { return 130; });
  EXPECT_EQ(RunAutoIris(sensor, &raw, &control, refresh), 1);  // measured, nothing to correct
  EXPECT_TRUE(control.gains.empty());
}

TEST(GrayBalanceTest, MeasurementAgainstTheFirstClass) {
  FrameImage raw;
  ASSERT_EQ(raw.Create(8, 6, 8), 1);
  // Mode 0: (0,0) G1 = 100, (0,1) R = 50, (1,0) B = 200, (1,1) G2 = 80; 0 and 255 ignored.
  FillRaw(raw, [](int r, int c) {
    if (r == 0 && c == 0) return 255;
    if (r == 0 && c == 2) return 0;
    static const int kValues[2][2] = {{100, 50}, {200, 80}};
    return kValues[r & 1][c & 1];
  });
  GrayBalanceParams params{0, 1, 2, 3, 4, 0, 0, 0, 0};
  ASSERT_EQ(RunInPlace(raw, MeasureGrayBalance, params), 1);
  EXPECT_EQ(params.gainR, 256);
  EXPECT_EQ(params.gainG1, 128);
  EXPECT_EQ(params.gainG2, 160);
  EXPECT_EQ(params.gainB, 64);

  // An odd width measures the same classes: every row starts at the same sensor column.
  FrameImage odd;
  ASSERT_EQ(odd.Create(7, 5, 8), 1);
  FillRaw(odd, [](int r, int c) {
    static const int kValues[2][2] = {{100, 50}, {200, 80}};
    return kValues[r & 1][c & 1];
  });
  GrayBalanceParams oddParams{0, 1, 2, 3, 4, 0, 0, 0, 0};
  ASSERT_EQ(RunInPlace(odd, MeasureGrayBalance, oddParams), 1);
  EXPECT_EQ(oddParams.gainR, 256);
  EXPECT_EQ(oddParams.gainG2, 160);
  EXPECT_EQ(oddParams.gainB, 64);

  FillRaw(raw, [](int r, int c) { return (r & 1) == 0 && (c & 1) == 1 ? 255 : 90; });  // R empty
  GrayBalanceParams untouched{0, 1, 2, 3, 4, 0, 0, 0, 0};
  EXPECT_EQ(RunInPlace(raw, MeasureGrayBalance, untouched), 0);
  EXPECT_EQ(untouched.gainR, 1);
  EXPECT_EQ(untouched.gainB, 4);
}

// Means 35 / 6 (G1) and 7 / 6 (R): their quotient is a hair below 5 in double
// precision, so gain R is 639, where extended precision would give 640.
TEST(GrayBalanceTest, MeasuredGainsWhateverTheCallersPrecision) {
  FrameImage raw;
  ASSERT_EQ(raw.Create(4, 6, 8), 1);  // six samples of each class in Bayer mode 0
  FillRaw(raw, [](int r, int c) {
    if ((r & 1) == 1) return 100;                       // B and G2
    if ((c & 1) == 0) return r == 0 && c == 0 ? 5 : 6;  // G1: 5 + 5 * 6 = 35
    return r == 0 && c == 1 ? 2 : 1;                    // R: 2 + 5 * 1 = 7
  });
  for (std::uint16_t word : kCallerWords) {
    testing_support::CallerControlWord caller(word);
    GrayBalanceParams params{0, 0, 0, 0, 0, 0, 0, 0, 0};
    ASSERT_EQ(RunInPlace(raw, MeasureGrayBalance, params), 1);
    EXPECT_EQ(params.gainR, 639) << std::hex << word;
    EXPECT_EQ(params.gainG2, 7) << std::hex << word;
    EXPECT_EQ(params.gainB, 7) << std::hex << word;
    if (testing_support::kHaveX87) {
      EXPECT_EQ(X87ControlWord(), word);
    }
  }
}

TEST(GrayBalanceTest, PlainGainPassUsesEachSitesGainAndOffset) {
  FrameImage raw, plain;
  const int width = 45, height = 5;
  ASSERT_EQ(raw.Create(width, height, 8), 1);
  FillRandom(raw, 255, 11);
  const int gains[4] = {300, 128, 64, 200}, offsets[4] = {10, -5, 0, 20};
  for (int mode = 0; mode < 4; ++mode) {
    GrayBalanceParams params{mode, 300, 128, 64, 200, 10, -5, 0, 20};
    ASSERT_EQ(plain.CopyFormat(&raw), 1);
    std::copy(raw.pixels, raw.pixels + raw.stride * height, plain.pixels);
    ASSERT_EQ(RunInPlace(plain, GrayGainPass, params), 1);
    for (int r = 0; r < height; ++r) {
      for (int c = 0; c < width; ++c) {
        // The odd width must not shift the classes of any row.
        const int rowPhase = (StartPhase(mode).row + r) & 1;
        const int columnPhase = (StartPhase(mode).column + c) & 1;
        static const int kClass[2][2] = {{1, 0}, {3, 2}};
        const int cls = kClass[rowPhase][columnPhase];
        const int expected = std::clamp(raw.Row(r)[c] * gains[cls] / 128 + offsets[cls], 0, 255);
        ASSERT_EQ(plain.Row(r)[c], expected) << mode << ":" << r << "," << c;
      }
    }
  }
}

// The SIMD passes give the plain pass's samples: every site's class, its
// offset and the first column included, whatever the width.
TEST(GrayBalanceTest, SimdGainPassesMatchThePlainPass) {
  ProcessorInfo here;
  DetectProcessorFeatures(&here);
  struct Variant {
    PixelKernel kernel;
    std::int32_t feature;
  };
  const Variant variants[] = {{GrayGainPassSse2, FeatureSse2}, {GrayGainPassMmx, FeatureMmx}};
  struct Settings {
    std::int32_t gains[4], offsets[4];  // R, G1, G2, B
  };
  const Settings settings[] = {
      {{300, 128, 64, 200}, {10, -5, 0, 20}},
      {{128, 128, 128, 129}, {255, -255, 1, -1}},        // offsets at their limits
      {{0, 255, 1, 254}, {0, 0, 0, 0}},                  // gains at the setter's limits
      {{32512, 32767, 0, 255}, {-255, 255, -255, 255}},  // the measurement's largest gain
      {{40000, -3, 128, 128}, {20000, -20000, 0, 0}},    // beyond the lanes: still the same
  };
  for (int width : {1, 7, 15, 16, 17, 45, 48}) {
    FrameImage raw, plain, fast;
    const int height = 5;
    ASSERT_EQ(raw.Create(width, height, 8), 1);
    FillRandom(raw, 255, 100 + width);
    raw.Row(0)[0] = 255;
    raw.Row(1)[width - 1] = 0;
    for (int mode = 0; mode < 4; ++mode) {
      for (const Settings& s : settings) {
        GrayBalanceParams params{mode,         s.gains[0],   s.gains[1],   s.gains[2],  s.gains[3],
                                 s.offsets[0], s.offsets[1], s.offsets[2], s.offsets[3]};
        ASSERT_EQ(plain.CopyFormat(&raw), 1);
        std::copy(raw.pixels, raw.pixels + raw.stride * height, plain.pixels);
        ASSERT_EQ(RunInPlace(plain, GrayGainPass, params), 1);
        for (const Variant& v : variants) {
          if (!HasUsable(here, v.feature)) continue;
          ASSERT_EQ(fast.CopyFormat(&raw), 1);
          std::copy(raw.pixels, raw.pixels + raw.stride * height, fast.pixels);
          ASSERT_EQ(RunInPlace(fast, v.kernel, params), 1);
          for (int r = 0; r < height; ++r) {
            for (int c = 0; c < width; ++c) {
              ASSERT_EQ(fast.Row(r)[c], plain.Row(r)[c])
                  << (v.feature == FeatureSse2 ? "SSE2" : "MMX") << " width " << width << " mode "
                  << mode << " gain R " << s.gains[0] << " at " << r << "," << c;
            }
          }
        }
      }
    }
  }
  EXPECT_EQ(ChooseGrayGainPass(SimdVariant::Plain), GrayGainPass);
  EXPECT_EQ(ChooseGrayGainPass(SimdVariant::Mmx), GrayGainPassMmx);
  EXPECT_EQ(ChooseGrayGainPass(SimdVariant::Sse2), GrayGainPassSse2);
}

TEST(GrayModeTest, MirrorSwapsRowsAroundTheMiddle) {
  FrameImage raw;
  ASSERT_EQ(raw.Create(5, 5, 8), 1);
  FillRaw(raw, [](int r, int c) { return 10 * r + c; });
  ASSERT_EQ(raw.Transfer(MirrorVertical, &raw, nullptr, 0, 0, 0, 0), 1);
  for (int r = 0; r < 5; ++r) {
    for (int c = 0; c < 5; ++c) EXPECT_EQ(raw.Row(r)[c], 10 * (4 - r) + c);
  }
}

}  // namespace
}  // namespace kelvo
