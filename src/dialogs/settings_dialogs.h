// The three modal settings dialogs. They run on the caller's thread; the
// acquisition thread reaches an open one only through posted messages.
#pragma once

#include <atomic>
#include <cstdint>

#include "platform/notices.h"
#include "platform/settings_store.h"
#include "processing/sensor_control.h"
#include "records/settings_records.h"

namespace kelvo::dialogs {

using platform::WindowHandle;

// The result of a dialog that could not be shown (no templates: the library
// was loaded under another name, or there are no windows at all).
inline constexpr int kNotShown = -1;

// The camera format dialog over the stored sizes and format: 1 after OK,
// 2 after Cancel, kNotShown.
int RunCameraFormatDialog(WindowHandle parent, platform::SettingsStore& store);

// The image filter dialog, editing block live. openWindow holds the dialog's
// window while it is open. 1 after OK, 2 after Cancel or close, kNotShown.
int RunImageFilterDialog(WindowHandle parent, FilterBlock& block, std::int32_t colorMode,
                         std::atomic<void*>& openWindow);

// The analog dialog, editing sensor and the Bayer mode live and writing gain
// and exposure through control. openWindow as above.
int RunAnalogDialog(WindowHandle parent, SensorRecord& sensor, SharedWord& bayerMode,
                    SensorControl& control, std::atomic<void*>& openWindow);

// For the acquisition thread: asks an open dialog (the window kept in its
// openWindow, or null) to show a new value. Posts and returns at once.
void PostDialogRefresh(void* window, DialogUpdate what, std::int32_t value);

// Test seams: force the template language (-1 the system's, 0 English,
// 1 Japanese) and make the module look-up fail.
void ForceDialogLanguageForTesting(int language);
void FailDialogModuleForTesting(bool fail);

}  // namespace kelvo::dialogs
