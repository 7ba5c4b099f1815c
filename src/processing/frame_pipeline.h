// One frame from raw sensor data to the picture of the colour mode, with the
// automatic stages and the user's adjustments, in their fixed order.
#pragma once

#include <array>
#include <cstdint>

#include "processing/processor_info.h"
#include "processing/sensor_control.h"
#include "records/settings_records.h"

namespace kelvo {

class FrameImage;

// The Camera's images by colour mode: 0 the 8-bit raw (and mode 0's picture),
// 1 the 16-bit raw, 2..5 the 24, 32, 48 and 64-bit pictures; plus the scratch.
struct FrameImages {
  std::array<FrameImage*, 6> byMode{};
  FrameImage* scratch = nullptr;
};

struct FrameConversion {
  FrameImages images;
  FilterBlock* filters = nullptr;
  SensorRecord* sensor = nullptr;
  std::int32_t colorMode = 0;
  const ProcessorInfo* processor = nullptr;
  SensorControl* sensorControl = nullptr;  // null: the camera has no device link
  DialogRefresh refresh;
};

// Runs every stage for one frame. Missing images make their stages do nothing.
void ConvertFrame(const FrameConversion& frame);

}  // namespace kelvo
