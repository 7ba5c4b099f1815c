// A virtual Q12 behind the driver port: it answers every request the kernel
// driver takes as the hardware would, and refuses what the driver refuses
// (unknown request code, wrong pipe, wrong length, device not open).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <vector>

#include "emulator/fault_script.h"
#include "emulator/frame_synthesizer.h"
#include "emulator/virtual_camera.h"
#include "platform/driver_port.h"

namespace kelvo::emulator {

inline constexpr int kMostCameras = 8;

struct EmulatorOptions {
  int cameras = 1;                           // answer for devices 0 to cameras - 1
  std::shared_ptr<const SceneMosaic> scene;  // null: the chart
  SynthesisOptions synthesis;
  bool paced = true;
  std::uint32_t triggerPeriodMs = 0;
  std::vector<Fault> faults;  // played by every camera

  // The chart with the moving element and sensor noise.
  static EmulatorOptions Chart();
  // The chart without motion or noise: every frame the same.
  static EmulatorOptions Still();
};

// One request as the emulator saw it, for tests to read back.
struct TraceEntry {
  enum class Kind { kOpen, kClose, kRequest };
  Kind kind;
  int device;              // -1 when the path or handle named no camera
  std::uint32_t code = 0;  // request code
  std::int32_t pipe = -1;  // pipe of 0x222051 / 0x22204E requests
  std::uint32_t length = 0;
  std::vector<std::uint8_t> bytes;  // command packets sent on pipe 0, and the time-limit input
  bool accepted = false;
};

class CameraEmulator final : public platform::DriverPort {
 public:
  explicit CameraEmulator(EmulatorOptions options);
  ~CameraEmulator() override;

  platform::DeviceHandle Open(const char* path) override;
  bool Request(platform::DeviceHandle device, std::uint32_t code, const void* input,
               std::uint32_t inputBytes, void* output, std::uint32_t outputBytes,
               std::uint32_t* returned) override;
  void Close(platform::DeviceHandle device) override;

  int Cameras() const { return static_cast<int>(cameras_.size()); }
  VirtualCamera& Camera(int device) { return *cameras_.at(static_cast<std::size_t>(device)); }
  void SetPresent(int device, bool present) { Camera(device).SetPresent(present); }
  void SetFaults(int device, std::vector<Fault> faults) {
    Camera(device).SetFaults(std::move(faults));
  }
  void Trigger(int device) { Camera(device).Trigger(); }

  // Tracing is off until asked for; a stream would fill it quickly.
  void EnableTrace(bool on);
  std::vector<TraceEntry> TakeTrace();
  int OpenHandles();

 private:
  struct OpenDevice {
    int device;
    std::uint32_t generation;
  };
  bool Serve(const OpenDevice& open, std::uint32_t code, const void* input,
             std::uint32_t inputBytes, void* output, std::uint32_t outputBytes,
             std::uint32_t* returned, std::int32_t* pipe);
  void Record(TraceEntry entry);

  std::vector<std::unique_ptr<VirtualCamera>> cameras_;
  std::mutex lock_;
  std::map<platform::DeviceHandle, OpenDevice> handles_;
  platform::DeviceHandle nextHandle_ = 0x100;
  bool tracing_ = false;
  std::vector<TraceEntry> trace_;
};

// Device number named by a driver path "\\.\ZentQ12-<n>", or -1.
int DeviceFromPath(const char* path);

}  // namespace kelvo::emulator
