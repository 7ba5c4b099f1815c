#include "processing/tone.h"

#include <gtest/gtest.h>

#include <cstring>

#include "processing_test_support.h"
#include "x87_control.h"

namespace kelvo {
namespace {

using testing_support::SampleAt;

TEST(ToneTest, GammaTables) {
  struct Case {
    int gamma, maximum, index, expected;
  };
  const Case cases[] = {{50, 255, 255, 254}, {50, 255, 1, 15},        {0, 255, 0, 0},
                        {200, 255, 1, 1},    {200, 255, 255, 254},    {100, 255, 2, 2},
                        {100, 255, 100, 99}, {100, 1023, 1023, 1022}, {50, 1023, 0, 0}};
  for (const Case& c : cases) {
    EXPECT_EQ(GammaTable(c.gamma, c.maximum)[c.index], c.expected)
        << "gamma " << c.gamma << " T[" << c.index << "] of " << c.maximum;
  }
  for (int i = 1; i <= 255; ++i) {
    const int value = GammaTable(0, 255)[i];
    EXPECT_TRUE(value == 253 || value == 254) << i;
  }
}

TEST(ToneTest, ContrastAndBrightnessTables) {
  const auto steep = ContrastTable(127, 255);
  EXPECT_EQ(steep[126], 0);
  EXPECT_EQ(steep[127], 0);
  EXPECT_EQ(steep[128], 128);
  EXPECT_EQ(steep[129], 255);
  const auto flat = ContrastTable(-127, 255);
  EXPECT_EQ(flat[0], 63);
  EXPECT_EQ(flat[255], 191);
  EXPECT_EQ(ContrastTable(0, 1023)[700], 700);
  const auto bright = BrightnessTable(255, 255);
  EXPECT_EQ(bright[23], 253);
  EXPECT_EQ(bright[24], 255);
  EXPECT_EQ(bright[0], 0);
  for (int s : {0, 1, 128, 255}) EXPECT_EQ(BrightnessTable(-255, 255)[s], 0);
  EXPECT_EQ(BrightnessTable(-255, 1023)[1023], 0);
}

// Every entry of every table is the IEEE double result whatever precision the
// caller left the x87 unit at; the tables made at double precision are the reference.
TEST(ToneTest, TablesWhateverTheCallersPrecision) {
  using Table = std::vector<std::uint16_t>;
  struct Kind {
    const char* name;
    Table (*make)(std::int32_t, int);
    int lowest, highest;
  };
  const Kind kinds[] = {{"gamma", GammaTable, 0, 200},
                        {"contrast", ContrastTable, -127, 127},
                        {"brightness", BrightnessTable, -255, 255}};
  for (const Kind& kind : kinds) {
    for (int maximum : {255, 1023}) {
      std::vector<Table> reference;
      {
        testing_support::CallerControlWord caller(testing_support::kX87Double);
        for (int v = kind.lowest; v <= kind.highest; ++v)
          reference.push_back(kind.make(v, maximum));
      }
      for (std::uint16_t word : {testing_support::kX87Single, testing_support::kX87Extended}) {
        testing_support::CallerControlWord caller(word);
        int differing = 0;
        for (int v = kind.lowest; v <= kind.highest; ++v) {
          const Table table = kind.make(v, maximum);
          const Table& expected = reference[v - kind.lowest];
          for (int i = 0; i <= maximum; ++i) differing += table[i] != expected[i];
        }
        EXPECT_EQ(differing, 0) << kind.name << " tables of " << maximum << ", control word "
                                << std::hex << word;
        if (testing_support::kHaveX87) {
          EXPECT_EQ(testing_support::X87ControlWord(), word);
        }
      }
    }
  }
}

TEST(ToneTest, HueAndSaturationPixels) {
  struct Case {
    HueSaturationParams params;
    int r, g, b;
    int outR, outG, outB;
  };
  const Case cases[] = {
      {{90, 0, 0}, 77, 77, 77, 77, 77, 77},        // grey stays grey
      {{0, 0, -255}, 200, 40, 10, 105, 105, 105},  // saturation gone: lightness everywhere
      // red largest, green below blue: own hue negative; -360 keeps it negative,
      // and every channel whose angle is negative takes m1
      {{-360, 0, 0}, 200, 10, 40, 198, 12, 12},
  };
  for (const Case& c : cases) {
    int r = c.r, g = c.g, b = c.b;
    HueSaturationPixel(c.params, r, g, b);
    EXPECT_EQ(r, c.outR) << c.params.hue << "/" << c.params.saturation;
    EXPECT_EQ(g, c.outG);
    EXPECT_EQ(b, c.outB);
  }
}

template <class T>
int RunInPlace(FrameImage& image, PixelKernel kernel, const T& value) {
  const T* holder = &value;
  return image.Transfer(kernel, &image, nullptr, 0, 0, reinterpret_cast<std::uintptr_t>(&holder),
                        0);
}

TEST(ToneTest, SharpnessKeepsUniformPicturesAndBordersAndLeavesTheFourthByte) {
  struct Case {
    std::uint16_t bits;
    PixelKernel kernel;
    int maximum;
  };
  for (const Case& c : {Case{8, AdjustSharpness<SampleFormat::Gray8>, 255},
                        Case{16, AdjustSharpness<SampleFormat::Gray16>, 1023},
                        Case{32, AdjustSharpness<SampleFormat::Color8>, 255},
                        Case{64, AdjustSharpness<SampleFormat::Color16>, 1023}}) {
    FrameImage picture, scratch;
    ASSERT_EQ(picture.Create(12, 9, c.bits), 1);
    std::fill(picture.pixels, picture.pixels + picture.stride * picture.height, 0x01);
    ASSERT_EQ(scratch.CopyFormat(&picture), 1);
    std::copy(picture.pixels, picture.pixels + picture.stride * picture.height, scratch.pixels);
    const std::int32_t sigma = 30;
    const std::int32_t* holder = &sigma;
    ASSERT_EQ(picture.Transfer(c.kernel, &scratch, nullptr, 0, 0,
                               reinterpret_cast<std::uintptr_t>(&holder), 0),
              1);
    for (int i = 0; i < picture.stride * picture.height; ++i) {
      ASSERT_EQ(picture.pixels[i], 0x01) << c.bits << " bits, byte " << i;
    }
  }
}

TEST(ToneTest, SharpnessRaisesAnEdgeAgainstItsBlur) {
  FrameImage picture, scratch;
  ASSERT_EQ(picture.Create(8, 8, 8), 1);
  for (int r = 0; r < 8; ++r) {
    for (int c = 0; c < 8; ++c) picture.Row(r)[c] = c < 4 ? 40 : 200;
  }
  ASSERT_EQ(scratch.CopyFormat(&picture), 1);
  std::copy(picture.pixels, picture.pixels + picture.stride * 8, scratch.pixels);
  const std::int32_t sigma = 10;
  const std::int32_t* holder = &sigma;
  picture.Transfer(AdjustSharpness<SampleFormat::Gray8>, &scratch, nullptr, 0, 0,
                   reinterpret_cast<std::uintptr_t>(&holder), 0);
  // Column 4: blur of columns 2..5 is 120, so 200 + (10 * 80) / 10 clamps at 255;
  // column 3: blur 80, 40 + (10 * -40) / 10 = 0.
  EXPECT_EQ(picture.Row(4)[4], 255);
  EXPECT_EQ(picture.Row(4)[3], 0);
  EXPECT_EQ(picture.Row(4)[2], 40);   // blur of columns 0..3 is 40 itself
  EXPECT_EQ(picture.Row(1)[4], 200);  // border row kept
}

TEST(ToneTest, TableKernelsTreatEveryChannelAlikeAndSkipTheSpareSample) {
  FrameImage picture;
  ASSERT_EQ(picture.Create(7, 3, 64), 1);
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 7; ++c) {
      auto* p = reinterpret_cast<std::uint16_t*>(picture.Row(r)) + 4 * c;
      p[0] = static_cast<std::uint16_t>(100 + c);
      p[1] = static_cast<std::uint16_t>(500 + r);
      p[2] = 1023;
      p[3] = 0xBEEF;
    }
  }
  const auto table = ContrastTable(20, 1023);
  ASSERT_EQ(RunInPlace(picture, AdjustContrast<SampleFormat::Color16>, std::int32_t{20}), 1);
  for (int r = 0; r < 3; ++r) {
    for (int c = 0; c < 7; ++c) {
      EXPECT_EQ(SampleAt(picture, r, c, 0), table[100 + c]);
      EXPECT_EQ(SampleAt(picture, r, c, 1), table[500 + r]);
      EXPECT_EQ(SampleAt(picture, r, c, 2), table[1023]);
      EXPECT_EQ(SampleAt(picture, r, c, 3), 0xBEEF);
    }
  }
}

