// Injected thread-start failures, shared by the POSIX and Win32 threads.
#pragma once

namespace kelvo::platform {

// True (once per requested failure) when a thread start must fail.
bool ThreadStartShouldFail();

}  // namespace kelvo::platform
