// The newest twenty error codes of one Camera, newest first.
#pragma once

#include <array>
#include <cstdint>
#include <mutex>

namespace kelvo {

class ErrorHistory {
 public:
  static constexpr int kDepth = 20;

  // Stores code as the newest entry; the oldest of twenty falls out.
  void Push(std::int32_t code);

  // Removes and returns the newest entry; 0 when the history is empty.
  std::int32_t Pop();

 private:
  // The worker records errors while the application pops them: shifts must not interleave.
  std::mutex lock_;
  std::array<std::int32_t, kDepth> codes_{};
};

}  // namespace kelvo
