#include "processing/display_kernels.h"

#include <algorithm>
#include <cstring>

#include "platform/double_precision.h"

namespace kelvo {
namespace {

inline std::uint8_t HighEightOfTen(const std::uint8_t* sample) {
  return static_cast<std::uint8_t>(((sample[1] & 3) << 6) | (sample[0] >> 2));
}

// Runs perPixel(out, in) over the region, each side advancing by its own pixel size.
template <class PerPixel>
int ForEachPixel(KELVO_PIXEL_KERNEL_PARAMS, int minDstBytes, int minSrcBytes, PerPixel perPixel) {
  PixelRegion region;
  if (!MakeRegion(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride,
                  srcStride, userA, userB, region) ||
      dstBytesPerPixel < minDstBytes || srcBytesPerPixel < minSrcBytes) {
    return 0;
  }
  for (int row = 0; row < region.height; ++row) {
    std::uint8_t* out = region.DstRow(row);
    const std::uint8_t* in = region.SrcRow(row);
    for (int x = 0; x < region.width; ++x, out += dstBytesPerPixel, in += srcBytesPerPixel) {
      perPixel(out, in);
    }
  }
  return 1;
}

int ScaleNearest(std::uint8_t* dst, const std::uint8_t* src, const Rect* dstRect,
                 const Rect* srcRect, std::int32_t dstWidth, std::int32_t dstHeight,
                 std::int32_t srcWidth, std::int32_t srcHeight, int pixelBytes,
                 std::uint16_t dstBytesPerPixel, std::uint16_t srcBytesPerPixel,
                 std::int32_t dstStride, std::int32_t srcStride) {
  if (dst == nullptr || src == nullptr || dstRect == nullptr || srcRect == nullptr) return 1;
  if (dstBytesPerPixel < pixelBytes || srcBytesPerPixel < pixelBytes) return 1;
  // 64-bit extents: the rectangles come unclipped, with any corners a caller gives.
  const std::int64_t dw = std::int64_t{dstRect->right} - dstRect->left;
  const std::int64_t dh = std::int64_t{dstRect->bottom} - dstRect->top;
  const std::int64_t sw = std::int64_t{srcRect->right} - srcRect->left;
  const std::int64_t sh = std::int64_t{srcRect->bottom} - srcRect->top;
  if (dh <= 0 || dw <= 0) return 1;
  // Single-precision factors, as the preview has always scaled with.
  platform::DoublePrecisionScope doubles;
  const float xs = platform::RoundToFloat(static_cast<double>(sw) / static_cast<double>(dw));
  const float ys = platform::RoundToFloat(static_cast<double>(sh) / static_cast<double>(dh));
  // Only the destination rows and columns inside the image are visited.
  const std::int64_t firstRow = std::max<std::int64_t>(0, -std::int64_t{dstRect->top});
  const std::int64_t endRow = std::min<std::int64_t>(dh, dstHeight - std::int64_t{dstRect->top});
  const std::int64_t firstColumn = std::max<std::int64_t>(0, -std::int64_t{dstRect->left});
  const std::int64_t endColumn = std::min<std::int64_t>(dw, dstWidth - std::int64_t{dstRect->left});
  for (std::int64_t i = firstRow; i < endRow; ++i) {
    const auto dstRow = static_cast<int>(dstRect->top + i);
    // Clamped as doubles, so that no factor however large overflows an int.
    const auto u = static_cast<std::int64_t>(
        std::clamp(static_cast<double>(i) * ys, 0.0, static_cast<double>(srcHeight - 1)));
    const auto srcRow = static_cast<int>(
        std::clamp<std::int64_t>(std::int64_t{srcRect->bottom} - u - 1, 0, srcHeight - 1));
    const std::uint8_t* in = src + static_cast<std::intptr_t>(srcRow) * srcStride;
    std::uint8_t* out = dst + static_cast<std::intptr_t>(dstRow) * dstStride;
    for (std::int64_t j = firstColumn; j < endColumn; ++j) {
      const auto column = static_cast<int>(dstRect->left + j);
      const auto v = static_cast<int>(
          std::clamp(static_cast<double>(j) * xs, 0.0, static_cast<double>(srcWidth - 1)));
      std::memcpy(out + column * dstBytesPerPixel, in + v * srcBytesPerPixel, pixelBytes);
    }
  }
  return 1;
}

}  // namespace

int Convert16To8(KELVO_PIXEL_KERNEL_PARAMS) {
  return ForEachPixel(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride,
                      srcStride, userA, userB, 1, 2, [](std::uint8_t* out, const std::uint8_t* in) {
                        out[0] = HighEightOfTen(in);
                      });
}

int Convert32To24(KELVO_PIXEL_KERNEL_PARAMS) {
  return ForEachPixel(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride,
                      srcStride, userA, userB, 3, 3,
                      [](std::uint8_t* out, const std::uint8_t* in) { std::memcpy(out, in, 3); });
}

int ConvertWideTo24(KELVO_PIXEL_KERNEL_PARAMS) {
  return ForEachPixel(dst, src, srcRect, dstX, dstY, dstBytesPerPixel, srcBytesPerPixel, dstStride,
                      srcStride, userA, userB, 3, 6, [](std::uint8_t* out, const std::uint8_t* in) {
                        for (int k = 0; k < 3; ++k) out[k] = HighEightOfTen(in + 2 * k);
                      });
}

int ScaleNearest8(std::uint8_t* dst, std::uint8_t* src, const Rect* dstRect, const Rect* srcRect,
                  std::int32_t dstWidth, std::int32_t dstHeight, std::int32_t srcWidth,
                  std::int32_t srcHeight, std::uint16_t dstBytesPerPixel,
                  std::uint16_t srcBytesPerPixel, std::int32_t dstStride, std::int32_t srcStride,
                  std::uintptr_t, std::uintptr_t) {
  return ScaleNearest(dst, src, dstRect, srcRect, dstWidth, dstHeight, srcWidth, srcHeight, 1,
                      dstBytesPerPixel, srcBytesPerPixel, dstStride, srcStride);
}

int ScaleNearest24(std::uint8_t* dst, std::uint8_t* src, const Rect* dstRect, const Rect* srcRect,
                   std::int32_t dstWidth, std::int32_t dstHeight, std::int32_t srcWidth,
                   std::int32_t srcHeight, std::uint16_t dstBytesPerPixel,
                   std::uint16_t srcBytesPerPixel, std::int32_t dstStride, std::int32_t srcStride,
                   std::uintptr_t, std::uintptr_t) {
  return ScaleNearest(dst, src, dstRect, srcRect, dstWidth, dstHeight, srcWidth, srcHeight, 3,
                      dstBytesPerPixel, srcBytesPerPixel, dstStride, srcStride);
}

}  // namespace kelvo
