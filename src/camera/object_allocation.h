// How a Camera allocates the objects it owns (its device link and images), so
// that tests can make the n-th allocation fail and show the Err 5 paths.
#pragma once

#include <memory>
#include <new>
#include <utility>

#include "platform/fault_countdown.h"

namespace kelvo {

platform::FaultCountdown& CameraAllocationFault();

// Tests: after `successes` more camera objects are allocated, the next one
// fails; negative turns the failure off.
inline void FailCameraAllocationForTesting(int successes) {
  CameraAllocationFault().Arm(successes);
}

// The object, or null when it could not be had.
template <typename T, typename... Args>
std::unique_ptr<T> AllocateCameraObject(Args&&... args) {
  if (CameraAllocationFault().ShouldFail()) return nullptr;
  return std::unique_ptr<T>(new (std::nothrow) T(std::forward<Args>(args)...));
}

}  // namespace kelvo
