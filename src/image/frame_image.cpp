#include "image/frame_image.h"

#include <algorithm>
#include <limits>
#include <new>

#include "image/dib_surface.h"
#include "platform/fault_countdown.h"

namespace kelvo {
namespace {

bool IsPixelFormat(std::uint16_t bitCount) {
  return bitCount == 8 || bitCount == 16 || bitCount == 24 || bitCount == 32 || bitCount == 48 ||
         bitCount == 64;
}

// Sizes whose storage cannot even be counted in 32 bits are refused up front.
bool FitsInMemory(std::int32_t width, std::int32_t height, std::uint16_t bitCount) {
  std::int64_t stride = (static_cast<std::int64_t>(width) * (bitCount / 8) + 3) / 4 * 4;
  return stride <= std::numeric_limits<std::int32_t>::max() / height;
}

platform::FaultCountdown storageFault;

}  // namespace

void FailImageStorageForTesting(int successes) { storageFault.Arm(successes); }

const ColorTable& GreyRamp() {
  static const ColorTable ramp = [] {
    ColorTable table;
    for (int i = 0; i < 256; ++i) {
      auto level = static_cast<std::uint8_t>(i);
      table[i] = {level, level, level, 0};
    }
    return table;
  }();
  return ramp;
}

void FrameImage::FillHeader(std::int32_t w, std::int32_t h, std::uint16_t bits) {
  header = {};
  header.biWidth = w;
  header.biHeight = h;
  header.biPlanes = 1;
  header.biBitCount = bits;
  width = w;
  height = h;
  bitCount = bits;
  stride = StrideFor(w, bits);
}

int FrameImage::Create(std::int32_t w, std::int32_t h, std::uint16_t bits) {
  if (w <= 0 || h <= 0 || !IsPixelFormat(bits) || !FitsInMemory(w, h, bits)) return 0;
  Reset();
  FillHeader(w, h, bits);
  return Allocate(nullptr);
}

int FrameImage::CopyFormat(const FrameImage* source) {
  if (source == nullptr || source->width <= 0 || source->height <= 0 ||
      !IsPixelFormat(source->bitCount)) {
    return 0;
  }
  // Onto itself: the image already has the format, and resetting first would lose it.
  if (source == this) return 1;
  Reset();
  header = source->header;
  width = source->width;
  height = source->height;
  stride = source->stride;
  bitCount = source->bitCount;
  return Allocate(source);
}

// A DIB section where GDI gives one, else zeroed heap storage. An 8-bit image
// starts with the reference's colour table, or the grey ramp.
int FrameImage::Allocate(const FrameImage* reference) {
  if (storageFault.ShouldFail()) {
    Reset();
    return 0;
  }
  palette = reference != nullptr ? reference->Palette() : GreyRamp();
  gdi::DibSurface surface;
  switch (gdi::CreateDibSurface(header, palette, surface)) {
    case gdi::DibResult::Created:
      memoryDC = surface.memoryDC;
      dibSection = surface.dibSection;
      previousBitmap = surface.previousBitmap;
      pixels = surface.bits;
      return 1;
    case gdi::DibResult::Failed:
      Reset();
      return 0;
    case gdi::DibResult::Refused:
      break;
  }
  std::size_t bytes = static_cast<std::size_t>(stride) * static_cast<std::size_t>(height);
  heapPixels_.reset(new (std::nothrow) std::uint8_t[bytes]());
  if (!heapPixels_) {
    Reset();
    return 0;
  }
  pixels = heapPixels_.get();
  return 1;
}

void FrameImage::Reset() {
  gdi::DibSurface surface{memoryDC, dibSection, previousBitmap, pixels};
  gdi::DestroyDibSurface(surface);
  memoryDC = dibSection = previousBitmap = nullptr;
  heapPixels_.reset();
  pixels = nullptr;
  width = height = stride = 0;
  bitCount = 0;
  header = {};
  palette = GreyRamp();
}

ColorTable FrameImage::Palette() const {
  ColorTable table = palette;
  if (bitCount == 8 && memoryDC != nullptr) gdi::GetDibColors(memoryDC, table);
  return table;
}

int FrameImage::SetPalette(int kind, const RgbQuad* table, int first, int count) {
  if (bitCount != 8) return 1;
  if (kind == 0) {
    palette = GreyRamp();
    if (memoryDC != nullptr) gdi::SetDibColors(memoryDC, 0, 256, palette.data());
  } else if (kind == 2 && table != nullptr && first >= 0 && count > 0 && first < 256) {
    count = std::min(count, 256 - first);
    std::copy(table, table + count, palette.begin() + first);
    if (memoryDC != nullptr) gdi::SetDibColors(memoryDC, first, count, table);
  }
  return 1;
}

bool FrameImage::Clip(const FrameImage& source, Rect& r, std::int32_t& x, std::int32_t& y) const {
  auto fail = [&] {
    r = {};
    x = y = 0;
    return false;
  };
  // 64-bit so that far-off points cannot wrap around into the image.
  std::int64_t dLeft = x, dTop = y;
  std::int64_t dRight = dLeft + (static_cast<std::int64_t>(r.right) - r.left);
  std::int64_t dBottom = dTop + (static_cast<std::int64_t>(r.bottom) - r.top);
  if (dRight <= 0 || dBottom <= 0 || dLeft >= width || dTop >= height) return fail();
  dLeft = std::max<std::int64_t>(dLeft, 0);
  dTop = std::max<std::int64_t>(dTop, 0);
  dRight = std::min<std::int64_t>(dRight, width);
  dBottom = std::min<std::int64_t>(dBottom, height);
  // An inverted rectangle can reach into the image and still cover nothing.
  if (dRight <= dLeft || dBottom <= dTop) return fail();

  std::int64_t sLeft = r.left + (dLeft - x), sTop = r.top + (dTop - y);
  std::int64_t sRight = r.left + (dRight - x), sBottom = r.top + (dBottom - y);
  if (sRight <= 0 || sBottom <= 0 || sLeft >= source.width || sTop >= source.height) return fail();
  sLeft = std::max<std::int64_t>(sLeft, 0);
  sTop = std::max<std::int64_t>(sTop, 0);
  sRight = std::min<std::int64_t>(sRight, source.width);
  sBottom = std::min<std::int64_t>(sBottom, source.height);
  // What the source cut off its left and bottom moves the destination with it,
  // so that every pixel still lands where it would have unclipped.
  dLeft = x + (sLeft - r.left);
  dBottom = y + (sBottom - r.top);

  // Rows are handed over counted from the opposite end, as in a bottom-up bitmap.
  x = static_cast<std::int32_t>(dLeft);
  y = static_cast<std::int32_t>(height - dBottom);
  r = {static_cast<std::int32_t>(sLeft), static_cast<std::int32_t>(source.height - sBottom),
       static_cast<std::int32_t>(sRight), static_cast<std::int32_t>(source.height - sTop)};
  return true;
}

int FrameImage::Transfer(PixelKernel kernel, FrameImage* source, const Rect* srcRect,
                         std::int32_t x, std::int32_t y, std::uintptr_t a, std::uintptr_t b) {
  if (source == nullptr) return 0;
  Rect r = srcRect != nullptr ? *srcRect : Rect{0, 0, source->width, source->height};
  if (!Clip(*source, r, x, y) || kernel == nullptr) return 0;
  return kernel(pixels, source->pixels, &r, x, y, BytesPerPixel(), source->BytesPerPixel(), stride,
                source->stride, a, b);
}

int FrameImage::TransferRects(RectKernel kernel, FrameImage* source, const Rect* srcRect,
                              const Rect* dstRect, std::uintptr_t a, std::uintptr_t b) {
  if (source == nullptr || kernel == nullptr) return 0;
  Rect dst = dstRect != nullptr ? *dstRect : Rect{0, 0, width, height};
  Rect src = srcRect != nullptr ? *srcRect : Rect{0, 0, source->width, source->height};
  return kernel(pixels, source->pixels, &dst, &src, width, height, source->width, source->height,
                BytesPerPixel(), source->BytesPerPixel(), stride, source->stride, a, b);
}

}  // namespace kelvo
