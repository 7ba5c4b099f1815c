#include "files/pixel_conversions.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace kelvo::files {
namespace {

using Byte = std::uint8_t;

std::uint16_t Load16(const Byte* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }

void Store16(Byte* p, unsigned value) {
  p[0] = static_cast<Byte>(value);
  p[1] = static_cast<Byte>(value >> 8);
}

Byte* RowOf(Byte* pixels, std::int32_t row, std::int32_t stride) {
  return pixels + static_cast<std::ptrdiff_t>(row) * stride;
}

// One body for every per-pixel conversion: Convert maps one source pixel to
// one destination pixel, kReversed picks the row order.
template <void (*Convert)(Byte* out, const Byte* in), bool kReversed>
int ConvertPixels(Byte* dst, Byte* src, const Rect* r, std::int32_t x, std::int32_t y,
                  std::uint16_t dstBpp, std::uint16_t srcBpp, std::int32_t dstStride,
                  std::int32_t srcStride, std::uintptr_t, std::uintptr_t) {
  const std::int32_t rows = r->bottom - r->top;
  const std::int32_t columns = r->right - r->left;
  for (std::int32_t i = 0; i < rows; ++i) {
    const Byte* in = RowOf(src, kReversed ? r->bottom - 1 - i : r->top + i, srcStride) +
                     static_cast<std::ptrdiff_t>(r->left) * srcBpp;
    Byte* out = RowOf(dst, y + i, dstStride) + static_cast<std::ptrdiff_t>(x) * dstBpp;
    for (std::int32_t j = 0; j < columns; ++j, in += srcBpp, out += dstBpp) Convert(out, in);
  }
  return 1;
}

template <bool kReversed>
int CopyWholeRows(Byte* dst, Byte* src, const Rect* r, std::int32_t x, std::int32_t y,
                  std::uint16_t dstBpp, std::uint16_t srcBpp, std::int32_t dstStride,
                  std::int32_t srcStride) {
  const std::int32_t bytes = std::min(dstStride - x * dstBpp, srcStride - r->left * srcBpp);
  for (std::int32_t i = 0; i < r->bottom - r->top; ++i) {
    const Byte* in = RowOf(src, kReversed ? r->bottom - 1 - i : r->top + i, srcStride) +
                     static_cast<std::ptrdiff_t>(r->left) * srcBpp;
    std::memcpy(RowOf(dst, y + i, dstStride) + static_cast<std::ptrdiff_t>(x) * dstBpp, in,
                static_cast<std::size_t>(bytes));
  }
  return 1;
}

void GreyTo8(Byte* out, const Byte* in) { out[0] = static_cast<Byte>(Load16(in) >> 2); }

void ColourTo24(Byte* out, const Byte* in) {
  out[0] = in[0];
  out[1] = in[1];
  out[2] = in[2];
}

void DeepColourTo24(Byte* out, const Byte* in) {
  for (int k = 0; k < 3; ++k) out[k] = static_cast<Byte>(Load16(in + 2 * k) >> 2);
}

void Grey4(Byte* out, const Byte* in) { Store16(out, Load16(in) << 4); }

void InvertFourth(Byte* out, const Byte* in) {
  ColourTo24(out, in);
  out[3] = static_cast<Byte>(255 - in[3]);
}

void Shift6(Byte* out, const Byte* in) {
  for (int k = 0; k < 3; ++k) Store16(out + 2 * k, Load16(in + 2 * k) << 6);
}

void Shift6Opaque(Byte* out, const Byte* in) {
  Shift6(out, in);
  Store16(out + 6, 0xFFFF);
}

void SwapRedBlue(Byte* out, const Byte* in) {
  out[0] = in[2];
  out[1] = in[1];
  out[2] = in[0];
}

void SwapRedBlueShift6(Byte* out, const Byte* in) {
  for (int k = 0; k < 3; ++k) Store16(out + 2 * k, Load16(in + 2 * (2 - k)) << 6);
}

void SwapRedBlueShift6Opaque(Byte* out, const Byte* in) {
  SwapRedBlueShift6(out, in);
  Store16(out + 6, 0xFFFF);
}

}  // namespace

int CopyRowsReversed(Byte* dst, Byte* src, const Rect* r, std::int32_t x, std::int32_t y,
                     std::uint16_t dstBpp, std::uint16_t srcBpp, std::int32_t dstStride,
                     std::int32_t srcStride, std::uintptr_t, std::uintptr_t) {
  return CopyWholeRows<true>(dst, src, r, x, y, dstBpp, srcBpp, dstStride, srcStride);
}

int CopyRows(Byte* dst, Byte* src, const Rect* r, std::int32_t x, std::int32_t y,
             std::uint16_t dstBpp, std::uint16_t srcBpp, std::int32_t dstStride,
             std::int32_t srcStride, std::uintptr_t, std::uintptr_t) {
  return CopyWholeRows<false>(dst, src, r, x, y, dstBpp, srcBpp, dstStride, srcStride);
}

const PixelKernel GreyTo8Reversed = ConvertPixels<GreyTo8, true>;
const PixelKernel ColourTo24Reversed = ConvertPixels<ColourTo24, true>;
const PixelKernel DeepColourTo24Reversed = ConvertPixels<DeepColourTo24, true>;

const PixelKernel GreyShift4 = ConvertPixels<Grey4, false>;
const PixelKernel BgraInvertFourth = ConvertPixels<InvertFourth, false>;
const PixelKernel BgrShift6 = ConvertPixels<Shift6, false>;
const PixelKernel BgraShift6Opaque = ConvertPixels<Shift6Opaque, false>;

const PixelKernel BgrToRgb = ConvertPixels<SwapRedBlue, false>;
const PixelKernel BgrxToRgbx = ConvertPixels<SwapRedBlue, false>;
const PixelKernel BgrToRgbShift6 = ConvertPixels<SwapRedBlueShift6, false>;
const PixelKernel BgraToRgbaShift6Opaque = ConvertPixels<SwapRedBlueShift6Opaque, false>;

}  // namespace kelvo::files
