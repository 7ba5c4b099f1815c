#include <gtest/gtest.h>
#include <tiffio.h>

#include "files/decoders.h"
#include "files/save_image.h"
#include "files/test_pictures.h"

namespace kelvo::testing {
namespace {

struct TiffCase {
  std::uint16_t bitCount;
  std::uint16_t bitsPerSample;
  std::uint16_t photometric;
  std::uint16_t samplesPerPixel;
};

// Red first; 10-bit grey times 16, 10-bit colour times 64; the fourth
// sample is 0 at 32 bits and 65535 at 64.
std::uint32_t ExpectedTiffSample(std::uint16_t bits, int x, int y, int k) {
  switch (bits) {
    case 8:
      return StoredSample(bits, x, y, 0);
    case 16:
      return StoredSample(bits, x, y, 0) << 4;
    case 24:
    case 32:
      return k < 3 ? StoredSample(bits, x, y, 2 - k) : 0;
    default:
      return k < 3 ? StoredSample(bits, x, y, 2 - k) << 6 : 65535;
  }
}

class TiffFormatTest : public ::testing::TestWithParam<TiffCase> {};

TEST_P(TiffFormatTest, WritesOnePackedStripTopRowFirst) {
  const TiffCase c = GetParam();
  TempFolder folder;
  auto picture = MakePicture(5, 3, c.bitCount);
  ASSERT_TRUE(picture);
  const auto before = StorageBytes(*picture);

  ASSERT_EQ(SaveImage(folder.File("p.tif").c_str(), picture.get(), kSaveTiff), 1);
  EXPECT_EQ(StorageBytes(*picture), before);

  auto tiff = ReadTiff(folder.File("p.tif"));
  ASSERT_TRUE(tiff);
  EXPECT_EQ(tiff->imageWidth, 5u);
  EXPECT_EQ(tiff->imageLength, 3u);
  EXPECT_EQ(tiff->compression, COMPRESSION_NONE);
  EXPECT_EQ(tiff->planarConfig, PLANARCONFIG_CONTIG);
  EXPECT_EQ(tiff->bitsPerSample, c.bitsPerSample);
  EXPECT_EQ(tiff->photometric, c.photometric);
  EXPECT_EQ(tiff->samplesPerPixel, c.samplesPerPixel);
  const std::int64_t packedRow = 5 * c.samplesPerPixel * c.bitsPerSample / 8;
  EXPECT_EQ(tiff->strips, 1u);
  EXPECT_EQ(tiff->scanlineBytes, packedRow);
  EXPECT_EQ(tiff->stripBytes, static_cast<std::uint64_t>(3 * packedRow));
  ASSERT_EQ(tiff->samples.size(), static_cast<std::size_t>(15 * c.samplesPerPixel));
  EXPECT_EQ(FirstDifference(*tiff, [&](int x, int y,
                                       int k) { return ExpectedTiffSample(c.bitCount, x, y, k); }),
            "");
}

INSTANTIATE_TEST_SUITE_P(
    EveryBitCount, TiffFormatTest,
    ::testing::Values(TiffCase{8, 8, PHOTOMETRIC_MINISBLACK, 1},
                      TiffCase{16, 16, PHOTOMETRIC_MINISBLACK, 1},
                      TiffCase{24, 8, PHOTOMETRIC_RGB, 3}, TiffCase{32, 8, PHOTOMETRIC_RGB, 4},
                      TiffCase{48, 16, PHOTOMETRIC_RGB, 3}, TiffCase{64, 16, PHOTOMETRIC_RGB, 4}),
    [](const auto& info) { return std::to_string(info.param.bitCount) + "bits"; });

TEST(TiffWriterTest, RowsCarryNoPaddingAtFullSensorWidths) {
  TempFolder folder;
  for (auto [width, height] : {std::pair{1278, 4}, std::pair{1280, 960}}) {
    auto picture = MakePicture(width, height, 8);
    ASSERT_TRUE(picture);
    ASSERT_EQ(SaveImage(folder.File("wide.tif").c_str(), picture.get(), kSaveTiff), 1);
    auto tiff = ReadTiff(folder.File("wide.tif"));
    ASSERT_TRUE(tiff);
    EXPECT_EQ(tiff->scanlineBytes, width);
    EXPECT_EQ(tiff->stripBytes, static_cast<std::uint64_t>(width) * height);
    ASSERT_FALSE(tiff->samples.empty());
    EXPECT_EQ(tiff->At(width - 1, height - 1, 0), StoredSample(8, width - 1, height - 1, 0));
  }
}

}  // namespace
}  // namespace kelvo::testing
