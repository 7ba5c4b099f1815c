#include "camera/error_history.h"

#include <algorithm>

namespace kelvo {

void ErrorHistory::Push(std::int32_t code) {
  std::lock_guard<std::mutex> hold(lock_);
  std::copy_backward(codes_.begin(), codes_.end() - 1, codes_.end());
  codes_.front() = code;
}

std::int32_t ErrorHistory::Pop() {
  std::lock_guard<std::mutex> hold(lock_);
  std::int32_t newest = codes_.front();
  std::copy(codes_.begin() + 1, codes_.end(), codes_.begin());
  codes_.back() = 0;
  return newest;
}

}  // namespace kelvo
