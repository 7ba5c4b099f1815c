/* The smallest program against the Q12 SDK: open a camera, show what it
   reports, give it back. Written in C89, as a customer's program may be. */
#include <stdio.h>

#include "KelvoSdk_Q12.h"

static void PrintRecordedErrors(KelvoHandle camera) {
  int code;
  int count = 0;
  printf("recorded errors, newest first:");
  while ((code = Kelvo_GetLastError(camera)) != KELVO_ERR_NONE) {
    printf(" %d", code);
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

  printf("Kelvo_Release: %d\n", Kelvo_Release(camera));
  printf("Kelvo_Release again: %d\n", Kelvo_Release(camera));
  return 0;
}
