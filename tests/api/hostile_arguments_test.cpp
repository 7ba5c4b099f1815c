// Every export on an initialised camera in each state (idle, captured,
// preview, trigger) with the arguments a careless or hostile caller passes:
// null and dangling pointers where nothing may be written, sizes, indices and
// ids at their extremes, buffers one byte short, window handles that are no
// windows. Each call must give its failure value and error, write nothing
// outside the buffers it was given, and leave a camera that still takes a
// snapshot.
#ifdef _WIN32
#include <windows.h>
#endif
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <climits>
#include <cstdio>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "device/device_link.h"
#include "image/frame_image.h"
#include "support/emulated_sdk.h"

namespace kelvo::testing {
namespace {

namespace fs = std::filesystem;

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

enum Phase { kIdle, kCaptured, kPreview, kTrigger, kSame };
constexpr const char* kPhaseNames[] = {"idle", "captured", "preview", "trigger"};
constexpr CameraState kPhaseStates[] = {StateIdle, StateCaptured, StatePreview, StateTrigger};

// A small capture window whose rows are padded, so a buffer one byte short of
// the image is short of its padding, and frames come quickly.
constexpr int kWidth = 322;
constexpr int kHeight = 240;
constexpr int ImageBytes(int bitsPerPixel) {
  return (kWidth * (bitsPerPixel / 8) + 3) / 4 * 4 * kHeight;
}

constexpr int kAnyResult = INT_MIN + 1;  // a value the call reports, not one the table fixes
constexpr int kUntouched = 0x5A5A5A5A;   // the flag argument before each call

// What one call must give: its result, the errors it records (newest first),
// the state afterwards and what it left in the flag argument.
struct Outcome {
  int result;
  std::vector<int> errors = {};
  Phase after = kSame;
  int flag = kUntouched;
  // An error a running worker may record meanwhile, for a buffer the call handed it.
  int background = 0;
};
using PerState = std::array<Outcome, 4>;

PerState Always(const Outcome& outcome) { return {outcome, outcome, outcome, outcome}; }
// Refused without an error while acquiring, as the acquisition exports are.
PerState WhenIdleOrCaptured(const Outcome& outcome) {
  return {outcome, outcome, Outcome{0}, Outcome{0}};
}

constexpr int kErrNoDevice = KELVO_ERR_NO_DEVICE;
constexpr int kErrAbsent = KELVO_ERR_DEVICE_ABSENT;
constexpr int kErrWindow = KELVO_ERR_WINDOW;
constexpr int kErrBuffer = KELVO_ERR_BUFFER;
constexpr int kErrIo = KELVO_ERR_DEVICE_IO;
constexpr int kErrArgument = KELVO_ERR_ARGUMENT;
constexpr int kErrNotSupported = KELVO_ERR_NOT_SUPPORTED;

// A pointer no call may follow: writing through it faults, on Linux and under Wine.
template <typename T = void>
T* Dangling() {
  return reinterpret_cast<T*>(std::uintptr_t{0x10});
}

// Memory a call may write, between guard bytes it must not touch.
class Guarded {
 public:
  explicit Guarded(std::size_t bytes) : bytes_(bytes + 2 * kGuard, kGuardByte), size_(bytes) {
    std::fill_n(bytes_.begin() + kGuard, size_, std::uint8_t{0x5C});
  }
  void* get() { return bytes_.data() + kGuard; }
  bool GuardsIntact() const {
    auto intact = [](auto first, auto last) {
      return std::all_of(first, last, [](std::uint8_t b) { return b == kGuardByte; });
    };
    return intact(bytes_.begin(), bytes_.begin() + kGuard) &&
           intact(bytes_.end() - kGuard, bytes_.end());
  }

 private:
  static constexpr std::size_t kGuard = 64;
  static constexpr std::uint8_t kGuardByte = 0xA7;
  std::vector<std::uint8_t> bytes_;
  std::size_t size_;
};

// What a row's calls work with. Buffers live until the camera has stopped,
// so a worker that keeps one never writes into freed memory.
struct Probe {
  KelvoHandle h = 0;
  int frameBytes = 0;  // a whole image of the colour mode every row starts in
  KelvoWindow parent = nullptr;
  KelvoWindow notAWindow = SomeWindow();
  KelvoWindow destroyedWindow = nullptr;
  fs::path folder;
  int flag = kUntouched;
  std::deque<Guarded> buffers;

