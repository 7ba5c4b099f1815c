#include "processing/gray_mode.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <new>

#include "platform/double_precision.h"

namespace kelvo {
namespace {

// Site class index for (row phase, column phase): G1, R, B, G2 as the record orders them.
// (0,0) -> G1, (0,1) -> R, (1,1) -> G2, (1,0) -> B.
constexpr int kClassOfPhase[2][2] = {{1, 0}, {3, 2}};  // index into {R, G1, G2, B}

}  // namespace

int MirrorVertical(KELVO_PIXEL_KERNEL_PARAMS) {
  PixelRegion region;
  if (!MakeRegion(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride,
                  srcStride, userA, userB, region)) {
    return 0;
  }
  const std::int32_t rowBytes = std::min(dstStride, srcStride);
  std::unique_ptr<std::uint8_t[]> temporary(new (std::nothrow) std::uint8_t[rowBytes]);
  if (!temporary) return 0;
  for (int i = 0; i < region.height / 2; ++i) {
    std::uint8_t* top = region.dst + static_cast<std::intptr_t>(i) * srcStride;
    std::uint8_t* bottom =
        region.dst + static_cast<std::intptr_t>(region.height - 1 - i) * srcStride;
    std::memcpy(temporary.get(), top, rowBytes);
    std::memcpy(top, bottom, rowBytes);
    std::memcpy(bottom, temporary.get(), rowBytes);
  }
  return 1;
}

int MeasureGrayBalance(KELVO_PIXEL_KERNEL_PARAMS) {
  PixelRegion region;
  if (!MakeRegion(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride,
                  srcStride, userA, userB, region)) {
    return 0;
  }
  GrayBalanceParams* params = MutableKernelRecord<GrayBalanceParams>(userA);
  if (params == nullptr || srcBytesPerPixel != 1) return 0;
  std::uint64_t sums[4] = {}, counts[4] = {};
  const BayerPhase start = StartPhase(params->bayerMode);
  int rowPhase = start.row;
  for (int row = 0; row < region.height; ++row, rowPhase ^= 1) {
    const std::uint8_t* p = region.SrcRow(row);
    // Every row starts at the same sensor column, whatever the width.
    int columnPhase = start.column;
    for (int x = 0; x < region.width; ++x, columnPhase ^= 1) {
      const int v = p[x];
      if (v == 0 || v == 255) continue;
      const int cls = kClassOfPhase[rowPhase][columnPhase];
      sums[cls] += static_cast<std::uint64_t>(v);
      ++counts[cls];
    }
  }
  if (counts[0] == 0 || counts[1] == 0 || counts[2] == 0 || counts[3] == 0) return 0;
  platform::DoublePrecisionScope doubles;
  auto mean = [&](int cls) {
    return static_cast<double>(sums[cls]) / static_cast<double>(counts[cls]);
  };
  const double reference = mean(1);
  params->gainR = static_cast<std::int32_t>(reference / mean(0) * 128);
  params->gainG1 = 128;
  params->gainG2 = static_cast<std::int32_t>(reference / mean(2) * 128);
  params->gainB = static_cast<std::int32_t>(reference / mean(3) * 128);
  return 1;
}

int GrayGainPass(KELVO_PIXEL_KERNEL_PARAMS) {
  PixelRegion region;
  if (!MakeRegion(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride,
                  srcStride, userA, userB, region)) {
    return 0;
  }
  const GrayBalanceParams* params = KernelRecord<GrayBalanceParams>(userA);
  if (params == nullptr || dstBytesPerPixel != 1 || srcBytesPerPixel != 1) return 0;
  for (int row = 0; row < region.height; ++row) {
    gray_detail::GainRow(region.DstRow(row), 0, region.width,
                         gray_detail::SitesOfRow(*params, row));
  }
  return 1;
}

namespace gray_detail {

RowSites SitesOfRow(const GrayBalanceParams& params, int row) {
  const BayerPhase start = StartPhase(params.bayerMode);
  const int rowPhase = start.row ^ (row & 1);
  const std::int32_t gains[4] = {params.gainR, params.gainG1, params.gainG2, params.gainB};
  const std::int32_t offsets[4] = {params.offsetR, params.offsetG1, params.offsetG2,
                                   params.offsetB};
  const int even = kClassOfPhase[rowPhase][start.column];
  const int odd = kClassOfPhase[rowPhase][start.column ^ 1];
  return {gains[even], gains[odd], offsets[even], offsets[odd]};
}

void GainRow(std::uint8_t* row, int from, int width, const RowSites& sites) {
  for (int x = from; x < width; ++x) {
    row[x] = (x & 1) == 0 ? GainedSample(row[x], sites.evenGain, sites.evenOffset)
                          : GainedSample(row[x], sites.oddGain, sites.oddOffset);
  }
}

bool FitsSimdLanes(const GrayBalanceParams& params) {
  for (std::int32_t gain : {params.gainR, params.gainG1, params.gainG2, params.gainB}) {
    if (gain < 0 || gain > 32767) return false;
  }
  for (std::int32_t offset : {params.offsetR, params.offsetG1, params.offsetG2, params.offsetB}) {
    if (offset < -16384 || offset > 16384) return false;
  }
  return true;
}

bool PrepareSimdGrayPass(KELVO_PIXEL_KERNEL_PARAMS, PixelRegion& region,
                         GrayBalanceParams& params) {
  if (!MakeRegion(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride,
                  srcStride, userA, userB, region)) {
    return false;
  }
  const GrayBalanceParams* record = KernelRecord<GrayBalanceParams>(userA);
  if (record == nullptr || dstBytesPerPixel != 1 || srcBytesPerPixel != 1) return false;
  params = *record;
  return true;
}

}  // namespace gray_detail

PixelKernel ChooseGrayGainPass(SimdVariant variant) {
  static constexpr PixelKernel kByVariant[3] = {GrayGainPass, GrayGainPassMmx, GrayGainPassSse2};
  return kByVariant[static_cast<int>(variant)];
}

int Luminance(KELVO_PIXEL_KERNEL_PARAMS) {
  PixelRegion region;
  if (!MakeRegion(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride,
                  srcStride, userA, userB, region)) {
    return 0;
  }
  if (dstBytesPerPixel != 1 || srcBytesPerPixel < 3) return 0;
  for (int row = 0; row < region.height; ++row) {
    const std::uint8_t* s = region.SrcRow(row);
    std::uint8_t* d = region.DstRow(row);
    for (int x = 0; x < region.width; ++x, s += srcBytesPerPixel) {
      d[x] = static_cast<std::uint8_t>((59 * s[1] + 30 * s[2] + 11 * s[0]) / 100);
    }
  }
  return 1;
}

}  // namespace kelvo
