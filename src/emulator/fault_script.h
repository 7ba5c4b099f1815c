// Faults the emulated cameras play on a timeline, from a small text script
// (KELVO_Q12_EMULATOR_FAULTS) or set by tests directly.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo::emulator {

enum class FaultKind {
  kDrop,      // frame <n> drop: the transfer of frame n fails
  kShort,     // frame <n> short: frame n comes back with half its bytes
  kStall,     // frame <n> stall <ms>: frame n arrives ms later
  kUnplug,    // frame <n> unplug <ms>: the camera is gone for ms from frame n on
  kOpenFail,  // open fail <count>: the next count opens fail
  kSromFail,  // srom fail [<count>]: the second reply of the next count SROM reads fails
};

struct Fault {
  FaultKind kind;
  std::uint32_t frame = 0;   // 1 is the first frame the camera delivers
  std::uint32_t amount = 0;  // milliseconds or a count
  bool operator==(const Fault&) const = default;
};

// The faults of a script, or nullopt with a message naming the bad line.
std::optional<std::vector<Fault>> ParseFaultScript(std::string_view script, std::string* error);

}  // namespace kelvo::emulator
