#include "error_names.h"

#include <stdio.h>

static const struct {
  int code;
  const char* name;
} kErrorNames[] = {{KELVO_ERR_NONE, "none"},
                   {KELVO_ERR_NO_DEVICE, "no device"},
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

const char* KelvoErrorName(int code) {
  size_t i;
  for (i = 0; i < sizeof kErrorNames / sizeof kErrorNames[0]; ++i) {
    if (kErrorNames[i].code == code) return kErrorNames[i].name;
  }
  return "unknown";
}

void KelvoPrintErrors(KelvoHandle camera, const char* label) {
  int code;
  int count = 0;
  printf("%s", label);
  while ((code = Kelvo_GetLastError(camera)) != KELVO_ERR_NONE) {
    printf(" %d (%s)", code, KelvoErrorName(code));
    ++count;
  }
  printf(count == 0 ? " none\n" : "\n");
}
