// Filter ids 1 to 27 through Kelvo_SetFilterValue / Kelvo_GetFilterValue and
// their named forms, with the sensor writes behind the gain and the exposure.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "device/device_link.h"
#include "emulator/virtual_camera.h"
#include "platform/driver_protocol_numbers.h"
#include "support/emulated_sdk.h"

namespace kelvo::testing {
namespace {

using FilterParametersTest = EmulatedSdkTest;

struct FilterCase {
  int id;
  int value;
  bool accepted;
  int readBack;  // of the same id afterwards
};

TEST_F(FilterParametersTest, EachIdAcceptsItsRangeAndReadsBack) {
  const FilterCase cases[] = {
      {1, -255, true, -255},     {1, 256, false, -255},   {2, 127, true, 127},
      {2, -128, false, 127},     {3, -360, true, -360},   {4, 255, true, 255},
      {5, 30, true, 30},         {5, -1, false, 30},      {6, 0x00FF8040, true, 0x00FF8040},
      {6, -1, true, 0x00FFFFFF}, {7, 400, true, 400},     {7, 401, false, 400},
      {8, 0, true, 0},           {9, 399, true, 399},     {10, 5, true, 1},
      {10, -7, true, 1},         {10, 0, true, 0},        {11, 200, true, 200},
      {11, 201, false, 200},     {12, 3, true, 3},        {12, 4, false, 3},
      {13, 1023, true, 1023},    {13, 1024, false, 1023}, {13, 0, true, 0},
      {18, 1, false, 3},         {18, 2, true, 3},        {18, 1493, true, 1493},
      {18, 1494, false, 1493},   {19, 2, true, 2},        {20, 255, true, 255},
      {21, 256, false, 128},     {22, 0, true, 0},        {23, 17, true, 17},
      {24, -255, true, -255},    {25, -256, false, 0},    {26, 255, true, 255},
      {27, 9, true, 9},
  };
  KelvoHandle camera = Open();
  for (const auto& [id, value, accepted, readBack] : cases) {
    SCOPED_TRACE(::testing::Message() << "id " << id << " value " << value);
    EXPECT_EQ(Kelvo_SetFilterValue(camera, id, value), accepted ? 1 : 0);
    EXPECT_EQ(Errors(camera), accepted ? std::vector<int>{} : std::vector<int>{KELVO_ERR_ARGUMENT});
    int ok = 5;
    EXPECT_EQ(Kelvo_GetFilterValue(camera, id, &ok), readBack);
    EXPECT_EQ(ok, 1);
  }
}

TEST_F(FilterParametersTest, IdsOutsideTheTableAndTheSensorColourGainsAreRefused) {
  KelvoHandle camera = Open();
  for (int id : {0, 14, 15, 16, 17, 28, -1, INT_MIN}) {
    SCOPED_TRACE(id);
    EXPECT_EQ(Kelvo_SetFilterValue(camera, id, 1), 0);
    int ok = 5;
    EXPECT_EQ(Kelvo_GetFilterValue(camera, id, &ok), 0);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(Errors(camera), std::vector<int>(2, KELVO_ERR_ARGUMENT));
  }
  EXPECT_EQ(Kelvo_SetColorGainRed(camera, 100), 0);
  EXPECT_EQ(Kelvo_GetColorGainBlue(camera, nullptr), 0);
  EXPECT_EQ(Errors(camera), std::vector<int>(2, KELVO_ERR_ARGUMENT));
}

TEST_F(FilterParametersTest, PackedGainsAreTheLowBytesOfTheThreeColourGains) {
  KelvoHandle camera = Open();
  EXPECT_EQ(Kelvo_SetBayerGainRGB(camera, 0x00FF8040), 1);
  EXPECT_EQ(Kelvo_GetBayerGainRed(camera, nullptr), 64);
  EXPECT_EQ(Kelvo_GetBayerGainGreen(camera, nullptr), 128);
  EXPECT_EQ(Kelvo_GetBayerGainBlue(camera, nullptr), 255);
  EXPECT_EQ(Kelvo_SetBayerGainRed(camera, 300), 1);
  EXPECT_EQ(Kelvo_GetBayerGainRGB(camera, nullptr), 0x00FF8000 | 44);
}

TEST_F(FilterParametersTest, GlobalGainAndExposureReachTheSensorAtOnce) {
  KelvoHandle camera = Open();
  emulator::VirtualCamera& sensor = emulator->Camera(0);
  EXPECT_EQ(Kelvo_SetGlobalGain(camera, 1023), 1);
  EXPECT_EQ(sensor.Register(kRegisterGain), 0x83FFu);
  const SensorRecord& analog = CameraOf(camera)->analogBlock;
  for (const auto& gain : {&analog.globalGain, &analog.colorGainG1, &analog.colorGainR,
                           &analog.colorGainB, &analog.colorGainG2}) {
    EXPECT_EQ(*gain, 1023);
  }

  EXPECT_EQ(Kelvo_SetExposureTime(camera, 2), 1);
  EXPECT_EQ(sensor.Register(kRegisterExposure), 0x802003u);
  EXPECT_EQ(analog.exposure, 2);

  auto started = std::chrono::steady_clock::now();
  EXPECT_EQ(Kelvo_GetExposureTime(camera, nullptr), 3);
  EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(120));

