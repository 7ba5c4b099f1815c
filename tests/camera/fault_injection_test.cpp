// Every fault of the emulator's timeline through the exports, in each way a
// camera delivers frames: the result, the errors recorded, the notices posted
// to the application's window, and a camera that works again afterwards.
// Every call that may wait runs under a watchdog.
#ifdef _WIN32
#include <windows.h>
#endif
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "emulator/fault_script.h"
#include "support/emulated_sdk.h"
#include "support/watchdog.h"
#ifdef _WIN32
#include "support/test_window.h"
#endif

namespace kelvo::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// How long the exports may take at most: a streaming stop waits for one wait
// time and one frame, a trigger stop for one armed transfer (the 3000 ms time
// limit); the watchdog adds a margin of seconds for sanitizers and Wine.
constexpr auto kStreamStopBound = 5000ms;
constexpr auto kTriggerStopBound = 3000ms + 5000ms;
constexpr auto kSnapshotBound = 5000ms;  // plus any stall the row plays
constexpr auto kWaitBound = 10s;         // for a fault to play out, or frames to come

template <typename Call>
auto Bounded(const char* name, std::chrono::milliseconds bound, Call&& call) {
  std::chrono::milliseconds took{};
  auto result = Watched(name, bound, std::forward<Call>(call), &took);
  EXPECT_LE(took.count(), bound.count()) << name << " took " << took.count() << " ms";
  return result;
}

// Where the SDK's notices go: a window of the test's own on Windows, the
// recorder elsewhere. Both the error notices and the frame notices come here.
class NoticeSink {
 public:
#ifdef _WIN32
  KelvoWindow Window() const { return window_.get(); }
  void Collect() {
    MSG message;
    while (window_.Take(message)) {
      seen_.push_back({message.hwnd, message.message, message.wParam, message.lParam});
    }
  }
#else
  KelvoWindow Window() const { return SomeWindow(); }
  void Collect() {
    for (const auto& notice : platform::TakeRecordedNotices()) seen_.push_back(notice);
  }
#endif
  void Forget() {
    Collect();
    seen_.clear();
  }
  int Frames() {
    Collect();
    int frames = 0;
    for (const auto& notice : seen_) frames += notice.message == KELVO_MSG_FRAME && notice.wParam;
    return frames;
  }
  // The codes of (0, code) frame notices or of error notices, oldest first.
  std::vector<int> Codes(std::uint32_t message) {
    Collect();
    std::vector<int> codes;
    for (const auto& notice : seen_) {
      if (notice.message == message && notice.wParam == 0) codes.push_back(int(notice.lParam));
    }
    return codes;
  }
  // Frame notices that came after the last (0, code) one.
  int FramesAfterLastFailure() {
    Collect();
    int frames = 0;
    for (const auto& notice : seen_) {
      if (notice.message != KELVO_MSG_FRAME) continue;
      frames = notice.wParam != 0 ? frames + 1 : 0;
    }
    return frames;
  }

 private:
#ifdef _WIN32
  TestWindow window_;
#endif
  std::vector<platform::Notice> seen_;
};

enum class Mode { kSnapshot, kPreview, kTrigger };
// When the row's fault is set: before Kelvo_Initialize, before the start, or
// once frames are coming.
enum class Phase { kAtOpen, kBeforeStart, kRunning };

struct FaultCase {
  const char* name;
  Mode mode;
  Phase phase;
  const char* script;
  int startResult;               // the snapshot's result, or the start's
  bool resumes;                  // frames keep coming on the same start after the fault
  int stopResult;                // streaming modes
  std::vector<int> errors;       // recorded, newest first
  std::vector<int> frameErrors;  // (0, code) frame notices, oldest first
};

const char* ModeName(Mode mode) {
  constexpr const char* names[] = {"snapshot", "preview", "trigger"};
  return names[static_cast<int>(mode)];
}

void PrintTo(const FaultCase& row, std::ostream* out) {
  *out << ModeName(row.mode) << ", " << row.name << ": \"" << row.script << "\"";
}

constexpr int E8 = KELVO_ERR_FRAME, E13 = KELVO_ERR_TRANSFER_STOPPED, E6 = KELVO_ERR_DEVICE_IO;
constexpr int E2 = KELVO_ERR_DEVICE_ABSENT, E1 = KELVO_ERR_NO_DEVICE;
constexpr auto S = Mode::kSnapshot, P = Mode::kPreview, T = Mode::kTrigger;
constexpr auto kAtOpen = Phase::kAtOpen, kBefore = Phase::kBeforeStart, kRunning = Phase::kRunning;

