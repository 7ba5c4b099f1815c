// The automatic stages against the emulator's sensor model: what the camera
// measures changes the sensor or the gains, and the next frames show it.
#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "emulator/frame_synthesizer.h"
#include "emulator/scene.h"
#include "files/save_image.h"
#include "image/frame_image.h"
#include "support/emulated_sdk.h"

namespace kelvo::testing {
namespace {

constexpr int kWidth = 1280, kHeight = 960;

// Mode 0 snapshots: the raw 8-bit picture, rows as stored.
class ClosedLoopTest : public EmulatedSdkTest {
 protected:
  std::vector<std::uint8_t> Grey(KelvoHandle camera) {
    std::vector<std::uint8_t> picture(kWidth * kHeight);
    EXPECT_EQ(Kelvo_SnapShot(camera, picture.data(), int(picture.size()), 1), 1);
    return picture;
  }

  // A still scene of one colour everywhere, read from a BMP as a customer's scene would be.
  void UseColourCast(std::uint8_t red, std::uint8_t green, std::uint8_t blue) {
    FrameImage image;
    ASSERT_EQ(image.Create(64, 48, 24), 1);
    for (int row = 0; row < 48; ++row) {
      for (int x = 0; x < 64; ++x) {
        std::uint8_t* pixel = image.Row(row) + 3 * x;
        pixel[0] = blue, pixel[1] = green, pixel[2] = red;
      }
    }
    auto file = std::filesystem::temp_directory_path() / "kelvo-closed-loop-scene.bmp";
    ASSERT_EQ(SaveImage(file.string().c_str(), &image, kSaveBmp), 1);
    std::string why;
    auto picture = emulator::PictureScene::Load(file.string(), &why);
    ASSERT_TRUE(picture) << why;
    std::filesystem::remove(file);
    EmulatorOptions options = EmulatorOptions::Still();
    options.scene = emulator::SceneMosaic::From(*picture);
    emulator = std::make_shared<CameraEmulator>(options);
    emulator::UseDriverPortForTesting(emulator);
  }
};

// The automatic iris's five windows, as fractions of the picture.
std::array<int, 5> WindowMeans(const std::vector<std::uint8_t>& picture) {
  constexpr double kWindows[5][4] = {{0.1, 0.1, 0.2, 0.2},
                                     {0.1, 0.8, 0.2, 0.9},
                                     {0.45, 0.45, 0.55, 0.55},
                                     {0.8, 0.1, 0.9, 0.2},
                                     {0.8, 0.8, 0.9, 0.9}};
  std::array<int, 5> means{};
  for (int w = 0; w < 5; ++w) {
    int left = int(kWindows[w][0] * kWidth), top = int(kWindows[w][1] * kHeight);
    int right = int(kWindows[w][2] * kWidth), bottom = int(kWindows[w][3] * kHeight);
    std::uint64_t sum = 0;
    for (int y = top; y < bottom; ++y) {
      for (int x = left; x < right; ++x) sum += picture[y * kWidth + x];
    }
    means[w] = int(sum / std::uint64_t((right - left) * (bottom - top)));
  }
  return means;
}

bool AllInBand(const std::array<int, 5>& means) {
  for (int mean : means) {
    if (mean < 100 || mean > 160) return false;
  }
  return true;
}

// Means of the four Bayer sites (row parity, column parity).
std::array<double, 4> SiteMeans(const std::vector<std::uint8_t>& picture) {
  std::array<double, 4> sums{};
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) sums[(y % 2) * 2 + x % 2] += picture[y * kWidth + x];
  }
  for (double& sum : sums) sum /= kWidth * kHeight / 4;
  return sums;
}

struct IrisCase {
  const char* what;
  int mode;
  int gain;
  int exposure;
};

class AutoIrisLoopTest : public ClosedLoopTest, public ::testing::WithParamInterface<IrisCase> {};