// Copies plain into fast, then runs the plain hue and saturation pass on plain
// and the SSE2 one on fast.
void RunPlainAndSse2HueSaturation(FrameImage& plain, FrameImage& fast,
                                  const TonedHueSaturationParams& params) {
  const bool wide = plain.bitCount >= 48;
  std::memcpy(fast.pixels, plain.pixels, static_cast<std::size_t>(plain.stride) * plain.height);
  const TonedHueSaturationParams* holder = &params;
  const auto user = reinterpret_cast<std::uintptr_t>(&holder);
  ASSERT_EQ(plain.Transfer(wide ? AdjustHueSaturationToned16 : AdjustHueSaturationToned8, &plain,
                           nullptr, 0, 0, user, 0),
            1);
  ASSERT_EQ(fast.Transfer(wide ? AdjustHueSaturationToned16Sse2 : AdjustHueSaturationToned8Sse2,
                          &fast, nullptr, 0, 0, user, 0),
            1);
}

// The SSE2 hue and saturation passes (with their tables) against the plain pass
// followed by the table, over every colour: the single-precision divisions
// must truncate exactly as the integer ones do, and rows, split into channels
// and put back together, must land every sample where it came from (the fourth
// ones untouched), and the three channels taken by sixths of the circle must
// equal the three hue ramps wherever the setting allows them. A table
// differing from the identity in its last entry only must not be taken for the
// identity. 10-bit samples carry random low bits and now and then bits above
// the tenth, which both passes ignore.
TEST(ToneTest, FastHueSaturationMatchesThePlainPassOverEveryColour) {
  ProcessorInfo here;
  DetectProcessorFeatures(&here);
  if (!HasUsable(here, FeatureSse2)) GTEST_SKIP() << "no SSE2 here";
  const std::vector<std::uint16_t> toned =
      ComposeTables(GammaTable(120, 255), ContrastTable(20, 255));
  const std::vector<std::uint16_t> toned16 =
      ComposeTables(GammaTable(120, 1023), ContrastTable(20, 1023));
  std::vector<std::uint16_t> lastChanged(256);
  for (int v = 0; v < 256; ++v) lastChanged[v] = static_cast<std::uint16_t>(v);
  lastChanged[255] = 254;
  struct Case {
    HueSaturationParams params;
    const std::uint16_t* table;
    std::uint16_t bits;
    bool everyColour;  // the plain fallbacks need only a sample
  };
  const Case cases[] = {
      {{30, 0, 40}, toned.data(), 24, true},
      {{-360, 0, -20}, nullptr, 24, true},
      {{360, 0, 255}, nullptr, 32, true},
      {{90, 0, -255}, toned.data(), 24, true},
      {{-7, 0, 1}, nullptr, 24, true},
      {{-100, 0, 60}, toned.data(), 32, true},
      {{400, 0, 10}, toned.data(), 24, false},
      {{0, 0, -256}, nullptr, 24, false},
      {{45, 0, 30}, lastChanged.data(), 24, true},
      // The lowest hue setting that keeps every wrapped hue within the turn, and the next.
      {{-296, 0, 50}, toned.data(), 24, true},
      {{-297, 0, 50}, nullptr, 32, true},
      {{-296, 0, -3}, toned16.data(), 64, true},
      {{30, 0, 40}, toned16.data(), 48, true},
      {{-360, 0, 255}, nullptr, 64, true},
      {{360, 0, -255}, toned16.data(), 64, true},
      {{-45, 0, 1}, nullptr, 48, true},
      {{400, 0, 10}, toned16.data(), 48, false},
  };
  // 24-bit rows take 256 steps of sixteen, one of eight and a plain tail of five.
  constexpr int kWidth = 4109, kHeight = 64;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "hue " << c.params.hue << " saturation "
                                    << c.params.saturation << " bits " << c.bits);
    FrameImage plain, fast;
    ASSERT_EQ(plain.Create(kWidth, kHeight, c.bits), 1);
    ASSERT_EQ(fast.Create(kWidth, kHeight, c.bits), 1);
    const TonedHueSaturationParams params{c.params, c.table};
    const bool wide = c.bits >= 48;
    const int samples = c.bits / (wide ? 16 : 8);
    const int colours = c.everyColour ? 1 << 24 : kWidth * kHeight;
    for (int colour = 0; colour < colours;) {
      for (int r = 0; r < kHeight; ++r) {
        for (int x = 0; x < kWidth; ++x, ++colour) {
          const int k = colour & 0xFFFFFF;
          const int channel[4] = {k & 0xFF, (k >> 8) & 0xFF, k >> 16, (k * 7) & 0xFF};
          for (int ch = 0; ch < samples; ++ch) {
            if (wide) {
              const int extra = ((k * 5 + ch) & 3) | (k % 97 == 0 ? 0x8400 : 0);
              reinterpret_cast<std::uint16_t*>(plain.Row(r))[x * samples + ch] =
                  static_cast<std::uint16_t>(channel[ch] << 2 | extra);
            } else {
              plain.Row(r)[x * samples + ch] = static_cast<std::uint8_t>(channel[ch]);
            }
          }
        }
      }
      ASSERT_NO_FATAL_FAILURE(RunPlainAndSse2HueSaturation(plain, fast, params));
      for (int r = 0; r < kHeight; ++r) {
        ASSERT_EQ(std::memcmp(plain.Row(r), fast.Row(r), plain.stride), 0)
            << "row " << r << " before colour " << colour;
      }
    }
  }
}

