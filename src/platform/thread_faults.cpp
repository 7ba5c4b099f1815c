#include "platform/thread_faults.h"

#include "platform/shared_word.h"
#include "platform/thread.h"

namespace kelvo::platform {
namespace {

SharedWord failingThreadStarts{0};

}  // namespace

void FailThreadStartsForTesting(int count) { failingThreadStarts.store(count); }

bool ThreadStartShouldFail() {
  std::int32_t left = failingThreadStarts.load();
  while (left > 0) {
    if (failingThreadStarts.compare_exchange_weak(left, left - 1)) return true;
  }
  return false;
}

}  // namespace kelvo::platform
