#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#endif

#include "files/decoders.h"
#include "files/save_image.h"
#include "files/test_pictures.h"

namespace kelvo::testing {
namespace {

std::uint32_t LittleEndianAt(const std::vector<std::uint8_t>& bytes, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes.at(at + i);
  return value;
}

// Entry i: red i, green 255 - i, blue i / 2, so a reader that ignores the
// table or takes it for grey shows the wrong colours.
ColorTable FalseColours() {
  ColorTable table;
  for (int i = 0; i < 256; ++i) {
    table[i] = {static_cast<std::uint8_t>(i / 2), static_cast<std::uint8_t>(255 - i),
                static_cast<std::uint8_t>(i), 0};
  }
  return table;
}

struct BitmapCase {
  std::uint16_t bitCount;
  bool falseColours;
  const char* mode;  // as the reader sees the file
};

class BitmapViewTest : public ::testing::TestWithParam<BitmapCase> {};

TEST_P(BitmapViewTest, ShowsThePictureUprightWithItsColourTable) {
  const BitmapCase c = GetParam();
  if (!HaveBitmapReader()) GTEST_SKIP() << "no independent bitmap reader (python3-pil)";
  TempFolder folder;
  auto picture = MakePicture(5, 3, c.bitCount);
  ASSERT_TRUE(picture);
  if (c.falseColours) picture->SetPalette(2, FalseColours().data(), 0, 256);
  const auto before = StorageBytes(*picture);

  ASSERT_EQ(SaveImage(folder.File("p.bmp").c_str(), picture.get(), kSaveBmp), 1);
  EXPECT_EQ(StorageBytes(*picture), before);
  const auto bytes = ReadFileBytes(folder.File("p.bmp"));
  const std::uint32_t offset = c.bitCount == 8 ? 1078 : 54;
  EXPECT_EQ(bytes.size(), offset + 3u * picture->stride);
  EXPECT_EQ(LittleEndianAt(bytes, 2, 4), bytes.size());
  EXPECT_EQ(LittleEndianAt(bytes, 10, 4), offset);

  auto view = ReadBitmapIndependently(folder.File("p.bmp"));
  ASSERT_TRUE(view);
  EXPECT_EQ(view->mode, c.mode);
  ASSERT_EQ(view->width, 5);
  ASSERT_EQ(view->height, 3);
  ASSERT_EQ(view->samples.size(), 45u);
  const ColorTable& table = picture->Palette();
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 5; ++x) {
      std::uint32_t rgb[3];
      if (c.bitCount == 8) {
        const RgbQuad& entry = table[StoredSample(8, x, y, 0)];
        rgb[0] = entry.red, rgb[1] = entry.green, rgb[2] = entry.blue;
      } else {
        for (int k = 0; k < 3; ++k) rgb[k] = StoredSample(c.bitCount, x, y, 2 - k);
      }
      for (int k = 0; k < 3; ++k) {
        ASSERT_EQ(view->At(x, y, k), rgb[k]) << "pixel " << x << "," << y << " channel " << k;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(ViewableDepths, BitmapViewTest,
                         ::testing::Values(BitmapCase{8, false, "L"}, BitmapCase{8, true, "P"},
                                           BitmapCase{24, false, "RGB"},
                                           BitmapCase{32, false, "RGB"}),
                         [](const auto& info) {
                           return std::to_string(info.param.bitCount) + "bits" +
                                  (info.param.falseColours ? "FalseColours" : "");
                         });

#ifdef _WIN32
// The file carries the table GDI keeps in the picture's DIB section, also when
// the application changed it through the picture's DC.
TEST(BitmapWriterTest, ColourTableIsTheDibSectionsOwn) {
  TempFolder folder;
  auto picture = MakePicture(5, 3, 8);
  ASSERT_TRUE(picture);
  ASSERT_TRUE(picture->HasDibSection());
  const ColorTable colours = FalseColours();
  ASSERT_EQ(SetDIBColorTable(static_cast<HDC>(picture->memoryDC), 0, 256,
                             reinterpret_cast<const RGBQUAD*>(colours.data())),
            256u);
  ColorTable section{};
  ASSERT_EQ(GetDIBColorTable(static_cast<HDC>(picture->memoryDC), 0, 256,
                             reinterpret_cast<RGBQUAD*>(section.data())),
            256u);

  ASSERT_EQ(SaveImage(folder.File("dc.bmp").c_str(), picture.get(), kSaveBmp), 1);
  const auto bytes = ReadFileBytes(folder.File("dc.bmp"));
  ASSERT_GE(bytes.size(), 1078u);
  const auto* table = reinterpret_cast<const std::uint8_t*>(section.data());
  EXPECT_TRUE(std::equal(table, table + 1024, bytes.begin() + 54));
  EXPECT_EQ(bytes[54 + 4 * 10 + 2], 10);  // entry 10 is red 10, not grey
  EXPECT_EQ(bytes[54 + 4 * 10 + 1], 245);
}
#endif

// Depths no common viewer reads: the layout is checked byte for byte.
TEST(BitmapWriterTest, DeepPicturesAreStoredBottomUpWithoutColourTable) {
  TempFolder folder;
  for (std::uint16_t bits : {16, 48, 64}) {
    auto picture = MakePicture(5, 3, bits);
    ASSERT_TRUE(picture);
    ASSERT_EQ(SaveImage(folder.File("deep.bmp").c_str(), picture.get(), kSaveBmp), 1);
    const auto bytes = ReadFileBytes(folder.File("deep.bmp"));
    ASSERT_EQ(bytes.size(), 54u + 3u * picture->stride) << bits;
    EXPECT_EQ(LittleEndianAt(bytes, 10, 4), 54u);
    EXPECT_EQ(LittleEndianAt(bytes, 14, 4), 40u);
    EXPECT_EQ(LittleEndianAt(bytes, 22, 4), 3u);  // positive height: bottom-up
    EXPECT_EQ(LittleEndianAt(bytes, 28, 2), bits);
    EXPECT_EQ(LittleEndianAt(bytes, 30, 4), 0u);  // BI_RGB
    for (int fileRow = 0; fileRow < 3; ++fileRow) {
      const std::uint8_t* stored = picture->Row(2 - fileRow);
      EXPECT_TRUE(std::equal(stored, stored + picture->stride,
                             bytes.begin() + 54 + fileRow * picture->stride))
          << bits << " bits, file row " << fileRow;
    }
  }
}

TEST(BitmapWriterTest, FullSensorPictureHasTheExpectedSize) {
  TempFolder folder;
  auto picture = MakePicture(1280, 960, 24);
  ASSERT_TRUE(picture);
  ASSERT_EQ(SaveImage(folder.File("full.bmp").c_str(), picture.get(), kSaveBmp), 1);
  EXPECT_EQ(std::filesystem::file_size(folder.File("full.bmp")), 3686454u);
  if (!HaveBitmapReader()) return;
  auto view = ReadBitmapIndependently(folder.File("full.bmp"));
  ASSERT_TRUE(view);
  EXPECT_EQ(view->width, 1280);
  EXPECT_EQ(view->height, 960);
}

TEST(RawWriterTest, WritesTheStorageTopRowFirstWithItsPadding) {
  TempFolder folder;
  for (auto [width, height, bits] : {std::tuple{5, 3, 8},
                                     {5, 3, 16},
                                     {5, 3, 24},
                                     {5, 3, 32},
                                     {5, 3, 48},
                                     {5, 3, 64},
                                     {1280, 960, 8}}) {
    auto picture = MakePicture(width, height, static_cast<std::uint16_t>(bits));
    ASSERT_TRUE(picture);
    ASSERT_EQ(SaveImage(folder.File("p.raw").c_str(), picture.get(), kSaveRaw), 1);
    const auto bytes = ReadFileBytes(folder.File("p.raw"));
    EXPECT_EQ(bytes.size(), static_cast<std::size_t>(height) * picture->stride);
    EXPECT_TRUE(bytes == StorageBytes(*picture)) << width << "x" << height << "x" << bits;
  }
}

}  // namespace
}  // namespace kelvo::testing
