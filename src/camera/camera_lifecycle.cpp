#include <cstdio>
#include <cstring>

#include "camera/camera.h"
#include "camera/object_allocation.h"
#include "device/device_link.h"
#include "emulator/driver_port_selection.h"
#include "image/frame_image.h"
#include "processing/processor_features.h"
#include "settings/registry_settings.h"

namespace kelvo {
namespace {

constexpr char kDeviceNameBase[] = "KelvoQ12";
constexpr int kDeviceNameSlots = 10;
constexpr int kDeviceNameSlotBytes = 256;
constexpr int kShortestDeviceName = 15;  // "KelvoQ12_NN" and its terminator, with room
constexpr std::uint32_t kSmallestCameraInfo = 36;

void FormatDeviceName(char* out, std::size_t bytes, int number) {
  std::snprintf(out, bytes, "%s_%02d", kDeviceNameBase, number);
}

// The smallest image the conversion handles, in either direction: a smaller
// one would lose every frame.
constexpr std::int32_t kSmallestImageSide = 4;
constexpr std::int32_t kSubSampleDivisor[] = {1, 2, 4};

// The values written on the first run stand in for stored ones that would
// make the camera useless: a colour mode that fails every frame, a wait time
// that spins the worker (0) or waits for ever (negative). False if any did.
bool KeepUsable(CaptureFormat& format) {
  constexpr CaptureFormat kFirstRun = {2, 0, 10, 0};
  bool usable = true;
  if (format.colorMode < 0 ||
      format.colorMode >= static_cast<std::int32_t>(kColorModeBits.size())) {
    format.colorMode = kFirstRun.colorMode;
    usable = false;
  }
  if (format.waitTime <= 0) {
    format.waitTime = kFirstRun.waitTime;
    usable = false;
  }
  return usable;
}

}  // namespace

platform::FaultCountdown& CameraAllocationFault() {
  static platform::FaultCountdown fault;
  return fault;
}

bool Camera::GeometryIsValid() const {
  const bool inSensor = width >= 0 && height >= 0 && startX >= 0 && startY >= 0 &&
                        width <= kSensorWidth && height <= kSensorHeight &&
                        startX <= kSensorWidth && startY <= kSensorHeight &&
                        startX + width <= kSensorWidth && startY + height <= kSensorHeight;
  if (!inSensor || subSample < 0 || subSample > 2) return false;
  const std::int32_t divisor = kSubSampleDivisor[subSample];
  return width / divisor >= kSmallestImageSide && height / divisor >= kSmallestImageSide;
}

SizeEntry Camera::CurrentSize() const {
  return {totalWidth, totalHeight, width, height, startX, startY, bufferCount};
}

void Camera::ApplySize(const SizeEntry& size) {
  totalWidth = size.totalWidth;
  totalHeight = size.totalHeight;
  width = size.width;
  height = size.height;
  startX = size.startX;
  startY = size.startY;
  bufferCount = size.bufferCount;
}

CaptureFormat Camera::CurrentFormat() const { return {colorMode, subSample, waitTime, clock}; }

void Camera::ApplyFormat(const CaptureFormat& format) {
  colorMode = format.colorMode;
  subSample = format.subSample;
  waitTime = format.waitTime;
  clock = format.clock;
}

int Camera::Initialize(WindowHandle appWindow) {
  DetectProcessorFeatures(&processorFeatures);
  deviceLink = AllocateCameraObject<DeviceLink>(emulator::ProcessDriverPort());
  for (auto& image : images) image = AllocateCameraObject<FrameImage>();
  WorkImage = AllocateCameraObject<FrameImage>();
  DisplayImage = AllocateCameraObject<FrameImage>();
  AppWindow = appWindow;

  if (!Initialised()) {
    RecordError(KELVO_ERR_BUFFER);
    return 0;
  }

  deviceLink->SelectDevice(0);
  deviceLink->InitializeSensor();
  platform::SettingsStore& store = platform::UserSettingsStore();
  SizeEntry size = CurrentSize();
  settings::LoadSizeEntry(store, size);
  ApplySize(size);
  if (!GeometryIsValid()) {
    RecordError(KELVO_ERR_GEOMETRY);
    SizeEntry full = kFullSensorSize;
    full.bufferCount = bufferCount;
    ApplySize(full);
  }
  deviceLink->SetCaptureWindow(startX, startY, width, height, subSample);
  previewRect = {0, 0, width, height};

  settings::LoadFilterGroup(store, &filterBlock);
  settings::LoadGrayGroup(store, &filterBlock);
  settings::LoadGainGroup(store, &analogBlock);
  settingsLoaded_ = true;
  deviceLink->SetGain(analogBlock.globalGain);
  deviceLink->SetExposure(analogBlock.exposure);

  CaptureFormat format = CurrentFormat();
  settings::LoadFormatValues(store, format);
  if (!KeepUsable(format)) RecordError(KELVO_ERR_GEOMETRY);
  ApplyFormat(format);
  return 1;
}

void Camera::SaveSettings() {
  // Settings that were never loaded would overwrite the stored ones with zeros.
  if (!settingsLoaded_) return;
  platform::SettingsStore& store = platform::UserSettingsStore();
  settings::SaveGainGroup(store, &analogBlock);
  settings::SaveFilterGroup(store, &filterBlock);
  settings::SaveGrayGroup(store, &filterBlock);
}

int Camera::SetDeviceNumber(int index) {
  if (!RequireInitialised()) return 0;
  if (!deviceLink->IsPresent(index)) {
    RecordError(KELVO_ERR_DEVICE_ABSENT);
    return 0;
  }
  // Selecting resets the link's window and layout, which a running worker reads
  // with every frame: the caller stops first, as for every other start.
  if (workerThread) return 0;
  if (deviceLink->SelectDevice(index) == kLinkOk) deviceLink->InitializeSensor();
  return 1;
}

int Camera::EnumDevice(char* names) {
  if (!RequireInitialised()) return 0;
  if (names == nullptr) {
    RecordError(KELVO_ERR_ARGUMENT);
    return 0;
  }
  int found = 0;
  for (int device = 0; device < deviceLink->DeviceCount(); ++device) {
    if (deviceLink->IsPresent(device)) {
      ++found;
      FormatDeviceName(names + (found - 1) * kDeviceNameSlotBytes, kDeviceNameSlotBytes, found);
    }
  }
  for (int slot = found; slot < kDeviceNameSlots; ++slot) names[slot * kDeviceNameSlotBytes] = '\0';
  return found;
}

int Camera::GetDeviceName(int index, char* name, int size) {
  if (!RequireInitialised()) return 0;
  if (size < kShortestDeviceName || name == nullptr) {
    RecordError(KELVO_ERR_ARGUMENT);
    return 0;
  }
  if (index < 0 || index >= kDeviceCount) return 0;
  if (!deviceLink->IsPresent(index)) {
    RecordError(KELVO_ERR_DEVICE_ABSENT);
    return 0;
  }
  FormatDeviceName(name, static_cast<std::size_t>(size), index + 1);
  return 1;
}

int Camera::GetCameraInfo(CameraInfo* info) {
  if (!RequireInitialised()) return 0;
  if (info == nullptr) {
    RecordError(KELVO_ERR_ARGUMENT);
    return 0;
  }
  if (info->size < kSmallestCameraInfo) {
    RecordError(KELVO_ERR_BUFFER);
    return 0;
  }
  // The limits travel as 16-bit unsigned values.
  auto limit = [](int value) {
    return static_cast<std::int32_t>(static_cast<std::uint16_t>(value));
  };
  info->width = kSensorWidth;
  info->height = kSensorHeight;
  info->gainMin = limit(DeviceLink::GainMin());
  info->gainMax = limit(DeviceLink::GainMax());
  info->reserved[0] = 0;
  info->reserved[1] = 0;
  info->exposureMin = limit(DeviceLink::ExposureMin());
  info->exposureMax = limit(DeviceLink::ExposureMax());
  return 1;
}

int Camera::SetPreviewWindow(WindowHandle parent, int x, int y, int w, int h) {
  if (!RequireInitialised()) return 0;
  previewParent = parent;
  previewRect = {x, y, w, h};
  return 1;
}

int Camera::WriteRegister(int address, int value) {
  if (!RequireInitialised()) return 0;
  auto low = static_cast<std::uint16_t>(address & 0xFF);
  if (deviceLink->WriteRegister(low, static_cast<std::uint32_t>(value))) return 1;
  RecordError(KELVO_ERR_DEVICE_IO);
  return 0;
}

int Camera::ReadRegister(int address, int* ok) {
  if (!Initialised()) return RefuseRead(ok, KELVO_ERR_NO_DEVICE);
  std::int32_t value = 0;
  if (!deviceLink->ReadRegister(address & 0xFF, &value)) return RefuseRead(ok, KELVO_ERR_DEVICE_IO);
  if (ok != nullptr) *ok = 1;
  return value;
}

int Camera::WriteSromId(int index, int value) {
  if (Initialised() && deviceLink->WriteSromId(index & 0xFF, static_cast<std::uint8_t>(value))) {
    return 1;
  }
  RecordError(KELVO_ERR_NO_DEVICE);
  return 0;
}

int Camera::ReadSromId(int index, int* ok) {
  std::uint8_t value = 0;
  if (!Initialised() || !deviceLink->ReadSromId(index & 0xFF, &value)) {
    return RefuseRead(ok, KELVO_ERR_NO_DEVICE);
  }
  if (ok != nullptr) *ok = 1;
  return value;
}

}  // namespace kelvo
