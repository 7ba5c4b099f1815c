// The preview's kernels: wide formats brought to 8 or 24 bits for drawing, and
// the nearest-neighbour scaling that also turns the rows over for GDI.
#include "processing/display_kernels.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <random>
#include <vector>

#include "x87_control.h"

namespace kelvo {
namespace {

using namespace testing_support;

struct ConversionCase {
  const char* name;
  PixelKernel kernel;
  std::uint16_t sourceBits, destinationBits;
  std::vector<std::uint8_t> sourcePixel, destinationPixel;  // bytes in storage order
};

TEST(DisplayKernelsTest, WideFormatsBecomeEightBitBytes) {
  const ConversionCase cases[] = {
      {"16: 1023", Convert16To8, 16, 8, {0xFF, 0x03}, {255}},
      {"16: 4 and 3", Convert16To8, 16, 8, {0x04, 0x00}, {1}},
      {"16: 3", Convert16To8, 16, 8, {0x03, 0x00}, {0}},
      {"16: 512", Convert16To8, 16, 8, {0x00, 0x02}, {128}},
      {"16: bits above 9", Convert16To8, 16, 8, {0x03, 0xFC}, {0}},
      {"32 drops the fourth byte", Convert32To24, 32, 24, {1, 2, 3, 4}, {1, 2, 3}},
      {"48", ConvertWideTo24, 48, 24, {0xFF, 0x03, 0x04, 0x00, 0x00, 0x02}, {255, 1, 128}},
      {"64 ignores the fourth sample",
       ConvertWideTo24,
       64,
       24,
       {0x08, 0x00, 0xFF, 0xFF, 0x10, 0x01, 0xFF, 0x03},
       {2, 255, 68}},
  };
  for (const ConversionCase& c : cases) {
    FrameImage source, destination;
    ASSERT_EQ(source.Create(3, 2, c.sourceBits), 1);
    ASSERT_EQ(destination.Create(3, 2, c.destinationBits), 1);
    std::memset(destination.pixels, 0xAB, destination.stride * destination.height);
    const int sourceBytes = source.BytesPerPixel(), destinationBytes = destination.BytesPerPixel();
    // Pixel (1, 2) carries the case; every other pixel is 0 and stays so.
    std::memcpy(source.Row(1) + 2 * sourceBytes, c.sourcePixel.data(), sourceBytes);
    ASSERT_EQ(destination.Transfer(c.kernel, &source, nullptr, 0, 0, 0, 0), 1) << c.name;
    for (int r = 0; r < 2; ++r) {
      for (int col = 0; col < 3; ++col) {
        const std::uint8_t* out = destination.Row(r) + col * destinationBytes;
        for (int k = 0; k < destinationBytes; ++k) {
          const int expected = r == 1 && col == 2 ? c.destinationPixel[k] : 0;
          EXPECT_EQ(out[k], expected) << c.name << " pixel " << r << "," << col << " byte " << k;
        }
      }
    }
  }
}

// Where the scale factor, rounded to single precision, lands just below a whole
// number, the source column or row is one less than the exact quotient gives.
struct ScalingCase {
  std::int32_t sourceWidth, sourceHeight, width, height;
  std::map<int, int> columnExceptions, rowExceptions;  // index -> u or v
};

// 24-bit pixels that name their own column and row.
std::uint32_t Position(int row, int column) {
  return static_cast<std::uint32_t>(column) | static_cast<std::uint32_t>(row) << 11;
}

void FillPositions(FrameImage& image) {
  std::mt19937 generator(5);
  for (int r = 0; r < image.height; ++r) {
    for (int c = 0; c < image.width; ++c) {
      if (image.bitCount == 8) {
        image.Row(r)[c] = static_cast<std::uint8_t>(generator());
      } else {
        const std::uint32_t p = Position(r, c);
        std::memcpy(image.Row(r) + 3 * c, &p, 3);
      }
    }
  }
}

TEST(DisplayKernelsTest, ScalingMapsEachPixelToItsNearestSourcePixelUpsideDown) {
  const ScalingCase cases[] = {
      {1280, 960, 108, 81, {{27, 319}, {54, 639}, {81, 959}}, {{27, 319}, {54, 639}}},
      {5, 3, 5, 3, {}, {}},
      {7, 5, 3, 2, {}, {}},
      {3, 2, 7, 5, {}, {}},
      {1, 1, 4, 3, {}, {}},
      {1279, 960, 1280, 960, {}, {}},
  };
  for (std::uint16_t bits : {8, 24}) {
    const RectKernel kernel = bits == 8 ? ScaleNearest8 : ScaleNearest24;
    const int bytes = bits / 8;
    for (const ScalingCase& c : cases) {
      FrameImage source, destination;
      ASSERT_EQ(source.Create(c.sourceWidth, c.sourceHeight, bits), 1);
      ASSERT_EQ(destination.Create(c.width, c.height, bits), 1);
      FillPositions(source);
      ASSERT_EQ(destination.TransferRects(kernel, &source, nullptr, nullptr, 0, 0), 1);
      auto mapped = [](int index, int from, int to, const std::map<int, int>& exceptions) {
        auto exception = exceptions.find(index);
        return exception != exceptions.end() ? exception->second
                                             : static_cast<int>(std::int64_t{index} * from / to);
      };
      for (int i = 0; i < c.height; ++i) {
        const int sourceRow =
            c.sourceHeight - 1 - mapped(i, c.sourceHeight, c.height, c.rowExceptions);
        for (int j = 0; j < c.width; ++j) {
          const int sourceColumn = mapped(j, c.sourceWidth, c.width, c.columnExceptions);
          ASSERT_EQ(std::memcmp(destination.Row(i) + j * bytes,
                                source.Row(sourceRow) + sourceColumn * bytes, bytes),
                    0)
              << bits << " bits, " << c.sourceWidth << "x" << c.sourceHeight << " to " << c.width
              << "x" << c.height << ": row " << i << " column " << j;
        }
      }
    }
  }
}

// The case that shows single precision, whatever precision the caller's x87 unit is set to.
TEST(DisplayKernelsTest, ScaleFactorIsSinglePrecisionWhateverTheCallersControlWord) {
  FrameImage source, destination;
  ASSERT_EQ(source.Create(1280, 1, 24), 1);
  ASSERT_EQ(destination.Create(108, 1, 24), 1);
  FillPositions(source);
  for (std::uint16_t word : {kX87Single, kX87Double, kX87Extended}) {
    CallerControlWord caller(word);
    ASSERT_EQ(destination.TransferRects(ScaleNearest24, &source, nullptr, nullptr, 0, 0), 1);
    std::uint32_t column27 = 0;
    std::memcpy(&column27, destination.Row(0) + 27 * 3, 3);
    EXPECT_EQ(column27, Position(0, 319)) << "control word " << std::hex << word;
    if (kHaveX87) {
      EXPECT_EQ(X87ControlWord(), word);
    }
  }
}

// A source rectangle wider than the source: columns past its edge take its last one.
TEST(DisplayKernelsTest, ScalingClampsColumnsToTheSourceImage) {
  for (std::uint16_t bits : {8, 24}) {
    FrameImage source, destination;
    ASSERT_EQ(source.Create(4, 3, bits), 1);
    ASSERT_EQ(destination.Create(8, 3, bits), 1);
    FillPositions(source);
    const Rect wider{0, 0, 8, 3};
    const int bytes = bits / 8;
    ASSERT_EQ(destination.TransferRects(bits == 8 ? ScaleNearest8 : ScaleNearest24, &source, &wider,
                                        nullptr, 0, 0),
              1);
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 8; ++j) {
        ASSERT_EQ(std::memcmp(destination.Row(i) + j * bytes,
                              source.Row(2 - i) + std::min(j, 3) * bytes, bytes),
                  0)
            << bits << " bits: row " << i << " column " << j;
      }
    }
  }
}

// Rectangles far larger than the images, up to int32's ends: only the
// destination's own pixels are visited, without overflow.
TEST(DisplayKernelsTest, ScalingWithFarOffCornersStaysInsideAndFinishes) {
  for (std::uint16_t bits : {8, 24}) {
    FrameImage source, destination;
    ASSERT_EQ(source.Create(4, 3, bits), 1);
    ASSERT_EQ(destination.Create(8, 3, bits), 1);
    FillPositions(source);
    const RectKernel kernel = bits == 8 ? ScaleNearest8 : ScaleNearest24;
    for (const Rect& far : {Rect{-1000000000, -1000000000, 1000000000, 1000000000},
                            Rect{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}}) {
      EXPECT_EQ(destination.TransferRects(kernel, &source, &far, &far, 0, 0), 1) << bits;
    }
  }
}

}  // namespace
}  // namespace kelvo
