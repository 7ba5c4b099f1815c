// Operations of the camera family that the Q12 does not have. Each records
// "not supported" and fails; extra arguments are the caller's to clean up.
#include "api/export_shape.h"

namespace {

int NotSupported(KelvoHandle handle) {
  return kelvo::ForwardToCamera(handle, 0, [](kelvo::Camera& c) {
    c.RecordError(KELVO_ERR_NOT_SUPPORTED);
    return 0;
  });
}

}  // namespace

#define KELVO_NOT_SUPPORTED(name) \
  extern "C" KELVO_EXPORT int KELVO_CALL name(KelvoHandle handle, ...) { return NotSupported(handle); }

KELVO_NOT_SUPPORTED(Kelvo_Fpga_ReadRegister)
KELVO_NOT_SUPPORTED(Kelvo_Fpga_WriteRegister)
KELVO_NOT_SUPPORTED(Kelvo_Fps)
KELVO_NOT_SUPPORTED(Kelvo_GetCameraType)
KELVO_NOT_SUPPORTED(Kelvo_GetCaptureWindowEx)
KELVO_NOT_SUPPORTED(Kelvo_GetIOPort)
KELVO_NOT_SUPPORTED(Kelvo_Record)
KELVO_NOT_SUPPORTED(Kelvo_SetCameraType)
KELVO_NOT_SUPPORTED(Kelvo_SetCaptureWindow)
KELVO_NOT_SUPPORTED(Kelvo_SetCaptureWindowEx)
KELVO_NOT_SUPPORTED(Kelvo_SetCrossbar)
KELVO_NOT_SUPPORTED(Kelvo_SetHalfClock)
KELVO_NOT_SUPPORTED(Kelvo_SetIOPort)
KELVO_NOT_SUPPORTED(Kelvo_SetMirrorH)
KELVO_NOT_SUPPORTED(Kelvo_SetSamplingRate)
KELVO_NOT_SUPPORTED(Kelvo_SetSubSample)
