// Kelvo_Set<Name> / Kelvo_Get<Name>: the filter-value pair with a fixed id.
#include "api/export_shape.h"

#define KELVO_FILTER_SHORTCUTS(X)                 \
  X(Brightness, KELVO_FILTER_BRIGHTNESS)          \
  X(Contrast, KELVO_FILTER_CONTRAST)              \
  X(Hue, KELVO_FILTER_HUE)                        \
  X(Saturation, KELVO_FILTER_SATURATION)          \
  X(Sharpness, KELVO_FILTER_SHARPNESS)            \
  X(BayerGainRGB, KELVO_FILTER_BAYER_GAIN_RGB)    \
  X(BayerGainRed, KELVO_FILTER_BAYER_GAIN_RED)    \
  X(BayerGainGreen, KELVO_FILTER_BAYER_GAIN_GREEN) \
  X(BayerGainBlue, KELVO_FILTER_BAYER_GAIN_BLUE)  \
  X(BayerGainAuto, KELVO_FILTER_BAYER_GAIN_AUTO)  \
  X(Gamma, KELVO_FILTER_GAMMA)                    \
  X(BayerMode, KELVO_FILTER_BAYER_MODE)           \
  X(GlobalGain, KELVO_FILTER_GLOBAL_GAIN)         \
  X(ColorGainRed, KELVO_FILTER_COLOR_GAIN_RED)    \
  X(ColorGainGreen1, KELVO_FILTER_COLOR_GAIN_GREEN1) \
  X(ColorGainGreen2, KELVO_FILTER_COLOR_GAIN_GREEN2) \
  X(ColorGainBlue, KELVO_FILTER_COLOR_GAIN_BLUE)  \
  X(ExposureTime, KELVO_FILTER_EXPOSURE_TIME)     \
  X(GrayMode, KELVO_FILTER_GRAY_MODE)             \
  X(GrayGainR, KELVO_FILTER_GRAY_GAIN_R)          \
  X(GrayGainG1, KELVO_FILTER_GRAY_GAIN_G1)        \
  X(GrayGainG2, KELVO_FILTER_GRAY_GAIN_G2)        \
  X(GrayGainB, KELVO_FILTER_GRAY_GAIN_B)          \
  X(GrayOffsetR, KELVO_FILTER_GRAY_OFFSET_R)      \
  X(GrayOffsetG1, KELVO_FILTER_GRAY_OFFSET_G1)    \
  X(GrayOffsetG2, KELVO_FILTER_GRAY_OFFSET_G2)    \
  X(GrayOffsetB, KELVO_FILTER_GRAY_OFFSET_B)

#define KELVO_DEFINE_SHORTCUT(Name, id)                                         \
  extern "C" KELVO_EXPORT int KELVO_CALL Kelvo_Set##Name(KelvoHandle handle, int value) { \
    return Kelvo_SetFilterValue(handle, id, value);                             \
  }                                                                             \
  extern "C" KELVO_EXPORT int KELVO_CALL Kelvo_Get##Name(KelvoHandle handle, int* ok) {   \
    return Kelvo_GetFilterValue(handle, id, ok);                                \
  }

KELVO_FILTER_SHORTCUTS(KELVO_DEFINE_SHORTCUT)
