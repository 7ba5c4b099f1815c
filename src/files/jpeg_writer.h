// JPEG files through libjpeg (API 62).
#pragma once

#include "image/frame_image.h"

namespace kelvo::files {

// Writes an 8-bit grey or 24-bit colour image whose LAST storage row is the
// top of the picture (the dispatcher hands over a row-reversed copy). quality
// goes to the library unchanged. A fatal library error (a full disk, no
// memory) gives 0 with the file closed instead of ending the process.
int WriteJpeg(const char* fileName, const FrameImage& image, int quality, bool progressive);

}  // namespace kelvo::files
