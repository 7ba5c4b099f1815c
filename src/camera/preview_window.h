// The preview window of a camera: its window class and window, created and
// destroyed on the application's thread, and the drawing of one frame into
// it, done by the worker. Where there are no windows creation fails and the
// rest does nothing.
#pragma once

#include <array>
#include <cstdint>

#include "platform/notices.h"

namespace kelvo {

class Camera;
class FrameImage;

using platform::WindowHandle;

// Registers a class of its own (named into camera.windowClassName) and
// creates the window: with a parent a child at (x, y, width, height) with
// id 6540, without one a top-level window centred on the primary screen
// whose client area is the camera's image size after sub-sampling. Focused,
// shown and updated. Null when any step fails; a class registered before
// the failure stays registered under camera.windowClassName.
WindowHandle CreatePreviewWindow(Camera& camera, WindowHandle parent, int x, int y, int width,
                                 int height);
// The window's device context (HDC), null when there is none.
void* GetPreviewDC(WindowHandle window);
void ReleasePreviewDC(WindowHandle window, void* dc);
void DestroyPreviewWindow(WindowHandle window);
// Unregisters the class from the executable's module; a name never
// registered (or empty) is harmless.
void UnregisterPreviewClass(const char* className);

// Tests where there are no windows: classes, windows and device contexts kept
// in memory (frames drawn into memory), so the window paths can run. Switching
// forgets everything the stand-in held. Does nothing where windows exist.
void UseWindowStandInForTesting(bool on);
struct WindowStandInCounts {
  int classes = 0;
  int windows = 0;
  int dcs = 0;
  int draws = 0;  // frames drawn into the device contexts still held
};
WindowStandInCounts CountStandInWindowsForTesting();
// Window creation takes this long, as it may on a busy desktop, so that what
// runs meanwhile can be seen.
void DelayStandInWindowsForTesting(int milliseconds);

// True, with the client size, when the window is visible and its client
// area is not empty: only then is there anything to draw into.
bool PreviewClientSize(WindowHandle window, int* width, int* height);

// What the worker draws with, fixed when acquisition was prepared: images[m]
// is colour mode m's image (8, 16, 24, 32, 48, 64 bits), display the image a
// frame is scaled into when the client area is not the image's size.
struct PreviewTarget {
  WindowHandle window = nullptr;
  void* dc = nullptr;
  std::int32_t colorMode = 0;
  std::array<FrameImage*, 6> images = {};
  FrameImage* display = nullptr;
};

// Brings the colour mode's image to 8 or 24 bits where needed and draws it,
// stored row 0 at the top: unscaled when the client area has the image's
// size (never in colour mode 1), otherwise scaled into display, which is
// re-made at the client size when it differs. Nothing is drawn into an
// invisible or empty window or without a device context; GDI results are
// not examined.
void DrawFrame(const PreviewTarget& target);

}  // namespace kelvo
