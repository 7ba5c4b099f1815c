#include "emulator/camera_emulator.h"

#include <charconv>
#include <cstring>
#include <string_view>

#include "platform/driver_protocol_numbers.h"

namespace kelvo::emulator {
namespace {

std::uint32_t Le32(const void* data) {
  const auto* p = static_cast<const std::uint8_t*>(data);
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

}  // namespace

EmulatorOptions EmulatorOptions::Chart() { return EmulatorOptions{}; }

EmulatorOptions EmulatorOptions::Still() {
  EmulatorOptions options;
  options.synthesis.movingElement = false;
  options.synthesis.noise = false;
  return options;
}

int DeviceFromPath(const char* path) {
  if (path == nullptr) return -1;
  std::string_view text(path);
  std::string_view prefix = "\\\\.\\";
  if (text.substr(0, prefix.size()) != prefix) return -1;
  text.remove_prefix(prefix.size());
  std::string_view base = kDeviceBaseName;
  if (text.substr(0, base.size()) != base || text.substr(base.size(), 1) != "-") return -1;
  std::string_view number = text.substr(base.size() + 1);
  int device = -1;
  auto [end, failure] = std::from_chars(number.data(), number.data() + number.size(), device);
  if (failure != std::errc() || end != number.data() + number.size() || number.empty()) return -1;
  return device;
}

CameraEmulator::CameraEmulator(EmulatorOptions options) {
  int count =
      options.cameras < 0 ? 0 : (options.cameras > kMostCameras ? kMostCameras : options.cameras);
  for (int device = 0; device < count; ++device) {
    VirtualCameraOptions cameraOptions{options.scene, options.synthesis, options.paced,
                                       options.triggerPeriodMs};
    // Each camera has a noise of its own, yet reproducible from the one seed.
    cameraOptions.synthesis.seed = options.synthesis.seed + static_cast<std::uint64_t>(device);
    cameras_.push_back(std::make_unique<VirtualCamera>(cameraOptions));
    if (!options.faults.empty()) cameras_.back()->SetFaults(options.faults);
  }
}

CameraEmulator::~CameraEmulator() {
  for (auto& camera : cameras_) camera->Shutdown();
}

platform::DeviceHandle CameraEmulator::Open(const char* path) {
  int device = DeviceFromPath(path);
  bool inRange = device >= 0 && device < Cameras();
  bool opened = inRange && cameras_[static_cast<std::size_t>(device)]->TryOpen();
  platform::DeviceHandle handle = platform::kNoDevice;
  {
    std::lock_guard<std::mutex> hold(lock_);
    if (opened) {
      handle = nextHandle_++;
      handles_[handle] = {device, cameras_[static_cast<std::size_t>(device)]->Generation()};
    }
  }
  Record({TraceEntry::Kind::kOpen, inRange ? device : -1, 0, -1, 0, {}, opened});
  return handle;
}

void CameraEmulator::Close(platform::DeviceHandle handle) {
  int device = -1;
  bool known;
  {
    std::lock_guard<std::mutex> hold(lock_);
    auto found = handles_.find(handle);
    known = found != handles_.end();
    if (known) {
      device = found->second.device;
      handles_.erase(found);
    }
  }
  Record({TraceEntry::Kind::kClose, device, 0, -1, 0, {}, known});
}

bool CameraEmulator::Request(platform::DeviceHandle handle, std::uint32_t code, const void* input,
                             std::uint32_t inputBytes, void* output, std::uint32_t outputBytes,
                             std::uint32_t* returned) {
  std::uint32_t moved = 0;
  OpenDevice open{-1, 0};
  bool known;
  {
    std::lock_guard<std::mutex> hold(lock_);
    auto found = handles_.find(handle);
    known = found != handles_.end();
    if (known) open = found->second;
  }
  std::int32_t pipe = -1;
  if (inputBytes == 4 && input != nullptr) pipe = static_cast<std::int32_t>(Le32(input));
  TraceEntry entry{TraceEntry::Kind::kRequest, open.device, code, pipe, outputBytes, {}, false};
  if (code == kRequestSend && pipe == kCommandPipe && output != nullptr) {
    const auto* bytes = static_cast<const std::uint8_t*>(output);
    entry.bytes.assign(bytes, bytes + outputBytes);
  } else if (code == kRequestTimeLimit && input != nullptr) {
    const auto* bytes = static_cast<const std::uint8_t*>(input);
    entry.bytes.assign(bytes, bytes + inputBytes);
  }
  bool accepted = known && Serve(open, code, input, inputBytes, output, outputBytes, &moved, &pipe);
  if (returned != nullptr) *returned = moved;
  entry.accepted = accepted;
  Record(std::move(entry));
  return accepted;
}

bool CameraEmulator::Serve(const OpenDevice& open, std::uint32_t code, const void* input,
                           std::uint32_t inputBytes, void* output, std::uint32_t outputBytes,
                           std::uint32_t* returned, std::int32_t* pipe) {
  VirtualCamera& camera = *cameras_[static_cast<std::size_t>(open.device)];
  // A handle from before an unplug stays dead even when the camera is back.
  if (!camera.Reachable(open.generation)) return false;

  if (code == kRequestTimeLimit) {
    if (inputBytes != kTimeLimitInputBytes || input == nullptr || Le32(input) != 1) return false;
    return camera.SetTimeLimit(Le32(static_cast<const std::uint8_t*>(input) + 4));
  }
  if (code != kRequestSend && code != kRequestReceive) return false;
  if (inputBytes != 4 || input == nullptr || output == nullptr) return false;

  Reply packet{};
  if (code == kRequestSend && *pipe == kCommandPipe) {  // a command packet
    if (outputBytes != kPacketBytes) return false;
    std::memcpy(packet.data(), output, kPacketBytes);
    if (!camera.Command(packet)) return false;
    *returned = kPacketBytes;
    return true;
  }
  if (code == kRequestSend && *pipe == kFramePipe)
    return camera.DeliverFrame(static_cast<unsigned char*>(output), outputBytes, returned,
                               open.generation);
  if (code == kRequestReceive && *pipe == kReplyPipe) {  // a reply
    if (outputBytes != kPacketBytes || !camera.TakeReply(&packet)) return false;
    std::memcpy(output, packet.data(), kPacketBytes);
    *returned = kPacketBytes;
    return true;
  }
  if (code == kRequestReceive &&
      *pipe == kCommandPipe) {  // the frame request before a streamed frame
    if (outputBytes != kPacketBytes ||
        static_cast<const std::uint8_t*>(output)[0] != kCommandFrameRequest) {
      return false;
    }
    *returned = kPacketBytes;
    return true;
  }
  return false;  // no such pipe for this request
}

void CameraEmulator::EnableTrace(bool on) {
  std::lock_guard<std::mutex> hold(lock_);
  tracing_ = on;
}

std::vector<TraceEntry> CameraEmulator::TakeTrace() {
  std::lock_guard<std::mutex> hold(lock_);
  std::vector<TraceEntry> taken;
  taken.swap(trace_);
  return taken;
}

int CameraEmulator::OpenHandles() {
  std::lock_guard<std::mutex> hold(lock_);
  return static_cast<int>(handles_.size());
}

void CameraEmulator::Record(TraceEntry entry) {
  std::lock_guard<std::mutex> hold(lock_);
  if (tracing_) trace_.push_back(std::move(entry));
}

}  // namespace kelvo::emulator
