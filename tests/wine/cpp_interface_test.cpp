// The C++ interface (KelvoSdk_Q12.hpp) over the DLL, as a C++ customer uses
// it: errors by name, snapshots into an image that knows its layout, live
// frames handed to a std::function on this thread, and the waits' ends.
#include <gtest/gtest.h>

#include <optional>

#include "KelvoSdk_Q12.hpp"

namespace {

using namespace std::chrono_literals;

TEST(CppInterfaceTest, ErrorsCarryTheSdkCategoryAndNames) {
  const std::error_code buffer = kelvo::errc::buffer;
  EXPECT_EQ(buffer.value(), KELVO_ERR_BUFFER);
  EXPECT_STREQ(buffer.category().name(), "kelvo");
  EXPECT_NE(buffer.message().find("buffer"), std::string::npos);
  EXPECT_EQ(std::error_code(kelvo::errc::refused).message(), "refused in this state");
}

TEST(CppInterfaceTest, SnapshotsFillAnImageOfTheModesLayoutOrFailByName) {
  kelvo::camera camera;
  for (int bits : {8, 24, 48}) {
    SCOPED_TRACE(bits);
    ASSERT_FALSE(camera.set_color_mode(bits));
    kelvo::image picture;
    ASSERT_FALSE(camera.snapshot(picture));
    EXPECT_EQ(picture.width, 1280);
    EXPECT_EQ(picture.height, 960);
    EXPECT_EQ(picture.bits_per_pixel, bits);
    EXPECT_EQ(picture.stride, 1280u * bits / 8);
    EXPECT_EQ(picture.pixels.size(), picture.stride * 960);
    unsigned long sum = 0;
    for (std::uint8_t byte : picture.pixels) sum += byte;
    EXPECT_GT(sum, 0u) << "an all-black picture";
  }
  std::uint8_t small[16];
  EXPECT_EQ(camera.snapshot(small, sizeof small), kelvo::errc::buffer);
  EXPECT_EQ(camera.set_color_mode(12), kelvo::errc::argument);
}

TEST(CppInterfaceTest, LiveFramesReachTheHandlerOnThisThread) {
  kelvo::camera camera;
  ASSERT_FALSE(camera.set_color_mode(24));
  const DWORD thread = GetCurrentThreadId();
  int frames = 0;
  ASSERT_FALSE(camera.start_live([&](const kelvo::frame& f) {
    EXPECT_EQ(GetCurrentThreadId(), thread);
    EXPECT_EQ(f.picture.width, 1280);
    EXPECT_EQ(f.picture.bits_per_pixel, 24);
    ++frames;
  }));
  for (int i = 0; i < 3; ++i) ASSERT_FALSE(camera.wait_for_frame(10s)) << "frame " << i;
  EXPECT_EQ(frames, 3);
  EXPECT_FALSE(camera.stop_live());
  // With acquisition stopped, a wait ends at its time limit.
  EXPECT_EQ(camera.wait_for_frame(100ms), std::errc::timed_out);
}

TEST(CppInterfaceTest, AHandlerMayReleaseItsCamera) {
  std::optional<kelvo::camera> camera(std::in_place);
  ASSERT_FALSE(camera->set_color_mode(8));
  int frames = 0;
  ASSERT_FALSE(camera->start_live([&](const kelvo::frame&) {
    ++frames;
    camera.reset();
  }));
  kelvo::camera& live = *camera;
  EXPECT_FALSE(live.wait_for_frame(10s));
  EXPECT_FALSE(camera.has_value());
  EXPECT_EQ(frames, 1);
}

TEST(CppInterfaceTest, CamerasMoveAndReleaseOnce) {
  kelvo::camera first;
  const KelvoHandle handle = first.native_handle();
  kelvo::camera second = std::move(first);
  EXPECT_EQ(second.native_handle(), handle);
  EXPECT_EQ(first.native_handle(), 0u);  // NOLINT(bugprone-use-after-move): moved-from is empty
  EXPECT_EQ(first.set_color_mode(24), kelvo::errc::refused);
}

}  // namespace
