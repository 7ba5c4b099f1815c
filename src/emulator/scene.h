// What the emulated cameras look at. A scene paints linear reflectances (0 to
// 1 per colour) over the sensor; the sensor model sees it through its Bayer
// filter. Scenes are strategies: the built-in chart or a customer's picture.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace kelvo::emulator {

struct Rgb {
  float r;
  float g;
  float b;
};

class Scene {
 public:
  virtual ~Scene() = default;
  // width x height reflectances, row 0 at the top.
  virtual std::vector<Rgb> Paint(int width, int height) const = 0;
};

// Colour patches, grey steps and gradients: enough to watch exposure, white
// balance and demosaicing do their work.
class ChartScene final : public Scene {
 public:
  std::vector<Rgb> Paint(int width, int height) const override;
};

// A BMP or PNG picture, stretched over the sensor.
class PictureScene final : public Scene {
 public:
  // Null, with the reason in *error, when the file is not a picture we read.
  static std::unique_ptr<PictureScene> Load(const std::string& path, std::string* error);
  std::vector<Rgb> Paint(int width, int height) const override;

  int Width() const { return width_; }
  int Height() const { return height_; }

 private:
  PictureScene(int width, int height, std::vector<Rgb> pixels)
      : width_(width), height_(height), pixels_(std::move(pixels)) {}
  int width_;
  int height_;
  std::vector<Rgb> pixels_;
};

// Decoded 8-bit RGB pictures, top row first; false with a reason on failure.
struct RgbPicture {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;  // 3 bytes a pixel
};
bool ReadBmpPicture(const std::string& path, RgbPicture* picture, std::string* error);
bool ReadPngPicture(const std::string& path, RgbPicture* picture, std::string* error);

// The moving element of the chart: a bright square that steps across the
// picture by a fixed distance every frame.
inline constexpr int kElementSize = 96;
inline constexpr int kElementTop = 448;
inline constexpr int kElementStep = 8;
inline constexpr Rgb kElementColour = {0.90f, 0.75f, 0.20f};
// Left edge of the element in the given frame; always even, so the Bayer phase holds.
int ElementLeft(std::uint64_t frameNumber, int sensorWidth);

}  // namespace kelvo::emulator
