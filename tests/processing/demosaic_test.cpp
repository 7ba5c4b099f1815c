#include "processing/demosaic.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "processing_test_support.h"

namespace kelvo {
namespace {

using testing_support::FillRandom;
using testing_support::FillRaw;
using testing_support::IsRedSite;
using testing_support::SampleAt;

struct Depth {
  std::uint16_t rawBits, outBits;
  PixelKernel interior, border;
  int maximum;
};
const Depth kDepths[] = {
    {8, 24, DemosaicInterior8, DemosaicBorder8, 255},
    {8, 32, DemosaicInterior8, DemosaicBorder8, 255},
    {16, 48, DemosaicInterior16, DemosaicBorder16, 1023},
    {16, 64, DemosaicInterior16, DemosaicBorder16, 1023},
};

void Demosaic(FrameImage& out, FrameImage& raw, PixelKernel interior, PixelKernel border,
              const DemosaicParams& params) {
  const DemosaicParams* holder = &params;
  const auto user = reinterpret_cast<std::uintptr_t>(&holder);
  ASSERT_EQ(out.Transfer(interior, &raw, nullptr, 0, 0, user, 0), 1);
  ASSERT_EQ(out.Transfer(border, &raw, nullptr, 0, 0, user, 0), 1);
}

// Every pixel, border included, must be (blue, green, red) = expected.
void ExpectEveryPixel(const FrameImage& out, int blue, int green, int red, const char* what) {
  for (int r = 0; r < out.height; ++r) {
    for (int c = 0; c < out.width; ++c) {
      ASSERT_EQ(SampleAt(out, r, c, 0), blue) << what << " at " << r << "," << c;
      ASSERT_EQ(SampleAt(out, r, c, 1), green) << what << " at " << r << "," << c;
      ASSERT_EQ(SampleAt(out, r, c, 2), red) << what << " at " << r << "," << c;
    }
  }
}

TEST(DemosaicTest, UniformRedOnlyAndSaturatedPicturesInEveryModeAndDepth) {
  for (const Depth& depth : kDepths) {
    for (int mode = 0; mode < 4; ++mode) {
      SCOPED_TRACE(testing::Message() << depth.outBits << " bits, Bayer mode " << mode);
      FrameImage raw, out;
      ASSERT_EQ(raw.Create(22, 14, depth.rawBits), 1);
      ASSERT_EQ(out.Create(22, 14, depth.outBits), 1);
      const int v = depth.maximum / 3;
      FillRaw(raw, [&](int, int) { return v; });
      Demosaic(out, raw, depth.interior, depth.border, {mode, 100, 100, 100});
      ExpectEveryPixel(out, v, v, v, "uniform");

      FillRaw(raw, [&](int r, int c) { return IsRedSite(mode, r, c) ? 200 : 0; });
      Demosaic(out, raw, depth.interior, depth.border, {mode, 100, 100, 100});
      ExpectEveryPixel(out, 0, 0, 200, "red only");

      FillRaw(raw, [&](int, int) { return depth.maximum; });
      Demosaic(out, raw, depth.interior, depth.border, {mode, 400, 100, 400});
      ExpectEveryPixel(out, depth.maximum, depth.maximum, depth.maximum, "saturated");
    }
  }
}

// A neighbour outside the picture is the one four samples further in. On a
// picture that repeats every four samples down and across, that makes every
// border pixel the twin of the pixel four rows or columns further in.
TEST(DemosaicTest, BorderPixelsOfAFourPeriodicPictureEqualTheirInteriorTwins) {
  constexpr int kWidth = 22, kHeight = 14;
  auto twin = [](int index, int size) {
    return index < 2 ? index + 4 : index >= size - 2 ? index - 4 : index;
  };
  for (const Depth& depth : kDepths) {
    for (int mode = 0; mode < 4; ++mode) {
      SCOPED_TRACE(testing::Message() << depth.outBits << " bits, Bayer mode " << mode);
      FrameImage raw, out;
      ASSERT_EQ(raw.Create(kWidth, kHeight, depth.rawBits), 1);
      ASSERT_EQ(out.Create(kWidth, kHeight, depth.outBits), 1);
      // Sixteen different samples, none of them a multiple of another's row or column.
      FillRaw(raw,
              [&](int r, int c) { return (13 + 37 * (r % 4) + 11 * (c % 4)) % depth.maximum; });
      Demosaic(out, raw, depth.interior, depth.border, {mode, 100, 100, 100});
      for (int r = 0; r < kHeight; ++r) {
        for (int c = 0; c < kWidth; ++c) {
          const int tr = twin(r, kHeight), tc = twin(c, kWidth);
          if (tr == r && tc == c) continue;
          for (int ch = 0; ch < 3; ++ch) {
            ASSERT_EQ(SampleAt(out, r, c, ch), SampleAt(out, tr, tc, ch))
                << "pixel " << r << "," << c << " channel " << ch;
          }
        }
      }
    }
  }
}

// Every raw row starts at the same sensor column, so odd widths (and heights)
// must not shift the colours of any row, whichever interior variant runs.
TEST(DemosaicTest, OddSizedPicturesKeepTheirColoursOnEveryRow) {
  ProcessorInfo here;
  DetectProcessorFeatures(&here);
  struct Variant {
    PixelKernel interior, border;
    std::uint16_t rawBits, outBits;
    int feature;
  };
  const Variant variants[] = {
      {DemosaicInterior8, DemosaicBorder8, 8, 24, 0},
      {DemosaicInterior8, DemosaicBorder8, 8, 32, 0},
      {DemosaicInterior8Mmx, DemosaicBorder8, 8, 24, FeatureMmx},
      {DemosaicInterior8Sse2, DemosaicBorder8, 8, 24, FeatureSse2},
      {DemosaicInterior16, DemosaicBorder16, 16, 48, 0},
      {DemosaicInterior16Sse2, DemosaicBorder16, 16, 48, FeatureSse2},
  };
  const int sizes[][2] = {{5, 5}, {7, 6}, {7, 7}, {21, 9}, {37, 6}};
  for (const Variant& variant : variants) {
    if (variant.feature != 0 && !HasUsable(here, variant.feature)) continue;
    for (const auto& size : sizes) {
      for (int mode = 0; mode < 4; ++mode) {
        SCOPED_TRACE(testing::Message() << variant.outBits << " bits, " << size[0] << "x" << size[1]
                                        << ", Bayer mode " << mode);
        FrameImage raw, out;
        ASSERT_EQ(raw.Create(size[0], size[1], variant.rawBits), 1);
        ASSERT_EQ(out.Create(size[0], size[1], variant.outBits), 1);
        FillRaw(raw, [&](int r, int c) { return IsRedSite(mode, r, c) ? 200 : 0; });
        Demosaic(out, raw, variant.interior, variant.border, {mode, 100, 100, 100});
        ExpectEveryPixel(out, 0, 0, 200, "red only");
        FillRaw(raw, [&](int r, int c) { return IsRedSite(mode, r + 1, c + 1) ? 120 : 0; });
        Demosaic(out, raw, variant.interior, variant.border, {mode, 100, 100, 100});
        ExpectEveryPixel(out, 120, 0, 0, "blue only");
      }
    }
  }
}

TEST(DemosaicTest, FourthSampleOfWideDestinationsIsLeftAlone) {
  for (const Depth& depth : {kDepths[1], kDepths[3]}) {
    FrameImage raw, out;
    ASSERT_EQ(raw.Create(16, 12, depth.rawBits), 1);
    ASSERT_EQ(out.Create(16, 12, depth.outBits), 1);
    FillRandom(raw, depth.maximum, 7);
    std::fill(out.pixels, out.pixels + out.stride * out.height, 0xA5);
    Demosaic(out, raw, depth.interior, depth.border, {0, 100, 100, 100});
    const int sampleBytes = depth.rawBits / 8;
    for (int r = 0; r < out.height; ++r) {
      for (int c = 0; c < out.width; ++c) {
        for (int k = 0; k < sampleBytes; ++k) {
          ASSERT_EQ(out.Row(r)[c * 4 * sampleBytes + 3 * sampleBytes + k], 0xA5) << r << "," << c;
        }
      }
    }
  }
}

TEST(DemosaicTest, InteriorChoiceFollowsDestinationGainsAndVariant) {
  const DemosaicParams neutral{0, 100, 100, 100};
  EXPECT_EQ(ChooseDemosaicInterior8(24, neutral, SimdVariant::Sse2), DemosaicInterior8Sse2);
  EXPECT_EQ(ChooseDemosaicInterior8(24, neutral, SimdVariant::Mmx), DemosaicInterior8Mmx);
  EXPECT_EQ(ChooseDemosaicInterior8(24, neutral, SimdVariant::Plain), DemosaicInterior8);
  // The plain arithmetic's cases: its exact SSE2 twin, or itself.
  EXPECT_EQ(ChooseDemosaicInterior8(32, neutral, SimdVariant::Sse2), DemosaicInterior8ExactSse2);
  EXPECT_EQ(ChooseDemosaicInterior8(32, neutral, SimdVariant::Mmx), DemosaicInterior8);
  EXPECT_EQ(ChooseDemosaicInterior8(32, neutral, SimdVariant::Plain), DemosaicInterior8);
  for (const DemosaicParams& gains :
       {DemosaicParams{0, 201, 100, 100}, DemosaicParams{0, 100, 201, 100},
        DemosaicParams{0, 100, 100, 201}}) {
    EXPECT_EQ(ChooseDemosaicInterior8(24, gains, SimdVariant::Sse2), DemosaicInterior8ExactSse2);
    EXPECT_EQ(ChooseDemosaicInterior8(24, gains, SimdVariant::Mmx), DemosaicInterior8);
  }
  EXPECT_EQ(ChooseDemosaicInterior8(24, {0, 200, 200, 200}, SimdVariant::Sse2),
            DemosaicInterior8Sse2);
  // Gains the vector products cannot hold keep the plain kernel.
  for (const DemosaicParams& gains :
       {DemosaicParams{0, 801, 100, 100}, DemosaicParams{0, 100, 100, -1}}) {
    EXPECT_EQ(ChooseDemosaicInterior8(32, gains, SimdVariant::Sse2), DemosaicInterior8);
    EXPECT_EQ(ChooseDemosaicInterior16(gains, SimdVariant::Sse2), DemosaicInterior16);
  }
  EXPECT_EQ(ChooseDemosaicInterior16(neutral, SimdVariant::Sse2), DemosaicInterior16Sse2);
  EXPECT_EQ(ChooseDemosaicInterior16({0, 800, 100, 0}, SimdVariant::Sse2), DemosaicInterior16Sse2);
  EXPECT_EQ(ChooseDemosaicInterior16(neutral, SimdVariant::Mmx), DemosaicInterior16);
  EXPECT_EQ(ChooseDemosaicBorder8({0, 400, 100, 800}, SimdVariant::Sse2), DemosaicBorder8Sse2);
  EXPECT_EQ(ChooseDemosaicBorder8({0, 801, 100, 100}, SimdVariant::Sse2), DemosaicBorder8);
  EXPECT_EQ(ChooseDemosaicBorder8(neutral, SimdVariant::Mmx), DemosaicBorder8);
}

// The exact SSE2 kernels against the plain ones, every byte of the images
// (fourth samples and row padding included): widths that end the 16-pixel steps
// at every offset, every Bayer mode, gains at the edges of what they take, and
// for the border the heights under the neighbourhood too.
TEST(DemosaicTest, ExactSse2KernelsEqualThePlainKernelsByteForByte) {
  ProcessorInfo here;
  DetectProcessorFeatures(&here);
  if (!HasUsable(here, FeatureSse2)) GTEST_SKIP() << "no SSE2 here";
  struct Exact {
    PixelKernel fast, plain;
    std::uint16_t rawBits, outBits;
    int minHeight, heights;  // heights minHeight .. minHeight + heights - 1, in turn
  };
  const Exact kernels[] = {
      {DemosaicInterior8ExactSse2, DemosaicInterior8, 8, 24, 5, 3},
      {DemosaicInterior8ExactSse2, DemosaicInterior8, 8, 32, 5, 3},
      {DemosaicInterior16Sse2, DemosaicInterior16, 16, 48, 5, 3},
      {DemosaicInterior16Sse2, DemosaicInterior16, 16, 64, 5, 3},
      {DemosaicBorder8Sse2, DemosaicBorder8, 8, 24, 1, 7},
      {DemosaicBorder8Sse2, DemosaicBorder8, 8, 32, 1, 7},
  };
  const int widths[] = {1,  4,  5,  7,  15, 16, 17, 18, 19, 20, 21,   22,
                        23, 33, 34, 35, 45, 48, 49, 50, 51, 64, 1279, 1280};
  const DemosaicParams gains[] = {{0, 100, 100, 100}, {0, 0, 100, 0},   {0, 201, 300, 199},
                                  {0, 400, 100, 400}, {0, 800, 0, 799}, {0, 1, 100, 128}};
  int round = 0;
  for (const Exact& kernel : kernels) {
    const int maximum = kernel.rawBits == 8 ? 255 : 1023;
    for (int width : widths) {
      for (int mode = 0; mode < 4; ++mode, ++round) {
        const int height = kernel.minHeight + round % kernel.heights;
        DemosaicParams params = gains[round % 6];
        params.bayerMode = mode;
        SCOPED_TRACE(testing::Message()
                     << kernel.outBits << " bits, " << width << "x" << height << " mode " << mode
                     << " gains " << params.gainRed << "/" << params.gainBlue);
        FrameImage raw, plain, fast;
        ASSERT_EQ(raw.Create(width, height, kernel.rawBits), 1);
        ASSERT_EQ(plain.Create(width, height, kernel.outBits), 1);
        ASSERT_EQ(fast.Create(width, height, kernel.outBits), 1);
        FillRandom(raw, maximum, 104729u * width + 31u * height + mode);
        std::fill(plain.pixels, plain.pixels + plain.stride * height, 0xA5);
        std::fill(fast.pixels, fast.pixels + fast.stride * height, 0xA5);
        const DemosaicParams* holder = &params;
        const auto user = reinterpret_cast<std::uintptr_t>(&holder);
        ASSERT_EQ(plain.Transfer(kernel.plain, &raw, nullptr, 0, 0, user, 0), 1);
        ASSERT_EQ(fast.Transfer(kernel.fast, &raw, nullptr, 0, 0, user, 0), 1);
        for (int r = 0; r < height; ++r) {
          for (int k = 0; k < fast.stride; ++k) {
            ASSERT_EQ(fast.Row(r)[k], plain.Row(r)[k]) << "row " << r << " byte " << k;
          }
        }
      }
    }
  }
}

// The SIMD kernels against the plain one: equal where they recompute plainly,
// at most 2 lower elsewhere, and not a byte written outside the interior rows'
// columns 0..W-1 (the border columns they blacken included).
struct SimdCase {
  const char* name;
  PixelKernel kernel;
  std::uint16_t rawBits, outBits;
  bool exact;  // the same results as the plain kernel everywhere
  int stepColumns;
};

TEST(DemosaicTest, SimdVariantsAgainstThePlainKernelOnRandomFrames) {
  ProcessorInfo here;
  DetectProcessorFeatures(&here);
  const SimdCase cases[] = {
      {"SSE2 8-bit", DemosaicInterior8Sse2, 8, 24, false, 16},
      {"MMX 8-bit", DemosaicInterior8Mmx, 8, 24, false, 8},
      {"SSE2 16-bit", DemosaicInterior16Sse2, 16, 48, true, 16},
  };
  const int sizes[][2] = {{64, 9}, {61, 8}, {37, 7}, {83, 6}, {5, 5}, {18, 6}, {19, 5}, {1280, 6}};
  const std::uint32_t guard = 0x5A;
  for (const SimdCase& simd : cases) {
    if (!HasUsable(here, simd.kernel == DemosaicInterior8Mmx ? FeatureMmx : FeatureSse2)) continue;
    for (const auto& size : sizes) {
      for (int mode = 0; mode < 4; ++mode) {
        const int width = size[0], height = size[1];
        SCOPED_TRACE(testing::Message()
                     << simd.name << " " << width << "x" << height << " mode " << mode);
        FrameImage raw, plain, fast;
        ASSERT_EQ(raw.Create(width, height, simd.rawBits), 1);
        ASSERT_EQ(plain.Create(width, height, simd.outBits), 1);
        ASSERT_EQ(fast.Create(width, height, simd.outBits), 1);
        FillRandom(raw, simd.rawBits == 8 ? 255 : 1023, 1000u * width + 10u * height + mode);
        std::fill(plain.pixels, plain.pixels + plain.stride * height, guard);
        std::fill(fast.pixels, fast.pixels + fast.stride * height, guard);
        const DemosaicParams params{mode, 100 + 33 * mode, 100, 190 - 20 * mode};
        const DemosaicParams* holder = &params;
        const auto user = reinterpret_cast<std::uintptr_t>(&holder);
        const PixelKernel reference = simd.rawBits == 8 ? DemosaicInterior8 : DemosaicInterior16;
        ASSERT_EQ(plain.Transfer(reference, &raw, nullptr, 0, 0, user, 0), 1);
        ASSERT_EQ(fast.Transfer(simd.kernel, &raw, nullptr, 0, 0, user, 0), 1);
        const int bytesPerSample = simd.rawBits / 8;
        const int lastVectorColumn = 16 * ((width - 4) / 16) + 1;
        for (int r = 0; r < height; ++r) {
          const bool interiorRow = r >= 2 && r < height - 2;
          for (int c = 0; c < width; ++c) {
            for (int ch = 0; ch < 3; ++ch) {
              const int expected = SampleAt(plain, r, c, ch);
              const int got = SampleAt(fast, r, c, ch);
              const bool blackened = !simd.exact && interiorRow && (c < 2 || c == width - 1);
              if (blackened) {
                ASSERT_EQ(got, 0) << r << "," << c;
              } else if (!interiorRow || c >= width - 2 || simd.exact || c <= 13 ||
                         (simd.stepColumns == 16 && c > lastVectorColumn)) {
                ASSERT_EQ(got, expected) << r << "," << c << " channel " << ch;
              } else {
                ASSERT_LE(got, expected) << r << "," << c << " channel " << ch;
                ASSERT_GE(got, expected - 2) << r << "," << c << " channel " << ch;
              }
            }
          }
          // Row padding belongs to nobody.
          for (int k = width * 3 * bytesPerSample; k < fast.stride; ++k) {
            ASSERT_EQ(fast.Row(r)[k], guard) << "padding of row " << r;
          }
        }
      }
    }
  }
}

// The bytes the 8-bit SSE2 interior has always written, pixel by pixel: black in
// columns 0, 1 and W-1; the plain arithmetic in columns 2..13 and from the first
// column its 16-pixel steps leave to plain code; elsewhere the same sums scaled
// as min(255, ((sum >> 4) * gain') >> 7) in 16 bits. Column W-2 is left alone.
void ModelSse2Interior8(const FrameImage& raw, FrameImage& out, const DemosaicParams& params) {
  const int width = raw.width, height = raw.height;
  if (width < 5 || height < 5) return;
  const int gainRed = DemosaicGainMultiplier(params.gainRed);
  const int gainBlue = DemosaicGainMultiplier(params.gainBlue);
  const int startRow = params.bayerMode == 1 || params.bayerMode == 3 ? 1 : 0;
  const int startColumn = params.bayerMode == 2 || params.bayerMode == 3 ? 1 : 0;
  const int first = 2 + startColumn, lastColumn = width - 3;
  const int steps = (lastColumn - first + 1) / 16;
  const int plainFrom =
      steps == 0 ? 2 : std::min(first + 16 * steps, std::max(2, 16 * ((width - 4) / 16) + 2));
  for (int r = 2; r < height - 2; ++r) {
    std::uint8_t* row = out.Row(r);
    for (int c = 2; c <= lastColumn; ++c) {
      auto S = [&](int dr, int dc) { return static_cast<int>(raw.Row(r + dr)[c + dc]); };
      int green, red, blue;
      demosaic_detail::PhaseSums(startRow ^ ((r - 2) & 1), startColumn ^ ((c - 2) & 1), S, green,
                                 red, blue);
      const bool plain = c <= 13 || c >= plainFrom;
      const int b = plain ? (blue * gainBlue) >> 11 : ((blue >> 4) * gainBlue & 0xFFFF) >> 7;
      const int rr = plain ? (red * gainRed) >> 11 : ((red >> 4) * gainRed & 0xFFFF) >> 7;
      row[3 * c] = static_cast<std::uint8_t>(std::min(b, 255));
      row[3 * c + 1] = static_cast<std::uint8_t>(std::min(green >> 1, 255));
      row[3 * c + 2] = static_cast<std::uint8_t>(std::min(rr, 255));
    }
    std::fill(row, row + 6, 0);
    std::fill(row + 3 * (width - 1), row + 3 * width, 0);
  }
}

// Every byte of the images, row padding included, against the model above: any
// rework of the vector code has to keep the SSE2 results byte for byte.
TEST(DemosaicTest, Sse2Interior8KeepsItsBytesOnRandomFrames) {
  ProcessorInfo here;
  DetectProcessorFeatures(&here);
  if (!HasUsable(here, FeatureSse2)) GTEST_SKIP() << "no SSE2 here";
  const int widths[] = {5,  6,  13, 17, 19, 20, 21, 22, 23, 33, 34,  35,  36,   37,
                        38, 51, 52, 53, 54, 63, 64, 65, 66, 83, 100, 101, 1279, 1280};
  const DemosaicParams gains[] = {
      {0, 100, 100, 100}, {0, 200, 50, 0}, {0, 0, 200, 200}, {0, 173, 100, 137}};
  int round = 0;
  for (int width : widths) {
    for (int height : {5, 6, 7}) {
      for (int mode = 0; mode < 4; ++mode, ++round) {
        SCOPED_TRACE(testing::Message() << width << "x" << height << " mode " << mode);
        DemosaicParams params = gains[round % 4];
        params.bayerMode = mode;
        FrameImage raw, model, fast;
        ASSERT_EQ(raw.Create(width, height, 8), 1);
        ASSERT_EQ(model.Create(width, height, 24), 1);
        ASSERT_EQ(fast.Create(width, height, 24), 1);
        // Bright frames now and then, so that red and blue saturate.
        FillRandom(raw, 255, 7919u * width + 31u * height + mode);
        if (round % 3 == 0) {
          for (int r = 0; r < height; ++r) {
            for (int c = 0; c < width; ++c) raw.Row(r)[c] |= 0xC0;
          }
        }
        std::fill(model.pixels, model.pixels + model.stride * height, 0x5A);
        std::fill(fast.pixels, fast.pixels + fast.stride * height, 0x5A);
        ModelSse2Interior8(raw, model, params);
        const DemosaicParams* holder = &params;
        const auto user = reinterpret_cast<std::uintptr_t>(&holder);
        ASSERT_EQ(fast.Transfer(DemosaicInterior8Sse2, &raw, nullptr, 0, 0, user, 0), 1);
        for (int r = 0; r < height; ++r) {
          for (int k = 0; k < fast.stride; ++k) {
            ASSERT_EQ(fast.Row(r)[k], model.Row(r)[k]) << "row " << r << " byte " << k;
          }
        }
      }
    }
  }
}

TEST(DemosaicTest, PicturesBelowTheNeighbourhoodStayInsideTheirImages) {
  // Exact-size heap blocks in the images let the sanitizer runs see any stray access.
  for (const auto& size :
       {std::pair{4, 3}, std::pair{3, 4}, std::pair{1, 1}, std::pair{2, 5}, std::pair{4, 4}}) {
    for (const Depth& depth : kDepths) {
      FrameImage raw, out;
      ASSERT_EQ(raw.Create(size.first, size.second, depth.rawBits), 1);
      ASSERT_EQ(out.Create(size.first, size.second, depth.outBits), 1);
      const int v = depth.maximum / 2;
      FillRaw(raw, [&](int, int) { return v; });
      Demosaic(out, raw, depth.interior, depth.border, {0, 100, 100, 100});
      Demosaic(out, raw, depth.interior, depth.border, {1, 100, 100, 100});
      ExpectEveryPixel(out, v, v, v, "small uniform");
    }
  }
}

TEST(DemosaicTest, KernelsRefuseFormatsTheyCannotWrite) {
  FrameImage raw, out;
  ASSERT_EQ(raw.Create(16, 16, 8), 1);
  ASSERT_EQ(out.Create(16, 16, 48), 1);
  const DemosaicParams params{0, 100, 100, 100};
  const DemosaicParams* holder = &params;
  const auto user = reinterpret_cast<std::uintptr_t>(&holder);
  for (PixelKernel kernel : {DemosaicInterior8, DemosaicInterior8Sse2, DemosaicInterior8Mmx,
                             DemosaicInterior8ExactSse2, DemosaicBorder8, DemosaicBorder8Sse2,
                             DemosaicInterior16, DemosaicInterior16Sse2, DemosaicBorder16}) {
    EXPECT_EQ(out.Transfer(kernel, &raw, nullptr, 0, 0, user, 0), 0);
  }
  EXPECT_EQ(out.Transfer(DemosaicInterior8, &raw, nullptr, 0, 0, 0, 0), 0);  // no record
}

}  // namespace
}  // namespace kelvo
