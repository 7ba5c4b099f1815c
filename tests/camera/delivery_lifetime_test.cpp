// How long the SDK holds on to what a delivering start was given (the
// application's buffer and notify window) and what frame notices point at,
// and which windows a start leaves behind. Over the window stand-in, so the
// address and race checkers see the worker's side too.
#ifndef _WIN32
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <functional>
#include <thread>
#include <vector>

#include "emulator/fault_script.h"
#include "support/stand_in_windows.h"

namespace kelvo::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int kFull24Bytes = 1280 * 3 * 960;
constexpr std::uint8_t kUntouched = 0xA5;

class DeliveryLifetimeTest : public StandInWindowsTest {
 protected:
  void SetUp() override {
    StandInWindowsTest::SetUp();
    UseEmulator(1, kTriggerPeriodMs);
    platform::TakeRecordedNotices();
  }

  // Polls the recorder until `frames` frame notices with a FrameInfo came, or 10 s.
  bool AwaitFrames(int frames) {
    auto deadline = Clock::now() + 10s;
    while (FrameNotices() < frames) {
      if (Clock::now() > deadline) return false;
      std::this_thread::sleep_for(5ms);
    }
    return true;
  }
  int FrameNotices() {
    for (const auto& notice : platform::TakeRecordedNotices()) {
      if (notice.message == KELVO_MSG_FRAME && notice.wParam != 0) seen.push_back(notice);
    }
    return static_cast<int>(seen.size());
  }

  // A windowless preview long enough to have converted several frames.
  void PreviewSomeFrames(KelvoHandle camera) {
    ASSERT_EQ(Kelvo_StartPreview(camera), 1);
    auto& converted = CameraOf(camera)->frameCount;
    auto deadline = Clock::now() + 10s;
    const int before = converted;
    while (converted < before + 3 && Clock::now() < deadline) std::this_thread::sleep_for(5ms);
    EXPECT_EQ(Kelvo_StopPreview(camera), 1);
  }

  static constexpr std::uint32_t kTriggerPeriodMs = 40;
  std::vector<platform::Notice> seen;
};

// After the start that was given them has ended, the buffer is the
// application's again (it may free it) and its window hears nothing more.
TEST_F(DeliveryLifetimeTest, AnEndedDeliveringStartLeavesNoBufferOrWindowToALaterPreview) {
  struct Ending {
    const char* name;
    std::function<int(KelvoHandle, std::vector<std::uint8_t>&)> start;
    std::function<int(KelvoHandle)> end;
  };
  const std::vector<Ending> endings = {
      {"Kelvo_CallBackPreview, Kelvo_Close",
       [](KelvoHandle h, auto& b) {
         return Kelvo_CallBackPreview(h, SomeWindow(), b.data(), int(b.size()), 1);
       },
       Kelvo_Close},
      {"Kelvo_CallBackPreview, Kelvo_StopPreview",
       [](KelvoHandle h, auto& b) {
         return Kelvo_CallBackPreview(h, SomeWindow(), b.data(), int(b.size()), 1);
       },
       Kelvo_StopPreview},
      {"Kelvo_Trigger, Kelvo_StopPreview",
       [](KelvoHandle h, auto& b) {
         return Kelvo_Trigger(h, SomeWindow(), b.data(), int(b.size()), 1);
       },
       Kelvo_StopPreview},
  };
  for (const Ending& ending : endings) {
    SCOPED_TRACE(ending.name);
    KelvoHandle camera = Open();
    seen.clear();
    std::vector<std::uint8_t> buffer(kFull24Bytes);
    ASSERT_EQ(ending.start(camera, buffer), 1);
    ASSERT_TRUE(AwaitFrames(2));
    EXPECT_EQ(ending.end(camera), 1);
    std::fill(buffer.begin(), buffer.end(), kUntouched);
    FrameNotices();
    seen.clear();

    PreviewSomeFrames(camera);
    EXPECT_EQ(std::count(buffer.begin(), buffer.end(), kUntouched), std::ptrdiff_t(buffer.size()));
    EXPECT_EQ(FrameNotices(), 0);
    Release(camera);
  }
}

// A callback start that found no window keeps its notify window (not its
// buffer): windowless starts deliver there, before and after each stop.
TEST_F(DeliveryLifetimeTest, AFailedCallbackStartsNotifyWindowServesEveryWindowlessStart) {
  UseWindowStandInForTesting(false);
  KelvoHandle camera = Open();
  std::vector<std::uint8_t> buffer(kFull24Bytes, kUntouched);
  EXPECT_EQ(Kelvo_CallBackPreview(camera, SomeWindow(), buffer.data(), int(buffer.size()), 1), 0);
  for (int start = 1; start <= 2; ++start) {
    SCOPED_TRACE("windowless start " + std::to_string(start));
    seen.clear();
    PreviewSomeFrames(camera);
    EXPECT_GT(FrameNotices(), 0);
  }
  EXPECT_EQ(std::count(buffer.begin(), buffer.end(), kUntouched), std::ptrdiff_t(buffer.size()));
  Release(camera);
}

