#include "platform/global_memory_faults.h"

#include "platform/fault_countdown.h"
#include "platform/global_memory.h"

namespace kelvo::platform {
namespace {

FaultCountdown globalAllocationFault;

}  // namespace

void FailGlobalAllocationForTesting(int successes) { globalAllocationFault.Arm(successes); }

bool GlobalAllocationShouldFail() { return globalAllocationFault.ShouldFail(); }

}  // namespace kelvo::platform
