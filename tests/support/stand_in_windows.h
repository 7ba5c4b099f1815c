// Emulated cameras with windows: on Windows the real ones, elsewhere the
// in-memory stand-in, so the window-backed starts run in every build.
#pragma once

#include "camera/preview_window.h"
#include "support/emulated_sdk.h"

namespace kelvo::testing {

class StandInWindowsTest : public EmulatedSdkTest {
 protected:
  void SetUp() override {
    UseWindowStandInForTesting(true);
    EmulatedSdkTest::SetUp();
  }
  void TearDown() override {
    EmulatedSdkTest::TearDown();
    UseWindowStandInForTesting(false);
  }
};

}  // namespace kelvo::testing
