/* The Q12 SDK in a Windows program: a live picture from the camera in a
   resizable window, fitted or at 1:1 with the pixel value under the cursor,
   a live histogram, the exposure and gain in force, the SDK's three settings
   dialogs, a snapshot that holds the picture and Save As in any of the SDK's
   file formats, a choice of camera when several are attached, and a status
   bar with the state, the frame rate, the frame and dropped-frame counts and
   the last error notice. When the stream stops (Err 13: a transfer failed or
   the camera went away) the viewer says so, and File > Live starts it again.

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
#include "frame_pixels.h"
#include "histogram_view.h"
#include "viewer_ids.h"
#include "window_class.h"

#define MAX_CAMERAS 8
#define PANEL_WIDTH 276
#define HISTOGRAM_HEIGHT 150
#define TEXT_HEIGHT 20
#define MARGIN 8
/* Room for the largest frame the SDK delivers: 1280 x 960 at 64 bits. */
#define PICTURE_BYTES (1280 * 960 * 8)

enum { kQuitTimer = 1, kStatusTimer = 2, kStatusPeriodMs = 250, kSensorEveryTicks = 4 };

typedef enum ViewerState { kNoCamera, kLive, kHeld, kStopped, kStartFailed } ViewerState;

#define kViewerStyle (WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN)

static struct {
  HWND window;
  HWND status;
  HWND pane; /* parent of the SDK's preview window */
  HWND histogram;
  HMENU cameraMenu;
  HMENU viewMenu;
  KelvoHandle camera;
  int cameras;
  int selected;
  ViewerState state;
  int stopError; /* the code that stopped the stream */
  long frames;
  long dropped;  /* frames the SDK announced as lost */
  int frameRate; /* tenths of frames per second, as the SDK measures it */
  int lastError;
  int echoesToIgnore;
  int analogDialogOpen;
  int actualSize; /* 1:1 instead of fitted */
  int scrollX, scrollY;
  long statusTicks;
  FrameLayout layout;
  unsigned char picture[PICTURE_BYTES];
} viewer;

/* ---- status bar and side panel */

static void SetPanelText(int id, const char* text) {
  SetDlgItemTextA(viewer.window, id, text);
}

static void ShowStatus(void) {
  char text[128];
  int camera = viewer.selected + 1;
  switch (viewer.state) {
    case kNoCamera:
      strcpy(text, "no camera");
      break;
    case kLive:
      sprintf(text, "camera %d of %d: live", camera, viewer.cameras);
      break;
    case kHeld:
      sprintf(text, "camera %d of %d: held", camera, viewer.cameras);
      break;
    case kStopped:
      sprintf(text, "camera %d of %d: stopped (Err %d); File > Live restarts", camera,
              viewer.cameras, viewer.stopError);
      break;
    case kStartFailed:
      sprintf(text, "camera %d of %d: did not start; see the last error", camera, viewer.cameras);
      break;
  }
  SendMessageA(viewer.status, SB_SETTEXTA, 0, (LPARAM)text);
  /* Only a running stream has a rate; the last one measured would be stale. */
  if (viewer.state == kLive) {
    sprintf(text, "%d.%d frames/s", viewer.frameRate / 10, viewer.frameRate % 10);
  } else {
    strcpy(text, "no stream");
  }
  SendMessageA(viewer.status, SB_SETTEXTA, 1, (LPARAM)text);
  sprintf(text, "%ld frames, %ld dropped", viewer.frames, viewer.dropped);
  SendMessageA(viewer.status, SB_SETTEXTA, 2, (LPARAM)text);
  sprintf(text, "last error: %d (%s)", viewer.lastError, KelvoErrorName(viewer.lastError));
  SendMessageA(viewer.status, SB_SETTEXTA, 3, (LPARAM)text);
}

static const char* const kAutomaticModes[] = {"automatic: off", "automatic: exposure",
                                              "automatic: gain"};

/* Reading the exposure takes the SDK 120 ms, so it is read when it may have
   changed: at a start, after a dialog, and while something adjusts it. */
