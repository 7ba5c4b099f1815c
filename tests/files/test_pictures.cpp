#include "files/test_pictures.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>

namespace kelvo::testing {

std::uint32_t StoredSample(std::uint16_t bitCount, int x, int y, int c) {
  const bool tenBit = bitCount == 16 || bitCount == 48 || bitCount == 64;
  if (!tenBit) return static_cast<std::uint32_t>(x * 37 + y * 71 + c * 101 + 5) & 255;
  if (x == 0 && y == 0) return 1023;
  return static_cast<std::uint32_t>(x * 97 + y * 211 + c * 331 + 1) % 1024;
}

void SetPixel(FrameImage& image, int x, int y, std::initializer_list<std::uint32_t> samples) {
  const bool wide = image.bitCount == 16 || image.bitCount == 48 || image.bitCount == 64;
  std::uint8_t* at = image.Row(y) + x * image.BytesPerPixel();
  for (std::uint32_t sample : samples) {
    *at++ = static_cast<std::uint8_t>(sample);
    if (wide) *at++ = static_cast<std::uint8_t>(sample >> 8);
  }
}

void FillPicture(FrameImage& image) {
  const int samples = image.bitCount == 8 || image.bitCount == 16    ? 1
                      : image.bitCount == 24 || image.bitCount == 48 ? 3
                                                                     : 4;
  for (int y = 0; y < image.height; ++y) {
    std::uint8_t* row = image.Row(y);
    std::fill(row + image.width * image.BytesPerPixel(), row + image.stride, 0xEE);
    for (int x = 0; x < image.width; ++x) {
      std::uint32_t values[4];
      for (int c = 0; c < samples; ++c) values[c] = StoredSample(image.bitCount, x, y, c);
      switch (samples) {
        case 1:
          SetPixel(image, x, y, {values[0]});
          break;
        case 3:
          SetPixel(image, x, y, {values[0], values[1], values[2]});
          break;
        default:
          SetPixel(image, x, y, {values[0], values[1], values[2], values[3]});
      }
    }
  }
}

std::unique_ptr<FrameImage> MakePicture(int width, int height, std::uint16_t bitCount) {
  auto image = std::make_unique<FrameImage>();
  if (image->Create(width, height, bitCount) == 0) return nullptr;
  FillPicture(*image);
  return image;
}

std::vector<std::uint8_t> StorageBytes(const FrameImage& image) {
  return {image.pixels, image.pixels + static_cast<std::size_t>(image.stride) * image.height};
}

std::vector<std::uint8_t> ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TempFolder::TempFolder() {
  static std::atomic<int> serial{0};
  const auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
  path_ = std::filesystem::temp_directory_path() /
          ("kelvo-files-" + std::to_string(stamp) + "-" + std::to_string(serial++));
  std::filesystem::create_directories(path_);
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace kelvo::testing
