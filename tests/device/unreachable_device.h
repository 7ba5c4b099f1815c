// What a device link does when no camera answers: it finds none, refuses every
// request with a failure, and still walks the start-up sequence.
#pragma once

#include <gtest/gtest.h>

#include "device/device_link.h"

namespace kelvo {

inline void ExpectEveryRequestFails(DeviceLink& link) {
  for (int n = 0; n < 8; ++n) EXPECT_EQ(link.IsPresent(n), 0) << n;
  EXPECT_FALSE(link.WriteRegister(4, 0x8096));
  EXPECT_FALSE(link.SetGain(150));
  EXPECT_FALSE(link.SetExposure(500));
  EXPECT_FALSE(link.SetTriggerMode(1));
  int clock = -1;
  EXPECT_FALSE(link.GetClockMode(&clock));
  EXPECT_FALSE(link.SetClockMode(1));
  std::uint8_t id = 0;
  EXPECT_FALSE(link.ReadSromId(0, &id));
  EXPECT_FALSE(link.WriteSromId(0, 1));
  EXPECT_EQ(link.InitializeSensor(), 1);
  EXPECT_EQ(link.SnapFrame(), kLinkNoDevice);
}

}  // namespace kelvo