static void ShowSensorSettings(void) {
  char text[64];
  int ok = 0;
  int automatic;
  if (viewer.state == kNoCamera) return;
  automatic = Kelvo_GetAutoIris(viewer.camera, &ok);
  int gain = Kelvo_GetGlobalGain(viewer.camera, &ok);
  int exposure = Kelvo_GetExposureTime(viewer.camera, &ok);
  sprintf(text, "exposure: %d lines", exposure);
  SetPanelText(kExposureText, ok ? text : "exposure: unknown");
  sprintf(text, "gain: %d", gain);
  SetPanelText(kGainText, text);
  SetPanelText(kAutomaticText, automatic >= 0 && automatic <= 2 ? kAutomaticModes[automatic]
                                                                : "automatic: unknown");
}

static int SensorSettingsMayChange(void) {
  int ok = 0;
  if (viewer.state == kNoCamera) return 0;
  return viewer.analogDialogOpen || Kelvo_GetAutoIris(viewer.camera, &ok) != 0;
}

static void ShowFormat(void) {
  char text[64];
  sprintf(text, "%d bits, %d x %d%s", viewer.layout.bitsPerPixel, viewer.layout.width,
          viewer.layout.height, viewer.actualSize ? ", 1:1" : ", fitted");
  SetPanelText(kFormatText, text);
}

/* ---- where the picture goes */

static HWND PreviewWindow(void) { return GetWindow(viewer.pane, GW_CHILD); }

/* Fitted: the largest rectangle of the picture's proportions, centred.
   1:1: the picture's own size, scrolled, centred where it is smaller. */
static RECT PictureRect(void) {
  RECT pane, picture;
  int width = viewer.layout.width > 0 ? viewer.layout.width : 1280;
  int height = viewer.layout.height > 0 ? viewer.layout.height : 960;
  int areaWidth, areaHeight;
  GetClientRect(viewer.pane, &pane);
  areaWidth = pane.right > 1 ? pane.right : 1;
  areaHeight = pane.bottom > 1 ? pane.bottom : 1;
  if (!viewer.actualSize) {
    if ((double)areaWidth / areaHeight > (double)width / height) {
      int fitted = (int)((double)areaHeight * width / height);
      SetRect(&picture, (areaWidth - fitted) / 2, 0, (areaWidth - fitted) / 2 + fitted,
              areaHeight);
    } else {
      int fitted = (int)((double)areaWidth * height / width);
      SetRect(&picture, 0, (areaHeight - fitted) / 2, areaWidth,
              (areaHeight - fitted) / 2 + fitted);
    }
    return picture;
  }
  picture.left = width < areaWidth ? (areaWidth - width) / 2 : -viewer.scrollX;
  picture.top = height < areaHeight ? (areaHeight - height) / 2 : -viewer.scrollY;
  picture.right = picture.left + width;
  picture.bottom = picture.top + height;
  return picture;
}

static int ClampScroll(int position, int extent, int page) {
  if (position > extent - page) position = extent - page;
  return position < 0 ? 0 : position;
}

static void SetScrollBar(int bar, int extent, int page, int position) {
  SCROLLINFO info;
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
  info.nMin = 0;
  info.nMax = viewer.actualSize ? extent - 1 : 0;
  info.nPage = viewer.actualSize ? (UINT)page : 0;
  info.nPos = position;
  SetScrollInfo(viewer.pane, bar, &info, TRUE);
}

/* The SDK reads its window's size at every frame, so moving it is enough. */
static void PlacePicture(void) {
  RECT pane, picture;
  HWND preview = PreviewWindow();
  GetClientRect(viewer.pane, &pane);
  viewer.scrollX = ClampScroll(viewer.scrollX, viewer.layout.width, pane.right);
  viewer.scrollY = ClampScroll(viewer.scrollY, viewer.layout.height, pane.bottom);
  SetScrollBar(SB_HORZ, viewer.layout.width, pane.right, viewer.scrollX);
  SetScrollBar(SB_VERT, viewer.layout.height, pane.bottom, viewer.scrollY);
  picture = PictureRect();
  if (preview != NULL) {
    MoveWindow(preview, picture.left, picture.top, picture.right - picture.left,
               picture.bottom - picture.top, TRUE);
  }
  InvalidateRect(viewer.pane, NULL, TRUE);
}

