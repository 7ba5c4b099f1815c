// Every export, found by name in the built library, answers an unregistered
// handle with its failure value and leaves its output arguments alone.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "KelvoSdk_Q12.h"
#include "support/sdk_library.h"

namespace kelvo::testing {
namespace {

// The argument lists after the handle.
enum class Shape {
  None,          // ()
  Int,           // (int)
  IntOut,        // (int*)
  Names,         // (char* names)
  DeviceName,    // (int, char*, int)
  Info,          // (CameraInfo*)
  WindowRect,    // (window, int, int, int, int)
  WindowBuffer,  // (window, void*, int, int)
  Buffer,        // (void*, int, int)
  FileFormat,    // (const char*, int)
  Window,        // (window)
  IntInt,        // (int, int)
  IntIntOut,     // (int, int*)
  Variadic,      // (...) of the unsupported operations
};

struct ExportCase {
  std::string name;
  Shape shape;
  int failure;
};

std::vector<ExportCase> AllHandleExports() {
  std::vector<ExportCase> cases = {
      {"Kelvo_Release", Shape::None, 0},
      {"Kelvo_GetLastError", Shape::None, 0},
      {"Kelvo_SetDeviceNumber", Shape::Int, 0},
      {"Kelvo_EnumDevice", Shape::Names, 0},
      {"Kelvo_GetDeviceName", Shape::DeviceName, 0},
      {"Kelvo_GetCameraInfo", Shape::Info, 0},
      {"Kelvo_GetStatus", Shape::Int, 0},
      {"Kelvo_Width", Shape::None, 0},
      {"Kelvo_Height", Shape::None, 0},
      {"Kelvo_SetColorMode", Shape::Int, 0},
      {"Kelvo_GetColorMode", Shape::None, -1},
      {"Kelvo_SetPreviewWindow", Shape::WindowRect, 0},
      {"Kelvo_Preview", Shape::None, 0},
      {"Kelvo_CallBackPreview", Shape::WindowBuffer, 0},
      {"Kelvo_StartPreview", Shape::None, 0},
      {"Kelvo_StopPreview", Shape::None, 0},
      {"Kelvo_Capture", Shape::None, 0},
      {"Kelvo_SnapShot", Shape::Buffer, 0},
      {"Kelvo_Trigger", Shape::WindowBuffer, 0},
      {"Kelvo_GetImage", Shape::Buffer, 0},
      {"Kelvo_Close", Shape::None, 0},
      {"Kelvo_SaveImage", Shape::FileFormat, 0},
      {"Kelvo_SetCameraDlg", Shape::Window, 0},
      {"Kelvo_SetImageDlg", Shape::Window, 0},
      {"Kelvo_SetAnalogDlg", Shape::Window, 0},
      {"Kelvo_SetFilterValue", Shape::IntInt, 0},
      {"Kelvo_GetFilterValue", Shape::IntIntOut, 0},
      {"Kelvo_SetWaitTime", Shape::Int, 0},
      {"Kelvo_GetWaitTime", Shape::None, -1},
      {"Kelvo_SetMirrorV", Shape::Int, 0},
      {"Kelvo_GetMirrorV", Shape::None, 0},
      {"Kelvo_GetMirrorH", Shape::None, 0},
      {"Kelvo_SetAutoIris", Shape::Int, 0},
      {"Kelvo_GetAutoIris", Shape::IntOut, 0},
      {"Kelvo_GetSubSample", Shape::None, -1},
      {"Kelvo_GetHalfClock", Shape::IntOut, 0},
      {"Kelvo_GetSamplingRate", Shape::IntOut, 0},
      {"Kelvo_GetVideoFormat", Shape::IntOut, 0},
      {"Kelvo_WriteRegister", Shape::IntInt, 0},
      {"Kelvo_ReadRegister", Shape::IntIntOut, 0},
      {"Kelvo_WriteSromID", Shape::IntInt, 0},
      {"Kelvo_ReadSromID", Shape::IntIntOut, 0},
  };
  for (const char* name :
       {"Fpga_ReadRegister", "Fpga_WriteRegister", "Fps", "GetCameraType", "GetCaptureWindowEx",
        "GetIOPort", "Record", "SetCameraType", "SetCaptureWindow", "SetCaptureWindowEx",
        "SetCrossbar", "SetHalfClock", "SetIOPort", "SetMirrorH", "SetSamplingRate",
        "SetSubSample"}) {
    cases.push_back({std::string("Kelvo_") + name, Shape::Variadic, 0});
  }
  for (const char* name :
       {"Brightness", "Contrast", "Hue", "Saturation", "Sharpness", "BayerGainRGB", "BayerGainRed",
        "BayerGainGreen", "BayerGainBlue", "BayerGainAuto", "Gamma", "BayerMode", "GlobalGain",
        "ColorGainRed", "ColorGainGreen1", "ColorGainGreen2", "ColorGainBlue", "ExposureTime",
        "GrayMode", "GrayGainR", "GrayGainG1", "GrayGainG2", "GrayGainB", "GrayOffsetR",
        "GrayOffsetG1", "GrayOffsetG2", "GrayOffsetB"}) {
    cases.push_back({std::string("Kelvo_Set") + name, Shape::Int, 0});
    cases.push_back({std::string("Kelvo_Get") + name, Shape::IntOut, 0});
  }
  return cases;
}

constexpr int kSentinel = 0x5A5A5A5A;
constexpr unsigned char kFill = 0xCD;

// Output arguments filled with marks that no export may change for a stranger's handle.
struct Outputs {
  int flag = kSentinel;
  char names[KELVO_DEVICE_NAME_SLOT * KELVO_DEVICE_NAME_SLOTS];
  CameraInfo info;
  unsigned char buffer[64];

