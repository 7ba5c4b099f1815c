// A bounded soak of the SDK over three emulated cameras: preview on two,
// trigger mode on the third (snapshots where there are no windows), with a
// fault timeline, while a second thread saves files, changes filters, opens
// and cancels the image filter dialog (Windows) and reads the errors. At the
// end memory, handles and threads must be back where they started, every
// fault must have produced its errors and notices, and the frame counts must
// fit the emulator's pace.
//   kelvo_soak [seconds] [--small]   (default 180 s; --small: quarter-size
//   frames, for sanitizer builds, where converting one full frame takes as
//   long as many frames of the emulator)
#ifdef _WIN32
#include <windows.h>
#endif

#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "KelvoSdk_Q12.h"
#include "emulator/camera_emulator.h"
#include "emulator/driver_port_selection.h"
#include "emulator/fault_script.h"
#include "platform/notices.h"
#include "platform/settings_store.h"
#include "settings/registry_settings.h"
#include "soak/process_counts.h"
#include "support/watchdog.h"
#ifdef _WIN32
#include "support/dialog_windows.h"
#endif

namespace kelvo::soak {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing::Watched;

constexpr int kCameras = 3;
constexpr std::uint32_t kTriggerPeriodMs = 50;
constexpr auto kFaultEvery = 1s;       // each camera in turn: one fault every 3 s
constexpr auto kReportBound = 10s;     // for a fault's errors and notices to arrive
constexpr auto kStopBound = 8000ms;    // a trigger stop waits up to the 3000 ms time limit
constexpr auto kUnplugSettle = 350ms;  // unplugs below last 300 ms
constexpr int kMostCodes = 16;

#ifdef _WIN32
constexpr bool kWindows = true;
#else
constexpr bool kWindows = false;
#endif

enum class Role { kPreview, kTrigger, kSnapshot };
const char* RoleName(Role role) {
  constexpr const char* names[] = {"preview", "trigger", "snapshot"};
  return names[static_cast<int>(role)];
}

// One fault of the timeline and what it must produce in a role: the (0, code)
// frame notice, the errors (each also an error notice), and whether a
// preview has ended and is started again (its stop reports Err 6).
struct FaultKind {
  const char* name;
  const char* script;
  bool endsStream;  // preview: notice 13 and Err 13; trigger and snapshot: notice 8 and Err 8
  bool srom;        // read an SROM byte: Err 1 only
};
const FaultKind kFaults[] = {
    {"drop", "frame 2 drop", true, false},        {"short", "frame 2 short", true, false},
    {"stall", "frame 2 stall 300", false, false}, {"unplug", "frame 2 unplug 300", true, false},
    {"open fail", "open fail 2", true, false},    {"srom fail", "srom fail", false, true},
};

using Codes = std::array<int, kMostCodes>;

// What came back from one camera: the main thread counts notices, the
// reader thread the errors it popped.
struct Tally {
  std::atomic<int> frames{0};
  Codes frameFailures{};
  Codes errorNotices{};
  std::array<std::atomic<int>, kMostCodes> errorsRead{};
};

struct SoakCamera {
  KelvoHandle handle = 0;
  Role role = Role::kPreview;
  KelvoWindow window = nullptr;
  Tally tally;
  std::uint64_t emulatorFramesAtStart = 0;
  Clock::time_point holdUntil{};  // snapshots wait until an unplug has passed
};

// A fault waiting for its report.
struct Pending {
  int camera = -1;
  const FaultKind* kind = nullptr;
  Codes frameBase{}, noticeBase{}, readBase{};
  std::map<int, int> frame, errors;  // code -> count still to come
  int framesBase = 0;
  Clock::time_point deadline;
  bool restarted = false;
};

struct FaultStats {
  int injected = 0, reported = 0;
  int frameNotices = 0, errorNotices = 0, errorsRead = 0;
};

class Soak {
 public:
  Soak(std::chrono::seconds length, bool small) : length_(length), small_(small) {}

  int Run();

