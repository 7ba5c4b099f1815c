// The connection to one physical camera through its kernel driver.
#pragma once

namespace kelvo {

class DeviceLink {
 public:
  DeviceLink() = default;
  DeviceLink(const DeviceLink&) = delete;
  DeviceLink& operator=(const DeviceLink&) = delete;
};

}  // namespace kelvo
