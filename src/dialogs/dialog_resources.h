// Where the dialogs' templates and texts come from (Windows only): the
// resources of KelvoSdk_Q12.dll, in Japanese on a Japanese system.
#pragma once

#include <windows.h>

#include <string>

namespace kelvo::dialogs {

// The module that holds the templates, or null when it cannot be found.
HMODULE DialogModule();
// A template or string number of the English set, moved into the chosen language's set.
int InLanguage(int englishNumber);
// A string of the chosen language from module.
std::wstring LoadText(HMODULE module, int englishNumber);
// Registers the tab, trackbar and up-down classes the templates use.
void RegisterControlClasses();
// Runs the template's dialog modally on this thread: IDOK, IDCANCEL, or
// kNotShown when it could not be made. record reaches the procedure with
// WM_INITDIALOG; KeepRecord and RecordOf keep it with the window.
int ShowModal(HMODULE module, int englishTemplate, HWND parent, DLGPROC procedure, void* record);

// A dialog's or page's own record, kept with its window (DWLP_USER) from
// WM_INITDIALOG on, so that two dialogs never share one. Null before.
void KeepRecord(HWND window, LPARAM record);
template <typename Record>
Record* RecordOf(HWND window) {
  return reinterpret_cast<Record*>(GetWindowLongPtrW(window, DWLP_USER));
}

// The shared pieces of a slider row.
void SetUpRow(HWND page, int trackbar, int edit, int upDown, int minimum, int maximum, int tick,
              int value, bool enabled);
void ShowRowValue(HWND page, int trackbar, int edit, int value);
int ReadSignedEdit(HWND page, int edit);

// Each dialog's private messages, posted by the acquisition thread.
inline constexpr UINT kRefreshMessage = WM_APP + 0x40;    // reload every control
inline constexpr UINT kShowValueMessage = WM_APP + 0x41;  // wParam edit id, lParam value

}  // namespace kelvo::dialogs
