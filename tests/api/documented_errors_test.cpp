// The codes docs/errors.md names for each function are the ones the function
// records: a table of {function, code, situation}, each driven on emulated
// cameras, and the table of the document compared with it.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "dialogs/settings_dialogs.h"
#include "emulator/fault_script.h"
#include "image/frame_image.h"
#include "platform/thread.h"
#include "support/stand_in_windows.h"

namespace kelvo::testing {
namespace {

using namespace std::chrono_literals;

class DocumentedErrorsTest;
// Drives one situation and returns every code the camera recorded, newest first.
using Drive = std::function<std::vector<int>(DocumentedErrorsTest&)>;

struct ErrorCase {
  const char* function;
  int code;
  const char* situation;
  Drive drive;
};

void PrintTo(const ErrorCase& row, std::ostream* out) {
  *out << row.function << " records " << row.code << " " << row.situation;
}

class DocumentedErrorsTest : public StandInWindowsTest,
                             public ::testing::WithParamInterface<ErrorCase> {
 public:
  using EmulatedSdkTest::Errors;
  using EmulatedSdkTest::Open;
  using EmulatedSdkTest::Release;

  void TearDown() override {
    platform::FailThreadStartsForTesting(0);
    platform::FailEventCreationForTesting(-1);
    FailImageStorageForTesting(-1);
    StandInWindowsTest::TearDown();
  }

  KelvoHandle Fresh() {
    KelvoHandle camera = Open();
    Errors(camera);
    return camera;
  }
  // A camera whose initialisation failed: it has no device link.
  KelvoHandle WithoutDevice() {
    FailCameraAllocationForTesting(0);
    KelvoHandle camera = Open();
    FailCameraAllocationForTesting(-1);
    Errors(camera);
    return camera;
  }
  // A camera that started while its device 0 was missing.
  KelvoHandle Absent() {
    emulator->SetPresent(0, false);
    return Fresh();
  }
  // A camera whose device 0 has gone since it started.
  KelvoHandle Unplugged() {
    KelvoHandle camera = Fresh();
    emulator->SetPresent(0, false);
    return camera;
  }
  // A camera with a capture window the sensor cannot give.
  KelvoHandle BadGeometry() {
    KelvoHandle camera = Fresh();
    CameraOf(camera)->width = 2;
    return camera;
  }
  // A camera triggered every 50 ms in trigger mode.
  KelvoHandle Triggered(const char* script = "") {
    UseEmulator(2, 50);
    return Faulty(script);
  }
  KelvoHandle Faulty(const char* script) {
    std::string why;
    auto faults = emulator::ParseFaultScript(script, &why);
    EXPECT_TRUE(faults) << why;
    emulator->SetFaults(0, *faults);
    return Fresh();
  }
  // The codes recorded until `code` comes (from the worker) or 3 s pass.
  static std::vector<int> Await(KelvoHandle camera, int code) {
    std::vector<int> codes;
    for (auto until = std::chrono::steady_clock::now() + 3s;
         std::chrono::steady_clock::now() < until;) {
      for (int c : Errors(camera)) codes.push_back(c);
      if (std::find(codes.begin(), codes.end(), code) != codes.end()) break;
      std::this_thread::sleep_for(10ms);
    }
    return codes;
  }
  // The codes recorded by a call that has returned `result`.
  static std::vector<int> After(KelvoHandle camera, int /*result*/) { return Errors(camera); }
};

unsigned char small[16];

// One situation per documented code: the first argument names the camera,
// the second the call.
#define CASE(function, code, situation, camera, call)                   \
  ErrorCase {                                                           \
#function, code, situation, [](DocumentedErrorsTest& t) {             \
      KelvoHandle h = t.camera;                                           \
      return DocumentedErrorsTest::After(h, (call));                      \
    } \
  }
// The same for a code the acquisition's worker records after the start.
#define LATER(function, code, situation, camera, call)                  \
  ErrorCase {                                                           \
#function, code, situation, [](DocumentedErrorsTest& t) {             \
      KelvoHandle h = t.camera;                                           \
      EXPECT_EQ((call), 1);                                               \
      std::vector<int> codes = DocumentedErrorsTest::Await(h, code);      \
      Kelvo_Close(h);                                                     \
      return codes;                                                       \
    } \
  }
// Drives a stream into its failure, then the given stop.
#define STOPPED(function, stop)                                                            \
  ErrorCase {                                                                              \
#function, KELVO_ERR_DEVICE_IO, "after the stream failed", [](DocumentedErrorsTest& t) { \
      KelvoHandle h = t.Faulty("frame 2 drop");                           \
      EXPECT_EQ(Kelvo_StartPreview(h), 1);                                \
      DocumentedErrorsTest::Await(h, KELVO_ERR_TRANSFER_STOPPED);         \
      return DocumentedErrorsTest::After(h, stop(h));                     \
    } \
  }

