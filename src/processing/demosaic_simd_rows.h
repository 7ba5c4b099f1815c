// The row driver shared by the SIMD interior kernels: the vector code fills
// whole steps of pixel pairs, the plain arithmetic the columns around them.
//
// Seen from a pair of output columns (c, c + 1) whose first has column phase 0,
// red is 3 * R(c) + R(c -/+ 2) and blue 3 * Q(c -/+ 1) + Q(c +/- 1), where
// R = 3 * redMain + redFar and Q = 3 * blueMain + blueFar taken down a column,
// and green is (redMain[c - 1] + blueMain[c]) >> 1, (blueMain[c] + redMain[c + 1]) >> 1.
#pragma once

#include <algorithm>
#include <cstdint>

#include "processing/demosaic.h"

namespace kelvo::demosaic_detail {

struct PairRows {
  const std::uint8_t* redMain;  // the row counted three times for red
  const std::uint8_t* redFar;
  const std::uint8_t* blueMain;  // likewise for blue
  const std::uint8_t* blueFar;
};

// Writes `steps` steps of pixel pairs from column `first` on into `out` (row start).
// The last step of a row must not write past its own pixels.
using PairRowFunction = void (*)(const PairRows& rows, std::uint8_t* out, int first, int steps,
                                 int gainRed, int gainBlue);

// `samplesPerPixel`: 3, or 4 with a spare sample that nothing writes.
template <class Sample>
int RunPairRows(KELVO_PIXEL_KERNEL_PARAMS, int samplesPerPixel, int columnsPerStep,
                PairRowFunction rowFunction, int plainLead, bool blackEdges) {
  PixelRegion region;
  if (!MakeRegion(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride,
                  srcStride, userA, userB, region)) {
    return 0;
  }
  const DemosaicParams* params = KernelRecord<DemosaicParams>(userA);
  if (params == nullptr || srcBytesPerPixel != sizeof(Sample) ||
      dstBytesPerPixel != samplesPerPixel * sizeof(Sample)) {
    return 0;
  }
  const int width = region.width, height = region.height;
  if (width < 5 || height < 5) return 1;
  constexpr int kLimit = sizeof(Sample) == 1 ? 255 : 1023;
  const BayerPhase start = StartPhase(params->bayerMode);
  const int gainRed = DemosaicGainMultiplier(params->gainRed);
  const int gainBlue = DemosaicGainMultiplier(params->gainBlue);
  const int lastColumn = width - 3;
  for (int r = 2; r < height - 2; ++r) {
    const int rowPhase = start.row ^ ((r - 2) & 1);
    const int columnPhase = start.column;  // column 2, the same sensor column in every row
    const std::uint8_t* above2 = region.SrcRow(r - 2);
    const std::uint8_t* above1 = region.SrcRow(r - 1);
    const std::uint8_t* here = region.SrcRow(r);
    const std::uint8_t* below1 = region.SrcRow(r + 1);
    PairRows rows = rowPhase == 0 ? PairRows{above1, below1, here, above2}
                                  : PairRows{here, above2, above1, below1};
    std::uint8_t* out = region.DstRow(r);
    const int first = 2 + columnPhase;
    const int steps = (lastColumn - first + 1) / columnsPerStep;
    if (steps > 0 && rowFunction != nullptr) {
      rowFunction(rows, out, first, steps, gainRed, gainBlue);
    }
    const int vectorEnd = steps > 0 ? first + steps * columnsPerStep : 2;
    auto plain = [&](int from, int to) {
      for (int c = from; c <= to; ++c) {
        PlainInteriorPixel<Sample>(here, region.srcStride, c, rowPhase, columnPhase ^ ((c - 2) & 1),
                                   gainRed, gainBlue, kLimit,
                                   reinterpret_cast<Sample*>(out) + samplesPerPixel * c);
      }
    };
    plain(2, std::min(std::max(plainLead, first - 1), lastColumn));
    plain(std::min(vectorEnd, std::max(2, 16 * ((width - 4) / 16) + 2)), lastColumn);
    if (blackEdges) {
      const int bytes = samplesPerPixel * sizeof(Sample);
      std::fill(out, out + 2 * bytes, 0);
      std::fill(out + (width - 1) * bytes, out + width * bytes, 0);
    }
  }
  return 1;
}

}  // namespace kelvo::demosaic_detail
