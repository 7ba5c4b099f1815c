#include <cstring>

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

}  // namespace

void* GetPreviewDC(WindowHandle window) {
  // GetDC without a window would hand out the whole screen.
  return window != nullptr ? GetDC(Hwnd(window)) : nullptr;
}

void ReleasePreviewDC(WindowHandle window, void* dc) {
  if (dc != nullptr) ReleaseDC(Hwnd(window), static_cast<HDC>(dc));
}

// Only the window's own thread can destroy it; a release from another thread
// asks that thread to, at its next message.
void DestroyPreviewWindow(WindowHandle window) {
  if (window == nullptr) return;
  if (GetWindowThreadProcessId(Hwnd(window), nullptr) == GetCurrentThreadId()) {
    DestroyWindow(Hwnd(window));
  } else {
    PostMessageA(Hwnd(window), WM_CLOSE, 0, 0);
  }
}

void UnregisterPreviewClass(const char* className) {
  if (className != nullptr) UnregisterClassA(className, ExecutableModule());
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
  return CreateWindowExA(0, className, "ActiveMovie Window", kChildStyle, x, y, width, height,
                         Hwnd(parent), reinterpret_cast<HMENU>(kChildId), ExecutableModule(),
                         nullptr);
}

WindowHandle CreateCentredWindow(const char* className, int clientWidth, int clientHeight) {
  RECT frame = {0, 0, clientWidth, clientHeight};
  if (!AdjustWindowRectEx(&frame, kTopLevelStyle, FALSE, 0)) return nullptr;
  const int x = (GetSystemMetrics(SM_CXSCREEN) + frame.left - frame.right) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) + frame.top - frame.bottom) / 2;
  return CreateWindowExA(0, className, "Active Window", kTopLevelStyle, x, y,
                         frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                         ExecutableModule(), nullptr);
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
