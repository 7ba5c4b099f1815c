#include "camera/preview_window.h"

#include <array>
#include <cstdio>
#include <cstdlib>

#include "camera/camera.h"
#include "camera/preview_window_gdi.h"
#include "image/frame_image.h"
#include "platform/clock.h"
#include "platform/gdi_flip.h"
#include "processing/display_kernels.h"

namespace kelvo {
namespace {

// How each colour mode reaches the window: the mode whose image is drawn, the
// kernel that fills that image from the mode's own (none when it is the same
// image), the scaling kernel and depth of the display image, and whether the
// frame is scaled even when the client area has the image's size.
struct DisplayRoute {
  std::int32_t shownMode;
  PixelKernel toShown;
  RectKernel scale;
  std::uint16_t displayBits;
  bool alwaysScaled;
};

constexpr std::array<DisplayRoute, 6> kDisplayRoutes = {{
    {0, nullptr, ScaleNearest8, 8, false},
    {0, Convert16To8, ScaleNearest8, 8, true},
    {2, nullptr, ScaleNearest24, 24, false},
    {2, Convert32To24, ScaleNearest24, 24, false},
    {2, ConvertWideTo24, ScaleNearest24, 24, false},
    {2, ConvertWideTo24, ScaleNearest24, 24, false},
}};

// Sub-sampling 1, 2 and 3 halve the image once, twice and three times.
std::int32_t SubSampled(std::int32_t size, std::int32_t subSample) {
  return subSample >= 1 && subSample <= 3 ? size / (1 << subSample) : size;
}

// A fresh name per window: the camera's address keeps two cameras apart, the
// random and time part two windows of one camera.
void NameWindowClass(Camera& camera) {
  const auto address = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&camera));
  const std::uint32_t salt = static_cast<std::uint32_t>(std::rand()) + platform::MultimediaTime();
  std::snprintf(camera.windowClassName, sizeof camera.windowClassName, "VideoRenderer_%08x_%08x",
                static_cast<unsigned>(address), static_cast<unsigned>(salt));
}

// Grey frames reach GDI with the grey ramp whatever the image's own colour
// table; colour frames are blitted upside down from their memory DC.
void DrawUnscaled(const PreviewTarget& target, const DisplayRoute& route, FrameImage& source) {
  if (route.displayBits == 8) {
    gdi::DrawDib(target.dc, source, gdi::DibRows::TopDown);
  } else {
    platform::FlipBlit(target.dc, source.memoryDC, source.width, source.height);
  }
}

// The scaling kernels reverse the rows, so the bottom-up display image shows
// the source's stored row 0 at the top.
void DrawScaled(const PreviewTarget& target, const DisplayRoute& route, FrameImage& source,
                int clientWidth, int clientHeight) {
  FrameImage* display = target.display;
  if (display == nullptr) return;
  if (display->width != clientWidth || display->height != clientHeight ||
      display->bitCount != route.displayBits) {
    display->Create(clientWidth, clientHeight, route.displayBits);
  }
  if (display->pixels == nullptr) return;  // not made: this frame shows nothing
  display->TransferRects(route.scale, &source, nullptr, nullptr, 0, 0);
  gdi::DrawDib(target.dc, *display, gdi::DibRows::BottomUp);
}

}  // namespace

WindowHandle CreatePreviewWindow(Camera& camera, WindowHandle parent, int x, int y, int width,
                                 int height) {
  NameWindowClass(camera);
  const char* className = camera.windowClassName;
  if (!gdi::RegisterWindowClass(className)) return nullptr;
  WindowHandle window =
      parent != nullptr
          ? gdi::CreateChildWindow(className, parent, x, y, width, height)
          : gdi::CreateCentredWindow(className, SubSampled(camera.width, camera.subSample),
                                     SubSampled(camera.height, camera.subSample));
  if (window == nullptr) return nullptr;
  if (!gdi::FocusShowUpdate(window)) {
    // The caller keeps no window it was not given, so none may stay behind.
    DestroyPreviewWindow(window);
    return nullptr;
  }
  return window;
}

void DrawFrame(const PreviewTarget& target) {
  if (target.colorMode < 0 ||
      target.colorMode >= static_cast<std::int32_t>(kDisplayRoutes.size())) {
    return;
  }
  const DisplayRoute& route = kDisplayRoutes[target.colorMode];
  FrameImage* own = target.images[target.colorMode];
  FrameImage* source = target.images[route.shownMode];
  if (own == nullptr || source == nullptr) return;
  if (route.toShown != nullptr) source->Transfer(route.toShown, own, nullptr, 0, 0, 0, 0);
  if (source->pixels == nullptr) return;

  int clientWidth = 0;
  int clientHeight = 0;
  if (!PreviewClientSize(target.window, &clientWidth, &clientHeight) || target.dc == nullptr) {
    return;
  }
  if (!route.alwaysScaled && clientWidth == source->width && clientHeight == source->height) {
    DrawUnscaled(target, route, *source);
  } else {
    DrawScaled(target, route, *source, clientWidth, clientHeight);
  }
}

}  // namespace kelvo