// Rows of every length around the SSE2 steps, in every colour format, against
// the plain pass on random pixels.
TEST(ToneTest, FastHueSaturationTailsMatchThePlainPass) {
  ProcessorInfo here;
  DetectProcessorFeatures(&here);
  if (!HasUsable(here, FeatureSse2)) GTEST_SKIP() << "no SSE2 here";
  const std::vector<std::uint16_t> table8 = GammaTable(70, 255), table16 = GammaTable(70, 1023);
  for (std::uint16_t bits : {24, 32, 48, 64}) {
    const bool wide = bits >= 48;
    for (int width : {1, 7, 8, 9, 15, 16, 17, 23, 24, 25, 45, 48, 49}) {
      SCOPED_TRACE(testing::Message() << bits << " bits, width " << width);
      FrameImage plain, fast;
      ASSERT_EQ(plain.Create(width, 3, bits), 1);
      ASSERT_EQ(fast.Create(width, 3, bits), 1);
      std::mt19937 random(width * 100 + bits);
      for (int i = 0; i < plain.stride * 3; ++i)
        plain.pixels[i] = static_cast<std::uint8_t>(random());
      const TonedHueSaturationParams params{{-75, 0, 90}, wide ? table16.data() : table8.data()};
      ASSERT_NO_FATAL_FAILURE(RunPlainAndSse2HueSaturation(plain, fast, params));
      EXPECT_EQ(std::memcmp(plain.pixels, fast.pixels, static_cast<std::size_t>(plain.stride) * 3),
                0);
    }
  }
}

