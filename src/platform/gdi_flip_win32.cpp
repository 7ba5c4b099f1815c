#include "platform/gdi_flip.h"
#include "platform/win32.h"

namespace kelvo::platform {

bool FlipBlit(void* destinationDC, void* sourceDC, std::int32_t width, std::int32_t height) {
  if (destinationDC == nullptr || sourceDC == nullptr) return false;
  // A negative source extent mirrors from the origin row downwards, origin
  // included, so the origin is the last row: with the origin one further out
  // the picture would come out shifted by a row.
  if (!StretchBlt(static_cast<HDC>(destinationDC), 0, 0, width, height, static_cast<HDC>(sourceDC),
                  0, height - 1, width, -height, SRCCOPY)) {
    return false;
  }
  // The caller reads the DIB section's bits next: batched GDI work must be done by then.
  GdiFlush();
  return true;
}

}  // namespace kelvo::platform
