// Saving the picture of a FrameImage to a file: the format comes from the
// format code alone, never from the file name's extension.
#pragma once

#include "image/frame_image.h"

namespace kelvo {

// The format codes of Kelvo_SaveImage.
enum SaveFormat : int {
  kSaveBmp = 0,
  kSaveRaw = 1,
  kSaveJpeg100 = 2,
  kSaveJpeg70 = 3,
  kSaveJpeg20 = 4,
  kSavePng = 5,
  kSaveTiff = 6,
};

// Writes source as formatCode says. 1 written, 0 not written: an unknown code
// (negative ones included) or a missing image touches no file at all. source
// is never changed.
int SaveImage(const char* fileName, FrameImage* source, int formatCode);

namespace files {

// The 8- or 24-bit, row-reversed picture the JPEG writer takes. On Windows 24-
// and 32-bit images with a DIB section are flipped by GDI, elsewhere by a kernel;
// both give the same bytes. 0 for other bit counts or when memory runs out.
int PrepareJpegImage(FrameImage* source, FrameImage& jpegImage);

}  // namespace files
}  // namespace kelvo