// The toned kernels are their stage followed by the table, in every format.
TEST(ToneTest, TonedKernelsAreTheStageThenTheTable) {
  for (std::uint16_t bits : {24, 32, 48, 64}) {
    SCOPED_TRACE(testing::Message() << bits << " bits");
    const bool wide = bits >= 48;
    const int maximum = wide ? 1023 : 255;
    const std::vector<std::uint16_t> table = BrightnessTable(-40, maximum);
    FrameImage source, reference, toned;
    ASSERT_EQ(source.Create(19, 11, bits), 1);
    std::mt19937 random(bits);
    for (int r = 0; r < 11; ++r) {
      for (int i = 0; i < source.stride; i += wide ? 2 : 1) {
        const int v = static_cast<int>(random() % (maximum + 1));
        if (wide) {
          reinterpret_cast<std::uint16_t*>(source.Row(r))[i / 2] = static_cast<std::uint16_t>(v);
        } else {
          source.Row(r)[i] = static_cast<std::uint8_t>(v);
        }
      }
    }
    auto fresh = [&](FrameImage& image) {
      ASSERT_EQ(image.CopyFormat(&source), 1);
      std::memcpy(image.pixels, source.pixels, static_cast<std::size_t>(source.stride) * 11);
    };
    const ToneTable tableRecord{table.data(), static_cast<std::int32_t>(table.size())};
    const ToneTable* tableHolder = &tableRecord;
    const auto tableUser = reinterpret_cast<std::uintptr_t>(&tableHolder);
    const PixelKernel applyTable =
        wide ? ApplyToneTable<SampleFormat::Color16> : ApplyToneTable<SampleFormat::Color8>;

    const HueSaturationParams hs{-50, 0, 60};
    const HueSaturationParams* hsHolder = &hs;
    fresh(reference);
    ASSERT_EQ(reference.Transfer(wide ? AdjustHueSaturation16 : AdjustHueSaturation8, &reference,
                                 nullptr, 0, 0, reinterpret_cast<std::uintptr_t>(&hsHolder), 0),
              1);
    ASSERT_EQ(reference.Transfer(applyTable, &reference, nullptr, 0, 0, tableUser, 0), 1);
    const TonedHueSaturationParams tonedHs{hs, table.data()};
    const TonedHueSaturationParams* tonedHsHolder = &tonedHs;
    fresh(toned);
    ASSERT_EQ(toned.Transfer(wide ? AdjustHueSaturationToned16 : AdjustHueSaturationToned8, &toned,
                             nullptr, 0, 0, reinterpret_cast<std::uintptr_t>(&tonedHsHolder), 0),
              1);
    EXPECT_EQ(std::memcmp(reference.pixels, toned.pixels, source.stride * 11), 0) << "hue";

    const std::int32_t sigma = 17;
    const std::int32_t* sigmaHolder = &sigma;
    fresh(reference);
    ASSERT_EQ(
        reference.Transfer(
            wide ? AdjustSharpness<SampleFormat::Color16> : AdjustSharpness<SampleFormat::Color8>,
            &source, nullptr, 0, 0, reinterpret_cast<std::uintptr_t>(&sigmaHolder), 0),
        1);
    ASSERT_EQ(reference.Transfer(applyTable, &reference, nullptr, 0, 0, tableUser, 0), 1);
    const TonedSharpnessParams tonedSharp{sigma, table.data(), SimdVariant::Plain, {}};
    const TonedSharpnessParams* tonedSharpHolder = &tonedSharp;
    fresh(toned);
    ASSERT_EQ(toned.Transfer(wide ? AdjustSharpnessToned<SampleFormat::Color16>
                                  : AdjustSharpnessToned<SampleFormat::Color8>,
                             &source, nullptr, 0, 0,
                             reinterpret_cast<std::uintptr_t>(&tonedSharpHolder), 0),
              1);
    EXPECT_EQ(std::memcmp(reference.pixels, toned.pixels, source.stride * 11), 0) << "sharpness";
  }
}