static void PlaceWindows(void) {
  static const int kTexts[] = {kExposureText, kGainText, kAutomaticText, kFormatText, kPixelText};
  RECT client, bar;
  int paneWidth, paneHeight, i;
  int left, top;
  GetClientRect(viewer.window, &client);
  SendMessageA(viewer.status, WM_SIZE, 0, 0); /* the status bar places itself at the bottom */
  GetWindowRect(viewer.status, &bar);
  paneWidth = client.right - PANEL_WIDTH > 0 ? client.right - PANEL_WIDTH : 0;
  paneHeight = client.bottom - (bar.bottom - bar.top);
  if (paneHeight < 0) paneHeight = 0;
  MoveWindow(viewer.pane, 0, 0, paneWidth, paneHeight, TRUE);
  left = paneWidth + MARGIN;
  top = MARGIN;
  MoveWindow(viewer.histogram, left, top, PANEL_WIDTH - 2 * MARGIN, HISTOGRAM_HEIGHT, TRUE);
  top += HISTOGRAM_HEIGHT + MARGIN;
  for (i = 0; i < (int)(sizeof kTexts / sizeof kTexts[0]); ++i) {
    MoveWindow(GetDlgItem(viewer.window, kTexts[i]), left, top, PANEL_WIDTH - 2 * MARGIN,
               kTexts[i] == kPixelText ? 2 * TEXT_HEIGHT : TEXT_HEIGHT, TRUE);
    top += TEXT_HEIGHT;
  }
  PlacePicture();
}

/* ---- the pixel under the cursor */

static void ShowPixel(void) {
  char text[96];
  POINT cursor;
  RECT picture;
  int samples[3];
  int x, y, channels;
  HWND preview = PreviewWindow();
  if (preview == NULL || !GetCursorPos(&cursor) || !GetWindowRect(preview, &picture) ||
      !PtInRect(&picture, cursor)) {
    SetPanelText(kPixelText, "pixel: point at the picture");
    return;
  }
  /* One mapping for both views: 1:1 is a fitted picture of its own size. */
  x = (int)((double)(cursor.x - picture.left) * viewer.layout.width /
            (picture.right - picture.left));
  y = (int)((double)(cursor.y - picture.top) * viewer.layout.height /
            (picture.bottom - picture.top));
  channels = FramePixel(viewer.picture, &viewer.layout, x, y, samples);
  if (channels == 3) {
    sprintf(text, "pixel (%d, %d) of %d:\nred %d, green %d, blue %d", x, y,
            FrameSampleMax(&viewer.layout), samples[0], samples[1], samples[2]);
  } else if (channels == 1) {
    sprintf(text, "pixel (%d, %d) of %d:\ngrey %d", x, y, FrameSampleMax(&viewer.layout),
            samples[0]);
  } else {
    strcpy(text, "pixel: no frame yet");
  }
  SetPanelText(kPixelText, text);
}

/* ---- frames and the stream */

static void ReadLayoutFromCamera(void) {
  viewer.layout.width = Kelvo_Width(viewer.camera);
  viewer.layout.height = Kelvo_Height(viewer.camera);
  viewer.layout.bitsPerPixel = Kelvo_GetColorMode(viewer.camera);
}

static void StartLive(void) {
  RECT picture;
  ReadLayoutFromCamera();
  picture = PictureRect();
  Kelvo_SetPreviewWindow(viewer.camera, viewer.pane, picture.left, picture.top,
                         picture.right - picture.left, picture.bottom - picture.top);
  viewer.frameRate = 0;
  viewer.state = viewer.cameras == 0 ? kNoCamera
                 : Kelvo_CallBackPreview(viewer.camera, viewer.window, viewer.picture,
                                         sizeof viewer.picture, 1)
                     ? kLive
                     : kStartFailed;
  PlaceWindows();
  ShowFormat();
  ShowSensorSettings();
  ShowStatus();
}

/* Closing a stream that a failure ended reports that failure once more (its
   stop records Err 6): the fault already shown, not a new one. */
