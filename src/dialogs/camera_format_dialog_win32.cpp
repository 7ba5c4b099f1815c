// The camera format dialog: the stored sizes, colour mode, sub-sampling, wait
// time and clock, edited on a private FormatTable and written back on OK and Apply.

#include <windows.h>
// The common controls need <windows.h> first.
#include <commctrl.h>

#include <cstdio>
#include <string>

#include "dialog_templates.h"
#include "dialogs/dialog_controls.h"
#include "dialogs/dialog_resources.h"
#include "dialogs/settings_dialogs.h"
#include "settings/registry_settings.h"

namespace kelvo::dialogs {
namespace {

constexpr int kApply = 1002;
constexpr int kColorList = 1009;
constexpr int kSizeList = 1010;
constexpr int kSubSampleList = 1012;
constexpr int kClockList = 1014;
constexpr int kWaitTimeEdit = 1045;
// TH, TV, EH, EV, EHS, EVS of a row, in this order.
constexpr int kSizeEdits[] = {1039, 1040, 1041, 1042, 1043, 1044};
constexpr int kDisabledAtStart[] = {kApply, kSizeList, kSubSampleList, kClockList, 1039,
                                    1040,   1041,      1042,           1043,       1044};

struct FormatDialogRun {
  HWND window = nullptr;
  HMODULE module = nullptr;
  platform::SettingsStore* store = nullptr;
  FormatTable table;
};

std::int32_t* RowFields(SizeEntry& row, int index) {
  std::int32_t* fields[] = {&row.totalWidth, &row.totalHeight, &row.width,
                            &row.height,     &row.startX,      &row.startY};
  return fields[index];
}

std::wstring SizeLabel(const SizeEntry& row) {
  wchar_t label[64];
  std::swprintf(label, 64, L"%d x %d", row.width, row.height);
  return label;
}

void InsertEntry(HWND dialog, int list, int position, const std::wstring& text) {
  SendDlgItemMessageW(dialog, list, CB_INSERTSTRING, static_cast<WPARAM>(position),
                      reinterpret_cast<LPARAM>(text.c_str()));
}

void FillList(HWND dialog, HMODULE module, int list, int firstString, int entries, int selected) {
  for (int i = 0; i < entries; ++i) InsertEntry(dialog, list, i, LoadText(module, firstString + i));
  SendDlgItemMessageW(dialog, list, CB_SETCURSEL, static_cast<WPARAM>(selected), 0);
}

bool HoldsRow(const FormatTable& table, std::int32_t index) {
  return index >= 0 && index < table.count;
}

void ShowRow(HWND dialog, SizeEntry& row) {
  for (int i = 0; i < 6; ++i) {
    SetDlgItemInt(dialog, kSizeEdits[i], static_cast<UINT>(*RowFields(row, i)), FALSE);
  }
}

int Selection(HWND dialog, int list) {
  return static_cast<int>(SendDlgItemMessageW(dialog, list, CB_GETCURSEL, 0, 0));
}

void Initialize(FormatDialogRun& run) {
  HWND dialog = run.window;
  FormatTable& table = run.table;
  settings::LoadFormatTable(*run.store, table);

  std::wstring tab = LoadText(run.module, KELVO_STR_STREAM_FORMAT);
  TCITEMW item = {};
  item.mask = TCIF_TEXT;
  item.pszText = tab.data();
  SendDlgItemMessageW(dialog, kTab, TCM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));

  FillList(dialog, run.module, kColorList, KELVO_STR_COLOR_MODE_0, 6, table.format.colorMode);
  FillList(dialog, run.module, kSubSampleList, KELVO_STR_SUB_SAMPLE_0, 1, table.format.subSample);
  FillList(dialog, run.module, kClockList, KELVO_STR_CLOCK_0, 2, table.format.clock);
  for (int i = 0; i < table.count; ++i) InsertEntry(dialog, kSizeList, i, SizeLabel(table.rows[i]));
  InsertEntry(dialog, kSizeList, table.count, LoadText(run.module, KELVO_STR_CUSTOM));
  // A stored Size beyond the custom entry selects nothing (CB_SETCURSEL refuses it).
  SendDlgItemMessageW(dialog, kSizeList, CB_SETCURSEL, static_cast<WPARAM>(table.size), 0);

