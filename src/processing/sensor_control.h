// What the processing stages need from outside: writing gain and exposure to
// the sensor (the device link does it), and telling open dialogs about new values.
#pragma once

#include <cstdint>
#include <functional>

namespace kelvo {

class SensorControl {
 public:
  virtual ~SensorControl() = default;
  virtual std::int32_t GainMinimum() const = 0;
  virtual std::int32_t GainMaximum() const = 0;
  virtual std::int32_t ExposureMinimum() const = 0;
  virtual std::int32_t ExposureMaximum() const = 0;
  virtual void WriteGain(std::int32_t value) = 0;
  virtual void WriteExposure(std::int32_t value) = 0;
};

enum class DialogUpdate {
  FilterValues,  // the filter dialog reloads (gray gains or colour gains changed)
  GlobalGain,    // the analog dialog shows the new gain (control 1015)
  Exposure,      // the analog dialog shows the new exposure (control 1027)
};

// Called from the acquisition thread; empty when nobody listens.
using DialogRefresh = std::function<void(DialogUpdate what, std::int32_t value)>;

}  // namespace kelvo
