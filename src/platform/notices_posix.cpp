#include <mutex>

#include "platform/notices.h"

namespace kelvo::platform {
namespace {

std::mutex recordLock;
std::vector<Notice>& Recorded() {
  static std::vector<Notice> notices;
  return notices;
}

}  // namespace

void PostNotice(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                std::intptr_t lParam) {
  std::lock_guard<std::mutex> lock(recordLock);
  Recorded().push_back({window, message, wParam, lParam});
}

std::vector<Notice> TakeRecordedNotices() {
  std::lock_guard<std::mutex> lock(recordLock);
  std::vector<Notice> taken;
  taken.swap(Recorded());
  return taken;
}

}  // namespace kelvo::platform
