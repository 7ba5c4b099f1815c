// The image filter dialog under Wine, driven from a second thread: the rows
// and pages per colour mode, live edits of the filter block, Default, OK and
// Cancel, the white-balance and gray-balance buttons, and the refresh that
// the white balance posts while a preview runs.
#include <gtest/gtest.h>

#include <set>

#include "dialogs/dialog_rows.h"
#include "support/emulated_sdk.h"
#include "support/test_window.h"
#include "wine/dialog_driver.h"

namespace kelvo::testing {
namespace {

using dialogs::kFilterPageRows;
using dialogs::kGrayPageRows;

constexpr int kDefault = 3, kOnce = 2074, kAllFrames = 1035;
constexpr int kColourControls[] = {kOnce, kAllFrames, 1030, 1031, 1032, 1033};

class ImageFilterDialogTest : public EmulatedSdkTest {
 protected:
  void SetUp() override {
    EmulatedSdkTest::SetUp();
    camera = Open();
  }
  int RunDialog(const std::function<void(HWND sheet, HWND page)>& script) {
    return DriveDialog([&] { return Kelvo_SetImageDlg(camera, owner.get()); },
                       [&](HWND sheet) { script(sheet, PageWith(sheet, 2001)); });
  }
  FilterBlock& block() { return CameraOf(camera)->filterBlock; }

