#include "camera/camera.h"
#include "device/device_link.h"
#include "image/frame_image.h"

namespace kelvo {

int Camera::Capture() {
  if (!RequireInitialised()) return 0;
  return 0;
}

int Camera::SnapShot(void* /*buffer*/, int /*size*/, int /*memoryOrder*/) {
  if (!RequireInitialised()) return 0;
  return 0;
}

int Camera::StartPreview() {
  if (!RequireInitialised()) return 0;
  return 0;
}

int Camera::Preview() {
  NotifyWindow = nullptr;
  userBuffer = nullptr;
  userBufferSize = 0;
  userMemoryOrder = 0;
  return StartWindowedPreview();
}

int Camera::CallBackPreview(WindowHandle notifyWindow, void* buffer, int size, int memoryOrder) {
  NotifyWindow = notifyWindow;
  userBuffer = buffer;
  userBufferSize = size;
  userMemoryOrder = memoryOrder;
  return StartWindowedPreview();
}

int Camera::StartWindowedPreview() {
  if (StartPreview() == 1) return 1;
  Close();
  return 0;
}

int Camera::Trigger(WindowHandle /*notifyWindow*/, void* /*buffer*/, int /*size*/,
                    int /*memoryOrder*/) {
  if (!RequireInitialised()) return 0;
  return 0;
}

int Camera::StopPreview() {
  if (!RequireInitialised()) return 0;
  workerRun = WorkerStop;
  if (state != StateIdle) state = StateIdle;
  return 1;
}

int Camera::Close() {
  previewDC = nullptr;
  previewWindow = nullptr;
  windowClassName[0] = '\0';
  StopPreview();
  return 1;
}

int Camera::GetImage(void* /*buffer*/, int /*size*/, int /*memoryOrder*/) {
  if (!RequireInitialised()) return 0;
  return 0;
}

int Camera::SaveImage(const char* /*fileName*/, int /*format*/) {
  if (!RequireInitialised()) return 0;
  return 0;
}

}  // namespace kelvo
