// Posting a message to an application window, never waiting for it.
#pragma once

#include <cstdint>
#include <vector>

namespace kelvo::platform {

// An application window (an HWND on Windows); null means "nobody to tell".
using WindowHandle = void*;

void PostNotice(WindowHandle window, std::uint32_t message, std::uintptr_t wParam,
                std::intptr_t lParam);

struct Notice {
  WindowHandle window;
  std::uint32_t message;
  std::uintptr_t wParam;
  std::intptr_t lParam;

  bool operator==(const Notice&) const = default;
};

// Where there are no windows to post to, notices are kept here for tests to read.
// Returns the notices posted since the last call, oldest first; always empty on Windows.
std::vector<Notice> TakeRecordedNotices();

}  // namespace kelvo::platform
