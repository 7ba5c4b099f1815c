#include <algorithm>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "camera/preview_window.h"
#include "camera/preview_window_gdi.h"
#include "image/frame_image.h"
#include "platform/win32.h"

namespace kelvo {
namespace {

constexpr DWORD kChildStyle = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
constexpr DWORD kTopLevelStyle =
    WS_OVERLAPPEDWINDOW | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
static_assert(kChildStyle == 0x52000000 && kTopLevelStyle == 0x16CF0000);
constexpr INT_PTR kChildId = 6540;

HWND Hwnd(WindowHandle window) { return static_cast<HWND>(window); }

// Classes and windows belong to the executable, not to this DLL.
HINSTANCE ExecutableModule() { return GetModuleHandleA(nullptr); }

struct BitmapInfo256 {
  BITMAPINFOHEADER header;
  RGBQUAD colors[256];
};

bool OnWindowThread(HWND window) {
  return GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId();
}

// Classes whose window has gone on its own thread, to unregister once it is
// really gone: during WM_NCDESTROY the window still holds its class.
std::mutex goneClassesLock;
std::vector<std::string> goneClasses;

bool ClassExists(const char* name) {
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  return GetClassInfoExA(ExecutableModule(), name, &windowClass) != 0;
}

// Runs from the window thread's message loop once the window is gone.
void CALLBACK UnregisterGoneClasses(HWND, UINT, UINT_PTR timer, DWORD) {
  KillTimer(nullptr, timer);
  std::lock_guard<std::mutex> hold(goneClassesLock);
  std::erase_if(goneClasses, [](const std::string& name) {
    return UnregisterClassA(name.c_str(), ExecutableModule()) || !ClassExists(name.c_str());
  });
}

// The window's last message, on its own thread, however it was destroyed (a
// release from another thread only asks it to close): the device context it
// handed out is released here, where ReleaseDC works, and its class goes as
// soon as the window has.
LRESULT CALLBACK PreviewWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCDESTROY) {
    if (auto dc = reinterpret_cast<HDC>(GetWindowLongPtrA(window, GWLP_USERDATA))) {
      ReleaseDC(window, dc);
      SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    }
    char className[256] = {};
    if (GetClassNameA(window, className, sizeof className) != 0) {
      std::lock_guard<std::mutex> hold(goneClassesLock);
      goneClasses.emplace_back(className);
    }
    SetTimer(nullptr, 0, 0, UnregisterGoneClasses);
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

// The class keeps the default procedure; the window gets its own, which adds
// nothing but the end above.
WindowHandle Adopt(HWND window) {
  if (window != nullptr) {
    SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PreviewWindowProc));
  }
  return window;
}

}  // namespace

void UseWindowStandInForTesting(bool /*on*/) {}
WindowStandInCounts CountStandInWindowsForTesting() { return {}; }
void DelayStandInWindowsForTesting(int /*milliseconds*/) {}

void* GetPreviewDC(WindowHandle window) {
  // GetDC without a window would hand out the whole screen.
  if (window == nullptr) return nullptr;
  HDC dc = GetDC(Hwnd(window));
  SetWindowLongPtrA(Hwnd(window), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(dc));
  return dc;
}

// From another thread, or once the window is gone, the window's own end
// releases it.
void ReleasePreviewDC(WindowHandle window, void* dc) {
  if (dc == nullptr || !IsWindow(Hwnd(window)) || !OnWindowThread(Hwnd(window))) return;
  ReleaseDC(Hwnd(window), static_cast<HDC>(dc));
  SetWindowLongPtrA(Hwnd(window), GWLP_USERDATA, 0);
}

// Only the window's own thread can destroy it; a release from another thread
// asks that thread to, at its next message.
void DestroyPreviewWindow(WindowHandle window) {
  if (window == nullptr) return;
  if (OnWindowThread(Hwnd(window))) {
    DestroyWindow(Hwnd(window));
  } else {
    PostMessageA(Hwnd(window), WM_CLOSE, 0, 0);
  }
}

// Gone at once when its window went on this thread: nothing is left to retry.
void UnregisterPreviewClass(const char* className) {
  if (className == nullptr || !UnregisterClassA(className, ExecutableModule())) return;
  std::lock_guard<std::mutex> hold(goneClassesLock);
  std::erase(goneClasses, std::string(className));
}

bool PreviewClientSize(WindowHandle window, int* width, int* height) {
  RECT client;
  if (window == nullptr || !IsWindowVisible(Hwnd(window)) ||
      !GetClientRect(Hwnd(window), &client) || client.right <= 0 || client.bottom <= 0) {
    return false;
  }
  *width = client.right;
  *height = client.bottom;
  return true;
}

namespace gdi {

bool RegisterWindowClass(const char* className) {
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = ExecutableModule();
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = className;
  return RegisterClassExA(&windowClass) != 0;
}

WindowHandle CreateChildWindow(const char* className, WindowHandle parent, int x, int y, int width,
                               int height) {
  return Adopt(CreateWindowExA(0, className, "ActiveMovie Window", kChildStyle, x, y, width, height,
                               Hwnd(parent), reinterpret_cast<HMENU>(kChildId), ExecutableModule(),
                               nullptr));
}

WindowHandle CreateCentredWindow(const char* className, int clientWidth, int clientHeight) {
  RECT frame = {0, 0, clientWidth, clientHeight};
  if (!AdjustWindowRectEx(&frame, kTopLevelStyle, FALSE, 0)) return nullptr;
  const int x = (GetSystemMetrics(SM_CXSCREEN) + frame.left - frame.right) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) + frame.top - frame.bottom) / 2;
  return Adopt(CreateWindowExA(0, className, "Active Window", kTopLevelStyle, x, y,
                               frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                               ExecutableModule(), nullptr));
}

bool FocusShowUpdate(WindowHandle window) {
  SetFocus(Hwnd(window));
  ShowWindow(Hwnd(window), SW_SHOW);
  return UpdateWindow(Hwnd(window)) != 0;
}

void DrawDib(void* dc, const FrameImage& image, DibRows rows) {
  BitmapInfo256 info;
  static_assert(sizeof info.header == sizeof image.header);
  std::memcpy(&info.header, &image.header, sizeof info.header);
  // A negative height is GDI's word for "first stored row at the top".
  if (rows == DibRows::TopDown) info.header.biHeight = -image.height;
  std::memcpy(info.colors, GreyRamp().data(), sizeof info.colors);
  SetDIBitsToDevice(static_cast<HDC>(dc), 0, 0, static_cast<DWORD>(image.width),
                    static_cast<DWORD>(image.height), 0, 0, 0, static_cast<UINT>(image.height),
                    image.pixels, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS);
  // The worker draws nothing else before the next frame: show this one now.
  GdiFlush();
}

}  // namespace gdi
}  // namespace kelvo
