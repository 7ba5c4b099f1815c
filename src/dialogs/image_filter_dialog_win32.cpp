// The image filter dialog: a sheet with the "Image Filter" page and, in the
// monochrome modes, the "Gray Filter" page. Every change goes into the filter
// block at once; Cancel puts the block back (done by the caller).

#include <windows.h>
// The common controls need <windows.h> first.
#include <commctrl.h>

#include <span>

#include "dialog_templates.h"
#include "dialogs/dialog_actions.h"
#include "dialogs/dialog_controls.h"
#include "dialogs/dialog_resources.h"
#include "dialogs/dialog_rows.h"
#include "dialogs/settings_dialogs.h"

namespace kelvo::dialogs {
namespace {

constexpr int kBayerRadio0 = 1030;     // 1030..1033: Bayer modes 0..3
constexpr int kGrayModeRadio0 = 1045;  // 1045..1047: gray modes 0..2

struct PageRecord {
  HWND page = nullptr;
  FilterBlock* block = nullptr;
  EnableFlags flags{};
  int ready = 0;  // edit changes are ignored while the page fills its controls
  std::span<const FilterRow> rows;
  bool isGrayPage = false;
};

struct SheetRecord {
  HWND sheet = nullptr;
  HMODULE module = nullptr;
  FilterBlock* block = nullptr;
  EnableFlags flags{};
  PageRecord filterPage;
  PageRecord grayPage;
  std::atomic<void*>* openWindow = nullptr;
};

bool Checked(HWND page, int id) { return IsDlgButtonChecked(page, id) == BST_CHECKED; }

void CheckRadio(HWND page, int first, int count, std::int32_t value) {
  for (int i = 0; i < count; ++i)
    CheckDlgButton(page, first + i, i == value ? BST_CHECKED : BST_UNCHECKED);
}

const FilterRow* RowOfControl(const PageRecord& record, int id) {
  for (const FilterRow& row : record.rows) {
    if (row.trackbar == id || row.edit == id) return &row;
  }
  return nullptr;
}

// Direction 0: the controls show the block.
void ShowBlock(PageRecord& record) {
  if (record.page == nullptr) return;
  record.ready = 0;
  for (const FilterRow& row : record.rows) {
    ShowRowValue(record.page, row.trackbar, row.edit, (record.block->*row.parameter).load());
  }
  if (!record.isGrayPage) CheckRadio(record.page, kBayerRadio0, 4, record.block->bayerMode);
  record.ready = 1;
}

// Direction 1: the edits (and the filter page's Bayer buttons) into the block.
void ReadBack(PageRecord& record) {
  if (record.page == nullptr) return;
  for (const FilterRow& row : record.rows) {
    (record.block->*row.parameter) = ReadSignedEdit(record.page, row.edit);
  }
  if (record.isGrayPage) return;
  for (int mode = 0; mode < 4; ++mode) {
    if (Checked(record.page, kBayerRadio0 + mode)) record.block->bayerMode = mode;
  }
}

void InitializePage(PageRecord& record) {
  record.ready = 0;
  for (const FilterRow& row : record.rows) {
    const bool enabled = row.enableFlag == kAlwaysEnabled || record.flags[row.enableFlag] != 0;
    SetUpRow(record.page, row.trackbar, row.edit, row.upDown, row.minimum, row.maximum, row.tick,
             (record.block->*row.parameter).load(), enabled);
  }
  if (record.isGrayPage) {
    CheckRadio(record.page, kGrayModeRadio0, 3, record.block->grayMode);
  } else {
    const bool colour = record.flags[kColourControlsFlag] != 0;
    for (int id : {kOnce, kAllFrames, 1030, 1031, 1032, 1033}) {
      EnableWindow(GetDlgItem(record.page, id), colour);
    }
    CheckDlgButton(record.page, kAllFrames, BST_UNCHECKED);
  }
  CheckRadio(record.page, kBayerRadio0, 4, record.block->bayerMode);
  record.ready = 1;
}

void PageCommand(PageRecord& record, int id, int code) {
  FilterBlock& block = *record.block;
  if (code == EN_CHANGE) {
    const FilterRow* row = RowOfControl(record, id);
    if (row == nullptr || record.ready == 0) return;
    const int value = ReadSignedEdit(record.page, row->edit);
    block.*(row->parameter) = value;
    SendDlgItemMessageW(record.page, row->trackbar, TBM_SETPOS, TRUE, value);
    return;
  }
  if (code != BN_CLICKED) return;
  if (id >= kBayerRadio0 && id < kBayerRadio0 + 4) {
    block.bayerMode = id - kBayerRadio0;
  } else if (record.isGrayPage && id >= kGrayModeRadio0 && id < kGrayModeRadio0 + 3) {
    block.grayMode = id - kGrayModeRadio0;
  } else if (record.isGrayPage && id == kOnce) {
    block.grayBalanceCount = 1;
  } else if (record.isGrayPage && id == kAllFrames) {
    block.grayBalanceCount = block.grayBalanceCount != 0 ? 0 : -1;
  } else if (id == kOnce) {
    MeasureWhiteBalanceOnce(block);
    CheckDlgButton(record.page, kAllFrames, BST_UNCHECKED);
  } else if (id == kAllFrames) {
    MeasureWhiteBalanceEveryFrame(block, Checked(record.page, kAllFrames));
  }
}

void PageScroll(PageRecord& record, HWND trackbar) {
  const FilterRow* row = RowOfControl(record, GetDlgCtrlID(trackbar));
  if (row == nullptr) return;
  const int position = static_cast<int>(SendMessageW(trackbar, TBM_GETPOS, 0, 0));
  SetDlgItemInt(record.page, row->edit, static_cast<UINT>(position), TRUE);
  (*record.block).*(row->parameter) = position;
}

INT_PTR CALLBACK PageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) KeepRecord(page, lParam);
  auto* record = RecordOf<PageRecord>(page);
  if (record == nullptr) return FALSE;
  switch (message) {
    case WM_INITDIALOG:
      record->page = page;
      InitializePage(*record);
      break;
    case WM_COMMAND:
      PageCommand(*record, LOWORD(wParam), HIWORD(wParam));
      break;
    case WM_HSCROLL:
      if (lParam != 0) PageScroll(*record, reinterpret_cast<HWND>(lParam));
      break;
  }
  return FALSE;
}

