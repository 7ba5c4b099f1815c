// Kernels of the preview: wide formats brought to 8 or 24 bits for drawing, and
// nearest-neighbour scaling that also turns the rows upside down for GDI.
#pragma once

#include "processing/pixel_region.h"

namespace kelvo {

int Convert16To8(KELVO_PIXEL_KERNEL_PARAMS);    // bits 2..9 of each sample
int Convert32To24(KELVO_PIXEL_KERNEL_PARAMS);   // bytes 0..2 of each pixel
int ConvertWideTo24(KELVO_PIXEL_KERNEL_PARAMS); // bits 2..9 of samples 0..2 (48 or 64 bits)

// RectKernel: destination row i from source row (source bottom - 1 - i * sh / dh).
int ScaleNearest8(std::uint8_t* dst, std::uint8_t* src, const Rect* dstRect, const Rect* srcRect,
                  std::int32_t dstWidth, std::int32_t dstHeight, std::int32_t srcWidth,
                  std::int32_t srcHeight, std::uint16_t dstBytesPerPixel,
                  std::uint16_t srcBytesPerPixel, std::int32_t dstStride, std::int32_t srcStride,
                  std::uintptr_t a, std::uintptr_t b);
int ScaleNearest24(std::uint8_t* dst, std::uint8_t* src, const Rect* dstRect, const Rect* srcRect,
                   std::int32_t dstWidth, std::int32_t dstHeight, std::int32_t srcWidth,
                   std::int32_t srcHeight, std::uint16_t dstBytesPerPixel,
                   std::uint16_t srcBytesPerPixel, std::int32_t dstStride, std::int32_t srcStride,
                   std::uintptr_t a, std::uintptr_t b);

}  // namespace kelvo