  TestWindow owner;
  KelvoHandle camera = 0;
};

struct ModeCase {
  int bitsPerPixel;
  int tabs;
  std::set<std::string> disabledRows;
  bool colourControls;
};

TEST_F(ImageFilterDialogTest, TheColourModeChoosesThePagesAndTheUsableRows) {
  const ModeCase cases[] = {
      {24, 1, {}, true},
      {8, 2, {"&Hue", "&Saturation", "&R Gain", "&G Gain", "&B Gain"}, false},
  };
  for (const ModeCase& mode : cases) {
    SCOPED_TRACE(mode.bitsPerPixel);
    ASSERT_EQ(Kelvo_SetColorMode(camera, mode.bitsPerPixel), 1);
    EXPECT_EQ(RunDialog([&](HWND sheet, HWND page) {
                HWND tab = Item(sheet, 1001);
                EXPECT_EQ(SendMessageW(tab, TCM_GETITEMCOUNT, 0, 0), mode.tabs);
                for (const auto& row : kFilterPageRows) {
                  const bool enabled = !mode.disabledRows.contains(row.label);
                  for (int id : {row.trackbar, row.edit, row.upDown}) {
                    EXPECT_EQ(IsWindowEnabled(Item(page, id)) != 0, enabled) << id;
                  }
                }
                for (int id : kColourControls) {
                  EXPECT_EQ(IsWindowEnabled(Item(page, id)) != 0, mode.colourControls) << id;
                }
                HWND grayPage = PageWith(sheet, 2100);
                EXPECT_EQ(grayPage != nullptr, mode.tabs == 2);
                if (grayPage == nullptr) return;
                EXPECT_FALSE(IsWindowVisible(grayPage));
                SelectTab(sheet, 1);
                EXPECT_TRUE(IsWindowVisible(grayPage));
                EXPECT_FALSE(IsWindowVisible(page));
                for (const auto& row : kGrayPageRows) {
                  EXPECT_TRUE(IsWindowEnabled(Item(grayPage, row.trackbar))) << row.trackbar;
                }
              }),
              1);
  }
}

TEST_F(ImageFilterDialogTest, EditsAndTrackbarsChangeTheBlockAtOnceAndCancelRestoresIt) {
  ASSERT_EQ(Kelvo_SetFilterValue(camera, 1, 12), 1);  // brightness
  EXPECT_EQ(RunDialog([&](HWND, HWND page) {
              EXPECT_EQ(Text(page, 2002), "12");
              EXPECT_EQ(TrackbarPosition(page, 2001), 12);
              Type(page, 2002, "300");  // the edit is not held to the trackbar's range
              EXPECT_EQ(block().brightness, 300);
              EXPECT_EQ(TrackbarPosition(page, 2001), 255);
              MoveTrackbar(page, 2001, 40);
              EXPECT_EQ(Text(page, 2002), "40");
              EXPECT_EQ(block().brightness, 40);
              MoveTrackbar(page, 2081, 150);
              EXPECT_EQ(block().gamma, 150);
              Click(page, 1032);
              EXPECT_EQ(block().bayerMode, 2);
              Click(GetParent(GetParent(page)), IDCANCEL);
            }),
            1);
  EXPECT_EQ(block().brightness, 12);
  EXPECT_EQ(block().gamma, 100);
  EXPECT_EQ(block().bayerMode, 0);
}

TEST_F(ImageFilterDialogTest, DefaultIsLiveAndOkKeepsItAsDoTheWhiteBalanceButtons) {
  block().gamma = 60;
  block().colorGainRed = 250;
  block().hue = 90;
  block().bayerMode = 3;
  EXPECT_EQ(RunDialog([&](HWND sheet, HWND page) {
              Click(sheet, kDefault);
              EXPECT_EQ(block().gamma, 100);
              EXPECT_EQ(block().colorGainRed, 100);
              EXPECT_EQ(block().hue, 0);
              EXPECT_EQ(block().bayerMode, 0);
              EXPECT_EQ(Text(page, 2082), "100");
              EXPECT_EQ(TrackbarPosition(page, 2051), 100);
              EXPECT_TRUE(IsChecked(page, 1030));

              Click(page, kAllFrames);
              EXPECT_EQ(block().whiteBalanceAuto, 1);
              EXPECT_EQ(block().AwbOnceA, 0);
              Click(page, kOnce);
              EXPECT_EQ(block().whiteBalanceAuto, 1);
              EXPECT_EQ(block().AwbOnceA, 1);
              EXPECT_EQ(block().AwbOnceB, 1);
              EXPECT_FALSE(IsChecked(page, kAllFrames));
              Click(sheet, IDOK);
            }),
            1);
  EXPECT_EQ(block().gamma, 100);
  EXPECT_EQ(block().colorGainRed, 100);
  EXPECT_EQ(block().AwbOnceB, 1);
}

TEST_F(ImageFilterDialogTest, TheGrayPageButtonsAndCancelPuttingBackTheGrayMode) {
  ASSERT_EQ(Kelvo_SetColorMode(camera, 8), 1);
  EXPECT_EQ(RunDialog([&](HWND sheet, HWND) {
              HWND gray = PageWith(sheet, 2100);
              ASSERT_NE(gray, nullptr);
              Click(gray, kAllFrames);
              EXPECT_EQ(block().grayBalanceCount, -1);
              Click(gray, kAllFrames);
              EXPECT_EQ(block().grayBalanceCount, 0);
              Click(gray, kOnce);
              EXPECT_EQ(block().grayBalanceCount, 1);
              Click(gray, 1047);
              EXPECT_EQ(block().grayMode, 2);
              MoveTrackbar(gray, 2100, 300);
              EXPECT_EQ(block().grayGainR, 300);
              Click(sheet, kDefault);
              EXPECT_EQ(block().grayGainR, 128);
              EXPECT_EQ(block().grayMode, 2);  // Default leaves the gray mode
              Click(sheet, IDCANCEL);
            }),
            1);
  EXPECT_EQ(block().grayBalanceCount, 0);
  EXPECT_EQ(block().grayMode, 0);
  EXPECT_EQ(block().grayGainR, 128);
}

TEST_F(ImageFilterDialogTest, TheWhiteBalanceOfARunningPreviewShowsItsGainsInTheDialog) {
  ASSERT_EQ(Kelvo_StartPreview(camera), 1);
  std::string shownRed;
  EXPECT_EQ(RunDialog([&](HWND sheet, HWND page) {
              Click(page, kOnce);
              // The measurement clears the switch and posts the new gains.
              EXPECT_TRUE(Eventually([&] {
                return block().whiteBalanceAuto == 0 &&
                       Text(page, 2052) == std::to_string(block().colorGainRed.load());
              }));
              shownRed = Text(page, 2052);
              Click(sheet, IDOK);
            }),
            1);
  EXPECT_NE(shownRed, "100");
  EXPECT_EQ(CameraOf(camera)->imageDialog.load(), nullptr);
  EXPECT_EQ(Kelvo_StopPreview(camera), 1);
}

}  // namespace
}  // namespace kelvo::testing
