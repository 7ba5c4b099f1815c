// The dialog templates in the library's resources, read back and checked
// against the control tables, in both languages; the dialogs' texts as they
// show; and screenshots of every dialog in the system's language (the test
// run writes them to build/win64/screenshots/, once per language).
#include <gtest/gtest.h>

#include <filesystem>
#include <span>

#include "dialog_templates.h"
#include "dialogs/dialog_rows.h"
#include "dialogs/settings_dialogs.h"
#include "support/emulated_sdk.h"
#include "support/test_window.h"
#include "wine/dialog_driver.h"

namespace kelvo::testing {
namespace {

constexpr int kNoId = 0xFFFF;

struct TemplateItem {
  DWORD style;
  int x, y, cx, cy;
  int id;
  std::string className;
  std::string text;
};

struct DialogTemplate {
  DWORD style = 0;
  int cx = 0, cy = 0;
  std::string caption;
  int pointSize = 0;
  std::string font;
  std::vector<TemplateItem> items;
};

std::string Utf8(const wchar_t* wide) {
  char utf8[512] = {};
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8, sizeof utf8, nullptr, nullptr);
  return utf8;
}

// A string or an ordinal of a template; ordinals of the predefined classes by name.
std::string ReadNameOrOrdinal(const WORD*& p) {
  if (*p == 0xFFFF) {
    const WORD ordinal = p[1];
    p += 2;
    switch (ordinal) {
      case 0x80:
        return "Button";
      case 0x81:
        return "Edit";
      case 0x82:
        return "Static";
      case 0x85:
        return "ComboBox";
    }
    return "#" + std::to_string(ordinal);
  }
  std::string text = Utf8(reinterpret_cast<const wchar_t*>(p));
  while (*p++ != 0) {
  }
  return text;
}

DialogTemplate ReadTemplate(int number) {
  DialogTemplate result;
  HMODULE module = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(number), MAKEINTRESOURCEW(5));  // RT_DIALOG
  if (found == nullptr) return result;
  const auto* header = static_cast<const DLGTEMPLATE*>(LockResource(LoadResource(module, found)));
  result.style = header->style;
  result.cx = header->cx;
  result.cy = header->cy;
  const WORD* p = reinterpret_cast<const WORD*>(header + 1);
  ReadNameOrOrdinal(p);  // menu
  ReadNameOrOrdinal(p);  // class
  result.caption = ReadNameOrOrdinal(p);
  if (header->style & DS_SETFONT) {
    result.pointSize = *p++;
    result.font = ReadNameOrOrdinal(p);
  }
  for (int i = 0; i < header->cdit; ++i) {
    p = reinterpret_cast<const WORD*>((reinterpret_cast<std::uintptr_t>(p) + 3) &
                                      ~std::uintptr_t{3});
    const auto* item = reinterpret_cast<const DLGITEMTEMPLATE*>(p);
    p = reinterpret_cast<const WORD*>(item + 1);
    TemplateItem read{item->style, item->x, item->y, item->cx, item->cy, item->id, {}, {}};
    read.className = ReadNameOrOrdinal(p);
    read.text = ReadNameOrOrdinal(p);
    p += 1 + *p / sizeof(WORD);  // creation data
    result.items.push_back(read);
  }
  return result;
}

const TemplateItem* FindItem(const DialogTemplate& dialog, int id, int x, int y) {
  for (const TemplateItem& item : dialog.items) {
    if (item.id == id && (id != kNoId || (item.x == x && item.y == y))) return &item;
  }
  return nullptr;
}

// One control as the tables describe it; width 0 where only the place is fixed
// (the three labels of the video format group are wider than 60, 48 and 70,
// which clip their texts in both languages).
struct Expected {
  int id;
  const char* className;
  int x, y, cx, cy;
  const char* english;
  const char* japanese;
};

