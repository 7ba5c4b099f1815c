// The sensor model of the emulated Q12: a scene seen through the Bayer filter,
// a black level, signal proportional to reflectance x exposure x gain, full
// well clipping, and shot and read noise from a seeded generator. It writes
// whole frames in the raw layout the driver delivers.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "emulator/scene.h"

namespace kelvo::emulator {

inline constexpr int kSensorColumns = 1280;
inline constexpr int kSensorRows = 960;
inline constexpr int kRawLinePitch = 1600;
inline constexpr int kRawLineStart = 221;
inline constexpr int kRawLeadingLines = 1;

// Reflectance codes: 0 is black, 1023 reflects all light.
inline constexpr int kReflectanceCodes = 1024;

// A scene seen through the sensor's Bayer filter, once: rows alternate
// G B G B ... and R G R G ..., starting with green at the top-left pixel.
struct SceneMosaic {
  std::vector<std::uint16_t> codes;    // kSensorColumns x kSensorRows
  std::vector<std::uint16_t> element;  // the moving element, kElementSize square
  static std::shared_ptr<const SceneMosaic> From(const Scene& scene);
  // The chart, made once per process.
  static std::shared_ptr<const SceneMosaic> Chart();
};

// What the sensor's registers say at the start of a frame.
struct SensorSettings {
  int exposureLines = 333;  // register 0x9A, low 12 bits
  int gain = 680;           // register 4, low 10 bits
  bool sixteenBit = false;
};

// Test frames in place of the scene, for checking the layout end to end.
enum class FramePattern {
  kScene,
  kSampleNumbers,  // every sample holds its own sample number (low 8 or 16 bits)
  kFrameNumbers,   // every active sample holds the frame number (low 8 or 16 bits)
};

struct SynthesisOptions {
  bool movingElement = true;
  bool noise = true;
  std::uint64_t seed = 1;
  FramePattern pattern = FramePattern::kScene;
};

// The exposure/gain scale: a white surface at gain 150 gives this many 10-bit
// counts above black per line of exposure, so exposures 3 to 2079 run from
// nearly black to fully saturated.
inline constexpr float kCountsPerLineAtUnitGain = 4.0f;
inline constexpr int kBlackLevel = 16;  // 10-bit counts
inline constexpr float kElectronsPerCount = 10.0f;
inline constexpr float kFullWellElectrons = 20000.0f;
inline constexpr float kReadNoiseCounts = 1.5f;
// Gain register value g multiplies the signal by (g + 50) / 200: 1 at 150.
float GainFactor(int gain);

class FrameSynthesizer {
 public:
  FrameSynthesizer(std::shared_ptr<const SceneMosaic> mosaic, SynthesisOptions options);

  // Writes `samples` samples (bytes, or little-endian words for 16-bit) of
  // frame `frameNumber`: the leading line, then active lines with blanking.
  // The same options, settings and frame number give the same bytes.
  void Render(std::uint64_t frameNumber, const SensorSettings& settings, std::uint32_t samples,
              unsigned char* out);

 private:
  void UpdateResponse(const SensorSettings& settings);
  void RenderRow(const std::uint16_t* codes, int count, std::uint64_t noiseStart,
                 std::uint16_t* out10) const;

  std::shared_ptr<const SceneMosaic> mosaic_;
  SynthesisOptions options_;
  std::vector<float> noise_;  // standard normal deviates
  // Mean and spread, in 10-bit counts, of each reflectance code at the current settings.
  std::array<float, kReflectanceCodes> mean_{};
  std::array<float, kReflectanceCodes> spread_{};
  std::array<std::uint16_t, kReflectanceCodes> clean_{};
  int exposureLines_ = -1;
  int gain_ = -1;
  std::vector<std::uint16_t> row_;
};

}  // namespace kelvo::emulator
