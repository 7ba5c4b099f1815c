// Starts that cannot get their worker (Err 3) or their stream (Err 6): every
// such start fails at once, leaves the camera idle, and a later start works. Each call runs under a
// watchdog, since a failed start once waited for a worker that never ran.
#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "platform/thread.h"
#include "support/stand_in_windows.h"
#include "support/watchdog.h"

namespace kelvo::testing {
namespace {

using namespace std::chrono_literals;

struct StartRow {
  const char* name;
  std::function<int(KelvoHandle)> start;
};

struct MissingPiece {
  const char* name;
  std::function<void()> arm;
};

const std::vector<StartRow>& Starts() {
  static const std::vector<StartRow> rows = {
      {"Kelvo_StartPreview", [](KelvoHandle h) { return Kelvo_StartPreview(h); }},
      {"Kelvo_Preview", [](KelvoHandle h) { return Kelvo_Preview(h); }},
      {"Kelvo_CallBackPreview",
       [](KelvoHandle h) { return Kelvo_CallBackPreview(h, SomeWindow(), nullptr, 0, 1); }},
      {"Kelvo_Trigger",
       [](KelvoHandle h) { return Kelvo_Trigger(h, SomeWindow(), nullptr, 0, 1); }},
  };
  return rows;
}

// The worker's thread, its stop event (the first one a start makes) and its
// wake event (the second).
const std::vector<MissingPiece>& MissingPieces() {
  static const std::vector<MissingPiece> rows = {
      {"thread", [] { platform::FailThreadStartsForTesting(1); }},
      {"stop event", [] { platform::FailEventCreationForTesting(0); }},
      {"wake event", [] { platform::FailEventCreationForTesting(1); }},
  };
  return rows;
}

class StartFailureTest : public StandInWindowsTest {
 protected:
  void TearDown() override {
    platform::FailThreadStartsForTesting(0);
    platform::FailEventCreationForTesting(-1);
    StandInWindowsTest::TearDown();
  }

  template <typename Call>
  static int Within(const char* name, Call&& call) {
    std::chrono::milliseconds took{};
    return Watched(name, 5000ms, std::forward<Call>(call), &took);
  }
};

TEST_F(StartFailureTest, AStartWithoutItsWorkerFailsWithErr3AndTheNextStartWorks) {
  for (const StartRow& start : Starts()) {
    for (const MissingPiece& missing : MissingPieces()) {
      SCOPED_TRACE(std::string(start.name) + " without its " + missing.name);
      KelvoHandle camera = Open();
      Errors(camera);
      missing.arm();
      EXPECT_EQ(Within(start.name, [&] { return start.start(camera); }), 0);
      platform::FailEventCreationForTesting(-1);
      EXPECT_EQ(Errors(camera), std::vector<int>{KELVO_ERR_THREAD});
      EXPECT_EQ(CameraOf(camera)->state, StateIdle);
      EXPECT_EQ(Within(start.name, [&] { return start.start(camera); }), 1);
      EXPECT_EQ(Within("Kelvo_Close", [&] { return Kelvo_Close(camera); }), 1);
      EXPECT_EQ(Errors(camera), std::vector<int>{});
      EXPECT_EQ(Within("Kelvo_Release", [&] { return Kelvo_Release(camera); }), 1);
      Forget(camera);
    }
  }
}

// The worker runs, but the stream cannot start (its event, the third one a
// start makes, cannot be made): the device failed, Err 6, not Err 3.
TEST_F(StartFailureTest, AStreamThatCannotStartAfterTheWorkerFailsWithErr6) {
  for (const StartRow& start : Starts()) {
    if (std::string(start.name) == "Kelvo_Trigger") continue;  // trigger mode streams nothing
    SCOPED_TRACE(start.name);
    KelvoHandle camera = Open();
    Errors(camera);
    platform::FailEventCreationForTesting(2);
    EXPECT_EQ(Within(start.name, [&] { return start.start(camera); }), 0);
    platform::FailEventCreationForTesting(-1);
    EXPECT_EQ(Errors(camera), std::vector<int>{KELVO_ERR_DEVICE_IO});
    EXPECT_EQ(CameraOf(camera)->state, StateIdle);
    EXPECT_EQ(CameraOf(camera)->workerThreadId, 0u);
    EXPECT_EQ(Within(start.name, [&] { return start.start(camera); }), 1);
    EXPECT_EQ(Within("Kelvo_Release", [&] { return Kelvo_Release(camera); }), 1);
    Forget(camera);
  }
}

}  // namespace
}  // namespace kelvo::testing
