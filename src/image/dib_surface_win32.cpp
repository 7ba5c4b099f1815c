#include <cstring>

#include "image/dib_surface.h"
#include "platform/win32.h"

namespace kelvo::gdi {
namespace {

struct BitmapInfo256 {
  BITMAPINFOHEADER header;
  RGBQUAD colors[256];
};

}  // namespace

DibResult CreateDibSurface(const BitmapInfoHeader& header, const ColorTable& colors,
                           DibSurface& out) {
  BitmapInfo256 info;
  static_assert(sizeof(info.header) == sizeof(header));
  std::memcpy(&info.header, &header, sizeof header);
  std::memcpy(info.colors, colors.data(), sizeof info.colors);

  void* bits = nullptr;
  HBITMAP section = CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS,
                                     &bits, nullptr, 0);
  if (section == nullptr || bits == nullptr) {
    if (section != nullptr) DeleteObject(section);
    return DibResult::Refused;
  }
  HDC dc = CreateCompatibleDC(nullptr);
  HGDIOBJ previous = dc != nullptr ? SelectObject(dc, section) : nullptr;
  if (previous == nullptr || previous == HGDI_ERROR) {
    if (dc != nullptr) DeleteDC(dc);
    DeleteObject(section);
    return DibResult::Failed;
  }
  out = {dc, section, previous, static_cast<std::uint8_t*>(bits)};
  return DibResult::Created;
}

void DestroyDibSurface(DibSurface& surface) {
  if (surface.dibSection != nullptr) {
    SelectObject(static_cast<HDC>(surface.memoryDC), static_cast<HGDIOBJ>(surface.previousBitmap));
    DeleteObject(static_cast<HGDIOBJ>(surface.dibSection));
  }
  if (surface.memoryDC != nullptr) DeleteDC(static_cast<HDC>(surface.memoryDC));
  surface = {};
}

void SetDibColors(void* memoryDC, int first, int count, const RgbQuad* colors) {
  static_assert(sizeof(RgbQuad) == sizeof(RGBQUAD));
  SetDIBColorTable(static_cast<HDC>(memoryDC), static_cast<UINT>(first), static_cast<UINT>(count),
                   reinterpret_cast<const RGBQUAD*>(colors));
}

bool GetDibColors(void* memoryDC, ColorTable& colors) {
  ColorTable read;
  if (GetDIBColorTable(static_cast<HDC>(memoryDC), 0, 256,
                       reinterpret_cast<RGBQUAD*>(read.data())) != 256) {
    return false;
  }
  colors = read;
  return true;
}

}  // namespace kelvo::gdi
