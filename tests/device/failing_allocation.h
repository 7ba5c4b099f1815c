// Allocation failures on demand: this test program replaces operator new, so
// that a test can make one allocation of its own thread throw std::bad_alloc.
#pragma once

namespace kelvo {

// The next allocation with operator new on the calling thread throws.
void FailNextAllocationOnThisThread();
// Calls off a failure that has not happened yet.
void AllowAllocationsOnThisThread();

}  // namespace kelvo
