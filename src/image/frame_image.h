// One image buffer of a Camera.
#pragma once

namespace kelvo {

class FrameImage {
 public:
  FrameImage() = default;
  FrameImage(const FrameImage&) = delete;
  FrameImage& operator=(const FrameImage&) = delete;
};

}  // namespace kelvo
