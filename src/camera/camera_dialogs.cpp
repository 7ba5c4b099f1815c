// The settings dialogs as the camera runs them: what is paused or saved aside
// around each, and what is restored or reloaded after it.
#include "camera/camera.h"
#include "camera/link_sensor_control.h"
#include "device/device_link.h"
#include "dialogs/settings_dialogs.h"
#include "settings/registry_settings.h"

namespace kelvo {

// A running preview or capture is stopped and trigger mode paused, so that
// the acquisition starts again with whatever the dialog stored.
int Camera::SetCameraDialog(WindowHandle parent) {
  if (!RequireInitialised()) return 0;
  const std::int32_t noted = state;
  if (noted == StatePreview || noted == StateCaptured) StopPreview();
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

int Camera::SetImageDialog(WindowHandle parent) {
  if (!RequireInitialised()) return 0;
  const FilterSnapshot saved = Snapshot(filterBlock);
  if (dialogs::RunImageFilterDialog(parent, filterBlock, colorMode, imageDialog) != 1) {
    Restore(filterBlock, saved);
  }
  imageDialog = nullptr;
  return 1;
}

int Camera::SetAnalogDialog(WindowHandle parent) {
  if (!RequireInitialised()) return 0;
  const std::int32_t savedBayer = filterBlock.bayerMode;
  const SensorSnapshot saved = Snapshot(analogBlock);
  LinkSensorControl sensor(*deviceLink);
  const int result =
      dialogs::RunAnalogDialog(parent, analogBlock, filterBlock.bayerMode, sensor, analogDialog);
  if (result != 1) {
    Restore(analogBlock, saved);
    deviceLink->SetGain(analogBlock.globalGain);
    deviceLink->SetExposure(analogBlock.exposure);
    filterBlock.bayerMode = savedBayer;
  }
  analogDialog = nullptr;
  return 1;
}

}  // namespace kelvo