// A count of failing opens beyond anything one start or snapshot makes: the
// driver stays shut until the row clears it.
constexpr const char* kDriverShut = "open fail 100000";

const std::vector<FaultCase>& FaultTable() {
  static const std::vector<FaultCase> rows = {
      // A snapshot plays its fault on its own frame.
      {"drop", S, kBefore, "frame 1 drop", 0, false, 0, {E8}, {E8}},
      {"short", S, kBefore, "frame 1 short", 0, false, 0, {E8}, {E8}},
      {"stall", S, kBefore, "frame 1 stall 400", 1, false, 0, {}, {}},
      {"unplug", S, kBefore, "frame 1 unplug 300", 0, false, 0, {E8}, {E8}},
      {"open fail", S, kBefore, kDriverShut, 0, false, 0, {E8}, {E8}},
      {"open fail at initialisation", S, kAtOpen, "open fail 1", 0, false, 0, {E2}, {}},
      {"srom fail", S, kBefore, "srom fail", 1, false, 0, {E1}, {}},
      // A failed stream ends the preview; its stop reports the transfer's failure.
      {"drop", P, kRunning, "frame 2 drop", 1, false, 0, {E6, E13}, {E13}},
      {"short", P, kRunning, "frame 2 short", 1, false, 0, {E6, E13}, {E13}},
      {"stall", P, kRunning, "frame 2 stall 400", 1, true, 1, {}, {}},
      {"unplug", P, kRunning, "frame 2 unplug 300", 1, false, 0, {E6, E13}, {E13}},
      // The stream never opened the device: it ended without a failed transfer.
      {"open fail", P, kBefore, kDriverShut, 1, false, 1, {E13}, {E13}},
      {"open fail at initialisation", P, kAtOpen, "open fail 1", 0, false, 1, {E2}, {}},
      {"srom fail", P, kRunning, "srom fail", 1, true, 1, {E1}, {}},
      // Trigger mode loses the frame, says so once, and goes on arming.
      {"drop", T, kRunning, "frame 2 drop", 1, true, 1, {E8}, {E8}},
      {"short", T, kRunning, "frame 2 short", 1, true, 1, {E8}, {E8}},
      {"stall", T, kRunning, "frame 2 stall 400", 1, true, 1, {}, {}},
      {"unplug", T, kRunning, "frame 2 unplug 300", 1, true, 1, {E8}, {E8}},
      {"open fail", T, kRunning, "open fail 5", 1, true, 1, {E8}, {E8}},
      {"open fail at initialisation", T, kAtOpen, "open fail 1", 0, false, 1, {E2}, {}},
      {"srom fail", T, kRunning, "srom fail", 1, true, 1, {E1}, {}},
  };
  return rows;
}

class FaultInjectionTest : public EmulatedSdkTest, public ::testing::WithParamInterface<FaultCase> {
 protected:
  void SetUp() override {
    EmulatedSdkTest::SetUp();
    UseEmulator(1, kTriggerPeriodMs);
    platform::TakeRecordedNotices();
  }

  void Play(const char* script) {
    std::string why;
    auto faults = emulator::ParseFaultScript(script, &why);
    ASSERT_TRUE(faults) << why;
    emulator->SetFaults(0, *faults);
  }

  KelvoHandle OpenTelling() {
    KelvoHandle camera = Open(sink.Window());
#ifdef _WIN32
    // Child previews: a top-level window takes Wine seconds to go.
    EXPECT_EQ(Kelvo_SetPreviewWindow(camera, sink.Window(), 0, 0, 64, 48), 1);
#endif
    return camera;
  }

  // Gives the camera its notify window with a start that fails at its window
  // (Err 4), so that nothing runs and nothing closes: Kelvo_Close, and a stop
  // of a start that ran, forget the notify window.
  void TellWindow(KelvoHandle camera) {
#ifdef _WIN32
    Kelvo_SetPreviewWindow(camera, SomeWindow(), 0, 0, 64, 48);  // no such parent
#endif
    EXPECT_EQ(Kelvo_CallBackPreview(camera, sink.Window(), nullptr, 0, 1), 0);
#ifdef _WIN32
    Kelvo_SetPreviewWindow(camera, sink.Window(), 0, 0, 64, 48);
#endif
    Errors(camera);
    sink.Forget();
  }

