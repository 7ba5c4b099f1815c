// Control ids and page placement that more than one dialog, or a dialog and
// its scripted stand-in, refer to. Ids used by one dialog alone stay in it.
#pragma once

namespace kelvo::dialogs {

inline constexpr int kTab = 1001;
inline constexpr int kDefault = 3;
inline constexpr int kMirror = 1029;
inline constexpr int kAllFrames = 1035;
inline constexpr int kAutoGain = 1036;
inline constexpr int kAutoExposure = 1037;
inline constexpr int kOnce = 2074;
// Where a page sits in its sheet's tab control, in pixels.
inline constexpr int kPagePixelX = 30;
inline constexpr int kPagePixelY = 25;

}  // namespace kelvo::dialogs
