// The dialog exports when no dialog can be shown (no windows on Linux; under
// Windows the templates' module made unreachable): each behaves as after
// Cancel and returns 1; a camera without its objects refuses with Err 1.
#include "dialogs/settings_dialogs.h"

#include <gtest/gtest.h>

#include "platform/driver_protocol_numbers.h"
#include "support/emulated_sdk.h"

namespace kelvo::testing {
namespace {

class SettingsDialogsTest : public EmulatedSdkTest {
 protected:
  void SetUp() override {
    EmulatedSdkTest::SetUp();
    dialogs::FailDialogModuleForTesting(true);
  }
  void TearDown() override {
    dialogs::FailDialogModuleForTesting(false);
    EmulatedSdkTest::TearDown();
  }
};

using DialogExport = int(KELVO_CALL*)(KelvoHandle, KelvoWindow);
constexpr DialogExport kDialogExports[] = {Kelvo_SetCameraDlg, Kelvo_SetImageDlg,
                                           Kelvo_SetAnalogDlg};

TEST_F(SettingsDialogsTest, ACameraWithoutItsObjectsRefusesEveryDialog) {
  FailCameraAllocationForTesting(0);
  KelvoHandle camera = Open();
  Errors(camera);
  for (DialogExport open : kDialogExports) {
    EXPECT_EQ(open(camera, nullptr), 0);
    EXPECT_EQ(Errors(camera), std::vector<int>{KELVO_ERR_NO_DEVICE});
  }
}

TEST_F(SettingsDialogsTest, TheCameraDialogRestartsAPreviewWithoutReloading) {
  KelvoHandle camera = Open();
  ASSERT_EQ(Kelvo_StartPreview(camera), 1);
  const std::uint32_t firstWorker = CameraOf(camera)->workerThreadId;
  StoredSettings::Write("", "WaitTime", 40);
  EXPECT_EQ(Kelvo_SetCameraDlg(camera, nullptr), 1);
  EXPECT_EQ(CameraOf(camera)->state, StatePreview);
  EXPECT_NE(CameraOf(camera)->workerThreadId, firstWorker);
  EXPECT_EQ(Kelvo_GetWaitTime(camera), 10);
  EXPECT_EQ(Kelvo_StopPreview(camera), 1);
  EXPECT_EQ(Errors(camera), std::vector<int>{});
}

TEST_F(SettingsDialogsTest, TheFilterDialogLeavesTheBlockAndTheAnalogDialogRewritesTheSensor) {
  KelvoHandle camera = Open();
  ASSERT_EQ(Kelvo_SetFilterValue(camera, 1, 25), 1);
  ASSERT_EQ(Kelvo_SetGlobalGain(camera, 321), 1);
  const FilterSnapshot before = Snapshot(CameraOf(camera)->filterBlock);
  EXPECT_EQ(Kelvo_SetImageDlg(camera, nullptr), 1);
  EXPECT_EQ(Snapshot(CameraOf(camera)->filterBlock).values, before.values);

  emulator->EnableTrace(true);
  EXPECT_EQ(Kelvo_SetAnalogDlg(camera, nullptr), 1);
  int gainWrites = 0;
  for (const auto& entry : emulator->TakeTrace()) {
    gainWrites += entry.bytes.size() == 64 && entry.bytes[0] == kCommandWriteRegister &&
                  (entry.bytes[3] | entry.bytes[4] << 8) == kRegisterGain &&
                  (entry.bytes[5] | entry.bytes[6] << 8) == (kGainWriteFlag | 321);
  }
  EXPECT_EQ(gainWrites, 1);
  EXPECT_EQ(CameraOf(camera)->analogBlock.globalGain, 321);
  EXPECT_EQ(CameraOf(camera)->imageDialog.load(), nullptr);
  EXPECT_EQ(CameraOf(camera)->analogDialog.load(), nullptr);
}

}  // namespace
}  // namespace kelvo::testing
