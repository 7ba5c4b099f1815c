/* A first look at the Q12 SDK: list the cameras, open one, show what it
   reports, set and read back a few image settings, take a snapshot from
   each camera and save it in every file format, watch a few seconds of
   live preview, and show what the SDK keeps in the registry between runs.
   Written in C89, as a customer's program may be.

   demo [--fresh] [folder]   --fresh first removes the SDK's stored settings,
                             so the run shows what a first start on a machine
                             writes; files go to folder (default "out"). */
#include <stdio.h>
#include <string.h>

#include "KelvoSdk_Q12.h"

#ifdef _WIN32
#include <windows.h>
#endif

static const char* ErrorName(int code) {
  static const struct {
    int code;
    const char* name;
  } names[] = {{KELVO_ERR_NO_DEVICE, "no device"},
               {KELVO_ERR_DEVICE_ABSENT, "device absent"},
               {KELVO_ERR_THREAD, "thread"},
               {KELVO_ERR_WINDOW, "window"},
               {KELVO_ERR_BUFFER, "buffer"},
               {KELVO_ERR_DEVICE_IO, "device I/O"},
               {KELVO_ERR_GEOMETRY, "geometry"},
               {KELVO_ERR_FRAME, "frame"},
               {KELVO_ERR_ARGUMENT, "argument"},
               {KELVO_ERR_NOT_SUPPORTED, "not supported"},
               {KELVO_ERR_TRANSFER_STOPPED, "transfer stopped"}};
  size_t i;
  for (i = 0; i < sizeof names / sizeof names[0]; ++i) {
    if (names[i].code == code) return names[i].name;
  }
  return "unknown";
}

static void PrintRecordedErrors(KelvoHandle camera) {
  int code;
  int count = 0;
  printf("  recorded errors, newest first:");
  while ((code = Kelvo_GetLastError(camera)) != KELVO_ERR_NONE) {
    printf(" %d (%s)", code, ErrorName(code));
    ++count;
  }
  printf(count == 0 ? " none\n" : "\n");
}

/* ---- the stored settings, read the way any program reads the registry */

#define SETTINGS_KEY "Software\\Nuvrel\\KelvoQ12Sdk"

static void PrintStoredGroup(const char* subkey, const char* const* names) {
#ifdef _WIN32
  char path[128];
  HKEY key;
  int i;
  sprintf(path, "%s%s%s", SETTINGS_KEY, subkey[0] != '\0' ? "\\" : "", subkey);
  printf("  HKCU\\%s:", path);
  if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) != ERROR_SUCCESS) {
    printf(" (no such key)\n");
    return;
  }
  for (i = 0; names[i] != NULL; ++i) {
    DWORD value = 0;
    DWORD bytes = sizeof value;
    if (RegQueryValueExA(key, names[i], NULL, NULL, (BYTE*)&value, &bytes) == ERROR_SUCCESS) {
      printf(" %s=%ld", names[i], (long)(LONG)value);
    } else {
      printf(" %s=(missing)", names[i]);
    }
  }
  printf("\n");
  RegCloseKey(key);
#else
  (void)names;
  printf("  %s: the stored settings live in the Windows registry\n", subkey);
#endif
}

static void PrintStoredSettings(void) {
  static const char* const root[] = {"Size", "Color", "SubSample", "WaitTime", "Clock", NULL};
  static const char* const size[] = {"TH", "TV", "EH", "EV", "EHS", "EVS", "Buf", NULL};
  static const char* const gain[] = {"Global",   "ColorG1",  "ColorR",   "ColorB", "ColorG2",
                                     "Exposure", "V_Mirror", "AutoIris", NULL};
  static const char* const filter[] = {"Brightness", "Contrast",  "Hue",    "Saturation",
                                       "Sharpness",  "R_Gain",    "G_Gain", "B_Gain",
                                       "Gamma",      "BayerMode", NULL};
  static const char* const gray[] = {"GainR1",   "GainG1",   "GainG2",   "GainB1", "OffsetR1",
                                     "OffsetG1", "OffsetG2", "OffsetB1", NULL};
  PrintStoredGroup("", root);
  PrintStoredGroup("Size_00", size);
  PrintStoredGroup("Gain", gain);
  PrintStoredGroup("Filter", filter);
  PrintStoredGroup("Gray", gray);
}