  Outputs() {
    std::memset(names, kFill, sizeof names);
    std::memset(&info, kFill, sizeof info);
    info.size = sizeof info;
    std::memset(buffer, kFill, sizeof buffer);
  }
  bool Untouched() const {
    Outputs fresh;
    return flag == kSentinel && std::memcmp(names, fresh.names, sizeof names) == 0 &&
           std::memcmp(&info, &fresh.info, sizeof info) == 0 &&
           std::memcmp(buffer, fresh.buffer, sizeof buffer) == 0;
  }
};

int Call(const SdkLibrary& sdk, const ExportCase& c, KelvoHandle h, Outputs& out) {
  KelvoWindow window = nullptr;
  int size = static_cast<int>(sizeof out.buffer);
  switch (c.shape) {
    case Shape::None:
      return sdk.Get<int KELVO_CALL(KelvoHandle)>(c.name)(h);
    case Shape::Int:
      return sdk.Get<int KELVO_CALL(KelvoHandle, int)>(c.name)(h, 1);
    case Shape::IntOut:
      return sdk.Get<int KELVO_CALL(KelvoHandle, int*)>(c.name)(h, &out.flag);
    case Shape::Names:
      return sdk.Get<int KELVO_CALL(KelvoHandle, char*)>(c.name)(h, out.names);
    case Shape::DeviceName:
      return sdk.Get<int KELVO_CALL(KelvoHandle, int, char*, int)>(c.name)(h, 0, out.names, 256);
    case Shape::Info:
      return sdk.Get<int KELVO_CALL(KelvoHandle, CameraInfo*)>(c.name)(h, &out.info);
    case Shape::WindowRect:
      return sdk.Get<int KELVO_CALL(KelvoHandle, KelvoWindow, int, int, int, int)>(c.name)(
          h, window, 0, 0, 640, 480);
    case Shape::WindowBuffer:
      return sdk.Get<int KELVO_CALL(KelvoHandle, KelvoWindow, void*, int, int)>(c.name)(
          h, window, out.buffer, size, 1);
    case Shape::Buffer:
      return sdk.Get<int KELVO_CALL(KelvoHandle, void*, int, int)>(c.name)(h, out.buffer, size, 1);
    case Shape::FileFormat:
      return sdk.Get<int KELVO_CALL(KelvoHandle, const char*, int)>(c.name)(h, "never.bmp", 0);
    case Shape::Window:
      return sdk.Get<int KELVO_CALL(KelvoHandle, KelvoWindow)>(c.name)(h, window);
    case Shape::IntInt:
      return sdk.Get<int KELVO_CALL(KelvoHandle, int, int)>(c.name)(h, 1, 1);
    case Shape::IntIntOut:
      return sdk.Get<int KELVO_CALL(KelvoHandle, int, int*)>(c.name)(h, 1, &out.flag);
    case Shape::Variadic:
      return sdk.Get<int KELVO_CALL(KelvoHandle, ...)>(c.name)(h, 1, &out.flag);
  }
  return kSentinel;
}

class ExportTableTest : public ::testing::Test {
 protected:
  SdkLibrary sdk{KELVO_SDK_LIBRARY};
};

TEST_F(ExportTableTest, TheLibraryExportsAllOneHundredAndFourteenNames) {
  ASSERT_TRUE(sdk.loaded()) << KELVO_SDK_LIBRARY;
  std::vector<ExportCase> cases = AllHandleExports();
  std::set<std::string> names;
  for (const ExportCase& c : cases) names.insert(c.name);
  names.insert("Kelvo_GetDllVersion");
  names.insert("Kelvo_Initialize");
  EXPECT_EQ(names.size(), 114u);
  for (const std::string& name : names) EXPECT_NE(sdk.Get<void()>(name), nullptr) << name;
  EXPECT_EQ(sdk.Get<int KELVO_CALL()>("Kelvo_GetDllVersion")(), 1901826);
}

TEST_F(ExportTableTest, UnregisteredHandlesGetTheFailureValueAndNoOutput) {
  ASSERT_TRUE(sdk.loaded()) << KELVO_SDK_LIBRARY;
  auto initialize = sdk.Get<KelvoHandle KELVO_CALL(KelvoWindow)>("Kelvo_Initialize");
  auto release = sdk.Get<int KELVO_CALL(KelvoHandle)>("Kelvo_Release");
  auto lastError = sdk.Get<int KELVO_CALL(KelvoHandle)>("Kelvo_GetLastError");

  // A live camera makes every look-up walk the ring before it fails.
  KelvoHandle live = initialize(nullptr);
  ASSERT_NE(live, 0u);
  while (lastError(live) != 0) {
  }
  KelvoHandle released = initialize(nullptr);
  ASSERT_EQ(release(released), 1);
  KelvoHandle neverIssued = live ^ 0x5EED0001u;
  ASSERT_NE(neverIssued, released);

  for (KelvoHandle stranger : {KelvoHandle{0}, neverIssued, released}) {
    for (const ExportCase& c : AllHandleExports()) {
      Outputs out;
      EXPECT_EQ(Call(sdk, c, stranger, out), c.failure) << c.name << " with " << stranger;
      EXPECT_TRUE(out.Untouched()) << c.name << " wrote an output for " << stranger;
    }
  }
  EXPECT_EQ(lastError(live), 0) << "a stranger's call was recorded on another camera";
  EXPECT_EQ(release(live), 1);
}

}  // namespace
}  // namespace kelvo::testing
