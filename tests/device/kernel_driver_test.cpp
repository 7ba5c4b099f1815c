#include <gtest/gtest.h>

#include <vector>

#include "device/device_link.h"
#include "platform/driver_port.h"

namespace kelvo {
namespace {

// No Q12 driver is installed here, so CreateFileA finds no \\.\ZentQ12-<n>.
TEST(KernelDriverPath, FindsNoDeviceAndEveryRequestFailsCleanly) {
  DeviceLink link(platform::KernelDriverPort());
  for (int n = 0; n < 8; ++n) EXPECT_EQ(link.IsPresent(n), 0) << n;
  EXPECT_FALSE(link.WriteRegister(4, 0x8096));
  EXPECT_FALSE(link.SetGain(150));
  EXPECT_FALSE(link.SetExposure(500));
  EXPECT_FALSE(link.SetTriggerMode(1));
  link.SetTimeLimit(100);
  int clock = -1;
  EXPECT_FALSE(link.GetClockMode(&clock));
  EXPECT_FALSE(link.SetClockMode(1));
  std::uint8_t id = 0;
  EXPECT_FALSE(link.ReadSromId(0, &id));
  EXPECT_FALSE(link.WriteSromId(0, 1));
  EXPECT_EQ(link.InitializeSensor(), 1);
  EXPECT_EQ(link.SnapFrame(), kLinkNoDevice);
  EXPECT_EQ(link.CollectFrame(), kLinkNoDevice);
  ASSERT_EQ(link.StartStream(), kLinkOk);
  int polled = kStreamNoFrame;
  for (int i = 0; i < 200 && polled != kStreamStopped; ++i) {
    platform::SleepMilliseconds(5);
    polled = link.PollStream();
  }
  EXPECT_EQ(polled, kStreamStopped);
  EXPECT_EQ(link.StopStream(), kLinkOk);
  std::vector<std::uint8_t> picture(1280 * 960);
  EXPECT_EQ(link.ExtractFrame(picture.data(), picture.size()), kLinkOk);  // the zeroed buffer
  link.Teardown();
}

}  // namespace
}  // namespace kelvo
