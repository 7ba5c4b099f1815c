#include <chrono>
#include <thread>
#include <vector>

#include "failing_allocation.h"
#include "gated_port.h"
#include "link_fixture.h"
#include "platform/global_memory.h"
#include "platform/thread.h"

namespace kelvo {
namespace {

using emulator::Fault;
using emulator::FaultKind;
using std::chrono::milliseconds;
using Ms = std::chrono::duration<double, std::milli>;

struct PollCase {
  std::int32_t write, read, count;
  int result;
  std::int32_t readAfter;
};

class PollArithmetic : public ::testing::TestWithParam<PollCase> {};

TEST_P(PollArithmetic, JumpsToTheNewestCompletedEntry) {
  const PollCase& c = GetParam();
  PollDecision decision = DecidePoll(c.write, c.read, c.count);
  EXPECT_EQ(decision.result, c.result);
  EXPECT_EQ(decision.readIndex, c.readAfter);
}

INSTANTIATE_TEST_SUITE_P(Cases, PollArithmetic,
                         ::testing::Values(PollCase{3, 8, 10, kStreamFrameReady, 2},
                                           PollCase{5, 5, 10, kStreamNoFrame, 5},
                                           PollCase{6, 5, 10, kStreamFrameReady, 5},
                                           PollCase{9, 0, 10, kStreamFrameReady, 8},
                                           PollCase{0, 9, 10, kStreamFrameReady, 9},
                                           PollCase{0, 1, 2, kStreamFrameReady, 1}));

TEST(StreamWriter, NeverMovesOntoTheEntryTheReaderHolds) {
  struct Case {
    std::int32_t write, read, count, next;
  };
  for (Case c : {Case{7, 8, 10, 9}, Case{3, 8, 10, 4}, Case{9, 0, 10, 1}, Case{9, 5, 10, 0},
                 Case{1, 0, 2, 1}}) {
    EXPECT_EQ(NextWriteIndex(c.write, c.read, c.count), c.next) << c.write << " " << c.read;
  }
}

class Transfers : public LinkTest {
 protected:
  void SetUp() override {
    Make(EmulatorOptions::Still());
    emulator->EnableTrace(false);
  }
  // Polls until the stream reports something other than "no new frame".
  int PollUntilSettled() {
    for (int i = 0; i < 500; ++i) {
      int result = link->PollStream();
      if (result != kStreamNoFrame && result != kStreamFrameReady) return result;
      std::this_thread::sleep_for(milliseconds(10));
    }
    return -1;
  }
};

TEST_F(Transfers, StopWithoutAStreamReturnsAtOnce) { EXPECT_EQ(link->StopStream(), kLinkOk); }

struct FailureCase {
  const char* name;
  FaultKind kind;
};

class FailedStream : public Transfers, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailedStream, ReportsUntilStoppedWithNineteenThenRestarts) {
  ASSERT_EQ(link->SetCaptureWindow(0, 0, 640, 8, 0), kLinkOk);
  emulator->SetFaults(0, {{GetParam().kind, 3, 0}});
  ASSERT_EQ(link->StartStream(), kLinkOk);
  EXPECT_EQ(PollUntilSettled(), kStreamFailed);
  EXPECT_EQ(link->PollStream(), kStreamFailed);
  EXPECT_EQ(link->StopStream(), kLinkFrameFailed);
  EXPECT_EQ(link->PollStream(), kStreamStopped);
  ASSERT_EQ(link->StartStream(), kLinkOk);
  EXPECT_EQ(link->StopStream(), kLinkOk);
}

INSTANTIATE_TEST_SUITE_P(Faults, FailedStream,
                         ::testing::Values(FailureCase{"dropped", FaultKind::kDrop},
                                           FailureCase{"short", FaultKind::kShort}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(Transfers, StreamWhoseDeviceDoesNotOpenEndsQuietly) {
  emulator->SetFaults(0, {{FaultKind::kOpenFail, 0, 1}});
  ASSERT_EQ(link->StartStream(), kLinkOk);
  EXPECT_EQ(PollUntilSettled(), kStreamStopped);
  EXPECT_EQ(link->StopStream(), kLinkOk);
  EXPECT_EQ(link->StartStream(), kLinkOk);  // the old thread and event were closed
  EXPECT_EQ(link->StopStream(), kLinkOk);
}

TEST_F(Transfers, SecondStartOrNewWindowWhileStreamingIsBusy) {
  ASSERT_EQ(link->StartStream(), kLinkOk);
  EXPECT_EQ(link->StartStream(), kLinkBusy);
  // Refused whole: a window stored over the kept layout would disagree with it.
  EXPECT_EQ(link->SetCaptureWindow(0, 0, 640, 480, 1), kLinkBusy);
  EXPECT_EQ(link->Window().width, 1280);
  EXPECT_EQ(link->WindowMode(), 0);
  EXPECT_EQ(link->Layout().lines, 960);
  EXPECT_EQ(link->StopStream(), kLinkOk);
}

TEST_F(Transfers, ThreadThatCannotStartIsReportedNotAwaited) {
  platform::FailThreadStartsForTesting(1);
  EXPECT_EQ(link->SnapFrame(), kLinkOutOfMemory);
  EXPECT_NE(link->CollectFrame(), kLinkBusy);
  EXPECT_EQ(link->SnapFrame(), kLinkOk);
  platform::FailThreadStartsForTesting(1);
  EXPECT_EQ(link->StartStream(), kLinkOutOfMemory);
  EXPECT_EQ(link->PollStream(), kStreamStopped);
  EXPECT_EQ(link->StartStream(), kLinkOk);
  EXPECT_EQ(link->StopStream(), kLinkOk);
}

// A snapshot that fails before its thread runs: the trigger worker calls
// CollectFrame next and must see that failure, not the frame before.
struct EarlyFailure {
  const char* name;
  void (*arrange)(DeviceLink&);
  int result;
};

const EarlyFailure kEarlyFailures[] = {
    {"no_buffer",
     [](DeviceLink& l) {
       platform::FailGlobalAllocationForTesting(0);
       l.SetCaptureWindow(0, 0, 640, 8, 0);
       platform::FailGlobalAllocationForTesting(-1);
     },
     kLinkNoDestination},
    {"no_thread", [](DeviceLink&) { platform::FailThreadStartsForTesting(1); }, kLinkOutOfMemory},
    {"allocation_throws", [](DeviceLink&) { FailNextAllocationOnThisThread(); }, kLinkOutOfMemory},
};

class EarlySnapFailure : public Transfers, public ::testing::WithParamInterface<EarlyFailure> {
 protected:
  void TearDown() override { AllowAllocationsOnThisThread(); }
};

TEST_P(EarlySnapFailure, IsWhatCollectReturnsAndLeavesTheLinkFree) {
  ASSERT_EQ(link->SetCaptureWindow(0, 0, 640, 8, 0), kLinkOk);
  ASSERT_EQ(link->SnapFrame(), kLinkOk);
  ASSERT_EQ(link->CollectFrame(), kLinkOk);
  GetParam().arrange(*link);
  EXPECT_EQ(link->SnapFrame(), GetParam().result);
  EXPECT_EQ(link->CollectFrame(), GetParam().result);
  ASSERT_EQ(link->SetCaptureWindow(0, 0, 640, 8, 0), kLinkOk);
  EXPECT_EQ(link->SnapFrame(), kLinkOk);
  EXPECT_EQ(link->CollectFrame(), kLinkOk);
}

INSTANTIATE_TEST_SUITE_P(Causes, EarlySnapFailure, ::testing::ValuesIn(kEarlyFailures),
                         [](const auto& info) { return std::string(info.param.name); });

// A second caller that collects while the thread ends must find it still
// running: the thread is not done with the event until it has set it.
TEST_F(Transfers, CollectWhileTheSingleFrameThreadEndsIsBusy) {
  ASSERT_EQ(link->SetCaptureWindow(0, 0, 640, 8, 0), kLinkOk);
  int collected = -1;
  link->OnSingleFrameEndingForTesting([&] { collected = link->CollectFrame(); });
  EXPECT_EQ(link->SnapFrame(), kLinkOk);
  EXPECT_EQ(collected, kLinkBusy);
  link->OnSingleFrameEndingForTesting(nullptr);
  EXPECT_EQ(link->CollectFrame(), kLinkOk);
}

TEST_F(Transfers, StreamStartThatRunsOutOfMemoryLeavesTheLinkFree) {
  FailNextAllocationOnThisThread();
  EXPECT_EQ(link->StartStream(), kLinkOutOfMemory);
  AllowAllocationsOnThisThread();
  EXPECT_EQ(link->PollStream(), kStreamStopped);
  ASSERT_EQ(link->StartStream(), kLinkOk);
  EXPECT_EQ(link->StopStream(), kLinkOk);
}

TEST_F(Transfers, TriggerModeWaitsForTheTriggerOrFailsAtTheTimeLimit) {
  ASSERT_EQ(link->SetCaptureWindow(0, 0, 640, 8, 0), kLinkOk);
  link->SetTimeLimit(150);
  ASSERT_TRUE(link->SetTriggerMode(1));
  EXPECT_EQ(link->SnapFrame(), kLinkFrameFailed);
  EXPECT_EQ(link->CollectFrame(), kLinkFrameFailed);

  std::thread trigger([this] {
    std::this_thread::sleep_for(milliseconds(40));
    emulator->Trigger(0);
  });
  EXPECT_EQ(link->SnapFrame(), kLinkOk);
  trigger.join();
  EXPECT_EQ(link->CollectFrame(), kLinkOk);
}

TEST_F(Transfers, UnpluggedCameraVanishesAndComesBack) {
  ASSERT_EQ(link->SetCaptureWindow(0, 0, 640, 8, 0), kLinkOk);
  emulator->SetFaults(0, {{FaultKind::kUnplug, 2, 300}});
  ASSERT_EQ(link->StartStream(), kLinkOk);
  EXPECT_EQ(PollUntilSettled(), kStreamFailed);
  EXPECT_EQ(link->StopStream(), kLinkFrameFailed);
  link->Enumerate();
  EXPECT_EQ(link->IsPresent(0), 0);
  EXPECT_FALSE(link->WriteRegister(4, 1));
  std::this_thread::sleep_for(milliseconds(350));
  link->Enumerate();
  EXPECT_EQ(link->IsPresent(0), 1);
  EXPECT_EQ(link->SnapFrame(), kLinkOk);
}

// A link whose transfer threads a test can hold at one moment of a transfer.
class HeldTransfers : public ::testing::Test {
 protected:
  void SetUp() override {
    emulator = MakeEmulator();
    port = std::make_shared<GatedPort>(emulator);
    link = std::make_unique<DeviceLink>(port);
    ASSERT_EQ(link->SetCaptureWindow(0, 0, 640, 8, 0), kLinkOk);
  }
  void TearDown() override { port->Release(); }

  std::shared_ptr<CameraEmulator> emulator;
  std::shared_ptr<GatedPort> port;
  std::unique_ptr<DeviceLink> link;
};

TEST_F(HeldTransfers, FailedFrameIsNeverHandedOutAsNew) {
  emulator->SetFaults(0, {{FaultKind::kDrop, 1, 0}});
  port->HoldAt(GatedPort::Moment::kCloseAfterFailedFrame);
  ASSERT_EQ(link->StartStream(), kLinkOk);
  ASSERT_TRUE(port->WaitUntilHeld());
  // The thread has not yet left: the stream must already read as failed.
  EXPECT_EQ(link->PollStream(), kStreamFailed);
  port->Release();
  EXPECT_EQ(link->StopStream(), kLinkFrameFailed);
}

// A stop marks the stream stopped at once but the thread is still inside its
// transfer: the buffers and the window must stay until it has left.
TEST_F(HeldTransfers, WindowStaysUntilAStoppedStreamHasLeftItsTransfer) {
  port->HoldAt(GatedPort::Moment::kFrameTransfer);
  ASSERT_EQ(link->StartStream(), kLinkOk);
  ASSERT_TRUE(port->WaitUntilHeld());
  int stopped = -1;
  std::thread stopper([&] { stopped = link->StopStream(); });
  for (int i = 0; i < 5000 && link->PollStream() != kStreamStopped; ++i) {
    std::this_thread::sleep_for(milliseconds(1));
  }
  ASSERT_EQ(link->PollStream(), kStreamStopped);
  EXPECT_EQ(link->SetCaptureWindow(0, 0, 320, 6, 0), kLinkBusy);
  EXPECT_EQ(link->SetRawLayout(1600, 221, 320, 7, 1, 6, 10), kLinkBusy);
  EXPECT_EQ(link->Window().width, 640);
  EXPECT_EQ(link->Layout().width, 640);
  port->Release();
  stopper.join();
  EXPECT_EQ(stopped, kLinkOk);
  EXPECT_EQ(link->SetCaptureWindow(0, 0, 320, 6, 0), kLinkOk);
  EXPECT_EQ(link->Layout().width, 320);
}

// The reader polls as a preview worker does and must always get the newest
// complete frame: each emulated frame carries its own number in every pixel.
TEST(Streaming, ReaderGetsTheNewestFrameAndStopIsPrompt) {
  EmulatorOptions options = EmulatorOptions::Still();
  options.synthesis.pattern = emulator::FramePattern::kFrameNumbers;
  auto emulator = MakeEmulator(options);
  DeviceLink link(emulator);
  link.SetSampleWidth(1);
  ASSERT_EQ(link.SetCaptureWindow(0, 0, 1280, 480, 0), kLinkOk);
  std::vector<std::uint16_t> picture(1280 * 480);
  ASSERT_EQ(link.StartStream(), kLinkOk);

  int shown = 0;
  std::uint16_t last = 0;
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(milliseconds(10));
    auto completedBefore = emulator->Camera(0).FramesDelivered();
    int result = link.PollStream();
    ASSERT_NE(result, kStreamFailed);
    if (result != kStreamFrameReady) continue;
    ASSERT_EQ(link.ExtractStreamFrame(picture.data(), picture.size() * 2), kLinkOk);
    auto completedAfter = emulator->Camera(0).FramesDelivered();
    std::uint16_t frame = picture[0];
    EXPECT_EQ(picture.back(), frame) << "a frame was overwritten while it was read";
    EXPECT_GE(frame, completedBefore);
    EXPECT_LE(frame, completedAfter);
    EXPECT_GT(frame, last);
    last = frame;
    ++shown;
  }
  EXPECT_GT(shown, 20);

  Ms frameTime = emulator->Camera(0).FrameTime();
  auto stopStart = std::chrono::steady_clock::now();
  EXPECT_EQ(link.StopStream(), kLinkOk);
  Ms stopTook = std::chrono::steady_clock::now() - stopStart;
  // One frame time, plus room for a busy machine to schedule the threads.
  EXPECT_LT(stopTook.count(), frameTime.count() + 60.0);
}

TEST(Streaming, LinkDestroyedWhileStreamingEndsTheStreamFirst) {
  auto emulator = MakeEmulator();
  auto link = std::make_unique<DeviceLink>(emulator);
  ASSERT_EQ(link->StartStream(), kLinkOk);
  std::this_thread::sleep_for(milliseconds(50));
  link.reset();
  EXPECT_EQ(emulator->OpenHandles(), 0);
}

}  // namespace
}  // namespace kelvo
