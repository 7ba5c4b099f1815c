#include "platform/driver_port.h"

namespace kelvo::platform {
namespace {

// There is no kernel driver for the camera outside Windows: nothing opens, so
// every request of the device link fails the way it does with no camera attached.
class AbsentDriverPort final : public DriverPort {
 public:
  DeviceHandle Open(const char*) override { return kNoDevice; }

  bool Request(DeviceHandle, std::uint32_t, const void*, std::uint32_t, void*, std::uint32_t,
               std::uint32_t* returned) override {
    if (returned != nullptr) *returned = 0;
    return false;
  }

  void Close(DeviceHandle) override {}
};

}  // namespace

std::shared_ptr<DriverPort> KernelDriverPort() { return std::make_shared<AbsentDriverPort>(); }

}  // namespace kelvo::platform
