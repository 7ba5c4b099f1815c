#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "emulator/scene.h"

namespace kelvo::emulator {
namespace {

// Larger pictures than this are refused rather than risking the memory.
constexpr int kLargestSide = 16384;

std::array<float, 256> SrgbToLinearTable() {
  std::array<float, 256> table{};
  for (int i = 0; i < 256; ++i) {
    float v = static_cast<float>(i) / 255.0f;
    table[i] = v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f);
  }
  return table;
}

bool HasSuffix(const std::string& path, const char* suffix) {
  std::size_t n = std::strlen(suffix);
  if (path.size() < n) return false;
  for (std::size_t i = 0; i < n; ++i) {
    char c = path[path.size() - n + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != suffix[i]) return false;
  }
  return true;
}

bool StartsWith(const std::string& path, const char* magic, std::size_t bytes) {
  std::ifstream file(path, std::ios::binary);
  char head[8] = {};
  file.read(head, static_cast<std::streamsize>(bytes));
  return file.gcount() == static_cast<std::streamsize>(bytes) &&
         std::memcmp(head, magic, bytes) == 0;
}

}  // namespace

std::unique_ptr<PictureScene> PictureScene::Load(const std::string& path, std::string* error) {
  RgbPicture picture;
  bool read;
  if (StartsWith(path, "\x89PNG", 4) || HasSuffix(path, ".png")) {
    read = ReadPngPicture(path, &picture, error);
  } else if (StartsWith(path, "BM", 2) || HasSuffix(path, ".bmp")) {
    read = ReadBmpPicture(path, &picture, error);
  } else {
    if (error != nullptr) *error = "not a BMP or PNG picture: " + path;
    return nullptr;
  }
  if (!read) return nullptr;
  if (picture.width <= 0 || picture.height <= 0 || picture.width > kLargestSide ||
      picture.height > kLargestSide) {
    if (error != nullptr) *error = "picture size out of range: " + path;
    return nullptr;
  }
  static const std::array<float, 256> linear = SrgbToLinearTable();
  std::vector<Rgb> pixels(static_cast<std::size_t>(picture.width) * picture.height);
  for (std::size_t i = 0; i < pixels.size(); ++i) {
    pixels[i] = {linear[picture.rgb[3 * i]], linear[picture.rgb[3 * i + 1]],
                 linear[picture.rgb[3 * i + 2]]};
  }
  return std::unique_ptr<PictureScene>(
      new PictureScene(picture.width, picture.height, std::move(pixels)));
}

namespace {

// Where output position i of size outSize falls between two input positions
// of size inSize, pixel centres on pixel centres.
struct AxisSample {
  int first, second;
  float weight;  // of the second
};

AxisSample SampleAxis(int i, int outSize, int inSize) {
  float f = (i + 0.5f) * inSize / outSize - 0.5f;
  f = std::fmax(0.0f, std::fmin(f, static_cast<float>(inSize - 1)));
  int first = static_cast<int>(f);
  return {first, first + 1 < inSize ? first + 1 : first, f - first};
}

}  // namespace

// Bilinear stretch in linear light.
std::vector<Rgb> PictureScene::Paint(int width, int height) const {
  std::vector<Rgb> out(static_cast<std::size_t>(width) * height);
  auto source = [&](int x, int y) -> const Rgb& {
    return pixels_[static_cast<std::size_t>(y) * width_ + x];
  };
  for (int y = 0; y < height; ++y) {
    const AxisSample sy = SampleAxis(y, height, height_);
    for (int x = 0; x < width; ++x) {
      const AxisSample sx = SampleAxis(x, width, width_);
      auto mix = [&](float Rgb::*c) {
        float top = source(sx.first, sy.first).*c * (1 - sx.weight) +
                    source(sx.second, sy.first).*c * sx.weight;
        float bottom = source(sx.first, sy.second).*c * (1 - sx.weight) +
                       source(sx.second, sy.second).*c * sx.weight;
        return top * (1 - sy.weight) + bottom * sy.weight;
      };
      out[static_cast<std::size_t>(y) * width + x] = {mix(&Rgb::r), mix(&Rgb::g), mix(&Rgb::b)};
    }
  }
  return out;
}

}  // namespace kelvo::emulator
