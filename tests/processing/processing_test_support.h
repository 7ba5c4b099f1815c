// Small builders shared by the processing tests.
#pragma once

#include <cstdint>
#include <functional>
#include <random>

#include "image/frame_image.h"

namespace kelvo::testing_support {

// Fills every pixel sample of an 8- or 16-bit raw image from value(row, column).
inline void FillRaw(FrameImage& image, const std::function<int(int, int)>& value) {
  for (int r = 0; r < image.height; ++r) {
    for (int c = 0; c < image.width; ++c) {
      if (image.bitCount == 16) {
        reinterpret_cast<std::uint16_t*>(image.Row(r))[c] = static_cast<std::uint16_t>(value(r, c));
      } else {
        image.Row(r)[c] = static_cast<std::uint8_t>(value(r, c));
      }
    }
  }
}

inline void FillRandom(FrameImage& image, int maximum, unsigned seed) {
  std::mt19937 generator(seed);
  std::uniform_int_distribution<int> sample(0, maximum);
  FillRaw(image, [&](int, int) { return sample(generator); });
}

// Sample ch of pixel (r, c) of an image with 8- or 16-bit samples.
inline int SampleAt(const FrameImage& image, int r, int c, int ch) {
  const int bytesPerSample = image.bitCount == 16 || image.bitCount >= 48 ? 2 : 1;
  const int samples = image.BytesPerPixel() / bytesPerSample;
  if (bytesPerSample == 2) {
    return reinterpret_cast<const std::uint16_t*>(image.Row(r))[c * samples + ch];
  }
  return image.Row(r)[c * samples + ch];
}

// Red at rows/columns for each Bayer mode: (row parity, column parity) of red.
inline bool IsRedSite(int bayerMode, int r, int c) {
  static constexpr int kRedRow[4] = {1, 0, 1, 0};
  static constexpr int kRedColumn[4] = {0, 0, 1, 1};
  return (r & 1) == kRedRow[bayerMode] && (c & 1) == kRedColumn[bayerMode];
}

}  // namespace kelvo::testing_support
