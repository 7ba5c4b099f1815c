// The three modal settings dialogs. They run on the caller's thread; the
// acquisition thread reaches an open one only through posted messages.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/notices.h"
#include "platform/settings_store.h"
#include "processing/sensor_control.h"
#include "records/settings_records.h"

namespace kelvo::dialogs {

using platform::WindowHandle;

// The result of a dialog that could not be shown (no templates: the library
// was loaded under another name, or there are no windows at all).
inline constexpr int kNotShown = -1;

// One dialog of each kind at a time in the process: a second one while the
// first is open (from another camera, another thread, or a frame handler run
// by the first one's message loop) is refused before anything is touched.
enum class DialogKind { CameraFormat, ImageFilter, Analog };
class DialogClaim {
 public:
  explicit DialogClaim(DialogKind kind);
  ~DialogClaim();
  DialogClaim(const DialogClaim&) = delete;
  DialogClaim& operator=(const DialogClaim&) = delete;
  // False when a dialog of this kind is open already.
  bool Held() const { return held_; }

 private:
  DialogKind kind_;
  bool held_;
};

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

// Tests where there are no windows: a user who plays these steps in the next
// dialog that opens, on its caller's thread, as the real controls would.
// Without a script (the steps are used up by one dialog) none can be shown.
struct UserStep {
  enum class Act {
    Type,    // value into the edit `control` of a slider row
    Click,   // the button or check box `control`
    Wait,    // value milliseconds, while acquisition goes on
    During,  // calls `during` while the dialog is open
    Ok,
    Cancel,
  };
  Act act;
  int control = 0;
  std::int32_t value = 0;
  std::function<void()> during = {};

  static UserStep Type(int edit, std::int32_t value) { return {Act::Type, edit, value}; }
  static UserStep Click(int button) { return {Act::Click, button}; }
  static UserStep Wait(std::int32_t milliseconds) { return {Act::Wait, 0, milliseconds}; }
  static UserStep During(std::function<void()> call) {
    return {Act::During, 0, 0, std::move(call)};
  }
  static UserStep Ok() { return {Act::Ok}; }
  static UserStep Cancel() { return {Act::Cancel}; }
};
void PlayUserForTesting(std::vector<UserStep> steps);

// Test seams: force the template language (-1 the system's, 0 English,
// 1 Japanese) and make the module look-up fail.
void ForceDialogLanguageForTesting(int language);
void FailDialogModuleForTesting(bool fail);

}  // namespace kelvo::dialogs
