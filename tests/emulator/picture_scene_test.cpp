#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <fstream>
#include <vector>

#include "emulator/frame_synthesizer.h"
#include "emulator/scene.h"

namespace kelvo::emulator {
namespace {

// A 2 x 2 picture: red, green on top; blue, white below.
const std::uint8_t kQuadrants[2][2][3] = {{{255, 0, 0}, {0, 255, 0}},
                                          {{0, 0, 255}, {255, 255, 255}}};

std::string WriteBmp(int bits, bool topDown) {
  std::string path = ::testing::TempDir() + "kelvo_scene_" + std::to_string(bits) + ".bmp";
  int stride = (2 * bits / 8 + 3) & ~3;
  std::vector<std::uint8_t> file(54 + stride * 2, 0);
  auto put32 = [&](int at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
  };
  file[0] = 'B';
  file[1] = 'M';
  put32(2, static_cast<std::uint32_t>(file.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, 2);
  put32(22, topDown ? static_cast<std::uint32_t>(-2) : 2u);
  file[26] = 1;
  file[28] = static_cast<std::uint8_t>(bits);
  for (int y = 0; y < 2; ++y) {
    int stored = topDown ? y : 1 - y;
    for (int x = 0; x < 2; ++x) {
      std::uint8_t* at = &file[54 + stored * stride + x * bits / 8];
      at[0] = kQuadrants[y][x][2];
      at[1] = kQuadrants[y][x][1];
      at[2] = kQuadrants[y][x][0];
    }
  }
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<char*>(file.data()), file.size());
  return path;
}

std::string WritePng() {
  std::string path = ::testing::TempDir() + "kelvo_scene.png";
  std::FILE* file = std::fopen(path.c_str(), "wb");
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_init_io(png, file);
  png_set_IHDR(png, info, 2, 2, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (const auto& row : kQuadrants) png_write_row(png, &row[0][0]);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(file);
  return path;
}

void ExpectQuadrantColours(const PictureScene& scene) {
  auto painted = scene.Paint(8, 8);
  const Rgb& red = painted[0];
  const Rgb& blue = painted[7 * 8];
  const Rgb& white = painted[63];
  EXPECT_GT(red.r, 0.9f);
  EXPECT_LT(red.b, 0.1f);
  EXPECT_GT(blue.b, 0.9f);
  EXPECT_LT(blue.g, 0.1f);
  EXPECT_GT(white.g, 0.9f);
}

TEST(PictureScene, ReadsBmpAndPngTheRightWayUp) {
  for (const std::string& path : {WriteBmp(24, false), WriteBmp(32, true), WritePng()}) {
    std::string error;
    auto scene = PictureScene::Load(path, &error);
    ASSERT_NE(scene, nullptr) << path << ": " << error;
    EXPECT_EQ(scene->Width(), 2);
    EXPECT_EQ(scene->Height(), 2);
    ExpectQuadrantColours(*scene);
    std::remove(path.c_str());
  }
}

TEST(PictureScene, RefusesWhatItCannotReadWithAReason) {
  std::string cut = ::testing::TempDir() + "kelvo_cut.bmp";
  std::string bmp = WriteBmp(24, false);
  {
    std::ifstream in(bmp, std::ios::binary);
    std::vector<char> bytes(60);
    in.read(bytes.data(), 60);
    std::ofstream(cut, std::ios::binary).write(bytes.data(), 60);
  }
  std::string junk = ::testing::TempDir() + "kelvo_junk.png";
  std::ofstream(junk, std::ios::binary) << "\x89PNG not really";
  for (const std::string& path :
       {cut, junk, std::string("/no/such/file.bmp"), std::string("/etc/hostname")}) {
    std::string error;
    EXPECT_EQ(PictureScene::Load(path, &error), nullptr) << path;
    EXPECT_FALSE(error.empty()) << path;
  }
  std::remove(cut.c_str());
  std::remove(junk.c_str());
  std::remove(bmp.c_str());
}

TEST(PictureScene, IsMosaickedThroughTheBayerFilter) {
  std::string path = WritePng();
  auto scene = PictureScene::Load(path, nullptr);
  std::remove(path.c_str());
  ASSERT_NE(scene, nullptr);
  auto mosaic = SceneMosaic::From(*scene);
  auto code = [&](int y, int x) {
    return mosaic->codes[static_cast<std::size_t>(y) * kSensorColumns + x];
  };
  // Top-left is red: the red site (odd row, even column) is full, green and blue empty.
  EXPECT_GT(code(101, 100), 1000);
  EXPECT_LT(code(100, 100), 20);
  EXPECT_LT(code(100, 101), 20);
  // Bottom-left is blue: only the blue site (even row, odd column) is full.
  EXPECT_GT(code(800, 101), 1000);
  EXPECT_LT(code(801, 100), 20);
}

}  // namespace
}  // namespace kelvo::emulator
