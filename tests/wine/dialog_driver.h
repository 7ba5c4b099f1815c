// Driving a modal dialog of the SDK from a second thread, as a user would:
// the test thread opens the dialog (and runs its message loop), the driver
// thread waits for it, moves trackbars, types, selects and clicks through
// window messages, and always ends it, so a failing test cannot hang.
#pragma once

#include <windows.h>
// The common controls need <windows.h> first.
#include <commctrl.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

#include "files/save_image.h"
#include "image/frame_image.h"
#include "support/dialog_windows.h"

namespace kelvo::testing {

using namespace std::chrono_literals;

// Runs script against the next dialog the calling thread opens through open();
// returns open()'s result. The dialog is cancelled if the script leaves it open.
inline int DriveDialog(const std::function<int()>& open, const std::function<void(HWND)>& script) {
  const DWORD thread = GetCurrentThreadId();
  std::thread driver([&] {
    HWND dialog = WaitForDialog(thread);
    if (dialog == nullptr) {
      ADD_FAILURE() << "no dialog appeared";
      return;
    }
    script(dialog);
    if (IsWindow(dialog)) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
  });
  int result = open();
  driver.join();
  return result;
}

// A control of a page or dialog; pages are the dialogs inside the sheet's tab control.
inline HWND Item(HWND dialog, int id) { return GetDlgItem(dialog, id); }

// The page of a sheet that holds control id (pages share some ids: give a unique one).
inline HWND PageWith(HWND sheet, int id) {
  for (HWND page = GetWindow(GetDlgItem(sheet, 1001), GW_CHILD); page != nullptr;
       page = GetWindow(page, GW_HWNDNEXT)) {
    if (GetDlgItem(page, id) != nullptr) return page;
  }
  return nullptr;
}

inline std::string Text(HWND window) {
  wchar_t wide[256] = {};
  GetWindowTextW(window, wide, 256);
  char utf8[1024] = {};
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr);
  return utf8;
}
inline std::string Text(HWND dialog, int id) { return Text(Item(dialog, id)); }

inline void Type(HWND dialog, int id, const char* text) { SetWindowTextA(Item(dialog, id), text); }

inline void Click(HWND dialog, int id) { SendMessageW(Item(dialog, id), BM_CLICK, 0, 0); }

inline bool IsChecked(HWND dialog, int id) {
  return SendMessageW(Item(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

// As a user dragging the thumb: the position, then the scroll notice to the page.
inline void MoveTrackbar(HWND page, int id, int position) {
  HWND bar = Item(page, id);
  SendMessageW(bar, TBM_SETPOS, TRUE, position);
  SendMessageW(page, WM_HSCROLL, MAKEWPARAM(TB_THUMBPOSITION, position),
               reinterpret_cast<LPARAM>(bar));
}
inline int TrackbarPosition(HWND page, int id) {
  return static_cast<int>(SendMessageW(Item(page, id), TBM_GETPOS, 0, 0));
}

inline void Select(HWND dialog, int id, int index) {
  HWND list = Item(dialog, id);
  SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

inline std::vector<std::string> ListEntries(HWND dialog, int id) {
  HWND list = Item(dialog, id);
  std::vector<std::string> entries;
  const int count = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0));
  for (int i = 0; i < count; ++i) {
    wchar_t wide[128] = {};
    SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(wide));
    char utf8[512] = {};
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr);
    entries.emplace_back(utf8);
  }
  return entries;
}
inline int ListSelection(HWND dialog, int id) {
  return static_cast<int>(SendMessageW(Item(dialog, id), CB_GETCURSEL, 0, 0));
}

inline void SelectTab(HWND sheet, int tab) {
  HWND control = GetDlgItem(sheet, 1001);
  SendMessageW(control, TCM_SETCURSEL, static_cast<WPARAM>(tab), 0);
  NMHDR header = {control, 1001, static_cast<UINT>(TCN_SELCHANGE)};
  SendMessageW(sheet, WM_NOTIFY, 1001, reinterpret_cast<LPARAM>(&header));
}

// Waits (bounded) until condition holds; false at the watchdog.
inline bool Eventually(const std::function<bool()>& condition) {
  auto deadline = std::chrono::steady_clock::now() + kDialogWatchdog;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

// The window as it stands on the screen, saved as a PNG file.
inline bool SaveScreenshot(HWND window, const std::filesystem::path& file) {
  RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
  std::this_thread::sleep_for(300ms);
  RECT rect;
  GetWindowRect(window, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  FrameImage shot;
  if (shot.Create(width, height, 24) != 1) return false;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof info.bmiHeader, width, -height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  GdiFlush();
  const int stride = (width * 3 + 3) / 4 * 4;
  for (int y = 0; y < height; ++y) {
    std::memcpy(shot.Row(y), static_cast<std::uint8_t*>(bits) + y * stride, width * 3);
  }
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return SaveImage(file.string().c_str(), &shot, kSavePng) == 1;
}

}  // namespace kelvo::testing
