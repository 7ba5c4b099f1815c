#include <gtest/gtest.h>
#include <png.h>

#include <thread>

#include "files/decoders.h"
#include "files/save_image.h"
#include "files/test_pictures.h"

namespace kelvo::testing {
namespace {

struct PngCase {
  std::uint16_t bitCount;
  int bitDepth;
  int colorType;
  std::uint32_t topLeftRed;  // first sample of the file: the stored 1023 widened
};

// Red first; 10-bit grey times 16, 10-bit colour times 64; alpha 255 minus
// the fourth byte at 32 bits, opaque at 64.
std::uint32_t ExpectedPngSample(std::uint16_t bits, int x, int y, int k) {
  switch (bits) {
    case 8:
      return StoredSample(bits, x, y, 0);
    case 16:
      return StoredSample(bits, x, y, 0) << 4;
    case 24:
    case 32:
      return k < 3 ? StoredSample(bits, x, y, 2 - k) : 255 - StoredSample(bits, x, y, 3);
    default:
      return k < 3 ? StoredSample(bits, x, y, 2 - k) << 6 : 65535;
  }
}

class PngFormatTest : public ::testing::TestWithParam<PngCase> {};

TEST_P(PngFormatTest, DecodesToThePictureTopRowFirst) {
  const PngCase c = GetParam();
  TempFolder folder;
  auto picture = MakePicture(5, 3, c.bitCount);  // 5 wide: every depth but 32/64 is padded
  ASSERT_TRUE(picture);
  const auto before = StorageBytes(*picture);

  ASSERT_EQ(SaveImage(folder.File("p.png").c_str(), picture.get(), kSavePng), 1);
  EXPECT_EQ(StorageBytes(*picture), before);

  auto png = ReadPng(folder.File("p.png"));
  ASSERT_TRUE(png);
  EXPECT_EQ(png->width, 5);
  EXPECT_EQ(png->height, 3);
  EXPECT_EQ(png->bitDepth, c.bitDepth);
  EXPECT_EQ(png->colorType, c.colorType);
  EXPECT_EQ(png->At(0, 0, 0), c.topLeftRed);
  EXPECT_EQ(FirstDifference(
                *png, [&](int x, int y, int k) { return ExpectedPngSample(c.bitCount, x, y, k); }),
            "");
}

INSTANTIATE_TEST_SUITE_P(
    EveryBitCount, PngFormatTest,
    ::testing::Values(PngCase{8, 8, PNG_COLOR_TYPE_GRAY, StoredSample(8, 0, 0, 0)},
                      PngCase{16, 16, PNG_COLOR_TYPE_GRAY, 16368},
                      PngCase{24, 8, PNG_COLOR_TYPE_RGB, StoredSample(24, 0, 0, 2)},
                      PngCase{32, 8, PNG_COLOR_TYPE_RGB_ALPHA, StoredSample(32, 0, 0, 2)},
                      PngCase{48, 16, PNG_COLOR_TYPE_RGB, 65472},
                      PngCase{64, 16, PNG_COLOR_TYPE_RGB_ALPHA, 65472}),
    [](const auto& info) { return std::to_string(info.param.bitCount) + "bits"; });

// Two cameras on two threads may save at the same moment.
TEST(PngWriterTest, TwoThreadsSavingAtOnceWriteTwoCorrectFiles) {
  TempFolder folder;
  auto colour = MakePicture(64, 48, 24);
  auto deep = MakePicture(64, 48, 48);
  ASSERT_TRUE(colour && deep);
  auto saveRepeatedly = [&folder](FrameImage* picture, const std::string& name, int* saved) {
    for (int i = 0; i < 8; ++i) *saved += SaveImage(folder.File(name).c_str(), picture, kSavePng);
  };
  int savedColour = 0, savedDeep = 0;
  std::thread first(saveRepeatedly, colour.get(), "colour.png", &savedColour);
  std::thread second(saveRepeatedly, deep.get(), "deep.png", &savedDeep);
  first.join();
  second.join();
  EXPECT_EQ(savedColour, 8);
  EXPECT_EQ(savedDeep, 8);

  for (auto [name, bits] : {std::pair{"colour.png", 24}, std::pair{"deep.png", 48}}) {
    auto png = ReadPng(folder.File(name));
    ASSERT_TRUE(png) << name;
    ASSERT_EQ(png->samples.size(), 64u * 48u * 3u);
    EXPECT_EQ(FirstDifference(*png,
                              [&](int x, int y, int k) {
                                return ExpectedPngSample(static_cast<std::uint16_t>(bits), x, y, k);
                              }),
              "")
        << name;
  }
}

}  // namespace
}  // namespace kelvo::testing
