// FrameImage::Transfer and TransferRects: random sizes, bit counts,
// rectangles and points, run with the SDK's kernels. Transfer clips for its
// kernels; the rectangle kernels get the rectangles as they are and must stay
// inside both images themselves.
#include <cstring>

#include "files/pixel_conversions.h"
#include "fuzz_entries.h"
#include "fuzz_input.h"
#include "image/frame_image.h"
#include "processing/display_kernels.h"

namespace kelvo::fuzz {

namespace {

constexpr std::uint16_t kBitCounts[] = {8, 16, 24, 32, 48, 64};

// Touches every pixel of the clipped rectangle in both images, so that a clip
// reaching outside either one is seen by AddressSanitizer.
int TouchEveryPixel(std::uint8_t* dst, std::uint8_t* src, const Rect* r, std::int32_t x,
                    std::int32_t y, std::uint16_t dstBytes, std::uint16_t srcBytes,
                    std::int32_t dstStride, std::int32_t srcStride, std::uintptr_t,
                    std::uintptr_t) {
  if (r->left < 0 || r->top < 0 || x < 0 || y < 0 || r->right <= r->left || r->bottom <= r->top)
    __builtin_trap();
  for (std::int32_t row = 0; row < r->bottom - r->top; ++row) {
    const std::uint8_t* in = src + (r->top + row) * srcStride + r->left * srcBytes;
    std::uint8_t* out = dst + (y + row) * dstStride + x * dstBytes;
    for (std::int32_t column = 0; column < r->right - r->left; ++column)
      std::memcpy(out + column * dstBytes, in + column * srcBytes, std::min(dstBytes, srcBytes));
  }
  return 1;
}

// A Transfer kernel and the bit counts it is written for (0: any).
struct Kernel {
  PixelKernel kernel;
  std::uint16_t dstBits;
  std::uint16_t srcBits;
  bool wholePicture;  // the file writers' conversions run over whole pictures only
};

const Kernel kKernels[] = {
    {TouchEveryPixel, 0, 0, false},
    {Convert16To8, 8, 16, false},
    {Convert32To24, 24, 32, false},
    {ConvertWideTo24, 24, 48, false},
    {ConvertWideTo24, 24, 64, false},
    {files::CopyRows, 0, 0, true},
    {files::CopyRowsReversed, 0, 0, true},
    {files::GreyTo8Reversed, 8, 16, true},
    {files::ColourTo24Reversed, 24, 24, true},
    {files::ColourTo24Reversed, 24, 32, true},
    {files::DeepColourTo24Reversed, 24, 48, true},
    {files::DeepColourTo24Reversed, 24, 64, true},
    {files::GreyShift4, 16, 16, true},
    {files::BgraInvertFourth, 32, 32, true},
    {files::BgrShift6, 48, 48, true},
    {files::BgraShift6Opaque, 64, 64, true},
    {files::BgrToRgb, 24, 24, true},
    {files::BgrxToRgbx, 32, 32, true},
    {files::BgrToRgbShift6, 48, 48, true},
    {files::BgraToRgbaShift6Opaque, 64, 64, true},
};

std::uint16_t BitsOr(std::uint16_t wanted, FuzzInput& in) {
  std::uint16_t any = kBitCounts[in.Byte() % 6];
  return wanted != 0 ? wanted : any;
}

bool MakeImage(FrameImage& image, FuzzInput& in, std::uint16_t bits, std::int32_t width = 0,
               std::int32_t height = 0) {
  if (width == 0) width = in.Range(1, 70);
  if (height == 0) height = in.Range(1, 40);
  if (image.Create(width, height, bits) != 1) return false;
  std::vector<std::uint8_t> fill = in.Bytes(64);
  const std::size_t bytes = static_cast<std::size_t>(image.stride) * image.height;
  for (std::size_t i = 0; i < bytes; ++i) image.pixels[i] = fill[i % fill.size()];
  return true;
}

Rect SomeRect(FuzzInput& in) {
  return {in.Coordinate(90), in.Coordinate(60), in.Coordinate(90), in.Coordinate(60)};
}

}  // namespace

int FuzzTransfer(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  FrameImage dst, src;
  if (in.Byte() % 2 == 0) {
    const Kernel& k = kKernels[in.Byte() % std::size(kKernels)];
    std::uint16_t srcBits = BitsOr(k.srcBits, in), dstBits = BitsOr(k.dstBits, in);
    if (!MakeImage(src, in, srcBits)) return 0;
    if (k.wholePicture) {
      // The writers' destinations are made to the source's size.
      if (!MakeImage(dst, in, dstBits, src.width, src.height)) return 0;
      dst.Transfer(k.kernel, &src, nullptr, 0, 0, 0, 0);
      return 0;
    }
    if (!MakeImage(dst, in, dstBits)) return 0;
    Rect r = SomeRect(in);
    bool whole = in.Byte() % 8 == 0;
    std::int32_t x = in.Coordinate(90);
    std::int32_t y = in.Coordinate(60);
    dst.Transfer(k.kernel, &src, whole ? nullptr : &r, x, y, 0, 0);
  } else {
    // The preview's scalers: 8 to 8 or 24 to 24 bits, or any wider source.
    bool colour = in.Byte() % 2 == 1;
    RectKernel kernel = colour ? ScaleNearest24 : ScaleNearest8;
    std::uint16_t bits = colour ? 24 : 8;
    if (!MakeImage(src, in, in.Byte() % 4 == 0 ? BitsOr(0, in) : bits)) return 0;
    if (!MakeImage(dst, in, in.Byte() % 4 == 0 ? BitsOr(0, in) : bits)) return 0;
    Rect s = SomeRect(in), d = SomeRect(in);
    std::uint8_t nulls = in.Byte();
    dst.TransferRects(kernel, &src, nulls & 1 ? nullptr : &s, nulls & 2 ? nullptr : &d, 0, 0);
  }
  return 0;
}

}  // namespace kelvo::fuzz
