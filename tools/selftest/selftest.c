/* kelvo-selftest: checks the first attached Q12 camera (real or emulated)
   with a fixed suite and writes a pass/fail report with figures that can be
   sent to support. Usage text below (kUsage); the exit code is the number of
   checks that failed (skipped ones do not count), 64 for a bad argument. */
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "KelvoSdk_Q12.h"
#include "error_names.h"
#include "save_formats.h"
#include "window_class.h"

#define PREVIEW_SECONDS 3
#define TRIGGER_WAIT_MS 4000
#define EXIT_USAGE 64

static const char kUsage[] =
    "usage: kelvo-selftest [--report FILE] [--trigger] [--help]\n"
    "Checks the first Q12 camera: enumeration, start-up, snapshots in every colour\n"
    "mode, preview, trigger, the stored settings and every file format.\n"
    "  --report FILE  where the report goes (default kelvo-selftest-report.txt in\n"
    "                 the current folder); it is also printed here\n"
    "  --trigger      check trigger mode: a trigger source is wired to the camera.\n"
    "                 Without it the trigger check is skipped, unless the emulator\n"
    "                 gives triggers (KELVO_Q12_EMULATOR_TRIGGER_MS)\n"
    "Without a camera, set KELVO_Q12_EMULATOR=1 to check the emulated one.\n"
    "Exit code: the number of checks that failed.\n";

static struct {
  KelvoHandle camera;
  HWND window; /* hidden: receives the notices and parents the preview */
  int cameras;
  int triggerSource; /* --trigger, or the emulator's own triggers */
  char name[KELVO_DEVICE_NAME_SLOT];
  unsigned char picture[1280 * 960 * 8];
} test;

/* One check's outcome: a line of figures, built up as the check runs. */
typedef struct Detail {
  char text[512];
} Detail;

static void Note(Detail* detail, const char* format, ...) {
  size_t used = strlen(detail->text);
  va_list arguments;
  va_start(arguments, format);
  _vsnprintf(detail->text + used, sizeof detail->text - used - 1, format, arguments);
  va_end(arguments);
}

/* Appends the camera's recorded errors; returns how many there were. */
static int NoteErrors(Detail* detail) {
  int code;
  int count = 0;
  while ((code = Kelvo_GetLastError(test.camera)) != KELVO_ERR_NONE) {
    Note(detail, "%s error %d (%s)", count == 0 ? "; recorded:" : ",", code, KelvoErrorName(code));
    ++count;
  }
  return count;
}

/* ---- notices */

static struct {
  long frames;
  long frameErrors;
  int lastFrameError;
  int frameRate;
  DWORD lastFrameAt;
  DWORD longestGap;
} notices;

