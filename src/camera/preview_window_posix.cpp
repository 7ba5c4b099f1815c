// No windows here: a preview cannot be shown, and everything that would touch
// one does nothing.
#include "camera/preview_window.h"
#include "camera/preview_window_gdi.h"

namespace kelvo {

void* GetPreviewDC(WindowHandle /*window*/) { return nullptr; }
void ReleasePreviewDC(WindowHandle /*window*/, void* /*dc*/) {}
void DestroyPreviewWindow(WindowHandle /*window*/) {}
void UnregisterPreviewClass(const char* /*className*/) {}
bool PreviewClientSize(WindowHandle /*window*/, int* /*width*/, int* /*height*/) { return false; }

namespace gdi {

bool RegisterWindowClass(const char* /*className*/) { return false; }
WindowHandle CreateChildWindow(const char* /*className*/, WindowHandle /*parent*/, int /*x*/,
                               int /*y*/, int /*width*/, int /*height*/) {
  return nullptr;
}
WindowHandle CreateCentredWindow(const char* /*className*/, int /*clientWidth*/,
                                 int /*clientHeight*/) {
  return nullptr;
}
bool FocusShowUpdate(WindowHandle /*window*/) { return false; }
void DrawDib(void* /*dc*/, const FrameImage& /*image*/, DibRows /*rows*/) {}

}  // namespace gdi
}  // namespace kelvo
