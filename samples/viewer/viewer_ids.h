/* The viewer's menu commands and the windows of its side panel. A program
   that drives the viewer (its test does) sends the WM_COMMAND a menu click
   sends and reads the panel's texts by these ids. */
#ifndef KELVO_VIEWER_IDS_H
#define KELVO_VIEWER_IDS_H

enum {
  kMenuSaveAs = 100,
  kMenuSnapshot,
  kMenuLive,
  kMenuExit,
  kMenuCameraDialog,
  kMenuImageDialog,
  kMenuAnalogDialog,
  kMenuFitView,
  kMenuActualSize,
  kMenuCamera0 = 200, /* kMenuCamera0 + i selects camera i */

  kStatusBar = 300, /* parts: state, frame rate, frame counts, last error */
  kPicturePane,     /* holds the SDK's preview window */
  kHistogram,
  kExposureText,
  kGainText,
  kAutomaticText,
  kFormatText,
  kPixelText
};

#define VIEWER_WINDOW_CLASS "KelvoViewer"

#endif
