#include "platform/global_memory.h"
#include "platform/global_memory_faults.h"
#include "platform/win32.h"

namespace kelvo::platform {

std::unique_ptr<GlobalBlock> GlobalBlock::Allocate(std::size_t bytes) {
  if (GlobalAllocationShouldFail()) return nullptr;
  HGLOBAL handle = GlobalAlloc(GMEM_ZEROINIT, bytes);
  if (handle == nullptr) return nullptr;
  void* data = GlobalLock(handle);
  if (data == nullptr) {
    GlobalFree(handle);
    return nullptr;
  }
  return std::unique_ptr<GlobalBlock>(
      new GlobalBlock(handle, static_cast<unsigned char*>(data), bytes));
}

GlobalBlock::~GlobalBlock() {
  GlobalUnlock(static_cast<HGLOBAL>(handle_));
  GlobalFree(static_cast<HGLOBAL>(handle_));
}

}  // namespace kelvo::platform
