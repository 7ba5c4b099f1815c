// The dialog exports when no dialog can be shown (no windows on Linux; under
// Windows the templates' module made unreachable): each behaves as after
// Cancel and returns 1; a camera without its objects refuses with Err 1.
// Where there are no windows a scripted user also plays the open dialogs: one
// dialog of a kind at a time, and Cancel against the automatic settings.
#include "dialogs/settings_dialogs.h"

#include <gtest/gtest.h>

#include <random>

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

#ifndef _WIN32
using dialogs::UserStep;

class ScriptedDialogsTest : public EmulatedSdkTest {
 protected:
  void TearDown() override {
    dialogs::PlayUserForTesting({});
    EmulatedSdkTest::TearDown();
  }

  // Once a frame that was being converted has been finished: copying the
  // image waits for it.
  static void AwaitFrameInHand(KelvoHandle camera) {
    std::vector<std::uint8_t> frame(1280 * 3 * 960);
    EXPECT_EQ(Kelvo_GetImage(camera, frame.data(), int(frame.size()), 1), 1);
  }
};

constexpr int kBrightnessEdit = 2002;
constexpr int kAllFramesBox = 1035;
constexpr int kAutoGainBox = 1036;

// Camera B asks for a dialog of the kind camera A has open: B gets 0 and
// Err 4 with its preview and records untouched; dialogs of the other kinds
// still open; and once A's dialog has ended B's opens.
TEST_F(ScriptedDialogsTest, ASecondDialogOfAnOpenKindIsRefusedAndTouchesNothing) {
  KelvoHandle a = Open();
  KelvoHandle b = Open();
  for (std::size_t kind = 0; kind < std::size(kDialogExports); ++kind) {
    SCOPED_TRACE(kind);
    DialogExport open = kDialogExports[kind];
    ASSERT_EQ(Kelvo_SetFilterValue(b, 1, 25), 1);
    ASSERT_EQ(Kelvo_StartPreview(b), 1);
    const std::uint32_t worker = CameraOf(b)->workerThreadId;
    const FilterSnapshot filters = Snapshot(CameraOf(b)->filterBlock);
    const SensorSnapshot sensor = Snapshot(CameraOf(b)->analogBlock);
    Errors(b);
    dialogs::PlayUserForTesting({UserStep::Type(kBrightnessEdit, 40), UserStep::During([&] {
                                   EXPECT_EQ(open(b, nullptr), 0);
                                   EXPECT_EQ(Errors(b), std::vector<int>{KELVO_ERR_WINDOW});
                                   for (DialogExport other : kDialogExports) {
                                     if (other != open) {
                                       EXPECT_EQ(other(a, nullptr), 1);
                                     }
                                   }
                                 }),
                                 UserStep::Ok()});
    EXPECT_EQ(open(a, nullptr), 1);
    EXPECT_EQ(CameraOf(b)->state, StatePreview);
    EXPECT_EQ(CameraOf(b)->workerThreadId, worker);
    EXPECT_EQ(Snapshot(CameraOf(b)->filterBlock).values, filters.values);
    EXPECT_EQ(Snapshot(CameraOf(b)->analogBlock).values, sensor.values);
    dialogs::PlayUserForTesting({UserStep::Cancel()});
    EXPECT_EQ(open(b, nullptr), 1);
    ASSERT_EQ(Kelvo_StopPreview(b), 1);
    Errors(b);
    Errors(a);
  }
  EXPECT_EQ(Kelvo_GetFilterValue(a, 1, nullptr), 40);  // A's dialog worked on A
}

// The user switches an automatic setting on, the worker measures, and Cancel
// comes while a frame may be in the middle of its measurement: afterwards the
// records, and the sensor, hold what they held before the dialog.
TEST_F(ScriptedDialogsTest, CancelPutsBackWhatTheAutomaticSettingsChanged) {
  KelvoHandle camera = Open();
  ASSERT_EQ(Kelvo_SetFilterValue(camera, KELVO_FILTER_BAYER_GAIN_RED, 250), 1);
  ASSERT_EQ(Kelvo_SetGlobalGain(camera, 1000), 1);
  ASSERT_EQ(Kelvo_StartPreview(camera), 1);
  std::minstd_rand random(23);
  Camera& held = *CameraOf(camera);
  for (int round = 0; round < 100; ++round) {
    SCOPED_TRACE(round);
    const int waited = static_cast<int>(random() % 40);
    dialogs::PlayUserForTesting(
        {UserStep::Click(kAllFramesBox), UserStep::Wait(waited), UserStep::Cancel()});
    ASSERT_EQ(Kelvo_SetImageDlg(camera, nullptr), 1);
    dialogs::PlayUserForTesting(
        {UserStep::Click(kAutoGainBox), UserStep::Wait(waited), UserStep::Cancel()});
    ASSERT_EQ(Kelvo_SetAnalogDlg(camera, nullptr), 1);
    AwaitFrameInHand(camera);
    ASSERT_EQ(held.filterBlock.colorGainRed, 250);
    ASSERT_EQ(held.filterBlock.whiteBalanceAuto, 0);
    ASSERT_EQ(held.analogBlock.globalGain, 1000);
    ASSERT_EQ(held.analogBlock.autoIrisMode, 0);
    ASSERT_EQ(emulator->Camera(0).Register(kRegisterGain), kGainWriteFlag | 1000);
  }
  EXPECT_EQ(Kelvo_StopPreview(camera), 1);
}
#endif

}  // namespace
}  // namespace kelvo::testing
