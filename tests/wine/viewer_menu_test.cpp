// The viewer sample driven from outside, as a user drives it: the commands
// its menus send posted to its window, its dialogs (Save As and the SDK's
// three) found and worked through window messages, its status bar and side
// panel read back, the mouse moved over its picture. Each test starts its own
// viewer.exe, from beside this program, on emulated cameras.
#include <gtest/gtest.h>
#include <windows.h>
// The common controls need <windows.h> first.
#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "support/emulated_sdk.h"
#include "viewer_ids.h"
#include "wine/dialog_driver.h"

namespace kelvo::testing {
namespace {

using namespace std::chrono_literals;

// Generous for 32-bit Wine on QEMU: a bound against hanging, not a speed.
constexpr auto kViewerWatchdog = 60s;
constexpr int kFileNameEdit = 0x480, kFileNameCombo = 0x47c, kFileTypeList = 0x470;
constexpr int kColorList = 1009, kAllFrames = 1035, kExposureBar = 1026, kGainBar = 1014;

std::filesystem::path ProgramFolder() {
  char exe[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, exe, MAX_PATH);
  return std::filesystem::path(exe).parent_path();
}

std::filesystem::path ScreenshotFile(const char* name) {
  auto folder = ProgramFolder().parent_path() / "screenshots";
  std::filesystem::create_directories(folder);
  return folder / name;
}

bool WaitUntil(const std::function<bool()>& condition) {
  auto deadline = std::chrono::steady_clock::now() + kViewerWatchdog;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(50ms);
  }
  return true;
}

BOOL CALLBACK KeepViewerWindow(HWND window, LPARAM out) {
  char name[32] = {};
  GetClassNameA(window, name, sizeof name);
  if (std::string(name) != VIEWER_WINDOW_CLASS) return TRUE;
  *reinterpret_cast<HWND*>(out) = window;
  return FALSE;
}

// One viewer.exe with the emulator switches given; ended by File > Exit.
class RunningViewer {
 public:
  explicit RunningViewer(std::vector<std::pair<std::string, std::string>> environment) {
    for (const auto& [name, value] : environment) SetEnvironmentVariableA(name.c_str(), value.c_str());
    std::string command = "\"" + (ProgramFolder() / "viewer.exe").string() + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    started_ = CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                              nullptr, &startup, &process_) != 0;
    for (const auto& entry : environment) SetEnvironmentVariableA(entry.first.c_str(), nullptr);
    if (!started_) return;
    WaitUntil([&] {
      EnumThreadWindows(process_.dwThreadId, KeepViewerWindow, reinterpret_cast<LPARAM>(&window));
      return window != nullptr && IsWindowVisible(window);
    });
  }
  ~RunningViewer() {
    if (!started_) return;
    if (window != nullptr) Command(kMenuExit);
    if (WaitForSingleObject(process_.hProcess, 20000) != WAIT_OBJECT_0) {
      ADD_FAILURE() << "the viewer did not end after File > Exit";
      TerminateProcess(process_.hProcess, 3);
    }
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  bool Ended(DWORD* exitCode) {
    if (WaitForSingleObject(process_.hProcess, 20000) != WAIT_OBJECT_0) return false;
    GetExitCodeProcess(process_.hProcess, exitCode);
    window = nullptr;
    return true;
  }

  void Command(int id) { PostMessageA(window, WM_COMMAND, static_cast<WPARAM>(id), 0); }
  DWORD Thread() const { return process_.dwThreadId; }

  // A status bar part: its text lives in the viewer's memory, so it is
  // fetched through a buffer there.
  std::string Status(int part) {
    HWND bar = GetDlgItem(window, kStatusBar);
    char text[256] = {};
    void* remote = VirtualAllocEx(process_.hProcess, nullptr, sizeof text, MEM_COMMIT,
                                  PAGE_READWRITE);
    if (remote == nullptr) return "";
    SendMessageA(bar, SB_GETTEXTA, static_cast<WPARAM>(part), reinterpret_cast<LPARAM>(remote));
    ReadProcessMemory(process_.hProcess, remote, text, sizeof text - 1, nullptr);
    VirtualFreeEx(process_.hProcess, remote, 0, MEM_RELEASE);
    return text;
  }
  // 0, or why the viewer's status bar cannot be read from this process: under
  // 32-bit Wine on QEMU's user-mode emulator SB_GETTEXT sent from outside
  // leaves the buffer in the viewer's memory unwritten.
  DWORD StatusUnreadable() {
    HWND bar = GetDlgItem(window, kStatusBar);
    WaitUntil([&] { return LOWORD(SendMessageA(bar, SB_GETTEXTLENGTHA, 0, 0)) > 0; });
    const char probe[] = "probe";
    char back[sizeof probe] = {};
    void* remote = VirtualAllocEx(process_.hProcess, nullptr, 256, MEM_COMMIT, PAGE_READWRITE);
    if (remote == nullptr) return GetLastError() != 0 ? GetLastError() : ERROR_GEN_FAILURE;
    DWORD error = ERROR_NOT_SUPPORTED;
    if (WriteProcessMemory(process_.hProcess, remote, probe, sizeof probe, nullptr)) {
      SendMessageA(bar, SB_GETTEXTA, 0, reinterpret_cast<LPARAM>(remote));
      if (ReadProcessMemory(process_.hProcess, remote, back, sizeof back - 1, nullptr) &&
          std::string(back) != probe) {
        error = 0;
      }
    }
    VirtualFreeEx(process_.hProcess, remote, 0, MEM_RELEASE);
    return error;
  }
  std::string Panel(int id) { return Text(GetDlgItem(window, id)); }
  long Frames() { return Counts().first; }
  long Dropped() { return Counts().second; }
  bool FramesGrowFrom(long frames) {
    return WaitUntil([&] { return Frames() >= frames + 3; });
  }
  HWND Picture() { return GetWindow(GetDlgItem(window, kPicturePane), GW_CHILD); }

  HWND window = nullptr;

 private:
  std::pair<long, long> Counts() {
    long frames = -1, dropped = -1;
    std::sscanf(Status(2).c_str(), "%ld frames, %ld dropped", &frames, &dropped);
    return {frames, dropped};
  }
  PROCESS_INFORMATION process_ = {};
  bool started_ = false;
};

// Runs script on the next dialog of the viewer's thread, opened by command.
void WithDialog(RunningViewer& viewer, int command, const std::function<void(HWND)>& script) {
  viewer.Command(command);
  HWND dialog = WaitForDialog(viewer.Thread());
  ASSERT_NE(dialog, nullptr) << "no dialog after command " << command;
  script(dialog);
  if (IsWindow(dialog)) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
  EXPECT_TRUE(WaitUntil([&] { return !IsWindow(dialog); }));
}

struct Bitmap {
  int width = 0, height = 0;
  std::vector<unsigned char> bytes;
  // Red, green, blue of pixel (x, y) counted from the top of a 24-bit bottom-up BMP.
  std::vector<int> Pixel(int x, int y) const {
    std::size_t offset = bytes[10] | bytes[11] << 8 | bytes[12] << 16;
    std::size_t stride = (width * 3 + 3) / 4 * 4;
    const unsigned char* p = &bytes[offset + (height - 1 - y) * stride + x * 3];
    return {p[2], p[1], p[0]};
  }
};

Bitmap ReadBitmap(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  Bitmap bitmap;
  bitmap.bytes.assign(std::istreambuf_iterator<char>(in), {});
  if (bitmap.bytes.size() < 54) return bitmap;
  auto at = [&](int i) { return bitmap.bytes[i] | bitmap.bytes[i + 1] << 8 | bitmap.bytes[i + 2] << 16; };
  bitmap.width = at(18);
  bitmap.height = at(22);
  return bitmap;
}

class ViewerMenuTest : public ::testing::Test {
 protected:
  void SetUp() override { StoredSettings::Erase(); }
  void TearDown() override { StoredSettings::Erase(); }