 private:
  void OpenCameras();
  bool Start(SoakCamera& camera);
  void ReleaseCameras();
  void Busy();
  void TakeNotices();
  void Snap(SoakCamera& camera);
  void Inject(int cameraIndex, const FaultKind& kind);
  void Follow();
  void Fail(const std::string& why) {
    std::lock_guard<std::mutex> hold(failuresLock_);
    failures_.push_back(why);
  }
  template <typename Call>
  int Bounded(const char* name, std::chrono::milliseconds bound, Call&& call) {
    std::chrono::milliseconds took{};
    int result = Watched(name, bound, std::forward<Call>(call), &took);
    if (took > bound) Fail(std::string(name) + " took " + std::to_string(took.count()) + " ms");
    return result;
  }
  static int Read(const std::array<std::atomic<int>, kMostCodes>& codes, int code) {
    return codes[static_cast<std::size_t>(code)].load();
  }

  std::chrono::seconds length_;
  bool small_;
  std::shared_ptr<emulator::CameraEmulator> emulator_;
  std::array<SoakCamera, kCameras> cameras_;
  std::atomic<bool> running_{false};
  std::vector<Pending> pending_;
  std::map<std::string, FaultStats> stats_;
  std::mutex failuresLock_;
  std::vector<std::string> failures_;
  std::atomic<int> filesSaved_{0}, filterChanges_{0}, dialogsOpened_{0};
};

#ifdef _WIN32
KelvoWindow MakeNoticeWindow() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "KelvoSoakWindow";
  RegisterClassA(&windowClass);  // fails harmlessly from the second window on
  return CreateWindowExA(0, windowClass.lpszClassName, "soak", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64,
                         nullptr, nullptr, windowClass.hInstance, nullptr);
}
#endif

void Soak::OpenCameras() {
  for (int i = 0; i < kCameras; ++i) {
    SoakCamera& camera = cameras_[static_cast<std::size_t>(i)];
    camera.role = i < 2 ? Role::kPreview : (kWindows ? Role::kTrigger : Role::kSnapshot);
#ifdef _WIN32
    camera.window = MakeNoticeWindow();
#else
    camera.window = reinterpret_cast<KelvoWindow>(std::uintptr_t{0x5000} + 0x10 * unsigned(i));
#endif
    camera.handle = Kelvo_Initialize(camera.window);
    Kelvo_SetDeviceNumber(camera.handle, i);
#ifdef _WIN32
    // Child previews: a top-level window takes Wine seconds to go.
    Kelvo_SetPreviewWindow(camera.handle, camera.window, 0, 0, 64, 48);
#else
    // No windows here: the callback start fails (Err 4) but keeps its notify window.
    Kelvo_CallBackPreview(camera.handle, camera.window, nullptr, 0, 1);
    while (Kelvo_GetLastError(camera.handle) != 0) {
    }
#endif
  }
  platform::TakeRecordedNotices();
}

bool Soak::Start(SoakCamera& camera) {
  switch (camera.role) {
    case Role::kPreview:
      return (kWindows ? Kelvo_CallBackPreview(camera.handle, camera.window, nullptr, 0, 1)
                       : Kelvo_StartPreview(camera.handle)) == 1;
    case Role::kTrigger:
      return Kelvo_Trigger(camera.handle, camera.window, nullptr, 0, 1) == 1;
    case Role::kSnapshot:
      return Kelvo_Capture(camera.handle) == 1;  // snapshots then skip the preparation
  }
  return false;
}

void Soak::ReleaseCameras() {
  for (SoakCamera& camera : cameras_) {
    if (camera.handle == 0) continue;
    Bounded("Kelvo_Release", kStopBound, [&] { return Kelvo_Release(camera.handle); });
    camera.handle = 0;
#ifdef _WIN32
    DestroyWindow(static_cast<HWND>(camera.window));
#endif
  }
}

