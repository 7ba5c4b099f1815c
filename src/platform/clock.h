// Millisecond clocks of the operating system.
#pragma once

#include <cstdint>

namespace kelvo::platform {

// Milliseconds since the system started (GetTickCount), wrapping at 2^32.
std::uint32_t TickCount();

// The multimedia timer (timeGetTime) that frame rates are measured with.
std::uint32_t MultimediaTime();

}  // namespace kelvo::platform
