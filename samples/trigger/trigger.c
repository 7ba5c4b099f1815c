/* The Q12 SDK's two ways to time a frame, from a console program:

   - software trigger: the program decides when. The Q12 has no trigger
     command of its own; a frame timed by the program is a snapshot:
     Kelvo_SnapShot takes the first frame the free-running sensor ends after
     the call, converts it and copies it into the program's buffer.
   - external trigger: Kelvo_Trigger arms the camera, and every edge on its
     trigger input gives one frame, copied into the program's buffer and
     announced to a window with KELVO_MSG_FRAME. The camera stays armed (the
     SDK re-arms each 3000 ms without a word), so the program keeps its own
     timeout, and Kelvo_StopPreview ends trigger mode.

   trigger [--frames n] [--timeout ms] [folder]
     n frames each way (default 5); timeout: how long to wait for the next
     external trigger (default 2000 ms); the first frame of each kind is saved
     as software.png and external.png in folder (default "."), which must exist.
   Exit code: 0 when every frame came, 2 when the external trigger timed out,
   1 when the SDK refused or failed.

   On the emulator (KELVO_Q12_EMULATOR=1), KELVO_Q12_EMULATOR_TRIGGER_MS=100
   wires a trigger source that fires every 100 ms; without it the external
   trigger times out. Plain C89, as a customer's program may be. */
#include <windows.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "KelvoSdk_Q12.h"
#include "error_names.h"
#include "window_class.h"

#define SOFTWARE_INTERVAL_MS 200

static struct {
  long frames; /* external frames announced so far */
  long lost;
  DWORD armedAt;
  DWORD lastEventAt;
  KelvoHandle camera;
  const char* folder;
} run;

static void SavePicture(const char* name) {
  char path[MAX_PATH];
  sprintf(path, "%s\\%s", run.folder, name);
  if (Kelvo_SaveImage(run.camera, path, KELVO_SAVE_PNG)) {
    printf("  saved %s\n", path);
  } else {
    printf("  could not save %s\n", path);
  }
}

/* ---- software trigger: the program times each frame */

static int SoftwareTrigger(void* buffer, int size, int frames) {
  int i;
  for (i = 0; i < frames; ++i) {
    DWORD asked;
    Sleep(SOFTWARE_INTERVAL_MS); /* whatever the program waits for: a part in place, a key */
    asked = GetTickCount();
    if (!Kelvo_SnapShot(run.camera, buffer, size, 1)) {
      printf("software trigger %d: no frame\n", i + 1);
      KelvoPrintErrors(run.camera, "  errors:");
      return 0;
    }
    printf("software trigger %d: frame after %lu ms\n", i + 1,
           (unsigned long)(GetTickCount() - asked));
    if (i == 0) SavePicture("software.png");
  }
  return 1;
}

/* ---- external trigger: the camera's input times each frame */

