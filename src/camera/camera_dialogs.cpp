// The settings dialogs as the camera runs them: what is paused or saved aside
// around each, and what is restored or reloaded after it.
#include "camera/camera.h"
#include "camera/link_sensor_control.h"
#include "device/device_link.h"
#include "dialogs/dialog_actions.h"
#include "dialogs/settings_dialogs.h"
#include "settings/registry_settings.h"

namespace kelvo {

// A second dialog of a kind already open is refused before anything is
// stopped or saved aside: Err 4, as for any window that cannot be made.
bool Camera::ClaimDialog(const dialogs::DialogClaim& claim) {
  if (claim.Held()) return true;
  RecordError(KELVO_ERR_WINDOW);
  return false;
}

// A running preview or capture is stopped and trigger mode paused, so that
// the acquisition starts again with whatever the dialog stored.
int Camera::SetCameraDialog(WindowHandle parent) {
  if (!RequireInitialised()) return 0;
  const dialogs::DialogClaim claim(dialogs::DialogKind::CameraFormat);
  if (!ClaimDialog(claim)) return 0;
  const std::int32_t noted = state;
  if (noted == StatePreview || noted == StateCaptured) StopAcquisition();
  if (noted == StateTrigger) workerRun = WorkerPause;

  platform::SettingsStore& store = platform::UserSettingsStore();
  if (dialogs::RunCameraFormatDialog(parent, store) == 1) {
    SizeEntry size = CurrentSize();
    settings::LoadSizeEntry(store, size);
    ApplySize(size);
    CaptureFormat format = CurrentFormat();
    settings::LoadFormatValues(store, format);
    ApplyFormat(format);
  }

  switch (noted) {
    case StatePreview:
      StartPreview();
      break;
    case StateCaptured:
      Capture();
      break;
    case StateTrigger:
      workerRun = WorkerRunning;
      break;
  }
  return 1;
}

// Cancel: the automatic switches go off first, so the worker starts no new
// measurement, and the records are put back under the frame lock, so one
// being measured cannot store its result over them.
int Camera::SetImageDialog(WindowHandle parent) {
  if (!RequireInitialised()) return 0;
  const dialogs::DialogClaim claim(dialogs::DialogKind::ImageFilter);
  if (!ClaimDialog(claim)) return 0;
  const FilterSnapshot saved = Snapshot(filterBlock);
  if (dialogs::RunImageFilterDialog(parent, filterBlock, colorMode, imageDialog) != 1) {
    dialogs::MeasureWhiteBalanceEveryFrame(filterBlock, false);
    filterBlock.grayBalanceCount = 0;
    std::lock_guard<std::mutex> frameHeld(frameLock_);
    Restore(filterBlock, saved);
  }
  imageDialog = nullptr;
  return 1;
}

int Camera::SetAnalogDialog(WindowHandle parent) {
  if (!RequireInitialised()) return 0;
  const dialogs::DialogClaim claim(dialogs::DialogKind::Analog);
  if (!ClaimDialog(claim)) return 0;
  const std::int32_t savedBayer = filterBlock.bayerMode;
  const SensorSnapshot saved = Snapshot(analogBlock);
  LinkSensorControl sensor(*deviceLink);
  const int result =
      dialogs::RunAnalogDialog(parent, analogBlock, filterBlock.bayerMode, sensor, analogDialog);
  if (result != 1) {
    analogBlock.autoIrisMode = 0;
    std::lock_guard<std::mutex> frameHeld(frameLock_);
    Restore(analogBlock, saved);
    deviceLink->SetGain(analogBlock.globalGain);
    deviceLink->SetExposure(analogBlock.exposure);
    filterBlock.bayerMode = savedBayer;
  }
  analogDialog = nullptr;
  return 1;
}

}  // namespace kelvo
