#include "processing/demosaic.h"

#include <algorithm>

namespace kelvo {
namespace {

using demosaic_detail::PhaseSums;
using demosaic_detail::PlainInteriorPixel;

template <class Sample>
constexpr int kLimit = sizeof(Sample) == 1 ? 255 : 1023;

// Checks the formats and unpacks what both plain kernels need.
template <class Sample>
bool PrepareDemosaic(KELVO_PIXEL_KERNEL_PARAMS, PixelRegion& region, DemosaicParams& params) {
  if (!MakeRegion(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride,
                  srcStride, userA, userB, region)) {
    return false;
  }
  const DemosaicParams* record = KernelRecord<DemosaicParams>(userA);
  if (record == nullptr || srcBytesPerPixel != sizeof(Sample)) return false;
  if (dstBytesPerPixel != 3 * sizeof(Sample) && dstBytesPerPixel != 4 * sizeof(Sample)) {
    return false;
  }
  params = *record;
  return true;
}

template <class Sample>
int Interior(KELVO_PIXEL_KERNEL_PARAMS) {
  PixelRegion region;
  DemosaicParams params;
  if (!PrepareDemosaic<Sample>(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel,
                               dstStride, srcStride, userA, userB, region, params)) {
    return 0;
  }
  if (region.width < 5 || region.height < 5) return 1;
  const BayerPhase start = StartPhase(params.bayerMode);
  const int gainRed = DemosaicGainMultiplier(params.gainRed);
  const int gainBlue = DemosaicGainMultiplier(params.gainBlue);
  const int samplesPerPixel = region.dstBytes / static_cast<int>(sizeof(Sample));
  int rowPhase = start.row;
  for (int r = 2; r < region.height - 2; ++r) {
    const std::uint8_t* srcRow = region.SrcRow(r);
    auto* out = reinterpret_cast<Sample*>(region.DstRow(r)) + 2 * samplesPerPixel;
    // Every row starts at the same sensor column, whatever the width.
    int columnPhase = start.column;
    for (int c = 2; c < region.width - 2; ++c, out += samplesPerPixel) {
      PlainInteriorPixel<Sample>(srcRow, region.srcStride, c, rowPhase, columnPhase, gainRed,
                                 gainBlue, kLimit<Sample>, out);
      columnPhase ^= 1;
    }
    rowPhase ^= 1;
  }
  return 1;
}

// A neighbour outside the picture is the sample four rows or columns further
// in (the same colour). Pictures under four samples clamp what is still outside.
inline int Reflect(int index, int size) {
  if (index < 0) index += 4;
  if (index >= size) index -= 4;
  return std::clamp(index, 0, size - 1);
}

// Samples of one border pixel: four (reflected) rows and its four (reflected) columns.
template <class Sample>
struct BorderSampler {
  const Sample* const* rows;  // rows r-2 .. r+1
  const int* columns;         // columns c-2 .. c+1
  int operator()(int dr, int dc) const { return rows[dr + 2][columns[dc + 2]]; }
};

// The source rows r-2 .. r+1 of border row r, reflected once, not per sample.
template <class Sample>
void BorderSourceRows(const PixelRegion& region, int r, const Sample* rows[4]) {
  for (int k = 0; k < 4; ++k) {
    rows[k] = reinterpret_cast<const Sample*>(region.SrcRow(Reflect(r - 2 + k, region.height)));
  }
}

// Row r of the border, columns [columnFirst, columnEnd). Positions outside the
// picture (strips of pictures narrower than four) are skipped, never written.
template <class Sample>
void BorderRow(const PixelRegion& region, int r, int columnFirst, int columnEnd, BayerPhase start,
               int gainRed, int gainBlue, int samplesPerPixel) {
  const int width = region.width, height = region.height;
  if (r < 0 || r >= height) return;
  const Sample* rows[4];
  BorderSourceRows(region, r, rows);
  // The phase belongs to the sensor site: rows and columns of odd-sized
  // pictures keep the colours of the interior next to them.
  const int rowPhase = start.row ^ (r & 1);
  Sample* outRow = reinterpret_cast<Sample*>(region.DstRow(r));
  for (int c = std::max(columnFirst, 0); c < std::min(columnEnd, width); ++c) {
    int columns[4];
    const bool inside = c >= 2 && c < width - 2;
    for (int k = 0; k < 4; ++k) columns[k] = inside ? c - 2 + k : Reflect(c - 2 + k, width);
    int green, red, blue;
    PhaseSums(rowPhase, start.column ^ (c & 1), BorderSampler<Sample>{rows, columns}, green, red,
              blue);
    Sample* out = outRow + c * samplesPerPixel;
    out[0] = static_cast<Sample>(std::min((blue * gainBlue) >> 11, kLimit<Sample>));
    out[1] = static_cast<Sample>(std::min(green >> 1, kLimit<Sample>));
    out[2] = static_cast<Sample>(std::min((red * gainRed) >> 11, kLimit<Sample>));
  }
}

constexpr int kSideLookAhead = 8;

// Columns 0, 1, W-2 and W-1 of rows 2..H-3: the rows need no reflection and
// each column's reflected neighbours are the same in every row.
template <class Sample>
void SideColumns(const PixelRegion& region, BayerPhase start, int gainRed, int gainBlue,
                 int samplesPerPixel) {
  const int width = region.width;
  const int sides[4] = {0, 1, width - 2, width - 1};
  int columns[4][4];
  for (int s = 0; s < 4; ++s) {
    for (int k = 0; k < 4; ++k) columns[s][k] = Reflect(sides[s] - 2 + k, width);
  }
  for (int r = 2; r < region.height - 2; ++r) {
    const Sample* rows[4];
    for (int k = 0; k < 4; ++k) rows[k] = reinterpret_cast<const Sample*>(region.SrcRow(r - 2 + k));
    const int rowPhase = start.row ^ (r & 1);
    Sample* outRow = reinterpret_cast<Sample*>(region.DstRow(r));
    // A few rows ahead: both ends of every row are far apart in memory, and the
    // interior pass has long pushed the picture's first rows out of the cache.
    if (r + kSideLookAhead < region.height) {
      const std::uint8_t* ahead = region.DstRow(r + kSideLookAhead);
      __builtin_prefetch(ahead, 1);
      __builtin_prefetch(ahead + (width - 1) * samplesPerPixel * sizeof(Sample), 1);
    }
    for (int s = 0; s < 4; ++s) {
      const int c = sides[s];
      if (c < 0 || c >= width) continue;
      int green, red, blue;
      PhaseSums(rowPhase, start.column ^ (c & 1), BorderSampler<Sample>{rows, columns[s]}, green,
                red, blue);
      Sample* out = outRow + c * samplesPerPixel;
      out[0] = static_cast<Sample>(std::min((blue * gainBlue) >> 11, kLimit<Sample>));
      out[1] = static_cast<Sample>(std::min(green >> 1, kLimit<Sample>));
      out[2] = static_cast<Sample>(std::min((red * gainRed) >> 11, kLimit<Sample>));
    }
  }
}

template <class Sample>
int Border(KELVO_PIXEL_KERNEL_PARAMS, demosaic_detail::BorderRowFunction rowFunction) {
  PixelRegion region;
  DemosaicParams params;
  if (!PrepareDemosaic<Sample>(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel,
                               dstStride, srcStride, userA, userB, region, params)) {
    return 0;
  }
  const int width = region.width, height = region.height;
  const BayerPhase start = StartPhase(params.bayerMode);
  const int gainRed = DemosaicGainMultiplier(params.gainRed);
  const int gainBlue = DemosaicGainMultiplier(params.gainBlue);
  const int samplesPerPixel = region.dstBytes / static_cast<int>(sizeof(Sample));
  // Rows 0, 1, H-2, H-1 whole, then the two side columns of the rows between
  // (the corners are the rows' already; a pixel's result does not depend on
  // which strip computes it).
  for (int r : {0, 1, height - 2, height - 1}) {
    demosaic_detail::ColumnSpan done{0, 0};
    if constexpr (sizeof(Sample) == 1) {
      if (rowFunction != nullptr && r >= 0 && r < height) {
        const std::uint8_t* rows[4];
        BorderSourceRows(region, r, rows);
        done = rowFunction(rows, start.row ^ (r & 1), start, gainRed, gainBlue, width,
                           samplesPerPixel, region.DstRow(r));
      }
    }
    BorderRow<Sample>(region, r, 0, done.from, start, gainRed, gainBlue, samplesPerPixel);
    BorderRow<Sample>(region, r, done.to, width, start, gainRed, gainBlue, samplesPerPixel);
  }
  SideColumns<Sample>(region, start, gainRed, gainBlue, samplesPerPixel);
  return 1;
}

}  // namespace

int DemosaicInterior8(KELVO_PIXEL_KERNEL_PARAMS) {
  return Interior<std::uint8_t>(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel,
                                dstStride, srcStride, userA, userB);
}
int DemosaicBorder8(KELVO_PIXEL_KERNEL_PARAMS) {
  return Border<std::uint8_t>(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel,
                              dstStride, srcStride, userA, userB, nullptr);
}
int DemosaicInterior16(KELVO_PIXEL_KERNEL_PARAMS) {
  return Interior<std::uint16_t>(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel,
                                 dstStride, srcStride, userA, userB);
}
int DemosaicBorder16(KELVO_PIXEL_KERNEL_PARAMS) {
  return Border<std::uint16_t>(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel,
                               dstStride, srcStride, userA, userB, nullptr);
}

namespace {

// The exact vector products hold red and blue multipliers up to 1023.
bool ExactSimdHoldsGains(const DemosaicParams& params) {
  auto holds = [](std::int32_t gain) { return gain >= 0 && gain <= 800; };
  return holds(params.gainRed) && holds(params.gainBlue);
}

}  // namespace

int demosaic_detail::Border8(KELVO_PIXEL_KERNEL_PARAMS,
                             demosaic_detail::BorderRowFunction rowFunction) {
  return Border<std::uint8_t>(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel,
                              dstStride, srcStride, userA, userB, rowFunction);
}

PixelKernel ChooseDemosaicInterior8(std::uint16_t dstBitCount, const DemosaicParams& params,
                                    SimdVariant variant) {
  if (dstBitCount == 32 || params.gainRed > 200 || params.gainGreen > 200 ||
      params.gainBlue > 200) {
    return variant == SimdVariant::Sse2 && ExactSimdHoldsGains(params) ? DemosaicInterior8ExactSse2
                                                                       : DemosaicInterior8;
  }
  static constexpr PixelKernel kByVariant[] = {DemosaicInterior8, DemosaicInterior8Mmx,
                                               DemosaicInterior8Sse2};
  return kByVariant[static_cast<int>(variant)];
}

PixelKernel ChooseDemosaicBorder8(const DemosaicParams& params, SimdVariant variant) {
  return variant == SimdVariant::Sse2 && ExactSimdHoldsGains(params) ? DemosaicBorder8Sse2
                                                                     : DemosaicBorder8;
}

PixelKernel ChooseDemosaicInterior16(const DemosaicParams& params, SimdVariant variant) {
  return variant == SimdVariant::Sse2 && ExactSimdHoldsGains(params) ? DemosaicInterior16Sse2
                                                                     : DemosaicInterior16;
}

}  // namespace kelvo