static void ForgetStoredSettings(void) {
#ifdef _WIN32
  RegDeleteTreeA(HKEY_CURRENT_USER, SETTINGS_KEY);
#endif
}

/* ---- the camera */

static void ListCameras(KelvoHandle camera) {
  static char names[10 * 256];
  int found = Kelvo_EnumDevice(camera, names);
  int i;
  printf("Kelvo_EnumDevice: %d camera(s):", found);
  for (i = 0; i < found; ++i) printf(" %s", names + i * 256);
  printf("\n");
  for (i = 0; i < 8; ++i) {
    char name[16];
    if (Kelvo_GetDeviceName(camera, i, name, sizeof name)) {
      printf("  Kelvo_GetDeviceName(%d): %s\n", i, name);
    }
  }
  PrintRecordedErrors(camera); /* an absent index records device absent */
}

static void PrintCameraInfo(KelvoHandle camera) {
  CameraInfo info;
  memset(&info, 0, sizeof info);
  info.size = sizeof info;
  if (!Kelvo_GetCameraInfo(camera, &info)) {
    printf("Kelvo_GetCameraInfo failed\n");
    PrintRecordedErrors(camera);
    return;
  }
  printf("Kelvo_GetCameraInfo: %d x %d pixels, gain %d..%d, exposure %d..%d lines\n", info.width,
         info.height, info.gainMin, info.gainMax, info.exposureMin, info.exposureMax);
}

static void TuneAndReadBack(KelvoHandle camera) {
  static const struct {
    int id;
    const char* name;
    int value;
  } settings[] = {
      {1, "brightness", 40},    {11, "gamma", 120},    {6, "colour gains 0xBBGGRR", 0x507090},
      {13, "global gain", 500}, {18, "exposure", 800}, {14, "sensor red gain", 100},
      {7, "red gain", 401}};
  size_t i;
  printf("filter values, set and read back:\n");
  for (i = 0; i < sizeof settings / sizeof settings[0]; ++i) {
    int ok = 0;
    int set = Kelvo_SetFilterValue(camera, settings[i].id, settings[i].value);
    int read = Kelvo_GetFilterValue(camera, settings[i].id, &ok);
    printf("  id %2d %-22s set 0x%X: %s; reads %d (0x%X)%s\n", settings[i].id, settings[i].name,
           (unsigned)settings[i].value, set ? "stored" : "refused", read, (unsigned)read,
           ok ? "" : ", not readable");
  }
  PrintRecordedErrors(camera);
}

/* ---- frames */

static void SaveEveryFormat(KelvoHandle camera, const char* folder, int device) {
  static const struct {
    int code;
    const char* extension;
  } formats[] = {{0, "bmp"},     {1, "raw"}, {2, "q100.jpg"}, {3, "q70.jpg"},
                 {4, "q20.jpg"}, {5, "png"}, {6, "tif"}};
  size_t i;
  for (i = 0; i < sizeof formats / sizeof formats[0]; ++i) {
    char path[512];
    sprintf(path, "%s/camera%d.%s", folder, device + 1, formats[i].extension);
    printf("  Kelvo_SaveImage %-22s %s\n", path,
           Kelvo_SaveImage(camera, path, formats[i].code) ? "written" : "FAILED");
  }
}

/* Each camera's picture, 1280 x 960 at 24 bits, first row at the top. */
static void SnapshotEachCamera(KelvoHandle camera, const char* folder) {
  static unsigned char picture[1280 * 3 * 960];
  int device;
  /* Neutral settings and an exposure that puts white just below full scale. */
  Kelvo_SetBrightness(camera, 0);
  Kelvo_SetGamma(camera, 100);
  Kelvo_SetBayerGainRGB(camera, 0x646464);
  Kelvo_SetGlobalGain(camera, 150);
  printf("pictures at gain %d, exposure %d lines, neutral colour gains\n",
         Kelvo_GetGlobalGain(camera, NULL), 260);
  for (device = 0; device < 2; ++device) {
    if (!Kelvo_SetDeviceNumber(camera, device)) continue;
    Kelvo_SetExposureTime(camera, 260);
    printf("Kelvo_SnapShot from camera %d: %d\n", device + 1,
           Kelvo_SnapShot(camera, picture, sizeof picture, 1));
    printf("  top-left pixel (blue, green, red): %u %u %u\n", picture[0], picture[1], picture[2]);
    SaveEveryFormat(camera, folder, device);
  }
  PrintRecordedErrors(camera);
}

