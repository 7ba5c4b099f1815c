// Acquisition with real windows (Windows and Wine only): trigger mode with its
// frame notices and time limit, the live preview window's picture against the
// frame the application got, and the handles a start leaves behind.
#ifdef _WIN32
#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <thread>

#include "files/save_image.h"
#include "image/frame_image.h"
#include "support/emulated_sdk.h"
#include "support/test_window.h"

namespace kelvo::testing {
namespace {

using Clock = std::chrono::steady_clock;

class WindowedAcquisitionTest : public EmulatedSdkTest {
 protected:
  TestWindow notify;
};

TEST_F(WindowedAcquisitionTest, TriggeredFramesCarryRateZeroAndEndAtTheTimeLimit) {
  KelvoHandle camera = Open();
  std::vector<std::uint8_t> buffer(1280 * 3 * 960);
  ASSERT_EQ(Kelvo_Trigger(camera, notify.get(), buffer.data(), int(buffer.size()), 1), 1);
  EXPECT_EQ(CameraOf(camera)->state, StateTrigger);
  EXPECT_EQ(Kelvo_Trigger(camera, notify.get(), buffer.data(), int(buffer.size()), 1), 0);
  for (int frame = 0; frame < 3; ++frame) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    emulator->Trigger(0);
    MSG message;
    ASSERT_TRUE(notify.NextFrameNotice(message, std::chrono::seconds(2))) << frame;
    ASSERT_EQ(message.wParam, reinterpret_cast<WPARAM>(&CameraOf(camera)->frameInfo));
    EXPECT_EQ(message.lParam, 0);
    EXPECT_EQ(CameraOf(camera)->frameInfo.frameRate, 0);
    EXPECT_EQ(CameraOf(camera)->frameInfo.bitsPerPixel, 24);
  }
  EXPECT_NE(std::count(buffer.begin(), buffer.end(), 0), std::ptrdiff_t(buffer.size()));

