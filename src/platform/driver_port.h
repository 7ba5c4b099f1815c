// The door to the camera's kernel driver: open a device path, issue a
// synchronous device I/O control request, close. The device link talks only
// to this interface, so the camera emulator can stand behind it instead.
#pragma once

#include <cstdint>
#include <memory>

namespace kelvo::platform {

// An open device (a HANDLE on Windows); kNoDevice when nothing opened.
using DeviceHandle = std::intptr_t;
inline constexpr DeviceHandle kNoDevice = -1;

class DriverPort {
 public:
  virtual ~DriverPort() = default;

  // Opens the device for writing, shared for writing, only if it exists.
  virtual DeviceHandle Open(const char* path) = 0;

  // One synchronous request. False when the driver refused it; *returned gets
  // the number of output bytes the driver reports either way.
  virtual bool Request(DeviceHandle device, std::uint32_t code, const void* input,
                       std::uint32_t inputBytes, void* output, std::uint32_t outputBytes,
                       std::uint32_t* returned) = 0;

  virtual void Close(DeviceHandle device) = 0;
};

// The kernel driver of the operating system. Where there is none (Linux), a
// port on which no device ever opens.
std::shared_ptr<DriverPort> KernelDriverPort();

}  // namespace kelvo::platform
