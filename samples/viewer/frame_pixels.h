/* Reading the frames the SDK copies into an application's buffer with
   memory order 1: stored row 0 is the top of the picture, rows are padded to
   a multiple of 4 bytes, colour pixels are blue, green, red (and an unused
   fourth sample in the 32- and 64-bit modes), and the 16-, 48- and 64-bit
   modes hold 10-bit samples (0..1023) in little-endian 16-bit words. */
#ifndef KELVO_VIEWER_FRAME_PIXELS_H
#define KELVO_VIEWER_FRAME_PIXELS_H

typedef struct FrameLayout {
  int width;
  int height;
  int bitsPerPixel; /* 8, 16, 24, 32, 48 or 64 */
} FrameLayout;

#define FRAME_BINS 256

/* Bytes of one stored row; 0 for a layout the SDK never delivers. */
long FrameStride(const FrameLayout* layout);

/* The largest sample value: 255, or 1023 in the 16-, 48- and 64-bit modes. */
int FrameSampleMax(const FrameLayout* layout);

/* The samples of pixel (x, y): red, green, blue in a colour mode, one grey
   value in a monochrome one. Returns how many (3 or 1), 0 outside the frame. */
int FramePixel(const unsigned char* frame, const FrameLayout* layout, int x, int y,
               int samples[3]);

/* Counts every step-th pixel of every step-th row into 256 bins per channel
   (red, green, blue; grey in bins[0]); a 10-bit sample falls into bin
   value / 4. Returns the channel count (3 or 1), 0 for a bad layout. */
int FrameHistogram(const unsigned char* frame, const FrameLayout* layout, int step,
                   unsigned long bins[3][FRAME_BINS]);

#endif
