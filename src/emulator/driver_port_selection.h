// Where the library's device links find their cameras: the kernel driver, or
// emulated cameras when the environment asks for them. The choice is made here,
// once per process, so the device link itself never knows which it talks to.
#pragma once

#include <memory>
#include <string>

#include "emulator/camera_emulator.h"
#include "platform/driver_port.h"

namespace kelvo::emulator {

// Environment switches, all optional:
//   KELVO_Q12_EMULATOR=<n>             1 to 8: n emulated cameras instead of the driver
//   KELVO_Q12_EMULATOR_SCENE=<scene>   chart (default), still, or a BMP/PNG file
//   KELVO_Q12_EMULATOR_TRIGGER_MS=<ms> a trigger every ms milliseconds
//   KELVO_Q12_EMULATOR_FAULTS=<file>   a fault script played by every camera
struct EmulatorEnvironment {
  const char* cameras = nullptr;
  const char* scene = nullptr;
  const char* triggerMs = nullptr;
  const char* faults = nullptr;
  static EmulatorEnvironment FromProcess();
};

// The emulator the environment asks for, or nullopt-like null when it asks
// for none. Bad values are reported on standard error and left out.
std::unique_ptr<EmulatorOptions> EmulatorOptionsFrom(const EmulatorEnvironment& environment,
                                                     std::string* complaints);

// The one driver port of the process: made on first use and shared by every
// device link, as the physical cameras are.
std::shared_ptr<platform::DriverPort> ProcessDriverPort();

// Tests: device links made from now on get this port (null gives the process's own back).
void UseDriverPortForTesting(std::shared_ptr<platform::DriverPort> port);

}  // namespace kelvo::emulator
