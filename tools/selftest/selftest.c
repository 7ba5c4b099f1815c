/* kelvo-selftest: checks the first attached Q12 camera (real or emulated)
   with a fixed suite and writes a pass/fail report with figures that can be
   sent to support.

   kelvo-selftest [--report file]   the report also goes to standard output;
                                    default file kelvo-selftest-report.txt.
   Exit code 0 when every check passed, 1 otherwise. */
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "KelvoSdk_Q12.h"
#include "error_names.h"
#include "save_formats.h"

#define PREVIEW_SECONDS 3
#define TRIGGER_WAIT_MS 4000

static struct {
  KelvoHandle camera;
  HWND window; /* hidden: receives the notices and parents the preview */
  int cameras;
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
    Note(detail, "%s: %d x %d, gain %d..%d, exposure %d..%d", test.name, info.width, info.height,
         info.gainMin, info.gainMax, info.exposureMin, info.exposureMax);
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
  if (started) Pump(PREVIEW_SECONDS * 1000, 0);
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
  ResetNotices();
  armed = Kelvo_Trigger(test.camera, test.window, test.picture, sizeof test.picture, 1);
  if (armed) Pump(TRIGGER_WAIT_MS, 1);
  if (notices.frames > 0) {
    Note(detail, "a triggered frame after %lu ms", (unsigned long)(notices.lastFrameAt - started));
  } else {
    Note(detail, "no triggered frame within %d ms (is a trigger connected?)", TRIGGER_WAIT_MS);
  }
  Kelvo_Close(test.camera);
  return NoteErrors(detail) == 0 && armed && notices.frames > 0;
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

static const struct {
  const char* name;
  int (*run)(Detail*);
  int needsCamera;
} kChecks[] = {{"enumeration", CheckEnumeration, 0},
               {"start-up", CheckStartUp, 1},
               {"snapshots", CheckSnapshots, 1},
               {"preview", CheckPreview, 1},
               {"trigger", CheckTrigger, 1},
               {"registry", CheckRegistry, 1},
               {"files", CheckFiles, 1}};
#define CHECKS (sizeof kChecks / sizeof kChecks[0])

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

static HWND CreateNoticeWindow(void) {
  WNDCLASSA windowClass;
  memset(&windowClass, 0, sizeof windowClass);
  windowClass.lpfnWndProc = NoticeProc;
  windowClass.hInstance = GetModuleHandleA(NULL);
  windowClass.lpszClassName = "KelvoSelfTest";
  RegisterClassA(&windowClass);
  return CreateWindowExA(0, "KelvoSelfTest", "Q12 self-test", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240,
                         NULL, NULL, windowClass.hInstance, NULL);
}

int main(int argc, char** argv) {
  const char* reportPath = "kelvo-selftest-report.txt";
  char computer[MAX_COMPUTERNAME_LENGTH + 1] = "?";
  DWORD computerSize = sizeof computer;
  SYSTEMTIME now;
  FILE* file;
  char failedNames[256] = "";
  int failed = 0;
  size_t i;
  if (argc == 3 && strcmp(argv[1], "--report") == 0) reportPath = argv[2];
  file = fopen(reportPath, "w");
  if (file == NULL) fprintf(stderr, "kelvo-selftest: cannot write %s\n", reportPath);

  GetComputerNameA(computer, &computerSize);
  GetLocalTime(&now);
  Report(file, "Q12 self-test report\n");
  Report(file, "SDK version 0x%08X, %04d-%02d-%02d %02d:%02d, computer %s, emulator %s\n",
         (unsigned)Kelvo_GetDllVersion(), now.wYear, now.wMonth, now.wDay, now.wHour, now.wMinute,
         computer, getenv("KELVO_Q12_EMULATOR") ? getenv("KELVO_Q12_EMULATOR") : "off");

  test.window = CreateNoticeWindow();
  test.camera = Kelvo_Initialize(test.window);
  if (test.camera == 0) {
    Report(file, "FAIL  the SDK could not create a camera (out of memory)\n");
    return 1;
  }
  for (i = 0; i < CHECKS; ++i) {
    Detail detail;
    DWORD started = GetTickCount();
    int passed;
    detail.text[0] = '\0';
    if (kChecks[i].needsCamera && test.cameras == 0) {
      Note(&detail, "skipped: no camera");
      passed = 0;
    } else {
      passed = kChecks[i].run(&detail);
    }
    if (!passed) {
      sprintf(failedNames + strlen(failedNames), "%s%s", failed > 0 ? ", " : "", kChecks[i].name);
      ++failed;
    }
    Report(file, "%s  %-12s %6lu ms  %s\n", passed ? "PASS" : "FAIL", kChecks[i].name,
           (unsigned long)(GetTickCount() - started), detail.text);
  }
  Report(file, "result: %d of %d checks failed%s%s\n", failed, (int)CHECKS, failed > 0 ? ": " : "",
         failedNames);
  Kelvo_Release(test.camera);
  DestroyWindow(test.window);
  if (file != NULL) fclose(file);
  return failed == 0 ? 0 : 1;
}
