// A device link over emulated cameras, with the request trace at hand.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "device/device_link.h"
#include "emulator/camera_emulator.h"

namespace kelvo {

using emulator::CameraEmulator;
using emulator::EmulatorOptions;
using emulator::TraceEntry;

inline std::shared_ptr<CameraEmulator> MakeEmulator(
    EmulatorOptions options = EmulatorOptions::Still()) {
  return std::make_shared<CameraEmulator>(options);
}

// The command packets (0x222051 on pipe 0) of a trace, in order.
inline std::vector<std::vector<std::uint8_t>> CommandPackets(const std::vector<TraceEntry>& trace) {
  std::vector<std::vector<std::uint8_t>> packets;
  for (const TraceEntry& entry : trace) {
    if (entry.kind == TraceEntry::Kind::kRequest && entry.code == 0x222051 && entry.pipe == 0) {
      packets.push_back(entry.bytes);
    }
  }
  return packets;
}

struct RegisterWrite {
  std::uint16_t address;
  std::uint32_t value;
  bool operator==(const RegisterWrite&) const = default;
};

inline std::vector<RegisterWrite> RegisterWrites(const std::vector<TraceEntry>& trace) {
  std::vector<RegisterWrite> writes;
  for (const auto& packet : CommandPackets(trace)) {
    if (packet.size() == 64 && packet[0] == 0x04) {
      writes.push_back({static_cast<std::uint16_t>(packet[3] | packet[4] << 8),
                        static_cast<std::uint32_t>(packet[5] | packet[6] << 8 | packet[7] << 16)});
    }
  }
  return writes;
}

inline void PrintTo(const RegisterWrite& write, std::ostream* os) {
  *os << std::hex << "{0x" << write.address << ", 0x" << write.value << "}";
}

class LinkTest : public ::testing::Test {
 protected:
  void Make(EmulatorOptions options = EmulatorOptions::Still()) {
    emulator = MakeEmulator(options);
    link = std::make_unique<DeviceLink>(emulator);
    emulator->EnableTrace(true);
  }
  void SetUp() override { Make(); }

  std::shared_ptr<CameraEmulator> emulator;
  std::unique_ptr<DeviceLink> link;
};

}  // namespace kelvo