// The other application thread: files, filters, dialogs and the errors.
void Soak::Busy() {
  const auto folder = std::filesystem::temp_directory_path() / "kelvo-soak";
  std::filesystem::create_directories(folder);
  struct FilterStep {
    int id, low, high;
  };
  constexpr FilterStep kFilters[] = {{KELVO_FILTER_BRIGHTNESS, -30, 30},
                                     {KELVO_FILTER_CONTRAST, -20, 20},
                                     {KELVO_FILTER_SATURATION, -40, 40},
                                     {KELVO_FILTER_SHARPNESS, 0, 4},
                                     {KELVO_FILTER_GAMMA, 80, 120}};
  for (unsigned step = 0; running_; ++step) {
    SoakCamera& camera = cameras_[step % kCameras];
    const FilterStep& filter = kFilters[step % std::size(kFilters)];
    int value = filter.low + int(step * 7 % unsigned(filter.high - filter.low + 1));
    filterChanges_ += Kelvo_SetFilterValue(camera.handle, filter.id, value);
    if (step % 10 == 0 && camera.tally.frames > 0) {
      auto file = folder / ("frame-" + std::to_string(step % 7));
      if (Kelvo_SaveImage(camera.handle, file.string().c_str(), int(step / 10 % 7)) == 1) {
        ++filesSaved_;
      }
      std::filesystem::remove(file);
    }
#ifdef _WIN32
    if (step % 30 == 15 && camera.role == Role::kPreview) {
      const DWORD self = GetCurrentThreadId();
      std::thread cancel([&] {
        if (HWND dialog = testing::WaitForDialog(self)) {
          ++dialogsOpened_;
          std::this_thread::sleep_for(200ms);
          PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        } else {
          Fail("the image filter dialog never appeared");
        }
      });
      Kelvo_SetImageDlg(camera.handle, nullptr);
      cancel.join();
    }
#endif
    for (SoakCamera& each : cameras_) {
      for (int code; (code = Kelvo_GetLastError(each.handle)) != 0;) {
        if (code > 0 && code < kMostCodes) ++each.tally.errorsRead[static_cast<std::size_t>(code)];
      }
    }
    std::this_thread::sleep_for(30ms);
  }
  std::filesystem::remove_all(folder);
}

void Tell(Tally& tally, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam) {
  if (message == KELVO_MSG_FRAME && wParam != 0) {
    ++tally.frames;
    return;
  }
  if (lParam <= 0 || lParam >= kMostCodes) return;
  Codes& codes = message == KELVO_MSG_FRAME ? tally.frameFailures : tally.errorNotices;
  ++codes[static_cast<std::size_t>(lParam)];
}

void Soak::TakeNotices() {
  auto route = [this](void* window, std::uint32_t message, std::uintptr_t wParam,
                      std::intptr_t lParam) {
    for (SoakCamera& camera : cameras_) {
      if (camera.window == window) Tell(camera.tally, message, wParam, lParam);
    }
  };
#ifdef _WIN32
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == KELVO_MSG_FRAME || message.message == KELVO_MSG_ERROR) {
      route(message.hwnd, message.message, message.wParam, message.lParam);
    } else {
      DispatchMessageA(&message);
    }
  }
#else
  for (const auto& notice : platform::TakeRecordedNotices()) {
    route(notice.window, notice.message, notice.wParam, notice.lParam);
  }
#endif
}

void Soak::Snap(SoakCamera& camera) {
  if (Clock::now() < camera.holdUntil) return;
  int taken = Bounded("Kelvo_SnapShot", 5000ms,
                      [&] { return Kelvo_SnapShot(camera.handle, nullptr, 0, 1); });
  if (taken == 1) {
    ++camera.tally.frames;
  } else {
    camera.holdUntil = Clock::now() + kUnplugSettle;  // one failure per fault, as trigger mode
  }
}

