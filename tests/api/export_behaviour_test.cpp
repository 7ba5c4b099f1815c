// What the exports do for a registered camera whose initialisation failed:
// the allocation seam makes its first object fail, so it has no device link.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "KelvoSdk_Q12.h"
#include "camera/object_allocation.h"
#include "platform/notices.h"
#include "platform/settings_store.h"
#include "settings/registry_settings.h"

namespace {

class ExportBehaviourTest : public ::testing::Test {
 protected:
  void SetUp() override {
    kelvo::FailCameraAllocationForTesting(0);
    camera = Kelvo_Initialize(nullptr);
    ASSERT_NE(camera, 0u);
    EXPECT_EQ(Kelvo_GetLastError(camera), KELVO_ERR_BUFFER);
    EXPECT_EQ(Kelvo_GetLastError(camera), 0);
  }
  void TearDown() override {
    kelvo::FailCameraAllocationForTesting(-1);
    EXPECT_EQ(Kelvo_Release(camera), 1);
  }

  KelvoHandle camera = 0;
};

TEST_F(ExportBehaviourTest, IdentityAndFixedAnswers) {
  EXPECT_EQ(Kelvo_GetDllVersion(), 1901826);
  EXPECT_EQ(Kelvo_Width(camera), 1280);
  EXPECT_EQ(Kelvo_Height(camera), 960);
  EXPECT_EQ(Kelvo_GetColorMode(camera), 8);
  EXPECT_EQ(Kelvo_GetStatus(camera, 5), 0);
  EXPECT_EQ(Kelvo_GetMirrorH(camera), 0);
  EXPECT_EQ(Kelvo_GetSubSample(camera), 0);
  for (auto getter : {Kelvo_GetHalfClock, Kelvo_GetSamplingRate, Kelvo_GetVideoFormat}) {
    int value = 7;
    EXPECT_EQ(getter(camera, &value), 0);
    EXPECT_EQ(value, 0);
    EXPECT_EQ(getter(camera, nullptr), 0);
  }
  EXPECT_EQ(Kelvo_GetLastError(camera), 0);
}

TEST_F(ExportBehaviourTest, UnsupportedOperationsRecordErrorEleven) {
  using Unsupported = int KELVO_CALL(KelvoHandle, ...);
  for (Unsupported* operation :
       {Kelvo_Fpga_ReadRegister, Kelvo_Fpga_WriteRegister, Kelvo_Fps, Kelvo_GetCameraType,
        Kelvo_GetCaptureWindowEx, Kelvo_GetIOPort, Kelvo_Record, Kelvo_SetCameraType,
        Kelvo_SetCaptureWindow, Kelvo_SetCaptureWindowEx, Kelvo_SetCrossbar, Kelvo_SetHalfClock,
        Kelvo_SetIOPort, Kelvo_SetMirrorH, Kelvo_SetSamplingRate, Kelvo_SetSubSample}) {
    EXPECT_EQ(operation(camera, 1, 2, 3), 0);
    EXPECT_EQ(Kelvo_GetLastError(camera), KELVO_ERR_NOT_SUPPORTED);
  }
  EXPECT_EQ(Kelvo_SetSubSample(camera, 1), 0);
  EXPECT_EQ(Kelvo_SetFilterValue(camera, 1, 0), 0);  // records Err 1 before it
  EXPECT_EQ(Kelvo_SetSubSample(camera, 1), 0);
  EXPECT_EQ(Kelvo_GetLastError(camera), KELVO_ERR_NOT_SUPPORTED);
  EXPECT_EQ(Kelvo_GetLastError(camera), KELVO_ERR_NO_DEVICE);
  EXPECT_EQ(Kelvo_GetLastError(camera), KELVO_ERR_NOT_SUPPORTED);
  EXPECT_EQ(Kelvo_GetLastError(camera), 0);
}

TEST_F(ExportBehaviourTest, SettingsThatNeedNoDevice) {
  EXPECT_EQ(Kelvo_SetWaitTime(camera, -1), 0);
  EXPECT_EQ(Kelvo_GetWaitTime(camera), 10);
  EXPECT_EQ(Kelvo_GetLastError(camera), 0);
  EXPECT_EQ(Kelvo_SetWaitTime(camera, 0), 1);
  EXPECT_EQ(Kelvo_GetWaitTime(camera), 0);

  EXPECT_EQ(Kelvo_SetAutoIris(camera, 3), 0);
  EXPECT_EQ(Kelvo_GetLastError(camera), KELVO_ERR_ARGUMENT);
  EXPECT_EQ(Kelvo_SetAutoIris(camera, -1), 0);
  EXPECT_EQ(Kelvo_GetLastError(camera), KELVO_ERR_ARGUMENT);
  EXPECT_EQ(Kelvo_SetAutoIris(camera, 2), 1);
  int ok = 0;
  EXPECT_EQ(Kelvo_GetAutoIris(camera, &ok), 2);
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(Kelvo_GetAutoIris(camera, nullptr), 2);

  EXPECT_EQ(Kelvo_SetColorMode(camera, 12), 0);
  EXPECT_EQ(Kelvo_GetLastError(camera), KELVO_ERR_ARGUMENT);
  EXPECT_EQ(Kelvo_SetColorMode(camera, 48), 1);
  EXPECT_EQ(Kelvo_GetColorMode(camera), 48);
  EXPECT_EQ(Kelvo_GetLastError(camera), 0);
}

// Without a device link a camera refuses every device operation with Err 1,
// clears the ok flags it is given, and leaves the other outputs alone.
TEST_F(ExportBehaviourTest, OperationsNeedingTheDeviceRecordErrorOne) {
  char names[KELVO_DEVICE_NAME_SLOT * KELVO_DEVICE_NAME_SLOTS] = "untouched";
  CameraInfo info = {sizeof(CameraInfo), 77, 0, 0, 0, {0, 0}, 0, 0};
  unsigned char buffer[16] = {};
  int ok = 5;
  const std::vector<std::pair<std::string, std::function<int()>>> operations = {
      {"SetDeviceNumber", [&] { return Kelvo_SetDeviceNumber(camera, 0); }},
      {"EnumDevice", [&] { return Kelvo_EnumDevice(camera, names); }},
      {"GetDeviceName", [&] { return Kelvo_GetDeviceName(camera, 0, names, 256); }},
      {"GetCameraInfo", [&] { return Kelvo_GetCameraInfo(camera, &info); }},
      {"SetPreviewWindow", [&] { return Kelvo_SetPreviewWindow(camera, nullptr, 0, 0, 64, 48); }},
      {"StartPreview", [&] { return Kelvo_StartPreview(camera); }},
      {"StopPreview", [&] { return Kelvo_StopPreview(camera); }},
      {"Capture", [&] { return Kelvo_Capture(camera); }},
      {"SnapShot", [&] { return Kelvo_SnapShot(camera, buffer, sizeof buffer, 1); }},
      {"Trigger", [&] { return Kelvo_Trigger(camera, nullptr, buffer, sizeof buffer, 1); }},
      {"GetImage", [&] { return Kelvo_GetImage(camera, buffer, sizeof buffer, 0); }},
      {"SaveImage", [&] { return Kelvo_SaveImage(camera, "never-written.bmp", 0); }},
      {"SetCameraDlg", [&] { return Kelvo_SetCameraDlg(camera, nullptr); }},
      {"SetImageDlg", [&] { return Kelvo_SetImageDlg(camera, nullptr); }},
      {"SetAnalogDlg", [&] { return Kelvo_SetAnalogDlg(camera, nullptr); }},
      {"SetFilterValue", [&] { return Kelvo_SetFilterValue(camera, 1, 0); }},
      {"SetBrightness", [&] { return Kelvo_SetBrightness(camera, 0); }},
      {"GetFilterValue", [&] { return Kelvo_GetFilterValue(camera, 1, &ok); }},
      {"GetGamma", [&] { return Kelvo_GetGamma(camera, &ok); }},
      {"SetMirrorV", [&] { return Kelvo_SetMirrorV(camera, 1); }},
      {"GetMirrorV", [&] { return Kelvo_GetMirrorV(camera); }},
      {"WriteRegister", [&] { return Kelvo_WriteRegister(camera, 0x104, 0x12345); }},
      {"ReadRegister", [&] { return Kelvo_ReadRegister(camera, 4, &ok); }},
      {"WriteSromID", [&] { return Kelvo_WriteSromID(camera, 0, 1); }},
      {"ReadSromID", [&] { return Kelvo_ReadSromID(camera, 0, &ok); }},
  };
  for (const auto& [name, operation] : operations) {
    ok = 5;
    EXPECT_EQ(operation(), 0) << name;
    std::vector<int> recorded;
    for (int code; (code = Kelvo_GetLastError(camera)) != 0;) recorded.push_back(code);
    EXPECT_FALSE(recorded.empty()) << name;
    for (int code : recorded) EXPECT_EQ(code, KELVO_ERR_NO_DEVICE) << name;
    EXPECT_TRUE(ok == 5 || ok == 0) << name;
  }
  EXPECT_STREQ(names, "untouched");
  EXPECT_EQ(info.width, 77);
  EXPECT_EQ(Kelvo_GetFilterValue(camera, 1, &ok), 0);
  EXPECT_EQ(ok, 0);
}

// The window-backed starts make their window before they look at the device.
TEST_F(ExportBehaviourTest, WindowBackedStartsMakeTheirWindowFirst) {
#ifdef _WIN32
  // The window comes up; the start then needs the device, and so does the close's stop.
  const std::vector<int> expected = {KELVO_ERR_NO_DEVICE, KELVO_ERR_NO_DEVICE};
#else
  const std::vector<int> expected = {KELVO_ERR_WINDOW};  // no windows here
#endif
  unsigned char buffer[16] = {};
  for (int start = 0; start < 2; ++start) {
    EXPECT_EQ(start == 0 ? Kelvo_Preview(camera)
                         : Kelvo_CallBackPreview(camera, nullptr, buffer, sizeof buffer, 1),
              0);
    std::vector<int> recorded;
    for (int code; (code = Kelvo_GetLastError(camera)) != 0;) recorded.push_back(code);
    EXPECT_EQ(recorded, expected) << start;
  }
}

TEST_F(ExportBehaviourTest, CloseAlwaysSucceeds) {
  EXPECT_EQ(Kelvo_Close(camera), 1);
  EXPECT_EQ(Kelvo_Close(camera), 1);
}

TEST(ExportLifecycleTest, ReleaseTwiceAndAfterwards) {
  KelvoHandle camera = Kelvo_Initialize(nullptr);
  ASSERT_NE(camera, 0u);
  EXPECT_EQ(Kelvo_Release(camera), 1);
  EXPECT_EQ(Kelvo_Release(camera), 0);
  EXPECT_EQ(Kelvo_GetColorMode(camera), -1);
  EXPECT_EQ(Kelvo_GetColorMode(0), -1);
  kelvo::platform::DeleteUserSettingsForTesting(kelvo::settings::kSettingsKeyPath);
}

TEST(ExportLifecycleTest, ManyCamerasGetDistinctNonZeroHandles) {
  // Without an emulator the cameras come up on the driver, which finds no device.
  std::vector<KelvoHandle> cameras;
  for (int i = 0; i < 50; ++i) cameras.push_back(Kelvo_Initialize(nullptr));
  for (std::size_t i = 0; i < cameras.size(); ++i) {
    EXPECT_NE(cameras[i], 0u);
    for (std::size_t j = 0; j < i; ++j) EXPECT_NE(cameras[i], cameras[j]);
  }
  for (KelvoHandle camera : cameras) EXPECT_EQ(Kelvo_Release(camera), 1);
  kelvo::platform::DeleteUserSettingsForTesting(kelvo::settings::kSettingsKeyPath);
}

#ifndef _WIN32
TEST(ExportNoticeTest, InitialisationFailureIsPostedToTheApplicationWindow) {
  kelvo::platform::TakeRecordedNotices();
  int window = 0;
  kelvo::FailCameraAllocationForTesting(0);
  KelvoHandle camera = Kelvo_Initialize(&window);
  EXPECT_EQ(Kelvo_SetSubSample(camera, 1), 0);
  std::vector<kelvo::platform::Notice> expected = {{&window, 0x8003, 0, KELVO_ERR_BUFFER},
                                                   {&window, 0x8003, 0, KELVO_ERR_NOT_SUPPORTED}};
  EXPECT_EQ(kelvo::platform::TakeRecordedNotices(), expected);
  Kelvo_Release(camera);
}
#endif

}  // namespace
