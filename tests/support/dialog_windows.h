// Finding the SDK's modal dialogs from another thread (Windows only): the
// thread that opens a dialog runs its message loop, so whoever ends it must
// look for it from outside.
#pragma once

#include <windows.h>

#include <chrono>
#include <cstring>
#include <thread>

namespace kelvo::testing {

using namespace std::chrono_literals;

inline constexpr auto kDialogWatchdog = 10s;

inline BOOL CALLBACK KeepVisibleDialog(HWND window, LPARAM out) {
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  if (std::strcmp(name, "#32770") != 0 || !IsWindowVisible(window)) return TRUE;
  *reinterpret_cast<HWND*>(out) = window;
  return FALSE;
}

// The visible top-level dialog of thread, waited for up to the watchdog.
inline HWND WaitForDialog(DWORD thread) {
  auto deadline = std::chrono::steady_clock::now() + kDialogWatchdog;
  while (std::chrono::steady_clock::now() < deadline) {
    HWND found = nullptr;
    EnumThreadWindows(thread, KeepVisibleDialog, reinterpret_cast<LPARAM>(&found));
    if (found != nullptr) return found;
    std::this_thread::sleep_for(10ms);
  }
  return nullptr;
}

}  // namespace kelvo::testing
