#include "camera/camera.h"
#include "device/device_link.h"
#include "image/frame_image.h"

namespace kelvo {

int Camera::Initialize(WindowHandle appWindow) {
  AppWindow = appWindow;
  bool imagesComplete = WorkImage && DisplayImage;
  for (const auto& image : images) imagesComplete = imagesComplete && image;
  if (!deviceLink || !imagesComplete) {
    RecordError(KELVO_ERR_BUFFER);
    return 0;
  }
  previewRect = {0, 0, width, height};
  return 1;
}

int Camera::SetDeviceNumber(int /*index*/) {
  if (!RequireDeviceLink()) return 0;
  return 0;
}

int Camera::EnumDevice(char* /*names*/) {
  if (!RequireDeviceLink()) return 0;
  return 0;
}

int Camera::GetDeviceName(int index, char* /*name*/, int size) {
  if (!RequireDeviceLink()) return 0;
  if (size < 15) {
    RecordError(KELVO_ERR_ARGUMENT);
    return 0;
  }
  if (index < 0 || index >= 8) return 0;
  return 0;
}

int Camera::GetCameraInfo(CameraInfo* info) {
  if (!RequireDeviceLink()) return 0;
  if (info == nullptr) {
    RecordError(KELVO_ERR_ARGUMENT);
    return 0;
  }
  if (info->size < 36) {
    RecordError(KELVO_ERR_BUFFER);
    return 0;
  }
  return 0;
}

int Camera::SetPreviewWindow(WindowHandle parent, int x, int y, int w, int h) {
  if (!RequireDeviceLink()) return 0;
  previewParent = parent;
  previewRect = {x, y, w, h};
  return 1;
}

int Camera::WriteRegister(int /*address*/, int /*value*/) {
  if (!RequireDeviceLink()) return 0;
  return 0;
}

int Camera::ReadRegister(int /*address*/, int* ok) {
  if (ok != nullptr) *ok = 0;
  if (!RequireDeviceLink()) return 0;
  return 0;
}

int Camera::WriteSromId(int /*index*/, int /*value*/) {
  if (!RequireDeviceLink()) return 0;
  return 0;
}

int Camera::ReadSromId(int /*index*/, int* ok) {
  if (ok != nullptr) *ok = 0;
  if (!RequireDeviceLink()) return 0;
  return 0;
}

}  // namespace kelvo
