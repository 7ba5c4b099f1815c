// Without windows no dialog can be shown: every dialog takes that path.
#include "dialogs/settings_dialogs.h"

namespace kelvo::dialogs {

int RunCameraFormatDialog(WindowHandle, platform::SettingsStore&) { return kNotShown; }

int RunImageFilterDialog(WindowHandle, FilterBlock&, std::int32_t, std::atomic<void*>&) {
  return kNotShown;
}

int RunAnalogDialog(WindowHandle, SensorRecord&, SharedWord&, SensorControl&, std::atomic<void*>&) {
  return kNotShown;
}

void PostDialogRefresh(void*, DialogUpdate, std::int32_t) {}
void ForceDialogLanguageForTesting(int) {}
void FailDialogModuleForTesting(bool) {}

}  // namespace kelvo::dialogs
