#include "window_class.h"

#include <string.h>

void KelvoRegisterWindowClass(const char* name, WNDPROC procedure, HINSTANCE instance,
                              HBRUSH background) {
  WNDCLASSA windowClass;
  memset(&windowClass, 0, sizeof windowClass);
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
  windowClass.hbrBackground = background;
  windowClass.lpszClassName = name;
  RegisterClassA(&windowClass);
}