  int Start(Mode mode, KelvoHandle camera) {
    if (mode == Mode::kTrigger) return Kelvo_Trigger(camera, sink.Window(), nullptr, 0, 1);
#ifdef _WIN32
    return Kelvo_CallBackPreview(camera, sink.Window(), nullptr, 0, 1);
#else
    TellWindow(camera);
    return Kelvo_StartPreview(camera);
#endif
  }

  int Stop(Mode mode, KelvoHandle camera) {
    return mode == Mode::kTrigger ? Bounded("Kelvo_StopPreview in trigger mode", kTriggerStopBound,
                                            [&] { return Kelvo_StopPreview(camera); })
                                  : Bounded("Kelvo_StopPreview in preview", kStreamStopBound,
                                            [&] { return Kelvo_StopPreview(camera); });
  }

  // Polls until done() or the bound; false if the bound passed.
  template <typename Done>
  bool Await(Done done) {
    auto deadline = Clock::now() + kWaitBound;
    while (!done()) {
      if (Clock::now() > deadline) return false;
      std::this_thread::sleep_for(5ms);
    }
    return true;
  }

  // The fault has played once the expected failure notices have come and,
  // where the start goes on, frames have followed them.
  bool FaultPlayedOut(const FaultCase& row, KelvoHandle camera, int framesBefore) {
    return Await([&] {
      if (sink.Codes(KELVO_MSG_FRAME).size() < row.frameErrors.size()) return false;
      if (!row.resumes) return row.frameErrors.empty() || CameraOf(camera)->workerRun == WorkerStop;
      int after =
          row.frameErrors.empty() ? sink.Frames() - framesBefore : sink.FramesAfterLastFailure();
      return after >= 3;
    });
  }

  void ExpectRecovered(Mode mode, KelvoHandle camera) {
    SCOPED_TRACE("after the fault");
    Errors(camera);
    sink.Forget();
    if (mode == Mode::kSnapshot) {
      EXPECT_EQ(Bounded("Kelvo_SnapShot", kSnapshotBound,
                        [&] { return Kelvo_SnapShot(camera, nullptr, 0, 1); }),
                1);
    } else {
      ASSERT_EQ(Start(mode, camera), 1);
      EXPECT_TRUE(Await([&] { return sink.Frames() >= 2; })) << "no frames after a new start";
      EXPECT_EQ(Stop(mode, camera), 1);
    }
    EXPECT_EQ(Errors(camera), std::vector<int>{});
  }

  static constexpr std::uint32_t kTriggerPeriodMs = 40;
  NoticeSink sink;
};

// An SROM read that fails says so; the next one goes through.
void ExpectOneFailedSromRead(KelvoHandle camera) {
  int ok = 1;
  EXPECT_EQ(Kelvo_ReadSromID(camera, 0, &ok), 0);
  EXPECT_EQ(ok, 0);
  Kelvo_ReadSromID(camera, 0, &ok);
  EXPECT_EQ(ok, 1);
}

