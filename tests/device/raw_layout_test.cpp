#include <vector>

#include "link_fixture.h"
#include "platform/global_memory.h"

namespace kelvo {
namespace {

TEST_F(LinkTest, FullSensorLayoutAfterSelection) {
  const RawLayout& layout = link->Layout();
  EXPECT_EQ(layout.linePitch, 1600);
  EXPECT_EQ(layout.lineStart, 221);
  EXPECT_EQ(layout.width, 1280);
  EXPECT_EQ(layout.totalLines, 961);
  EXPECT_EQ(layout.firstLine, 1);
  EXPECT_EQ(layout.lines, 960);
  EXPECT_EQ(layout.usedSamples, 1537600);
  EXPECT_EQ(layout.transferSize, 1538048);
  EXPECT_EQ(link->BufferBytes(), 3076096);
  EXPECT_EQ(link->BufferCount(), 10);
  EXPECT_TRUE(link->HasBuffers());
}

TEST_F(LinkTest, ThreeLineWindowRoundsTheTransferUp) {
  ASSERT_EQ(link->SetCaptureWindow(0, 0, 640, 3, 2), kLinkOk);
  EXPECT_EQ(link->Layout().usedSamples, 6400);
  EXPECT_EQ(link->Layout().transferSize, 7168);
  EXPECT_EQ(link->WindowMode(), 2);
  EXPECT_EQ(emulator->Camera(0).TransferSize(), 7168u);
}

struct Window {
  int x, y, width, height, mode;
};

class WindowRejection : public LinkTest, public ::testing::WithParamInterface<Window> {};

TEST_P(WindowRejection, ReturnsOneAndKeepsTheOldLayout) {
  ASSERT_EQ(link->SetCaptureWindow(0, 0, 640, 480, 1), kLinkOk);
  const Window& w = GetParam();
  EXPECT_EQ(link->SetCaptureWindow(w.x, w.y, w.width, w.height, w.mode), kLinkBadWindow);
  EXPECT_EQ(link->Layout().width, 640);
  EXPECT_EQ(link->Layout().lines, 480);
  EXPECT_EQ(link->Window().width, 640);
  EXPECT_EQ(link->WindowMode(), 1);
}

INSTANTIATE_TEST_SUITE_P(Windows, WindowRejection,
                         ::testing::Values(Window{0, 0, 3, 480, 0}, Window{1, 0, 1280, 480, 0},
                                           Window{0, 1, 640, 960, 0}, Window{0, 0, 640, 2, 0},
                                           Window{-1, 0, 640, 480, 0}, Window{0, -1, 640, 480, 0},
                                           Window{0, 0, 640, 480, 4}, Window{0, 0, 640, 480, -1},
                                           Window{0x7FFFFFF0, 0, 0x40, 480, 0}));

struct Layout {
  int pitch, start, width, total, first, lines, count, result;
};

class RawLayoutRejection : public LinkTest, public ::testing::WithParamInterface<Layout> {};

TEST_P(RawLayoutRejection, KeepsTheBuffers) {
  const Layout& l = GetParam();
  EXPECT_EQ(link->SetRawLayout(l.pitch, l.start, l.width, l.total, l.first, l.lines, l.count),
            l.result);
  EXPECT_TRUE(link->HasBuffers());
  EXPECT_EQ(link->Layout().transferSize, 1538048);
}

INSTANTIATE_TEST_SUITE_P(Layouts, RawLayoutRejection,
                         ::testing::Values(Layout{0, 0, 10, 10, 1, 5, 10, kLinkBadHorizontal},
                                           Layout{100, 0, 0, 10, 1, 5, 10, kLinkBadHorizontal},
                                           Layout{100, 50, 51, 10, 1, 5, 10, kLinkBadHorizontal},
                                           Layout{100, -5, 10, 10, 0, 5, 10, kLinkBadHorizontal},
                                           Layout{100, 0, 10, 0, 0, 5, 10, kLinkBadVertical},
                                           Layout{100, 0, 10, 10, 1, 0, 10, kLinkBadVertical},
                                           Layout{100, 0, 10, 10, 6, 5, 10, kLinkBadVertical},
                                           Layout{100, 0, 10, 10, -1, 5, 10, kLinkBadVertical},
                                           Layout{100, 0, 10, 10, 1, 5, 1, kLinkBadWindow}));

TEST_F(LinkTest, FailedRingAllocationReturnsSevenWithNoBuffersLeft) {
  platform::FailGlobalAllocationForTesting(4);
  EXPECT_EQ(link->SetRawLayout(1600, 221, 640, 481, 1, 480, 10), kLinkOutOfMemory);
  platform::FailGlobalAllocationForTesting(-1);
  EXPECT_FALSE(link->HasBuffers());
  std::vector<std::uint8_t> dest(640 * 480);
  EXPECT_EQ(link->ExtractFrame(dest.data(), dest.size()), kLinkNoDestination);
  EXPECT_EQ(link->SnapFrame(), kLinkNoDestination);
  EXPECT_EQ(link->StartStream(), kLinkNoDestination);
  EXPECT_EQ(link->SetCaptureWindow(0, 0, 640, 480, 0), kLinkOk);
  EXPECT_TRUE(link->HasBuffers());
}

TEST_F(LinkTest, HugeLayoutIsOutOfMemoryNotAnOverflow) {
  EXPECT_EQ(link->SetRawLayout(0x7FFFFFFF, 0, 1280, 0x7FFFFFFF, 1, 0x7FFFFFFE, 10),
            kLinkOutOfMemory);
  EXPECT_FALSE(link->HasBuffers());
}

// Every sample of an emulated frame holds its own sample number, so the
// extracted picture shows where each pixel was taken from.
class Extraction : public LinkTest {
 protected:
  void SetUp() override {
    EmulatorOptions options = EmulatorOptions::Still();
    options.synthesis.pattern = emulator::FramePattern::kSampleNumbers;
    options.paced = false;
    Make(options);
  }
};

TEST_F(Extraction, SixteenBitFullSensorOffsets) {
  link->SetSampleWidth(1);
  emulator->TakeTrace();
  ASSERT_EQ(link->SnapFrame(), kLinkOk);
  for (const TraceEntry& entry : emulator->TakeTrace()) {
    if (entry.code == 0x222051 && entry.pipe == 2) {
      EXPECT_EQ(entry.length, 2u * 1538048u);
    }
  }
  std::vector<std::uint16_t> dest(1280 * 960);
  ASSERT_EQ(link->ExtractFrame(dest.data(), dest.size() * 2), kLinkOk);
  EXPECT_EQ(dest[0], 1821);
  EXPECT_EQ(dest[1280], 3421);
  EXPECT_EQ(dest[1279], 1821 + 1279);
  // The last pixel: sample 960 x 1600 + 221 + 1279, in the low 16 bits.
  EXPECT_EQ(dest.back(), (960 * 1600 + 221 + 1279) & 0xFFFF);
}

TEST_F(Extraction, EightBitBytesComeFromTheSameOffsets) {
  ASSERT_EQ(link->SnapFrame(), kLinkOk);
  std::vector<std::uint8_t> dest(1280 * 960);
  ASSERT_EQ(link->ExtractFrame(dest.data(), dest.size()), kLinkOk);
  EXPECT_EQ(dest[0], 1821 & 0xFF);
  EXPECT_EQ(dest[1280], 3421 & 0xFF);
  std::vector<std::uint8_t> again(dest.size());
  ASSERT_EQ(link->ExtractFrame(again.data(), again.size()), kLinkOk);
  EXPECT_EQ(again, dest);  // extraction leaves the frame in place
}

TEST_F(Extraction, WindowedFrameSkipsTheRestOfEachLine) {
  ASSERT_EQ(link->SetCaptureWindow(0, 0, 640, 480, 0), kLinkOk);
  link->SetSampleWidth(1);
  ASSERT_EQ(link->SnapFrame(), kLinkOk);
  std::vector<std::uint16_t> dest(640 * 480 + 1, 0xBEEF);
  ASSERT_EQ(link->ExtractFrame(dest.data(), 640 * 480 * 2), kLinkOk);
  EXPECT_EQ(dest[639], 2460);
  EXPECT_EQ(dest[640], 3421);
  EXPECT_EQ(dest[640 * 480 - 1], (480 * 1600 + 221 + 639) & 0xFFFF);
  EXPECT_EQ(dest[640 * 480], 0xBEEF);
}

TEST_F(Extraction, NullOrSmallDestinationGetsFourteenAndNothingWritten) {
  ASSERT_EQ(link->SnapFrame(), kLinkOk);
  EXPECT_EQ(link->ExtractFrame(nullptr, 1 << 30), kLinkNoDestination);
  EXPECT_EQ(link->ExtractStreamFrame(nullptr, 1 << 30), kLinkNoDestination);
  std::vector<std::uint8_t> dest(1280 * 960, 0xA5);
  link->SetSampleWidth(1);  // now the picture needs twice as many bytes
  EXPECT_EQ(link->ExtractFrame(dest.data(), dest.size()), kLinkNoDestination);
  EXPECT_EQ(dest, std::vector<std::uint8_t>(1280 * 960, 0xA5));
}

// Sub-sampling: the picture is the window divided by 2, 4 or 8, made of whole
// 2x2 sample blocks so that the colour order of the sensor is kept.
struct SubSampleCase {
  int mode, divisor;
};

class SubSampledExtraction : public Extraction,
                             public ::testing::WithParamInterface<SubSampleCase> {};

TEST_P(SubSampledExtraction, DeliversTheReducedPictureOfWholeBayerBlocks) {
  const auto [mode, divisor] = GetParam();
  // Small enough that every sample number fits in 16 bits.
  ASSERT_EQ(link->SetCaptureWindow(0, 0, 64, 32, mode), kLinkOk);
  link->SetSampleWidth(1);
  ASSERT_EQ(link->SnapFrame(), kLinkOk);
  const int width = 64 / divisor, lines = 32 / divisor;
  EXPECT_EQ(link->PictureWidth(), width);
  EXPECT_EQ(link->PictureLines(), lines);
  std::vector<std::uint16_t> dest(width * lines + 1, 0xBEEF);
  ASSERT_EQ(link->ExtractFrame(dest.data(), (dest.size() - 1) * 2), kLinkOk);
  for (int r = 0; r < lines; ++r) {
    for (int c = 0; c < width; ++c) {
      int sample = dest[r * width + c] - 1600 - 221;
      int row = sample / 1600, column = sample % 1600;
      // Block r/2 of the picture is block (r/2) x divisor of the window, same site inside it.
      ASSERT_EQ(row, r / 2 * 2 * divisor + r % 2) << r << " " << c;
      ASSERT_EQ(column, c / 2 * 2 * divisor + c % 2) << r << " " << c;
    }
  }
  EXPECT_EQ(dest.back(), 0xBEEF);
}

TEST_P(SubSampledExtraction, DestinationOneByteShortGetsFourteenAndNothingWritten) {
  const auto [mode, divisor] = GetParam();
  ASSERT_EQ(link->SetCaptureWindow(0, 0, 1280, 960, mode), kLinkOk);
  ASSERT_EQ(link->SnapFrame(), kLinkOk);
  const std::size_t bytes = std::size_t{1280u / divisor} * (960u / divisor);
  std::vector<std::uint8_t> dest(bytes, 0xA5);
  EXPECT_EQ(link->ExtractFrame(dest.data(), bytes - 1), kLinkNoDestination);
  EXPECT_EQ(dest, std::vector<std::uint8_t>(bytes, 0xA5));
  EXPECT_EQ(link->ExtractFrame(dest.data(), bytes), kLinkOk);
}

INSTANTIATE_TEST_SUITE_P(Modes, SubSampledExtraction,
                         ::testing::Values(SubSampleCase{1, 2}, SubSampleCase{2, 4},
                                           SubSampleCase{3, 8}));

TEST_F(Extraction, WindowTooSmallForItsSubSamplingGivesNoPicture) {
  // Four by three at one eighth: nothing is left, and nothing is written.
  ASSERT_EQ(link->SetCaptureWindow(0, 0, 4, 3, 3), kLinkOk);
  ASSERT_EQ(link->SnapFrame(), kLinkOk);
  std::uint8_t dest[16] = {};
  EXPECT_EQ(link->ExtractFrame(dest, sizeof dest), kLinkBadWindow);
  EXPECT_EQ(dest[0], 0);
  // At one half one sample block row is left: two samples of the first line.
  ASSERT_EQ(link->SetCaptureWindow(0, 0, 4, 3, 1), kLinkOk);
  ASSERT_EQ(link->SnapFrame(), kLinkOk);
  EXPECT_EQ(link->ExtractFrame(dest, 2), kLinkOk);
  EXPECT_EQ(dest[0], 1821 & 0xFF);
  EXPECT_EQ(dest[1], 1822 & 0xFF);
}

}  // namespace
}  // namespace kelvo
