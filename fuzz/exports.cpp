// Random sequences of exports with random arguments against two emulated
// cameras. Arguments stay inside what the exports promise to handle: handles
// are any number, buffers are real allocations of the size passed, and waits
// are short so that one input runs for a few frames at most.
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "KelvoSdk_Q12.h"
#include "emulator/camera_emulator.h"
#include "emulator/driver_port_selection.h"
#include "fuzz_entries.h"
#include "fuzz_input.h"
#include "platform/settings_store.h"
#include "settings/registry_settings.h"

namespace kelvo::fuzz {

namespace {

constexpr int kMostCalls = 24;
constexpr int kColourModes[] = {8, 16, 24, 32, 48, 64};

struct Session {
  FuzzInput& in;
  std::vector<KelvoHandle> handles;

  KelvoHandle Handle() {
    std::uint8_t pick = in.Byte();
    if (handles.empty() || pick >= 250) return in.U32() % 8;  // mostly no such handle
    return handles[pick % handles.size()];
  }

  // A buffer for an image of the camera's current size: exact, a byte short,
  // a few bytes, none at all, or null with a size.
  void WithBuffer(KelvoHandle handle, int (*call)(KelvoHandle, void*, int, int)) {
    long long image = static_cast<long long>(Kelvo_Width(handle)) * Kelvo_Height(handle) *
                      (Kelvo_GetColorMode(handle) / 8);
    if (image <= 0 || image > (64 << 20)) image = 0;
    long long bytes;
    switch (in.Byte() % 5) {
      case 0:
        bytes = image;
        break;
      case 1:
        bytes = image > 0 ? image - 1 : 0;
        break;
      case 2:
        bytes = in.U16();
        break;
      case 3:
        bytes = 0;
        break;
      default: {
        int claimed = in.I32();
        call(handle, nullptr, claimed, in.Byte() % 3);
        return;
      }
    }
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(bytes) + 1);
    call(handle, buffer.data(), static_cast<int>(bytes), in.Byte() % 3);
  }

  void Step() {
    std::uint8_t call = in.Byte() % 20;
    if (call <= 1) {
      KelvoHandle handle = Kelvo_Initialize(nullptr);
      if (handle != 0) handles.push_back(handle);
      return;
    }
    // The handle is read before any other argument, and every argument in a
    // statement of its own: the order of reads is what the input means.
    KelvoHandle handle = Handle();
    switch (call) {
      case 2:
        if (Kelvo_Release(handle) == 1) std::erase(handles, handle);
        break;
      case 3:
        Kelvo_SetDeviceNumber(handle, in.Range(-2, 3));
        break;
      case 4: {
        std::uint8_t pick = in.Byte();
        Kelvo_SetColorMode(handle, pick < 200 ? kColourModes[pick % 6] : in.I32());
        break;
      }
      case 5:
        Kelvo_StartPreview(handle);
        break;
      case 6:
        Kelvo_StopPreview(handle);
        break;
      case 7:
        Kelvo_Capture(handle);
        break;
      case 8:
        WithBuffer(handle, Kelvo_SnapShot);
        break;
      case 9:
        WithBuffer(handle, Kelvo_GetImage);
        break;
      case 10:
        Kelvo_Close(handle);
        break;
      case 11: {
        int id = in.Range(-1, 30);
        Kelvo_SetFilterValue(handle, id, in.Coordinate(1100));
        break;
      }
      case 12: {
        int ok = 0;
        int id = in.Range(-1, 30);
        Kelvo_GetFilterValue(handle, id, in.Byte() % 2 ? &ok : nullptr);
        break;
      }
      case 13:
        Kelvo_SetWaitTime(handle, in.Range(-10, 300));
        break;
      case 14:
        Kelvo_SetMirrorV(handle, in.Range(-1, 2));
        break;
      case 15:
        Kelvo_SetAutoIris(handle, in.Range(-1, 3));
        break;
      case 16: {
        std::string path = (ScratchFolder() / "export.img").string();
        Kelvo_SaveImage(handle, path.c_str(), in.Range(-1, 7));
        break;
      }
      case 17: {
        CameraInfo info{};
        const unsigned int sizes[] = {sizeof(CameraInfo), 0, 35};
        info.size = sizes[in.Byte() % 3];
        Kelvo_GetCameraInfo(handle, &info);
        Kelvo_GetStatus(handle, 0);
        break;
      }
      case 18: {
        int size = in.Range(-1, 40);
        std::vector<char> name(size > 0 ? static_cast<std::size_t>(size) : 1);
        Kelvo_GetDeviceName(handle, in.Range(-1, 3), name.data(), size);
        break;
      }
      default:
        while (Kelvo_GetLastError(handle) != 0) {
        }
        break;
    }
  }
};

}  // namespace

int FuzzExports(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  // Each input starts as on a machine where the SDK never ran.
  platform::DeleteUserSettingsForTesting(settings::kSettingsKeyPath);
  emulator::EmulatorOptions options = emulator::EmulatorOptions::Still();
  options.cameras = 2;
  options.paced = false;  // frames as fast as they are made: more calls a second
  emulator::UseDriverPortForTesting(std::make_shared<emulator::CameraEmulator>(options));
  Session session{in, {}};
  for (int call = 0; call < kMostCalls && !in.Empty(); ++call) session.Step();
  for (KelvoHandle handle : session.handles) Kelvo_Release(handle);
  emulator::UseDriverPortForTesting(nullptr);
  platform::DeleteUserSettingsForTesting(settings::kSettingsKeyPath);
  return 0;
}

}  // namespace kelvo::fuzz