static void CloseCamera(void) {
  int wasStopped = viewer.state == kStopped;
  Kelvo_Close(viewer.camera);
  if (wasStopped && Kelvo_GetLastError(viewer.camera) == KELVO_ERR_DEVICE_IO) {
    ++viewer.echoesToIgnore;
  }
}

/* Stops the stream; the last frame stays in the SDK for Save As. */
static void HoldPicture(void) {
  if (viewer.state != kLive) return;
  Kelvo_StopPreview(viewer.camera);
  viewer.state = kHeld;
  ShowStatus();
}

static void RestartLive(void) {
  if (viewer.state == kLive) return;
  CloseCamera();
  StartLive();
}

static void SelectCamera(int index) {
  int i;
  CloseCamera();
  if (Kelvo_SetDeviceNumber(viewer.camera, index)) viewer.selected = index;
  for (i = 0; i < viewer.cameras; ++i) {
    CheckMenuItem(viewer.cameraMenu, kMenuCamera0 + i,
                  MF_BYCOMMAND | (i == viewer.selected ? MF_CHECKED : MF_UNCHECKED));
  }
  viewer.frames = 0;
  viewer.dropped = 0;
  StartLive();
}

static void OnFrame(const FrameInfo* info) {
  static unsigned long bins[3][FRAME_BINS];
  FrameLayout layout;
  int channels;
  ++viewer.frames;
  viewer.frameRate = info->frameRate;
  layout.width = info->width;
  layout.height = info->height;
  layout.bitsPerPixel = info->bitsPerPixel;
  if (memcmp(&layout, &viewer.layout, sizeof layout) != 0) {
    viewer.layout = layout;
    PlacePicture();
    ShowFormat();
  }
  /* Every fourth pixel of every fourth row is plenty for the shape. */
  channels = FrameHistogram(viewer.picture, &viewer.layout, 4, bins);
  ShowHistogram(viewer.histogram, bins, channels);
}

/* A frame notice without a frame: the stream stopped (13), or one frame was
   lost (8) or did not fit the buffer (5). */
static void OnFrameLost(int code) {
  if (code == KELVO_ERR_TRANSFER_STOPPED) {
    if (viewer.state == kLive) {
      viewer.state = kStopped;
      viewer.stopError = code;
    }
  } else {
    ++viewer.dropped;
  }
  ShowStatus();
}

static void OnErrorNotice(int code) {
  if (code == KELVO_ERR_DEVICE_IO && viewer.echoesToIgnore > 0) {
    --viewer.echoesToIgnore;
    return;
  }
  viewer.lastError = code;
  if (code == KELVO_ERR_TRANSFER_STOPPED && viewer.state == kLive) {
    viewer.state = kStopped;
    viewer.stopError = code;
  }
  ShowStatus();
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

static void SetView(int actualSize) {
  viewer.actualSize = actualSize;
  CheckMenuRadioItem(viewer.viewMenu, kMenuFitView, kMenuActualSize,
                     actualSize ? kMenuActualSize : kMenuFitView, MF_BYCOMMAND);
  PlacePicture();
  ShowFormat();
}

static HMENU BuildMenu(void) {
  static char names[KELVO_DEVICE_NAME_SLOTS * KELVO_DEVICE_NAME_SLOT];
  HMENU bar = CreateMenu();
  HMENU file = CreatePopupMenu();
  HMENU settings = CreatePopupMenu();
  int i;
  AppendMenuA(file, MF_STRING, kMenuSnapshot, "&Snapshot (hold the picture)\tSpace");
  AppendMenuA(file, MF_STRING, kMenuLive, "&Live\tF5");
  AppendMenuA(file, MF_STRING, kMenuSaveAs, "Save &As...\tCtrl+S");
  AppendMenuA(file, MF_SEPARATOR, 0, NULL);
  AppendMenuA(file, MF_STRING, kMenuExit, "E&xit");
  AppendMenuA(bar, MF_POPUP, (UINT_PTR)file, "&File");

  viewer.viewMenu = CreatePopupMenu();
  AppendMenuA(viewer.viewMenu, MF_STRING, kMenuFitView, "&Fit to window");
  AppendMenuA(viewer.viewMenu, MF_STRING, kMenuActualSize, "&Actual size (1:1)");
  AppendMenuA(bar, MF_POPUP, (UINT_PTR)viewer.viewMenu, "&View");

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
      RestartLive();
      break;
    case kMenuSaveAs:
      SaveAs();
      break;
    case kMenuExit:
      DestroyWindow(viewer.window);
      break;
    case kMenuFitView:
    case kMenuActualSize:
      SetView(command == kMenuActualSize);
      break;
    case kMenuCameraDialog:
      /* The SDK stops the preview around it and starts it again, perhaps in
         another colour mode or size, which the next frame notice tells. */
      Kelvo_SetCameraDlg(viewer.camera, viewer.window);
      ShowSensorSettings();
      break;
    case kMenuImageDialog:
      Kelvo_SetImageDlg(viewer.camera, viewer.window);
      break;
    case kMenuAnalogDialog:
      viewer.analogDialogOpen = 1;
      Kelvo_SetAnalogDlg(viewer.camera, viewer.window);
      viewer.analogDialogOpen = 0;
      ShowSensorSettings();
      break;
    default:
      if (command >= kMenuCamera0 && command < kMenuCamera0 + viewer.cameras) {
        SelectCamera(command - kMenuCamera0);
      }
  }
}