  // No trigger: the armed transfer ends at the 3000 ms limit and trigger mode with it.
  auto armed = Clock::now();
  while (CameraOf(camera)->state == StateTrigger &&
         Clock::now() - armed < std::chrono::seconds(8)) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  auto waited = Clock::now() - armed;
  EXPECT_GE(waited, std::chrono::milliseconds(2900));
  EXPECT_LT(waited, std::chrono::milliseconds(6000));
  EXPECT_EQ(CameraOf(camera)->state, StateIdle);
  EXPECT_EQ(Kelvo_Close(camera), 1);
  EXPECT_EQ(Errors(camera), std::vector<int>{});
}

TEST_F(WindowedAcquisitionTest, StopInTriggerModeWaitsAtMostForTheArmedFrame) {
  KelvoHandle camera = Open();
  ASSERT_EQ(Kelvo_Trigger(camera, notify.get(), nullptr, 0, 1), 1);
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  auto started = Clock::now();
  EXPECT_EQ(Kelvo_StopPreview(camera), 1);
  EXPECT_LT(Clock::now() - started, std::chrono::milliseconds(3500));
  EXPECT_NE(CameraOf(camera)->previewWindow, nullptr);  // stop leaves the window
  EXPECT_EQ(Kelvo_Close(camera), 1);
  EXPECT_EQ(CameraOf(camera)->previewWindow, nullptr);
}

// The window's client area, read back from the screen, bottom-up 24-bit rows.
std::vector<std::uint8_t> ReadClientArea(HWND window, int width, int height) {
  HDC windowDC = GetDC(window);
  HDC memoryDC = CreateCompatibleDC(windowDC);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(windowDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = SelectObject(memoryDC, bitmap);
  BitBlt(memoryDC, 0, 0, width, height, windowDC, 0, 0, SRCCOPY);
  GdiFlush();
  const int stride = (width * 3 + 3) / 4 * 4;
  std::vector<std::uint8_t> pixels(static_cast<const std::uint8_t*>(bits),
                                   static_cast<const std::uint8_t*>(bits) + stride * height);
  SelectObject(memoryDC, previous);
  DeleteObject(bitmap);
  DeleteDC(memoryDC);
  ReleaseDC(window, windowDC);
  return pixels;
}

TEST_F(WindowedAcquisitionTest, ThePreviewWindowShowsTheFrameTheApplicationGot) {
  // The whole sensor at a quarter of its size: the preview window's client
  // area is the image's own size, so the frame is blitted unscaled.
  Release(Open());
  StoredSettings::Write("", "SubSample", 2);
  KelvoHandle camera = Open();
  ASSERT_EQ(Kelvo_SetExposureTime(camera, 500), 1);
  const int stride = 320 * 3;
  std::vector<std::uint8_t> frame(stride * 240);
  ASSERT_EQ(Kelvo_CallBackPreview(camera, notify.get(), frame.data(), int(frame.size()), 1), 1);
  MSG message;
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(notify.NextFrameNotice(message, std::chrono::seconds(3)));
  HWND preview = static_cast<HWND>(CameraOf(camera)->previewWindow);
  RECT client;
  ASSERT_TRUE(GetClientRect(preview, &client));
  ASSERT_EQ(client.right, 320);
  ASSERT_EQ(client.bottom, 240);
  ASSERT_EQ(Kelvo_StopPreview(camera), 1);  // the last frame stays in window and buffer
  std::vector<std::uint8_t> shown = ReadClientArea(preview, 320, 240);

  // The buffer holds stored rows in order; the window shows stored row 0 at the top.
  int differing = 0;
  for (int y = 0; y < 240; ++y) {
    const std::uint8_t* screenRow = &shown[(239 - y) * stride];
    differing += std::memcmp(screenRow, &frame[y * stride], stride) != 0;
  }
  EXPECT_EQ(differing, 0);

  FrameImage screenshot;
  ASSERT_EQ(screenshot.Create(320, 240, 24), 1);
  // The PNG writer takes stored row 0 as the top row; the read-back is bottom-up.
  for (int y = 0; y < 240; ++y) std::memcpy(screenshot.Row(y), &shown[(239 - y) * stride], stride);
  auto file = std::filesystem::current_path() / "live-preview.png";
  EXPECT_EQ(SaveImage(file.string().c_str(), &screenshot, kSavePng), 1);
  EXPECT_EQ(Kelvo_Close(camera), 1);
}

TEST_F(WindowedAcquisitionTest, AHundredStartsLeaveNoHandleBehind) {
  KelvoHandle camera = Open();
  // Child windows: a top-level window takes Wine seconds to go without a window manager.
  ASSERT_EQ(Kelvo_SetPreviewWindow(camera, notify.get(), 0, 0, 64, 48), 1);
  auto cycle = [&] {
    ASSERT_EQ(Kelvo_CallBackPreview(camera, notify.get(), nullptr, 0, 1), 1);
    ASSERT_EQ(Kelvo_StopPreview(camera), 1);
    ASSERT_EQ(Kelvo_Close(camera), 1);
  };
  cycle();  // the first start makes what the process keeps anyway
  DWORD before = 0, after = 0;
  GetProcessHandleCount(GetCurrentProcess(), &before);
  for (int i = 0; i < 100; ++i) cycle();
  GetProcessHandleCount(GetCurrentProcess(), &after);
  EXPECT_LE(after, before + 2);
  EXPECT_EQ(Errors(camera), std::vector<int>{});
}

TEST_F(WindowedAcquisitionTest, AReleaseFromAnotherThreadStopsTheWorkerAndClosesTheWindow) {
  KelvoHandle camera = Kelvo_Initialize(nullptr);
  ASSERT_EQ(Kelvo_SetPreviewWindow(camera, notify.get(), 0, 0, 64, 48), 1);
  ASSERT_EQ(Kelvo_CallBackPreview(camera, notify.get(), nullptr, 0, 1), 1);
  HWND preview = static_cast<HWND>(CameraOf(camera)->previewWindow);
  MSG message;
  ASSERT_TRUE(notify.NextFrameNotice(message, std::chrono::seconds(3)));
  std::thread([camera] { EXPECT_EQ(Kelvo_Release(camera), 1); }).join();
  EXPECT_EQ(Kelvo_GetColorMode(camera), -1);
  // The window belongs to this thread: it goes at this thread's next messages.
  auto deadline = Clock::now() + std::chrono::seconds(3);
  while (IsWindow(preview) && Clock::now() < deadline) {
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  EXPECT_FALSE(IsWindow(preview));
}

bool ClassIsRegistered(const std::string& name) {
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof windowClass;
  return GetClassInfoExA(GetModuleHandleA(nullptr), name.c_str(), &windowClass) != 0;
}

// A camera released from another thread only asks the window's thread to
// close the window; once that thread has dispatched, the window, its device
// context and its class are all gone, so a long-running application never
// runs out of classes.
TEST_F(WindowedAcquisitionTest, AReleaseFromAnotherThreadLeavesNoClassOnceTheWindowHasGone) {
  constexpr int kReleases = 20;
  int classesLeft = 0;
  for (int release = 0; release < kReleases; ++release) {
    KelvoHandle camera = Open();
    ASSERT_EQ(Kelvo_SetPreviewWindow(camera, notify.get(), 0, 0, 64, 48), 1);
    ASSERT_EQ(Kelvo_Preview(camera), 1);
    auto window = static_cast<HWND>(CameraOf(camera)->previewWindow);
    const std::string className = CameraOf(camera)->windowClassName;
    std::thread([camera] { EXPECT_EQ(Kelvo_Release(camera), 1); }).join();
    Forget(camera);
    auto deadline = Clock::now() + std::chrono::seconds(5);
    while ((IsWindow(window) || ClassIsRegistered(className)) && Clock::now() < deadline) {
      MSG message;
      while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
      std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    EXPECT_FALSE(IsWindow(window));
    classesLeft += ClassIsRegistered(className) ? 1 : 0;
  }
  EXPECT_EQ(classesLeft, 0);
}

}  // namespace
}  // namespace kelvo::testing
#endif