void ExpectControls(const DialogTemplate& dialog, std::span<const Expected> controls,
                    bool japanese) {
  for (const Expected& want : controls) {
    SCOPED_TRACE(std::to_string(want.id) + " at " + std::to_string(want.x) + "," +
                 std::to_string(want.y));
    const TemplateItem* item = FindItem(dialog, want.id, want.x, want.y);
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(_stricmp(item->className.c_str(), want.className), 0) << item->className;
    EXPECT_EQ(item->x, want.x);
    EXPECT_EQ(item->y, want.y);
    if (want.cx != 0) {
      EXPECT_EQ(item->cx, want.cx);
    }
    EXPECT_EQ(item->cy, want.cy);
    EXPECT_EQ(item->text, japanese ? want.japanese : want.english);
    EXPECT_TRUE(item->style & WS_VISIBLE);
  }
}

const Expected kCameraFormatControls[] = {
    {1001, "SysTabControl32", 7, 7, 299, 185, "", ""},
    {kNoId, "Button", 17, 24, 123, 104, "Video Format", "ビデオ形式"},
    {kNoId, "Static", 25, 37, 0, 8, "Color / Compression(&C):", "色空間 / 圧縮(&C):"},
    {1009, "ComboBox", 49, 46, 83, 100, "", ""},
    {kNoId, "Static", 25, 67, 0, 8, "Size(&S):", "出力サイズ(&S):"},
    {1010, "ComboBox", 49, 77, 83, 100, "", ""},
    {kNoId, "Static", 25, 96, 0, 8, "Sub Sample(&B):", "間引き転送モード(&B):"},
    {1012, "ComboBox", 49, 107, 83, 100, "", ""},
    {kNoId, "Button", 145, 24, 149, 104, "Camera Size", "カスタムサイズ"},
    {1039, "Edit", 159, 46, 50, 12, "", ""},
    {1040, "Edit", 235, 46, 50, 12, "", ""},
    {1041, "Edit", 159, 77, 50, 12, "", ""},
    {1042, "Edit", 235, 77, 50, 12, "", ""},
    {1043, "Edit", 159, 107, 50, 12, "", ""},
    {1044, "Edit", 233, 107, 50, 12, "", ""},
    {kNoId, "Static", 151, 37, 0, 8, "H Total", "総水平画素"},
    {kNoId, "Static", 225, 37, 0, 8, "V Total", "総垂直画素"},
    {kNoId, "Static", 151, 67, 0, 8, "H Effective", "有効水平画素"},
    {kNoId, "Static", 225, 67, 0, 8, "V Effective", "有効垂直画素"},
    {kNoId, "Static", 151, 96, 0, 8, "H Start", "有効水平起点"},
    {kNoId, "Static", 225, 96, 0, 8, "V Start", "有効垂直起点"},
    {kNoId, "Button", 17, 131, 277, 48, "Frame Rate", "フレームレート"},
    {kNoId, "Static", 25, 143, 0, 8, "Wait Time(&T):", "フレーム間待ち時間(&T):"},
    {1045, "Edit", 49, 154, 83, 12, "", ""},
    {kNoId, "Static", 151, 143, 0, 8, "Clock(&C):", "動作クロック(&C):"},
    {1014, "ComboBox", 175, 154, 83, 100, "", ""},
    {1, "Button", 116, 201, 60, 13, "OK", "OK"},
    {2, "Button", 181, 201, 60, 13, "Cancel", "キャンセル"},
    {1002, "Button", 246, 201, 60, 13, "Apply(&A)", "適用(&A)"},
};

// The sheets' tab and buttons, at their y.
std::vector<Expected> SheetControls(int tabHeight, int buttonsY) {
  return {{1001, "SysTabControl32", 4, 4, 286, tabHeight, "", ""},
          {1, "Button", 165, buttonsY, 60, 13, "OK", "OK"},
          {2, "Button", 230, buttonsY, 60, 13, "Cancel", "キャンセル"},
          {3, "Button", 100, buttonsY, 60, 13, "Default(&D)", "規定値(&D)"}};
}

