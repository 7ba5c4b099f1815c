// The one shape of every export: find the handle, forward to its Camera, and
// let nothing thrown cross the library boundary.
#pragma once

#include "KelvoSdk_Q12.h"
#include "api/handle_ring.h"
#include "camera/camera.h"

#ifdef _WIN32
#define KELVO_EXPORT  // the module-definition file names the exports
#else
#define KELVO_EXPORT __attribute__((visibility("default")))
#endif

namespace kelvo {

template <typename Operation>
int ForwardToCamera(KelvoHandle handle, int failureValue, Operation&& operation) noexcept {
  try {
    std::shared_ptr<Camera> camera = TheHandleRing().Find(handle);
    if (!camera) return failureValue;  // nobody to record an error in
    return operation(*camera);
  } catch (...) {
    return failureValue;
  }
}

inline WindowHandle ToWindowHandle(KelvoWindow window) { return static_cast<WindowHandle>(window); }

}  // namespace kelvo
