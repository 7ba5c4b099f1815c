/* The Q12 SDK from a console program: list the cameras, show what they report,
   set and read back image settings, take a snapshot in each of the six colour
   modes from each camera and save it in every file format, with timings and
   the errors the SDK recorded, and show what the SDK keeps in the registry
   between runs. Plain C89, as a customer's program may be.

   capture [--fresh] [folder]   --fresh first removes the SDK's stored
                                settings, so the run shows what a first start
                                on a machine writes; files go to folder
                                (default "out"), which must exist. */
#include <stdio.h>
#include <string.h>

#include "KelvoSdk_Q12.h"
#include "error_names.h"
#include "save_formats.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <time.h>
#endif

static unsigned long Milliseconds(void) {
#ifdef _WIN32
  return (unsigned long)GetTickCount();
#else
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return (unsigned long)now.tv_sec * 1000UL + (unsigned long)(now.tv_nsec / 1000000L);
#endif
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
  printf("  %s: the stored settings live in the Windows registry\n",
         subkey[0] != '\0' ? subkey : "(root)");
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

static int ListCameras(KelvoHandle camera) {
  static char names[KELVO_DEVICE_NAME_SLOTS * KELVO_DEVICE_NAME_SLOT];
  int found = Kelvo_EnumDevice(camera, names);
  int i;
  printf("Kelvo_EnumDevice: %d camera(s):", found);
  for (i = 0; i < found; ++i) printf(" %s", names + i * KELVO_DEVICE_NAME_SLOT);
  printf("\n");
  for (i = 0; i < 8; ++i) {
    char name[16];
    if (Kelvo_GetDeviceName(camera, i, name, sizeof name)) {
      printf("  Kelvo_GetDeviceName(%d): %s\n", i, name);
    }
  }
  KelvoPrintErrors(camera, "  recorded errors, newest first:"); /* absent indices record 2 */
  return found;
}

static void PrintCameraInfo(KelvoHandle camera) {
  CameraInfo info;
  memset(&info, 0, sizeof info);
  info.size = sizeof info;
  if (!Kelvo_GetCameraInfo(camera, &info)) {
    KelvoPrintErrors(camera, "Kelvo_GetCameraInfo failed:");
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
  } settings[] = {{KELVO_FILTER_BRIGHTNESS, "brightness", 40},
                  {KELVO_FILTER_GAMMA, "gamma", 120},
                  {KELVO_FILTER_BAYER_GAIN_RGB, "colour gains 0xBBGGRR", 0x507090},
                  {KELVO_FILTER_GLOBAL_GAIN, "global gain", 500},
                  {KELVO_FILTER_EXPOSURE_TIME, "exposure", 800},
                  {KELVO_FILTER_COLOR_GAIN_RED, "sensor red gain", 100},
                  {KELVO_FILTER_BAYER_GAIN_RED, "red gain", 401}};
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
  KelvoPrintErrors(camera, "  recorded errors, newest first:");
}

/* ---- frames */

static const struct {
  int bits;
  const char* name;
} kColorModes[] = {{KELVO_COLOR_MONO8, "mono8"}, {KELVO_COLOR_MONO16, "mono16"},
                   {KELVO_COLOR_RGB24, "rgb24"}, {KELVO_COLOR_RGB32, "rgb32"},
                   {KELVO_COLOR_RGB48, "rgb48"}, {KELVO_COLOR_RGB64, "rgb64"}};

/* The largest picture: 1280 x 960 at 64 bits per pixel. */
static unsigned char picture[1280 * 960 * 8];

static int SaveEveryFormat(KelvoHandle camera, const char* folder, int device, const char* mode) {
  size_t i;
  int written = 0;
  printf("   ");
  for (i = 0; i < KELVO_SAVE_FORMAT_COUNT; ++i) {
    char path[512];
    unsigned long started = Milliseconds();
    int ok;
    sprintf(path, "%s/camera%d-%s.%s", folder, device + 1, mode, kKelvoSaveFormats[i].extension);
    ok = Kelvo_SaveImage(camera, path, kKelvoSaveFormats[i].code);
    printf(" %s %s %lu ms;", kKelvoSaveFormats[i].extension, ok ? "written" : "FAILED",
           Milliseconds() - started);
    written += ok;
  }
  printf("\n");
  return written;
}

/* Every colour mode from every camera, one handle switched between them. */
static int SnapshotEveryMode(KelvoHandle camera, int cameras, const char* folder) {
  int device;
  int files = 0;
  size_t m;
  /* Neutral settings and an exposure that puts white just below full scale. */
  Kelvo_SetBrightness(camera, 0);
  Kelvo_SetGamma(camera, 100);
  Kelvo_SetBayerGainRGB(camera, 0x646464);
  Kelvo_SetGlobalGain(camera, 150);
  printf("pictures at gain %d, exposure %d lines, neutral colour gains\n",
         Kelvo_GetGlobalGain(camera, NULL), 260);
  for (device = 0; device < cameras; ++device) {
    unsigned long started = Milliseconds();
    int selected = Kelvo_SetDeviceNumber(camera, device);
    printf("Kelvo_SetDeviceNumber(%d): %d in %lu ms\n", device, selected, Milliseconds() - started);
    if (!selected) {
      KelvoPrintErrors(camera, "  recorded errors, newest first:");
      continue;
    }
    Kelvo_SetExposureTime(camera, 260);
    for (m = 0; m < sizeof kColorModes / sizeof kColorModes[0]; ++m) {
      int bytes = Kelvo_Width(camera) * Kelvo_Height(camera) * (kColorModes[m].bits / 8);
      int shot;
      Kelvo_SetColorMode(camera, kColorModes[m].bits);
      started = Milliseconds();
      shot = Kelvo_SnapShot(camera, picture, bytes, 1);
      printf("  camera %d %-6s Kelvo_SnapShot: %d in %lu ms, first bytes %u %u %u\n", device + 1,
             kColorModes[m].name, shot, Milliseconds() - started, picture[0], picture[1],
             picture[2]);
      if (shot) files += SaveEveryFormat(camera, folder, device, kColorModes[m].name);
      KelvoPrintErrors(camera, "    recorded errors, newest first:");
    }
  }
  Kelvo_SetColorMode(camera, KELVO_COLOR_RGB24);
  return files;
}

/* Errors the SDK records, read back by name: an unsupported function, an
   argument out of range and a buffer too small for the picture. */
static void ShowRecordedErrors(KelvoHandle camera) {
  int unsupported = Kelvo_SetSubSample(camera, 1);
  int outOfRange = Kelvo_SetAutoIris(camera, 3);
  int tooSmall = Kelvo_SnapShot(camera, picture, 16, 1);
  printf(
      "errors on purpose: Kelvo_SetSubSample %d, Kelvo_SetAutoIris(3) %d, "
      "Kelvo_SnapShot into 16 bytes %d\n",
      unsupported, outOfRange, tooSmall);
  KelvoPrintErrors(camera, "  recorded errors, newest first:");
}

int main(int argc, char** argv) {
  KelvoHandle camera;
  const char* folder = "out";
  unsigned long started;
  int arg;
  int cameras;
  int files;

  for (arg = 1; arg < argc; ++arg) {
    if (strcmp(argv[arg], "--fresh") == 0) {
      ForgetStoredSettings();
    } else {
      folder = argv[arg];
    }
  }
  printf("KelvoSdk_Q12 version 0x%08X\n", (unsigned)Kelvo_GetDllVersion());

  started = Milliseconds();
  camera = Kelvo_Initialize(NULL);
  if (camera == 0) {
    printf("Kelvo_Initialize failed: out of memory\n");
    return 1;
  }
  printf("Kelvo_Initialize: handle 0x%08X in %lu ms, %d x %d pixels, %d bits per pixel\n", camera,
         Milliseconds() - started, Kelvo_Width(camera), Kelvo_Height(camera),
         Kelvo_GetColorMode(camera));
  KelvoPrintErrors(camera, "  recorded errors, newest first:");
  cameras = ListCameras(camera);
  PrintCameraInfo(camera);
  printf("stored settings while the camera is open:\n");
  PrintStoredSettings();

  TuneAndReadBack(camera);
  files = SnapshotEveryMode(camera, cameras, folder);
  printf("%d files written to %s\n", files, folder);
  ShowRecordedErrors(camera);

  printf("Kelvo_Release: %d\n", Kelvo_Release(camera));
  printf("stored settings after release:\n");
  PrintStoredSettings();

  camera = Kelvo_Initialize(NULL);
  printf("a new camera starts with the stored settings: brightness %d, global gain %d\n",
         Kelvo_GetBrightness(camera, NULL), Kelvo_GetGlobalGain(camera, NULL));
  printf("Kelvo_Release: %d\n", Kelvo_Release(camera));
  printf("Kelvo_Release again: %d (the handle is gone)\n", Kelvo_Release(camera));
  return cameras > 0 && files == cameras * 6 * 7 ? 0 : 1;
}
