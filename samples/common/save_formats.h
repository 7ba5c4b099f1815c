/* The file formats of Kelvo_SaveImage with a file name extension each, shared by the samples. */
#ifndef KELVO_SAMPLES_SAVE_FORMATS_H
#define KELVO_SAMPLES_SAVE_FORMATS_H

typedef struct KelvoSaveFormat {
  int code;              /* KELVO_SAVE_... */
  const char* extension; /* "bmp", "q100.jpg", ... */
} KelvoSaveFormat;

#define KELVO_SAVE_FORMAT_COUNT 7
extern const KelvoSaveFormat kKelvoSaveFormats[KELVO_SAVE_FORMAT_COUNT];

#endif
