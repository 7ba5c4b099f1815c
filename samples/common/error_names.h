/* Names for the SDK's error codes, shared by the samples. */
#ifndef KELVO_SAMPLES_ERROR_NAMES_H
#define KELVO_SAMPLES_ERROR_NAMES_H

#include "KelvoSdk_Q12.h"

/* "no device", "device absent", ...; "none" for 0 and "unknown" for codes the SDK never records. */
const char* KelvoErrorName(int code);

/* Pops the camera's recorded errors and prints them, newest first, after a label. */
void KelvoPrintErrors(KelvoHandle camera, const char* label);

#endif