#ifdef _WIN32
/* Kelvo_CallBackPreview posts KELVO_MSG_FRAME to this window for every frame. */
static void WatchPreview(KelvoHandle camera, int seconds) {
  static unsigned char frame[1280 * 3 * 960];
  WNDCLASSA windowClass;
  HWND window;
  DWORD started;
  int frames = 0;
  int rate = 0;
  memset(&windowClass, 0, sizeof windowClass);
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(NULL);
  windowClass.lpszClassName = "KelvoDemo";
  RegisterClassA(&windowClass);
  window = CreateWindowExA(0, "KelvoDemo", "KelvoSdk_Q12 demo", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                           NULL, NULL, windowClass.hInstance, NULL);
  printf("Kelvo_CallBackPreview: %d\n",
         Kelvo_CallBackPreview(camera, window, frame, sizeof frame, 1));
  started = GetTickCount();
  while (GetTickCount() - started < (DWORD)seconds * 1000) {
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) {
      if (message.message == KELVO_MSG_FRAME && message.wParam != 0) {
        ++frames;
        rate = ((const FrameInfo*)message.wParam)->frameRate;
      } else if (message.message == KELVO_MSG_FRAME) {
        printf("  frame notice with error %d (%s)\n", (int)message.lParam,
               ErrorName((int)message.lParam));
      }
      DispatchMessageA(&message);
    }
    Sleep(5);
  }
  printf("  %d frames in %d s; the SDK measured %d.%d frames per second\n", frames, seconds,
         rate / 10, rate % 10);
  printf("Kelvo_Close: %d\n", Kelvo_Close(camera));
  DestroyWindow(window);
  PrintRecordedErrors(camera);
}
#endif

/* The same handle drives another camera after Kelvo_SetDeviceNumber; the
   sensor starts afresh there, so the gain is written to it again. */
static void SwitchToSecondCamera(KelvoHandle camera) {
  int ok = 0;
  int stored;
  printf("Kelvo_SetDeviceNumber(1), the second camera: %d\n", Kelvo_SetDeviceNumber(camera, 1));
  stored = Kelvo_SetGlobalGain(camera, 500);
  printf("  Kelvo_SetGlobalGain(500): %d; sensor register 4 reads 0x%X\n", stored,
         (unsigned)Kelvo_ReadRegister(camera, 4, &ok));
  PrintRecordedErrors(camera);
}

int main(int argc, char** argv) {
  KelvoHandle camera;
  const char* folder = "out";
  int arg;

  for (arg = 1; arg < argc; ++arg) {
    if (strcmp(argv[arg], "--fresh") == 0) {
      ForgetStoredSettings();
    } else {
      folder = argv[arg];
    }
  }
  printf("KelvoSdk_Q12 version 0x%08X\n", (unsigned)Kelvo_GetDllVersion());

  camera = Kelvo_Initialize(NULL);
  if (camera == 0) {
    printf("Kelvo_Initialize failed: out of memory\n");
    return 1;
  }
  printf("Kelvo_Initialize: handle 0x%08X, %d x %d pixels, %d bits per pixel\n", camera,
         Kelvo_Width(camera), Kelvo_Height(camera), Kelvo_GetColorMode(camera));
  PrintRecordedErrors(camera);
  ListCameras(camera);
  PrintCameraInfo(camera);
  printf("stored settings while the camera is open:\n");
  PrintStoredSettings();

  TuneAndReadBack(camera);
  SwitchToSecondCamera(camera);
  SnapshotEachCamera(camera, folder);
#ifdef _WIN32
  Kelvo_SetDeviceNumber(camera, 0);
  WatchPreview(camera, 3);
#endif

  printf("Kelvo_Release: %d\n", Kelvo_Release(camera));
  printf("stored settings after release:\n");
  PrintStoredSettings();

  camera = Kelvo_Initialize(NULL);
  printf("a new camera starts with the stored settings: brightness %d, global gain %d\n",
         Kelvo_GetBrightness(camera, NULL), Kelvo_GetGlobalGain(camera, NULL));
  printf("Kelvo_Release: %d\n", Kelvo_Release(camera));
  printf("Kelvo_Release again: %d (the handle is gone)\n", Kelvo_Release(camera));
  return 0;
}
