#include "processing/auto_iris.h"

#include <algorithm>
#include <chrono>
#include <thread>

#include "image/frame_image.h"
#include "platform/double_precision.h"
#include "records/settings_records.h"

namespace kelvo {

SharedWord AutoIrisCountdown{0};

namespace {

template <class Sample>
int MeanOfWindow(KELVO_PIXEL_KERNEL_PARAMS) {
  PixelRegion region;
  if (!MakeRegion(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride,
                  srcStride, userA, userB, region) ||
      srcBytesPerPixel != sizeof(Sample)) {
    return 0;
  }
  std::uint32_t sum = 0;
  for (int row = 0; row < region.height; ++row) {
    const auto* p = reinterpret_cast<const Sample*>(region.SrcRow(row));
    for (int x = 0; x < region.width; ++x) {
      sum += sizeof(Sample) == 1 ? p[x] : (p[x] >> 2) & 0xFF;
    }
  }
  const std::uint32_t count = static_cast<std::uint32_t>(region.width) * region.height;
  return static_cast<int>(sum / count);
}

double WindowTerm(int mean) {
  if (mean > 200) return -0.15;
  if (mean > 160) return -0.10;
  if (mean < 50) return 0.10;
  if (mean < 100) return 0.05;
  return 0.0;
}

}  // namespace

int MeasureWindow8(KELVO_PIXEL_KERNEL_PARAMS) {
  return MeanOfWindow<std::uint8_t>(dst, src, srcRect, dstX, dstY, dstBytesPerPixel,
                                    srcBytesPerPixel, dstStride, srcStride, userA, userB);
}
int MeasureWindow16(KELVO_PIXEL_KERNEL_PARAMS) {
  return MeanOfWindow<std::uint16_t>(dst, src, srcRect, dstX, dstY, dstBytesPerPixel,
                                     srcBytesPerPixel, dstStride, srcStride, userA, userB);
}

std::array<Rect, 5> AutoIrisWindows(std::int32_t width, std::int32_t height) {
  platform::DoublePrecisionScope doubles;
  static constexpr double kFractions[5][4] = {{0.1, 0.1, 0.2, 0.2},
                                              {0.1, 0.8, 0.2, 0.9},
                                              {0.45, 0.45, 0.55, 0.55},
                                              {0.8, 0.1, 0.9, 0.2},
                                              {0.8, 0.8, 0.9, 0.9}};
  std::array<Rect, 5> windows;
  for (int i = 0; i < 5; ++i) {
    windows[i] = {static_cast<std::int32_t>(kFractions[i][0] * width),
                  static_cast<std::int32_t>(kFractions[i][1] * height),
                  static_cast<std::int32_t>(kFractions[i][2] * width),
                  static_cast<std::int32_t>(kFractions[i][3] * height)};
  }
  return windows;
}

double AutoIrisFactor(const std::array<int, 5>& means) {
  platform::DoublePrecisionScope doubles;
  double factor = 1.0;
  for (int mean : means) factor += WindowTerm(mean);
  return factor;
}

int RunAutoIris(SensorRecord& sensor, FrameImage* raw, SensorControl* control,
                const DialogRefresh& refresh) {
  const std::int32_t mode = sensor.autoIrisMode.load();
  if ((mode != 1 && mode != 2) || raw == nullptr || raw->pixels == nullptr || control == nullptr) {
    return 0;
  }
  const std::int32_t countdown = AutoIrisCountdown.fetch_sub(1) - 1;
  if (countdown < 0) {
    AutoIrisCountdown.store(2);
    return 0;
  }
  if (countdown > 0) return 0;

  // The band test and the products below in IEEE doubles, whatever precision
  // the caller's x87 unit is set to.
  platform::DoublePrecisionScope doubles;
  const PixelKernel measure = raw->bitCount == 16 ? MeasureWindow16 : MeasureWindow8;
  std::array<int, 5> means{};
  const std::array<Rect, 5> windows = AutoIrisWindows(raw->width, raw->height);
  for (int i = 0; i < 5; ++i) means[i] = raw->Transfer(measure, raw, &windows[i], 0, 0, 0, 0);
  const double factor = AutoIrisFactor(means);
  if (factor > 0.6 && factor < 1.2) return 1;

  if (mode == 2) {
    std::int32_t value = static_cast<std::int32_t>(sensor.globalGain.load() * factor);
    if (factor > 1 && value <= 4) value = 4;
    value = std::max(value, control->GainMinimum());
    if (value >= control->GainMaximum()) value = control->GainMaximum();
    control->WriteGain(value);
    sensor.globalGain.store(value);
    if (refresh) refresh(DialogUpdate::GlobalGain, value);
    return 1;
  }
  const std::int32_t exposure = sensor.exposure.load();
  // More light wants a shorter exposure: the value grows with the factor, as the gain does.
  std::int32_t value = static_cast<std::uint16_t>(static_cast<std::int32_t>(exposure * factor));
  if (factor > 1 && value <= 4) value = 4;
  value = std::max(value, control->ExposureMinimum());
  if (value >= control->ExposureMaximum()) value = control->ExposureMaximum();
  // A longer exposure takes effect only after the sensor has had a moment.
  if (exposure < value) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  control->WriteExposure(value);
  sensor.exposure.store(value);
  if (refresh) refresh(DialogUpdate::Exposure, value);
  return 1;
}

}  // namespace kelvo