template <typename Row>
std::vector<Expected> RowControls(std::span<const Row> rows, dialogs::RowColumns columns,
                                  int labelX, int editWidth, int upDownWidth) {
  std::vector<Expected> controls;
  for (const Row& row : rows) {
    controls.push_back({kNoId, "Static", labelX, row.y, 0, 8, row.label, row.label});
    controls.push_back(
        {row.trackbar, "msctls_trackbar32", columns.trackbarX, row.y, 90, 10, "", ""});
    controls.push_back({row.edit, "Edit", columns.editX, row.y, editWidth, 12, "", ""});
    controls.push_back(
        {row.upDown, "msctls_updown32", columns.upDownX, row.y, upDownWidth, 12, "", ""});
  }
  return controls;
}

void ExpectSliderStyles(const DialogTemplate& dialog, int trackbar, int upDown) {
  const TemplateItem* bar = FindItem(dialog, trackbar, 0, 0);
  const TemplateItem* spin = FindItem(dialog, upDown, 0, 0);
  ASSERT_NE(bar, nullptr);
  ASSERT_NE(spin, nullptr);
  EXPECT_EQ(bar->style & (TBS_BOTH | TBS_NOTICKS), DWORD{TBS_BOTH | TBS_NOTICKS}) << trackbar;
  const DWORD spinStyle = UDS_SETBUDDYINT | UDS_ALIGNRIGHT | UDS_ARROWKEYS | UDS_NOTHOUSANDS;
  EXPECT_EQ(spin->style & spinStyle, spinStyle) << upDown;
}

class DialogTemplateTest : public ::testing::TestWithParam<bool> {};

