#include <gtest/gtest.h>

#include <vector>

#include "device/device_link.h"
#include "platform/driver_port.h"
#include "unreachable_device.h"

namespace kelvo {
namespace {

// No Q12 driver is installed here, so CreateFileA finds no \\.\ZentQ12-<n>.
TEST(KernelDriverPath, FindsNoDeviceAndEveryRequestFailsCleanly) {
  DeviceLink link(platform::KernelDriverPort());
  link.SetTimeLimit(100);
  ExpectEveryRequestFails(link);
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
