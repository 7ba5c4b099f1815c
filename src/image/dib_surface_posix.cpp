#include "image/dib_surface.h"

namespace kelvo::gdi {

DibResult CreateDibSurface(const BitmapInfoHeader&, const ColorTable&, DibSurface&) {
  return DibResult::Refused;
}

void DestroyDibSurface(DibSurface& surface) { surface = {}; }

void SetDibColors(void*, int, int, const RgbQuad*) {}

bool GetDibColors(void*, ColorTable&) { return false; }

}  // namespace kelvo::gdi
