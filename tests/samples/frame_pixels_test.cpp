// The viewer's reading of delivered frames: one pixel's samples in every
// colour mode (byte order, 10-bit words, padded rows, top row first) and the
// histogram's bins.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

extern "C" {
#include "frame_pixels.h"
}

namespace {

// A frame 3 pixels wide and 2 high, so that the 8-bit rows are padded; pixel
// (2, 1) holds the given bytes and every other byte is 0.
std::vector<unsigned char> FrameWith(const FrameLayout& layout, const std::vector<int>& pixel) {
  std::vector<unsigned char> frame(FrameStride(&layout) * layout.height, 0);
  std::size_t at = FrameStride(&layout) + 2 * layout.bitsPerPixel / 8;
  for (std::size_t i = 0; i < pixel.size(); ++i) frame[at + i] = static_cast<unsigned char>(pixel[i]);
  return frame;
}

TEST(FramePixels, EachColourModeGivesRedGreenBlueOrGreyFromItsOwnLayout) {
  const struct {
    int bits;
    long stride;
    std::vector<int> bytes;     // pixel (2, 1) as stored
    std::vector<int> expected;  // red, green, blue, or grey
    int maximum;
  } kModes[] = {
      {8, 4, {200}, {200}, 255},
      {16, 8, {0xFF, 0x03}, {1023}, 1023},
      {24, 12, {10, 20, 30}, {30, 20, 10}, 255},
      {32, 12, {10, 20, 30, 99}, {30, 20, 10}, 255},
      {48, 20, {0x01, 0x01, 0x02, 0x02, 0xFF, 0x03}, {1023, 0x202, 0x101}, 1023},
      {64, 24, {0x01, 0x01, 0x02, 0x02, 0xFF, 0x03, 9, 9}, {1023, 0x202, 0x101}, 1023},
  };
  for (const auto& mode : kModes) {
    FrameLayout layout = {3, 2, mode.bits};
    std::vector<unsigned char> frame = FrameWith(layout, mode.bytes);
    EXPECT_EQ(FrameStride(&layout), mode.stride) << mode.bits;
    EXPECT_EQ(FrameSampleMax(&layout), mode.maximum) << mode.bits;
    int samples[3] = {-1, -1, -1};
    ASSERT_EQ(FramePixel(frame.data(), &layout, 2, 1, samples), static_cast<int>(mode.expected.size()))
        << mode.bits;
    EXPECT_EQ(std::vector<int>(samples, samples + mode.expected.size()), mode.expected) << mode.bits;
    ASSERT_EQ(FramePixel(frame.data(), &layout, 2, 0, samples), static_cast<int>(mode.expected.size()));
    EXPECT_EQ(samples[0], 0) << mode.bits << ": the top row is stored first";
  }
}

TEST(FramePixels, OutsideTheFrameOrAnUnknownModeGivesNothing) {
  FrameLayout layout = {3, 2, 24};
  std::vector<unsigned char> frame(FrameStride(&layout) * 2, 0);
  int samples[3];
  for (auto [x, y] : {std::pair{-1, 0}, std::pair{0, -1}, std::pair{3, 0}, std::pair{0, 2}}) {
    EXPECT_EQ(FramePixel(frame.data(), &layout, x, y, samples), 0) << x << ", " << y;
  }
  FrameLayout unknown = {3, 2, 12};
  EXPECT_EQ(FramePixel(frame.data(), &unknown, 0, 0, samples), 0);
  EXPECT_EQ(FrameStride(&unknown), 0);
  unsigned long bins[3][FRAME_BINS];
  EXPECT_EQ(FrameHistogram(frame.data(), &unknown, 1, bins), 0);
  EXPECT_EQ(FrameHistogram(nullptr, &layout, 1, bins), 0);
}

TEST(FrameHistogram, CountsEveryStepthPixelAndPutsTenBitSamplesIntoBinsOfFour) {
  FrameLayout layout = {4, 4, 48};
  std::vector<unsigned char> frame(FrameStride(&layout) * 4, 0);
  for (int y = 0; y < 4; ++y) {
    for (int x = 0; x < 4; ++x) {
      unsigned char* pixel = &frame[y * FrameStride(&layout) + x * 6];
      pixel[4] = 0xFF, pixel[5] = 0x03;  // red 1023
      pixel[2] = 8;                      // green 8
      pixel[0] = static_cast<unsigned char>(x + 4 * y);  // blue 0..15
    }
  }
  unsigned long bins[3][FRAME_BINS];
  ASSERT_EQ(FrameHistogram(frame.data(), &layout, 2, bins), 3);
  EXPECT_EQ(bins[0][255], 4u);  // (0,0), (2,0), (0,2), (2,2)
  EXPECT_EQ(bins[1][2], 4u);
  EXPECT_EQ(bins[2][0], 2u);  // blue 0, 2, 8, 10 fall into bins 0, 0, 2, 2
  EXPECT_EQ(bins[2][2], 2u);
}

}  // namespace
