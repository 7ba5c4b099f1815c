#include "camera/camera.h"

#include "camera/frame_info_records.h"
#include "device/device_link.h"
#include "image/frame_image.h"
#include "platform/clock.h"

namespace kelvo {

Camera::Camera() : frameInfo(BorrowFrameInfo()), rateStart(platform::MultimediaTime()) {}

// Release: settings are saved before anything stops, then acquisition ends,
// then the device and the buffers go.
Camera::~Camera() {
  SaveSettings();
  Close();
  deviceLink.reset();
  for (auto& image : images) image.reset();
  WorkImage.reset();
  DisplayImage.reset();
  ReturnFrameInfo(frameInfo);
}

int Camera::RecordError(int code) {
  errors.Push(code);
  if (AppWindow != nullptr) platform::PostNotice(AppWindow, KELVO_MSG_ERROR, 0, code);
  return 1;
}

bool Camera::Initialised() const {
  if (!deviceLink || !WorkImage || !DisplayImage) return false;
  for (const auto& image : images) {
    if (!image) return false;
  }
  return true;
}

int Camera::RefuseRead(int* ok, int code) {
  if (ok != nullptr) *ok = 0;
  RecordError(code);
  return 0;
}

bool Camera::RequireInitialised() {
  if (Initialised()) return true;
  RecordError(KELVO_ERR_NO_DEVICE);
  return false;
}

int Camera::SetColorMode(int bitsPerPixel) {
  for (std::size_t mode = 0; mode < kColorModeBits.size(); ++mode) {
    if (kColorModeBits[mode] == bitsPerPixel) {
      colorMode = static_cast<std::int32_t>(mode);
      return 1;
    }
  }
  RecordError(KELVO_ERR_ARGUMENT);
  return 0;
}

int Camera::GetColorMode() const {
  std::int32_t mode = colorMode;
  if (mode < 0 || mode >= static_cast<std::int32_t>(kColorModeBits.size())) return -1;
  return kColorModeBits[mode];
}

int Camera::SetWaitTime(int milliseconds) {
  if (milliseconds < 0) return 0;
  waitTime = milliseconds;
  return 1;
}

int Camera::SetMirrorV(int flag) {
  if (!RequireInitialised()) return 0;
  analogBlock.verticalMirror = flag != 0 ? 1 : 0;
  return 1;
}

int Camera::GetMirrorV() {
  if (!RequireInitialised()) return 0;
  return analogBlock.verticalMirror;
}

int Camera::SetAutoIris(int mode) {
  if (mode < 0 || mode > 2) {
    RecordError(KELVO_ERR_ARGUMENT);
    return 0;
  }
  analogBlock.autoIrisMode = mode;
  return 1;
}

int Camera::GetAutoIris(int* ok) {
  if (ok != nullptr) *ok = 1;
  return analogBlock.autoIrisMode;
}

}  // namespace kelvo
