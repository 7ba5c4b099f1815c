#include "image/frame_image.h"

#include <gtest/gtest.h>

namespace kelvo {
namespace {

struct StrideCase {
  std::int32_t width, height;
  std::uint16_t bits;
  std::int32_t stride;
};

TEST(FrameImageTest, CreateGivesRowsPaddedToFourBytes) {
  for (const StrideCase& c : {StrideCase{1280, 960, 24, 3840}, StrideCase{1279, 960, 24, 3840},
                              StrideCase{1279, 1, 8, 1280}, StrideCase{3, 2, 16, 8},
                              StrideCase{5, 2, 48, 32}, StrideCase{1, 1, 64, 8}}) {
    FrameImage image;
    ASSERT_EQ(image.Create(c.width, c.height, c.bits), 1) << c.width << "x" << c.bits;
    EXPECT_EQ(image.stride, c.stride) << c.width << "x" << c.bits;
    EXPECT_EQ(image.header.biSize, 40u);
    EXPECT_EQ(image.header.biWidth, c.width);
    EXPECT_EQ(image.header.biHeight, c.height);
    EXPECT_EQ(image.header.biPlanes, 1);
    EXPECT_EQ(image.header.biBitCount, c.bits);
    EXPECT_EQ(image.header.biCompression, 0u);
    ASSERT_NE(image.pixels, nullptr);
    image.Row(c.height - 1)[c.stride - 1] = 0xFF;  // the last byte belongs to the image
  }
}

TEST(FrameImageTest, InvalidSizesLeaveAnAllocatedImageAlone) {
  FrameImage image;
  ASSERT_EQ(image.Create(16, 8, 24), 1);
  std::uint8_t* pixels = image.pixels;
  for (auto [w, h, bits] : {std::tuple{0, 10, 8},
                            {10, 0, 8},
                            {-1, 10, 8},
                            {10, 10, 0},
                            {10, 10, 12},
                            {0x7FFFFFFF, 0x7FFFFFFF, 64}}) {
    EXPECT_EQ(image.Create(w, h, static_cast<std::uint16_t>(bits)), 0) << w << "x" << h;
    EXPECT_EQ(image.pixels, pixels);
    EXPECT_EQ(image.width, 16);
    EXPECT_EQ(image.bitCount, 24);
  }
  FrameImage empty;
  EXPECT_EQ(image.CopyFormat(&empty), 0);
  EXPECT_EQ(image.CopyFormat(nullptr), 0);
  EXPECT_EQ(image.width, 16);
}

TEST(FrameImageTest, EightBitImagesCarryTheirColourTableIntoCopies) {
  FrameImage grey;
  ASSERT_EQ(grey.Create(4, 4, 8), 1);
  EXPECT_EQ(grey.Palette(), GreyRamp());
  EXPECT_EQ(GreyRamp()[200], (RgbQuad{200, 200, 200, 0}));

  RgbQuad red[2] = {{0, 0, 255, 0}, {0, 0, 128, 0}};
  EXPECT_EQ(grey.SetPalette(2, red, 10, 2), 1);
  FrameImage copy;
  ASSERT_EQ(copy.CopyFormat(&grey), 1);
  EXPECT_EQ(copy.Palette()[10], red[0]);
  EXPECT_EQ(copy.Palette()[11], red[1]);
  EXPECT_EQ(copy.Palette()[12], GreyRamp()[12]);
  EXPECT_EQ(copy.stride, grey.stride);
  EXPECT_NE(copy.pixels, grey.pixels);

  EXPECT_EQ(copy.SetPalette(0), 1);
  EXPECT_EQ(copy.Palette(), GreyRamp());
  EXPECT_EQ(copy.SetPalette(2, red, 255, 2), 1);  // clipped to the last entry
  EXPECT_EQ(copy.Palette()[255], red[0]);
}

TEST(FrameImageTest, CopyFormatOntoItselfKeepsFormatAndPixels) {
  FrameImage image;
  ASSERT_EQ(image.Create(6, 3, 8), 1);
  RgbQuad blue{255, 0, 0, 0};
  image.SetPalette(2, &blue, 7, 1);
  image.Row(2)[5] = 99;
  std::uint8_t* pixels = image.pixels;
  EXPECT_EQ(image.CopyFormat(&image), 1);
  EXPECT_EQ(image.width, 6);
  EXPECT_EQ(image.height, 3);
  EXPECT_EQ(image.bitCount, 8);
  EXPECT_EQ(image.header.biWidth, 6);
  EXPECT_EQ(image.pixels, pixels);
  EXPECT_EQ(image.Row(2)[5], 99);
  EXPECT_EQ(image.Palette()[7], blue);

  FrameImage empty;
  EXPECT_EQ(empty.CopyFormat(&empty), 0);
}

TEST(FrameImageTest, ResetEmptiesTheImage) {
  FrameImage image;
  ASSERT_EQ(image.Create(8, 8, 32), 1);
  image.Reset();
  EXPECT_EQ(image.pixels, nullptr);
  EXPECT_EQ(image.width, 0);
  EXPECT_EQ(image.stride, 0);
  EXPECT_EQ(image.bitCount, 0);
  EXPECT_EQ(image.header.biSize, 40u);
  EXPECT_EQ(image.header.biWidth, 0);
}

// Records what a kernel was handed.
struct Seen {
  Rect rect;
  std::int32_t x, y;
  int calls = 0;
};

int RecordingKernel(std::uint8_t*, std::uint8_t*, const Rect* r, std::int32_t x, std::int32_t y,
                    std::uint16_t, std::uint16_t, std::int32_t, std::int32_t, std::uintptr_t a,
                    std::uintptr_t) {
  auto* seen = reinterpret_cast<Seen*>(a);
  *seen = {*r, x, y, seen->calls + 1};
  return 7;
}

struct ClipCase {
  std::int32_t destinationWidth, destinationHeight;
  const Rect* rect;  // null: the whole source
  std::int32_t x, y;
  Rect expectedRect;
  std::int32_t expectedX, expectedY;
};

TEST(FrameImageTest, TransferClipsAndCountsRowsFromTheOppositeEnd) {
  FrameImage source;
  ASSERT_EQ(source.Create(100, 50, 8), 1);
  const Rect inner{10, 5, 30, 25};
  // Rectangles that reach outside the source: what is cut off it moves the
  // destination point with it, so every pixel lands where it would unclipped.
  const Rect leftAndAbove{-10, -5, 30, 25};
  const Rect below{0, 40, 30, 60};
  // Source 100 x 50 throughout; two place part of it in a smaller destination.
  for (const ClipCase& c : {ClipCase{100, 50, nullptr, 0, 0, {0, 0, 100, 50}, 0, 0},
                            ClipCase{100, 50, nullptr, 10, 5, {0, 5, 90, 50}, 10, 0},
                            ClipCase{100, 50, nullptr, -10, -5, {10, 0, 100, 45}, 0, 5},
                            ClipCase{60, 40, &inner, 50, 30, {10, 35, 20, 45}, 50, 0},
                            ClipCase{60, 40, &inner, -5, 2, {15, 25, 30, 45}, 0, 18},
                            ClipCase{100, 50, &leftAndAbove, 20, 10, {0, 25, 30, 50}, 30, 10},
                            ClipCase{100, 50, &below, 0, 0, {0, 0, 30, 10}, 0, 40}}) {
    FrameImage destination;
    ASSERT_EQ(destination.Create(c.destinationWidth, c.destinationHeight, 8), 1);
    Seen seen;
    EXPECT_EQ(destination.Transfer(RecordingKernel, &source, c.rect, c.x, c.y,
                                   reinterpret_cast<std::uintptr_t>(&seen), 0),
              7);
    EXPECT_EQ(seen.rect, c.expectedRect) << c.x << "," << c.y;
    EXPECT_EQ(seen.x, c.expectedX) << c.x << "," << c.y;
    EXPECT_EQ(seen.y, c.expectedY) << c.x << "," << c.y;
  }
}

TEST(FrameImageTest, TransferThatClipsToNothingNeverCallsTheKernel) {
  FrameImage source, destination;
  ASSERT_EQ(source.Create(100, 50, 8), 1);
  ASSERT_EQ(destination.Create(100, 50, 8), 1);
  Seen seen;
  auto a = reinterpret_cast<std::uintptr_t>(&seen);
  for (auto [x, y] : {std::pair{100, 0},
                      {0, 50},
                      {-100, 0},
                      {0, -50},
                      {0x7FFFFFFF, 0},
                      {-0x7FFFFFFF, -0x7FFFFFFF}}) {
    EXPECT_EQ(destination.Transfer(RecordingKernel, &source, nullptr, x, y, a, 0), 0);
  }
  // Source rectangles wholly beside the source, on each of its four sides.
  for (const Rect& outside : {Rect{200, 0, 300, 10}, Rect{-300, 0, -200, 10}, Rect{0, 60, 10, 70},
                              Rect{0, -70, 10, -60}}) {
    EXPECT_EQ(destination.Transfer(RecordingKernel, &source, &outside, 0, 0, a, 0), 0);
  }
  EXPECT_EQ(destination.Transfer(nullptr, &source, nullptr, 0, 0, a, 0), 0);
  // Inverted: from x = 50 it still reaches into the image, yet covers nothing.
  Rect inverted{10, 0, 3, 10};
  EXPECT_EQ(destination.Transfer(RecordingKernel, &source, &inverted, 50, 0, a, 0), 0);
  EXPECT_EQ(seen.calls, 0);

  Rect r{1, 2, 3, 4};
  std::int32_t x = 500, y = 0;
  EXPECT_FALSE(destination.Clip(source, r, x, y));
  EXPECT_EQ(r, Rect{});
  EXPECT_EQ(x, 0);
}

int RectRecorder(std::uint8_t*, std::uint8_t*, const Rect* dst, const Rect* src, std::int32_t dw,
                 std::int32_t dh, std::int32_t sw, std::int32_t sh, std::uint16_t dbpp,
                 std::uint16_t sbpp, std::int32_t ds, std::int32_t ss, std::uintptr_t a,
                 std::uintptr_t b) {
  auto* out = reinterpret_cast<std::vector<std::int64_t>*>(a);
  *out = {dst->right,
          dst->bottom,
          src->right,
          src->bottom,
          dw,
          dh,
          sw,
          sh,
          dbpp,
          sbpp,
          ds,
          ss,
          static_cast<std::int64_t>(b)};
  return 3;
}

TEST(FrameImageTest, TransferRectsPassesWholeImagesForMissingRectangles) {
  FrameImage source, destination;
  ASSERT_EQ(source.Create(100, 50, 16), 1);
  ASSERT_EQ(destination.Create(30, 20, 24), 1);
  std::vector<std::int64_t> seen;
  EXPECT_EQ(destination.TransferRects(RectRecorder, &source, nullptr, nullptr,
                                      reinterpret_cast<std::uintptr_t>(&seen), 9),
            3);
  EXPECT_EQ(seen, (std::vector<std::int64_t>{30, 20, 100, 50, 30, 20, 100, 50, 3, 2, 92, 200, 9}));
  EXPECT_EQ(destination.TransferRects(nullptr, &source, nullptr, nullptr, 0, 0), 0);
}

}  // namespace
}  // namespace kelvo