  void* Buffer(std::size_t bytes) { return buffers.emplace_back(bytes).get(); }
  bool GuardsIntact() const {
    return std::all_of(buffers.begin(), buffers.end(),
                       [](const Guarded& g) { return g.GuardsIntact(); });
  }
  std::string File(const char* name) const { return (folder / name).string(); }
};

struct HostileCall {
  std::string what;
  std::function<int(Probe&)> call;
  PerState expected;
};

struct ExportRow {
  std::string name;
  std::vector<HostileCall> calls;
  // A later preview must run without the buffers the calls handed over.
  bool deliversFrames = false;
  bool releasesCamera = false;
  // The device the camera runs on; another handle's start-up resets the one it opens.
  int device = 0;
};

// ---- the rows

// The window-backed starts: on Linux there are no windows (Err 4); under
// Windows a window comes up in every state but preview, and the start follows
// the state table (captured: refused, then closed; trigger: closed first).
PerState WindowedStart(int background = 0) {
  if (!kWindows) {
    return {Outcome{0, {kErrWindow}}, Outcome{0, {kErrWindow}}, Outcome{0},
            Outcome{0, {kErrWindow}, kIdle}};
  }
  return {Outcome{1, {}, kPreview, kUntouched, background}, Outcome{0, {}, kIdle}, Outcome{0},
          Outcome{1, {}, kPreview, kUntouched, background}};
}
// A window-backed start whose window cannot be made.
PerState WindowedStartWithoutWindow() {
  return {Outcome{0, {kErrWindow}}, Outcome{0, {kErrWindow}}, Outcome{0},
          Outcome{0, {kErrWindow}, kIdle}};
}
// Trigger mode starts only from idle, and only where windows exist.
PerState TriggerStart(int background = 0) {
  Outcome fromIdle =
      kWindows ? Outcome{1, {}, kTrigger, kUntouched, background} : Outcome{0, {kErrWindow}};
  return {fromIdle, Outcome{0}, Outcome{0}, Outcome{0}};
}

// The two starts that copy every frame into the caller's buffer get the same
// deliveries; started gives what a start that succeeds in idle gives.
using DeliveryStart = int(KELVO_CALL*)(KelvoHandle, KelvoWindow, void*, int, int);

std::vector<HostileCall> DeliveryCalls(DeliveryStart start, PerState (*started)(int background),
                                       const PerState& withoutWindow) {
  return {
      {"notify window that is not a window, buffer one byte short",
       [start](Probe& p) {
         return start(p.h, p.notAWindow, p.Buffer(p.frameBytes - 1), p.frameBytes - 1, 1);
       },
       started(kErrBuffer)},
      {"dangling buffer of size 0, order INT_MIN",
       [start](Probe& p) { return start(p.h, p.notAWindow, Dangling(), 0, INT_MIN); }, started(0)},
      {"null buffer of size INT_MAX",
       [start](Probe& p) { return start(p.h, nullptr, nullptr, INT_MAX, 0); }, started(0)},
      {"size INT_MIN", [start](Probe& p) { return start(p.h, nullptr, p.Buffer(16), INT_MIN, 1); },
       started(kErrBuffer)},
      // The caller frees its buffer once the start has failed.
      {"no window to be had, and a buffer freed after the failure",
       [start](Probe& p) {
         Kelvo_SetPreviewWindow(p.h, p.notAWindow, 0, 0, 64, 48);
         return start(p.h, p.notAWindow, Dangling(), INT_MAX, 1);
       },
       withoutWindow},
  };
}

// The two copies of the image into the caller's buffer get the same buffers.
using CopyExport = int(KELVO_CALL*)(KelvoHandle, void*, int, int);
struct CopyExpectations {
  PerState tooSmall;       // one byte short, or a negative size
  PerState nothingToCopy;  // no buffer, or size 0
  PerState exact;
};

std::vector<HostileCall> CopyCalls(CopyExport copy, const CopyExpectations& e) {
  return {
      {"buffer one byte short",
       [copy](Probe& p) { return copy(p.h, p.Buffer(p.frameBytes - 1), p.frameBytes - 1, 1); },
       e.tooSmall},
      {"size INT_MIN", [copy](Probe& p) { return copy(p.h, p.Buffer(16), INT_MIN, 1); },
       e.tooSmall},
      {"dangling buffer of size 0", [copy](Probe& p) { return copy(p.h, Dangling(), 0, 1); },
       e.nothingToCopy},
      {"null buffer of size INT_MAX", [copy](Probe& p) { return copy(p.h, nullptr, INT_MAX, 0); },
       e.nothingToCopy},
      {"size INT_MAX over exactly the image, order INT_MIN",
       [copy](Probe& p) { return copy(p.h, p.Buffer(p.frameBytes), INT_MAX, INT_MIN); }, e.exact},
  };
}

std::vector<HostileCall> Plus(std::vector<HostileCall> calls, std::vector<HostileCall> more) {
  for (HostileCall& c : more) calls.push_back(std::move(c));
  return calls;
}

std::vector<ExportRow> LifecycleRows() {
  return {
      {"Kelvo_GetDllVersion",
       {{"no handle at all", [](Probe&) { return Kelvo_GetDllVersion(); }, Always({1901826})}}},
      {"Kelvo_Initialize",
       {{"an application window that is not a window",
         [](Probe& p) {
           KelvoHandle other = Kelvo_Initialize(p.notAWindow);
           return other != 0 && other != p.h && Kelvo_Release(other) == 1 ? 1 : 0;
         },
         Always({1})}},
       false,
       false,
       1},
      {"Kelvo_Release",
       {{"twice", [](Probe& p) { return Kelvo_Release(p.h) * 10 + Kelvo_Release(p.h); },
         Always({10})}},
       false,
       true},
      {"Kelvo_GetLastError",
       {{"with nothing recorded", [](Probe& p) { return Kelvo_GetLastError(p.h); }, Always({0})}}},
      {"Kelvo_SetDeviceNumber",
       {
           {"-1", [](Probe& p) { return Kelvo_SetDeviceNumber(p.h, -1); },
            Always({0, {kErrAbsent}})},
           {"8, one past the last device", [](Probe& p) { return Kelvo_SetDeviceNumber(p.h, 8); },
            Always({0, {kErrAbsent}})},
           {"256, whose low byte is device 0",
            [](Probe& p) { return Kelvo_SetDeviceNumber(p.h, 256); }, Always({0, {kErrAbsent}})},
           {"INT_MIN", [](Probe& p) { return Kelvo_SetDeviceNumber(p.h, INT_MIN); },
            Always({0, {kErrAbsent}})},
           {"INT_MAX", [](Probe& p) { return Kelvo_SetDeviceNumber(p.h, INT_MAX); },
            Always({0, {kErrAbsent}})},
           {"5, not attached", [](Probe& p) { return Kelvo_SetDeviceNumber(p.h, 5); },
            Always({0, {kErrAbsent}})},
           // The link's window and layout are the worker's while it runs.
           {"the other camera while acquiring",
            [](Probe& p) { return Kelvo_SetDeviceNumber(p.h, 1); }, WhenIdleOrCaptured({1})},
       }},
      {"Kelvo_EnumDevice",
       {
           {"null names", [](Probe& p) { return Kelvo_EnumDevice(p.h, nullptr); },
            Always({0, {kErrArgument}})},
           {"exactly ten slots",
            [](Probe& p) {
              return Kelvo_EnumDevice(p.h, static_cast<char*>(p.Buffer(KELVO_DEVICE_NAME_SLOT *
                                                                       KELVO_DEVICE_NAME_SLOTS)));
            },
            Always({2})},
       }},
      {"Kelvo_GetDeviceName",
       {
           {"size INT_MIN",
            [](Probe& p) { return Kelvo_GetDeviceName(p.h, 0, Dangling<char>(), INT_MIN); },
            Always({0, {kErrArgument}})},
           {"size 14, one short of the shortest",
            [](Probe& p) { return Kelvo_GetDeviceName(p.h, 0, Dangling<char>(), 14); },
            Always({0, {kErrArgument}})},
           {"null name", [](Probe& p) { return Kelvo_GetDeviceName(p.h, 0, nullptr, 256); },
            Always({0, {kErrArgument}})},
           {"index -1, INT_MIN, INT_MAX and 8",
            [](Probe& p) {
              int sum = 0;
              for (int index : {-1, INT_MIN, INT_MAX, 8}) {
                sum += Kelvo_GetDeviceName(p.h, index, Dangling<char>(), 256);
              }
              return sum;
            },
            Always({0})},
           {"a device not attached",
            [](Probe& p) { return Kelvo_GetDeviceName(p.h, 5, Dangling<char>(), 256); },
            Always({0, {kErrAbsent}})},
           {"size INT_MAX over exactly the name's 12 bytes",
            [](Probe& p) {
              auto* name = static_cast<char*>(p.Buffer(12));
              return Kelvo_GetDeviceName(p.h, 1, name, INT_MAX) == 1 &&
                             std::strcmp(name, "KelvoQ12_02") == 0
                         ? 1
                         : 0;
            },
            Always({1})},
       }},
      {"Kelvo_GetCameraInfo",
       {
           {"null", [](Probe& p) { return Kelvo_GetCameraInfo(p.h, nullptr); },
            Always({0, {kErrArgument}})},
           {"size 0 and 35",
            [](Probe& p) {
              auto* info = static_cast<CameraInfo*>(p.Buffer(sizeof(CameraInfo)));
              int sum = 0;
              for (unsigned size : {0u, 35u}) {
                info->size = size;
                sum += Kelvo_GetCameraInfo(p.h, info);
              }
              return sum;
            },
            Always({0, {kErrBuffer, kErrBuffer}})},
           {"size 0xFFFFFFFF over a record of 36 bytes",
            [](Probe& p) {
              auto* info = static_cast<CameraInfo*>(p.Buffer(sizeof(CameraInfo)));
              info->size = 0xFFFFFFFFu;
              return Kelvo_GetCameraInfo(p.h, info);
            },
            Always({1})},
       }},
      {"Kelvo_GetStatus",
       {{"INT_MIN and INT_MAX",
         [](Probe& p) { return Kelvo_GetStatus(p.h, INT_MIN) + Kelvo_GetStatus(p.h, INT_MAX); },
         Always({0})}}},
      {"Kelvo_Width", {{"", [](Probe& p) { return Kelvo_Width(p.h); }, Always({kWidth})}}},
      {"Kelvo_Height", {{"", [](Probe& p) { return Kelvo_Height(p.h); }, Always({kHeight})}}},
      {"Kelvo_SetColorMode",
       {{"0, 7, 12, 65, -8, 264 (low byte 8), INT_MIN, INT_MAX",
         [](Probe& p) {
           int sum = 0;
           for (int bits : {0, 7, 12, 65, -8, 264, INT_MIN, INT_MAX}) {
             sum += Kelvo_SetColorMode(p.h, bits);
           }
           return sum;
         },
         Always({0, std::vector<int>(8, kErrArgument)})}}},
      {"Kelvo_GetColorMode",
       {{"", [](Probe& p) { return Kelvo_GetColorMode(p.h); }, Always({24})}}},
      {"Kelvo_SetPreviewWindow",
       {{"a parent that is not a window at INT_MIN, INT_MAX, -1, 0",
         [](Probe& p) {
           return Kelvo_SetPreviewWindow(p.h, p.notAWindow, INT_MIN, INT_MAX, -1, 0);
         },
         Always({1})}}},
  };
}

std::vector<ExportRow> AcquisitionRows() {
  return {
      {"Kelvo_Preview",
       {
           {"a parent that is not a window",
            [](Probe& p) {
              Kelvo_SetPreviewWindow(p.h, p.notAWindow, 0, 0, 64, 48);
              return Kelvo_Preview(p.h);
            },
            WindowedStartWithoutWindow()},
           {"a destroyed parent",
            [](Probe& p) {
              Kelvo_SetPreviewWindow(p.h, p.destroyedWindow, 0, 0, 64, 48);
              return Kelvo_Preview(p.h);
            },
            WindowedStartWithoutWindow()},
           {"a window of zero and negative size",
            [](Probe& p) {
              Kelvo_SetPreviewWindow(p.h, p.parent, -10, -10, 0, -5);
              return Kelvo_Preview(p.h);
            },
            WindowedStart()},
           {"a window at INT_MIN of size INT_MAX",
            [](Probe& p) {
              Kelvo_SetPreviewWindow(p.h, p.parent, INT_MIN, INT_MIN, INT_MAX, INT_MAX);
              return Kelvo_Preview(p.h);
            },
            WindowedStart()},
       }},
      {"Kelvo_CallBackPreview",
       DeliveryCalls(Kelvo_CallBackPreview, WindowedStart, WindowedStartWithoutWindow()), true},
      {"Kelvo_StartPreview",
       {{"",
         [](Probe& p) { return Kelvo_StartPreview(p.h); },
         {Outcome{1, {}, kPreview}, Outcome{0}, Outcome{1}, Outcome{0}}}}},
      {"Kelvo_StopPreview",
       {{"", [](Probe& p) { return Kelvo_StopPreview(p.h); }, Always({1, {}, kIdle})}}},
      {"Kelvo_Capture",
       {{"",
         [](Probe& p) { return Kelvo_Capture(p.h); },
         {Outcome{1, {}, kCaptured}, Outcome{1}, Outcome{0}, Outcome{0}}}}},
      {"Kelvo_SnapShot",
       Plus(CopyCalls(Kelvo_SnapShot, {WhenIdleOrCaptured({0, {kErrBuffer}}),
                                       WhenIdleOrCaptured({1}), WhenIdleOrCaptured({1})}),
            {
                // Captured keeps the 24-bit buffers it prepared, which the larger modes' buffers
                // hold.
                {"in every colour mode, one byte short of that mode's image",
                 [](Probe& p) {
                   int taken = 0;
                   for (int bits : {8, 16, 24, 32, 48, 64}) {
                     Kelvo_SetColorMode(p.h, bits);
                     int bytes = ImageBytes(bits) - 1;
                     taken += Kelvo_SnapShot(p.h, p.Buffer(bytes), bytes, 1);
                   }
                   Kelvo_SetColorMode(p.h, 24);
                   return taken;
                 },
                 {Outcome{0, std::vector<int>(6, kErrBuffer)},
                  Outcome{3, std::vector<int>(3, kErrBuffer)}, Outcome{0}, Outcome{0}}},
            })},
      {"Kelvo_Trigger",
       DeliveryCalls(Kelvo_Trigger, TriggerStart,
                     {Outcome{0, {kErrWindow}}, Outcome{0}, Outcome{0}, Outcome{0}}),
       true},
      // A fresh camera has no frame yet: nothing to copy in idle.
      {"Kelvo_GetImage",
       CopyCalls(Kelvo_GetImage, {Always({0, {kErrBuffer}}),
                                  Always({0, {kErrBuffer}}),
                                  {Outcome{0, {kErrBuffer}}, Outcome{1}, Outcome{1}, Outcome{1}}})},
      {"Kelvo_Close", {{"", [](Probe& p) { return Kelvo_Close(p.h); }, Always({1, {}, kIdle})}}},
      {"Kelvo_SaveImage",
       {
           {"null and empty names",
            [](Probe& p) { return Kelvo_SaveImage(p.h, nullptr, 0) + Kelvo_SaveImage(p.h, "", 0); },
            Always({0})},
           {"formats -1, 7, INT_MIN, INT_MAX create no file",
            [](Probe& p) {
              std::string name = p.File("never.bmp");
              int sum = 0;
              for (int format : {-1, 7, INT_MIN, INT_MAX})
                sum += Kelvo_SaveImage(p.h, name.c_str(), format);
              return fs::exists(name) ? -1 : sum;
            },
            Always({0})},
           {"a folder that does not exist, in every format",
            [](Probe& p) {
              std::string name = p.File("missing/folder/frame");
              int sum = 0;
              for (int format = 0; format <= 6; ++format)
                sum += Kelvo_SaveImage(p.h, name.c_str(), format);
              return sum;
            },
            Always({0})},
           {"a name of 5000 characters",
            [](Probe& p) {
              std::string name = p.File(std::string(5000, 'n').c_str());
              return Kelvo_SaveImage(p.h, name.c_str(), 0) + Kelvo_SaveImage(p.h, name.c_str(), 5);
            },
            Always({0})},
       }},
  };
}

// The dialogs must refuse to open over a window that is not one: they then
// behave as Cancel does and return 1, restarting what they paused.
HostileCall DialogParents(int(KELVO_CALL* dialog)(KelvoHandle, KelvoWindow)) {
  return {"parents that are not windows, and a destroyed one",
          [dialog](Probe& p) {
            int sum = 0;
            for (KelvoWindow parent : {p.notAWindow, KelvoWindow(std::uintptr_t{1}),
                                       KelvoWindow(std::uintptr_t{0xFFFF}), p.destroyedWindow}) {
              sum += dialog(p.h, parent);
            }
            return sum;
          },
          Always({4})};
}

std::vector<ExportRow> SettingsRows() {
  return {
      {"Kelvo_SetCameraDlg", {DialogParents(Kelvo_SetCameraDlg)}},
      {"Kelvo_SetImageDlg", {DialogParents(Kelvo_SetImageDlg)}},
      {"Kelvo_SetAnalogDlg", {DialogParents(Kelvo_SetAnalogDlg)}},
      {"Kelvo_SetFilterValue",
       {
           {"ids 0, -1, 14, 17, 28, 257 (low byte 1), INT_MIN, INT_MAX",
            [](Probe& p) {
              int sum = 0;
              for (int id : {0, -1, 14, 17, 28, 257, INT_MIN, INT_MAX}) {
                sum += Kelvo_SetFilterValue(p.h, id, 0);
              }
              return sum;
            },
            Always({0, std::vector<int>(8, kErrArgument)})},
           {"INT_MIN and INT_MAX for ranged ids 1, 5, 13 and 18",
            [](Probe& p) {
              int sum = 0;
              for (int id : {1, 5, 13, 18}) {
                sum +=
                    Kelvo_SetFilterValue(p.h, id, INT_MIN) + Kelvo_SetFilterValue(p.h, id, INT_MAX);
              }
              return sum;
            },
            Always({0, std::vector<int>(8, kErrArgument)})},
           {"INT_MIN for the packed gains, which take any value",
            [](Probe& p) {
              return Kelvo_SetFilterValue(p.h, KELVO_FILTER_BAYER_GAIN_RGB, INT_MIN);
            },
            Always({1})},
       }},
      {"Kelvo_GetFilterValue",
       {
           {"ids 0, 14, 28, INT_MIN, INT_MAX",
            [](Probe& p) {
              int sum = 0;
              for (int id : {0, 14, 28, INT_MIN, INT_MAX})
                sum += Kelvo_GetFilterValue(p.h, id, &p.flag);
              return sum;
            },
            Always({0, std::vector<int>(5, kErrArgument), kSame, 0})},
           {"null ok for an unknown id",
            [](Probe& p) { return Kelvo_GetFilterValue(p.h, INT_MIN, nullptr); },
            Always({0, {kErrArgument}})},
           {"null ok for a known id",
            [](Probe& p) { return Kelvo_GetFilterValue(p.h, KELVO_FILTER_GAMMA, nullptr); },
            Always({100})},
       }},
      {"Kelvo_SetWaitTime",
       {
           {"-1 and INT_MIN",
            [](Probe& p) { return Kelvo_SetWaitTime(p.h, -1) + Kelvo_SetWaitTime(p.h, INT_MIN); },
            Always({0})},
           // A stop wakes the worker at once, whatever it waits.
           {"INT_MAX", [](Probe& p) { return Kelvo_SetWaitTime(p.h, INT_MAX); }, Always({1})},
       }},
      {"Kelvo_GetWaitTime", {{"", [](Probe& p) { return Kelvo_GetWaitTime(p.h); }, Always({10})}}},
      {"Kelvo_SetMirrorV",
       {{"INT_MIN, stored as 1",
         [](Probe& p) { return Kelvo_SetMirrorV(p.h, INT_MIN) * 10 + Kelvo_GetMirrorV(p.h); },
         Always({11})}}},
      {"Kelvo_GetMirrorV", {{"", [](Probe& p) { return Kelvo_GetMirrorV(p.h); }, Always({0})}}},
      {"Kelvo_GetMirrorH", {{"", [](Probe& p) { return Kelvo_GetMirrorH(p.h); }, Always({0})}}},
      {"Kelvo_SetAutoIris",
       {{"-1, 3, INT_MIN, INT_MAX",
         [](Probe& p) {
           int sum = 0;
           for (int mode : {-1, 3, INT_MIN, INT_MAX}) sum += Kelvo_SetAutoIris(p.h, mode);
           return sum;
         },
         Always({0, std::vector<int>(4, kErrArgument)})}}},
      {"Kelvo_GetAutoIris",
       {{"null ok", [](Probe& p) { return Kelvo_GetAutoIris(p.h, nullptr); }, Always({0})},
        {"ok", [](Probe& p) { return Kelvo_GetAutoIris(p.h, &p.flag); },
         Always({0, {}, kSame, 1})}}},
      {"Kelvo_GetSubSample", {{"", [](Probe& p) { return Kelvo_GetSubSample(p.h); }, Always({0})}}},
  };
}

std::vector<ExportRow> FixedAnswerRows() {
  using Getter = int(KELVO_CALL*)(KelvoHandle, int*);
  const std::pair<const char*, Getter> getters[] = {
      {"Kelvo_GetHalfClock", Kelvo_GetHalfClock},
      {"Kelvo_GetSamplingRate", Kelvo_GetSamplingRate},
      {"Kelvo_GetVideoFormat", Kelvo_GetVideoFormat}};
  std::vector<ExportRow> rows;
  for (auto [name, getter] : getters) {
    rows.push_back({name,
                    {{"null out", [getter](Probe& p) { return getter(p.h, nullptr); }, Always({0})},
                     {"out", [getter](Probe& p) { return getter(p.h, &p.flag); },
                      Always({0, {}, kSame, 0})}}});
  }
  return rows;
}

std::vector<ExportRow> DeviceRows() {
  return {
      {"Kelvo_WriteRegister",
       {{"address and value INT_MIN, INT_MAX, -1 (low bits only)",
         [](Probe& p) {
           int sum = 0;
           for (int value : {INT_MIN, INT_MAX, -1}) sum += Kelvo_WriteRegister(p.h, value, value);
           return sum;
         },
         Always({3})}}},
      {"Kelvo_ReadRegister",
       {
           {"192 and 255, which are not the sensor's",
            [](Probe& p) {
              return Kelvo_ReadRegister(p.h, 192, &p.flag) + Kelvo_ReadRegister(p.h, 255, nullptr);
            },
            Always({0, {kErrIo, kErrIo}, kSame, 0})},
           {"-1 and INT_MAX, whose low byte is 255",
            [](Probe& p) {
              return Kelvo_ReadRegister(p.h, -1, nullptr) +
                     Kelvo_ReadRegister(p.h, INT_MAX, nullptr);
            },
            Always({0, {kErrIo, kErrIo}})},
           {"INT_MIN, whose low byte is register 0",
            [](Probe& p) { return Kelvo_ReadRegister(p.h, INT_MIN, &p.flag); },
            Always({kAnyResult, {}, kSame, 1})},
       }},
      {"Kelvo_WriteSromID",
       {
           {"index 8, -1, INT_MAX",
            [](Probe& p) {
              return Kelvo_WriteSromID(p.h, 8, 1) + Kelvo_WriteSromID(p.h, -1, 1) +
                     Kelvo_WriteSromID(p.h, INT_MAX, 1);
            },
            Always({0, {kErrNoDevice, kErrNoDevice, kErrNoDevice}})},
           {"value INT_MIN into byte 7",
            [](Probe& p) { return Kelvo_WriteSromID(p.h, 7, INT_MIN); }, Always({1})},
       }},
      {"Kelvo_ReadSromID",
       {
           {"index 8 and -1",
            [](Probe& p) {
              return Kelvo_ReadSromID(p.h, 8, &p.flag) + Kelvo_ReadSromID(p.h, -1, nullptr);
            },
            Always({0, {kErrNoDevice, kErrNoDevice}, kSame, 0})},
           {"INT_MIN, whose low byte is index 0",
            [](Probe& p) { return Kelvo_ReadSromID(p.h, INT_MIN, nullptr) >= 0 ? 1 : 0; },
            Always({1})},
       }},
  };
}

// The sixteen operations the Q12 does not have ignore whatever follows the handle.
std::vector<ExportRow> UnsupportedRows() {
  using Unsupported = int KELVO_CALL(KelvoHandle, ...);
  const std::pair<const char*, Unsupported*> operations[] = {
      {"Kelvo_Fpga_ReadRegister", Kelvo_Fpga_ReadRegister},
      {"Kelvo_Fpga_WriteRegister", Kelvo_Fpga_WriteRegister},
      {"Kelvo_Fps", Kelvo_Fps},
      {"Kelvo_GetCameraType", Kelvo_GetCameraType},
      {"Kelvo_GetCaptureWindowEx", Kelvo_GetCaptureWindowEx},
      {"Kelvo_GetIOPort", Kelvo_GetIOPort},
      {"Kelvo_Record", Kelvo_Record},
      {"Kelvo_SetCameraType", Kelvo_SetCameraType},
      {"Kelvo_SetCaptureWindow", Kelvo_SetCaptureWindow},
      {"Kelvo_SetCaptureWindowEx", Kelvo_SetCaptureWindowEx},
      {"Kelvo_SetCrossbar", Kelvo_SetCrossbar},
      {"Kelvo_SetHalfClock", Kelvo_SetHalfClock},
      {"Kelvo_SetIOPort", Kelvo_SetIOPort},
      {"Kelvo_SetMirrorH", Kelvo_SetMirrorH},
      {"Kelvo_SetSamplingRate", Kelvo_SetSamplingRate},
      {"Kelvo_SetSubSample", Kelvo_SetSubSample},
  };
  std::vector<ExportRow> rows;
  for (auto [name, operation] : operations) {
    rows.push_back({name,
                    {{"INT_MIN, dangling pointers, INT_MAX",
                      [operation](Probe& p) {
                        return operation(p.h, INT_MIN, Dangling(), Dangling<int>(), INT_MAX);
                      },
                      Always({0, {kErrNotSupported}})}}});
  }
  return rows;
}

// The fifty-four named filter exports: extremes for every setter, null and
// real flags for every getter.
enum class Accepts { Range, AnyValue, Nothing };

std::vector<ExportRow> ShortcutRows() {
  struct Pair {
    const char* name;
    int(KELVO_CALL* set)(KelvoHandle, int);
    int(KELVO_CALL* get)(KelvoHandle, int*);
    Accepts accepts;
  };
#define KELVO_PAIR(Name, accepts) \
  { #Name, Kelvo_Set##Name, Kelvo_Get##Name, Accepts::accepts }
  const Pair pairs[] = {
      KELVO_PAIR(Brightness, Range),
      KELVO_PAIR(Contrast, Range),
      KELVO_PAIR(Hue, Range),
      KELVO_PAIR(Saturation, Range),
      KELVO_PAIR(Sharpness, Range),
      KELVO_PAIR(BayerGainRGB, AnyValue),
      KELVO_PAIR(BayerGainRed, Range),
      KELVO_PAIR(BayerGainGreen, Range),
      KELVO_PAIR(BayerGainBlue, Range),
      KELVO_PAIR(BayerGainAuto, AnyValue),
      KELVO_PAIR(Gamma, Range),
      KELVO_PAIR(BayerMode, Range),
      KELVO_PAIR(GlobalGain, Range),
      KELVO_PAIR(ColorGainRed, Nothing),
      KELVO_PAIR(ColorGainGreen1, Nothing),
      KELVO_PAIR(ColorGainGreen2, Nothing),
      KELVO_PAIR(ColorGainBlue, Nothing),
      KELVO_PAIR(ExposureTime, Range),
      KELVO_PAIR(GrayMode, Range),
      KELVO_PAIR(GrayGainR, Range),
      KELVO_PAIR(GrayGainG1, Range),
      KELVO_PAIR(GrayGainG2, Range),
      KELVO_PAIR(GrayGainB, Range),
      KELVO_PAIR(GrayOffsetR, Range),
      KELVO_PAIR(GrayOffsetG1, Range),
      KELVO_PAIR(GrayOffsetG2, Range),
      KELVO_PAIR(GrayOffsetB, Range),
  };
#undef KELVO_PAIR
  std::vector<ExportRow> rows;
  for (const Pair& pair : pairs) {
    auto set = pair.set;
    auto get = pair.get;
    PerState extremes =
        pair.accepts == Accepts::AnyValue ? Always({2}) : Always({0, {kErrArgument, kErrArgument}});
    rows.push_back(
        {std::string("Kelvo_Set") + pair.name,
         {{"INT_MIN and INT_MAX", [set](Probe& p) { return set(p.h, INT_MIN) + set(p.h, INT_MAX); },
           extremes}}});
    bool known = pair.accepts != Accepts::Nothing;
    rows.push_back({std::string("Kelvo_Get") + pair.name,
                    {{"null ok", [get](Probe& p) { return get(p.h, nullptr); },
                      Always(known ? Outcome{kAnyResult} : Outcome{0, {kErrArgument}})},
                     {"ok", [get](Probe& p) { return get(p.h, &p.flag); },
                      Always(known ? Outcome{kAnyResult, {}, kSame, 1}
                                   : Outcome{0, {kErrArgument}, kSame, 0})}}});
  }
  return rows;
}

std::vector<ExportRow> AllRows() {
  std::vector<ExportRow> rows;
  for (auto part : {LifecycleRows, AcquisitionRows, SettingsRows, FixedAnswerRows, DeviceRows,
                    UnsupportedRows, ShortcutRows}) {
    for (ExportRow& row : part()) rows.push_back(std::move(row));
  }
  return rows;
}

// ---- the run

// Settings a refused call must leave alone (not those a running white
// balance or grey balance moves by itself).
struct Settings {
  int colorMode, waitTime, autoIris, mirror, device;
  std::vector<int> filters;
  bool operator==(const Settings&) const = default;
};

Settings SettingsOf(KelvoHandle h) {
  std::shared_ptr<Camera> camera = TheHandleRing().Find(h);
  Settings s{camera->colorMode,
             camera->waitTime,
             camera->analogBlock.autoIrisMode,
             camera->analogBlock.verticalMirror,
             camera->deviceLink->SelectedDevice(),
             {}};
  for (int id : {1, 2, 3, 4, 5, 11, 12, 19, 20, 21, 22, 23, 24, 25, 26, 27}) {
    s.filters.push_back(Kelvo_GetFilterValue(h, id, nullptr));
  }
  return s;
}

class HostileArgumentsTest : public EmulatedSdkTest {
 protected:
  void SetUp() override {
    EmulatedSdkTest::SetUp();
    UseEmulator(2, 20);  // trigger mode's frames come quickly
    folder_ =
        fs::temp_directory_path() /
        ("kelvo-hostile-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    fs::create_directories(folder_);
#ifdef _WIN32
    parent_ = CreateWindowExA(0, "STATIC", "parent", WS_OVERLAPPEDWINDOW, 0, 0, 200, 200, nullptr,
                              nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(parent_, nullptr);
    destroyed_ = CreateWindowExA(0, "STATIC", "gone", WS_CHILD, 0, 0, 8, 8, parent_, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    DestroyWindow(destroyed_);
    ASSERT_FALSE(IsWindow(static_cast<HWND>(SomeWindow())));
#else
    destroyed_ = KelvoWindow(std::uintptr_t{0x5151});
#endif
  }
  void TearDown() override {
#ifdef _WIN32
    DestroyWindow(parent_);
#endif
    EmulatedSdkTest::TearDown();
    fs::remove_all(folder_);
  }

  bool Enter(KelvoHandle h, Phase phase) {
    switch (phase) {
      case kCaptured:
        return Kelvo_Capture(h) == 1;
      case kPreview:
        return Kelvo_StartPreview(h) == 1;
      case kTrigger:
        return Kelvo_Trigger(h, nullptr, nullptr, 0, 1) == 1;
      default:
        return true;
    }
  }

  // A fresh camera in the phase; its preview windows are children of ours.
  KelvoHandle OpenIn(Phase phase, int device = 0) {
    StoredSettings::Erase();
    StoredSettings::Write("", "Size", 0);
    StoredSettings::Write("", "Color", 2);
    StoredSettings::Write("Size_00", "EH", kWidth);
    StoredSettings::Write("Size_00", "EV", kHeight);
    KelvoHandle h = Open();
    if (kWindows) Kelvo_SetPreviewWindow(h, parent_, 0, 0, 64, 48);
    if (device != 0) {
      EXPECT_EQ(Kelvo_SetDeviceNumber(h, device), 1);
    }
    if (!Enter(h, phase)) ADD_FAILURE() << "cannot enter " << kPhaseNames[phase];
    Errors(h);
    return h;
  }

  static std::uint64_t FramesSent(CameraEmulator& emulator) {
    return emulator.Camera(0).FramesDelivered() + emulator.Camera(1).FramesDelivered();
  }

  // Tells a failed image allocation from a copy into a buffer that is short.
  static std::string ImagesOf(KelvoHandle h) {
    std::string text = "images (width x height, stride, pixels):";
    for (const auto& image : CameraOf(h)->images) {
      text += " " + std::to_string(image->width) + "x" + std::to_string(image->height) + "/" +
              std::to_string(image->stride) + (image->pixels ? "" : " none");
    }
    return text;
  }

  // After the row: the camera stops, takes a snapshot into a correct buffer
  // and, where the row handed over buffers, previews without them.
  void ExpectStillWorks(const ExportRow& row, Probe& probe) {
    KelvoHandle h = probe.h;
    if (row.releasesCamera) h = probe.h = OpenIn(kIdle);
    EXPECT_EQ(Kelvo_Close(h), 1);
    Errors(h);
    int bytes = ImageBytes(Kelvo_GetColorMode(h));
    EXPECT_EQ(Kelvo_SnapShot(h, probe.Buffer(bytes), bytes, 1), 1) << ImagesOf(h);
    EXPECT_EQ(Errors(h), std::vector<int>{});
    if (row.deliversFrames) {
      ASSERT_EQ(Kelvo_StartPreview(h), 1);
      std::uint64_t before = FramesSent(*emulator);
      auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
      while (FramesSent(*emulator) < before + 3 && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(40));  // the worker takes them
      EXPECT_EQ(Kelvo_StopPreview(h), 1);
      // A buffer a successful start kept is the caller's; one too small says so.
      for (int code : Errors(h)) EXPECT_EQ(code, kErrBuffer);
    }
    EXPECT_TRUE(probe.GuardsIntact()) << "after the check";
  }

  void RunCall(const HostileCall& c, Phase phase, Probe& probe) {
    const Outcome& expected = c.expected[phase];
    std::shared_ptr<Camera> camera = CameraOf(probe.h);
    if (camera->state != kPhaseStates[phase]) {
      Kelvo_Close(probe.h);
      Kelvo_SetPreviewWindow(probe.h, probe.parent, 0, 0, 64, 48);
      ASSERT_TRUE(Enter(probe.h, phase));
      Errors(probe.h);
    }
    Kelvo_SetPreviewWindow(probe.h, probe.parent, 0, 0, 64, 48);
    Settings before = SettingsOf(probe.h);
    probe.flag = kUntouched;
    int result = c.call(probe);
    if (expected.result != kAnyResult) {
      EXPECT_EQ(result, expected.result);
    }
    std::vector<int> errors = Errors(probe.h);
    if (expected.background != 0) std::erase(errors, expected.background);
    EXPECT_EQ(errors, expected.errors);
    EXPECT_EQ(probe.flag, expected.flag);
    EXPECT_TRUE(probe.GuardsIntact());
    if (CameraOf(probe.h) == nullptr) return;  // released
    Phase after = expected.after == kSame ? phase : expected.after;
    EXPECT_EQ(camera->state, kPhaseStates[after]);
    if (result == 0 || result == -1) {
      EXPECT_TRUE(SettingsOf(probe.h) == before) << "a refusal changed a setting";
    }
    ++calls_;
  }

  fs::path folder_;
  KelvoWindow parent_ = nullptr;
  KelvoWindow destroyed_ = nullptr;
  int calls_ = 0;
};

TEST_F(HostileArgumentsTest, EveryExportInEveryState) {
  const std::vector<ExportRow> rows = AllRows();
  std::set<std::string> names;
  std::size_t cases = 0;
  for (const ExportRow& row : rows) {
    names.insert(row.name);
    cases += row.calls.size();
  }
  std::set<std::string> exported;
  std::stringstream list(KELVO_EXPORT_NAMES);
  for (std::string name; std::getline(list, name, ',');) exported.insert(name);
  ASSERT_EQ(exported.size(), 114u);
  ASSERT_EQ(names, exported);
  int states = 0;
  for (Phase phase : {kIdle, kCaptured, kPreview, kTrigger}) {
    if (phase == kTrigger && !kWindows) continue;  // trigger mode needs a window
    ++states;
    for (const ExportRow& row : rows) {
      SCOPED_TRACE(row.name + " in " + kPhaseNames[phase]);
      Probe probe;
      probe.h = OpenIn(phase, row.device);
      probe.parent = parent_;
      probe.destroyedWindow = destroyed_;
      probe.folder = folder_;
      probe.frameBytes = ImageBytes(24);
      for (const HostileCall& c : row.calls) {
        SCOPED_TRACE(c.what);
        RunCall(c, phase, probe);
      }
      ExpectStillWorks(row, probe);
      Kelvo_Release(probe.h);
    }
  }
  std::printf("%zu exports, %d states, %zu cases, %d calls checked\n", names.size(), states, cases,
              calls_);
}

}  // namespace
}  // namespace kelvo::testing
