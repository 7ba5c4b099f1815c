// What every pixel kernel of the pipeline unpacks from its eleven arguments.
#pragma once

#include <cstdint>

#include "image/frame_image.h"

// The PixelKernel argument list, so that the many kernels read alike.
#define KELVO_PIXEL_KERNEL_PARAMS                                                          \
  std::uint8_t *dst, std::uint8_t *src, const ::kelvo::Rect *srcRect, std::int32_t dstX, \
      std::int32_t dstY, std::uint16_t dstBytesPerPixel, std::uint16_t srcBytesPerPixel,   \
      std::int32_t dstStride, std::int32_t srcStride, std::uintptr_t userA, std::uintptr_t userB

namespace kelvo {

// The rectangle a kernel works on: source rows top.. and destination rows dstY..
struct PixelRegion {
  std::uint8_t* dst;
  const std::uint8_t* src;
  std::int32_t width;
  std::int32_t height;
  std::int32_t dstStride;
  std::int32_t srcStride;
  std::int32_t dstBytes;  // per pixel
  std::int32_t srcBytes;

  std::uint8_t* DstRow(std::int32_t i) const { return dst + static_cast<std::intptr_t>(i) * dstStride; }
  const std::uint8_t* SrcRow(std::int32_t i) const {
    return src + static_cast<std::intptr_t>(i) * srcStride;
  }
};

// False (and nothing set) for null storage or an empty or inverted rectangle.
inline bool MakeRegion(KELVO_PIXEL_KERNEL_PARAMS, PixelRegion& region) {
  (void)userA;
  (void)userB;
  if (dst == nullptr || src == nullptr || srcRect == nullptr) return false;
  std::int32_t width = srcRect->right - srcRect->left;
  std::int32_t height = srcRect->bottom - srcRect->top;
  if (width <= 0 || height <= 0 || srcRect->left < 0 || srcRect->top < 0 || dstX < 0 || dstY < 0) {
    return false;
  }
  region.dst = dst + static_cast<std::intptr_t>(dstY) * dstStride +
               static_cast<std::intptr_t>(dstX) * dstBytesPerPixel;
  region.src = src + static_cast<std::intptr_t>(srcRect->top) * srcStride +
               static_cast<std::intptr_t>(srcRect->left) * srcBytesPerPixel;
  region.width = width;
  region.height = height;
  region.dstStride = dstStride;
  region.srcStride = srcStride;
  region.dstBytes = dstBytesPerPixel;
  region.srcBytes = srcBytesPerPixel;
  return true;
}

// Pipeline kernels get "a pointer to a pointer to" their settings record.
template <class Record>
const Record* KernelRecord(std::uintptr_t userA) {
  auto holder = reinterpret_cast<const Record* const*>(userA);
  return holder != nullptr ? *holder : nullptr;
}
template <class Record>
Record* MutableKernelRecord(std::uintptr_t userA) {
  auto holder = reinterpret_cast<Record* const*>(userA);
  return holder != nullptr ? *holder : nullptr;
}

// Bayer mode to the phase of the first processed position; unknown modes as 0.
struct BayerPhase {
  int row;
  int column;
};
inline BayerPhase StartPhase(std::int32_t bayerMode) {
  static constexpr BayerPhase kPhases[4] = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
  return bayerMode >= 0 && bayerMode <= 3 ? kPhases[bayerMode] : kPhases[0];
}

}  // namespace kelvo