static LRESULT CALLBACK NoticeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == KELVO_MSG_FRAME) {
    DWORD now = GetTickCount();
    if (wParam == 0) {
      ++notices.frameErrors;
      notices.lastFrameError = (int)lParam;
      return 0;
    }
    if (notices.frames > 0 && now - notices.lastFrameAt > notices.longestGap) {
      notices.longestGap = now - notices.lastFrameAt;
    }
    ++notices.frames;
    notices.lastFrameAt = now;
    notices.frameRate = ((const FrameInfo*)wParam)->frameRate;
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

/* Dispatches messages until the time is up or, with untilFrames, that many frames came. */
static void Pump(DWORD milliseconds, long untilFrames) {
  DWORD started = GetTickCount();
  while (GetTickCount() - started < milliseconds) {
    MSG message;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    if (untilFrames > 0 && notices.frames >= untilFrames) return;
    Sleep(5);
  }
}

static void ResetNotices(void) { memset(&notices, 0, sizeof notices); }

/* ---- the checks */

static int CheckEnumeration(Detail* detail) {
  static char names[KELVO_DEVICE_NAME_SLOTS * KELVO_DEVICE_NAME_SLOT];
  int i;
  test.cameras = Kelvo_EnumDevice(test.camera, names);
  Note(detail, "%d camera(s):", test.cameras);
  for (i = 0; i < test.cameras; ++i) Note(detail, " %s", names + i * KELVO_DEVICE_NAME_SLOT);
  if (test.cameras > 0) strcpy(test.name, names);
  return test.cameras > 0 && NoteErrors(detail) == 0;
}

static int CheckStartUp(Detail* detail) {
  CameraInfo info;
  int selected = Kelvo_SetDeviceNumber(test.camera, 0);
  memset(&info, 0, sizeof info);
  info.size = sizeof info;
  if (selected && Kelvo_GetCameraInfo(test.camera, &info)) {
    int index;
    Note(detail, "%s: %d x %d, gain %d..%d, exposure %d..%d; SROM id", test.name, info.width,
         info.height, info.gainMin, info.gainMax, info.exposureMin, info.exposureMax);
    for (index = 0; index < 8; ++index) {
      int ok = 0;
      int byte = Kelvo_ReadSromID(test.camera, index, &ok);
      if (ok)
        Note(detail, " %02X", byte);
      else
        Note(detail, " ??");
    }
  } else {
    Note(detail, "the camera did not start");
  }
  return NoteErrors(detail) == 0 && selected && info.width > 0;
}

static int CheckSnapshots(Detail* detail) {
  static const int modes[] = {8, 16, 24, 32, 48, 64};
  int failed = 0;
  size_t i;
  for (i = 0; i < sizeof modes / sizeof modes[0]; ++i) {
    DWORD started = GetTickCount();
    int shot = Kelvo_SetColorMode(test.camera, modes[i]) &&
               Kelvo_SnapShot(test.camera, test.picture, sizeof test.picture, 1);
    Note(detail, "%s%d bits %s %lu ms", i == 0 ? "" : ", ", modes[i], shot ? "ok" : "FAILED",
         (unsigned long)(GetTickCount() - started));
    if (!shot) {
      ++failed;
      NoteErrors(detail);
    }
  }
  Kelvo_SetColorMode(test.camera, KELVO_COLOR_RGB24);
  return failed == 0;
}

static int CheckPreview(Detail* detail) {
  int started;
  ResetNotices();
  Kelvo_SetPreviewWindow(test.camera, test.window, 0, 0, 320, 240);
  started = Kelvo_CallBackPreview(test.camera, test.window, test.picture, sizeof test.picture, 1);
  if (!started) {
    Note(detail, "preview did not start");
    NoteErrors(detail);
    return 0;
  }
  Pump(PREVIEW_SECONDS * 1000, 0);
  Kelvo_Close(test.camera);
  Pump(100, 0); /* the notices posted before the close */
  Note(detail, "%d s: %ld frames, %d.%d frames/s, %ld dropped", PREVIEW_SECONDS, notices.frames,
       notices.frameRate / 10, notices.frameRate % 10, notices.frameErrors);
  if (notices.frameErrors > 0) {
    Note(detail, " (last: %d, %s)", notices.lastFrameError, KelvoErrorName(notices.lastFrameError));
  }
  Note(detail, ", longest gap %lu ms", (unsigned long)notices.longestGap);
  return NoteErrors(detail) == 0 && started && notices.frames > 0 && notices.frameErrors == 0;
}

static int CheckTrigger(Detail* detail) {
  DWORD started = GetTickCount();
  int armed;
  int errors;
  ResetNotices();
  armed = Kelvo_Trigger(test.camera, test.window, test.picture, sizeof test.picture, 1);
  if (!armed) {
    /* The recorded error says why (a window that could not be made, a
       device that went away): not the trigger source's fault. */
    Note(detail, "trigger mode did not start");
    NoteErrors(detail);
    return 0;
  }
  Pump(TRIGGER_WAIT_MS, 1);
  if (notices.frames > 0) {
    Note(detail, "a triggered frame after %lu ms", (unsigned long)(notices.lastFrameAt - started));
  } else {
    Note(detail, "no triggered frame within %d ms (is the trigger source connected?)",
         TRIGGER_WAIT_MS);
  }
  Kelvo_Close(test.camera);
  errors = NoteErrors(detail);
  return errors == 0 && notices.frames > 0;
}

/* Values set on one handle reach the next one through the registry; the
   customer's own values are put back afterwards. */
static int CheckRegistry(Detail* detail) {
  int brightness = Kelvo_GetBrightness(test.camera, NULL);
  int gain = Kelvo_GetGlobalGain(test.camera, NULL);
  int readBrightness;
  int readGain;
  Kelvo_SetBrightness(test.camera, brightness == 17 ? 18 : 17);
  Kelvo_SetGlobalGain(test.camera, gain == 321 ? 322 : 321);
  Kelvo_Release(test.camera);
  test.camera = Kelvo_Initialize(test.window);
  Kelvo_SetDeviceNumber(test.camera, 0);
  readBrightness = Kelvo_GetBrightness(test.camera, NULL);
  readGain = Kelvo_GetGlobalGain(test.camera, NULL);
  Note(detail, "brightness %d and global gain %d after a release (set %d and %d)", readBrightness,
       readGain, brightness == 17 ? 18 : 17, gain == 321 ? 322 : 321);
  Kelvo_SetBrightness(test.camera, brightness);
  Kelvo_SetGlobalGain(test.camera, gain);
  return NoteErrors(detail) == 0 && readBrightness == (brightness == 17 ? 18 : 17) &&
         readGain == (gain == 321 ? 322 : 321);
}

static int CheckFiles(Detail* detail) {
  char folder[MAX_PATH];
  int written = 0;
  size_t i;
  GetTempPathA(sizeof folder, folder);
  if (!Kelvo_SnapShot(test.camera, test.picture, sizeof test.picture, 1)) {
    Note(detail, "no frame to save");
    NoteErrors(detail);
    return 0;
  }
  for (i = 0; i < KELVO_SAVE_FORMAT_COUNT; ++i) {
    char path[MAX_PATH + 32];
    DWORD started = GetTickCount();
    WIN32_FILE_ATTRIBUTE_DATA file;
    int ok;
    sprintf(path, "%skelvo-selftest.%s", folder, kKelvoSaveFormats[i].extension);
    ok = Kelvo_SaveImage(test.camera, path, kKelvoSaveFormats[i].code) &&
         GetFileAttributesExA(path, GetFileExInfoStandard, &file) && file.nFileSizeLow > 0;
    Note(detail, "%s%s %s %lu ms", i == 0 ? "" : ", ", kKelvoSaveFormats[i].extension,
         ok ? "ok" : "FAILED", (unsigned long)(GetTickCount() - started));
    written += ok;
    DeleteFileA(path);
  }
  return NoteErrors(detail) == 0 && written == KELVO_SAVE_FORMAT_COUNT;
}

/* What a check needs before it runs; without it the check is skipped. */
enum Need { NEEDS_NOTHING, NEEDS_CAMERA, NEEDS_TRIGGER_SOURCE };

static const struct {
  const char* name;
  int (*run)(Detail*);
  enum Need need;
} kChecks[] = {{"enumeration", CheckEnumeration, NEEDS_NOTHING},
               {"start-up", CheckStartUp, NEEDS_CAMERA},
               {"snapshots", CheckSnapshots, NEEDS_CAMERA},
               {"preview", CheckPreview, NEEDS_CAMERA},
               {"trigger", CheckTrigger, NEEDS_TRIGGER_SOURCE},
               {"registry", CheckRegistry, NEEDS_CAMERA},
               {"files", CheckFiles, NEEDS_CAMERA}};
#define CHECKS (sizeof kChecks / sizeof kChecks[0])

/* Why a check cannot run here, or NULL. */
static const char* SkipReason(enum Need need) {
  if (need != NEEDS_NOTHING && test.cameras == 0) return "no camera";
  if (need == NEEDS_TRIGGER_SOURCE && !test.triggerSource) {
    return "no trigger source (run with --trigger when one is wired)";
  }
  return NULL;
}

/* ---- the report */

static void Report(FILE* file, const char* format, ...) {
  va_list arguments;
  va_start(arguments, format);
  vprintf(format, arguments);
  va_end(arguments);
  va_start(arguments, format);
  if (file != NULL) vfprintf(file, format, arguments);
  va_end(arguments);
}

/* The DLL's own version resource (1.2.8.14) and where it was loaded from. */
static void ReportLibrary(FILE* file) {
  char path[MAX_PATH] = "?";
  char version[32] = "?";
  HMODULE module = GetModuleHandleA("KelvoSdk_Q12.dll");
  DWORD ignored = 0;
  DWORD size;
  if (module != NULL) GetModuleFileNameA(module, path, sizeof path);
  size = GetFileVersionInfoSizeA(path, &ignored);
  if (size > 0) {
    void* data = malloc(size);
    VS_FIXEDFILEINFO* fixed = NULL;
    UINT length = 0;
    if (data != NULL && GetFileVersionInfoA(path, 0, size, data) &&
        VerQueryValueA(data, "\\", (void**)&fixed, &length) && length >= sizeof *fixed) {
      sprintf(version, "%u.%u.%u.%u", (unsigned)HIWORD(fixed->dwFileVersionMS),
              (unsigned)LOWORD(fixed->dwFileVersionMS), (unsigned)HIWORD(fixed->dwFileVersionLS),
              (unsigned)LOWORD(fixed->dwFileVersionLS));
    }
    free(data);
  }
  Report(file, "SDK %s (Kelvo_GetDllVersion 0x%08X), DLL %s\n", version,
         (unsigned)Kelvo_GetDllVersion(), path);
}

/* Windows' own version (RtlGetVersion does not depend on the manifest), the
   program's word size and the system's, and Wine's version where it runs. */
static void ReportSystem(FILE* file) {
  typedef LONG(WINAPI * GetVersionFunction)(OSVERSIONINFOW*);
  typedef const char*(CDECL * WineVersionFunction)(void);
  typedef BOOL(WINAPI * IsWow64Function)(HANDLE, BOOL*);
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  GetVersionFunction getVersion = (GetVersionFunction)(void*)GetProcAddress(ntdll, "RtlGetVersion");
  WineVersionFunction wineVersion =
      (WineVersionFunction)(void*)GetProcAddress(ntdll, "wine_get_version");
  IsWow64Function isWow64 =
      (IsWow64Function)(void*)GetProcAddress(GetModuleHandleA("kernel32.dll"), "IsWow64Process");
  OSVERSIONINFOW os;
  BOOL wow64 = FALSE;
  memset(&os, 0, sizeof os);
  os.dwOSVersionInfoSize = sizeof os;
  if (getVersion != NULL) getVersion(&os);
  if (isWow64 != NULL) isWow64(GetCurrentProcess(), &wow64);
  Report(file, "Windows %lu.%lu build %lu, %d-bit program on %d-bit Windows%s%s\n",
         (unsigned long)os.dwMajorVersion, (unsigned long)os.dwMinorVersion,
         (unsigned long)os.dwBuildNumber, (int)(sizeof(void*) * 8),
         sizeof(void*) == 8 || wow64 ? 64 : 32, wineVersion != NULL ? ", Wine " : "",
         wineVersion != NULL ? wineVersion() : "");
}

/* The settings in force at the end, as the camera reports them. */
static void ReportSettings(FILE* file) {
  static const struct {
    int id;
    const char* name;
  } kFilters[] = {{KELVO_FILTER_BRIGHTNESS, "brightness"},
                  {KELVO_FILTER_CONTRAST, "contrast"},
                  {KELVO_FILTER_HUE, "hue"},
                  {KELVO_FILTER_SATURATION, "saturation"},
                  {KELVO_FILTER_SHARPNESS, "sharpness"},
                  {KELVO_FILTER_GAMMA, "gamma"},
                  {KELVO_FILTER_BAYER_GAIN_RED, "red gain"},
                  {KELVO_FILTER_BAYER_GAIN_GREEN, "green gain"},
                  {KELVO_FILTER_BAYER_GAIN_BLUE, "blue gain"},
                  {KELVO_FILTER_BAYER_GAIN_AUTO, "white balance"},
                  {KELVO_FILTER_BAYER_MODE, "Bayer mode"},
                  {KELVO_FILTER_GLOBAL_GAIN, "global gain"},
                  {KELVO_FILTER_EXPOSURE_TIME, "exposure"},
                  {KELVO_FILTER_GRAY_MODE, "gray mode"}};
  size_t i;
  Report(file, "settings: colour mode %d, image %d x %d, wait time %d ms",
         Kelvo_GetColorMode(test.camera), Kelvo_Width(test.camera), Kelvo_Height(test.camera),
         Kelvo_GetWaitTime(test.camera));
  for (i = 0; i < sizeof kFilters / sizeof kFilters[0]; ++i) {
    int ok = 0;
    int value = Kelvo_GetFilterValue(test.camera, kFilters[i].id, &ok);
    if (ok) Report(file, ", %s %d", kFilters[i].name, value);
  }
  Report(file, "\n");
  while (Kelvo_GetLastError(test.camera) != KELVO_ERR_NONE) {
  }
}

static HWND CreateNoticeWindow(void) {
  HINSTANCE instance = GetModuleHandleA(NULL);
  KelvoRegisterWindowClass("KelvoSelfTest", NoticeProc, instance, NULL);
  return CreateWindowExA(0, "KelvoSelfTest", "Q12 self-test", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240,
                         NULL, NULL, instance, NULL);
}

int main(int argc, char** argv) {
  const char* reportPath = "kelvo-selftest-report.txt";
  char fullPath[MAX_PATH];
  char computer[MAX_COMPUTERNAME_LENGTH + 1] = "?";
  DWORD computerSize = sizeof computer;
  SYSTEMTIME now;
  FILE* file;
  char failedNames[256] = "";
  int failed = 0;
  int skipped = 0;
  int i;
  const char* emulator = getenv("KELVO_Q12_EMULATOR");
  test.triggerSource =
      emulator != NULL && emulator[0] != '\0' && getenv("KELVO_Q12_EMULATOR_TRIGGER_MS") != NULL;
  for (i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--report") == 0 && i + 1 < argc) {
      reportPath = argv[++i];
    } else if (strcmp(argv[i], "--trigger") == 0) {
      test.triggerSource = 1;
    } else if (strcmp(argv[i], "--help") == 0 || strcmp(argv[i], "/?") == 0) {
      fputs(kUsage, stdout);
      return 0;
    } else {
      fprintf(stderr, "kelvo-selftest: unknown argument %s\n%s", argv[i], kUsage);
      return EXIT_USAGE;
    }
  }
  file = fopen(reportPath, "w");
  if (file == NULL) fprintf(stderr, "kelvo-selftest: cannot write %s\n", reportPath);

  GetComputerNameA(computer, &computerSize);
  GetLocalTime(&now);
  Report(file, "Q12 self-test report\n");
  Report(file, "%04d-%02d-%02d %02d:%02d, computer %s, emulator %s\n", now.wYear, now.wMonth,
         now.wDay, now.wHour, now.wMinute, computer,
         emulator != NULL && emulator[0] != '\0' ? emulator : "off");
  ReportLibrary(file);
  ReportSystem(file);

  test.window = CreateNoticeWindow();
  test.camera = Kelvo_Initialize(test.window);
  if (test.camera == 0) {
    Report(file, "FAIL  the SDK could not create a camera (out of memory)\n");
    return 1;
  }
  for (i = 0; i < (int)CHECKS; ++i) {
    Detail detail;
    DWORD started = GetTickCount();
    const char* skip = SkipReason(kChecks[i].need);
    const char* verdict;
    detail.text[0] = '\0';
    if (skip != NULL) {
      Note(&detail, "skipped: %s", skip);
      verdict = "SKIP";
      ++skipped;
    } else if (kChecks[i].run(&detail)) {
      verdict = "PASS";
    } else {
      sprintf(failedNames + strlen(failedNames), "%s%s", failed > 0 ? ", " : "", kChecks[i].name);
      ++failed;
      verdict = "FAIL";
    }
    Report(file, "%s  %-12s %6lu ms  %s\n", verdict, kChecks[i].name,
           (unsigned long)(GetTickCount() - started), detail.text);
  }
  if (test.cameras > 0) ReportSettings(file);
  Report(file, "result: %d of %d checks failed%s%s", failed, (int)CHECKS, failed > 0 ? ": " : "",
         failedNames);
  if (skipped > 0) Report(file, " (%d skipped)", skipped);
  Report(file, "\n");
  Kelvo_Release(test.camera);
  DestroyWindow(test.window);
  if (file != NULL) {
    fclose(file);
    if (GetFullPathNameA(reportPath, sizeof fullPath, fullPath, NULL) == 0)
      strcpy(fullPath, reportPath);
    printf("report written to %s\n", fullPath);
  }
  return failed;
}
