// What a camera keeps between runs: the first run's capture format, the
// groups written at release, the size presets and the quirks of a partly
// filled store. Runs against the in-memory store on Linux and the registry under Wine.
#include <gtest/gtest.h>

#include "device/device_link.h"
#include "emulator/virtual_camera.h"
#include "platform/driver_protocol_numbers.h"
#include "support/emulated_sdk.h"

namespace kelvo::testing {
namespace {

using StoredSettingsTest = EmulatedSdkTest;

struct StoredValue {
  const char* subkey;
  const char* name;
  std::int32_t value;
};

void ExpectStored(const std::vector<StoredValue>& values) {
  for (const auto& [subkey, name, value] : values) {
    EXPECT_EQ(StoredSettings::Read(subkey, name), value) << subkey << "\\" << name;
  }
}

TEST_F(StoredSettingsTest, FirstRunWritesTheCaptureFormatAndReleaseTheGroups) {
  KelvoHandle camera = Open();
  ExpectStored({{"", "Size", 0},
                {"", "Color", 2},
                {"", "SubSample", 0},
                {"", "WaitTime", 10},
                {"", "Clock", 0},
                {"Size_00", "TH", 1280},
                {"Size_00", "TV", 960},
                {"Size_00", "EH", 1280},
                {"Size_00", "EV", 960},
                {"Size_00", "EHS", 0},
                {"Size_00", "EVS", 0},
                {"Size_00", "Buf", 10}});
  for (const char* group : {"Gain", "Filter", "Gray"}) EXPECT_FALSE(StoredSettings::Exists(group));
  // The stored colour mode is the camera's from the first run on.
  EXPECT_EQ(Kelvo_GetColorMode(camera), 24);
  EXPECT_EQ(Errors(camera), std::vector<int>{});

  Release(camera);
  ExpectStored({{"Gain", "Global", 150},    {"Gain", "ColorG1", 0},    {"Gain", "ColorR", 0},
                {"Gain", "ColorB", 0},      {"Gain", "ColorG2", 0},    {"Gain", "Exposure", 2},
                {"Gain", "V_Mirror", 0},    {"Gain", "AutoIris", 0},   {"Filter", "Brightness", 0},
                {"Filter", "Contrast", 0},  {"Filter", "Hue", 0},      {"Filter", "Saturation", 0},
                {"Filter", "Sharpness", 0}, {"Filter", "R_Gain", 100}, {"Filter", "G_Gain", 100},
                {"Filter", "B_Gain", 100},  {"Filter", "Gamma", 100},  {"Filter", "BayerMode", 0},
                {"Gray", "GainR1", 128},    {"Gray", "GainG1", 128},   {"Gray", "GainG2", 128},
                {"Gray", "GainB1", 128},    {"Gray", "OffsetR1", 0},   {"Gray", "OffsetG1", 0},
                {"Gray", "OffsetG2", 0},    {"Gray", "OffsetB1", 0}});
}

struct PresetCase {
  const char* what;
  std::vector<StoredValue> stored;
  SizeEntry expected;
  std::vector<int> errors;
};

class SizePresetTest : public EmulatedSdkTest, public ::testing::WithParamInterface<PresetCase> {};

TEST_P(SizePresetTest, InitialisationTakesAValidPresetAndFallsBackToTheSensor) {
  Release(Open());  // the first run's key
  for (const auto& [subkey, name, value] : GetParam().stored)
    StoredSettings::Write(subkey, name, value);

  KelvoHandle camera = Open();
  auto object = CameraOf(camera);
  SizeEntry expected = GetParam().expected;
  EXPECT_EQ(Kelvo_Width(camera), expected.width);
  EXPECT_EQ(Kelvo_Height(camera), expected.height);
  EXPECT_EQ(object->startX, expected.startX);
  EXPECT_EQ(object->startY, expected.startY);
  EXPECT_EQ(object->bufferCount, expected.bufferCount);
  const CaptureWindow& window = object->deviceLink->Window();
  EXPECT_EQ(window.x, expected.startX);
  EXPECT_EQ(window.width, expected.width);
  EXPECT_EQ(object->previewRect,
            (std::array<std::int32_t, 4>{0, 0, expected.width, expected.height}));
  EXPECT_EQ(Errors(camera), GetParam().errors);
}

INSTANTIATE_TEST_SUITE_P(
    Presets, SizePresetTest,
    ::testing::Values(PresetCase{"NoSuchSubkey", {{"", "Size", 3}}, kFullSensorSize, {}},
                      PresetCase{"StartPlusWidthPastTheSensor",
                                 {{"Size_00", "EHS", 100}, {"Size_00", "Buf", 4}},
                                 {1280, 960, 1280, 960, 0, 0, 4},
                                 {KELVO_ERR_GEOMETRY}},
                      PresetCase{"NegativeHeight",
                                 {{"Size_00", "EV", -1}},
                                 kFullSensorSize,
                                 {KELVO_ERR_GEOMETRY}},
                      PresetCase{"ThreeByThree",
                                 {{"Size_00", "EH", 3}, {"Size_00", "EV", 3}},
                                 kFullSensorSize,
                                 {KELVO_ERR_GEOMETRY}},
                      PresetCase{"FourByFour",
                                 {{"Size_00", "EH", 4}, {"Size_00", "EV", 4}},
                                 {1280, 960, 4, 4, 0, 0, 10},
                                 {}},
                      PresetCase{"AStoredWindow",
                                 {{"", "Size", 7},
                                  {"Size_07", "TH", 1600},
                                  {"Size_07", "TV", 961},
                                  {"Size_07", "EH", 640},
                                  {"Size_07", "EV", 480},
                                  {"Size_07", "EHS", 16},
                                  {"Size_07", "EVS", 8},
                                  {"Size_07", "Buf", 3}},
                                 {1600, 961, 640, 480, 16, 8, 3},
                                 {}}),
    [](const auto& info) { return std::string(info.param.what); });

// Stored format values that would make the camera useless (every frame
// failing, the worker spinning or waiting for ever) take the first-run
// defaults with Err 7, as an invalid size preset does; usable ones stay.
TEST_F(StoredSettingsTest, UnusableStoredFormatValuesTakeTheFirstRunDefaults) {
  struct FormatCase {
    const char* what;
    std::int32_t color;
    std::int32_t waitTime;
    int bitsPerPixel;
    int waitTimeUsed;
    std::vector<int> errors;
  };
  const std::vector<FormatCase> cases = {
      {"colour mode 6", 6, 10, 24, 10, {KELVO_ERR_GEOMETRY}},
      {"colour mode -1", -1, 10, 24, 10, {KELVO_ERR_GEOMETRY}},
      {"wait time 0", 0, 0, 8, 10, {KELVO_ERR_GEOMETRY}},
      {"wait time -5", 3, -5, 32, 10, {KELVO_ERR_GEOMETRY}},
      {"usable", 5, 40, 64, 40, {}},
  };
  for (const FormatCase& row : cases) {
    SCOPED_TRACE(row.what);
    StoredSettings::Erase();
    Release(Open());  // the first run writes the key
    StoredSettings::Write("", "Color", row.color);
    StoredSettings::Write("", "WaitTime", row.waitTime);
    KelvoHandle camera = Open();
    EXPECT_EQ(Errors(camera), row.errors);
    EXPECT_EQ(Kelvo_GetColorMode(camera), row.bitsPerPixel);
    EXPECT_EQ(Kelvo_GetWaitTime(camera), row.waitTimeUsed);
    EXPECT_EQ(Kelvo_SnapShot(camera, nullptr, 0, 1), 1);
    EXPECT_EQ(Errors(camera), std::vector<int>{});
    Release(camera);
  }
}

TEST_F(StoredSettingsTest, AGainSetBeforeReleaseReachesTheSensorAtTheNextStart) {
  KelvoHandle camera = Open();
  EXPECT_EQ(Kelvo_SetGlobalGain(camera, 500), 1);
  Release(camera);
  EXPECT_EQ(StoredSettings::Read("Gain", "Global"), 500);

  emulator->EnableTrace(true);
  camera = Open();
  std::uint32_t lastGainWrite = 0;
  for (const auto& entry : emulator->TakeTrace()) {
    if (entry.bytes.size() == 64 && entry.bytes[0] == kCommandWriteRegister &&
        (entry.bytes[3] | entry.bytes[4] << 8) == kRegisterGain) {
      lastGainWrite = entry.bytes[5] | entry.bytes[6] << 8 | entry.bytes[7] << 16;
    }
  }
  EXPECT_EQ(lastGainWrite, 0x8000u | 500);
  EXPECT_EQ(emulator->Camera(0).Register(kRegisterGain), 0x8000u | 500);
  EXPECT_EQ(Kelvo_GetGlobalGain(camera, nullptr), 500);
}

TEST_F(StoredSettingsTest, AMissingValueInAStoredGroupGetsNoDefault) {
  // Global and the colour gains are read in a chain, the rest one by one.
  StoredSettings::Write("Gain", "Global", 300);
  StoredSettings::Write("Gain", "ColorR", 7);
  StoredSettings::Write("Gain", "AutoIris", 2);
  StoredSettings::Write("Filter", "Brightness", 12);
  StoredSettings::Write("Filter", "R_Gain", 90);
  StoredSettings::Write("Gray", "GainB1", 64);

  KelvoHandle camera = Open();
  auto object = CameraOf(camera);
  const SensorRecord& analog = object->analogBlock;
  EXPECT_EQ(analog.globalGain, 300);
  EXPECT_EQ(analog.colorGainG1, 300);
  EXPECT_EQ(analog.colorGainR, 7);
  EXPECT_EQ(analog.colorGainB, 7);
  EXPECT_EQ(analog.colorGainG2, 7);
  EXPECT_EQ(analog.exposure, 0);  // no "Exposure": the constructor's 0 stays
  EXPECT_EQ(analog.autoIrisMode, 2);
  EXPECT_EQ(object->deviceLink->GetExposure(), 3);  // and the sensor takes its lowest
  const FilterBlock& filter = object->filterBlock;
  EXPECT_EQ(filter.brightness, 12);
  EXPECT_EQ(filter.colorGainRed, 90);
  EXPECT_EQ(filter.colorGainGreen, 0);
  EXPECT_EQ(filter.gamma, 0);
  EXPECT_EQ(filter.grayGainB, 64);
  EXPECT_EQ(filter.grayGainR, 0);

  // A subkey that is missing altogether gives the group's defaults.
  StoredSettings::Erase();
  StoredSettings::Write("Filter", "Gamma", 150);
  KelvoHandle second = Open();
  EXPECT_EQ(CameraOf(second)->filterBlock.gamma, 150);
  EXPECT_EQ(CameraOf(second)->filterBlock.grayGainG1, 128);
  EXPECT_EQ(CameraOf(second)->analogBlock.globalGain, 150);
  EXPECT_EQ(CameraOf(second)->analogBlock.exposure, 2);
}

TEST_F(StoredSettingsTest, FormatTableReadsRowsUpToTheFirstGapAndWritesThemBack) {
  Release(Open());
  for (int row : {1, 2, 3, 4, 6}) {
    char name[16];
    std::snprintf(name, sizeof name, "Size_%02d", row);
    StoredSettings::Write(name, "EH", 100 + row);
  }
  StoredSettings::Write("", "Size", 4);
  platform::SettingsStore& store = platform::UserSettingsStore();
  FormatTable table;
  ASSERT_EQ(settings::LoadFormatTable(store, table), 1);
  EXPECT_EQ(table.count, 5);
  EXPECT_EQ(table.rows[4].width, 104);
  EXPECT_EQ(table.rows[5].width, 0);  // Size_06 lies past the gap
  EXPECT_EQ(table.size, 4);
  EXPECT_EQ(table.format, (CaptureFormat{2, 0, 10, 0}));

  table.rows[5] = {1280, 960, 320, 240, 8, 8, 10};
  table.count = 6;
  table.size = 5;
  table.format.waitTime = 50;
  ASSERT_EQ(settings::SaveFormatTable(store, table), 1);
  ExpectStored(
      {{"Size_05", "EH", 320}, {"Size_05", "EHS", 8}, {"", "Size", 5}, {"", "WaitTime", 50}});
  KelvoHandle camera = Open();
  EXPECT_EQ(Kelvo_Width(camera), 320);
  EXPECT_EQ(Kelvo_GetWaitTime(camera), 50);
}

TEST_F(StoredSettingsTest, ACameraThatFailedToInitialiseStoresNothing) {
  KelvoHandle camera = Open();
  EXPECT_EQ(Kelvo_SetGamma(camera, 180), 1);
  Release(camera);
  FailCameraAllocationForTesting(0);
  Release(Open());
  EXPECT_EQ(StoredSettings::Read("Filter", "Gamma"), 180);
  EXPECT_EQ(StoredSettings::Read("Gain", "Global"), 150);
}

}  // namespace
}  // namespace kelvo::testing
