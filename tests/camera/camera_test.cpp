#include "camera/camera.h"

#include <gtest/gtest.h>

namespace kelvo {
namespace {

TEST(CameraTest, AFreshCameraHasTheDocumentedDefaults) {
  Camera camera;
  EXPECT_EQ(camera.Width(), 1280);
  EXPECT_EQ(camera.Height(), 960);
  EXPECT_EQ(camera.GetWaitTime(), 10);
  EXPECT_EQ(camera.GetColorMode(), 8);
  EXPECT_EQ(camera.frameInfo.size, 24);
  EXPECT_EQ(camera.bufferCount, 10);
  EXPECT_EQ(camera.previewRect, (std::array<std::int32_t, 4>{0, 0, 1280, 960}));
  EXPECT_EQ(camera.state, StateIdle);
  EXPECT_EQ(camera.deviceLink, nullptr);
  EXPECT_EQ(camera.PopError(), 0);
}

TEST(CameraTest, ColorModeAcceptsTheSixBitCountsOnly) {
  Camera camera;
  for (int mode = 0; mode < 6; ++mode) {
    int bits = kColorModeBits[mode];
    EXPECT_EQ(camera.SetColorMode(bits), 1) << bits;
    EXPECT_EQ(camera.colorMode, mode);
    EXPECT_EQ(camera.GetColorMode(), bits);
  }
  for (int bad : {0, 12, 7, 65, -8}) {
    EXPECT_EQ(camera.SetColorMode(bad), 0) << bad;
    EXPECT_EQ(camera.GetColorMode(), 64);
    EXPECT_EQ(camera.PopError(), KELVO_ERR_ARGUMENT);
  }
  camera.colorMode = 9;  // a stored value no mode stands for
  EXPECT_EQ(camera.GetColorMode(), -1);
}

#ifndef _WIN32
TEST(CameraTest, RecordedErrorsAreNoticedToTheApplicationWindowOnly) {
  platform::TakeRecordedNotices();
  Camera camera;
  camera.RecordError(KELVO_ERR_ARGUMENT);
  EXPECT_TRUE(platform::TakeRecordedNotices().empty());

  int window = 0;
  camera.AppWindow = &window;
  camera.RecordError(KELVO_ERR_NOT_SUPPORTED);
  std::vector<platform::Notice> expected = {{&window, 0x8003, 0, 11}};
  EXPECT_EQ(platform::TakeRecordedNotices(), expected);
  EXPECT_EQ(camera.PopError(), KELVO_ERR_NOT_SUPPORTED);
  EXPECT_EQ(camera.PopError(), KELVO_ERR_ARGUMENT);
}
#endif

}  // namespace
}  // namespace kelvo
