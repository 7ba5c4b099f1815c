// Automatic exposure and gain: every third frame, five windows of the raw frame
// decide a correction factor for the sensor's gain or exposure.
#pragma once

#include <array>
#include <cstdint>

#include "processing/pixel_region.h"
#include "processing/sensor_control.h"
#include "platform/shared_word.h"

namespace kelvo {

class FrameImage;
struct SensorRecord;

// One countdown for the whole process: all cameras share the rhythm.
extern SharedWord AutoIrisCountdown;

// Means of one window, in place: 8-bit samples, or 10-bit samples brought to 8 bits.
int MeasureWindow8(KELVO_PIXEL_KERNEL_PARAMS);
int MeasureWindow16(KELVO_PIXEL_KERNEL_PARAMS);

// The five windows for a picture, in order.
std::array<Rect, 5> AutoIrisWindows(std::int32_t width, std::int32_t height);
// The correction factor for five window means.
double AutoIrisFactor(const std::array<int, 5>& means);

// 1 when it measured. Needs auto-iris mode 1 or 2, a raw image and a sensor control.
int RunAutoIris(SensorRecord& sensor, FrameImage* raw, SensorControl* control,
                const DialogRefresh& refresh);

}  // namespace kelvo
