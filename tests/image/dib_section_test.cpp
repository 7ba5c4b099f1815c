// The colour table that GDI itself keeps in an 8-bit image's DIB section: what
// a blit draws with and what a bitmap file must carry.
#include <gtest/gtest.h>
#include <windows.h>

#include "image/frame_image.h"

namespace kelvo {
namespace {

ColorTable SectionTable(const FrameImage& image) {
  ColorTable table{};
  EXPECT_EQ(GetDIBColorTable(static_cast<HDC>(image.memoryDC), 0, 256,
                             reinterpret_cast<RGBQUAD*>(table.data())),
            256u);
  return table;
}

TEST(DibSectionTest, CreateCopyFormatAndSetPaletteReachTheSectionsTable) {
  FrameImage image;
  ASSERT_EQ(image.Create(6, 4, 8), 1);
  ASSERT_TRUE(image.HasDibSection());
  EXPECT_EQ(SectionTable(image), GreyRamp());

  const RgbQuad colours[3] = {{0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}};
  EXPECT_EQ(image.SetPalette(2, colours, 100, 3), 1);
  ColorTable expected = GreyRamp();
  std::copy(colours, colours + 3, expected.begin() + 100);
  EXPECT_EQ(SectionTable(image), expected);

  FrameImage copy;
  ASSERT_EQ(copy.CopyFormat(&image), 1);
  ASSERT_TRUE(copy.HasDibSection());
  EXPECT_EQ(SectionTable(copy), expected);

  EXPECT_EQ(copy.SetPalette(0), 1);
  EXPECT_EQ(SectionTable(copy), GreyRamp());
  EXPECT_EQ(SectionTable(image), expected);  // the source keeps its own
}

// A table changed through the DC, not through SetPalette, is the image's table.
TEST(DibSectionTest, TheSectionsTableIsThePaletteEvenWhenChangedBehindTheImage) {
  FrameImage image;
  ASSERT_EQ(image.Create(6, 4, 8), 1);
  const RGBQUAD magenta = {255, 0, 255, 0};
  ASSERT_EQ(SetDIBColorTable(static_cast<HDC>(image.memoryDC), 7, 1, &magenta), 1u);
  EXPECT_EQ(image.Palette()[7], (RgbQuad{255, 0, 255, 0}));
  EXPECT_EQ(image.Palette()[8], GreyRamp()[8]);

  FrameImage copy;
  ASSERT_EQ(copy.CopyFormat(&image), 1);
  EXPECT_EQ(SectionTable(copy)[7], (RgbQuad{255, 0, 255, 0}));
}

}  // namespace
}  // namespace kelvo
