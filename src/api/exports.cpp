// The exported functions that forward to a Camera operation.
#include "api/export_shape.h"

using kelvo::Camera;
using kelvo::ForwardToCamera;
using kelvo::ToWindowHandle;

extern "C" {

// ---- lifecycle, identity and errors

KELVO_EXPORT int KELVO_CALL Kelvo_GetDllVersion(void) { return KELVO_DLL_VERSION; }

KELVO_EXPORT KelvoHandle KELVO_CALL Kelvo_Initialize(KelvoWindow appWindow) {
  std::shared_ptr<Camera> camera;
  KelvoHandle handle = 0;
  try {
    camera = std::make_shared<Camera>();
    handle = kelvo::TheHandleRing().Insert(camera);
  } catch (...) {
    return 0;
  }
  // The handle is returned whatever the initialisation gives; its failures are recorded.
  ForwardToCamera(handle, 0, [&](Camera& c) {
    try {
      return c.Initialize(ToWindowHandle(appWindow));
    } catch (...) {
      return c.RecordError(KELVO_ERR_BUFFER), 0;
    }
  });
  return handle;
}

KELVO_EXPORT int KELVO_CALL Kelvo_Release(KelvoHandle handle) {
  try {
    return kelvo::TheHandleRing().Remove(handle) ? 1 : 0;
  } catch (...) {
    return 0;
  }
}

KELVO_EXPORT int KELVO_CALL Kelvo_GetLastError(KelvoHandle handle) {
  return ForwardToCamera(handle, 0, [](Camera& c) { return c.PopError(); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_SetDeviceNumber(KelvoHandle handle, int index) {
  return ForwardToCamera(handle, 0, [=](Camera& c) { return c.SetDeviceNumber(index); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_EnumDevice(KelvoHandle handle, char* names) {
  return ForwardToCamera(handle, 0, [=](Camera& c) { return c.EnumDevice(names); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_GetDeviceName(KelvoHandle handle, int index, char* name,
                                                int size) {
  return ForwardToCamera(handle, 0, [=](Camera& c) { return c.GetDeviceName(index, name, size); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_GetCameraInfo(KelvoHandle handle, CameraInfo* info) {
  return ForwardToCamera(handle, 0, [=](Camera& c) { return c.GetCameraInfo(info); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_GetStatus(KelvoHandle handle, int /*unused*/) {
  return ForwardToCamera(handle, 0, [](Camera&) { return 0; });
}

KELVO_EXPORT int KELVO_CALL Kelvo_Width(KelvoHandle handle) {
  return ForwardToCamera(handle, 0, [](Camera& c) { return c.Width(); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_Height(KelvoHandle handle) {
  return ForwardToCamera(handle, 0, [](Camera& c) { return c.Height(); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_SetColorMode(KelvoHandle handle, int bitsPerPixel) {
  return ForwardToCamera(handle, 0, [=](Camera& c) { return c.SetColorMode(bitsPerPixel); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_GetColorMode(KelvoHandle handle) {
  return ForwardToCamera(handle, -1, [](Camera& c) { return c.GetColorMode(); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_SetPreviewWindow(KelvoHandle handle, KelvoWindow parent, int x,
                                                   int y, int width, int height) {
  return ForwardToCamera(handle, 0, [=](Camera& c) {
    return c.SetPreviewWindow(ToWindowHandle(parent), x, y, width, height);
  });
}

// ---- acquisition and images

KELVO_EXPORT int KELVO_CALL Kelvo_Preview(KelvoHandle handle) {
  return ForwardToCamera(handle, 0, [](Camera& c) { return c.Preview(); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_CallBackPreview(KelvoHandle handle, KelvoWindow notifyWindow,
                                                  void* buffer, int bufferSize, int memoryOrder) {
  return ForwardToCamera(handle, 0, [=](Camera& c) {
    return c.CallBackPreview(ToWindowHandle(notifyWindow), buffer, bufferSize, memoryOrder);
  });
}

KELVO_EXPORT int KELVO_CALL Kelvo_StartPreview(KelvoHandle handle) {
  return ForwardToCamera(handle, 0, [](Camera& c) { return c.StartPreview(); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_StopPreview(KelvoHandle handle) {
  return ForwardToCamera(handle, 0, [](Camera& c) { return c.StopPreview(); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_Capture(KelvoHandle handle) {
  return ForwardToCamera(handle, 0, [](Camera& c) { return c.Capture(); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_SnapShot(KelvoHandle handle, void* buffer, int bufferSize,
                                           int memoryOrder) {
  return ForwardToCamera(handle, 0,
                         [=](Camera& c) { return c.SnapShot(buffer, bufferSize, memoryOrder); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_Trigger(KelvoHandle handle, KelvoWindow notifyWindow,
                                          void* buffer, int bufferSize, int memoryOrder) {
  return ForwardToCamera(handle, 0, [=](Camera& c) {
    return c.Trigger(ToWindowHandle(notifyWindow), buffer, bufferSize, memoryOrder);
  });
}

KELVO_EXPORT int KELVO_CALL Kelvo_GetImage(KelvoHandle handle, void* buffer, int bufferSize,
                                           int memoryOrder) {
  return ForwardToCamera(handle, 0,
                         [=](Camera& c) { return c.GetImage(buffer, bufferSize, memoryOrder); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_Close(KelvoHandle handle) {
  return ForwardToCamera(handle, 0, [](Camera& c) { return c.Close(); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_SaveImage(KelvoHandle handle, const char* fileName, int format) {
  return ForwardToCamera(handle, 0, [=](Camera& c) { return c.SaveImage(fileName, format); });
}

// ---- settings, dialogs and filters

KELVO_EXPORT int KELVO_CALL Kelvo_SetCameraDlg(KelvoHandle handle, KelvoWindow parent) {
  return ForwardToCamera(handle, 0,
                         [=](Camera& c) { return c.SetCameraDialog(ToWindowHandle(parent)); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_SetImageDlg(KelvoHandle handle, KelvoWindow parent) {
  return ForwardToCamera(handle, 0,
                         [=](Camera& c) { return c.SetImageDialog(ToWindowHandle(parent)); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_SetAnalogDlg(KelvoHandle handle, KelvoWindow parent) {
  return ForwardToCamera(handle, 0,
                         [=](Camera& c) { return c.SetAnalogDialog(ToWindowHandle(parent)); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_SetFilterValue(KelvoHandle handle, int filterId, int value) {
  return ForwardToCamera(handle, 0, [=](Camera& c) { return c.SetFilterValue(filterId, value); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_GetFilterValue(KelvoHandle handle, int filterId, int* ok) {
  return ForwardToCamera(handle, 0, [=](Camera& c) { return c.GetFilterValue(filterId, ok); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_SetWaitTime(KelvoHandle handle, int milliseconds) {
  return ForwardToCamera(handle, 0, [=](Camera& c) { return c.SetWaitTime(milliseconds); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_GetWaitTime(KelvoHandle handle) {
  return ForwardToCamera(handle, -1, [](Camera& c) { return c.GetWaitTime(); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_SetMirrorV(KelvoHandle handle, int flag) {
  return ForwardToCamera(handle, 0, [=](Camera& c) { return c.SetMirrorV(flag); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_GetMirrorV(KelvoHandle handle) {
  return ForwardToCamera(handle, 0, [](Camera& c) { return c.GetMirrorV(); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_GetMirrorH(KelvoHandle handle) {
  return ForwardToCamera(handle, 0, [](Camera&) { return 0; });
}

KELVO_EXPORT int KELVO_CALL Kelvo_SetAutoIris(KelvoHandle handle, int mode) {
  return ForwardToCamera(handle, 0, [=](Camera& c) { return c.SetAutoIris(mode); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_GetAutoIris(KelvoHandle handle, int* ok) {
  return ForwardToCamera(handle, 0, [=](Camera& c) { return c.GetAutoIris(ok); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_GetSubSample(KelvoHandle handle) {
  return ForwardToCamera(handle, -1, [](Camera&) { return 0; });
}

}  // extern "C"

namespace {

// The body shared by the getters of settings the Q12 does not have.
int AnswerZero(KelvoHandle handle, int* out) {
  return ForwardToCamera(handle, 0, [=](Camera&) {
    if (out != nullptr) *out = 0;
    return 0;
  });
}

}  // namespace

extern "C" {

KELVO_EXPORT int KELVO_CALL Kelvo_GetHalfClock(KelvoHandle handle, int* value) {
  return AnswerZero(handle, value);
}

KELVO_EXPORT int KELVO_CALL Kelvo_GetSamplingRate(KelvoHandle handle, int* value) {
  return AnswerZero(handle, value);
}

KELVO_EXPORT int KELVO_CALL Kelvo_GetVideoFormat(KelvoHandle handle, int* value) {
  return AnswerZero(handle, value);
}

// ---- device access

KELVO_EXPORT int KELVO_CALL Kelvo_WriteRegister(KelvoHandle handle, int address, int value) {
  return ForwardToCamera(handle, 0,
                         [=](Camera& c) { return c.WriteRegister(address & 0xFF, value & 0xFFFF); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_ReadRegister(KelvoHandle handle, int address, int* ok) {
  return ForwardToCamera(handle, 0, [=](Camera& c) { return c.ReadRegister(address & 0xFF, ok); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_WriteSromID(KelvoHandle handle, int index, int value) {
  return ForwardToCamera(handle, 0, [=](Camera& c) { return c.WriteSromId(index & 0xFF, value); });
}

KELVO_EXPORT int KELVO_CALL Kelvo_ReadSromID(KelvoHandle handle, int index, int* ok) {
  return ForwardToCamera(handle, 0, [=](Camera& c) { return c.ReadSromId(index & 0xFF, ok); });
}

}  // extern "C"
