// One fuzz program per entry: the build names the entry in KELVO_FUZZ_ENTRY.
#include "fuzz_entries.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  return kelvo::fuzz::KELVO_FUZZ_ENTRY(data, size);
}
