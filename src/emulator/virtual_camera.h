// One emulated Q12: its register file, SROM, transfer settings, trigger and
// timing, the faults it plays, and the sensor that makes its frames. The
// responder (CameraEmulator) decodes driver requests into these operations.
#pragma once

#include <array>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <vector>

#include "emulator/fault_script.h"
#include "emulator/frame_synthesizer.h"

namespace kelvo::emulator {

using Clock = std::chrono::steady_clock;
using Reply = std::array<std::uint8_t, 64>;

struct VirtualCameraOptions {
  std::shared_ptr<const SceneMosaic> scene;
  SynthesisOptions synthesis;
  bool paced = true;                  // frames take the sensor's frame time
  std::uint32_t triggerPeriodMs = 0;  // 0: triggers only from Trigger()
};

class VirtualCamera {
 public:
  explicit VirtualCamera(VirtualCameraOptions options);

  // ---- presence: absent cameras and unplugged ones do not open
  bool TryOpen();
  void SetPresent(bool present);
  // Changes every time the camera is unplugged: handles from before fail for good.
  std::uint32_t Generation();
  bool Reachable(std::uint32_t generation);

  // ---- command packets and replies; false where the camera refuses the packet
  bool Command(const Reply& packet);
  bool TakeReply(Reply* reply);
  bool SetTimeLimit(std::uint32_t milliseconds);

  // ---- frames: a transfer of exactly the announced size, paced like the sensor,
  // on a handle opened in the given generation; it fails if the camera goes meanwhile
  bool DeliverFrame(unsigned char* out, std::uint32_t bytes, std::uint32_t* returned,
                    std::uint32_t generation);
  // Latched for the next triggered transfer; free running it means nothing.
  void Trigger();
  void Shutdown();

  // ---- state, for tests
  std::uint32_t Register(std::uint16_t address);
  std::uint8_t Srom(std::uint8_t address);
  void SetSrom(std::uint8_t address, std::uint8_t value);
  bool SixteenBit();
  std::uint32_t TransferSize();
  int ClockMode();
  bool TriggerMode();
  std::uint32_t TimeLimit();
  std::uint64_t FramesDelivered();
  // Frame transfers asked for, whether or not they completed.
  std::uint64_t FramesAsked();
  void SetFaults(std::vector<Fault> faults);
  // The time one frame takes at the current transfer size and clock.
  Clock::duration FrameTime();

 private:
  Clock::duration FrameTimeLocked() const;
  const Fault* FaultForFrame(std::uint64_t frame, FaultKind kind) const;
  // Waits, with the lock held, until the frame is due; false if it never comes.
  bool WaitForFrame(std::unique_lock<std::mutex>& hold, std::uint64_t frame,
                    Clock::time_point asked, std::uint32_t generation);
  void Unplug(std::uint32_t milliseconds);
  bool UnpluggedLocked();

  VirtualCameraOptions options_;
  std::mutex lock_;
  std::condition_variable wake_;
  std::vector<std::uint32_t> registers_;
  std::array<std::uint8_t, 256> srom_{};
  bool sixteenBit_ = false;
  std::uint32_t transferSize_ = 0;
  int clockMode_ = 0;
  bool triggerMode_ = false;
  std::uint32_t timeLimitMs_ = 3000;
  std::deque<Reply> replies_;
  std::vector<Fault> faults_;
  std::uint32_t failingOpens_ = 0;
  std::uint32_t failingSromReads_ = 0;
  bool present_ = true;
  bool shutdown_ = false;
  Clock::time_point unpluggedUntil_{};
  std::uint32_t generation_ = 0;
  std::uint32_t pendingTriggers_ = 0;
  std::uint64_t framesServed_ = 0;     // frame numbers handed out, 1 upwards
  std::uint64_t framesDelivered_ = 0;  // frames that completed successfully
  Clock::time_point epoch_;
  std::mutex synthesisLock_;
  FrameSynthesizer synthesizer_;
};

}  // namespace kelvo::emulator
