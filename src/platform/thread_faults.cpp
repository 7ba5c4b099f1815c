#include "platform/thread_faults.h"

#include "platform/fault_countdown.h"
#include "platform/shared_word.h"
#include "platform/thread.h"

namespace kelvo::platform {
namespace {

SharedWord failingThreadStarts{0};
FaultCountdown failingEventCreation;

}  // namespace

void FailThreadStartsForTesting(int count) { failingThreadStarts.store(count); }

bool ThreadStartShouldFail() {
  std::int32_t left = failingThreadStarts.load();
  while (left > 0) {
    if (failingThreadStarts.compare_exchange_weak(left, left - 1)) return true;
  }
  return false;
}

void FailEventCreationForTesting(int successes) { failingEventCreation.Arm(successes); }

bool EventCreationShouldFail() { return failingEventCreation.ShouldFail(); }

}  // namespace kelvo::platform
