#include "platform/notices.h"
#include "platform/win32.h"

namespace kelvo::platform {

void PostNotice(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                std::intptr_t lParam) {
  // A window that is gone or a full queue is not the camera's problem.
  PostMessageA(static_cast<HWND>(window), message, static_cast<WPARAM>(wParam),
               static_cast<LPARAM>(lParam));
}

std::vector<Notice> TakeRecordedNotices() { return {}; }

}  // namespace kelvo::platform
