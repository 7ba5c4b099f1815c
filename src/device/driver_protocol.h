// What the device link says to the camera's kernel driver: request codes,
// pipes, the 64-byte command packets, and one open device to say it through.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>

#include "platform/driver_port.h"
#include "platform/driver_protocol_numbers.h"

namespace kelvo {

using Packet = std::array<std::uint8_t, kPacketBytes>;

// A packet with the command byte and the given bytes from byte 1 on; the rest is zero.
Packet CommandPacket(Command command, std::initializer_list<std::uint8_t> fields = {});
// Command 0x04: [1]=0x30, [2]=0xFE, 16-bit address and 24-bit value, little-endian.
Packet RegisterWritePacket(std::uint16_t address, std::uint32_t value);
// Command 0x09: the frame's transfer size in samples, 32-bit little-endian.
Packet TransferSizePacket(std::uint32_t samples);

// Input of the time-limit request: 32-bit 1, then the milliseconds; the rest carries nothing.
std::array<std::uint8_t, kTimeLimitInputBytes> TimeLimitInput(std::uint32_t milliseconds);

// The device opened for the length of one operation and closed when it ends.
// Every transfer counts only if the driver accepted it and moved the whole length.
class DriverSession {
 public:
  DriverSession(platform::DriverPort& port, const char* path);
  ~DriverSession() { Close(); }
  DriverSession(const DriverSession&) = delete;
  DriverSession& operator=(const DriverSession&) = delete;

  bool IsOpen() const { return handle_ != platform::kNoDevice; }
  void Close();

  bool SendCommand(const Packet& packet);
  // One 64-byte reply from pipe 1 into reply.
  bool ReadReply(Packet& reply);
  // The frame-request packet sent before each streamed frame.
  bool RequestFrame();
  bool ReceiveFrame(void* buffer, std::uint32_t bytes);
  void SendTimeLimit(std::uint32_t milliseconds);

 private:
  bool Transfer(std::uint32_t code, Pipe pipe, void* data, std::uint32_t bytes);

  platform::DriverPort& port_;
  platform::DeviceHandle handle_;
};

}  // namespace kelvo
