#include "emulator/virtual_camera.h"

#include <algorithm>

#include "platform/driver_protocol_numbers.h"

namespace kelvo::emulator {
namespace {

// Samples per second read off the sensor: a full frame at the normal clock
// takes about 32 ms (31 frames per second); the half clock takes twice as long.
constexpr double kSamplesPerSecond[2] = {48e6, 24e6};
// Beyond any frame the sensor can make; a larger transfer size is refused.
constexpr std::uint32_t kLargestTransfer = 1u << 22;
// "No limit" for waits, kept small enough for every clock's arithmetic.
constexpr auto kForever = std::chrono::hours(24);
// The driver takes the limit as a signed 32-bit count of milliseconds.
constexpr std::uint32_t kLongestTimeLimitMs = 0x7FFFFFFF;

std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Commands whose byte 1 is a flag: the driver takes 0 and 1 and refuses the rest.
constexpr std::uint8_t kFlagCommands[] = {kCommandSampleWidth, kCommandSetClock,
                                          kCommandTriggerMode};

bool HasBadFlag(const Reply& packet) {
  const auto* end = std::end(kFlagCommands);
  return std::find(std::begin(kFlagCommands), end, packet[0]) != end && packet[1] > 1;
}

Reply ReplyWith(std::uint8_t first) {
  Reply reply{};
  reply[0] = first;
  return reply;
}

}  // namespace

VirtualCamera::VirtualCamera(VirtualCameraOptions options)
    : options_(std::move(options)),
      registers_(0x10000, 0),
      epoch_(Clock::now()),
      synthesizer_(options_.scene ? options_.scene : SceneMosaic::Chart(), options_.synthesis) {
  // Power-on gain and exposure: the values the start-up sequence writes too.
  registers_[kRegisterGain] = 0x102A8;
  registers_[kRegisterExposure] = 0x80214D;
}

bool VirtualCamera::UnpluggedLocked() { return Clock::now() < unpluggedUntil_; }

bool VirtualCamera::TryOpen() {
  std::lock_guard<std::mutex> hold(lock_);
  if (!present_ || shutdown_ || UnpluggedLocked()) return false;
  if (failingOpens_ > 0) {
    --failingOpens_;
    return false;
  }
  return true;
}

void VirtualCamera::SetPresent(bool present) {
  std::lock_guard<std::mutex> hold(lock_);
  if (present_ && !present) {
    ++generation_;
    wake_.notify_all();  // a transfer in flight fails now
  }
  present_ = present;
}

std::uint32_t VirtualCamera::Generation() {
  std::lock_guard<std::mutex> hold(lock_);
  return generation_;
}

bool VirtualCamera::Reachable(std::uint32_t generation) {
  std::lock_guard<std::mutex> hold(lock_);
  return present_ && !shutdown_ && generation == generation_ && !UnpluggedLocked();
}

bool VirtualCamera::Command(const Reply& packet) {
  std::lock_guard<std::mutex> hold(lock_);
  if (HasBadFlag(packet)) return false;
  switch (packet[0]) {
    case kCommandWriteRegister: {
      if (packet[1] != kRegisterWriteTag[0] || packet[2] != kRegisterWriteTag[1]) return false;
      auto address = static_cast<std::uint16_t>(packet[3] | (packet[4] << 8));
      registers_[address] = packet[5] | (packet[6] << 8) | (packet[7] << 16);
      return true;
    }
    case kCommandResetTransfer:
      replies_.clear();
      return true;
    case kCommandTransferSize: {
      std::uint32_t size = Le32(&packet[1]);
      if (size == 0 || size > kLargestTransfer) return false;
      transferSize_ = size;
      return true;
    }
    case kCommandSampleWidth:
      sixteenBit_ = packet[1] != 0;
      return true;
    case kCommandSromWrite:
      srom_[packet[1]] = packet[2];
      return true;
    case kCommandSromRead:
      replies_.clear();
      replies_.push_back(ReplyWith(packet[0]));
      if (failingSromReads_ > 0) {
        --failingSromReads_;  // the SROM does not answer: the second reply never comes
      } else {
        replies_.push_back(ReplyWith(srom_[packet[1]]));
      }
      return true;
    case kCommandSetClock:
      clockMode_ = packet[1] != 0 ? 1 : 0;
      return true;
    case kCommandGetClock:
      replies_.clear();
      replies_.push_back(ReplyWith(packet[0]));
      replies_.push_back(ReplyWith(static_cast<std::uint8_t>(clockMode_)));
      return true;
    case kCommandTriggerMode:
      // An edge latched in one mode never completes a transfer of the other.
      if (triggerMode_ != (packet[1] != 0)) pendingTriggers_ = 0;
      triggerMode_ = packet[1] != 0;
      return true;
    default:
      return false;
  }
}

bool VirtualCamera::TakeReply(Reply* reply) {
  std::lock_guard<std::mutex> hold(lock_);
  if (replies_.empty()) return false;
  *reply = replies_.front();
  replies_.pop_front();
  return true;
}

// No time, or a negative one, is no limit that can be kept: the request is
// refused and the last limit stays, so every triggered wait still ends.
bool VirtualCamera::SetTimeLimit(std::uint32_t milliseconds) {
  if (milliseconds == 0 || milliseconds > kLongestTimeLimitMs) return false;
  std::lock_guard<std::mutex> hold(lock_);
  timeLimitMs_ = milliseconds;
  return true;
}

Clock::duration VirtualCamera::FrameTimeLocked() const {
  double seconds = transferSize_ / kSamplesPerSecond[clockMode_ != 0 ? 1 : 0];
  return std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
}

Clock::duration VirtualCamera::FrameTime() {
  std::lock_guard<std::mutex> hold(lock_);
  return FrameTimeLocked();
}

const Fault* VirtualCamera::FaultForFrame(std::uint64_t frame, FaultKind kind) const {
  for (const Fault& fault : faults_) {
    if (fault.kind == kind && fault.frame == frame) return &fault;
  }
  return nullptr;
}

// Free running, frames end on a fixed beat from power-on and a transfer gets
// the first one that ends after it was asked for. In trigger mode the frame
// ends with the trigger, or the transfer fails when the time limit passes.
bool VirtualCamera::WaitForFrame(std::unique_lock<std::mutex>& hold, std::uint64_t frame,
                                 Clock::time_point asked, std::uint32_t generation) {
  auto interrupted = [this, generation] { return shutdown_ || generation != generation_; };
  if (triggerMode_) {
    auto deadline = asked + Clock::duration(std::chrono::milliseconds(timeLimitMs_));
    auto periodic = asked + Clock::duration(kForever);
    if (options_.triggerPeriodMs != 0) {
      Clock::duration period = std::chrono::milliseconds(options_.triggerPeriodMs);
      periodic = epoch_ + ((asked - epoch_) / period + 1) * period;
    }
    wake_.wait_until(hold, std::min(deadline, periodic),
                     [&] { return interrupted() || pendingTriggers_ > 0; });
    if (interrupted()) return false;
    if (pendingTriggers_ > 0) {
      --pendingTriggers_;
    } else if (periodic > deadline || Clock::now() < periodic) {
      return false;
    }
  } else if (options_.paced) {
    Clock::duration frameTime = FrameTimeLocked();
    Clock::time_point due = asked;
    if (frameTime.count() > 0) due = epoch_ + ((asked - epoch_) / frameTime + 1) * frameTime;
    if (wake_.wait_until(hold, due, interrupted)) return false;
  }
  if (const Fault* stall = FaultForFrame(frame, FaultKind::kStall)) {
    auto until = Clock::now() + std::chrono::milliseconds(stall->amount);
    if (wake_.wait_until(hold, until, interrupted)) return false;
  }
  return true;
}

void VirtualCamera::Unplug(std::uint32_t milliseconds) {
  unpluggedUntil_ = Clock::now() + std::chrono::milliseconds(milliseconds);
  ++generation_;
  replies_.clear();
}

bool VirtualCamera::DeliverFrame(unsigned char* out, std::uint32_t bytes, std::uint32_t* returned,
                                 std::uint32_t generation) {
  *returned = 0;
  std::unique_lock<std::mutex> hold(lock_);
  if (shutdown_ || UnpluggedLocked() || generation != generation_) return false;
  std::uint32_t expected = transferSize_ * (sixteenBit_ ? 2 : 1);
  if (transferSize_ == 0 || bytes != expected || out == nullptr) return false;
  const std::uint64_t frame = ++framesServed_;
  const Clock::time_point asked = Clock::now();
  const SensorSettings settings{static_cast<int>(registers_[kRegisterExposure] & kExposureMask),
                                static_cast<int>(registers_[kRegisterGain] & kGainMask),
                                sixteenBit_};
  const std::uint32_t samples = transferSize_;

  // The picture is made while the sensor would be exposing, outside the lock
  // so that register writes go on meanwhile.
  hold.unlock();
  {
    std::lock_guard<std::mutex> synthesis(synthesisLock_);
    synthesizer_.Render(frame, settings, samples, out);
  }
  hold.lock();

  // The camera may have gone while the picture was made or the frame awaited.
  if (!WaitForFrame(hold, frame, asked, generation) || generation != generation_) return false;
  if (const Fault* unplug = FaultForFrame(frame, FaultKind::kUnplug)) {
    Unplug(unplug->amount);
    return false;
  }
  if (FaultForFrame(frame, FaultKind::kDrop) != nullptr) return false;
  *returned = FaultForFrame(frame, FaultKind::kShort) != nullptr ? bytes / 2 : bytes;
  ++framesDelivered_;
  return true;
}

void VirtualCamera::Trigger() {
  std::lock_guard<std::mutex> hold(lock_);
  if (!triggerMode_) return;
  pendingTriggers_ = 1;  // the trigger input latches one edge
  wake_.notify_all();
}

void VirtualCamera::Shutdown() {
  std::lock_guard<std::mutex> hold(lock_);
  shutdown_ = true;
  wake_.notify_all();
}

std::uint32_t VirtualCamera::Register(std::uint16_t address) {
  std::lock_guard<std::mutex> hold(lock_);
  return registers_[address];
}

std::uint8_t VirtualCamera::Srom(std::uint8_t address) {
  std::lock_guard<std::mutex> hold(lock_);
  return srom_[address];
}

void VirtualCamera::SetSrom(std::uint8_t address, std::uint8_t value) {
  std::lock_guard<std::mutex> hold(lock_);
  srom_[address] = value;
}

bool VirtualCamera::SixteenBit() {
  std::lock_guard<std::mutex> hold(lock_);
  return sixteenBit_;
}

std::uint32_t VirtualCamera::TransferSize() {
  std::lock_guard<std::mutex> hold(lock_);
  return transferSize_;
}

int VirtualCamera::ClockMode() {
  std::lock_guard<std::mutex> hold(lock_);
  return clockMode_;
}

bool VirtualCamera::TriggerMode() {
  std::lock_guard<std::mutex> hold(lock_);
  return triggerMode_;
}

std::uint32_t VirtualCamera::TimeLimit() {
  std::lock_guard<std::mutex> hold(lock_);
  return timeLimitMs_;
}

std::uint64_t VirtualCamera::FramesAsked() {
  std::lock_guard<std::mutex> hold(lock_);
  return framesServed_;
}

std::uint64_t VirtualCamera::FramesDelivered() {
  std::lock_guard<std::mutex> hold(lock_);
  return framesDelivered_;
}

// Frame numbers in faults count from the moment they are set.
void VirtualCamera::SetFaults(std::vector<Fault> faults) {
  std::lock_guard<std::mutex> hold(lock_);
  failingOpens_ = 0;
  failingSromReads_ = 0;
  for (Fault& fault : faults) {
    if (fault.kind == FaultKind::kOpenFail) failingOpens_ += fault.amount;
    if (fault.kind == FaultKind::kSromFail) failingSromReads_ += fault.amount;
    fault.frame += static_cast<std::uint32_t>(framesServed_);
  }
  faults_ = std::move(faults);
}

}  // namespace kelvo::emulator
