#include <array>
#include <cstdint>

#include "device/device_link.h"
#include "device/driver_protocol.h"

namespace kelvo {
namespace {

// One row covers consecutive registers from `first`; registers past the listed
// values get 0. Register 0x80 appears three times on purpose: the sensor is put
// into its set-up state first, again before its timing block, and released last.
struct StartupRow {
  std::uint16_t first;
  std::uint8_t count;
  std::array<std::uint32_t, 6> values;
};

constexpr StartupRow kSensorStartup[] = {
    {0x80, 1, {0x7A809}},
    {0x0, 2, {0x20, 0x6}},
    {0x4, 6, {0x102A8, 0x3C100, 0x410410, 0x410410, 0x820820, 0x820}},
    {0xD, 2, {0x89202, 0}},
    {0x30, 1, {0}},
    {0x40, 4, {0x18, 0x800028, 0, 0x800000}},
    {0x44, 2, {}},
    {0x46, 1, {0x8083E9}},
    {0x47, 5, {}},
    {0x4C, 2, {0x128, 0x80012C}},
    {0x4E, 2, {}},
    {0x50, 1, {0x8083E9}},
    {0x51, 7, {}},
    {0x80, 6, {0x7A809, 0, 0x18, 0x509, 0x4000, 0x1F040}},
    {0x86, 2, {}},
    {0x88, 6, {0x9102F, 0, 0xFFFF, 0x1FFFFF, 0x1FFFFF, 0x1FFFFF}},
    {0x8E, 2, {0xF0FFFF, 0xF0003F}},
    {0x90, 4, {}},
    {0x94, 3, {0x1FFFE9, 0x33, 0x80005D}},
    {0x97, 2, {}},
    {0x99, 4, {0x800002, 0x80214D, 0x8003E9, 0}},
    {0xA5, 31, {}},
    {0x8000, 6, {0x980001, 0xA00001, 0x840001, 0x22001, 0x2, 0x1A003}},
    {0x8006, 4, {0x22004, 0xA4000C, 0x9C03E9, 0xFC03E9}},
    {0x8020, 6, {0x980001, 0xA00001, 0x840001, 0x880001, 0x22001, 0x2}},
    {0x8026, 5, {0x1A003, 0x22004, 0xA4000C, 0x9C03E9, 0xFC03E9}},
    {0x8800, 6, {0x190030, 0x780064, 0x38F171, 0x480107, 0x736706, 0x38707}},
    {0x8806, 6, {0x610119, 0x316545, 0x390128, 0x4101A3, 0x28505, 0x6801B5}},
    {0x880C, 6, {0x234747, 0x4081C9, 0x10A121, 0x1281DA, 0x4001E8, 0x102020}},
    {0x8812, 6, {0x1101F9, 0x308207, 0x328218, 0x300226, 0x310237, 0x580640}},
    {0x8818, 6, {0x18B131, 0x807FFF, 0x190030, 0x780064, 0x38F171, 0x390128}},
    {0x881E, 6, {0x580640, 0x18B131, 0x807FFF, 0, 0x190030, 0x450060}},
    {0x8824, 6, {0x5EA6B, 0x780064, 0x38F171, 0x600072, 0x20E061, 0x480084}},
    {0x882A, 6, {0x736706, 0x38707, 0x610096, 0x316545, 0x4000A8, 0x9111}},
    {0x8830, 6, {0x6500BA, 0x25CB4B, 0x4100CC, 0x28505, 0x6800DE, 0x234747}},
    {0x8836, 6, {0x288102, 0x390128, 0x580640, 0x18B131, 0x807FFF, 0}},
    {0x80, 1, {0x7A889}},
};

constexpr int CountWrites() {
  int writes = 0;
  for (const StartupRow& row : kSensorStartup) writes += row.count;
  return writes;
}
static_assert(CountWrites() == 178, "the start-up sequence is 178 register writes");

}  // namespace

// Each write opens and closes the device by itself; a failed write does not
// stop the sequence, so a half-attached camera still gets every register it takes.
int DeviceLink::InitializeSensor() {
  SendCommandOnce(CommandPacket(kCommandResetTransfer));
  for (const StartupRow& row : kSensorStartup) {
    for (int step = 0; step < row.count; ++step) {
      std::uint32_t value = step < static_cast<int>(row.values.size()) ? row.values[step] : 0;
      WriteRegister(static_cast<std::uint16_t>(row.first + step), value);
    }
  }
  // 8-bit samples on the sensor; the link's own sample width is left as it is.
  SendCommandOnce(CommandPacket(kCommandSampleWidth, {0}));
  return 1;
}

}  // namespace kelvo