// The SSE2 sharpen step of 24-bit pictures against the difference table of the
// 32-bit ones (the plain arithmetic), for every setting, on the same random picture.
TEST(ToneTest, FastSharpnessMatchesTheDifferenceTable) {
  ProcessorInfo here;
  DetectProcessorFeatures(&here);
  if (!HasUsable(here, FeatureSse2)) GTEST_SKIP() << "no SSE2 here";
  constexpr int kWidth = 37, kHeight = 9;
  FrameImage source24, source32, fast, plain;
  ASSERT_EQ(source24.Create(kWidth, kHeight, 24), 1);
  ASSERT_EQ(source32.Create(kWidth, kHeight, 32), 1);
  std::mt19937 random(5);
  for (int r = 0; r < kHeight; ++r) {
    for (int x = 0; x < kWidth; ++x) {
      for (int ch = 0; ch < 3; ++ch) {
        // Extremes often, so that the differences reach both ends.
        const int v = random() % 3 == 0 ? (random() & 1) * 255 : static_cast<int>(random() % 256);
        source24.Row(r)[3 * x + ch] = source32.Row(r)[4 * x + ch] = static_cast<std::uint8_t>(v);
      }
    }
  }
  for (int sigma = 1; sigma <= 30; ++sigma) {
    ASSERT_EQ(fast.CopyFormat(&source24), 1);
    ASSERT_EQ(plain.CopyFormat(&source32), 1);
    std::memcpy(fast.pixels, source24.pixels, static_cast<std::size_t>(source24.stride) * kHeight);
    std::memcpy(plain.pixels, source32.pixels, static_cast<std::size_t>(source32.stride) * kHeight);
    const TonedSharpnessParams fastParams{sigma, nullptr, SimdVariant::Sse2, {}};
    const TonedSharpnessParams plainParams{sigma, nullptr, SimdVariant::Plain, {}};
    const TonedSharpnessParams* fastHolder = &fastParams;
    const TonedSharpnessParams* plainHolder = &plainParams;
    ASSERT_EQ(fast.Transfer(AdjustSharpnessToned<SampleFormat::Color8>, &source24, nullptr, 0, 0,
                            reinterpret_cast<std::uintptr_t>(&fastHolder), 0),
              1);
    ASSERT_EQ(plain.Transfer(AdjustSharpnessToned<SampleFormat::Color8>, &source32, nullptr, 0, 0,
                             reinterpret_cast<std::uintptr_t>(&plainHolder), 0),
              1);
    for (int r = 0; r < kHeight; ++r) {
      for (int x = 0; x < kWidth; ++x) {
        for (int ch = 0; ch < 3; ++ch) {
          ASSERT_EQ(fast.Row(r)[3 * x + ch], plain.Row(r)[4 * x + ch])
              << "sigma " << sigma << " at " << r << "," << x << " channel " << ch;
        }
      }
    }
  }
}

