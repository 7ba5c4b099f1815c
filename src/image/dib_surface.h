// GDI storage of a FrameImage: a DIB section selected into a memory DC.
// Where there is no GDI every request is refused and images live on the heap.
#pragma once

#include <cstdint>

#include "image/frame_image.h"

namespace kelvo::gdi {

struct DibSurface {
  void* memoryDC = nullptr;
  void* dibSection = nullptr;
  void* previousBitmap = nullptr;
  std::uint8_t* bits = nullptr;
};

enum class DibResult { Created, Refused, Failed };

// Refused: GDI gave no DIB section (always at 48 and 64 bits); Failed: the
// section came but the DC or selection did not, and nothing is left over.
DibResult CreateDibSurface(const BitmapInfoHeader& header, const ColorTable& colors,
                           DibSurface& out);
void DestroyDibSurface(DibSurface& surface);
void SetDibColors(void* memoryDC, int first, int count, const RgbQuad* colors);
// The DIB section's own 256 entries; false where there is none to read.
bool GetDibColors(void* memoryDC, ColorTable& colors);

}  // namespace kelvo::gdi