void InsertTab(HWND sheet, int position, const std::wstring& text) {
  std::wstring copy = text;
  TCITEMW item = {};
  item.mask = TCIF_TEXT;
  item.pszText = copy.data();
  SendDlgItemMessageW(sheet, kTab, TCM_INSERTITEMW, static_cast<WPARAM>(position),
                      reinterpret_cast<LPARAM>(&item));
}

HWND CreatePage(SheetRecord& sheet, int templateNumber, PageRecord& record, bool shown) {
  HWND page = CreateDialogParamW(sheet.module, MAKEINTRESOURCEW(InLanguage(templateNumber)),
                                 GetDlgItem(sheet.sheet, kTab), PageProc,
                                 reinterpret_cast<LPARAM>(&record));
  if (page != nullptr) {
    SetWindowPos(page, nullptr, kPagePixelX, kPagePixelY, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | (shown ? SWP_SHOWWINDOW : SWP_HIDEWINDOW));
  }
  return page;
}

void InitializeSheet(SheetRecord& sheet) {
  InsertTab(sheet.sheet, 0, LoadText(sheet.module, KELVO_STR_IMAGE_FILTER));
  CreatePage(sheet, KELVO_DLG_FILTER_PAGE, sheet.filterPage, true);
  if (sheet.flags[kGrayPageFlag] != 0) {
    InsertTab(sheet.sheet, 1, LoadText(sheet.module, KELVO_STR_GRAY_FILTER));
    CreatePage(sheet, KELVO_DLG_GRAY_PAGE, sheet.grayPage, false);
  }
  sheet.openWindow->store(sheet.sheet);
}

void SetDefaults(SheetRecord& sheet) {
  SetFilterDefaults(*sheet.block, sheet.grayPage.page != nullptr);
  ShowBlock(sheet.filterPage);
  ShowBlock(sheet.grayPage);
}

void ShowTab(SheetRecord& sheet) {
  const int tab = static_cast<int>(SendDlgItemMessageW(sheet.sheet, kTab, TCM_GETCURSEL, 0, 0));
  if (sheet.filterPage.page) ShowWindow(sheet.filterPage.page, tab == 0 ? SW_SHOW : SW_HIDE);
  if (sheet.grayPage.page) ShowWindow(sheet.grayPage.page, tab == 1 ? SW_SHOW : SW_HIDE);
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
    case WM_NOTIFY:
      if (reinterpret_cast<NMHDR*>(lParam)->code == TCN_SELCHANGE) ShowTab(*sheet);
      break;
    case kRefreshMessage:
      ShowBlock(sheet->filterPage);
      ShowBlock(sheet->grayPage);
      break;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDOK:
          ReadBack(sheet->filterPage);
          ReadBack(sheet->grayPage);
          EndDialog(window, IDOK);
          break;
        case IDCANCEL:
          EndDialog(window, IDCANCEL);
          break;
        case kDefault:
          SetDefaults(*sheet);
          break;
      }
      break;
  }
  return FALSE;
}

}  // namespace

int RunImageFilterDialog(WindowHandle parent, FilterBlock& block, std::int32_t colorMode,
                         std::atomic<void*>& openWindow) {
  SheetRecord sheet;
  sheet.module = DialogModule();
  if (sheet.module == nullptr) return kNotShown;
  sheet.block = &block;
  sheet.flags = FilterEnableFlags(colorMode);
  sheet.openWindow = &openWindow;
  sheet.filterPage = {nullptr, &block, sheet.flags, 0, kFilterPageRows, false};
  sheet.grayPage = {nullptr, &block, sheet.flags, 0, kGrayPageRows, true};
  int result =
      ShowModal(sheet.module, KELVO_DLG_FILTER_SHEET, static_cast<HWND>(parent), SheetProc, &sheet);
  openWindow.store(nullptr);
  return result;
}

}  // namespace kelvo::dialogs
