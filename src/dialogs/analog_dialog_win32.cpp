// The analog dialog: global gain and exposure written to the sensor as they
// change, the automatic-iris pair and the vertical mirror with its Bayer swap.

#include <windows.h>
// The common controls need <windows.h> first.
#include <commctrl.h>

#include "dialog_templates.h"
#include "dialogs/dialog_actions.h"
#include "dialogs/dialog_controls.h"
#include "dialogs/dialog_resources.h"
#include "dialogs/dialog_rows.h"
#include "dialogs/settings_dialogs.h"

namespace kelvo::dialogs {
namespace {

constexpr const AnalogRow& kGainRow = kAnalogPageRows.front();
constexpr const AnalogRow& kExposureRow = kAnalogPageRows.back();

struct PageRecord {
  HWND page = nullptr;
  int ready = 0;  // edit changes are ignored while the page fills its controls
  SensorControl* control = nullptr;
  SensorRecord* sensor = nullptr;
  SharedWord* bayerMode = nullptr;
};

struct SheetRecord {
  HWND sheet = nullptr;
  HMODULE module = nullptr;
  PageRecord page;
  std::atomic<void*>* openWindow = nullptr;
};

struct RowRange {
  std::int32_t minimum;
  std::int32_t maximum;
  std::int32_t tick;
  bool enabled;
};

RowRange RangeOf(const AnalogRow& row, const SensorControl& control) {
  switch (row.range) {
    case AnalogRange::Gain:
      return {control.GainMinimum(), control.GainMaximum(),
              (control.GainMaximum() - control.GainMinimum()) / 8, true};
    case AnalogRange::Exposure:
      return {control.ExposureMinimum(), control.ExposureMaximum(),
              (control.ExposureMaximum() - control.ExposureMinimum()) / 8, true};
    case AnalogRange::Fixed:
      break;
  }
  return {0, 0, 0, false};
}

void InitializePage(PageRecord& record) {
  record.ready = 0;
  for (const AnalogRow& row : kAnalogPageRows) {
    RowRange range = RangeOf(row, *record.control);
    SetUpRow(record.page, row.trackbar, row.edit, row.upDown, range.minimum, range.maximum,
             range.tick, (record.sensor->*row.value).load(), range.enabled);
  }
  CheckDlgButton(record.page, kMirror,
                 record.sensor->verticalMirror == 1 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(record.page, kAutoExposure,
                 record.sensor->autoIrisMode == 1 ? BST_CHECKED : BST_UNCHECKED);
  CheckDlgButton(record.page, kAutoGain,
                 record.sensor->autoIrisMode == 2 ? BST_CHECKED : BST_UNCHECKED);
  record.ready = 1;
}

// Direction 0: trackbars and edits show gain and exposure.
void ShowValues(PageRecord& record) {
  for (const AnalogRow* row : {&kGainRow, &kExposureRow}) {
    ShowRowValue(record.page, row->trackbar, row->edit, (record.sensor->*row->value).load());
  }
}

// Direction 1: the edits into gain and exposure.
void ReadBack(PageRecord& record) {
  for (const AnalogRow* row : {&kGainRow, &kExposureRow}) {
    record.sensor->*(row->value) = ReadSignedEdit(record.page, row->edit);
  }
}

void WriteToSensor(PageRecord& record, const AnalogRow& row, std::int32_t value) {
  if (&row == &kGainRow) record.control->WriteGain(value);
  if (&row == &kExposureRow) record.control->WriteExposure(value);
}

// The pair of which at most one is checked: checking one unchecks the other.
void AutoIrisClicked(PageRecord& record, int clicked, int other, std::int32_t mode) {
  const bool on = IsDlgButtonChecked(record.page, clicked) == BST_CHECKED;
  if (on) CheckDlgButton(record.page, other, BST_UNCHECKED);
  record.sensor->autoIrisMode = on ? mode : 0;
}

void PageCommand(PageRecord& record, int id, int code) {
  if (code == EN_CHANGE) {
    if (record.ready == 0) return;
    for (const AnalogRow* row : {&kGainRow, &kExposureRow}) {
      if (row->edit != id) continue;
      const int value = ReadSignedEdit(record.page, row->edit);
      record.sensor->*(row->value) = value;
      SendDlgItemMessageW(record.page, row->trackbar, TBM_SETPOS, TRUE, value);
      WriteToSensor(record, *row, value);
    }
    return;
  }
  if (code != BN_CLICKED) return;
  if (id == kMirror) {
    record.sensor->verticalMirror = IsDlgButtonChecked(record.page, kMirror) == BST_CHECKED ? 1 : 0;
    // Modes 0 and 1, and 2 and 3, are one pattern shifted by a row.
    const std::int32_t bayer = record.bayerMode->load();
    if (bayer >= 0 && bayer <= 3) record.bayerMode->store(bayer ^ 1);
  } else if (id == kAutoGain) {
    AutoIrisClicked(record, kAutoGain, kAutoExposure, 2);
  } else if (id == kAutoExposure) {
    AutoIrisClicked(record, kAutoExposure, kAutoGain, 1);
  }
}

void PageScroll(PageRecord& record, HWND trackbar) {
  const int id = GetDlgCtrlID(trackbar);
  for (const AnalogRow* row : {&kGainRow, &kExposureRow}) {
    if (row->trackbar != id) continue;
    const int position = static_cast<int>(SendMessageW(trackbar, TBM_GETPOS, 0, 0));
    SetDlgItemInt(record.page, row->edit, static_cast<UINT>(position), TRUE);
  }
}

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) KeepRecord(page, lParam);
  auto* kept = RecordOf<PageRecord>(page);
  if (kept == nullptr) return FALSE;
  PageRecord& record = *kept;
  switch (message) {
    case WM_INITDIALOG:
      record.page = page;
      InitializePage(record);
      break;
    case WM_COMMAND:
      PageCommand(record, LOWORD(wParam), HIWORD(wParam));
      break;
    case WM_HSCROLL:
      if (lParam != 0) PageScroll(record, reinterpret_cast<HWND>(lParam));
      break;
    case kShowValueMessage:
      // The automatic exposure's new value; the edit's change does the rest.
      SetDlgItemInt(page, static_cast<int>(wParam), static_cast<UINT>(lParam), TRUE);
      break;
  }
  return FALSE;
}

void InitializeSheet(SheetRecord& sheet) {
  std::wstring text = LoadText(sheet.module, KELVO_STR_ANALOG_GAIN);
  TCITEMW item = {};
  item.mask = TCIF_TEXT;
  item.pszText = text.data();
  SendDlgItemMessageW(sheet.sheet, kTab, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  HWND page = CreateDialogParamW(sheet.module, MAKEINTRESOURCEW(InLanguage(KELVO_DLG_ANALOG_PAGE)),
                                 GetDlgItem(sheet.sheet, kTab), PageProc,
                                 reinterpret_cast<LPARAM>(&sheet.page));
  if (page == nullptr) return;
  SetWindowPos(page, nullptr, kPagePixelX, kPagePixelY, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
  sheet.openWindow->store(page);
}

void SetDefaults(PageRecord& record) {
  SetAnalogDefaults(*record.sensor, *record.control);
  ShowValues(record);
}

INT_PTR CALLBACK SheetProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) KeepRecord(window, lParam);
  auto* sheet = RecordOf<SheetRecord>(window);
  if (sheet == nullptr) return FALSE;
  switch (message) {
    case WM_INITDIALOG:
      sheet->sheet = window;
      InitializeSheet(*sheet);
      break;
    case WM_NOTIFY: {
      auto* header = reinterpret_cast<NMHDR*>(lParam);
      if (header->code == TCN_SELCHANGE && sheet->page.page != nullptr &&
          SendDlgItemMessageW(window, kTab, TCM_GETCURSEL, 0, 0) == 0) {
        ShowWindow(sheet->page.page, SW_SHOW);
      }
      break;
    }
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          if (sheet->page.page != nullptr) ReadBack(sheet->page);
          EndDialog(window, IDOK);
          break;
        case IDCANCEL:
          EndDialog(window, IDCANCEL);
          break;
        case kDefault:
          if (sheet->page.page != nullptr) SetDefaults(sheet->page);
          break;
      }
      break;
  }
  return FALSE;
}

}  // namespace

int RunAnalogDialog(WindowHandle parent, SensorRecord& sensor, SharedWord& bayerMode,
                    SensorControl& control, std::atomic<void*>& openWindow) {
  SheetRecord sheet;
  sheet.module = DialogModule();
  if (sheet.module == nullptr) return kNotShown;
  sheet.page = {nullptr, 0, &control, &sensor, &bayerMode};
  sheet.openWindow = &openWindow;
  int result =
      ShowModal(sheet.module, KELVO_DLG_ANALOG_SHEET, static_cast<HWND>(parent), SheetProc, &sheet);
  openWindow.store(nullptr);
  return result;
}

}  // namespace kelvo::dialogs
