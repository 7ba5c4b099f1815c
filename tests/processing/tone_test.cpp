#include "processing/tone.h"

#include <gtest/gtest.h>

#include "processing_test_support.h"

namespace kelvo {
namespace {

using testing_support::SampleAt;

TEST(ToneTest, GammaTables) {
  struct Case {
    int gamma, maximum, index, expected;
  };
  const Case cases[] = {{50, 255, 255, 254}, {50, 255, 1, 15},
                        {0, 255, 0, 0},      {200, 255, 1, 1},  {200, 255, 255, 254},
                        {100, 255, 2, 2},    {100, 255, 100, 99}, {100, 1023, 1023, 1022},
                        {50, 1023, 0, 0}};
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

TEST(ToneTest, HueAndSaturationPixels) {
  struct Case {
    HueSaturationParams params;
    int r, g, b;
    int outR, outG, outB;
  };
  const Case cases[] = {
      {{90, 0, 0}, 77, 77, 77, 77, 77, 77},      // grey stays grey
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
  return image.Transfer(kernel, &image, nullptr, 0, 0, reinterpret_cast<std::uintptr_t>(&holder), 0);
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
  EXPECT_EQ(picture.Row(4)[2], 40);  // blur of columns 0..3 is 40 itself
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

}  // namespace
}  // namespace kelvo
