// The analog dialog under Wine, driven from a second thread: gain and
// exposure reaching the sensor as they change, Default, Cancel rewriting the
// device, the automatic-iris pair, the mirror's Bayer swap, and a running
// automatic exposure showing its values while the dialog is open.
#include <gtest/gtest.h>

#include "platform/driver_protocol_numbers.h"
#include "support/emulated_sdk.h"
#include "support/test_window.h"
#include "wine/dialog_driver.h"

namespace kelvo::testing {
namespace {

constexpr int kDefault = 3, kMirror = 1029, kAutoGain = 1036, kAutoExposure = 1037;
constexpr int kGainBar = 1014, kGainEdit = 1015, kExposureBar = 1026, kExposureEdit = 1027;

class AnalogDialogTest : public EmulatedSdkTest {
 protected:
  void SetUp() override {
    EmulatedSdkTest::SetUp();
    camera = Open();
  }
  int RunDialog(const std::function<void(HWND sheet, HWND page)>& script) {
    return DriveDialog([&] { return Kelvo_SetAnalogDlg(camera, owner.get()); },
                       [&](HWND sheet) { script(sheet, PageWith(sheet, kGainBar)); });
  }
  SensorRecord& sensor() { return CameraOf(camera)->analogBlock; }
  std::uint32_t GainRegister() { return emulator->Camera(0).Register(kRegisterGain); }
  // The values written to register, in order, since the last call.
  std::vector<std::uint32_t> Writes(std::uint8_t address) {
    std::vector<std::uint32_t> values;
    for (const auto& entry : emulator->TakeTrace()) {
      if (entry.bytes.size() == 64 && entry.bytes[0] == kCommandWriteRegister &&
          (entry.bytes[3] | entry.bytes[4] << 8) == address) {
        values.push_back(entry.bytes[5] | entry.bytes[6] << 8 | entry.bytes[7] << 16);
      }
    }
    return values;
  }

  TestWindow owner;
  KelvoHandle camera = 0;
};

TEST_F(AnalogDialogTest, TheGainTrackbarWritesTheSensorAtOnceAndCancelRestoresBoth) {
  ASSERT_EQ(Kelvo_SetGlobalGain(camera, 200), 1);
  emulator->EnableTrace(true);
  EXPECT_EQ(RunDialog([&](HWND sheet, HWND page) {
              EXPECT_EQ(Text(page, kGainEdit), "200");
              MoveTrackbar(page, kGainBar, 600);
              EXPECT_EQ(Text(page, kGainEdit), "600");
              EXPECT_EQ(sensor().globalGain, 600);
              std::vector<std::uint32_t> writes = Writes(kRegisterGain);
              ASSERT_FALSE(writes.empty());
              EXPECT_EQ(writes.back(), kGainWriteFlag | 600);
              Click(sheet, IDCANCEL);
            }),
            1);
  EXPECT_EQ(sensor().globalGain, 200);
  EXPECT_EQ(GainRegister(), kGainWriteFlag | 200);
}

TEST_F(AnalogDialogTest, DefaultWritesGainAndLowestExposureAndOkKeepsThem) {
  ASSERT_EQ(Kelvo_SetExposureTime(camera, 900), 1);
  sensor().colorGainR = 77;
  EXPECT_EQ(RunDialog([&](HWND sheet, HWND page) {
              // The colour gains are shown, disabled, with their values.
              EXPECT_EQ(Text(page, 1021), "77");
              for (int id : {1018, 1019, 1039, 1020, 1021, 1040, 1024, 1025, 1042}) {
                EXPECT_FALSE(IsWindowEnabled(Item(page, id))) << id;
              }
              Click(sheet, kDefault);
              EXPECT_EQ(Text(page, kExposureEdit), "2");
              EXPECT_EQ(TrackbarPosition(page, kExposureBar), 2);
              EXPECT_EQ(Text(page, kGainEdit), "150");
              Click(sheet, IDOK);
            }),
            1);
  EXPECT_EQ(sensor().exposure, 2);
  EXPECT_EQ(sensor().globalGain, 150);
  EXPECT_EQ(sensor().colorGainR, 0);
  EXPECT_EQ(GainRegister(), kGainWriteFlag | 150);
}

TEST_F(AnalogDialogTest, AutoIrisBoxesAreAPairAndTheMirrorSwapsTheBayerRows) {
  ASSERT_EQ(Kelvo_SetFilterValue(camera, 12, 2), 1);  // Bayer mode 2
  EXPECT_EQ(RunDialog([&](HWND sheet, HWND page) {
              Click(page, kAutoGain);
              EXPECT_EQ(sensor().autoIrisMode, 2);
              Click(page, kAutoExposure);
              EXPECT_FALSE(IsChecked(page, kAutoGain));
              EXPECT_EQ(sensor().autoIrisMode, 1);
              Click(page, kAutoExposure);
              EXPECT_EQ(sensor().autoIrisMode, 0);

              Click(page, kMirror);
              EXPECT_EQ(sensor().verticalMirror, 1);
              EXPECT_EQ(CameraOf(camera)->filterBlock.bayerMode, 3);
              Click(page, kMirror);
              EXPECT_EQ(sensor().verticalMirror, 0);
              EXPECT_EQ(CameraOf(camera)->filterBlock.bayerMode, 2);
              Click(page, kMirror);
              Click(sheet, IDCANCEL);
            }),
            1);
  EXPECT_EQ(sensor().verticalMirror, 0);
  EXPECT_EQ(CameraOf(camera)->filterBlock.bayerMode, 2);
}

// The application's thread stops the preview from inside the dialog's message
// loop (a message to the owner window, dispatched by that loop) while the
// worker is posting the automatic exposure's values to the dialog.
constexpr UINT kStopMessage = WM_APP + 77;
KelvoHandle stoppingCamera = 0;
WNDPROC ownerProcedure = nullptr;
LRESULT CALLBACK OwnerStopping(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kStopMessage) return Kelvo_StopPreview(stoppingCamera);
  return CallWindowProcW(ownerProcedure, window, message, wParam, lParam);
}

TEST_F(AnalogDialogTest, AutomaticExposureDuringAPreviewShowsItsValuesAndAStopCannotDeadlock) {
  ASSERT_EQ(Kelvo_SetGlobalGain(camera, 150), 1);
  ASSERT_EQ(Kelvo_SetExposureTime(camera, 20), 1);  // dark: the exposure must rise
  ASSERT_EQ(Kelvo_SetAutoIris(camera, 1), 1);
  ASSERT_EQ(Kelvo_StartPreview(camera), 1);
  stoppingCamera = camera;
  ownerProcedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(owner.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OwnerStopping)));
  EXPECT_EQ(RunDialog([&](HWND sheet, HWND page) {
              // The automatic exposure may step again between two reads: the
              // edit, the bar and the sensor must agree at one moment.
              EXPECT_TRUE(Eventually([&] {
                const std::string shown = Text(page, kExposureEdit);
                return shown != "20" && shown == std::to_string(sensor().exposure.load()) &&
                       TrackbarPosition(page, kExposureBar) == sensor().exposure;
              })) << Text(page, kExposureEdit)
                  << " " << TrackbarPosition(page, kExposureBar);
              PostMessageW(owner.get(), kStopMessage, 0, 0);
              EXPECT_TRUE(Eventually([&] { return CameraOf(camera)->state == StateIdle; }));
              Click(sheet, IDOK);
            }),
            1);
  EXPECT_EQ(CameraOf(camera)->state, StateIdle);
  EXPECT_EQ(CameraOf(camera)->analogDialog.load(), nullptr);
}

}  // namespace
}  // namespace kelvo::testing