TEST_P(DialogTemplateTest, EveryTemplateHoldsTheControlsOfItsTable) {
  const bool japanese = GetParam();
  const int offset = japanese ? KELVO_JAPANESE_OFFSET : 0;
  const std::string property = japanese ? "プロパティ" : "Property";

  struct Sheet {
    int number;
    int cx, cy;
    std::vector<Expected> controls;
  };
  const Sheet sheets[] = {
      {KELVO_DLG_CAMERA_FORMAT,
       313,
       221,
       {std::begin(kCameraFormatControls), std::end(kCameraFormatControls)}},
      {KELVO_DLG_FILTER_SHEET, 294, 194, SheetControls(168, 177)},
      {KELVO_DLG_ANALOG_SHEET, 294, 178, SheetControls(149, 161)},
  };
  for (const Sheet& sheet : sheets) {
    SCOPED_TRACE(sheet.number);
    DialogTemplate dialog = ReadTemplate(sheet.number + offset);
    EXPECT_EQ(dialog.cx, sheet.cx);
    EXPECT_EQ(dialog.cy, sheet.cy);
    EXPECT_EQ(dialog.caption, property);
    EXPECT_EQ(dialog.font, "MS Shell Dlg");
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_TRUE(dialog.style & DS_MODALFRAME);
    EXPECT_EQ(dialog.items.size(), sheet.controls.size());
    ExpectControls(dialog, sheet.controls, japanese);
  }

  struct Page {
    int number;
    int cx;
    std::vector<Expected> controls;
  };
  std::vector<Expected> filterRight = {
      {kNoId, "Static", 180, 38, 0, 8, "Auto white balance", "Auto white balance"},
      {2074, "Button", 180, 53, 8, 8, "", ""},
      {kNoId, "Static", 192, 53, 0, 8, "Once", "Once"},
      {1035, "Button", 180, 68, 8, 8, "", ""},
      {kNoId, "Static", 192, 68, 0, 8, "All frames", "All frames"},
      {kNoId, "Static", 180, 102, 0, 8, "Bayer Mode", "Bayer Mode"},
      {1030, "Button", 180, 116, 8, 8, "", ""},
      {1031, "Button", 195, 116, 8, 8, "", ""},
      {1032, "Button", 210, 116, 8, 8, "", ""},
      {1033, "Button", 225, 116, 8, 8, "", ""}};
  std::vector<Expected> filter = RowControls<dialogs::FilterRow>(
      dialogs::kFilterPageRows, dialogs::kFilterPageColumns, 0, 30, 10);
  filter.insert(filter.end(), filterRight.begin(), filterRight.end());
  std::vector<Expected> gray = RowControls<dialogs::FilterRow>(
      dialogs::kGrayPageRows, dialogs::kGrayPageColumns, 6, 30, 0);  // up-downs 10 or 11 wide
  std::vector<Expected> grayRight = {
      {kNoId, "Button", 0, 0, 170, 70, "Gain", "Gain"},
      {kNoId, "Button", 0, 72, 170, 70, "Offset", "Offset"},
      {kNoId, "Static", 180, 5, 0, 8, "Filter mode", "Filter mode"},
      {1045, "Button", 180, 17, 0, 10, "Bayer", "Bayer"},
      {1046, "Button", 180, 29, 0, 10, "Bayer convert", "Bayer convert"},
      {1047, "Button", 180, 41, 0, 10, "Grayscale", "Grayscale"},
      {kNoId, "Static", 180, 64, 0, 8, "Auto Gain", "Auto Gain"},
      {2074, "Button", 180, 76, 8, 8, "", ""},
      {kNoId, "Static", 192, 76, 0, 8, "Once", "Once"},
      {1035, "Button", 180, 88, 8, 8, "", ""},
      {kNoId, "Static", 192, 88, 0, 8, "All frames", "All frames"},
      {kNoId, "Static", 180, 109, 0, 8, "Bayer Mode", "Bayer Mode"},
      {1030, "Button", 180, 123, 8, 8, "", ""},
      {1033, "Button", 225, 123, 8, 8, "", ""}};
  gray.insert(gray.end(), grayRight.begin(), grayRight.end());
  std::vector<Expected> analog = RowControls<dialogs::AnalogRow>(
      dialogs::kAnalogPageRows, dialogs::kAnalogPageColumns, 0, 35, 11);
  std::vector<Expected> analogRight = {{kNoId, "Static", 192, 15, 0, 8, "Auto Iris", "Auto Iris"},
                                       {1036, "Button", 193, 28, 0, 10, "Gain", "Gain"},
                                       {1037, "Button", 193, 43, 0, 10, "Exposure", "Exposure"},
                                       {1029, "Button", 192, 70, 0, 10, "Mirror V", "Mirror V"}};
  analog.insert(analog.end(), analogRight.begin(), analogRight.end());
  const Page pages[] = {{KELVO_DLG_FILTER_PAGE, 251, filter},
                        {KELVO_DLG_GRAY_PAGE, 251, gray},
                        {KELVO_DLG_ANALOG_PAGE, japanese ? 251 : 238, analog}};
  for (const Page& page : pages) {
    SCOPED_TRACE(page.number);
    DialogTemplate dialog = ReadTemplate(page.number + offset);
    EXPECT_EQ(dialog.cx, page.cx);
    EXPECT_EQ(dialog.caption, "");
    EXPECT_TRUE(dialog.style & WS_CHILD);
    ExpectControls(dialog, page.controls, japanese);
  }
  for (const auto& row : dialogs::kFilterPageRows) {
    ExpectSliderStyles(ReadTemplate(KELVO_DLG_FILTER_PAGE + offset), row.trackbar, row.upDown);
  }
  for (const auto& row : dialogs::kAnalogPageRows) {
    ExpectSliderStyles(ReadTemplate(KELVO_DLG_ANALOG_PAGE + offset), row.trackbar, row.upDown);
  }
}

