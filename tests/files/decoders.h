// Files written by the SDK read back with the real decoders (libpng, libjpeg,
// libtiff) and, for bitmaps, with an independent reader.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace kelvo::testing {

// Samples as the decoder hands them out: top row first, channels in file order.
struct Decoded {
  int width = 0;
  int height = 0;
  int channels = 0;
  std::vector<std::uint32_t> samples;

  std::uint32_t At(int x, int y, int c) const {
    return samples[(static_cast<std::size_t>(y) * width + x) * channels + c];
  }
};

// The first sample that differs from expected(x, y, channel), described for a
// failure message; empty when every sample agrees.
template <typename Expected>
std::string FirstDifference(const Decoded& decoded, Expected expected) {
  for (int y = 0; y < decoded.height; ++y) {
    for (int x = 0; x < decoded.width; ++x) {
      for (int k = 0; k < decoded.channels; ++k) {
        std::uint32_t want = expected(x, y, k);
        if (decoded.At(x, y, k) != want) {
          return "pixel " + std::to_string(x) + "," + std::to_string(y) + " sample " +
                 std::to_string(k) + ": " + std::to_string(decoded.At(x, y, k)) + " instead of " +
                 std::to_string(want);
        }
      }
    }
  }
  return {};
}

struct PngFile : Decoded {
  int bitDepth = 0;
  int colorType = 0;
};
std::optional<PngFile> ReadPng(const std::string& path);

struct JpegFile : Decoded {
  bool progressive = false;
  int components = 0;  // in the file
  int colorSpace = 0;  // J_COLOR_SPACE of the file
};
std::optional<JpegFile> ReadJpeg(const std::string& path);

struct TiffFile : Decoded {
  std::uint32_t imageWidth = 0, imageLength = 0;
  std::uint16_t compression = 0, planarConfig = 0, bitsPerSample = 0, photometric = 0,
                samplesPerPixel = 0;
  std::uint32_t strips = 0;
  std::uint64_t stripBytes = 0;
  std::int64_t scanlineBytes = 0;
};
std::optional<TiffFile> ReadTiff(const std::string& path);

// A reader that is not ours: Windows' LoadImageA on Windows, Python's imaging
// library elsewhere. Pixels as RGB (8-bit pictures through their colour
// table), only for pictures of at most 4096 pixels.
struct BitmapView : Decoded {
  std::string mode;  // before conversion: "L" grey ramp, "P" other colour table, "RGB"
};
bool HaveBitmapReader();
std::optional<BitmapView> ReadBitmapIndependently(const std::string& path);

}  // namespace kelvo::testing