#define NO_DEVICE(function, call) CASE(function, 1, "without a device link", WithoutDevice(), call)
#define UNSUPPORTED(function) CASE(function, 11, "on any camera", Fresh(), function(h, 1, 2))

int ThreadlessStart(int (*start)(KelvoHandle), KelvoHandle h) {
  platform::FailThreadStartsForTesting(1);
  return start(h);
}
int StreamlessStart(int (*start)(KelvoHandle), KelvoHandle h) {
  platform::FailEventCreationForTesting(2);  // the worker's two events, then the stream's
  return start(h);
}
int BufferlessStart(int (*start)(KelvoHandle), KelvoHandle h) {
  FailImageStorageForTesting(0);
  return start(h);
}
int WindowlessStart(int (*start)(KelvoHandle), KelvoHandle h) {
  UseWindowStandInForTesting(false);  // a Linux build has no windows of its own
  return start(h);
}
int CallBack(KelvoHandle h) { return Kelvo_CallBackPreview(h, SomeWindow(), nullptr, 0, 1); }
int CallBackSmall(KelvoHandle h) {
  return Kelvo_CallBackPreview(h, SomeWindow(), small, sizeof small, 1);
}
int TriggerStart(KelvoHandle h) { return Kelvo_Trigger(h, SomeWindow(), nullptr, 0, 1); }
int TriggerSmall(KelvoHandle h) { return Kelvo_Trigger(h, SomeWindow(), small, sizeof small, 1); }
int SnapShot(KelvoHandle h) { return Kelvo_SnapShot(h, nullptr, 0, 1); }
// Opens a dialog of `kind` while one of that kind is open already.
template <dialogs::DialogKind kind>
int WhileOneIsOpen(int (*open)(KelvoHandle, KelvoWindow), KelvoHandle h) {
  dialogs::DialogClaim first(kind);
  return open(h, nullptr);
}
#define DIALOG(function, kind)                        \
  NO_DEVICE(function, function(h, nullptr)),          \
      CASE(function, 4, "while one is open", Fresh(), \
           WhileOneIsOpen<dialogs::DialogKind::kind>(function, h))

// Starts that prepare the buffers, with the codes of preparation.
#define PREPARING(function, start)                                                        \
  NO_DEVICE(function, start(h)),                                                          \
      CASE(function, 2, "when the device is missing", Absent(), start(h)),                \
      CASE(function, 5, "without memory for images", Fresh(), BufferlessStart(start, h)), \
      CASE(function, 7, "with a capture window under 4 x 4", BadGeometry(), start(h))
#define WORKER(function, start) \
  CASE(function, 3, "without a worker", Fresh(), ThreadlessStart(start, h))
#define STREAM(function, start)                                                          \
  CASE(function, 6, "when the stream cannot start", Fresh(), StreamlessStart(start, h)), \
      LATER(function, 13, "after a short frame", Faulty("frame 2 short"), start(h))
#define WINDOW(function, start) \
  CASE(function, 4, "without windows", Fresh(), WindowlessStart(start, h))