static void Scroll(int bar, int request) {
  SCROLLINFO info;
  int* position = bar == SB_HORZ ? &viewer.scrollX : &viewer.scrollY;
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  GetScrollInfo(viewer.pane, bar, &info);
  switch (request) {
    case SB_LINEUP:
      *position -= 32;
      break;
    case SB_LINEDOWN:
      *position += 32;
      break;
    case SB_PAGEUP:
      *position -= (int)info.nPage;
      break;
    case SB_PAGEDOWN:
      *position += (int)info.nPage;
      break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION:
      *position = info.nTrackPos;
      break;
    default:
      return;
  }
  PlacePicture();
}

static LRESULT CALLBACK PaneProc(HWND pane, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETCURSOR:
      /* The SDK's window passes the mouse's moves on to its parent this way. */
      ShowPixel();
      break;
    case WM_HSCROLL:
      Scroll(SB_HORZ, LOWORD(wParam));
      return 0;
    case WM_VSCROLL:
      Scroll(SB_VERT, LOWORD(wParam));
      return 0;
  }
  return DefWindowProcA(pane, message, wParam, lParam);
}

static void OnStatusTimer(void) {
  ShowStatus();
  ShowPixel();
  if (++viewer.statusTicks % kSensorEveryTicks == 0 && SensorSettingsMayChange()) {
    ShowSensorSettings();
  }
}

static LRESULT CALLBACK ViewerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case KELVO_MSG_FRAME:
      if (wParam != 0) {
        OnFrame((const FrameInfo*)wParam);
      } else {
        OnFrameLost((int)lParam);
      }
      return 0;
    case KELVO_MSG_ERROR:
      OnErrorNotice((int)lParam);
      return 0;
    case WM_TIMER:
      if (wParam == kQuitTimer) DestroyWindow(window);
      if (wParam == kStatusTimer) OnStatusTimer();
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wParam));
      return 0;
    case WM_SIZE:
      if (viewer.pane != NULL) PlaceWindows();
      return 0;
    case WM_CTLCOLORSTATIC:
      /* The panel's texts on the panel's own colour. */
      SetBkColor((HDC)wParam, GetSysColor(COLOR_BTNFACE));
      return (LRESULT)GetSysColorBrush(COLOR_BTNFACE);
    case WM_GETMINMAXINFO:
      ((MINMAXINFO*)lParam)->ptMinTrackSize.x = PANEL_WIDTH + 200;
      ((MINMAXINFO*)lParam)->ptMinTrackSize.y = HISTOGRAM_HEIGHT + 8 * TEXT_HEIGHT + 60;
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

