#include "camera/preview_window.h"

#include <gtest/gtest.h>

#include "camera/camera.h"
#include "image/frame_image.h"

namespace kelvo {
namespace {

#ifndef _WIN32
// Without windows a preview cannot be created (the camera records Err 4);
// everything else that would touch a window does nothing.
TEST(PreviewWindowTest, WithoutWindowsCreationFailsAndNothingIsDrawn) {
  Camera camera;
  int parent = 0;
  EXPECT_EQ(CreatePreviewWindow(camera, nullptr, 0, 0, 320, 240), nullptr);
  EXPECT_EQ(CreatePreviewWindow(camera, &parent, 10, 20, 320, 240), nullptr);
  EXPECT_EQ(GetPreviewDC(&parent), nullptr);
  int width = -1, height = -1;
  EXPECT_FALSE(PreviewClientSize(&parent, &width, &height));
  ReleasePreviewDC(&parent, &parent);
  DestroyPreviewWindow(&parent);
  UnregisterPreviewClass(camera.windowClassName);

  FrameImage grey, wide, display;
  ASSERT_EQ(grey.Create(8, 4, 8), 1);
  ASSERT_EQ(wide.Create(8, 4, 16), 1);
  PreviewTarget target;
  target.window = &parent;
  target.dc = &parent;
  target.colorMode = 1;
  target.images[0] = &grey;
  target.images[1] = &wide;
  target.display = &display;
  DrawFrame(target);
  EXPECT_EQ(display.pixels, nullptr);
}
#endif

}  // namespace
}  // namespace kelvo
