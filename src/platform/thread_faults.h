// Injected thread-start and event-creation failures, shared by the POSIX and Win32 threads.
#pragma once

namespace kelvo::platform {

// True (once per requested failure) when a thread start must fail.
bool ThreadStartShouldFail();
// True for the one event creation that must fail.
bool EventCreationShouldFail();

}  // namespace kelvo::platform