  std::filesystem::path Folder() {
    auto folder = ProgramFolder().parent_path() / "viewer-test";
    std::filesystem::create_directories(folder);
    return folder;
  }
};

// The first-run exposure is black: the analog dialog gives the chart its light,
// and the panel reads the new values back.
void SetExposureAndGain(RunningViewer& viewer, int exposure, int gain) {
  WithDialog(viewer, kMenuAnalogDialog, [&](HWND sheet) {
    HWND page = PageWith(sheet, kExposureBar);
    ASSERT_NE(page, nullptr);
    MoveTrackbar(page, kExposureBar, exposure);
    MoveTrackbar(page, kGainBar, gain);
    Click(sheet, IDOK);
  });
  EXPECT_TRUE(WaitUntil([&] {
    return viewer.Panel(kExposureText) == "exposure: " + std::to_string(exposure) + " lines";
  })) << viewer.Panel(kExposureText);
  EXPECT_EQ(viewer.Panel(kGainText), "gain: " + std::to_string(gain));
}

void SaveAs(RunningViewer& viewer, int filterIndex, const std::filesystem::path& file) {
  WithDialog(viewer, kMenuSaveAs, [&](HWND dialog) {
    HWND name = GetDlgItem(dialog, kFileNameCombo);
    if (name == nullptr) name = GetDlgItem(dialog, kFileNameEdit);
    ASSERT_NE(name, nullptr);
    // The dialog takes a file type when its list reports the choice made.
    Select(dialog, kFileTypeList, filterIndex - 1);
    HWND types = GetDlgItem(dialog, kFileTypeList);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(kFileTypeList, CBN_SELENDOK),
                 reinterpret_cast<LPARAM>(types));
    SetWindowTextA(name, file.string().c_str());
    Click(dialog, IDOK);
  });
}

