#include <chrono>

#include "platform/clock.h"

namespace kelvo::platform {
namespace {

std::uint32_t SteadyMilliseconds() {
  auto since = std::chrono::steady_clock::now().time_since_epoch();
  return static_cast<std::uint32_t>(
      std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

}  // namespace

std::uint32_t TickCount() { return SteadyMilliseconds(); }

std::uint32_t MultimediaTime() { return SteadyMilliseconds(); }

}  // namespace kelvo::platform
