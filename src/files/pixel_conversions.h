// The PixelKernels that bring a FrameImage into the sample layout a file
// format wants. All are run by FrameImage::Transfer over the whole picture;
// the "Reversed" ones write the source's rows in the opposite order.
#pragma once

#include "image/frame_image.h"

namespace kelvo::files {

// Each row copied as the shorter of the two strides, padding included.
int CopyRowsReversed(std::uint8_t* dst, std::uint8_t* src, const Rect* srcRect, std::int32_t x,
                     std::int32_t y, std::uint16_t dstBytesPerPixel, std::uint16_t srcBytesPerPixel,
                     std::int32_t dstStride, std::int32_t srcStride, std::uintptr_t a,
                     std::uintptr_t b);
int CopyRows(std::uint8_t* dst, std::uint8_t* src, const Rect* srcRect, std::int32_t x,
             std::int32_t y, std::uint16_t dstBytesPerPixel, std::uint16_t srcBytesPerPixel,
             std::int32_t dstStride, std::int32_t srcStride, std::uintptr_t a, std::uintptr_t b);

// To 8 or 24 bits for JPEG, rows reversed; 10-bit samples keep bits 2..9.
extern const PixelKernel GreyTo8Reversed;         // 16 -> 8
extern const PixelKernel ColourTo24Reversed;      // 24 or 32 -> 24, fourth byte dropped
extern const PixelKernel DeepColourTo24Reversed;  // 48 or 64 -> 24, fourth sample dropped

// PNG layouts, rows kept: 10-bit grey shifted by 4 (1023 -> 16368), 10-bit
// colour by 6 (1023 -> 65472), alpha opaque where the picture has none.
extern const PixelKernel GreyShift4;
extern const PixelKernel BgraInvertFourth;  // 32: fourth byte becomes 255 - itself
extern const PixelKernel BgrShift6;         // 48
extern const PixelKernel BgraShift6Opaque;  // 64: fourth sample 65535

// TIFF layouts, rows kept: red first.
extern const PixelKernel BgrToRgb;                // 24
extern const PixelKernel BgrxToRgbx;              // 32: fourth byte left as it is in the copy
extern const PixelKernel BgrToRgbShift6;          // 48
extern const PixelKernel BgraToRgbaShift6Opaque;  // 64: fourth sample 65535

}  // namespace kelvo::files