  // The custom entry (and a Size beyond it) shows the zeros of an unused row.
  SizeEntry shown =
      table.size >= 0 && table.size < kMostSizeEntries ? table.rows[table.size] : SizeEntry{};
  ShowRow(dialog, shown);
  SetDlgItemInt(dialog, kWaitTimeEdit, static_cast<UINT>(table.format.waitTime), FALSE);
  for (int id : kDisabledAtStart) EnableWindow(GetDlgItem(dialog, id), FALSE);
}

SizeEntry RowFromEdits(HWND dialog, SizeEntry row) {
  for (int i = 0; i < 6; ++i) {
    *RowFields(row, i) =
        static_cast<std::int32_t>(GetDlgItemInt(dialog, kSizeEdits[i], nullptr, FALSE));
  }
  return row;
}

void ApplyControls(FormatDialogRun& run) {
  HWND dialog = run.window;
  FormatTable& table = run.table;
  table.format.colorMode = Selection(dialog, kColorList);
  const int size = Selection(dialog, kSizeList);
  table.format.subSample = Selection(dialog, kSubSampleList);
  table.format.clock = Selection(dialog, kClockList);
  table.format.waitTime =
      static_cast<std::int32_t>(GetDlgItemInt(dialog, kWaitTimeEdit, nullptr, FALSE));

  // No selection (a stored Size outside the table) leaves Size and the rows as
  // they are; a custom entry on a full table of 100 rows is refused.
  if (size >= 0) {
    table.size = size;
    if (size == table.count && table.count < kMostSizeEntries) {
      SizeEntry& row = table.rows[table.count];
      row = RowFromEdits(dialog, row);
      InsertEntry(dialog, kSizeList, table.count, SizeLabel(row));
      SendDlgItemMessageW(dialog, kSizeList, CB_SETCURSEL, static_cast<WPARAM>(table.count), 0);
      ++table.count;
    } else if (HoldsRow(table, size)) {
      SizeEntry& row = table.rows[size];
      row = RowFromEdits(dialog, row);
      SendDlgItemMessageW(dialog, kSizeList, CB_DELETESTRING, static_cast<WPARAM>(size), 0);
      InsertEntry(dialog, kSizeList, size, SizeLabel(row));
      SendDlgItemMessageW(dialog, kSizeList, CB_SETCURSEL, static_cast<WPARAM>(size), 0);
    }
  }
  EnableWindow(GetDlgItem(dialog, kApply), FALSE);
}

void Command(FormatDialogRun& run, int id, int code) {
  HWND dialog = run.window;
  switch (id) {
    case IDOK:
      ApplyControls(run);
      settings::SaveFormatTable(*run.store, run.table);
      EndDialog(dialog, IDOK);
      return;
    case IDCANCEL:
      EndDialog(dialog, IDCANCEL);
      return;
    case kApply:
      ApplyControls(run);
      settings::SaveFormatTable(*run.store, run.table);
      break;
  }
  if (code == CBN_SELCHANGE) {
    if (id == kSizeList) {
      run.table.size = Selection(dialog, kSizeList);
      if (HoldsRow(run.table, run.table.size)) ShowRow(dialog, run.table.rows[run.table.size]);
    }
    EnableWindow(GetDlgItem(dialog, kApply), TRUE);
  }
  if (code == EN_CHANGE) EnableWindow(GetDlgItem(dialog, kApply), TRUE);
}

INT_PTR CALLBACK FormatDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) KeepRecord(dialog, lParam);
  auto* run = RecordOf<FormatDialogRun>(dialog);
  if (run == nullptr) return FALSE;
  if (message == WM_INITDIALOG) {
    run->window = dialog;
    Initialize(*run);
  } else if (message == WM_COMMAND) {
    Command(*run, LOWORD(wParam), HIWORD(wParam));
  }
  return FALSE;
}

}  // namespace

int RunCameraFormatDialog(WindowHandle parent, platform::SettingsStore& store) {
  FormatDialogRun run;
  run.module = DialogModule();
  if (run.module == nullptr) return kNotShown;
  run.store = &store;
  return ShowModal(run.module, KELVO_DLG_CAMERA_FORMAT, static_cast<HWND>(parent), FormatDialogProc,
                   &run);
}

}  // namespace kelvo::dialogs