// The SSE2 sharpness pass against the plain one in every sample format, every
// byte of the picture (spare fourth samples and row padding included): widths
// around the eight-sample steps, the ends of the setting, with and without a
// table after it. 10-bit samples now and then carry bits above the tenth.
// Random samples, a third of them at the extremes, and in 16-bit pictures a few
// with stray high bits the kernels must mask.
void FillSharpnessSource(FrameImage& source, int maximum, unsigned seed) {
  const bool wide = maximum == 1023;
  std::mt19937 random(seed);
  for (int r = 0; r < source.height; ++r) {
    for (int i = 0; i < source.stride; i += wide ? 2 : 1) {
      int v = random() % 3 == 0 ? (random() & 1) * maximum
                                : static_cast<int>(random() % (maximum + 1));
      if (wide && random() % 50 == 0) v |= 0x9000;
      if (wide) {
        reinterpret_cast<std::uint16_t*>(source.Row(r))[i / 2] = static_cast<std::uint16_t>(v);
      } else {
        source.Row(r)[i] = static_cast<std::uint8_t>(v);
      }
    }
  }
}

bool CopyPicture(FrameImage& source, FrameImage& copy) {
  if (copy.CopyFormat(&source) != 1) return false;
  std::memcpy(copy.pixels, source.pixels, static_cast<std::size_t>(source.stride) * source.height);
  return true;
}

const struct SharpnessFormat {
  PixelKernel kernel;
  std::uint16_t bits;
  int maximum;
} kSharpnessFormats[] = {
    {AdjustSharpnessToned<SampleFormat::Gray8>, 8, 255},
    {AdjustSharpnessToned<SampleFormat::Gray16>, 16, 1023},
    {AdjustSharpnessToned<SampleFormat::Color8>, 24, 255},
    {AdjustSharpnessToned<SampleFormat::Color8>, 32, 255},
    {AdjustSharpnessToned<SampleFormat::Color16>, 48, 1023},
    {AdjustSharpnessToned<SampleFormat::Color16>, 64, 1023},
};

// One random picture sharpened with each of the two settings: the same bytes.
void ExpectSharpenedAlike(const SharpnessFormat& format, int width, int height, unsigned seed,
                          const TonedSharpnessParams& plainParams,
                          const TonedSharpnessParams& fastParams) {
  FrameImage source, plain, fast;
  ASSERT_EQ(source.Create(width, height, format.bits), 1);
  FillSharpnessSource(source, format.maximum, seed);
  ASSERT_TRUE(CopyPicture(source, plain) && CopyPicture(source, fast));
  const TonedSharpnessParams* plainHolder = &plainParams;
  const TonedSharpnessParams* fastHolder = &fastParams;
  ASSERT_EQ(plain.Transfer(format.kernel, &source, nullptr, 0, 0,
                           reinterpret_cast<std::uintptr_t>(&plainHolder), 0),
            1);
  ASSERT_EQ(fast.Transfer(format.kernel, &source, nullptr, 0, 0,
                          reinterpret_cast<std::uintptr_t>(&fastHolder), 0),
            1);
  for (int r = 0; r < height; ++r) {
    ASSERT_EQ(std::memcmp(plain.Row(r), fast.Row(r), source.stride), 0) << "row " << r;
  }
}

