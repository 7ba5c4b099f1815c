/* The Q12 SDK in a Windows program: a live picture from the camera in the
   viewer's window, the SDK's three settings dialogs, a snapshot that holds
   the picture and Save As in any of the SDK's file formats, a choice of
   camera when several are attached, and a status bar with the frame rate,
   the frame count and the last error notice.

   viewer [--seconds n]   --seconds ends the viewer after n seconds (for
                          demonstrations and tests) and prints what it saw. */
/* windows.h first; the common dialogs are left out of a lean one. */
/* clang-format off */
#undef WIN32_LEAN_AND_MEAN
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>
/* clang-format on */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "KelvoSdk_Q12.h"
#include "error_names.h"

#define PICTURE_WIDTH 640
#define PICTURE_HEIGHT 480
#define MAX_CAMERAS 8

enum {
  kMenuSaveAs = 100,
  kMenuSnapshot,
  kMenuLive,
  kMenuExit,
  kMenuCameraDialog,
  kMenuImageDialog,
  kMenuAnalogDialog,
  kMenuCamera0 = 200, /* kMenuCamera0 + i selects camera i */
  kStatusBar = 300,
  kQuitTimer = 1,
  kStatusTimer = 2
};

#define kViewerStyle (WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN)

static struct {
  HWND window;
  HWND status;
  HMENU cameraMenu;
  KelvoHandle camera;
  int cameras;
  int selected;
  int live;
  long frames;
  int frameRate; /* tenths of frames per second, as the SDK measures it */
  int lastError;
  unsigned char picture[1280 * 960 * 3];
} viewer;

/* ---- status bar */

static void ShowStatus(void) {
  char text[96];
  if (viewer.cameras == 0) {
    strcpy(text, "no camera");
  } else {
    sprintf(text, "camera %d of %d%s", viewer.selected + 1, viewer.cameras,
            viewer.live ? "" : " (held)");
  }
  SendMessageA(viewer.status, SB_SETTEXTA, 0, (LPARAM)text);
  sprintf(text, "%d.%d frames/s", viewer.frameRate / 10, viewer.frameRate % 10);
  SendMessageA(viewer.status, SB_SETTEXTA, 1, (LPARAM)text);
  sprintf(text, "%ld frames", viewer.frames);
  SendMessageA(viewer.status, SB_SETTEXTA, 2, (LPARAM)text);
  sprintf(text, "last error: %d (%s)", viewer.lastError, KelvoErrorName(viewer.lastError));
  SendMessageA(viewer.status, SB_SETTEXTA, 3, (LPARAM)text);
}

/* ---- the live picture */

static void StartLive(void) {
  Kelvo_SetPreviewWindow(viewer.camera, viewer.window, 0, 0, PICTURE_WIDTH, PICTURE_HEIGHT);
  viewer.live =
      Kelvo_CallBackPreview(viewer.camera, viewer.window, viewer.picture, sizeof viewer.picture, 1);
  ShowStatus();
}

/* Stops the stream; the last frame stays in the SDK for Save As. */
static void HoldPicture(void) {
  Kelvo_StopPreview(viewer.camera);
  viewer.live = 0;
  ShowStatus();
}

static void SelectCamera(int index) {
  int i;
  Kelvo_Close(viewer.camera);
  viewer.live = 0;
  if (Kelvo_SetDeviceNumber(viewer.camera, index)) viewer.selected = index;
  for (i = 0; i < viewer.cameras; ++i) {
    CheckMenuItem(viewer.cameraMenu, kMenuCamera0 + i,
                  MF_BYCOMMAND | (i == viewer.selected ? MF_CHECKED : MF_UNCHECKED));
  }
  viewer.frames = 0;
  viewer.frameRate = 0;
  StartLive();
}

/* ---- Save As */

static const struct {
  const char* filter; /* description, then pattern */
  const char* extension;
  int format;
} kSaveFormats[] = {{"PNG picture\0*.png\0", "png", KELVO_SAVE_PNG},
                    {"Bitmap\0*.bmp\0", "bmp", KELVO_SAVE_BMP},
                    {"JPEG, quality 100\0*.jpg\0", "jpg", KELVO_SAVE_JPEG_HIGH},
                    {"JPEG, quality 70\0*.jpg\0", "jpg", KELVO_SAVE_JPEG_MEDIUM},
                    {"JPEG, quality 20\0*.jpg\0", "jpg", KELVO_SAVE_JPEG_LOW},
                    {"TIFF\0*.tif\0", "tif", KELVO_SAVE_TIFF},
                    {"Raw pixels, no header\0*.raw\0", "raw", KELVO_SAVE_RAW}};
