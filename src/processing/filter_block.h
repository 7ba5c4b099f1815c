// The Camera's adjustment settings, read by the frame pipeline on every frame
// and written by the application thread, the dialogs and the automatic stages.
#pragma once

#include "platform/shared_word.h"

namespace kelvo {

// Filter parameters, grey-mode settings and white-balance switches, in the
// order the dialogs and the registry walk them.
struct FilterBlock {
  SharedWord brightness{0};
  SharedWord contrast{0};
  SharedWord hue{0};
  SharedWord saturation{0};
  SharedWord sharpness{0};
  SharedWord colorGainRed{0};
  SharedWord colorGainGreen{0};
  SharedWord colorGainBlue{0};
  SharedWord gamma{0};
  SharedWord bayerMode{0};
  SharedWord grayMode{0};
  SharedWord grayGainR{0};
  SharedWord grayGainG1{0};
  SharedWord grayGainG2{0};
  SharedWord grayGainB{0};
  SharedWord grayOffsetR{0};
  SharedWord grayOffsetG1{0};
  SharedWord grayOffsetG2{0};
  SharedWord grayOffsetB{0};
  SharedWord whiteBalanceAuto{0};
  SharedWord AwbOnceA{0};
  SharedWord AwbOnceB{0};
  SharedWord grayBalanceCount{0};
};

// The sensor settings (the analog block): gains in sensor units, exposure in lines.
struct SensorRecord {
  SharedWord globalGain{0};
  SharedWord colorGainG1{0};
  SharedWord colorGainR{0};
  SharedWord colorGainB{0};
  SharedWord colorGainG2{0};
  SharedWord exposure{0};
  SharedWord verticalMirror{0};
  SharedWord autoIrisMode{0};
};

}  // namespace kelvo