void Soak::Inject(int cameraIndex, const FaultKind& kind) {
  SoakCamera& camera = cameras_[static_cast<std::size_t>(cameraIndex)];
  Pending waiting;
  waiting.camera = cameraIndex;
  waiting.kind = &kind;
  waiting.frameBase = camera.tally.frameFailures;
  waiting.noticeBase = camera.tally.errorNotices;
  for (int code = 0; code < kMostCodes; ++code) {
    waiting.readBase[static_cast<std::size_t>(code)] = Read(camera.tally.errorsRead, code);
  }
  waiting.framesBase = camera.tally.frames;
  waiting.deadline = Clock::now() + kReportBound;
  const int lost = camera.role == Role::kPreview ? KELVO_ERR_TRANSFER_STOPPED : KELVO_ERR_FRAME;
  if (kind.endsStream) {
    waiting.frame[lost] = 1;
    waiting.errors[lost] = 1;
  }
  if (kind.srom) waiting.errors[KELVO_ERR_NO_DEVICE] = 1;
  std::string why;
  emulator_->SetFaults(cameraIndex, *emulator::ParseFaultScript(kind.script, &why));
  if (kind.srom) {
    int ok = 1;
    Kelvo_ReadSromID(camera.handle, 0, &ok);
    if (ok != 0)
      Fail(std::string(RoleName(camera.role)) + ": an SROM read past its fault succeeded");
  }
  ++stats_[kind.name].injected;
  pending_.push_back(waiting);
}

// Settles the faults whose reports have all come, restarting a preview that
// a fault ended; reports those past their bound.
void Soak::Follow() {
  for (auto it = pending_.begin(); it != pending_.end();) {
    Pending& waiting = *it;
    SoakCamera& camera = cameras_[static_cast<std::size_t>(waiting.camera)];
    auto outstanding = [&] {
      int missing = 0;
      for (auto [code, count] : waiting.frame) {
        auto c = static_cast<std::size_t>(code);
        missing += camera.tally.frameFailures[c] - waiting.frameBase[c] < count;
      }
      for (auto [code, count] : waiting.errors) {
        auto c = static_cast<std::size_t>(code);
        missing += camera.tally.errorNotices[c] - waiting.noticeBase[c] < count;
        missing += Read(camera.tally.errorsRead, code) - waiting.readBase[c] < count;
      }
      // A stall is reported by nothing: frames go on after it.
      if (waiting.frame.empty() && waiting.errors.empty()) {
        missing += camera.tally.frames - waiting.framesBase < 3;
      }
      return missing;
    };
    const bool done = outstanding() == 0;
    if (done && camera.role == Role::kPreview && waiting.kind->endsStream && !waiting.restarted) {
      waiting.restarted = true;
      int stopped = Bounded("Kelvo_StopPreview", kStopBound,
                            [&] { return Kelvo_StopPreview(camera.handle); });
      // A stream that failed reports it at the stop; one that never opened does not.
      if (stopped == 0) waiting.errors[KELVO_ERR_DEVICE_IO] = 1;
      std::this_thread::sleep_for(kUnplugSettle);
      if (!Start(camera))
        Fail("preview: the start after a " + std::string(waiting.kind->name) + " failed");
      ++it;
      continue;
    }
    if (done || Clock::now() > waiting.deadline) {
      FaultStats& stats = stats_[waiting.kind->name];
      for (int code = 1; code < kMostCodes; ++code) {
        auto c = static_cast<std::size_t>(code);
        stats.frameNotices += camera.tally.frameFailures[c] - waiting.frameBase[c];
        stats.errorNotices += camera.tally.errorNotices[c] - waiting.noticeBase[c];
        stats.errorsRead += Read(camera.tally.errorsRead, code) - waiting.readBase[c];
      }
      if (done) {
        ++stats.reported;
      } else {
        Fail(std::string(RoleName(camera.role)) + " camera " + std::to_string(waiting.camera) +
             ": the " + waiting.kind->name + " fault was not reported within " +
             std::to_string(kReportBound.count()) + " s");
      }
      it = pending_.erase(it);
      continue;
    }
    ++it;
  }
}

