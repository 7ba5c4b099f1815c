// The numbers of the camera driver's protocol, named once for both sides of
// the driver boundary: the device link that speaks it and the emulator that
// answers it.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kelvo {

// Device paths are "\\.\<base>-<n>".
inline constexpr char kDeviceBaseName[] = "ZentQ12";

// Device I/O control codes of the driver.
inline constexpr std::uint32_t kRequestSend = 0x222051;     // commands on pipe 0, frames on pipe 2
inline constexpr std::uint32_t kRequestReceive = 0x22204E;  // replies on pipe 1, frame request on 0
inline constexpr std::uint32_t kRequestTimeLimit = 0x2220A0;  // the driver's transfer time limit

enum Pipe : std::uint32_t { kCommandPipe = 0, kReplyPipe = 1, kFramePipe = 2 };

// Byte 0 of a command packet.
enum Command : std::uint8_t {
  kCommandFrameRequest = 0x02,
  kCommandWriteRegister = 0x04,
  kCommandResetTransfer = 0x06,
  kCommandTransferSize = 0x09,
  kCommandSampleWidth = 0x0A,
  kCommandSromWrite = 0x20,
  kCommandSromRead = 0x21,
  kCommandSetClock = 0x23,
  kCommandGetClock = 0x24,
  kCommandTriggerMode = 0x28,
};

// Bytes 1 and 2 of a register write.
inline constexpr std::uint8_t kRegisterWriteTag[2] = {0x30, 0xFE};

inline constexpr std::size_t kPacketBytes = 64;
inline constexpr std::size_t kTimeLimitInputBytes = 44;

// The sensor registers both sides give a meaning to.
enum Register : std::uint16_t {
  kRegisterGain = 0x04,      // bit 15 set, the gain in the low 10 bits
  kRegisterExposure = 0x9A,  // 0x802000 | lines in the low 12 bits
};

inline constexpr std::uint32_t kGainWriteFlag = 0x8000;
inline constexpr std::uint32_t kGainMask = 0x3FF;
inline constexpr std::uint32_t kExposureWriteFlags = 0x802000;
inline constexpr std::uint32_t kExposureMask = 0xFFF;

}  // namespace kelvo
