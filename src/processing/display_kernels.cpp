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
  const int dw = dstRect->right - dstRect->left, dh = dstRect->bottom - dstRect->top;
  const int sw = srcRect->right - srcRect->left, sh = srcRect->bottom - srcRect->top;
  if (dh <= 0 || dw <= 0) return 1;
  // Single-precision factors, as the preview has always scaled with.
  platform::DoublePrecisionScope doubles;
  const float xs = platform::RoundToFloat(static_cast<double>(sw) / dw);
  const float ys = platform::RoundToFloat(static_cast<double>(sh) / dh);
  for (int i = 0; i < dh; ++i) {
    const int dstRow = dstRect->top + i;
    if (dstRow < 0 || dstRow >= dstHeight) continue;  // the kernel stays inside its images
    int u = std::clamp(static_cast<int>(i * static_cast<double>(ys)), 0, srcHeight - 1);
    const int srcRow = std::clamp(srcRect->bottom - u - 1, 0, srcHeight - 1);
    const std::uint8_t* in = src + static_cast<std::intptr_t>(srcRow) * srcStride;
    std::uint8_t* out = dst + static_cast<std::intptr_t>(dstRow) * dstStride;
    for (int j = 0; j < dw; ++j) {
      const int column = dstRect->left + j;
      if (column < 0 || column >= dstWidth) continue;
      const int v = std::clamp(static_cast<int>(j * static_cast<double>(xs)), 0, srcWidth - 1);
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