int Soak::Run() {
  platform::DeleteUserSettingsForTesting(settings::kSettingsKeyPath);
  if (small_) {
    platform::SettingsStore& store = platform::UserSettingsStore();
    platform::SettingsKey key = store.Create(store.CurrentUser(), settings::kSettingsKeyPath);
    store.Write(key, "SubSample", 2);  // the cameras' images at a quarter of the sensor's size
    store.Close(key);
  }
  emulator::EmulatorOptions options = emulator::EmulatorOptions::Chart();
  options.cameras = kCameras;
  options.triggerPeriodMs = kTriggerPeriodMs;
  emulator_ = std::make_shared<emulator::CameraEmulator>(options);
  emulator::UseDriverPortForTesting(emulator_);

  // A first round makes what the process keeps anyway (window classes,
  // libraries' tables, the C runtime's buffers); the counts start after it.
  OpenCameras();
  for (SoakCamera& camera : cameras_) Start(camera);
  std::this_thread::sleep_for(500ms);
  TakeNotices();
  ReleaseCameras();
  TakeNotices();
  const ProcessCounts start = CountProcess();

  OpenCameras();
  for (int i = 0; i < kCameras; ++i) {
    SoakCamera& camera = cameras_[static_cast<std::size_t>(i)];
    camera.tally.frames = 0;
    camera.emulatorFramesAtStart = emulator_->Camera(i).FramesDelivered();
    if (!Start(camera)) Fail(std::string(RoleName(camera.role)) + ": the first start failed");
  }
  running_ = true;
  std::thread busy([this] { Busy(); });

  const auto began = Clock::now();
  auto nextFault = began + kFaultEvery;
  // Each camera begins at another place of the rotation, so short runs see every kind.
  std::array<std::size_t, kCameras> nextKind{0, 2, 4};
  int faultTurn = 0;
  while (Clock::now() - began < length_ || !pending_.empty()) {
    TakeNotices();
    if (cameras_[2].role == Role::kSnapshot) Snap(cameras_[2]);
    Follow();
    // One fault at a time per camera, each camera in turn.
    if (Clock::now() >= nextFault && Clock::now() - began < length_) {
      const int index = faultTurn++ % kCameras;
      bool busyCamera = false;
      for (const Pending& waiting : pending_) busyCamera |= waiting.camera == index;
      std::size_t& kind = nextKind[static_cast<std::size_t>(index)];
      // A preview keeps one device handle for its life: failing opens never reach it.
      if (cameras_[static_cast<std::size_t>(index)].role == Role::kPreview &&
          std::string(kFaults[kind % std::size(kFaults)].name) == "open fail") {
        ++kind;
      }
      if (!busyCamera) Inject(index, kFaults[kind++ % std::size(kFaults)]);
      nextFault += kFaultEvery;
    }
    std::this_thread::sleep_for(5ms);
  }
  const double seconds = std::chrono::duration<double>(Clock::now() - began).count();
  running_ = false;
  busy.join();

  std::array<std::uint64_t, kCameras> emulatorFrames{};
  for (int i = 0; i < kCameras; ++i) {
    emulatorFrames[static_cast<std::size_t>(i)] =
        emulator_->Camera(i).FramesDelivered() -
        cameras_[static_cast<std::size_t>(i)].emulatorFramesAtStart;
  }
  const double pace = 1.0 / std::chrono::duration<double>(emulator_->Camera(0).FrameTime()).count();
  TakeNotices();
  std::array<int, kCameras> frames{};
  for (int i = 0; i < kCameras; ++i) frames[std::size_t(i)] = cameras_[std::size_t(i)].tally.frames;
  ReleaseCameras();
  TakeNotices();
  std::this_thread::sleep_for(300ms);  // threads that have signalled their end are gone
  const ProcessCounts end = CountProcess();
  emulator::UseDriverPortForTesting(nullptr);
  platform::DeleteUserSettingsForTesting(settings::kSettingsKeyPath);

  std::printf("soak: %.1f s on %d emulated cameras (%s)%s\n", seconds, kCameras,
              kWindows ? "Windows: preview, preview, trigger" : "host: preview, preview, snapshots",
              small_ ? ", quarter-size frames" : "");
  for (int i = 0; i < kCameras; ++i) {
    const SoakCamera& camera = cameras_[static_cast<std::size_t>(i)];
    const double offered =
        camera.role == Role::kTrigger ? seconds * 1000.0 / kTriggerPeriodMs : seconds * pace;
    std::printf(
        "  camera %d, %-8s: %6d frames to the application, %6llu from the emulator"
        " (at most %.0f at its pace)\n",
        i, RoleName(camera.role), frames[std::size_t(i)],
        static_cast<unsigned long long>(emulatorFrames[std::size_t(i)]), offered);
    // Never more frames than the emulator sent, nor than its pace allows, and
    // at least one a second whatever the build's speed (sanitizers slow the
    // conversion and the emulator alike).
    if (std::uint64_t(frames[std::size_t(i)]) > emulatorFrames[std::size_t(i)] ||
        emulatorFrames[std::size_t(i)] > offered * 1.05 + 10 || frames[std::size_t(i)] < seconds) {
      Fail("camera " + std::to_string(i) + ": " + std::to_string(frames[std::size_t(i)]) +
           " frames shown of " + std::to_string(emulatorFrames[std::size_t(i)]) +
           " sent is not plausible at the emulator's pace (" + std::to_string(int(offered)) +
           " in the time)");
    }
  }
  std::printf("  %-10s %8s %8s %14s %13s %11s\n", "fault", "injected", "reported", "frame notices",
              "error notices", "errors read");
  int injected = 0;
  for (const auto& [name, stats] : stats_) {
    injected += stats.injected;
    std::printf("  %-10s %8d %8d %14d %13d %11d\n", name.c_str(), stats.injected, stats.reported,
                stats.frameNotices, stats.errorNotices, stats.errorsRead);
  }
  std::printf("  faults injected: %d; files saved: %d; filter changes: %d; dialogs opened: %d\n",
              injected, filesSaved_.load(), filterChanges_.load(), dialogsOpened_.load());
  const CountTolerance tolerance =
      kWindows ? CountTolerance{8192, 8, 4, 0} : CountTolerance{1024, 0, 0, 0};
  std::printf("  %-14s %10s %10s %10s\n", "count", "start", "end", "tolerance");
  std::printf(
      "  %-14s %10lld %10lld %10lld%s\n", "memory (KiB)", (long long)start.memoryKiB,
      (long long)end.memoryKiB, (long long)tolerance.memoryKiB,
      start.memoryKiB == 0 && end.memoryKiB == 0 ? "  (not counted: a sanitizer's heap)" : "");
  std::printf("  %-14s %10lld %10lld %10lld\n", "handles", (long long)start.handles,
              (long long)end.handles, (long long)tolerance.handles);
  if (kWindows) {
    std::printf("  %-14s %10lld %10lld %10lld%s\n", "GDI objects", (long long)start.gdiObjects,
                (long long)end.gdiObjects, (long long)tolerance.guiObjects,
                start.gdiObjects == 0 && end.gdiObjects == 0 ? "  (none counted: Wine)" : "");
    std::printf("  %-14s %10lld %10lld %10lld\n", "USER objects", (long long)start.userObjects,
                (long long)end.userObjects, (long long)tolerance.guiObjects);
  }
  std::printf("  %-14s %10lld %10lld %10lld\n", "threads", (long long)start.threads,
              (long long)end.threads, (long long)tolerance.threads);
  std::string grown = GrownBeyond(start, end, tolerance);
  if (!grown.empty()) Fail(grown);
  if (injected == 0) Fail("no fault was injected");
  for (const std::string& why : failures_) std::printf("soak FAILED: %s\n", why.c_str());
  std::printf("soak: %s\n", failures_.empty() ? "passed" : "FAILED");
  std::fflush(stdout);
  return failures_.empty() ? 0 : 1;
}

}  // namespace
}  // namespace kelvo::soak

int main(int argc, char** argv) {
  long seconds = 180;
  bool small = false;
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]) == "--small") {
      small = true;
    } else {
      seconds = std::strtol(argv[i], nullptr, 10);
    }
  }
  if (seconds < 1 || seconds > 24 * 3600) {
    std::fprintf(stderr, "usage: kelvo_soak [seconds, 1 to 86400] [--small]\n");
    return 2;
  }
  return kelvo::soak::Soak(std::chrono::seconds(seconds), small).Run();
}
