#include "platform/driver_port.h"
#include "platform/win32.h"

namespace kelvo::platform {
namespace {

HANDLE AsHandle(DeviceHandle device) { return reinterpret_cast<HANDLE>(device); }

class Win32DriverPort final : public DriverPort {
 public:
  DeviceHandle Open(const char* path) override {
    HANDLE handle =
        CreateFileA(path, GENERIC_WRITE, FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE) return kNoDevice;
    return reinterpret_cast<DeviceHandle>(handle);
  }

  bool Request(DeviceHandle device, std::uint32_t code, const void* input, std::uint32_t inputBytes,
               void* output, std::uint32_t outputBytes, std::uint32_t* returned) override {
    DWORD moved = 0;
    BOOL ok = DeviceIoControl(AsHandle(device), code, const_cast<void*>(input), inputBytes, output,
                              outputBytes, &moved, nullptr);
    if (returned != nullptr) *returned = moved;
    return ok != FALSE;
  }

  void Close(DeviceHandle device) override { CloseHandle(AsHandle(device)); }
};

}  // namespace

std::shared_ptr<DriverPort> KernelDriverPort() { return std::make_shared<Win32DriverPort>(); }

}  // namespace kelvo::platform
