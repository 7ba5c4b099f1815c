#include "device/device_link.h"

#include <cstdio>

#include "device/driver_protocol.h"

namespace kelvo {
namespace {

void FormatDevicePath(std::array<char, 128>& path, const char* baseName, int device) {
  std::snprintf(path.data(), path.size(), "\\\\.\\%s-%d", baseName, device);
}

// Registers the host may read back from the shadow; 192 to 255 are not the sensor's.
bool IsReadableRegister(int address) {
  return (address >= 0 && address <= 191) || (address >= 256 && address < kShadowRegisters);
}

}  // namespace

DeviceLink::DeviceLink(std::shared_ptr<platform::DriverPort> port) : port_(std::move(port)) {
  std::snprintf(baseName_, sizeof baseName_, "%s", kDeviceBaseName);
  Enumerate();
  SelectDevice(0);
}

void DeviceLink::Enumerate() {
  std::array<char, 128> path{};
  for (int device = 0; device < kDeviceCount; ++device) {
    FormatDevicePath(path, baseName_, device);
    DriverSession session(*port_, path.data());
    present_[device] = session.IsOpen() ? 1 : 0;
  }
  selectedDevice_ = 0;
}

int DeviceLink::IsPresent(int device) const {
  if (device < 0 || device >= kDeviceCount) return 0;
  return present_[device];
}

int DeviceLink::SelectDevice(int device) {
  windowMode_ = 0;
  sampleWidth_ = 0;
  timeLimit_ = kDefaultTimeLimit;
  if (device < 0 || device > kDeviceCount) return kLinkBadDeviceNumber;
  selectedDevice_ = device;
  FormatDevicePath(devicePath_, baseName_, device);
  SetSampleWidth(0);
  SendCommandOnce(CommandPacket(kCommandResetTransfer));
  window_ = CaptureWindow{};
  windowMode_ = 0;
  SetRawLayout(kLinePitch, kLineStart, kSensorWidth, kSensorHeight + 1, 1, kSensorHeight,
               kStreamBufferCount);
  return kLinkOk;
}

bool DeviceLink::SendCommandOnce(const Packet& packet) {
  DriverSession session(*port_, DevicePath());
  return session.SendCommand(packet);
}

bool DeviceLink::SetSampleWidth(int width) {
  sampleWidth_ = width;
  SendCommandOnce(CommandPacket(kCommandSampleWidth, {static_cast<std::uint8_t>(width != 0)}));
  return true;
}

bool DeviceLink::WriteRegister(std::uint16_t address, std::uint32_t value) {
  value &= 0xFFFFFF;
  if (!SendCommandOnce(RegisterWritePacket(address, value))) return false;
  // The sensor cannot be read back, so the link remembers what it wrote.
  if (address < kShadowRegisters) shadow_[address] = static_cast<std::int32_t>(value);
  return true;
}

bool DeviceLink::ReadRegister(int address, std::int32_t* value) const {
  if (value == nullptr || !IsReadableRegister(address)) return false;
  *value = shadow_[address];
  return true;
}

bool DeviceLink::SetGain(int gain) {
  if (!WriteRegister(kRegisterGain, static_cast<std::uint32_t>(gain | kGainWriteFlag) & 0xFFFF)) {
    return false;
  }
  gain_ = static_cast<std::int32_t>(gain & kGainMask);
  return true;
}

bool DeviceLink::SetExposure(int exposure) {
  std::uint16_t lines = static_cast<std::uint16_t>(exposure);
  if (lines < kExposureLowest) lines = kExposureLowest;
  if (lines > kExposureMax) lines = kExposureMax;
  if (!WriteRegister(kRegisterExposure, kExposureWriteFlags | (lines & kExposureMask)))
    return false;
  exposure_ = static_cast<std::int32_t>(lines);
  return true;
}

bool DeviceLink::SetClockMode(int mode) {
  bool opened;
  {
    DriverSession session(*port_, DevicePath());
    opened = session.IsOpen();
    if (opened) session.SendCommand(CommandPacket(kCommandSetClock, {mode != 0}));
  }
  // A new clock needs the device set up again; the sensor registers stay as they are.
  SelectDevice(selectedDevice_);
  return opened;
}

bool DeviceLink::GetClockMode(int* mode) {
  DriverSession session(*port_, DevicePath());
  if (!session.SendCommand(CommandPacket(kCommandGetClock))) return false;
  Packet reply{};
  session.ReadReply(reply);
  bool second = session.ReadReply(reply);
  session.Close();
  if (!second) return false;
  if (mode != nullptr) *mode = reply[0] != 0 ? 1 : 0;
  return true;
}

void DeviceLink::Teardown() {
  ReleaseBuffers();
  if (stream_.stopped.load() == 1) {
    stream_.thread.reset();
    stream_.event.reset();
  }
}

}  // namespace kelvo
