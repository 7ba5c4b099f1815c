/* The smallest program against the Q12 SDK: open a camera, show what it
   reports, give it back. Written in C89, as a customer's program may be. */
#include <stdio.h>

#include "KelvoSdk_Q12.h"

static const char *ErrorName(int code) {
  static const struct {
    int code;
    const char *name;
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
  printf("recorded errors, newest first:");
  while ((code = Kelvo_GetLastError(camera)) != KELVO_ERR_NONE) {
    printf(" %d (%s)", code, ErrorName(code));
    ++count;
  }
  printf(count == 0 ? " none\n" : "\n");
}

int main(void) {
  KelvoHandle camera;
  int version = Kelvo_GetDllVersion();

  printf("KelvoSdk_Q12 version 0x%08X\n", (unsigned)version);

  camera = Kelvo_Initialize(NULL);
  if (camera == 0) {
    printf("Kelvo_Initialize failed: out of memory\n");
    return 1;
  }
  printf("camera handle 0x%08X: %d x %d pixels, %d bits per pixel\n", camera, Kelvo_Width(camera),
         Kelvo_Height(camera), Kelvo_GetColorMode(camera));
  PrintRecordedErrors(camera);

  printf("Kelvo_SetSubSample (not supported by the Q12): %d\n", Kelvo_SetSubSample(camera, 1));
  PrintRecordedErrors(camera);

  printf("Kelvo_Release: %d\n", Kelvo_Release(camera));
  printf("Kelvo_Release again: %d\n", Kelvo_Release(camera));
  return 0;
}
