#include <windows.h>
// The common controls need <windows.h> first.
#include <commctrl.h>

#include "dialog_templates.h"
#include "dialogs/dialog_resources.h"
#include "dialogs/dialog_rows.h"
#include "dialogs/settings_dialogs.h"

namespace kelvo::dialogs {
namespace {

int forcedLanguage = -1;
bool failModule = false;

bool Japanese() {
  if (forcedLanguage >= 0) return forcedLanguage == 1;
  return GetSystemDefaultLangID() == 0x0411;
}

HMODULE ModuleOfThisCode() {
  HMODULE module = nullptr;
  GetModuleHandleExA(
      GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
      reinterpret_cast<LPCSTR>(&ModuleOfThisCode), &module);
  return module;
}

}  // namespace

void ForceDialogLanguageForTesting(int language) { forcedLanguage = language; }
void FailDialogModuleForTesting(bool fail) { failModule = fail; }

HMODULE DialogModule() {
  if (failModule) return nullptr;
  if (HMODULE library = GetModuleHandleA("KelvoSdk_Q12.dll")) return library;
  // A program that links the SDK's code in (the static test builds) carries
  // the templates itself. A DLL under another name still finds nothing.
  HMODULE own = ModuleOfThisCode();
  return own != nullptr && own == GetModuleHandleA(nullptr) ? own : nullptr;
}

int InLanguage(int englishNumber) {
  return englishNumber + (Japanese() ? KELVO_JAPANESE_OFFSET : 0);
}

std::wstring LoadText(HMODULE module, int englishNumber) {
  const wchar_t* text = nullptr;
  int length = LoadStringW(module, static_cast<UINT>(InLanguage(englishNumber)),
                           reinterpret_cast<LPWSTR>(&text), 0);
  return length > 0 ? std::wstring(text, static_cast<std::size_t>(length)) : std::wstring();
}

void RegisterControlClasses() {
  INITCOMMONCONTROLSEX classes = {
      sizeof classes, ICC_TAB_CLASSES | ICC_BAR_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&classes);
}

int ShowModal(HMODULE module, int englishTemplate, HWND parent, DLGPROC procedure, void* record) {
  RegisterControlClasses();
  INT_PTR result = DialogBoxParamW(module, MAKEINTRESOURCEW(InLanguage(englishTemplate)), parent,
                                   procedure, reinterpret_cast<LPARAM>(record));
  return result == IDOK || result == IDCANCEL ? static_cast<int>(result) : kNotShown;
}

void KeepRecord(HWND window, LPARAM record) { SetWindowLongPtrW(window, DWLP_USER, record); }

void SetUpRow(HWND page, int trackbar, int edit, int upDown, int minimum, int maximum, int tick,
              int value, bool enabled) {
  HWND bar = GetDlgItem(page, trackbar);
  SendMessageW(bar, TBM_SETRANGEMAX, FALSE, maximum);
  SendMessageW(bar, TBM_SETRANGEMIN, TRUE, minimum);
  SendMessageW(bar, TBM_SETPOS, TRUE, value);
  SendMessageW(bar, TBM_SETTICFREQ, static_cast<WPARAM>(tick), 0);
  HWND spin = GetDlgItem(page, upDown);
  SendMessageW(spin, UDM_SETRANGE32, static_cast<WPARAM>(minimum), maximum);
  SendMessageW(spin, UDM_SETPOS32, 0, value);
  SendMessageW(spin, UDM_SETBUDDY, reinterpret_cast<WPARAM>(GetDlgItem(page, edit)), 0);
  SetDlgItemInt(page, edit, static_cast<UINT>(value), TRUE);
  for (int id : {trackbar, edit, upDown}) EnableWindow(GetDlgItem(page, id), enabled);
}

void ShowRowValue(HWND page, int trackbar, int edit, int value) {
  SendDlgItemMessageW(page, trackbar, TBM_SETPOS, TRUE, value);
  SetDlgItemInt(page, edit, static_cast<UINT>(value), TRUE);
}

int ReadSignedEdit(HWND page, int edit) {
  return static_cast<int>(GetDlgItemInt(page, edit, nullptr, TRUE));
}

void PostDialogRefresh(void* window, DialogUpdate what, std::int32_t value) {
  if (window == nullptr) return;
  HWND target = static_cast<HWND>(window);
  switch (what) {
    case DialogUpdate::FilterValues:
      PostMessageW(target, kRefreshMessage, 0, 0);
      break;
    case DialogUpdate::GlobalGain:
      PostMessageW(target, kShowValueMessage, kAnalogPageRows.front().edit, value);
      break;
    case DialogUpdate::Exposure:
      PostMessageW(target, kShowValueMessage, kAnalogPageRows.back().edit, value);
      break;
  }
}

}  // namespace kelvo::dialogs
