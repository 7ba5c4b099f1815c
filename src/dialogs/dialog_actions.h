// What the dialogs' buttons do to the records, apart from the windows that
// show them: shared by the dialogs and by their stand-in where there are none.
#pragma once

#include <cstdint>

#include "processing/sensor_control.h"
#include "records/settings_records.h"

namespace kelvo::dialogs {

// "Default" of the image filter dialog: the filter page's values, and the gray
// page's when it is shown. Gray mode and the automatic switches stay.
inline void SetFilterDefaults(FilterBlock& block, bool grayPageShown) {
  for (SharedWord FilterBlock::*word :
       {&FilterBlock::brightness, &FilterBlock::contrast, &FilterBlock::hue,
        &FilterBlock::saturation, &FilterBlock::sharpness, &FilterBlock::bayerMode}) {
    block.*word = 0;
  }
  for (SharedWord FilterBlock::*word : {&FilterBlock::colorGainRed, &FilterBlock::colorGainGreen,
                                        &FilterBlock::colorGainBlue, &FilterBlock::gamma}) {
    block.*word = 100;
  }
  if (!grayPageShown) return;
  for (SharedWord FilterBlock::*word : {&FilterBlock::grayGainR, &FilterBlock::grayGainG1,
                                        &FilterBlock::grayGainG2, &FilterBlock::grayGainB}) {
    block.*word = 128;
  }
  for (SharedWord FilterBlock::*word : {&FilterBlock::grayOffsetR, &FilterBlock::grayOffsetG1,
                                        &FilterBlock::grayOffsetG2, &FilterBlock::grayOffsetB}) {
    block.*word = 0;
  }
}

// "Once": one measurement, after which the white balance clears the switch and both flags.
inline void MeasureWhiteBalanceOnce(FilterBlock& block) {
  block.whiteBalanceAuto = 1;
  block.AwbOnceA = 1;
  block.AwbOnceB = 1;
}

// "All frames" checked or unchecked.
inline void MeasureWhiteBalanceEveryFrame(FilterBlock& block, bool checked) {
  block.whiteBalanceAuto = checked ? 1 : 0;
  block.AwbOnceA = 0;
  block.AwbOnceB = 0;
}

// "Default" of the analog dialog: gain and exposure on the sensor at once;
// mirror and automatic mode stay.
inline void SetAnalogDefaults(SensorRecord& sensor, SensorControl& control) {
  sensor.globalGain = 150;
  for (SharedWord SensorRecord::*gain : {&SensorRecord::colorGainG1, &SensorRecord::colorGainR,
                                         &SensorRecord::colorGainB, &SensorRecord::colorGainG2}) {
    sensor.*gain = 0;
  }
  sensor.exposure = 2;
  control.WriteGain(150);
  control.WriteExposure(2);
}

}  // namespace kelvo::dialogs
