// Uncompressed TIFF files through libtiff.
#pragma once

#include "image/frame_image.h"

namespace kelvo::files {

// Writes source as one strip of packed rows, top row first, red before blue,
// 10-bit samples widened to 16 bits. Works on a converted copy: source is
// never changed. 1 when strip and directory reached the file, else 0.
int WriteTiff(const char* fileName, FrameImage* source);

}  // namespace kelvo::files