INSTANTIATE_TEST_SUITE_P(Languages, DialogTemplateTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Japanese" : "English"; });

// The texts the dialogs insert as they open, in the language forced on them.
class DialogTextsTest : public EmulatedSdkTest {
 protected:
  void TearDown() override {
    dialogs::ForceDialogLanguageForTesting(-1);
    EmulatedSdkTest::TearDown();
  }
  TestWindow owner;
};

std::string TabText(HWND sheet, int index) {
  wchar_t text[64] = {};
  TCITEMW item = {};
  item.mask = TCIF_TEXT;
  item.pszText = text;
  item.cchTextMax = 64;
  SendMessageW(GetDlgItem(sheet, 1001), TCM_GETITEMW, static_cast<WPARAM>(index),
               reinterpret_cast<LPARAM>(&item));
  return Utf8(text);
}

TEST_F(DialogTextsTest, ListsAndTabsInBothLanguages) {
  struct Language {
    int forced;
    std::vector<std::string> colours, clocks;
    std::string custom, tab, cancel;
  };
  const Language languages[] = {
      {0,
       {"Monochrome 8bit", "Monochrome 10bit *", "Color 24bit", "Color 32bit", "Color 48bit *",
        "Color 64bit *"},
       {"Nomal", "Half"},
       "Custom",
       "Stream Format",
       "Cancel"},
      {1,
       {"白黒 8bit", "白黒 10bit ※", "カラー 24bit", "カラー 32bit", "カラー 48bit ※",
        "カラー 64bit ※"},
       {"標準", "ハーフ"},
       "カスタム",
       "ストリーム形式",
       "キャンセル"},
  };
  KelvoHandle camera = Open();
  ASSERT_EQ(Kelvo_SetColorMode(camera, 8), 1);
  for (const Language& language : languages) {
    SCOPED_TRACE(language.forced);
    dialogs::ForceDialogLanguageForTesting(language.forced);
    DriveDialog([&] { return Kelvo_SetCameraDlg(camera, owner.get()); },
                [&](HWND dialog) {
                  EXPECT_EQ(ListEntries(dialog, 1009), language.colours);
                  EXPECT_EQ(ListEntries(dialog, 1012), std::vector<std::string>{"1/1"});
                  EXPECT_EQ(ListEntries(dialog, 1014), language.clocks);
                  EXPECT_EQ(ListEntries(dialog, 1010).back(), language.custom);
                  EXPECT_EQ(TabText(dialog, 0), language.tab);
                  EXPECT_EQ(Text(dialog, IDCANCEL), language.cancel);
                });
    DriveDialog([&] { return Kelvo_SetImageDlg(camera, owner.get()); },
                [&](HWND sheet) {
                  EXPECT_EQ(TabText(sheet, 0), "Image Filter");
                  EXPECT_EQ(TabText(sheet, 1), "Gray Filter");
                  EXPECT_EQ(Text(sheet, IDCANCEL), language.cancel);
                });
    DriveDialog([&] { return Kelvo_SetAnalogDlg(camera, owner.get()); },
                [&](HWND sheet) { EXPECT_EQ(TabText(sheet, 0), "Analog Gain"); });
  }
}

// Screenshots in the system's language: the run under LANG=ja_JP.UTF-8 writes the Japanese set.
TEST_F(DialogTextsTest, Screenshots) {
  const bool japanese = GetSystemDefaultLangID() == 0x0411;
  char exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  const auto folder = std::filesystem::path(exe).parent_path().parent_path() / "screenshots";
  std::filesystem::create_directories(folder);
  auto file = [&](const char* name) {
    return folder / (std::string(name) + (japanese ? "-ja.png" : "-en.png"));
  };
  KelvoHandle camera = Open();
  ASSERT_EQ(Kelvo_SetColorMode(camera, 8), 1);
  DriveDialog([&] { return Kelvo_SetCameraDlg(camera, owner.get()); },
              [&](HWND dialog) { EXPECT_TRUE(SaveScreenshot(dialog, file("camera-format"))); });
  DriveDialog([&] { return Kelvo_SetImageDlg(camera, owner.get()); },
              [&](HWND sheet) {
                EXPECT_TRUE(SaveScreenshot(sheet, file("image-filter")));
                SelectTab(sheet, 1);
                EXPECT_TRUE(SaveScreenshot(sheet, file("gray-filter")));
              });
  DriveDialog([&] { return Kelvo_SetAnalogDlg(camera, owner.get()); },
              [&](HWND sheet) { EXPECT_TRUE(SaveScreenshot(sheet, file("analog"))); });
  for (const char* name : {"camera-format", "image-filter", "gray-filter", "analog"}) {
    EXPECT_TRUE(std::filesystem::exists(file(name))) << name;
  }
}

}  // namespace
}  // namespace kelvo::testing
