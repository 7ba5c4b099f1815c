// A failure injected for tests: after a number of successes, the next attempt fails once.
#pragma once

#include "platform/shared_word.h"

namespace kelvo::platform {

class FaultCountdown {
 public:
  // After `successes` more attempts succeed, the next one fails; negative disarms.
  void Arm(int successes) { left_.store(successes); }

  // True for the one attempt that must fail.
  bool ShouldFail() {
    std::int32_t left = left_.load();
    while (left >= 0) {
      if (left_.compare_exchange_weak(left, left - 1)) return left == 0;
    }
    return false;
  }

 private:
  SharedWord left_{-1};
};

}  // namespace kelvo::platform
