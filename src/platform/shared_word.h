// A 32-bit value that the application thread and a worker or transfer thread
// both read and write whole.
#pragma once

#include <atomic>
#include <cstdint>

namespace kelvo {

using SharedWord = std::atomic<std::int32_t>;
using SharedUWord = std::atomic<std::uint32_t>;

}  // namespace kelvo