static HWND CreateViewerWindow(HINSTANCE instance) {
  static const int parts[] = {340, 450, 620, -1};
  static const int kTexts[] = {kExposureText, kGainText, kAutomaticText, kFormatText, kPixelText};
  HWND window;
  size_t i;
  KelvoRegisterWindowClass(VIEWER_WINDOW_CLASS, ViewerProc, instance, GetSysColorBrush(COLOR_BTNFACE));
  KelvoRegisterWindowClass("KelvoViewerPane", PaneProc, instance, (HBRUSH)GetStockObject(DKGRAY_BRUSH));
  window = CreateWindowExA(0, VIEWER_WINDOW_CLASS, "Q12 viewer", kViewerStyle, 0, 0, 100, 100,
                           NULL, NULL, instance, NULL);
  viewer.status = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP,
                                  0, 0, 0, 0, window, (HMENU)kStatusBar, instance, NULL);
  SendMessageA(viewer.status, SB_SETPARTS, 4, (LPARAM)parts);
  viewer.pane = CreateWindowExA(0, "KelvoViewerPane", "",
                                WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN | WS_HSCROLL | WS_VSCROLL,
                                0, 0, 0, 0, window, (HMENU)kPicturePane, instance, NULL);
  viewer.histogram = CreateHistogramView(window, kHistogram, instance);
  for (i = 0; i < sizeof kTexts / sizeof kTexts[0]; ++i) {
    HWND text = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | SS_LEFT, 0, 0, 0, 0,
                                window, (HMENU)(INT_PTR)kTexts[i], instance, NULL);
    SendMessageA(text, WM_SETFONT, (WPARAM)GetStockObject(DEFAULT_GUI_FONT), FALSE);
  }
  return window;
}

/* Sizes the window, once it has its menu: a 640 x 480 picture, the panel
   beside it and the status bar below. */
static void FitWindow(void) {
  RECT frame = {0, 0, 640 + PANEL_WIDTH, 480};
  RECT bar;
  GetWindowRect(viewer.status, &bar);
  frame.bottom += bar.bottom - bar.top;
  AdjustWindowRect(&frame, kViewerStyle, TRUE);
  SetWindowPos(viewer.window, NULL, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
               SWP_NOZORDER);
}

static HACCEL CreateShortcuts(void) {
  ACCEL shortcuts[3];
  shortcuts[0].fVirt = FVIRTKEY;
  shortcuts[0].key = VK_SPACE;
  shortcuts[0].cmd = kMenuSnapshot;
  shortcuts[1].fVirt = FVIRTKEY | FCONTROL;
  shortcuts[1].key = 'S';
  shortcuts[1].cmd = kMenuSaveAs;
  shortcuts[2].fVirt = FVIRTKEY;
  shortcuts[2].key = VK_F5;
  shortcuts[2].cmd = kMenuLive;
  return CreateAcceleratorTableA(shortcuts, 3);
}

static const char* const kStateNames[] = {"no camera", "live", "held", "stopped",
                                          "start failed"};

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR commandLine, int show) {
  INITCOMMONCONTROLSEX controls;
  HACCEL keys;
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
  SetView(0);
  FitWindow();
  ShowWindow(viewer.window, show);
  UpdateWindow(viewer.window);
  StartLive();
  SetTimer(viewer.window, kStatusTimer, kStatusPeriodMs, NULL);
  if (seconds > 0) SetTimer(viewer.window, kQuitTimer, (UINT)seconds * 1000, NULL);

  keys = CreateShortcuts();
  while (GetMessageA(&message, NULL, 0, 0) > 0) {
    if (TranslateAcceleratorA(viewer.window, keys, &message)) continue;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  DestroyAcceleratorTable(keys);
  Kelvo_Close(viewer.camera);
  printf("viewer: camera %d of %d, %ld frames, %ld dropped, %s at %d.%d frames/s, "
         "last error %d (%s)\n",
         viewer.selected + 1, viewer.cameras, viewer.frames, viewer.dropped,
         kStateNames[viewer.state], viewer.frameRate / 10, viewer.frameRate % 10,
         viewer.lastError, KelvoErrorName(viewer.lastError));
  fflush(stdout);
  Kelvo_Release(viewer.camera);
  return 0;
}
