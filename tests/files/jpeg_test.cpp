#include <gtest/gtest.h>
#include <jpeglib.h>

#include <cstdio>
#include <cstdlib>

#include "files/decoders.h"
#include "files/save_image.h"
#include "files/test_pictures.h"

namespace kelvo::testing {
namespace {

struct Colour {
  int red, green, blue;
};

// Top half and bottom half in two colours (grey pictures use the red value);
// the halves meet on a block boundary so compression does not blur them.
constexpr Colour kTop{220, 40, 30};
constexpr Colour kBottom{30, 60, 210};
constexpr int kWidth = 18, kHeight = 16;

std::unique_ptr<FrameImage> TwoColourPicture(std::uint16_t bits) {
  auto image = std::make_unique<FrameImage>();
  if (image->Create(kWidth, kHeight, bits) == 0) return nullptr;
  // 10-bit samples carry the 8-bit value in bits 2..9, with noise below.
  auto sample = [bits](int value) -> std::uint32_t {
    return bits == 16 || bits == 48 || bits == 64 ? value * 4 + 3 : value;
  };
  for (int y = 0; y < kHeight; ++y) {
    const Colour& c = y < kHeight / 2 ? kTop : kBottom;
    for (int x = 0; x < kWidth; ++x) {
      switch (bits) {
        case 8:
        case 16:
          SetPixel(*image, x, y, {sample(c.red)});
          break;
        case 24:
        case 48:
          SetPixel(*image, x, y, {sample(c.blue), sample(c.green), sample(c.red)});
          break;
        default:
          SetPixel(*image, x, y, {sample(c.blue), sample(c.green), sample(c.red), 77});
      }
    }
  }
  return image;
}

void ExpectNear(const JpegFile& jpeg, int x, int y, const Colour& expected) {
  const int wanted[3] = {expected.red, expected.green, expected.blue};
  for (int k = 0; k < jpeg.channels; ++k) {
    EXPECT_NEAR(static_cast<int>(jpeg.At(x, y, k)), wanted[k], 12)
        << "pixel " << x << "," << y << " channel " << k;
  }
}

class JpegFormatTest : public ::testing::TestWithParam<std::uint16_t> {};

TEST_P(JpegFormatTest, WritesAProgressiveFileTopRowFirstWithRedStayingRed) {
  const std::uint16_t bits = GetParam();
  const bool grey = bits == 8 || bits == 16;
  TempFolder folder;
  auto picture = TwoColourPicture(bits);
  ASSERT_TRUE(picture);
  const auto before = StorageBytes(*picture);

  ASSERT_EQ(SaveImage(folder.File("p.jpg").c_str(), picture.get(), kSaveJpeg100), 1);
  EXPECT_EQ(StorageBytes(*picture), before);

  auto jpeg = ReadJpeg(folder.File("p.jpg"));
  ASSERT_TRUE(jpeg);
  EXPECT_TRUE(jpeg->progressive);
  EXPECT_EQ(jpeg->components, grey ? 1 : 3);
  EXPECT_EQ(jpeg->colorSpace, grey ? JCS_GRAYSCALE : JCS_YCbCr);
  EXPECT_EQ(jpeg->width, kWidth);
  EXPECT_EQ(jpeg->height, kHeight);
  ExpectNear(*jpeg, 1, 1, kTop);
  ExpectNear(*jpeg, kWidth - 2, 1, kTop);
  ExpectNear(*jpeg, 1, kHeight - 2, kBottom);
}

INSTANTIATE_TEST_SUITE_P(EveryBitCount, JpegFormatTest, ::testing::Values(8, 16, 24, 32, 48, 64),
                         [](const auto& info) { return std::to_string(info.param) + "bits"; });

TEST(JpegWriterTest, LowerQualityCodesGiveSmallerFiles) {
  TempFolder folder;
  auto picture = MakePicture(64, 48, 24);
  ASSERT_TRUE(picture);
  std::uintmax_t sizes[3];
  for (int code : {kSaveJpeg100, kSaveJpeg70, kSaveJpeg20}) {
    const std::string name = folder.File(std::to_string(code) + ".jpg");
    ASSERT_EQ(SaveImage(name.c_str(), picture.get(), code), 1);
    ASSERT_TRUE(ReadJpeg(name)) << code;
    sizes[code - kSaveJpeg100] = std::filesystem::file_size(name);
  }
  EXPECT_GT(sizes[0], sizes[1]);
  EXPECT_GT(sizes[1], sizes[2]);
  EXPECT_GT(sizes[0], sizes[2] * 3 / 2);
}

// GDI flips 24- and 32-bit pictures where it can (Windows), a kernel elsewhere:
// both must hand the writer the picture upside down without the fourth byte.
TEST(JpegWriterTest, ColourPicturesReachTheWriterFlippedWithoutTheFourthByte) {
  for (std::uint16_t bits : {24, 32}) {
    auto picture = MakePicture(7, 5, bits);
    ASSERT_TRUE(picture);
    FrameImage flipped;
    ASSERT_EQ(files::PrepareJpegImage(picture.get(), flipped), 1);
    ASSERT_EQ(flipped.bitCount, 24);
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 7; ++x) {
        for (int c = 0; c < 3; ++c) {
          EXPECT_EQ(flipped.Row(4 - y)[x * 3 + c], StoredSample(bits, x, y, c))
              << bits << " bits, pixel " << x << "," << y;
        }
      }
    }
  }
}

}  // namespace
}  // namespace kelvo::testing
