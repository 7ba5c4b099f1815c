// The camera format dialog under Wine, driven from a second thread: the
// stored table it shows, what OK, Apply and Cancel store, and the restart of
// the acquisition around it.
#include <gtest/gtest.h>

#include "support/emulated_sdk.h"
#include "support/test_window.h"
#include "wine/dialog_driver.h"

namespace kelvo::testing {
namespace {

constexpr int kApply = 1002, kColorList = 1009, kSizeList = 1010, kWaitTime = 1045;
constexpr int kSizeEdits[] = {1039, 1040, 1041, 1042, 1043, 1044};

class CameraFormatDialogTest : public EmulatedSdkTest {
 protected:
  int RunDialog(KelvoHandle camera, const std::function<void(HWND)>& script) {
    return DriveDialog([&] { return Kelvo_SetCameraDlg(camera, owner.get()); }, script);
  }
  TestWindow owner;
};

TEST_F(CameraFormatDialogTest, FirstRunShowsTheDefaultSizeAndOnlyColourAndWaitTimeAreUsable) {
  KelvoHandle camera = Open();  // the first run writes Size_00 and the format values
  EXPECT_EQ(RunDialog(camera,
                      [](HWND dialog) {
                        EXPECT_EQ(ListEntries(dialog, kSizeList),
                                  (std::vector<std::string>{"1280 x 960", "Custom"}));
                        EXPECT_EQ(ListSelection(dialog, kSizeList), 0);
                        EXPECT_EQ(Text(dialog, kColorList), "Color 24bit");
                        EXPECT_EQ(Text(dialog, kWaitTime), "10");
                        EXPECT_EQ(Text(dialog, 1041), "1280");
                        EXPECT_EQ(Text(dialog, 1042), "960");
                        for (int id : {kColorList, kWaitTime, 1, 2}) {
                          EXPECT_TRUE(IsWindowEnabled(Item(dialog, id))) << id;
                        }
                        for (int id : {kApply, kSizeList, 1012, 1014, 1039, 1044}) {
                          EXPECT_FALSE(IsWindowEnabled(Item(dialog, id))) << id;
                        }
                        Select(dialog, kColorList, 3);
                        EXPECT_TRUE(IsWindowEnabled(Item(dialog, kApply)));
                        Click(dialog, kApply);
                        EXPECT_FALSE(IsWindowEnabled(Item(dialog, kApply)));
                        Click(dialog, IDCANCEL);
                      }),
            1);
  EXPECT_EQ(StoredSettings::Read("", "Color"), 3);  // Apply stored it
  EXPECT_EQ(Kelvo_GetColorMode(camera), 24);        // Cancel: the camera did not reload
}

TEST_F(CameraFormatDialogTest, WaitTimeFiftyOnOkRestartsThePreviewWithIt) {
  KelvoHandle camera = Open();
  ASSERT_EQ(Kelvo_StartPreview(camera), 1);
  const std::uint32_t firstWorker = CameraOf(camera)->workerThreadId;
  EXPECT_EQ(RunDialog(camera,
                      [&](HWND dialog) {
                        // The preview is stopped while the dialog is open.
                        EXPECT_EQ(CameraOf(camera)->state, StateIdle);
                        Type(dialog, kWaitTime, "50");
                        EXPECT_TRUE(IsWindowEnabled(Item(dialog, kApply)));
                        Click(dialog, IDOK);
                      }),
            1);
  EXPECT_EQ(StoredSettings::Read("", "WaitTime"), 50);
  EXPECT_EQ(Kelvo_GetWaitTime(camera), 50);
  EXPECT_EQ(CameraOf(camera)->state, StatePreview);
  EXPECT_NE(CameraOf(camera)->workerThreadId, firstWorker);
  EXPECT_EQ(Kelvo_StopPreview(camera), 1);
}

TEST_F(CameraFormatDialogTest, TriggerModeIsPausedWhileTheDialogIsOpen) {
  UseEmulator(1, 50);  // a trigger every 50 ms
  KelvoHandle camera = Open();
  ASSERT_EQ(Kelvo_Trigger(camera, owner.get(), nullptr, 0, 1), 1);
  EXPECT_EQ(RunDialog(camera,
                      [&](HWND dialog) {
                        EXPECT_EQ(CameraOf(camera)->workerRun, WorkerPause);
                        Click(dialog, IDCANCEL);
                      }),
            1);
  EXPECT_EQ(CameraOf(camera)->workerRun, WorkerRunning);
  EXPECT_EQ(CameraOf(camera)->state, StateTrigger);
  EXPECT_EQ(Kelvo_Close(camera), 1);
}

TEST_F(CameraFormatDialogTest, ACustomRowAppliedBecomesARowBeforeTheCustomEntry) {
  KelvoHandle camera = Open();
  EXPECT_EQ(RunDialog(camera,
                      [](HWND dialog) {
                        Select(dialog, kSizeList, 1);  // "Custom"
                        const char* values[] = {"1280", "960", "640", "480", "16", "8"};
                        for (int i = 0; i < 6; ++i) Type(dialog, kSizeEdits[i], values[i]);
                        Click(dialog, kApply);
                        EXPECT_EQ(ListEntries(dialog, kSizeList),
                                  (std::vector<std::string>{"1280 x 960", "640 x 480", "Custom"}));
                        EXPECT_EQ(ListSelection(dialog, kSizeList), 1);
                        Click(dialog, IDOK);
                      }),
            1);
  EXPECT_EQ(StoredSettings::Read("", "Size"), 1);
  EXPECT_EQ(StoredSettings::Read("Size_01", "EH"), 640);
  EXPECT_EQ(StoredSettings::Read("Size_01", "EVS"), 8);
  EXPECT_EQ(StoredSettings::Read("Size_01", "Buf"), 10);
  EXPECT_EQ(CameraOf(camera)->width, 640);  // OK reloads the size
}

// Cases the controls cannot produce, from stored tables: the row index stays
// inside the hundred rows and nothing is written beyond them.
TEST_F(CameraFormatDialogTest, AStoredSizeOutsideTheTableAndAFullTableAreLeftAlone) {
  Release(Open());
  StoredSettings::Write("", "Size", 7);
  KelvoHandle camera = Open();
  EXPECT_EQ(RunDialog(camera,
                      [](HWND dialog) {
                        EXPECT_EQ(ListSelection(dialog, kSizeList), CB_ERR);
                        Type(dialog, kWaitTime, "20");
                        Click(dialog, IDOK);
                      }),
            1);
  EXPECT_EQ(StoredSettings::Read("", "Size"), 7);
  EXPECT_EQ(StoredSettings::Read("", "WaitTime"), 20);
  EXPECT_FALSE(StoredSettings::Exists("Size_01"));
  EXPECT_FALSE(StoredSettings::Exists("Size_07"));

  char name[16];
  for (int row = 0; row < 100; ++row) {
    std::snprintf(name, sizeof name, "Size_%02d", row);
    for (const char* value : {"TH", "TV", "EH", "EV", "EHS", "EVS", "Buf"}) {
      StoredSettings::Write(name, value, std::strcmp(value, "EH") == 0 ? 1280 - row : 10);
    }
  }
  EXPECT_EQ(RunDialog(camera,
                      [](HWND dialog) {
                        EXPECT_EQ(ListEntries(dialog, kSizeList).size(), 101u);
                        Select(dialog, kSizeList, 100);
                        Click(dialog, kApply);
                        EXPECT_EQ(ListEntries(dialog, kSizeList).size(), 101u);
                        Click(dialog, IDCANCEL);
                      }),
            1);
  EXPECT_EQ(StoredSettings::Read("", "Size"), 100);
  EXPECT_FALSE(StoredSettings::Exists("Size_100"));
  EXPECT_EQ(StoredSettings::Read("Size_99", "EH"), 1181);
}

}  // namespace
}  // namespace kelvo::testing
