// Injected global-memory failures, shared by the POSIX and Win32 blocks.
#pragma once

namespace kelvo::platform {

// True when this allocation must fail.
bool GlobalAllocationShouldFail();

}  // namespace kelvo::platform
