#include "frame_pixels.h"

#include <string.h>

/* Per colour mode: bytes per sample, samples per pixel, and where red, green
   and blue are among them (grey modes: the one sample). */
static const struct {
  int bits;
  int sampleBytes;
  int samplesPerPixel;
  int channels;
  int order[3]; /* red, green, blue */
} kModes[] = {{8, 1, 1, 1, {0, 0, 0}},  {16, 2, 1, 1, {0, 0, 0}}, {24, 1, 3, 3, {2, 1, 0}},
              {32, 1, 4, 3, {2, 1, 0}}, {48, 2, 3, 3, {2, 1, 0}}, {64, 2, 4, 3, {2, 1, 0}}};
#define MODES (sizeof kModes / sizeof kModes[0])

static int ModeOf(const FrameLayout* layout) {
  size_t i;
  if (layout == NULL || layout->width <= 0 || layout->height <= 0) return -1;
  for (i = 0; i < MODES; ++i) {
    if (kModes[i].bits == layout->bitsPerPixel) return (int)i;
  }
  return -1;
}

long FrameStride(const FrameLayout* layout) {
  if (ModeOf(layout) < 0) return 0;
  return ((long)layout->width * layout->bitsPerPixel / 8 + 3) / 4 * 4;
}

int FrameSampleMax(const FrameLayout* layout) {
  int mode = ModeOf(layout);
  return mode >= 0 && kModes[mode].sampleBytes == 2 ? 1023 : 255;
}

static int Sample(const unsigned char* pixel, int sampleBytes, int index) {
  if (sampleBytes == 1) return pixel[index];
  return pixel[2 * index] | (pixel[2 * index + 1] << 8);
}

int FramePixel(const unsigned char* frame, const FrameLayout* layout, int x, int y,
               int samples[3]) {
  int mode = ModeOf(layout);
  const unsigned char* pixel;
  int c;
  if (mode < 0 || frame == NULL || x < 0 || y < 0 || x >= layout->width || y >= layout->height) {
    return 0;
  }
  pixel = frame + y * FrameStride(layout) + (long)x * layout->bitsPerPixel / 8;
  for (c = 0; c < kModes[mode].channels; ++c) {
    samples[c] = Sample(pixel, kModes[mode].sampleBytes, kModes[mode].order[c]);
  }
  return kModes[mode].channels;
}

int FrameHistogram(const unsigned char* frame, const FrameLayout* layout, int step,
                   unsigned long bins[3][FRAME_BINS]) {
  int mode = ModeOf(layout);
  int shift, x, y, c;
  long stride, pixelBytes;
  memset(bins, 0, sizeof(unsigned long) * 3 * FRAME_BINS);
  if (mode < 0 || frame == NULL) return 0;
  if (step < 1) step = 1;
  shift = kModes[mode].sampleBytes == 2 ? 2 : 0;
  stride = FrameStride(layout);
  pixelBytes = layout->bitsPerPixel / 8;
  for (y = 0; y < layout->height; y += step) {
    const unsigned char* row = frame + y * stride;
    for (x = 0; x < layout->width; x += step) {
      const unsigned char* pixel = row + x * pixelBytes;
      for (c = 0; c < kModes[mode].channels; ++c) {
        int value = Sample(pixel, kModes[mode].sampleBytes, kModes[mode].order[c]) >> shift;
        ++bins[c][value < FRAME_BINS ? value : FRAME_BINS - 1];
      }
    }
  }
  return kModes[mode].channels;
}
