// Windows bitmaps and raw pixel dumps, written through the platform's output file.
#pragma once

#include "image/frame_image.h"

namespace kelvo::files {

// Writes image as a BMP: file header, the image's own BITMAPINFOHEADER, the
// colour table at 8 bits, then the storage rows in storage order. The caller
// hands over a row-reversed copy so the file comes out bottom-up. 1 when
// every byte reached the file and the file closed cleanly, else 0.
int WriteBmp(const FrameImage& image, const char* fileName);

// Writes height x stride bytes of storage as they lie, top row first, padding
// included. 1 or 0 as for WriteBmp.
int WriteRaw(const FrameImage& image, const char* fileName);

}  // namespace kelvo::files