static LRESULT CALLBACK NoticeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == KELVO_MSG_FRAME) {
    run.lastEventAt = GetTickCount();
    if (wParam == 0) {
      ++run.lost;
      printf("external trigger: a frame was lost: %d (%s)\n", (int)lParam,
             KelvoErrorName((int)lParam));
      return 0;
    }
    ++run.frames;
    printf("external trigger %ld: %d x %d, %d bits, %lu ms after arming\n", run.frames,
           ((const FrameInfo*)wParam)->width, ((const FrameInfo*)wParam)->height,
           ((const FrameInfo*)wParam)->bitsPerPixel, (unsigned long)(run.lastEventAt - run.armedAt));
    if (run.frames == 1) SavePicture("external.png");
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

/* A window that only receives messages: the notices need one, nothing is shown. */
static HWND CreateNoticeWindow(void) {
  KelvoRegisterWindowClass("KelvoTriggerNotices", NoticeProc, GetModuleHandleA(NULL), NULL);
  return CreateWindowExA(0, "KelvoTriggerNotices", "", 0, 0, 0, 0, 0, HWND_MESSAGE, NULL,
                         GetModuleHandleA(NULL), NULL);
}

/* Dispatches messages until frames have come or timeoutMs passed without a notice. */
static int WaitForTriggers(long frames, DWORD timeoutMs) {
  for (;;) {
    MSG message;
    DWORD quiet;
    while (PeekMessageA(&message, NULL, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    if (run.frames >= frames) return 1;
    quiet = GetTickCount() - run.lastEventAt;
    if (quiet >= timeoutMs) return 0;
    MsgWaitForMultipleObjects(0, NULL, FALSE, timeoutMs - quiet, QS_ALLINPUT);
  }
}

static int ExternalTrigger(void* buffer, int size, long frames, DWORD timeoutMs) {
  HWND window = CreateNoticeWindow();
  DWORD stopping;
  int complete;
  run.armedAt = run.lastEventAt = GetTickCount();
  if (!Kelvo_Trigger(run.camera, window, buffer, size, 1)) {
    printf("external trigger: trigger mode did not start\n");
    KelvoPrintErrors(run.camera, "  errors:");
    return 0;
  }
  printf("external trigger: armed, waiting for %ld frames (timeout %lu ms)\n", frames,
         (unsigned long)timeoutMs);
  complete = WaitForTriggers(frames, timeoutMs);
  if (!complete) {
    printf("external trigger: timeout, no trigger for %lu ms (%ld of %ld frames); "
           "is the trigger source connected?\n",
           (unsigned long)timeoutMs, run.frames, frames);
  }
  /* The stop waits for the frame armed last: at most the SDK's 3000 ms limit. */
  stopping = GetTickCount();
  Kelvo_StopPreview(run.camera);
  printf("external trigger: stopped after %lu ms; %ld frames, %ld lost\n",
         (unsigned long)(GetTickCount() - stopping), run.frames, run.lost);
  Kelvo_Close(run.camera); /* and the SDK's preview window with it */
  DestroyWindow(window);
  return complete ? 1 : 2;
}

static int BufferSize(void) {
  long stride = ((long)Kelvo_Width(run.camera) * Kelvo_GetColorMode(run.camera) / 8 + 3) / 4 * 4;
  return (int)(stride * Kelvo_Height(run.camera));
}

int main(int argc, char** argv) {
  long frames = 5;
  DWORD timeoutMs = 2000;
  void* buffer;
  int size, software, external, i;
  run.folder = ".";
  for (i = 1; i < argc; ++i) {
    if (strcmp(argv[i], "--frames") == 0 && i + 1 < argc) {
      frames = atol(argv[++i]);
    } else if (strcmp(argv[i], "--timeout") == 0 && i + 1 < argc) {
      timeoutMs = (DWORD)atol(argv[++i]);
    } else if (argv[i][0] != '-') {
      run.folder = argv[i];
    } else {
      fprintf(stderr, "usage: trigger [--frames n] [--timeout ms] [folder]\n");
      return 1;
    }
  }
  if (frames < 1) frames = 1;

  run.camera = Kelvo_Initialize(NULL);
  if (run.camera == 0) {
    printf("the SDK could not create a camera (out of memory)\n");
    return 1;
  }
  size = BufferSize();
  buffer = malloc(size > 0 ? (size_t)size : 1);
  if (size <= 0 || buffer == NULL) {
    printf("no camera to trigger\n");
    KelvoPrintErrors(run.camera, "  errors:");
    Kelvo_Release(run.camera);
    free(buffer);
    return 1;
  }
  software = SoftwareTrigger(buffer, size, (int)frames);
  external = software ? ExternalTrigger(buffer, size, frames, timeoutMs) : 0;
  KelvoPrintErrors(run.camera, "errors recorded:");
  Kelvo_Release(run.camera);
  free(buffer);
  if (!software || external == 0) return 1;
  return external == 1 ? 0 : 2;
}
