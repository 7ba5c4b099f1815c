#include <cstdlib>

#include "platform/global_memory.h"
#include "platform/global_memory_faults.h"

namespace kelvo::platform {

std::unique_ptr<GlobalBlock> GlobalBlock::Allocate(std::size_t bytes) {
  if (GlobalAllocationShouldFail()) return nullptr;
  void* memory = std::calloc(bytes == 0 ? 1 : bytes, 1);
  if (memory == nullptr) return nullptr;
  return std::unique_ptr<GlobalBlock>(
      new GlobalBlock(memory, static_cast<unsigned char*>(memory), bytes));
}

GlobalBlock::~GlobalBlock() { std::free(handle_); }

}  // namespace kelvo::platform