const std::vector<ErrorCase>& Cases() {
  static char names[KELVO_DEVICE_NAME_SLOT * KELVO_DEVICE_NAME_SLOTS];
  static CameraInfo info;
  static int ok;
  static const std::vector<ErrorCase> table = {
      ErrorCase{"Kelvo_Initialize", 5, "without memory",
                [](DocumentedErrorsTest& t) {
                  FailCameraAllocationForTesting(0);
                  KelvoHandle h = t.Open();
                  FailCameraAllocationForTesting(-1);
                  return DocumentedErrorsTest::Errors(h);
                }},
      ErrorCase{"Kelvo_Initialize", 7, "with a stored colour mode of 6",
                [](DocumentedErrorsTest& t) {
                  t.Release(t.Open());  // the first run writes the settings
                  StoredSettings::Write("", "Color", 6);
                  return DocumentedErrorsTest::Errors(t.Open());
                }},
      NO_DEVICE(Kelvo_SetDeviceNumber, Kelvo_SetDeviceNumber(h, 0)),
      CASE(Kelvo_SetDeviceNumber, 2, "for a device not attached", Fresh(),
           Kelvo_SetDeviceNumber(h, 2)),
      NO_DEVICE(Kelvo_EnumDevice, Kelvo_EnumDevice(h, names)),
      NO_DEVICE(Kelvo_GetDeviceName, Kelvo_GetDeviceName(h, 0, names, 256)),
      CASE(Kelvo_GetDeviceName, 2, "for a device not attached", Fresh(),
           Kelvo_GetDeviceName(h, 2, names, 256)),
      CASE(Kelvo_GetDeviceName, 9, "into 14 bytes", Fresh(), Kelvo_GetDeviceName(h, 0, names, 14)),
      NO_DEVICE(Kelvo_GetCameraInfo, (info.size = sizeof info, Kelvo_GetCameraInfo(h, &info))),
      CASE(Kelvo_GetCameraInfo, 5, "into a 35-byte record", Fresh(),
           (info.size = 35, Kelvo_GetCameraInfo(h, &info))),
      CASE(Kelvo_GetCameraInfo, 9, "into no record", Fresh(), Kelvo_GetCameraInfo(h, nullptr)),
      CASE(Kelvo_SetColorMode, 9, "for 12 bits", Fresh(), Kelvo_SetColorMode(h, 12)),
      NO_DEVICE(Kelvo_SetPreviewWindow, Kelvo_SetPreviewWindow(h, nullptr, 0, 0, 64, 48)),

      PREPARING(Kelvo_Preview, Kelvo_Preview),
      WORKER(Kelvo_Preview, Kelvo_Preview),
      WINDOW(Kelvo_Preview, Kelvo_Preview),
      STREAM(Kelvo_Preview, Kelvo_Preview),
      PREPARING(Kelvo_CallBackPreview, CallBack),
      WORKER(Kelvo_CallBackPreview, CallBack),
      WINDOW(Kelvo_CallBackPreview, CallBack),
      STREAM(Kelvo_CallBackPreview, CallBack),
      LATER(Kelvo_CallBackPreview, 5, "into a 16-byte buffer", Fresh(), CallBackSmall(h)),
      PREPARING(Kelvo_StartPreview, Kelvo_StartPreview),
      WORKER(Kelvo_StartPreview, Kelvo_StartPreview),
      STREAM(Kelvo_StartPreview, Kelvo_StartPreview),
      NO_DEVICE(Kelvo_StopPreview, Kelvo_StopPreview(h)),
      STOPPED(Kelvo_StopPreview, Kelvo_StopPreview),
      NO_DEVICE(Kelvo_Close, Kelvo_Close(h)),
      STOPPED(Kelvo_Close, Kelvo_Close),
      PREPARING(Kelvo_Capture, Kelvo_Capture),
      PREPARING(Kelvo_SnapShot, SnapShot),
      CASE(Kelvo_SnapShot, 5, "into a 16-byte buffer", Fresh(),
           Kelvo_SnapShot(h, small, sizeof small, 1)),
      CASE(Kelvo_SnapShot, 8, "when its frame is lost", Faulty("frame 1 drop"), SnapShot(h)),
      PREPARING(Kelvo_Trigger, TriggerStart),
      WORKER(Kelvo_Trigger, TriggerStart),
      WINDOW(Kelvo_Trigger, TriggerStart),
      LATER(Kelvo_Trigger, 5, "into a 16-byte buffer", Triggered(), TriggerSmall(h)),
      LATER(Kelvo_Trigger, 8, "when an armed frame is lost", Triggered("frame 2 drop"),
            TriggerStart(h)),
      NO_DEVICE(Kelvo_GetImage, Kelvo_GetImage(h, small, sizeof small, 1)),
      CASE(Kelvo_GetImage, 5, "into no buffer", Fresh(), Kelvo_GetImage(h, nullptr, 0, 1)),
      NO_DEVICE(Kelvo_SaveImage, Kelvo_SaveImage(h, "never-written.bmp", KELVO_SAVE_BMP)),

      DIALOG(Kelvo_SetCameraDlg, CameraFormat),
      DIALOG(Kelvo_SetImageDlg, ImageFilter),
      DIALOG(Kelvo_SetAnalogDlg, Analog),
      NO_DEVICE(Kelvo_SetFilterValue, Kelvo_SetFilterValue(h, KELVO_FILTER_GAMMA, 100)),
      CASE(Kelvo_SetFilterValue, 9, "for id 14", Fresh(), Kelvo_SetFilterValue(h, 14, 0)),
      NO_DEVICE(Kelvo_GetFilterValue, Kelvo_GetFilterValue(h, KELVO_FILTER_GAMMA, &ok)),
      CASE(Kelvo_GetFilterValue, 9, "for id 99", Fresh(), Kelvo_GetFilterValue(h, 99, &ok)),
      NO_DEVICE(Kelvo_SetMirrorV, Kelvo_SetMirrorV(h, 1)),
      NO_DEVICE(Kelvo_GetMirrorV, Kelvo_GetMirrorV(h)),
      CASE(Kelvo_SetAutoIris, 9, "for mode 3", Fresh(), Kelvo_SetAutoIris(h, 3)),
      NO_DEVICE(Kelvo_WriteRegister, Kelvo_WriteRegister(h, 4, 1)),
      CASE(Kelvo_WriteRegister, 6, "when the device has gone", Unplugged(),
           Kelvo_WriteRegister(h, 4, 1)),
      NO_DEVICE(Kelvo_ReadRegister, Kelvo_ReadRegister(h, 4, &ok)),
      CASE(Kelvo_ReadRegister, 6, "of register 0xC0, not the sensor's", Fresh(),
           Kelvo_ReadRegister(h, 0xC0, &ok)),
      NO_DEVICE(Kelvo_WriteSromID, Kelvo_WriteSromID(h, 0, 1)),
      NO_DEVICE(Kelvo_ReadSromID, Kelvo_ReadSromID(h, 0, &ok)),
      UNSUPPORTED(Kelvo_Fpga_ReadRegister),
      UNSUPPORTED(Kelvo_Fpga_WriteRegister),
      UNSUPPORTED(Kelvo_Fps),
      UNSUPPORTED(Kelvo_GetCameraType),
      UNSUPPORTED(Kelvo_GetCaptureWindowEx),
      UNSUPPORTED(Kelvo_GetIOPort),
      UNSUPPORTED(Kelvo_Record),
      UNSUPPORTED(Kelvo_SetCameraType),
      UNSUPPORTED(Kelvo_SetCaptureWindow),
      UNSUPPORTED(Kelvo_SetCaptureWindowEx),
      UNSUPPORTED(Kelvo_SetCrossbar),
      UNSUPPORTED(Kelvo_SetHalfClock),
      UNSUPPORTED(Kelvo_SetIOPort),
      UNSUPPORTED(Kelvo_SetMirrorH),
      UNSUPPORTED(Kelvo_SetSamplingRate),
      UNSUPPORTED(Kelvo_SetSubSample),
  };
  return table;
}

