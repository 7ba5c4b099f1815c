#include "platform/global_memory_faults.h"

#include "platform/global_memory.h"
#include "platform/shared_word.h"

namespace kelvo::platform {
namespace {

SharedWord successesBeforeFailure{-1};

}  // namespace

void FailGlobalAllocationForTesting(int successes) { successesBeforeFailure.store(successes); }

bool GlobalAllocationShouldFail() {
  std::int32_t left = successesBeforeFailure.load();
  while (left >= 0) {
    if (successesBeforeFailure.compare_exchange_weak(left, left - 1)) return left == 0;
  }
  return false;
}

}  // namespace kelvo::platform
