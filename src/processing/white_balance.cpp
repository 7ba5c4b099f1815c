#include "processing/white_balance.h"

#include <algorithm>
#include <cmath>

#include "platform/double_precision.h"

namespace kelvo {
namespace {

template <class Sample>
int Measure(KELVO_PIXEL_KERNEL_PARAMS) {
  PixelRegion region;
  if (!MakeRegion(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride,
                  srcStride, userA, userB, region)) {
    return 0;
  }
  WhiteBalanceParams* params = MutableKernelRecord<WhiteBalanceParams>(userA);
  if (params == nullptr || srcBytesPerPixel != sizeof(Sample)) return 0;
  // Phases (0,0) and (1,1) are green, (0,1) blue, (1,0) red.
  enum { kGreen, kBlue, kRed };
  static constexpr int kClass[2][2] = {{kGreen, kBlue}, {kRed, kGreen}};
  std::uint32_t sums[3] = {};
  std::uint32_t counts[3] = {};
  const BayerPhase start = StartPhase(params->bayerMode);
  int rowPhase = start.row;
  for (int row = 0; row < region.height; ++row, rowPhase ^= 1) {
    const auto* p = reinterpret_cast<const Sample*>(region.SrcRow(row));
    // Every row starts at the same sensor column, whatever the width.
    int columnPhase = start.column;
    for (int x = 0; x < region.width; ++x, columnPhase ^= 1) {
      const int cls = kClass[rowPhase][columnPhase];
      sums[cls] += p[x];
      ++counts[cls];
    }
  }
  // A red or blue mean of 0 is a scene without that colour: its quotient is
  // infinite and its gain goes to the limit. Only green is divided by itself.
  if (counts[kGreen] == 0 || counts[kBlue] == 0 || counts[kRed] == 0 || sums[kGreen] == 0) {
    return 0;
  }
  platform::DoublePrecisionScope doubles;
  const double green = static_cast<double>(sums[kGreen]) / counts[kGreen];
  const double blue = static_cast<double>(sums[kBlue]) / counts[kBlue];
  const double red = static_cast<double>(sums[kRed]) / counts[kRed];
  // Evaluated in this order on purpose: it can come out one below 100 * green / blue.
  const double third = 0.3333333333333333;
  const double total = (green + red) + blue;
  const double k = 1.0 / ((total / green) * third);
  // Anything above 400 (an infinite quotient included) is stored as 400, so the
  // conversion never sees a huge value.
  auto gain = [&](double mean) {
    return static_cast<std::int32_t>(std::min(((total / mean) * third) * k * 100, 400.0));
  };
  params->gainBlue = gain(blue);
  params->gainRed = gain(red);
  params->gainGreen = 100;
  return 1;
}

}  // namespace

int MeasureWhiteBalance8(KELVO_PIXEL_KERNEL_PARAMS) {
  return Measure<std::uint8_t>(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel,
                               dstStride, srcStride, userA, userB);
}
int MeasureWhiteBalance16(KELVO_PIXEL_KERNEL_PARAMS) {
  return Measure<std::uint16_t>(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel,
                                dstStride, srcStride, userA, userB);
}

}  // namespace kelvo