// The file's first bytes once it has been written whole (its size stands still).
std::string HeadOfFinishedFile(const std::filesystem::path& file, std::size_t bytes) {
  std::uintmax_t last = 0;
  WaitUntil([&] {
    std::error_code error;
    std::uintmax_t size = std::filesystem::file_size(file, error);
    bool still = !error && size > 0 && size == last;
    last = error ? 0 : size;
    if (!still) std::this_thread::sleep_for(200ms);
    return still;
  });
  std::ifstream in(file, std::ios::binary);
  std::string head(bytes, '\0');
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  return head;
}

#define SKIP_WITHOUT_STATUS(viewer)                                                    \
  if (DWORD error = (viewer).StatusUnreadable()) {                                     \
    GTEST_SKIP() << "the viewer's status bar cannot be read from this process (error "  \
                 << error << ")";                                                      \
  }

TEST_F(ViewerMenuTest, MenusDialogsViewsAndCamerasOfARunningViewer) {
  RunningViewer viewer({{"KELVO_Q12_EMULATOR", "2"}, {"KELVO_Q12_EMULATOR_SCENE", "still"}});
  ASSERT_NE(viewer.window, nullptr) << "no viewer window";
  SKIP_WITHOUT_STATUS(viewer);
  EXPECT_TRUE(WaitUntil([&] { return viewer.Frames() > 0; }));
  EXPECT_EQ(viewer.Status(0), "camera 1 of 2: live");
  EXPECT_EQ(viewer.Panel(kFormatText), "24 bits, 1280 x 960, fitted");

  SetExposureAndGain(viewer, 260, 150);
  ASSERT_TRUE(viewer.FramesGrowFrom(viewer.Frames()));
  EXPECT_TRUE(SaveScreenshot(viewer.window, ScreenshotFile("viewer.png")));

  // Save As: each file type of the dialog's list gives its format.
  const struct {
    int filterIndex;
    const char* name;
    std::string magic;
  } kSaves[] = {{1, "saved.png", "\x89PNG"},
                {2, "saved.bmp", "BM"},
                {3, "saved.jpg", "\xFF\xD8\xFF"},
                {6, "saved.tif", std::string("II*\0", 4)}};
  for (const auto& save : kSaves) {
    std::filesystem::path file = Folder() / save.name;
    std::filesystem::remove(file);
    SaveAs(viewer, save.filterIndex, file);
    EXPECT_EQ(HeadOfFinishedFile(file, save.magic.size()), save.magic) << save.name;
  }

  // 1:1: the picture at its own size, and the pixel under the cursor is the
  // saved picture's (the still scene repeats every frame exactly).
  viewer.Command(kMenuActualSize);
  EXPECT_TRUE(WaitUntil([&] { return viewer.Panel(kFormatText) == "24 bits, 1280 x 960, 1:1"; }));
  RECT picture = {};
  GetWindowRect(viewer.Picture(), &picture);
  EXPECT_EQ(picture.right - picture.left, 1280);
  EXPECT_EQ(picture.bottom - picture.top, 960);
  Bitmap saved = ReadBitmap(Folder() / "saved.bmp");
  ASSERT_EQ(saved.width, 1280);
  for (POINT at : {POINT{100, 60}, POINT{300, 200}, POINT{20, 300}}) {
    SetCursorPos(picture.left + at.x, picture.top + at.y);
    std::vector<int> rgb = saved.Pixel(at.x, at.y);
    char expected[128];
    std::snprintf(expected, sizeof expected, "pixel (%ld, %ld) of 255:\nred %d, green %d, blue %d",
                  at.x, at.y, rgb[0], rgb[1], rgb[2]);
    EXPECT_TRUE(WaitUntil([&] { return viewer.Panel(kPixelText) == expected; }))
        << viewer.Panel(kPixelText) << " instead of " << expected;
  }
  SetCursorPos(0, 0);

  // Resizable: back to the fitted view in a larger window, the picture keeps
  // its proportions and the status bar its place at the bottom.
  viewer.Command(kMenuFitView);
  SetWindowPos(viewer.window, nullptr, 0, 0, 1100, 760, SWP_NOZORDER | SWP_NOMOVE);
  EXPECT_TRUE(WaitUntil([&] {
    RECT fitted = {};
    GetWindowRect(viewer.Picture(), &fitted);
    const int width = fitted.right - fitted.left, height = fitted.bottom - fitted.top;
    return width > 640 && std::abs(width * 3 - height * 4) <= 4;
  }));
  RECT client = {}, bar = {};
  GetClientRect(viewer.window, &client);
  GetWindowRect(GetDlgItem(viewer.window, kStatusBar), &bar);
  MapWindowPoints(nullptr, viewer.window, reinterpret_cast<POINT*>(&bar), 2);
  EXPECT_EQ(bar.bottom, client.bottom);
  EXPECT_EQ(bar.right - bar.left, client.right);

  // The camera format dialog restarts the stream in the mode chosen there.
  for (const auto& [index, format, pixel] :
       {std::tuple{0, "8 bits, 1280 x 960, fitted", "grey"},
        std::tuple{2, "24 bits, 1280 x 960, fitted", "red"}}) {
    WithDialog(viewer, kMenuCameraDialog, [&](HWND dialog) {
      Select(dialog, kColorList, index);
      Click(dialog, IDOK);
    });
    EXPECT_TRUE(WaitUntil([&] { return viewer.Panel(kFormatText) == format; }))
        << viewer.Panel(kFormatText);
    ASSERT_TRUE(viewer.FramesGrowFrom(viewer.Frames()));
    RECT fitted = {};
    GetWindowRect(viewer.Picture(), &fitted);
    SetCursorPos((fitted.left + fitted.right) / 2, (fitted.top + fitted.bottom) / 2);
    EXPECT_TRUE(WaitUntil(
        [&] { return viewer.Panel(kPixelText).find(pixel) != std::string::npos; }))
        << viewer.Panel(kPixelText);
  }
  SetCursorPos(0, 0);

  // The image filter dialog opens over the live picture and cancels.
  WithDialog(viewer, kMenuImageDialog, [&](HWND sheet) {
    EXPECT_NE(PageWith(sheet, kAllFrames), nullptr);
    EXPECT_TRUE(SaveScreenshot(sheet, ScreenshotFile("viewer-image-dialog.png")));
    Click(sheet, IDCANCEL);
  });
  EXPECT_TRUE(viewer.FramesGrowFrom(viewer.Frames()));

  // Snapshot holds the picture; Live lets it go.
  viewer.Command(kMenuSnapshot);
  EXPECT_TRUE(WaitUntil([&] { return viewer.Status(0) == "camera 1 of 2: held"; }));
  EXPECT_EQ(viewer.Status(1), "no stream");
  viewer.Command(kMenuLive);
  EXPECT_TRUE(WaitUntil([&] { return viewer.Status(0) == "camera 1 of 2: live"; }));
  EXPECT_TRUE(viewer.FramesGrowFrom(viewer.Frames()));

  // The Camera menu: the second camera, its own count, then the first again.
  for (int camera : {1, 0}) {
    viewer.Command(kMenuCamera0 + camera);
    std::string live = "camera " + std::to_string(camera + 1) + " of 2: live";
    EXPECT_TRUE(WaitUntil([&] { return viewer.Status(0) == live; })) << viewer.Status(0);
    EXPECT_TRUE(viewer.FramesGrowFrom(0));
  }
  EXPECT_EQ(viewer.Dropped(), 0);
  EXPECT_EQ(viewer.Status(3), "last error: 0 (none)");

  viewer.Command(kMenuExit);
  DWORD exitCode = 1;
  ASSERT_TRUE(viewer.Ended(&exitCode));
  EXPECT_EQ(exitCode, 0u);
}

