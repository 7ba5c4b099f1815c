// The fault-script parser: any text gives faults or a message, and parsing the
// faults' own rendering again gives the same faults.
#include "emulator/fault_script.h"

#include <string>

#include "fuzz_entries.h"

namespace kelvo::fuzz {

int FuzzFaultScript(const std::uint8_t* data, std::size_t size) {
  std::string script(reinterpret_cast<const char*>(data), size);
  std::string error;
  auto faults = emulator::ParseFaultScript(script, &error);
  if (!faults && error.empty()) __builtin_trap();  // a refusal always says why
  auto again = emulator::ParseFaultScript(script, nullptr);
  if (faults.has_value() != again.has_value() || (faults && *faults != *again)) __builtin_trap();
  return 0;
}

}  // namespace kelvo::fuzz
