// The USER and GDI calls behind the preview window. Where there are no
// windows they refuse (and draw nothing), so creating a preview fails.
#pragma once

#include "camera/preview_window.h"

namespace kelvo::gdi {

// The preview class: default window procedure, arrow cursor, black background.
bool RegisterWindowClass(const char* className);
WindowHandle CreateChildWindow(const char* className, WindowHandle parent, int x, int y, int width,
                               int height);
// A top-level window whose client area is clientWidth x clientHeight, centred
// on the primary screen.
WindowHandle CreateCentredWindow(const char* className, int clientWidth, int clientHeight);
// Keyboard focus, shown, painted once; false when painting failed.
bool FocusShowUpdate(WindowHandle window);

enum class DibRows { TopDown, BottomUp };
// The image's pixels unscaled at (0, 0) of dc, read in the given row order,
// through the grey ramp at 8 bits.
void DrawDib(void* dc, const FrameImage& image, DibRows rows);

}  // namespace kelvo::gdi
