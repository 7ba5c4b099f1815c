// Without windows no dialog can be shown: every dialog takes that path,
// unless a test has given it a scripted user, who changes the records as the
// real controls do.
#include <chrono>
#include <mutex>
#include <thread>

#include "dialogs/dialog_actions.h"
#include "dialogs/dialog_controls.h"
#include "dialogs/dialog_rows.h"
#include "dialogs/settings_dialogs.h"

namespace kelvo::dialogs {
namespace {

constexpr int kOk = 1;
constexpr int kCancel = 2;

std::mutex scriptLock;
std::vector<UserStep> script;

std::vector<UserStep> TakeScript() {
  std::lock_guard<std::mutex> hold(scriptLock);
  return std::move(script);
}

// The dialog's own reactions to a typed value or a click.
struct DialogUser {
  std::function<void(int edit, std::int32_t value)> type;
  std::function<void(int button)> click;
};

// Plays the steps up to the first Ok or Cancel; a script without one ends as
// the close box does.
int Play(std::vector<UserStep>& steps, const DialogUser& user) {
  for (UserStep& step : steps) {
    switch (step.act) {
      case UserStep::Act::Type:
        user.type(step.control, step.value);
        break;
      case UserStep::Act::Click:
        user.click(step.control);
        break;
      case UserStep::Act::Wait:
        std::this_thread::sleep_for(std::chrono::milliseconds(step.value));
        break;
      case UserStep::Act::During:
        step.during();
        break;
      case UserStep::Act::Ok:
        return kOk;
      case UserStep::Act::Cancel:
        return kCancel;
    }
  }
  return kCancel;
}

// As Play, with openWindow holding a stand-in for the dialog's window meanwhile.
int PlayOpen(std::vector<UserStep>& steps, const DialogUser& user, std::atomic<void*>& openWindow) {
  static int openToken = 0;
  openWindow.store(&openToken);
  const int result = Play(steps, user);
  openWindow.store(nullptr);
  return result;
}

}  // namespace

void PlayUserForTesting(std::vector<UserStep> steps) {
  std::lock_guard<std::mutex> hold(scriptLock);
  script = std::move(steps);
}

int RunCameraFormatDialog(WindowHandle, platform::SettingsStore&) {
  std::vector<UserStep> steps = TakeScript();
  if (steps.empty()) return kNotShown;
  return Play(steps, {[](int, std::int32_t) {}, [](int) {}});
}

int RunImageFilterDialog(WindowHandle, FilterBlock& block, std::int32_t colorMode,
                         std::atomic<void*>& openWindow) {
  std::vector<UserStep> steps = TakeScript();
  if (steps.empty()) return kNotShown;
  const bool grayPage = FilterEnableFlags(colorMode)[kGrayPageFlag] != 0;
  bool allFrames = false;
  DialogUser user;
  user.type = [&block](int edit, std::int32_t value) {
    for (const FilterRow& row : kFilterPageRows) {
      if (row.edit == edit) block.*(row.parameter) = value;
    }
    for (const FilterRow& row : kGrayPageRows) {
      if (row.edit == edit) block.*(row.parameter) = value;
    }
  };
  user.click = [&](int button) {
    if (button == kOnce) {
      MeasureWhiteBalanceOnce(block);
      allFrames = false;
    } else if (button == kAllFrames) {
      allFrames = !allFrames;
      MeasureWhiteBalanceEveryFrame(block, allFrames);
    } else if (button == kDefault) {
      SetFilterDefaults(block, grayPage);
    }
  };
  return PlayOpen(steps, user, openWindow);
}

int RunAnalogDialog(WindowHandle, SensorRecord& sensor, SharedWord& bayerMode,
                    SensorControl& control, std::atomic<void*>& openWindow) {
  std::vector<UserStep> steps = TakeScript();
  if (steps.empty()) return kNotShown;
  DialogUser user;
  user.type = [&](int edit, std::int32_t value) {
    if (edit == kAnalogPageRows.front().edit) {
      sensor.globalGain = value;
      control.WriteGain(value);
    } else if (edit == kAnalogPageRows.back().edit) {
      sensor.exposure = value;
      control.WriteExposure(value);
    }
  };
  user.click = [&](int button) {
    if (button == kAutoGain || button == kAutoExposure) {
      const std::int32_t mode = button == kAutoGain ? 2 : 1;
      sensor.autoIrisMode = sensor.autoIrisMode == mode ? 0 : mode;
    } else if (button == kMirror) {
      sensor.verticalMirror = sensor.verticalMirror == 1 ? 0 : 1;
      const std::int32_t bayer = bayerMode.load();
      if (bayer >= 0 && bayer <= 3) bayerMode.store(bayer ^ 1);
    } else if (button == kDefault) {
      SetAnalogDefaults(sensor, control);
    }
  };
  return PlayOpen(steps, user, openWindow);
}

void PostDialogRefresh(void*, DialogUpdate, std::int32_t) {}
void ForceDialogLanguageForTesting(int) {}
void FailDialogModuleForTesting(bool) {}

}  // namespace kelvo::dialogs