#define SAVE_FORMATS (sizeof kSaveFormats / sizeof kSaveFormats[0])

static void SaveAs(void) {
  static char filters[512];
  char path[MAX_PATH] = "";
  OPENFILENAMEA dialog;
  size_t used = 0;
  size_t i;
  int choice;
  for (i = 0; i < SAVE_FORMATS; ++i) {
    /* Each filter is two strings with their own terminators. */
    size_t part = strlen(kSaveFormats[i].filter) + 1;
    part += strlen(kSaveFormats[i].filter + part) + 1;
    memcpy(filters + used, kSaveFormats[i].filter, part);
    used += part;
  }
  filters[used] = '\0';
  memset(&dialog, 0, sizeof dialog);
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = viewer.window;
  dialog.lpstrFilter = filters;
  dialog.nFilterIndex = 1;
  dialog.lpstrFile = path;
  dialog.nMaxFile = sizeof path;
  dialog.lpstrDefExt = "png";
  dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetSaveFileNameA(&dialog)) return;
  choice = dialog.nFilterIndex >= 1 && dialog.nFilterIndex <= (DWORD)SAVE_FORMATS
               ? (int)dialog.nFilterIndex - 1
               : 0;
  if (!Kelvo_SaveImage(viewer.camera, path, kSaveFormats[choice].format)) {
    MessageBoxA(viewer.window, "The picture could not be saved.", "Save As",
                MB_OK | MB_ICONWARNING);
  }
}

/* ---- the window */

static HMENU BuildMenu(void) {
  static char names[KELVO_DEVICE_NAME_SLOTS * KELVO_DEVICE_NAME_SLOT];
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  HMENU settings = CreatePopupMenu();
  int i;
  AppendMenuA(file, MF_STRING, kMenuSnapshot, "&Snapshot (hold the picture)\tSpace");
  AppendMenuA(file, MF_STRING, kMenuLive, "&Live");
  AppendMenuA(file, MF_STRING, kMenuSaveAs, "Save &As...\tCtrl+S");
  AppendMenuA(file, MF_SEPARATOR, 0, NULL);
  AppendMenuA(file, MF_STRING, kMenuExit, "E&xit");
  AppendMenuA(bar, MF_POPUP, (UINT_PTR)file, "&File");

  viewer.cameraMenu = CreatePopupMenu();
  viewer.cameras = Kelvo_EnumDevice(viewer.camera, names);
  if (viewer.cameras > MAX_CAMERAS) viewer.cameras = MAX_CAMERAS;
  for (i = 0; i < viewer.cameras; ++i) {
    AppendMenuA(viewer.cameraMenu, MF_STRING | (i == 0 ? MF_CHECKED : 0), kMenuCamera0 + i,
                names + i * KELVO_DEVICE_NAME_SLOT);
  }
  if (viewer.cameras == 0) AppendMenuA(viewer.cameraMenu, MF_GRAYED, 0, "(no camera)");
  AppendMenuA(bar, MF_POPUP | (viewer.cameras > 1 ? 0 : MF_GRAYED), (UINT_PTR)viewer.cameraMenu,
              "&Camera");

  AppendMenuA(settings, MF_STRING, kMenuCameraDialog, "&Camera format...");
  AppendMenuA(settings, MF_STRING, kMenuImageDialog, "&Image...");
  AppendMenuA(settings, MF_STRING, kMenuAnalogDialog, "&Analog...");
  AppendMenuA(bar, MF_POPUP, (UINT_PTR)settings, "&Settings");
  return bar;
}

static void OnCommand(int command) {
  switch (command) {
    case kMenuSnapshot:
      HoldPicture();
      break;
    case kMenuLive:
      if (!viewer.live) {
        Kelvo_Close(viewer.camera);
        StartLive();
      }
      break;
    case kMenuSaveAs:
      SaveAs();
      break;
    case kMenuExit:
      DestroyWindow(viewer.window);
      break;
    case kMenuCameraDialog:
      Kelvo_SetCameraDlg(viewer.camera, viewer.window);
      break;
    case kMenuImageDialog:
      Kelvo_SetImageDlg(viewer.camera, viewer.window);
      break;
    case kMenuAnalogDialog:
      Kelvo_SetAnalogDlg(viewer.camera, viewer.window);
      break;
    default:
      if (command >= kMenuCamera0 && command < kMenuCamera0 + viewer.cameras) {
        SelectCamera(command - kMenuCamera0);
      }
  }
}

/* At the bottom of the client area, at its own height. */
static void PlaceStatusBar(int clientWidth, int clientHeight) {
  RECT bar;
  if (viewer.status == NULL) return;
  GetWindowRect(viewer.status, &bar);
  MoveWindow(viewer.status, 0, clientHeight - (bar.bottom - bar.top), clientWidth,
             bar.bottom - bar.top, TRUE);
}