// A notice still queued when its camera is released is dispatched afterwards;
// what it points at is still a FrameInfo.
TEST_F(DeliveryLifetimeTest, FrameNoticesQueuedAtReleaseStillPointAtAFrameInfo) {
  KelvoHandle camera = Open();
  ASSERT_EQ(Kelvo_CallBackPreview(camera, SomeWindow(), nullptr, 0, 1), 1);
  ASSERT_TRUE(AwaitFrames(2));
  Release(camera);
  FrameNotices();
  for (const auto& notice : seen) {
    const auto* info = reinterpret_cast<const FrameInfo*>(notice.wParam);
    EXPECT_EQ(info->size, sizeof(FrameInfo));
    EXPECT_EQ(info->width, 1280);
    EXPECT_EQ(info->height, 960);
    EXPECT_EQ(info->bitsPerPixel, 24);
  }
}

// Whatever window-backed sequence ran, Close leaves no window, device
// context or class behind, and a start never leaves one it cannot reach.
TEST_F(DeliveryLifetimeTest, EveryPreviewWindowIsClosedWithItsDeviceContextAndClass) {
  struct Sequence {
    const char* name;
    std::function<void(KelvoHandle)> run;
    int windowsAfter;  // before Kelvo_Close
  };
  const std::vector<Sequence> sequences = {
      {"Preview, Stop, Capture, CallBackPreview",
       [](KelvoHandle h) {
         EXPECT_EQ(Kelvo_Preview(h), 1);
         EXPECT_EQ(Kelvo_StopPreview(h), 1);
         EXPECT_EQ(Kelvo_Capture(h), 1);
         EXPECT_EQ(Kelvo_CallBackPreview(h, SomeWindow(), nullptr, 0, 1), 0);  // refused
       },
       0},
      {"Preview, Stop, Preview",
       [](KelvoHandle h) {
         EXPECT_EQ(Kelvo_Preview(h), 1);
         EXPECT_EQ(Kelvo_StopPreview(h), 1);
         EXPECT_EQ(Kelvo_Preview(h), 1);
       },
       1},
      {"Trigger, Stop, Trigger",
       [](KelvoHandle h) {
         EXPECT_EQ(Kelvo_Trigger(h, SomeWindow(), nullptr, 0, 1), 1);
         EXPECT_EQ(Kelvo_StopPreview(h), 1);
         EXPECT_EQ(Kelvo_Trigger(h, SomeWindow(), nullptr, 0, 1), 1);
       },
       1},
      {"Trigger, Stop, CallBackPreview",
       [](KelvoHandle h) {
         EXPECT_EQ(Kelvo_Trigger(h, SomeWindow(), nullptr, 0, 1), 1);
         EXPECT_EQ(Kelvo_StopPreview(h), 1);
         EXPECT_EQ(Kelvo_CallBackPreview(h, SomeWindow(), nullptr, 0, 1), 1);
       },
       1},
  };
  for (const Sequence& sequence : sequences) {
    SCOPED_TRACE(sequence.name);
    KelvoHandle camera = Open();
    sequence.run(camera);
    WindowStandInCounts held = CountStandInWindowsForTesting();
    EXPECT_EQ(held.windows, sequence.windowsAfter);
    EXPECT_EQ(held.classes, sequence.windowsAfter);
    EXPECT_EQ(held.dcs, sequence.windowsAfter);
    EXPECT_EQ(Kelvo_Close(camera), 1);
    held = CountStandInWindowsForTesting();
    EXPECT_EQ(held.windows + held.classes + held.dcs, 0);
    Release(camera);
  }
}

// A lost armed frame leaves trigger mode while its worker goes on reading the
// delivery with every frame: a new start ends that worker before it gives the
// new buffer, which may be smaller. The race checker sees the order.
TEST_F(DeliveryLifetimeTest, ANewStartEndsAnIdleTriggerWorkerBeforeChangingTheDelivery) {
  const std::vector<
      std::pair<const char*, std::function<int(KelvoHandle, std::vector<std::uint8_t>&)>>>
      starts = {
          {"Kelvo_Trigger",
           [](KelvoHandle h, auto& b) {
             return Kelvo_Trigger(h, SomeWindow(), b.data(), int(b.size()), 1);
           }},
          {"Kelvo_CallBackPreview",
           [](KelvoHandle h, auto& b) {
             return Kelvo_CallBackPreview(h, SomeWindow(), b.data(), int(b.size()), 1);
           }},
      };
  for (const auto& [name, start] : starts) {
    SCOPED_TRACE(name);
    KelvoHandle camera = Open();
    std::vector<std::uint8_t> large(kFull24Bytes);
    ASSERT_EQ(Kelvo_Trigger(camera, SomeWindow(), large.data(), int(large.size()), 1), 1);
    ASSERT_TRUE(AwaitFrames(1));
    std::string why;
    emulator->SetFaults(0, *emulator::ParseFaultScript("frame 1 drop", &why));
    auto deadline = Clock::now() + 10s;
    while (CameraOf(camera)->state != StateIdle && Clock::now() < deadline) {
      std::this_thread::sleep_for(5ms);
    }
    ASSERT_EQ(CameraOf(camera)->state, StateIdle);
    ASSERT_TRUE(AwaitFrames(int(seen.size()) + 2)) << "the idle worker delivers no frames";

    std::vector<std::uint8_t> small(1280 * 3 * 480);  // half a frame: each frame records Err 5
    DelayStandInWindowsForTesting(200);               // frames would reach the old worker meanwhile
    EXPECT_EQ(start(camera, small), 1);
    DelayStandInWindowsForTesting(0);
    EXPECT_EQ(Kelvo_Close(camera), 1);
    Release(camera);
  }
}

}  // namespace
}  // namespace kelvo::testing
#endif
