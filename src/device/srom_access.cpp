#include "device/device_link.h"
#include "device/driver_protocol.h"

namespace kelvo {
namespace {

// ID bytes 0 to 7 live at SROM addresses 8 to 15.
constexpr int kSromIdBase = 8;
constexpr int kSromIdCount = 8;
// The SROM needs this long after a command before the device may be closed.
constexpr std::uint32_t kSromSettleMs = 10;

}  // namespace

bool DeviceLink::ReadSromId(int index, std::uint8_t* value) {
  int low = index & 0xFF;
  if (low >= kSromIdCount) return false;
  auto address = static_cast<std::uint8_t>(low + kSromIdBase);
  DriverSession session(*port_, DevicePath());
  if (!session.IsOpen()) return false;
  bool sent = session.SendCommand(CommandPacket(kCommandSromRead, {address}));
  Packet reply{};
  session.ReadReply(reply);
  bool second = session.ReadReply(reply);
  platform::SleepMilliseconds(kSromSettleMs);
  session.Close();
  if (!sent || !second) return false;
  if (value != nullptr) *value = reply[0];
  return true;
}

bool DeviceLink::WriteSromId(int index, std::uint8_t value) {
  int low = index & 0xFF;
  if (low >= kSromIdCount) return false;
  auto address = static_cast<std::uint8_t>(low + kSromIdBase);
  DriverSession session(*port_, DevicePath());
  if (!session.IsOpen()) return false;
  bool sent = session.SendCommand(CommandPacket(kCommandSromWrite, {address, value}));
  platform::SleepMilliseconds(kSromSettleMs);
  return sent;
}

}  // namespace kelvo