  // A write the sensor does not take is still a stored setting.
  emulator->SetPresent(0, false);
  EXPECT_EQ(Kelvo_SetGlobalGain(camera, 200), 1);
  EXPECT_EQ(analog.globalGain, 200);
  EXPECT_EQ(Kelvo_GetGlobalGain(camera, nullptr), 1023);
}

// The analog dialog and automatic exposure write gain and exposure while the
// application reads them; ThreadSanitizer runs this too.
TEST_F(FilterParametersTest, GainAndExposureCanBeWrittenWhileAnotherThreadReadsThem) {
  KelvoHandle camera = Open();
  std::atomic<bool> done{false};
  std::thread writer([&] {
    for (int i = 0; i < 200; ++i) {
      Kelvo_SetGlobalGain(camera, i * 5);
      Kelvo_SetFilterValue(camera, 18, 2 + i);
    }
    done = true;
  });
  const DeviceLink& link = *CameraOf(camera)->deviceLink;
  int reads = 0;
  do {
    int gain = Kelvo_GetGlobalGain(camera, nullptr);
    EXPECT_TRUE(gain >= 0 && gain <= 1023) << gain;
    int exposure = link.GetExposure();
    EXPECT_TRUE(exposure >= 3 && exposure <= 201) << exposure;
    std::int32_t shadow = 0;
    EXPECT_TRUE(link.ReadRegister(kRegisterGain, &shadow));
    ++reads;
  } while (!done);
  writer.join();
  EXPECT_GT(reads, 0);
  EXPECT_EQ(Kelvo_GetGlobalGain(camera, nullptr), 995);
  EXPECT_EQ(emulator->Camera(0).Register(kRegisterExposure), 0x802000u | 201);
}

TEST(SettingsRecordsTest, ASnapshotRestoresEveryWordOfBothRecords) {
  FilterBlock filter;
  SensorRecord sensor;
  for (std::size_t i = 0; i < kFilterBlockWords.size(); ++i)
    filter.*kFilterBlockWords[i] = int(i) + 1;
  for (std::size_t i = 0; i < kSensorRecordWords.size(); ++i)
    sensor.*kSensorRecordWords[i] = int(i) + 50;
  FilterSnapshot filterBefore = Snapshot(filter);
  SensorSnapshot sensorBefore = Snapshot(sensor);
  for (auto word : kFilterBlockWords) filter.*word = -1;
  for (auto word : kSensorRecordWords) sensor.*word = -1;

  Restore(filter, filterBefore);
  Restore(sensor, sensorBefore);
  EXPECT_EQ(filter.brightness, 1);
  EXPECT_EQ(filter.grayBalanceCount, 23);
  EXPECT_EQ(sensor.globalGain, 50);
  EXPECT_EQ(sensor.autoIrisMode, 57);
  // Every field is in the word list: the records hold nothing else.
  EXPECT_EQ(sizeof(FilterBlock), kFilterBlockWords.size() * sizeof(SharedWord));
  EXPECT_EQ(sizeof(SensorRecord), kSensorRecordWords.size() * sizeof(SharedWord));
}

}  // namespace
}  // namespace kelvo::testing