TEST(ToneTest, FastSharpnessMatchesThePlainPassInEveryFormat) {
  ProcessorInfo here;
  DetectProcessorFeatures(&here);
  if (!HasUsable(here, FeatureSse2)) GTEST_SKIP() << "no SSE2 here";
  const std::vector<std::uint16_t> tables[2] = {BrightnessTable(30, 255),
                                                BrightnessTable(30, 1023)};
  int round = 0;
  for (const SharpnessFormat& format : kSharpnessFormats) {
    const bool wide = format.maximum == 1023;
    for (int width : {1, 4, 5, 6, 7, 8, 9, 15, 16, 17, 18, 45, 48, 49, 50}) {
      for (int sigma : {1, 10, 29, 30}) {
        ++round;
        const bool withTable = round % 2 == 0;
        SCOPED_TRACE(testing::Message() << format.bits << " bits, width " << width << ", sigma "
                                        << sigma << (withTable ? ", table" : ""));
        // Tall enough for the SSE2 column sums to slide down over many rows.
        const int height = 5 + round % 3 * 6;
        const std::uint16_t* table = withTable ? tables[wide].data() : nullptr;
        ASSERT_NO_FATAL_FAILURE(ExpectSharpenedAlike(
            format, width, height, round, {sigma, table, SimdVariant::Plain, {}},
            {sigma, table, SimdVariant::Sse2, {}}));
      }
    }
  }
}

// Wherever a product is found it is the table's arithmetic: checked here
// against the plain trunc(k * s) without going through the search.
TEST(ToneTest, BrightnessProductsMeetTheirTables) {
  // Some tables meet no product at all: where k * s rounds up to a whole number
  // for one s and falls just short of one for a multiple of it.
  const struct {
    int maximum, leastExact;
  } formats[] = {{255, 500}, {1023, 350}};
  for (const auto [maximum, leastExact] : formats) {
    int exact = 0;
    for (int brightness = -255; brightness <= 255; ++brightness) {
      if (brightness == 0) continue;
      SCOPED_TRACE(testing::Message() << "maximum " << maximum << ", brightness " << brightness);
      const std::vector<std::uint16_t> table = BrightnessTable(brightness, maximum);
      const BrightnessProduct product = FindBrightnessProduct(brightness, table);
      if (!product.exact) continue;
      ++exact;
      for (int s = 0; s <= maximum; ++s) {
        const long long scaled = s * (65536LL * product.whole + product.fraction);
        ASSERT_EQ(std::min<long long>(scaled >> 16, maximum), table[s]) << "sample " << s;
      }
    }
    EXPECT_GE(exact, leastExact) << "maximum " << maximum;
  }
  for (int brightness : {-255, -1, 1, 20, 255}) {
    EXPECT_TRUE(FindBrightnessProduct(brightness, BrightnessTable(brightness, 255)).exact)
        << brightness;
  }
}

// The sharpen steps brightening by the product give the bytes of the plain
// pass mapped through the table, for every brightness, every format and widths
// reaching every tail of the eight-sample steps.
TEST(ToneTest, FastSharpnessBrightensExactlyAsTheTable) {
  ProcessorInfo here;
  DetectProcessorFeatures(&here);
  if (!HasUsable(here, FeatureSse2)) GTEST_SKIP() << "no SSE2 here";
  const int widths[] = {5, 6, 7, 8, 9, 10, 11, 12, 13, 17, 18, 21, 50};
  int round = 0;
  for (const SharpnessFormat& format : kSharpnessFormats) {
    for (int brightness = -255; brightness <= 255; ++brightness) {
      if (brightness == 0) continue;
      ++round;
      const int width = widths[round % std::size(widths)];
      const int sigma = 1 + round % 30;
      SCOPED_TRACE(testing::Message() << format.bits << " bits, width " << width << ", sigma "
                                      << sigma << ", brightness " << brightness);
      const std::vector<std::uint16_t> table = BrightnessTable(brightness, format.maximum);
      ASSERT_NO_FATAL_FAILURE(ExpectSharpenedAlike(
          format, width, 5 + round % 2, round, {sigma, table.data(), SimdVariant::Plain, {}},
          {sigma, table.data(), SimdVariant::Sse2,
           FindBrightnessProduct(brightness, table)}));
    }
  }
}

}  // namespace
}  // namespace kelvo
