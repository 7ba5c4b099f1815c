// Kelvo_SetFilterValue / Kelvo_GetFilterValue: filter ids 1 to 27 over the
// filter block and the sensor's global gain and exposure.
#include <climits>
#include <optional>

#include "camera/camera.h"
#include "device/device_link.h"
#include "platform/thread.h"

namespace kelvo {
namespace {

enum class FilterKind {
  Field,        // the value is stored as it is
  PackedGains,  // 0x00BBGGRR into the three colour gains
  Switch,       // stored as 0 or 1
  GlobalGain,   // the sensor record's gains and the sensor itself
  Exposure,     // the sensor record's exposure and the sensor itself
};

struct FilterParameter {
  int id;
  FilterKind kind;
  SharedWord FilterBlock::*field;
  int lowest;
  int highest;
};

constexpr int kAny = INT_MIN;
constexpr int kAnyHigh = INT_MAX;

// Ids 14 to 17 (the sensor's colour gains) are not in the table: always refused.
constexpr FilterParameter kFilterParameters[] = {
    {1, FilterKind::Field, &FilterBlock::brightness, -255, 255},
    {2, FilterKind::Field, &FilterBlock::contrast, -127, 127},
    {3, FilterKind::Field, &FilterBlock::hue, -360, 360},
    {4, FilterKind::Field, &FilterBlock::saturation, -255, 255},
    {5, FilterKind::Field, &FilterBlock::sharpness, 0, 30},
    {6, FilterKind::PackedGains, nullptr, kAny, kAnyHigh},
    {7, FilterKind::Field, &FilterBlock::colorGainRed, 0, 400},
    {8, FilterKind::Field, &FilterBlock::colorGainGreen, 0, 400},
    {9, FilterKind::Field, &FilterBlock::colorGainBlue, 0, 400},
    {10, FilterKind::Switch, &FilterBlock::whiteBalanceAuto, kAny, kAnyHigh},
    {11, FilterKind::Field, &FilterBlock::gamma, 0, 200},
    {12, FilterKind::Field, &FilterBlock::bayerMode, 0, 3},
    {13, FilterKind::GlobalGain, nullptr, 0, 1023},
    {18, FilterKind::Exposure, nullptr, 2, 1493},
    {19, FilterKind::Field, &FilterBlock::grayMode, 0, 2},
    {20, FilterKind::Field, &FilterBlock::grayGainR, 0, 255},
    {21, FilterKind::Field, &FilterBlock::grayGainG1, 0, 255},
    {22, FilterKind::Field, &FilterBlock::grayGainG2, 0, 255},
    {23, FilterKind::Field, &FilterBlock::grayGainB, 0, 255},
    {24, FilterKind::Field, &FilterBlock::grayOffsetR, -255, 255},
    {25, FilterKind::Field, &FilterBlock::grayOffsetG1, -255, 255},
    {26, FilterKind::Field, &FilterBlock::grayOffsetG2, -255, 255},
    {27, FilterKind::Field, &FilterBlock::grayOffsetB, -255, 255},
};

const FilterParameter* FindFilterParameter(int id) {
  for (const auto& parameter : kFilterParameters) {
    if (parameter.id == id) return &parameter;
  }
  return nullptr;
}

// The exposure read waits this long before it answers, as callers have come to expect.
constexpr std::uint32_t kExposureReadDelayMs = 120;

}  // namespace

int Camera::SetFilterValue(int filterId, int value) {
  if (!RequireInitialised()) return 0;
  const FilterParameter* parameter = FindFilterParameter(filterId);
  if (parameter == nullptr || value < parameter->lowest || value > parameter->highest) {
    RecordError(KELVO_ERR_ARGUMENT);
    return 0;
  }
  switch (parameter->kind) {
    case FilterKind::Field:
      filterBlock.*parameter->field = value;
      break;
    case FilterKind::PackedGains:
      filterBlock.colorGainRed = value & 0xFF;
      filterBlock.colorGainGreen = (value >> 8) & 0xFF;
      filterBlock.colorGainBlue = (value >> 16) & 0xFF;
      break;
    case FilterKind::Switch:
      filterBlock.*parameter->field = value != 0 ? 1 : 0;
      break;
    case FilterKind::GlobalGain:
      for (auto gain :
           {&SensorRecord::globalGain, &SensorRecord::colorGainG1, &SensorRecord::colorGainR,
            &SensorRecord::colorGainB, &SensorRecord::colorGainG2}) {
        analogBlock.*gain = value;
      }
      deviceLink->SetGain(value);
      break;
    case FilterKind::Exposure:
      analogBlock.exposure = value;
      deviceLink->SetExposure(value);
      break;
  }
  return 1;
}

int Camera::GetFilterValue(int filterId, int* ok) {
  if (!Initialised()) return RefuseRead(ok, KELVO_ERR_NO_DEVICE);
  const FilterParameter* parameter = FindFilterParameter(filterId);
  if (parameter == nullptr) return RefuseRead(ok, KELVO_ERR_ARGUMENT);
  if (ok != nullptr) *ok = 1;
  switch (parameter->kind) {
    case FilterKind::Field:
    case FilterKind::Switch:
      return filterBlock.*parameter->field;
    case FilterKind::PackedGains:
      return (filterBlock.colorGainBlue & 0xFF) << 16 | (filterBlock.colorGainGreen & 0xFF) << 8 |
             (filterBlock.colorGainRed & 0xFF);
    case FilterKind::GlobalGain:
      return deviceLink->GetGain();  // the low 10 bits of the last write
    case FilterKind::Exposure:
      platform::SleepMilliseconds(kExposureReadDelayMs);
      return deviceLink->GetExposure();  // the last exposure written
  }
  return 0;
}

}  // namespace kelvo
