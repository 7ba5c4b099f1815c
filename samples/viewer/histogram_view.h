/* A child window that draws a histogram of 256 bins per channel: red, green
   and blue curves, or one grey curve. */
#ifndef KELVO_VIEWER_HISTOGRAM_VIEW_H
#define KELVO_VIEWER_HISTOGRAM_VIEW_H

#include <windows.h>

#include "frame_pixels.h"

HWND CreateHistogramView(HWND parent, int id, HINSTANCE instance);

/* Copies the bins and redraws; channels 0 shows an empty histogram. */
void ShowHistogram(HWND view, unsigned long bins[3][FRAME_BINS], int channels);

#endif
