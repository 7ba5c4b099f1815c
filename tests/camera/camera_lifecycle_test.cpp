// A camera brought up on emulated Q12s through the exports: enumeration and
// naming, the camera information, initialisation without a camera and with
// failing allocations, the register and SROM forwarders.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "device/device_link.h"
#include "emulator/virtual_camera.h"
#include "platform/driver_protocol_numbers.h"
#include "support/emulated_sdk.h"

namespace kelvo::testing {
namespace {

using CameraLifecycleTest = EmulatedSdkTest;

constexpr int kSlotBytes = 256;

// Ten 256-byte slots, filled with a marker so untouched bytes show.
struct NameSlots {
  char bytes[10 * kSlotBytes];
  NameSlots() { std::memset(bytes, 'x', sizeof bytes); }
  std::string Slot(int slot) const { return std::string(bytes + slot * kSlotBytes); }
};

// A device link finds its devices when it is made, so presence is set before Open.
TEST_F(CameraLifecycleTest, EnumerationNumbersByDiscoveryAndNamingByIndex) {
  UseEmulator(3);
  emulator->SetPresent(1, false);
  KelvoHandle camera = Open();
  NameSlots slots;
  EXPECT_EQ(Kelvo_EnumDevice(camera, slots.bytes), 2);
  EXPECT_EQ(slots.Slot(0), "KelvoQ12_01");
  EXPECT_EQ(slots.Slot(1), "KelvoQ12_02");
  for (int slot = 2; slot < 10; ++slot) EXPECT_EQ(slots.Slot(slot), "") << slot;
  EXPECT_EQ(Kelvo_EnumDevice(camera, nullptr), 0);
  EXPECT_EQ(Errors(camera), std::vector<int>{KELVO_ERR_ARGUMENT});

  UseEmulator(2);
  emulator->SetPresent(0, false);
  camera = Open();
  EXPECT_EQ(Kelvo_EnumDevice(camera, slots.bytes), 1);
  EXPECT_EQ(slots.Slot(0), "KelvoQ12_01");  // device 1
  char name[16];
  std::memset(name, 'x', sizeof name);
  EXPECT_EQ(Kelvo_GetDeviceName(camera, 1, name, 15), 1);
  EXPECT_STREQ(name, "KelvoQ12_02");
  EXPECT_EQ(Errors(camera), std::vector<int>{});

  std::memset(name, 'x', sizeof name);
  EXPECT_EQ(Kelvo_GetDeviceName(camera, 0, name, 15), 0);
  EXPECT_EQ(Kelvo_GetDeviceName(camera, 1, name, 14), 0);
  EXPECT_EQ(Kelvo_GetDeviceName(camera, 1, nullptr, 15), 0);
  EXPECT_EQ(Errors(camera),
            (std::vector<int>{KELVO_ERR_ARGUMENT, KELVO_ERR_ARGUMENT, KELVO_ERR_DEVICE_ABSENT}));
  for (int index : {-1, 8, 1000}) EXPECT_EQ(Kelvo_GetDeviceName(camera, index, name, 15), 0);
  EXPECT_EQ(Errors(camera), std::vector<int>{});
  EXPECT_EQ(name[0], 'x');
}

TEST_F(CameraLifecycleTest, SelectingADeviceStartsItsSensor) {
  UseEmulator(3);
  emulator->SetPresent(1, false);
  KelvoHandle camera = Open();
  for (int absent : {1, 5, -1, 8}) EXPECT_EQ(Kelvo_SetDeviceNumber(camera, absent), 0);
  EXPECT_EQ(Errors(camera), std::vector<int>(4, KELVO_ERR_DEVICE_ABSENT));
  EXPECT_EQ(CameraOf(camera)->deviceLink->SelectedDevice(), 0);

  emulator->EnableTrace(true);
  EXPECT_EQ(Kelvo_SetDeviceNumber(camera, 2), 1);
  int startUpWrites = 0;
  for (const auto& entry : emulator->TakeTrace()) {
    if (entry.device == 2 && entry.bytes.size() == 64 && entry.bytes[0] == kCommandWriteRegister) {
      ++startUpWrites;
    }
  }
  EXPECT_GT(startUpWrites, 10);
  EXPECT_EQ(CameraOf(camera)->deviceLink->SelectedDevice(), 2);
  EXPECT_EQ(Errors(camera), std::vector<int>{});
}

TEST_F(CameraLifecycleTest, CameraInformationNeedsThirtySixBytes) {
  KelvoHandle camera = Open();
  CameraInfo info;
  std::memset(&info, 0x55, sizeof info);
  info.size = 35;
  EXPECT_EQ(Kelvo_GetCameraInfo(camera, &info), 0);
  EXPECT_EQ(info.width, 0x55555555);
  EXPECT_EQ(Kelvo_GetCameraInfo(camera, nullptr), 0);
  EXPECT_EQ(Errors(camera), (std::vector<int>{KELVO_ERR_ARGUMENT, KELVO_ERR_BUFFER}));

  info.size = 36;
  EXPECT_EQ(Kelvo_GetCameraInfo(camera, &info), 1);
  EXPECT_EQ(info.size, 36u);
  EXPECT_EQ(info.width, 1280);
  EXPECT_EQ(info.height, 960);
  EXPECT_EQ(info.gainMin, 0);
  EXPECT_EQ(info.gainMax, 1023);
  EXPECT_EQ(info.reserved[0], 0);
  EXPECT_EQ(info.reserved[1], 0);
  EXPECT_EQ(info.exposureMin, 2);
  EXPECT_EQ(info.exposureMax, 2079);
}

TEST_F(CameraLifecycleTest, WithoutAnyCameraTheHandleWorksAndDevicesAreAbsent) {
  UseEmulator(0);
  KelvoHandle camera = Open();
  ASSERT_NE(camera, 0u);
  ASSERT_NE(CameraOf(camera)->deviceLink, nullptr);
  EXPECT_EQ(Errors(camera), std::vector<int>{});
  NameSlots slots;
  EXPECT_EQ(Kelvo_EnumDevice(camera, slots.bytes), 0);
  EXPECT_EQ(slots.Slot(9), "");
  EXPECT_EQ(Kelvo_SetDeviceNumber(camera, 0), 0);
  EXPECT_EQ(Errors(camera), std::vector<int>{KELVO_ERR_DEVICE_ABSENT});
  EXPECT_EQ(Kelvo_WriteRegister(camera, 4, 1), 0);
  EXPECT_EQ(Errors(camera), std::vector<int>{KELVO_ERR_DEVICE_IO});
  EXPECT_EQ(Kelvo_SetGamma(camera, 120), 1);  // settings need no device
  EXPECT_EQ(Kelvo_GetGamma(camera, nullptr), 120);
  CameraInfo info{};
  info.size = sizeof info;
  EXPECT_EQ(Kelvo_GetCameraInfo(camera, &info), 1);
}

// Allocation n of initialisation fails: the device link, the six mode images,
// the work image, the display image.
class AllocationFailureTest : public EmulatedSdkTest, public ::testing::WithParamInterface<int> {};

TEST_P(AllocationFailureTest, TheHandleStaysAndEveryOperationSaysNoDevice) {
  FailCameraAllocationForTesting(GetParam());
  KelvoHandle camera = Kelvo_Initialize(SomeWindow());
  ASSERT_NE(camera, 0u);
  EXPECT_EQ(CameraOf(camera)->AppWindow, SomeWindow());
  EXPECT_EQ(Errors(camera), std::vector<int>{KELVO_ERR_BUFFER});
  CameraInfo info{};
  info.size = sizeof info;
  int ok = 5;
  EXPECT_EQ(Kelvo_GetCameraInfo(camera, &info), 0);
  EXPECT_EQ(Kelvo_SetPreviewWindow(camera, nullptr, 0, 0, 10, 10), 0);
  EXPECT_EQ(Kelvo_GetFilterValue(camera, 1, &ok), 0);
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(Errors(camera), std::vector<int>(3, KELVO_ERR_NO_DEVICE));
  EXPECT_EQ(Kelvo_Release(camera), 1);
}

INSTANTIATE_TEST_SUITE_P(EachObject, AllocationFailureTest, ::testing::Range(0, 9));

TEST_F(CameraLifecycleTest, RegisterForwardersReduceAddressAndValue) {
  KelvoHandle camera = Open();
  EXPECT_EQ(Kelvo_WriteRegister(camera, 0x104, 0x12345), 1);
  EXPECT_EQ(emulator->Camera(0).Register(kRegisterGain), 0x2345u);
  int ok = 5;
  EXPECT_EQ(Kelvo_ReadRegister(camera, 0x204, &ok), 0x2345);
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(Kelvo_ReadRegister(camera, 0xC0, &ok), 0);
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(Errors(camera), std::vector<int>{KELVO_ERR_DEVICE_IO});

  // SROM ids sit at addresses 8 to 15.
  emulator->Camera(0).SetSrom(8 + 3, 0xA7);
  EXPECT_EQ(Kelvo_ReadSromID(camera, 0x103, &ok), 0xA7);
  EXPECT_EQ(ok, 1);
  EXPECT_EQ(Kelvo_WriteSromID(camera, 5, 0x1C3), 1);
  EXPECT_EQ(emulator->Camera(0).Srom(8 + 5), 0xC3);
  EXPECT_EQ(Errors(camera), std::vector<int>{});

  emulator->SetPresent(0, false);
  EXPECT_EQ(Kelvo_ReadSromID(camera, 3, &ok), 0);
  EXPECT_EQ(ok, 0);
  EXPECT_EQ(Kelvo_WriteSromID(camera, 3, 1), 0);
  EXPECT_EQ(Errors(camera), std::vector<int>(2, KELVO_ERR_NO_DEVICE));
}

TEST_F(CameraLifecycleTest, PreviewPlacementMirrorAndAutoIrisAreStored) {
  KelvoHandle camera = Open();
  EXPECT_EQ(Kelvo_SetPreviewWindow(camera, SomeWindow(), 10, 20, 300, 200), 1);
  EXPECT_EQ(CameraOf(camera)->previewParent, SomeWindow());
  EXPECT_EQ(CameraOf(camera)->previewRect, (std::array<std::int32_t, 4>{10, 20, 300, 200}));
  EXPECT_EQ(Kelvo_SetMirrorV(camera, 7), 1);
  EXPECT_EQ(Kelvo_GetMirrorV(camera), 1);
  EXPECT_EQ(Kelvo_SetAutoIris(camera, 2), 1);
  EXPECT_EQ(Kelvo_SetAutoIris(camera, 3), 0);
  EXPECT_EQ(Kelvo_GetAutoIris(camera, nullptr), 2);
  EXPECT_EQ(Errors(camera), std::vector<int>{KELVO_ERR_ARGUMENT});
}

}  // namespace
}  // namespace kelvo::testing
