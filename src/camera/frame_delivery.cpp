#include "camera/frame_delivery.h"

#include <cstring>

#include "image/frame_image.h"

namespace kelvo {
namespace {

// Moves stored row r from r x packed bytes to r x stride, from the last row
// down, so that no row is overwritten before it has moved.
int RespreadRows(std::uint8_t* dst, std::uint8_t* /*src*/, const Rect* srcRect, std::int32_t,
                 std::int32_t, std::uint16_t bytesPerPixel, std::uint16_t, std::int32_t stride,
                 std::int32_t, std::uintptr_t, std::uintptr_t) {
  const std::int32_t packed = (srcRect->right - srcRect->left) * bytesPerPixel;
  for (std::int32_t row = srcRect->bottom - srcRect->top - 1; row > 0; --row) {
    std::memmove(dst + static_cast<std::intptr_t>(row) * stride,
                 dst + static_cast<std::intptr_t>(row) * packed, packed);
  }
  return 1;
}

}  // namespace

void Respread(FrameImage& raw) {
  if (raw.bitCount != 8 && raw.bitCount != 16) return;
  if (raw.width * raw.BytesPerPixel() == raw.stride) return;
  raw.Transfer(RespreadRows, &raw, nullptr, 0, 0, 0, 0);
}

std::int64_t CopyOutBytes(const FrameImage& image) {
  return static_cast<std::int64_t>(image.stride) * image.height;
}

bool CopyOut(const FrameImage& image, int memoryOrder, void* buffer, std::int32_t size) {
  if (buffer == nullptr || image.pixels == nullptr || CopyOutBytes(image) > size) return false;
  auto* out = static_cast<std::uint8_t*>(buffer);
  for (std::int32_t r = 0; r < image.height; ++r) {
    std::int32_t stored = memoryOrder == 0 ? image.height - 1 - r : r;
    std::memcpy(out + static_cast<std::intptr_t>(r) * image.stride, image.Row(stored),
                image.stride);
  }
  return true;
}

}  // namespace kelvo