TEST_P(DocumentedErrorsTest, TheFunctionRecordsTheCode) {
  const std::vector<int> recorded = GetParam().drive(*this);
  EXPECT_NE(std::find(recorded.begin(), recorded.end(), GetParam().code), recorded.end())
      << ::testing::PrintToString(recorded);
}

INSTANTIATE_TEST_SUITE_P(Table, DocumentedErrorsTest, ::testing::ValuesIn(Cases()));

using FunctionCodes = std::map<std::string, std::set<int>>;

// The cells of a table row "| first | second |"; none for any other line.
std::vector<std::string> Cells(const std::string& line) {
  std::vector<std::string> cells;
  if (line.empty() || line.front() != '|') return cells;
  std::stringstream row(line.substr(1));
  for (std::string cell; std::getline(row, cell, '|');) cells.push_back(cell);
  if (!cells.empty() && cells.back().find_first_not_of(" \t") == std::string::npos)
    cells.pop_back();
  return cells;
}

// The `Kelvo_*` names quoted in a cell.
std::vector<std::string> QuotedFunctions(const std::string& cell) {
  std::vector<std::string> names;
  for (std::size_t at = cell.find("`Kelvo_"); at != std::string::npos;
       at = cell.find("`Kelvo_", at + 1)) {
    const std::size_t end = cell.find('`', at + 1);
    if (end == std::string::npos) break;
    names.push_back(cell.substr(at + 1, end - at - 1));
  }
  return names;
}

// The table under "## Errors by function": every `Kelvo_*` name of a row's
// first cell gets every number of its second.
FunctionCodes DocumentedCodes() {
  std::ifstream doc(KELVO_ERRORS_DOC);
  EXPECT_TRUE(doc) << KELVO_ERRORS_DOC;
  FunctionCodes codes;
  bool inTable = false;
  for (std::string line; std::getline(doc, line);) {
    if (line.rfind("## ", 0) == 0) inTable = line == "## Errors by function";
    const std::vector<std::string> cells = Cells(line);
    if (!inTable || cells.size() != 2) continue;
    for (const std::string& function : QuotedFunctions(cells[0])) {
      std::set<int>& set = codes[function];
      const std::string& numbers = cells[1];
      for (std::size_t at = numbers.find_first_of("0123456789"); at != std::string::npos;) {
        const std::size_t end = numbers.find_first_not_of("0123456789", at);
        set.insert(std::stoi(numbers.substr(at, end - at)));
        at = end == std::string::npos ? end : numbers.find_first_of("0123456789", end);
      }
    }
  }
  return codes;
}

TEST(ErrorsDocument, NamesForEachFunctionExactlyTheCodesTheTableShows) {
  FunctionCodes shown;
  for (const ErrorCase& row : Cases()) shown[row.function].insert(row.code);
  const FunctionCodes documented = DocumentedCodes();
  for (const auto& [function, codes] : documented) {
    EXPECT_EQ(codes, shown[function]) << function << ": documented against driven";
  }
  for (const auto& [function, codes] : shown) {
    EXPECT_TRUE(documented.count(function)) << function << " is driven but not documented";
  }
}

}  // namespace
}  // namespace kelvo::testing
