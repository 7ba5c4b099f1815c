/* Two Q12 cameras at once, each live in a window of its own: one handle per
   camera (Kelvo_Initialize twice, the second moved to device 1 with
   Kelvo_SetDeviceNumber), each previewing into a child of its window, each
   window counting its camera's frames in its caption. Both run on this one
   thread, which owns both preview windows and dispatches their messages.

   two_cameras [--seconds n]   --seconds ends the program after n seconds
                               (for demonstrations and tests) and prints
                               what each camera delivered. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "KelvoSdk_Q12.h"
#include "error_names.h"
#include "window_class.h"

#define CAMERAS 2
#define PICTURE_WIDTH 480
#define PICTURE_HEIGHT 360
/* Room for one frame of the largest mode, 1280 x 960 at 64 bits. */
#define PICTURE_BYTES (1280 * 960 * 8)

enum { kQuitTimer = 1, kCaptionTimer = 2 };

typedef struct CameraWindow {
  HWND window;
  KelvoHandle camera;
  int device;
  int live;
  long frames;
  int frameRate; /* tenths of frames per second */
  int lastError;
  unsigned char* picture;
} CameraWindow;

static CameraWindow views[CAMERAS];
static int openWindows;

static CameraWindow* ViewOf(HWND window) {
  return (CameraWindow*)GetWindowLongPtrA(window, GWLP_USERDATA);
}

static void ShowCaption(const CameraWindow* view) {
  char text[160];
  if (view->live) {
    sprintf(text, "Q12 camera %d: %ld frames, %d.%d frames/s", view->device + 1, view->frames,
            view->frameRate / 10, view->frameRate % 10);
  } else {
    sprintf(text, "Q12 camera %d: not live, last error %d (%s)", view->device + 1,
            view->lastError, KelvoErrorName(view->lastError));
  }
  SetWindowTextA(view->window, text);
}

/* The SDK's preview window is this window's only child; it follows the size. */
static void FitPreview(const CameraWindow* view) {
  RECT client;
  HWND preview = GetWindow(view->window, GW_CHILD);
  GetClientRect(view->window, &client);
  if (preview != NULL) MoveWindow(preview, 0, 0, client.right, client.bottom, TRUE);
}

static void StartCamera(CameraWindow* view) {
  RECT client;
  view->camera = Kelvo_Initialize(view->window);
  if (view->camera == 0) return;
  if (view->device != 0 && !Kelvo_SetDeviceNumber(view->camera, view->device)) {
    ShowCaption(view); /* the error notice arrives and names the cause */
    return;
  }
  GetClientRect(view->window, &client);
  Kelvo_SetPreviewWindow(view->camera, view->window, 0, 0, client.right, client.bottom);
  view->live = Kelvo_CallBackPreview(view->camera, view->window, view->picture, PICTURE_BYTES, 1);
  ShowCaption(view);
}

static LRESULT CALLBACK CameraWindowProc(HWND window, UINT message, WPARAM wParam,
                                         LPARAM lParam) {
  CameraWindow* view = ViewOf(window);
  if (view == NULL) return DefWindowProcA(window, message, wParam, lParam);
  switch (message) {
    case KELVO_MSG_FRAME:
      if (wParam != 0) {
        ++view->frames;
        view->frameRate = ((const FrameInfo*)wParam)->frameRate;
      } else if (lParam == KELVO_ERR_TRANSFER_STOPPED) {
        view->live = 0;
      }
      return 0;
    case KELVO_MSG_ERROR:
      view->lastError = (int)lParam;
      ShowCaption(view);
      return 0;
    case WM_TIMER:
      if (wParam == kQuitTimer) DestroyWindow(window);
      if (wParam == kCaptionTimer) ShowCaption(view);
      return 0;
    case WM_SIZE:
      FitPreview(view);
      return 0;
    case WM_DESTROY:
      /* The thread that started the preview closes it, before its window goes. */
      Kelvo_Close(view->camera);
      if (--openWindows == 0) PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

static void OpenCameraWindow(CameraWindow* view, HINSTANCE instance, int device, int show) {
  RECT frame = {0, 0, PICTURE_WIDTH, PICTURE_HEIGHT};
  AdjustWindowRect(&frame, WS_OVERLAPPEDWINDOW, FALSE);
  view->device = device;
  view->picture = (unsigned char*)malloc(PICTURE_BYTES);
  view->window = CreateWindowExA(0, "KelvoTwoCameras", "Q12 camera",
                                 WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN,
                                 device * (frame.right - frame.left), 0, frame.right - frame.left,
                                 frame.bottom - frame.top, NULL, NULL, instance, NULL);
  SetWindowLongPtrA(view->window, GWLP_USERDATA, (LONG_PTR)view);
  ++openWindows;
  ShowWindow(view->window, show);
  UpdateWindow(view->window);
  if (view->picture != NULL) StartCamera(view);
  SetTimer(view->window, kCaptionTimer, 500, NULL);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  MSG message;
  int seconds = 0, i, failed = 0;
  const char* option = strstr(commandLine, "--seconds");
  (void)previous;
  if (option != NULL) seconds = atoi(option + strlen("--seconds"));

  KelvoRegisterWindowClass("KelvoTwoCameras", CameraWindowProc, instance,
                           (HBRUSH)GetStockObject(BLACK_BRUSH));
  for (i = 0; i < CAMERAS; ++i) {
    OpenCameraWindow(&views[i], instance, i, show);
    if (seconds > 0) SetTimer(views[i].window, kQuitTimer, (UINT)seconds * 1000, NULL);
  }

  while (GetMessageA(&message, NULL, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  for (i = 0; i < CAMERAS; ++i) {
    printf("two_cameras: camera %d: %ld frames at %d.%d frames/s, last error %d (%s)\n",
           views[i].device + 1, views[i].frames, views[i].frameRate / 10,
           views[i].frameRate % 10, views[i].lastError, KelvoErrorName(views[i].lastError));
    if (views[i].frames == 0) failed = 1;
    Kelvo_Release(views[i].camera);
    free(views[i].picture);
  }
  fflush(stdout);
  return failed;
}