TEST_P(AutoIrisLoopTest, ADarkStartComesIntoTheBand) {
  UseColourCast(128, 128, 128);
  KelvoHandle camera = Open();
  ASSERT_EQ(Kelvo_SetColorMode(camera, 8), 1);
  ASSERT_EQ(Kelvo_SetGlobalGain(camera, GetParam().gain), 1);
  ASSERT_EQ(Kelvo_SetExposureTime(camera, GetParam().exposure), 1);
  EXPECT_LT(WindowMeans(Grey(camera))[2], 50);
  ASSERT_EQ(Kelvo_SetAutoIris(camera, GetParam().mode), 1);
  // A measurement every third frame, each at most a factor of 1.5.
  int frames = 0;
  while (!AllInBand(WindowMeans(Grey(camera))) && ++frames < 90) {
  }
  EXPECT_LT(frames, 90) << "means " << ::testing::PrintToString(WindowMeans(Grey(camera)));
}

INSTANTIATE_TEST_SUITE_P(Modes, AutoIrisLoopTest,
                         ::testing::Values(IrisCase{"Exposure", 1, 150, 20},
                                           IrisCase{"Gain", 2, 0, 200}),
                         [](const auto& info) { return std::string(info.param.what); });

TEST_F(ClosedLoopTest, WhiteBalanceOnceMakesAColourCastNeutral) {
  UseColourCast(200, 150, 100);
  KelvoHandle camera = Open();
  ASSERT_EQ(Kelvo_SetExposureTime(camera, 200), 1);
  const int stride = kWidth * 3;
  std::vector<std::uint8_t> picture(stride * kHeight);
  auto channelMeans = [&] {
    EXPECT_EQ(Kelvo_SnapShot(camera, picture.data(), int(picture.size()), 1), 1);
    std::array<double, 3> means{};  // blue, green, red
    for (int y = 100; y < kHeight - 100; ++y) {
      for (int x = 100; x < kWidth - 100; ++x) {
        for (int c = 0; c < 3; ++c) means[c] += picture[y * stride + 3 * x + c];
      }
    }
    for (double& mean : means) mean /= (kWidth - 200) * (kHeight - 200);
    return means;
  };
  auto cast = channelMeans();
  EXPECT_GT(cast[2], cast[1] * 1.2);
  EXPECT_LT(cast[0], cast[1] * 0.8);

  FilterBlock& filters = CameraOf(camera)->filterBlock;
  filters.whiteBalanceAuto = 1;
  filters.AwbOnceA = 1;
  filters.AwbOnceB = 1;
  auto balanced = channelMeans();
  EXPECT_NEAR(balanced[0], balanced[1], balanced[1] * 0.03);
  EXPECT_NEAR(balanced[2], balanced[1], balanced[1] * 0.03);
  EXPECT_EQ(filters.whiteBalanceAuto, 0);  // once: the switch is used up
  EXPECT_EQ(filters.AwbOnceA, 0);
  EXPECT_GT(filters.colorGainBlue, 100);
  EXPECT_LT(filters.colorGainRed, 100);
}

TEST_F(ClosedLoopTest, GrayBalanceOnceEqualisesTheFourSites) {
  UseColourCast(200, 150, 100);
  KelvoHandle camera = Open();
  ASSERT_EQ(Kelvo_SetExposureTime(camera, 200), 1);
  ASSERT_EQ(Kelvo_SetColorMode(camera, 8), 1);
  ASSERT_EQ(Kelvo_SetGrayMode(camera, 1), 1);
  auto before = SiteMeans(Grey(camera));
  EXPECT_GT(std::abs(before[1] - before[2]), 20.0);  // the red and blue sites differ

  CameraOf(camera)->filterBlock.grayBalanceCount = 1;
  Grey(camera);  // measured here
  EXPECT_EQ(CameraOf(camera)->filterBlock.grayBalanceCount, 0);
  auto after = SiteMeans(Grey(camera));
  for (double mean : after) EXPECT_NEAR(mean, after[0], after[0] * 0.03);
}

}  // namespace
}  // namespace kelvo::testing
