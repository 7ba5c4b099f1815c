#include <array>
#include <cmath>

#include "emulator/scene.h"

namespace kelvo::emulator {
namespace {

float Linear(int srgb) {
  float v = static_cast<float>(srgb) / 255.0f;
  return v <= 0.04045f ? v / 12.92f : std::pow((v + 0.055f) / 1.055f, 2.4f);
}

Rgb FromSrgb(int r, int g, int b) { return {Linear(r), Linear(g), Linear(b)}; }

// 24 patches of familiar colours, in sRGB: skin tones, sky, foliage, the
// primaries and secondaries, and a neutral row.
constexpr std::array<std::array<int, 3>, 24> kPatches = {{
    {115, 82, 68},   {194, 150, 130}, {98, 122, 157}, {87, 108, 67},   {133, 128, 177},
    {103, 189, 170}, {214, 126, 44},  {80, 91, 166},  {193, 90, 99},   {94, 60, 108},
    {157, 188, 64},  {224, 163, 46},  {56, 61, 150},  {70, 148, 73},   {175, 54, 60},
    {231, 199, 31},  {187, 86, 149},  {8, 133, 161},  {243, 243, 242}, {200, 200, 200},
    {160, 160, 160}, {122, 122, 121}, {85, 85, 85},   {52, 52, 52},
}};

constexpr Rgb kBackground = {0.03f, 0.03f, 0.03f};

}  // namespace

int ElementLeft(std::uint64_t frameNumber, int sensorWidth) {
  int travel = sensorWidth - kElementSize;
  if (travel <= 0) return 0;
  auto left = static_cast<int>((frameNumber * kElementStep) % static_cast<std::uint64_t>(travel));
  return left & ~1;
}

// Laid out for the full 1280 x 960 sensor and scaled for any other size:
// patches on top (a small window still sees colour), then grey steps, a grey
// ramp and red, green and blue ramps.
std::vector<Rgb> ChartScene::Paint(int width, int height) const {
  std::vector<Rgb> pixels(static_cast<std::size_t>(width) * height, kBackground);
  const float sx = width / 1280.0f;
  const float sy = height / 960.0f;
  auto fill = [&](float x0, float y0, float x1, float y1, auto colourAt) {
    int left = static_cast<int>(x0 * sx), right = static_cast<int>(x1 * sx);
    int top = static_cast<int>(y0 * sy), bottom = static_cast<int>(y1 * sy);
    for (int y = top; y < bottom && y < height; ++y) {
      for (int x = left; x < right && x < width; ++x) {
        float along = right > left ? static_cast<float>(x - left) / (right - left) : 0.0f;
        pixels[static_cast<std::size_t>(y) * width + x] = colourAt(along);
      }
    }
  };

  for (std::size_t i = 0; i < kPatches.size(); ++i) {
    float x = 40.0f + static_cast<float>(i % 6) * 200.0f;
    float y = 24.0f + static_cast<float>(i / 6) * 104.0f;
    Rgb colour = FromSrgb(kPatches[i][0], kPatches[i][1], kPatches[i][2]);
    fill(x, y, x + 180.0f, y + 88.0f, [&](float) { return colour; });
  }
  for (int step = 0; step < 12; ++step) {
    float x = 40.0f + step * 100.0f;
    float level = Linear(step * 255 / 11);
    fill(x, 600.0f, x + 100.0f, 680.0f, [&](float) { return Rgb{level, level, level}; });
  }
  fill(40.0f, 700.0f, 1240.0f, 770.0f, [](float a) { return Rgb{a, a, a}; });
  fill(40.0f, 790.0f, 1240.0f, 840.0f, [](float a) { return Rgb{a, 0.02f, 0.02f}; });
  fill(40.0f, 845.0f, 1240.0f, 895.0f, [](float a) { return Rgb{0.02f, a, 0.02f}; });
  fill(40.0f, 900.0f, 1240.0f, 950.0f, [](float a) { return Rgb{0.02f, 0.02f, a}; });
  return pixels;
}

}  // namespace kelvo::emulator