// A short frame in the stream stops it (Err 13): the viewer says so, shows no
// rate and no growing count, and File > Live starts it again.
TEST_F(ViewerMenuTest, AStoppedStreamIsShownAsStoppedAndLiveRestartsIt) {
  std::filesystem::path script = Folder() / "faults.txt";
  std::ofstream(script) << "frame 20 short\n";
  RunningViewer viewer({{"KELVO_Q12_EMULATOR", "1"}, {"KELVO_Q12_EMULATOR_FAULTS", script.string()}});
  ASSERT_NE(viewer.window, nullptr) << "no viewer window";
  SKIP_WITHOUT_STATUS(viewer);
  EXPECT_TRUE(WaitUntil([&] { return viewer.Status(0) == "camera 1 of 1: stopped (Err 13); File > Live restarts"; }))
      << viewer.Status(0);
  EXPECT_EQ(viewer.Status(1), "no stream");
  EXPECT_EQ(viewer.Status(3), "last error: 13 (transfer stopped)");
  EXPECT_EQ(viewer.Dropped(), 0);  // the stream ended; no frame of it was lost
  const long frozen = viewer.Frames();
  std::this_thread::sleep_for(1s);
  EXPECT_EQ(viewer.Frames(), frozen);
  EXPECT_TRUE(SaveScreenshot(viewer.window, ScreenshotFile("viewer-stopped.png")));

  viewer.Command(kMenuLive);
  EXPECT_TRUE(WaitUntil([&] { return viewer.Status(0) == "camera 1 of 1: live"; }))
      << viewer.Status(0);
  EXPECT_TRUE(viewer.FramesGrowFrom(frozen));
  EXPECT_NE(viewer.Status(1), "no stream");
  // Closing the failed stream reported it again (Err 6): not a new fault.
  EXPECT_EQ(viewer.Status(3), "last error: 13 (transfer stopped)");
}

}  // namespace
}  // namespace kelvo::testing
