// The slider rows of the filter, gray and analog pages: one description per
// row drives the page set-up, the live edits, the refresh and the template checks.
#pragma once

#include <array>
#include <cstdint>

#include "platform/shared_word.h"
#include "records/settings_records.h"

namespace kelvo::dialogs {

// A label, a trackbar, an edit for signed numbers and an up-down bound to it.
struct FilterRow {
  const char* label;
  int trackbar;
  int edit;
  int upDown;
  int y;
  std::int32_t minimum;
  std::int32_t maximum;
  std::int32_t tick;
  SharedWord FilterBlock::*parameter;
  int enableFlag;  // index into the dialog's enable flags; -1: always enabled
};

inline constexpr int kAlwaysEnabled = -1;

inline constexpr std::array<FilterRow, 9> kFilterPageRows = {{
    {"&Brightness", 2001, 2002, 2004, 4, -255, 255, 64, &FilterBlock::brightness, 0},
    {"&Contrast", 2011, 2012, 2014, 20, -127, 127, 32, &FilterBlock::contrast, 1},
    {"&Hue", 2021, 2022, 2024, 35, -360, 360, 90, &FilterBlock::hue, 2},
    {"&Saturation", 2031, 2032, 2034, 50, -255, 255, 64, &FilterBlock::saturation, 3},
    {"Shar&pness", 2041, 2042, 2044, 65, 0, 30, 4, &FilterBlock::sharpness, 4},
    {"&R Gain", 2051, 2052, 2054, 80, 0, 400, 32, &FilterBlock::colorGainRed, 5},
    {"&G Gain", 2061, 2062, 2063, 95, 0, 400, 32, &FilterBlock::colorGainGreen, 6},
    {"&B Gain", 2071, 2072, 2073, 110, 0, 400, 32, &FilterBlock::colorGainBlue, 7},
    {"&Gamma", 2081, 2082, 2084, 125, 0, 200, 32, &FilterBlock::gamma, 8},
}};

inline constexpr std::array<FilterRow, 8> kGrayPageRows = {{
    {"Red", 2100, 2101, 2102, 9, 0, 400, 32, &FilterBlock::grayGainR, kAlwaysEnabled},
    {"Green1", 2103, 2104, 2105, 24, 0, 400, 32, &FilterBlock::grayGainG1, kAlwaysEnabled},
    {"Green2", 2106, 2107, 2108, 39, 0, 400, 32, &FilterBlock::grayGainG2, kAlwaysEnabled},
    {"Blue", 2109, 2110, 2111, 54, 0, 400, 32, &FilterBlock::grayGainB, kAlwaysEnabled},
    {"Red", 2112, 2113, 2114, 81, -255, 255, 32, &FilterBlock::grayOffsetR, kAlwaysEnabled},
    {"Green1", 2115, 2116, 2117, 96, -255, 255, 32, &FilterBlock::grayOffsetG1, kAlwaysEnabled},
    {"Green2", 2118, 2119, 2120, 111, -255, 255, 32, &FilterBlock::grayOffsetG2, kAlwaysEnabled},
    {"Blue", 2121, 2122, 2123, 126, -255, 255, 32, &FilterBlock::grayOffsetB, kAlwaysEnabled},
}};

// Where trackbar, edit and up-down of a page's rows stand (dialog units).
struct RowColumns {
  int trackbarX;
  int editX;
  int upDownX;
};
inline constexpr RowColumns kFilterPageColumns = {40, 136, 153};
inline constexpr RowColumns kGrayPageColumns = {36, 132, 155};

// The enable flags of the filter dialog for a colour mode: 19 flags, of which
// 0..8 are the rows, 9 the gray page and 15 the white-balance and Bayer controls.
inline constexpr int kGrayPageFlag = 9;
inline constexpr int kColourControlsFlag = 15;
using EnableFlags = std::array<int, 19>;
inline EnableFlags FilterEnableFlags(std::int32_t colorMode) {
  const bool mono = colorMode == 0 || colorMode == 1;
  EnableFlags flags{};
  for (const FilterRow& row : kFilterPageRows) flags[row.enableFlag] = 1;
  if (mono) {
    for (int colourOnly : {2, 3, 5, 6, 7}) flags[colourOnly] = 0;
  }
  flags[kGrayPageFlag] = mono ? 1 : 0;
  flags[kColourControlsFlag] = mono ? 0 : 1;
  return flags;
}

// The analog page's rows; the colour gains are shown but cannot be changed.
enum class AnalogRange { Gain, Exposure, Fixed };
struct AnalogRow {
  const char* label;
  int trackbar;
  int edit;
  int upDown;
  int y;
  AnalogRange range;
  SharedWord SensorRecord::*value;
};

inline constexpr std::array<AnalogRow, 6> kAnalogPageRows = {{
    {"&Global Gain", 1014, 1015, 1038, 13, AnalogRange::Gain, &SensorRecord::globalGain},
    {"&Color Gain G1", 1018, 1019, 1039, 35, AnalogRange::Fixed, &SensorRecord::colorGainG1},
    {"&Color Gain R", 1020, 1021, 1040, 50, AnalogRange::Fixed, &SensorRecord::colorGainR},
    {"&Color Gain B", 1022, 1023, 1041, 65, AnalogRange::Fixed, &SensorRecord::colorGainB},
    {"&Color Gain G2", 1024, 1025, 1042, 80, AnalogRange::Fixed, &SensorRecord::colorGainG2},
    {"&Exposure", 1026, 1027, 1043, 95, AnalogRange::Exposure, &SensorRecord::exposure},
}};
inline constexpr RowColumns kAnalogPageColumns = {50, 143, 175};

}  // namespace kelvo::dialogs
