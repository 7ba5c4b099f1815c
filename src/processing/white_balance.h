// Automatic white balance: red and blue gains that bring the picture's mean red
// and blue to its mean green, measured on the raw frame before the demosaic.
#pragma once

#include <cstdint>

#include "processing/pixel_region.h"

namespace kelvo {

// Measurement record, in this order; the kernel replaces the three gains.
struct WhiteBalanceParams {
  std::int32_t gainBlue;
  std::int32_t gainGreen;
  std::int32_t gainRed;
  std::int32_t bayerMode;
};

// In place over the raw picture. 1 measured (a red or blue mean of 0 gives that
// gain the limit 400); 0 with the gains left as they were when a class has no
// samples or the green mean is 0.
int MeasureWhiteBalance8(KELVO_PIXEL_KERNEL_PARAMS);
int MeasureWhiteBalance16(KELVO_PIXEL_KERNEL_PARAMS);

}  // namespace kelvo
