// Gain and exposure to the sensor through the camera's device link: the way
// of the automatic exposure and of the analog dialog.
#pragma once

#include "device/device_link.h"
#include "processing/sensor_control.h"

namespace kelvo {

class LinkSensorControl final : public SensorControl {
 public:
  explicit LinkSensorControl(DeviceLink& link) : link_(link) {}
  std::int32_t GainMinimum() const override { return DeviceLink::GainMin(); }
  std::int32_t GainMaximum() const override { return DeviceLink::GainMax(); }
  std::int32_t ExposureMinimum() const override { return DeviceLink::ExposureMin(); }
  std::int32_t ExposureMaximum() const override { return DeviceLink::ExposureMax(); }
  void WriteGain(std::int32_t value) override { link_.SetGain(value); }
  void WriteExposure(std::int32_t value) override { link_.SetExposure(value); }

 private:
  DeviceLink& link_;
};

}  // namespace kelvo