TEST_P(FaultInjectionTest, ProducesItsResultErrorsAndNoticesAndTheCameraWorksAgain) {
  const FaultCase& row = GetParam();
  const std::string name = row.name;
  if (row.phase == Phase::kAtOpen) Play(row.script);
  KelvoHandle camera = OpenTelling();
  if (row.mode == Mode::kSnapshot) TellWindow(camera);
  Errors(camera);
  sink.Forget();
  if (row.phase == Phase::kBeforeStart) Play(row.script);

  if (name == "srom fail" && row.mode == Mode::kSnapshot) {
    ExpectOneFailedSromRead(camera);
  } else if (row.mode == Mode::kSnapshot) {
    const auto stall = name == "stall" ? 400ms : 0ms;
    auto started = Clock::now();
    EXPECT_EQ(Bounded("Kelvo_SnapShot", kSnapshotBound + stall,
                      [&] { return Kelvo_SnapShot(camera, nullptr, 0, 1); }),
              row.startResult);
    EXPECT_GE(Clock::now() - started, stall);
  } else {
    const int started = Start(row.mode, camera);
    EXPECT_EQ(started, row.startResult);
    if (started == 1 && row.phase == Phase::kRunning) {
      ASSERT_TRUE(Await([&] { return sink.Frames() >= 2; })) << "no frames before the fault";
    }
    const int framesBefore = sink.Frames();
    if (row.phase == Phase::kRunning) Play(row.script);
    if (name == "srom fail") ExpectOneFailedSromRead(camera);
    if (started == 1) {
      EXPECT_TRUE(FaultPlayedOut(row, camera, framesBefore)) << "the fault never played out";
    }
    EXPECT_EQ(Stop(row.mode, camera), row.stopResult);
    // A stop that reports a failed stream has still stopped.
    EXPECT_EQ(CameraOf(camera)->state, StateIdle);
  }

  EXPECT_EQ(Errors(camera), row.errors);
  EXPECT_EQ(sink.Codes(KELVO_MSG_FRAME), row.frameErrors);
  // Every recorded error was also posted to the application's window.
  EXPECT_EQ(sink.Codes(KELVO_MSG_ERROR), std::vector<int>(row.errors.rbegin(), row.errors.rend()));

  // The driver opens again, the camera is back: a new start works on the same handle.
  emulator->SetFaults(0, {});
  if (name == "unplug") std::this_thread::sleep_for(350ms);
  if (row.phase == Phase::kAtOpen) {
    // The camera was missing from enumeration: a new handle sees it.
    EXPECT_EQ(Bounded("Kelvo_Release", kTriggerStopBound, [&] { return Kelvo_Release(camera); }),
              1);
    Forget(camera);
    camera = OpenTelling();
  }
  ExpectRecovered(row.mode, camera);
  EXPECT_EQ(Bounded("Kelvo_Release", kTriggerStopBound, [&] { return Kelvo_Release(camera); }), 1);
  Forget(camera);
}

#ifdef _WIN32
// A lost armed frame leaves trigger mode (state idle) while its worker still
// runs: the starts that prepare buffers must not do so under that worker.
TEST_F(FaultInjectionTest, StartsAfterTriggerModeEndedByAFaultWorkOnTheirOwn) {
  const std::vector<std::pair<const char*, std::function<int(KelvoHandle)>>> starts = {
      {"Kelvo_SnapShot", [](KelvoHandle h) { return Kelvo_SnapShot(h, nullptr, 0, 1); }},
      {"Kelvo_Capture", [](KelvoHandle h) { return Kelvo_Capture(h); }},
      {"Kelvo_StartPreview", [](KelvoHandle h) { return Kelvo_StartPreview(h); }},
  };
  for (const auto& [name, start] : starts) {
    SCOPED_TRACE(name);
    KelvoHandle camera = OpenTelling();
    ASSERT_EQ(Kelvo_Trigger(camera, sink.Window(), nullptr, 0, 1), 1);
    ASSERT_TRUE(Await([&] { return sink.Frames() >= 1; }));
    Play("frame 1 drop");
    ASSERT_TRUE(Await([&] { return CameraOf(camera)->state == StateIdle; }));
    EXPECT_EQ(Bounded(name, kTriggerStopBound, [&] { return start(camera); }), 1);
    EXPECT_EQ(Stop(Mode::kTrigger, camera), 1);
    EXPECT_EQ(Errors(camera), std::vector<int>{KELVO_ERR_FRAME});
    EXPECT_EQ(Bounded("Kelvo_Release", kTriggerStopBound, [&] { return Kelvo_Release(camera); }),
              1);
    Forget(camera);
    sink.Forget();
  }
}
#endif

std::vector<FaultCase> RowsHere() {
  std::vector<FaultCase> rows;
  for (const auto& row : FaultTable()) {
#ifndef _WIN32
    if (row.mode == Mode::kTrigger) continue;  // trigger mode needs its window
#endif
    rows.push_back(row);
  }
  return rows;
}

INSTANTIATE_TEST_SUITE_P(Timeline, FaultInjectionTest, ::testing::ValuesIn(RowsHere()),
                         [](const auto& info) {
                           std::string name =
                               std::string(ModeName(info.param.mode)) + "_" + info.param.name;
                           std::replace(name.begin(), name.end(), ' ', '_');
                           return name;
                         });

}  // namespace
}  // namespace kelvo::testing
