#include "emulator/frame_synthesizer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <mutex>
#include <random>

namespace kelvo::emulator {
namespace {

constexpr std::size_t kNoiseBits = 18;
constexpr std::size_t kNoiseMask = (std::size_t{1} << kNoiseBits) - 1;

// The filter colour of a sensor pixel: 0 red, 1 green, 2 blue.
int FilterColour(int row, int column) {
  if ((row & 1) == 0) return (column & 1) == 0 ? 1 : 2;
  return (column & 1) == 0 ? 0 : 1;
}

std::uint16_t Code(const Rgb& colour, int filter) {
  float value = filter == 0 ? colour.r : (filter == 1 ? colour.g : colour.b);
  value = std::clamp(value, 0.0f, 1.0f);
  return static_cast<std::uint16_t>(std::lround(value * (kReflectanceCodes - 1)));
}

// A well-mixed 64-bit hash, so every frame and row gets its own noise offset.
std::uint64_t Mix(std::uint64_t x) {
  x += 0x9E3779B97F4A7C15ull;
  x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
  x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
  return x ^ (x >> 31);
}

void PutSample(unsigned char* out, std::size_t index, std::uint32_t value, bool sixteenBit) {
  if (sixteenBit) {
    out[2 * index] = static_cast<unsigned char>(value);
    out[2 * index + 1] = static_cast<unsigned char>(value >> 8);
  } else {
    out[index] = static_cast<unsigned char>(value);
  }
}

}  // namespace

float GainFactor(int gain) { return static_cast<float>(gain + 50) / 200.0f; }

std::shared_ptr<const SceneMosaic> SceneMosaic::From(const Scene& scene) {
  auto mosaic = std::make_shared<SceneMosaic>();
  std::vector<Rgb> painted = scene.Paint(kSensorColumns, kSensorRows);
  mosaic->codes.resize(painted.size());
  for (int y = 0; y < kSensorRows; ++y) {
    for (int x = 0; x < kSensorColumns; ++x) {
      std::size_t i = static_cast<std::size_t>(y) * kSensorColumns + x;
      mosaic->codes[i] = Code(painted[i], FilterColour(y, x));
    }
  }
  // The element sits at even coordinates, so its own row and column parity is the sensor's.
  mosaic->element.resize(static_cast<std::size_t>(kElementSize) * kElementSize);
  for (int y = 0; y < kElementSize; ++y) {
    for (int x = 0; x < kElementSize; ++x) {
      mosaic->element[static_cast<std::size_t>(y) * kElementSize + x] =
          Code(kElementColour, FilterColour(y, x));
    }
  }
  return mosaic;
}

std::shared_ptr<const SceneMosaic> SceneMosaic::Chart() {
  static const std::shared_ptr<const SceneMosaic> chart = From(ChartScene());
  return chart;
}

FrameSynthesizer::FrameSynthesizer(std::shared_ptr<const SceneMosaic> mosaic,
                                   SynthesisOptions options)
    : mosaic_(std::move(mosaic)), options_(options), row_(kSensorColumns) {
  if (options_.noise) {
    std::mt19937_64 generator(options_.seed);
    std::normal_distribution<float> normal(0.0f, 1.0f);
    noise_.resize(kNoiseMask + 1);
    for (float& n : noise_) n = normal(generator);
  }
}

// Rebuilt only when exposure or gain change: per pixel, a frame then costs two
// table reads and a multiply-add.
void FrameSynthesizer::UpdateResponse(const SensorSettings& settings) {
  if (settings.exposureLines == exposureLines_ && settings.gain == gain_) return;
  exposureLines_ = settings.exposureLines;
  gain_ = settings.gain;
  const float gain = GainFactor(settings.gain);
  const float electronsPerLine = kCountsPerLineAtUnitGain * kElectronsPerCount;
  for (int code = 0; code < kReflectanceCodes; ++code) {
    float reflectance = static_cast<float>(code) / (kReflectanceCodes - 1);
    float electrons =
        std::min(reflectance * settings.exposureLines * electronsPerLine, kFullWellElectrons);
    float counts = electrons * gain / kElectronsPerCount;
    float shot = std::sqrt(electrons) * gain / kElectronsPerCount;
    mean_[code] = kBlackLevel + counts + 0.5f;  // + 0.5 rounds when truncated
    spread_[code] = std::sqrt(kReadNoiseCounts * kReadNoiseCounts + shot * shot);
    clean_[code] = static_cast<std::uint16_t>(std::min(mean_[code], 1023.0f));
  }
}

void FrameSynthesizer::RenderRow(const std::uint16_t* codes, int count, std::uint64_t noiseStart,
                                 std::uint16_t* out10) const {
  if (!options_.noise) {
    for (int x = 0; x < count; ++x) out10[x] = clean_[codes[x]];
    return;
  }
  const float* noise = noise_.data();
  std::size_t k = static_cast<std::size_t>(noiseStart);
  for (int x = 0; x < count; ++x, ++k) {
    float v = mean_[codes[x]] + spread_[codes[x]] * noise[k & kNoiseMask];
    v = std::clamp(v, 0.0f, 1023.0f);
    out10[x] = static_cast<std::uint16_t>(v);
  }
}

void FrameSynthesizer::Render(std::uint64_t frameNumber, const SensorSettings& settings,
                              std::uint32_t samples, unsigned char* out) {
  const bool wide = settings.sixteenBit;
  std::memset(out, 0, static_cast<std::size_t>(samples) * (wide ? 2 : 1));
  if (options_.pattern == FramePattern::kSampleNumbers) {
    for (std::uint32_t i = 0; i < samples; ++i) PutSample(out, i, i & 0xFFFF, wide);
    return;
  }
  const std::uint32_t lineCapacity = samples / kRawLinePitch;
  const int lines = static_cast<int>(
      std::min<std::uint32_t>(lineCapacity > 0 ? lineCapacity - kRawLeadingLines : 0, kSensorRows));
  if (options_.pattern == FramePattern::kFrameNumbers) {
    for (int y = 0; y < lines; ++y) {
      std::size_t first =
          static_cast<std::size_t>(y + kRawLeadingLines) * kRawLinePitch + kRawLineStart;
      for (int x = 0; x < kSensorColumns; ++x)
        PutSample(out, first + x, frameNumber & 0xFFFF, wide);
    }
    return;
  }

  UpdateResponse(settings);
  const int elementLeft = options_.movingElement ? ElementLeft(frameNumber, kSensorColumns) : -1;
  const std::uint64_t frameNoise = Mix(options_.seed ^ Mix(frameNumber));
  std::uint16_t* row = row_.data();
  for (int y = 0; y < lines; ++y) {
    const std::uint16_t* codes = &mosaic_->codes[static_cast<std::size_t>(y) * kSensorColumns];
    const std::uint64_t noiseStart = Mix(frameNoise + static_cast<std::uint64_t>(y));
    bool crossesElement = elementLeft >= 0 && y >= kElementTop && y < kElementTop + kElementSize;
    if (crossesElement) {
      const std::uint16_t* element =
          &mosaic_->element[static_cast<std::size_t>(y - kElementTop) * kElementSize];
      RenderRow(codes, elementLeft, noiseStart, row);
      RenderRow(element, kElementSize, noiseStart + elementLeft, row + elementLeft);
      int right = elementLeft + kElementSize;
      RenderRow(codes + right, kSensorColumns - right, noiseStart + right, row + right);
    } else {
      RenderRow(codes, kSensorColumns, noiseStart, row);
    }
    std::size_t first =
        static_cast<std::size_t>(y + kRawLeadingLines) * kRawLinePitch + kRawLineStart;
    if (wide) {
      unsigned char* at = out + 2 * first;
      for (int x = 0; x < kSensorColumns; ++x) {
        at[2 * x] = static_cast<unsigned char>(row[x]);
        at[2 * x + 1] = static_cast<unsigned char>(row[x] >> 8);
      }
    } else {
      unsigned char* at = out + first;
      for (int x = 0; x < kSensorColumns; ++x) at[x] = static_cast<unsigned char>(row[x] >> 2);
    }
  }
}

}  // namespace kelvo::emulator
