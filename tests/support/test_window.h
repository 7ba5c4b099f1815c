// A top-level window of the test's own (Windows only): the window the SDK's
// notices go to, or the parent of child previews. It paints nothing itself;
// its background is grey.
#pragma once

#include <windows.h>

#include <chrono>
#include <thread>

#include "KelvoSdk_Q12.h"

namespace kelvo::testing {

class TestWindow {
 public:
  explicit TestWindow(DWORD style = WS_OVERLAPPEDWINDOW, int width = 64, int height = 64) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    windowClass.lpszClassName = "KelvoTestWindow";
    RegisterClassA(&windowClass);  // fails harmlessly from the second window on
    window_ = CreateWindowExA(0, windowClass.lpszClassName, "test window", style, 0, 0, width,
                              height, nullptr, nullptr, windowClass.hInstance, nullptr);
  }
  ~TestWindow() { DestroyWindow(window_); }
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;

  HWND get() const { return window_; }

  // The next queued message in the SDK's range, if any.
  bool Take(MSG& message) {
    return PeekMessageA(&message, window_, KELVO_MSG_FRAME, KELVO_MSG_ERROR, PM_REMOVE) != 0;
  }

  // Waits up to `limit` for the next frame notice, dispatching every other message.
  bool NextFrameNotice(MSG& message, std::chrono::milliseconds limit) {
    auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == KELVO_MSG_FRAME) return true;
        DispatchMessageA(&message);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return false;
  }

 private:
  HWND window_;
};

}  // namespace kelvo::testing