static LRESULT CALLBACK ViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case KELVO_MSG_FRAME:
      if (wParam != 0) {
        ++viewer.frames;
        viewer.frameRate = ((const FrameInfo*)wParam)->frameRate;
      } else {
        viewer.lastError = (int)lParam; /* the frame failed; lParam says why */
      }
      return 0;
    case KELVO_MSG_ERROR:
      viewer.lastError = (int)lParam;
      ShowStatus();
      return 0;
    case WM_TIMER:
      if (wParam == kQuitTimer) DestroyWindow(window);
      if (wParam == kStatusTimer) ShowStatus();
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      return 0;
    case WM_SIZE:
      PlaceStatusBar(LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

static HWND CreateViewerWindow(HINSTANCE instance) {
  static const int parts[] = {150, 270, 390, -1};
  WNDCLASSA windowClass;
  HWND window;
  memset(&windowClass, 0, sizeof windowClass);
  windowClass.lpfnWndProc = ViewerProc;
  windowClass.hInstance = instance;
  windowClass.hCursor = LoadCursor(NULL, IDC_ARROW);
  windowClass.hbrBackground = (HBRUSH)GetStockObject(BLACK_BRUSH);
  windowClass.lpszClassName = "KelvoViewer";
  RegisterClassA(&windowClass);
  window = CreateWindowExA(0, "KelvoViewer", "Q12 viewer", kViewerStyle, 0, 0, 100, 100, NULL, NULL,
                           instance, NULL);
  viewer.status = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0,
                                  window, (HMENU)kStatusBar, instance, NULL);
  SendMessageA(viewer.status, SB_SETPARTS, 4, (LPARAM)parts);
  return window;
}

/* Sizes the window, once it has its menu, to the picture and the status bar below it. */
static void FitWindow(void) {
  RECT frame = {0, 0, PICTURE_WIDTH, PICTURE_HEIGHT};
  RECT bar;
  GetWindowRect(viewer.status, &bar);
  frame.bottom += bar.bottom - bar.top;
  AdjustWindowRect(&frame, kViewerStyle, TRUE);
  SetWindowPos(viewer.window, NULL, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOZORDER);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  INITCOMMONCONTROLSEX controls;
  HACCEL keys;
  ACCEL shortcuts[2];
  MSG message;
  int seconds = 0;
  const char* option = strstr(commandLine, "--seconds");
  (void)previous;
  if (option != NULL) seconds = atoi(option + strlen("--seconds"));

  /* The dialogs use the tab, trackbar and up-down controls. */
  controls.dwSize = sizeof controls;
  controls.dwICC = ICC_BAR_CLASSES | ICC_TAB_CLASSES | ICC_UPDOWN_CLASS | ICC_WIN95_CLASSES;
  InitCommonControlsEx(&controls);

  viewer.window = CreateViewerWindow(instance);
  viewer.camera = Kelvo_Initialize(viewer.window);
  if (viewer.camera == 0) {
    MessageBoxA(NULL, "The SDK could not create a camera (out of memory).", "Q12 viewer", MB_OK);
    return 1;
  }
  SetMenu(viewer.window, BuildMenu());
  FitWindow();
  ShowWindow(viewer.window, show);
  UpdateWindow(viewer.window);
  StartLive();
  SetTimer(viewer.window, kStatusTimer, 250, NULL);
  if (seconds > 0) SetTimer(viewer.window, kQuitTimer, (UINT)seconds * 1000, NULL);

  shortcuts[0].fVirt = FVIRTKEY;
  shortcuts[0].key = VK_SPACE;
  shortcuts[0].cmd = kMenuSnapshot;
  shortcuts[1].fVirt = FVIRTKEY | FCONTROL;
  shortcuts[1].key = 'S';
  shortcuts[1].cmd = kMenuSaveAs;
  keys = CreateAcceleratorTableA(shortcuts, 2);
  while (GetMessageA(&message, NULL, 0, 0) > 0) {
    if (TranslateAcceleratorA(viewer.window, keys, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  DestroyAcceleratorTable(keys);
  Kelvo_Close(viewer.camera);
  printf("viewer: camera %d of %d, %ld frames at %d.%d frames/s, last error %d (%s)\n",
         viewer.selected + 1, viewer.cameras, viewer.frames, viewer.frameRate / 10,
         viewer.frameRate % 10, viewer.lastError, KelvoErrorName(viewer.lastError));
  fflush(stdout);
  Kelvo_Release(viewer.camera);
  return 0;
}
