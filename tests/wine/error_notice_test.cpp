// The error notice reaches a real window's message queue, as a customer's
// program linked against the DLL's import library receives it.
#include <gtest/gtest.h>
#include <windows.h>

#include "KelvoSdk_Q12.h"
#include "support/test_window.h"

namespace {

TEST(ErrorNoticeTest, EveryRecordedErrorIsPostedAsMessage0x8003) {
  kelvo::testing::TestWindow window;
  ASSERT_NE(window.get(), nullptr);
  MSG message;

  // No camera is attached here: the camera comes up on the driver and finds no device.
  KelvoHandle camera = Kelvo_Initialize(window.get());
  ASSERT_NE(camera, 0u);
  EXPECT_FALSE(window.Take(message));
  EXPECT_EQ(Kelvo_SetDeviceNumber(camera, 0), 0);
  ASSERT_TRUE(window.Take(message));
  EXPECT_EQ(message.message, 0x8003u);
  EXPECT_EQ(message.wParam, 0u);
  EXPECT_EQ(message.lParam, KELVO_ERR_DEVICE_ABSENT);
  EXPECT_FALSE(window.Take(message));

  EXPECT_EQ(Kelvo_SetSubSample(camera, 1), 0);
  ASSERT_TRUE(window.Take(message));
  EXPECT_EQ(message.hwnd, window.get());
  EXPECT_EQ(message.message, 0x8003u);
  EXPECT_EQ(message.wParam, 0u);
  EXPECT_EQ(message.lParam, KELVO_ERR_NOT_SUPPORTED);
  EXPECT_FALSE(window.Take(message));
  EXPECT_EQ(Kelvo_GetLastError(camera), KELVO_ERR_NOT_SUPPORTED);

  // Popping the history posts nothing; a refused wait time records nothing.
  EXPECT_EQ(Kelvo_SetWaitTime(camera, -1), 0);
  EXPECT_FALSE(window.Take(message));
  EXPECT_EQ(Kelvo_Release(camera), 1);
}

TEST(ErrorNoticeTest, NoWindowMeansNothingIsPosted) {
  KelvoHandle camera = Kelvo_Initialize(nullptr);
  EXPECT_EQ(Kelvo_SetSubSample(camera, 1), 0);
  MSG message;
  EXPECT_EQ(PeekMessageA(&message, nullptr, KELVO_MSG_FRAME, KELVO_MSG_ERROR, PM_REMOVE), 0);
  EXPECT_EQ(Kelvo_GetLastError(camera), KELVO_ERR_NOT_SUPPORTED);
  EXPECT_EQ(Kelvo_Release(camera), 1);
}

}  // namespace
