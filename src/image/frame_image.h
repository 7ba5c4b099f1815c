// One image in memory: a bitmap header, pixel storage of 8 to 64 bits per
// pixel and, on Windows, a DIB section with a memory DC for blitting. Every
// pixel operation is a kernel that the image runs over a rectangle.
#pragma once

#include <array>
#include <cstdint>
#include <memory>

namespace kelvo {

// BITMAPINFOHEADER, byte for byte.
struct BitmapInfoHeader {
  std::uint32_t biSize = 40;
  std::int32_t biWidth = 0;
  std::int32_t biHeight = 0;
  std::uint16_t biPlanes = 0;
  std::uint16_t biBitCount = 0;
  std::uint32_t biCompression = 0;
  std::uint32_t biSizeImage = 0;
  std::int32_t biXPelsPerMeter = 0;
  std::int32_t biYPelsPerMeter = 0;
  std::uint32_t biClrUsed = 0;
  std::uint32_t biClrImportant = 0;
};
static_assert(sizeof(BitmapInfoHeader) == 40);

// RGBQUAD: one colour table entry.
struct RgbQuad {
  std::uint8_t blue = 0;
  std::uint8_t green = 0;
  std::uint8_t red = 0;
  std::uint8_t reserved = 0;

  bool operator==(const RgbQuad&) const = default;
};

using ColorTable = std::array<RgbQuad, 256>;

// Entry i is grey level i: the table of every 8-bit image.
const ColorTable& GreyRamp();

// RECT: right and bottom exclusive; rows are stored-row numbers.
struct Rect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;

  bool operator==(const Rect&) const = default;
};

// Per-pixel routine run by FrameImage::Transfer over a clipped rectangle.
// (destination pixels, source pixels, source rectangle, destination x and y,
// destination and source bytes per pixel, destination and source stride,
// two pass-through values)
using PixelKernel = int (*)(std::uint8_t* dst, std::uint8_t* src, const Rect* srcRect,
                            std::int32_t x, std::int32_t y, std::uint16_t dstBytesPerPixel,
                            std::uint16_t srcBytesPerPixel, std::int32_t dstStride,
                            std::int32_t srcStride, std::uintptr_t a, std::uintptr_t b);

// Routine run by FrameImage::TransferRects with unclipped rectangles.
// (destination pixels, source pixels, destination rectangle, source rectangle,
// destination width and height, source width and height, destination and
// source bytes per pixel, destination and source stride, two pass-through values)
using RectKernel = int (*)(std::uint8_t* dst, std::uint8_t* src, const Rect* dstRect,
                           const Rect* srcRect, std::int32_t dstWidth, std::int32_t dstHeight,
                           std::int32_t srcWidth, std::int32_t srcHeight,
                           std::uint16_t dstBytesPerPixel, std::uint16_t srcBytesPerPixel,
                           std::int32_t dstStride, std::int32_t srcStride, std::uintptr_t a,
                           std::uintptr_t b);

class FrameImage {
 public:
  FrameImage() = default;
  ~FrameImage() { Reset(); }
  FrameImage(const FrameImage&) = delete;
  FrameImage& operator=(const FrameImage&) = delete;

  // Allocates width x height at bitCount (8, 16, 24, 32, 48 or 64) bits per
  // pixel, zeroed where the storage is the heap. 0 for a non-positive size or
  // bit count 0, with the image left as it was; 0 with the image reset when
  // storage cannot be had.
  int Create(std::int32_t width, std::int32_t height, std::uint16_t bitCount);
  // Frees the storage; the image becomes empty.
  void Reset();
  // Takes source's size and format (and, at 8 bits, its colour table), not its
  // pixels. Onto itself it keeps everything, pixels included, and returns 1.
  int CopyFormat(const FrameImage* source);
  // kind 0: the grey ramp into all 256 entries; kind 2: count entries of table
  // from first on; other kinds do nothing. Always 1.
  int SetPalette(int kind, const RgbQuad* table = nullptr, int first = 0, int count = 0);

  // Runs kernel with the source rectangle (whole source when null) placed at
  // (x, y) of this image, clipped to both images. 0 when nothing is left.
  int Transfer(PixelKernel kernel, FrameImage* source, const Rect* srcRect, std::int32_t x,
               std::int32_t y, std::uintptr_t a, std::uintptr_t b);
  int TransferRects(RectKernel kernel, FrameImage* source, const Rect* srcRect, const Rect* dstRect,
                    std::uintptr_t a, std::uintptr_t b);

  // The clip of Transfer: rectangle and point as the kernel receives them,
  // rows counted from the opposite end. False (and all zero) when nothing is left.
  bool Clip(const FrameImage& source, Rect& srcRect, std::int32_t& x, std::int32_t& y) const;

  std::uint8_t* Row(std::int32_t storedRow) const { return pixels + storedRow * stride; }
  std::uint16_t BytesPerPixel() const { return bitCount / 8; }
  // The colour table of an 8-bit image: the DIB section's own where there is
  // one (whoever changed it through the DC), else the one SetPalette left.
  ColorTable Palette() const;
  bool HasDibSection() const { return dibSection != nullptr; }

  BitmapInfoHeader header;
  void* memoryDC = nullptr;    // HDC
  void* dibSection = nullptr;  // HBITMAP
  std::uint8_t* pixels = nullptr;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t stride = 0;
  std::uint16_t bitCount = 0;
  void* previousBitmap = nullptr;  // HGDIOBJ

 private:
  int Allocate(const FrameImage* reference);
  void FillHeader(std::int32_t w, std::int32_t h, std::uint16_t bits);

  std::unique_ptr<std::uint8_t[]> heapPixels_;
  ColorTable palette = GreyRamp();
};

// Tests: after `successes` more images get their storage, the next Create or
// CopyFormat fails as if memory had run out; a negative count turns it off.
void FailImageStorageForTesting(int successes);

// Bytes per stored row: whole pixels rounded up to a multiple of four.
constexpr std::int32_t StrideFor(std::int32_t width, std::uint16_t bitCount) {
  return (width * (bitCount / 8) + 3) / 4 * 4;
}

}  // namespace kelvo
