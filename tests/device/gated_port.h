// A driver port in front of the emulator that can hold a transfer thread at
// one chosen moment, so that a test acts exactly while the thread is there.
#pragma once

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <set>

#include "emulator/camera_emulator.h"
#include "platform/driver_port.h"
#include "platform/driver_protocol_numbers.h"

namespace kelvo {

class GatedPort final : public platform::DriverPort {
 public:
  enum class Moment {
    kNone,
    kFrameTransfer,          // a frame transfer on pipe 2, before the camera serves it
    kCloseAfterFailedFrame,  // closing a handle whose frame transfer just failed
  };

  explicit GatedPort(std::shared_ptr<emulator::CameraEmulator> emulator)
      : emulator_(std::move(emulator)) {}
  ~GatedPort() override { Release(); }

  // The next thread to reach the moment waits there until Release.
  void HoldAt(Moment moment) {
    std::lock_guard<std::mutex> hold(lock_);
    armed_ = moment;
    held_ = false;
    released_ = false;
  }
  // Bounded, so that a failing test cannot hang.
  bool WaitUntilHeld() {
    std::unique_lock<std::mutex> hold(lock_);
    return changed_.wait_for(hold, std::chrono::seconds(5), [this] { return held_; });
  }
  void Release() {
    std::lock_guard<std::mutex> hold(lock_);
    released_ = true;
    armed_ = Moment::kNone;
    changed_.notify_all();
  }

  platform::DeviceHandle Open(const char* path) override { return emulator_->Open(path); }

  bool Request(platform::DeviceHandle device, std::uint32_t code, const void* input,
               std::uint32_t inputBytes, void* output, std::uint32_t outputBytes,
               std::uint32_t* returned) override {
    bool frame = code == kRequestSend && inputBytes == 4 && input != nullptr &&
                 *static_cast<const std::uint32_t*>(input) == kFramePipe;
    if (frame) Pause(Moment::kFrameTransfer);
    bool ok = emulator_->Request(device, code, input, inputBytes, output, outputBytes, returned);
    if (frame && !ok) {
      std::lock_guard<std::mutex> hold(lock_);
      failedFrame_.insert(device);
    }
    return ok;
  }

  void Close(platform::DeviceHandle device) override {
    bool failed;
    {
      std::lock_guard<std::mutex> hold(lock_);
      failed = failedFrame_.erase(device) != 0;
    }
    if (failed) Pause(Moment::kCloseAfterFailedFrame);
    emulator_->Close(device);
  }

 private:
  void Pause(Moment moment) {
    std::unique_lock<std::mutex> hold(lock_);
    if (armed_ != moment) return;
    armed_ = Moment::kNone;
    held_ = true;
    changed_.notify_all();
    changed_.wait_for(hold, std::chrono::seconds(5), [this] { return released_; });
  }

  std::shared_ptr<emulator::CameraEmulator> emulator_;
  std::mutex lock_;
  std::condition_variable changed_;
  Moment armed_ = Moment::kNone;
  bool held_ = false;
  bool released_ = false;
  std::set<platform::DeviceHandle> failedFrame_;
};

}  // namespace kelvo
