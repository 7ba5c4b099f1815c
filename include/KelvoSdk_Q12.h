/*
 * KelvoSdk_Q12.h - the C interface of KelvoSdk_Q12.dll, the SDK of the Q12
 * industrial camera (1280 x 960, Bayer sensor, 8 or 10 bits per sample).
 *
 * Usage in short:
 *   KelvoHandle cam = Kelvo_Initialize(hwnd);   (0 only when out of memory)
 *   Kelvo_SetColorMode(cam, 24);
 *   Kelvo_SnapShot(cam, buffer, bufferSize, 1);
 *   Kelvo_SaveImage(cam, "frame.png", KELVO_SAVE_PNG);
 *   Kelvo_Release(cam);
 *
 * Conventions that hold for every function below:
 * - All functions use the C calling convention and return a 32-bit int:
 *   1 for success and 0 for failure, unless the comment says otherwise.
 * - Every function but Kelvo_GetDllVersion and Kelvo_Initialize takes the
 *   camera handle first. With a handle that is not registered (never issued,
 *   already released, or 0) a function returns its failure value, writes none
 *   of its output arguments and records no error.
 * - A failure inside a camera records an error code (KELVO_ERR_*), which
 *   Kelvo_GetLastError returns newest first, and posts KELVO_MSG_ERROR
 *   (wParam 0, lParam the code) to the window given to Kelvo_Initialize.
 * - Output flags ("ok") may be null; when given they receive 1 or 0.
 *
 * The header is plain C89 and can be used from C++.
 */
#ifndef KELVOSDK_Q12_H
#define KELVOSDK_Q12_H

#ifdef _WIN32
#include <windows.h>
#define KELVO_CALL __cdecl
typedef HWND KelvoWindow;
#else
#define KELVO_CALL
typedef void *KelvoWindow;
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* An opaque camera handle; 0 is never a valid handle. */
typedef unsigned int KelvoHandle;

/* Value returned by Kelvo_GetDllVersion. */
#define KELVO_DLL_VERSION 0x001D0502

/* Window messages posted to the application (WM_APP + 2 and WM_APP + 3). */
#define KELVO_MSG_FRAME 0x8002 /* wParam: address of a FrameInfo, or 0 with lParam an error code */
#define KELVO_MSG_ERROR 0x8003 /* wParam: 0, lParam: the recorded error code */

/* Error codes returned by Kelvo_GetLastError. */
#define KELVO_ERR_NONE 0
#define KELVO_ERR_NO_DEVICE 1        /* camera not initialised, SROM failure, no image to save/copy */
#define KELVO_ERR_DEVICE_ABSENT 2    /* the selected or requested device is not attached */
#define KELVO_ERR_THREAD 3           /* a worker thread or its event could not be created */
#define KELVO_ERR_WINDOW 4           /* a window failed, or a dialog of its kind is open */
#define KELVO_ERR_BUFFER 5           /* an image buffer failed, or the caller's buffer is too small */
#define KELVO_ERR_DEVICE_IO 6        /* a register access or the continuous transfer failed */
#define KELVO_ERR_GEOMETRY 7         /* a stored capture size or format value is invalid */
#define KELVO_ERR_FRAME 8            /* a received frame could not be extracted */
#define KELVO_ERR_ARGUMENT 9         /* an argument is out of range */
#define KELVO_ERR_NOT_SUPPORTED 11   /* the function is not supported by the Q12 */
#define KELVO_ERR_TRANSFER_STOPPED 13 /* the continuous transfer ended by a failure or never opened */

/* Colour modes: bits per pixel accepted by Kelvo_SetColorMode. */
#define KELVO_COLOR_MONO8 8
#define KELVO_COLOR_MONO16 16
#define KELVO_COLOR_RGB24 24
#define KELVO_COLOR_RGB32 32
#define KELVO_COLOR_RGB48 48
#define KELVO_COLOR_RGB64 64

/* File formats of Kelvo_SaveImage. */
#define KELVO_SAVE_BMP 0
#define KELVO_SAVE_RAW 1
#define KELVO_SAVE_JPEG_HIGH 2   /* quality 100 */
#define KELVO_SAVE_JPEG_MEDIUM 3 /* quality 70 */
#define KELVO_SAVE_JPEG_LOW 4    /* quality 20 */
#define KELVO_SAVE_PNG 5
#define KELVO_SAVE_TIFF 6

/* Filter ids of Kelvo_SetFilterValue / Kelvo_GetFilterValue, with the values accepted. */
#define KELVO_FILTER_BRIGHTNESS 1        /* -255 .. 255, neutral 0 */
#define KELVO_FILTER_CONTRAST 2          /* -127 .. 127, neutral 0 */
#define KELVO_FILTER_HUE 3               /* -360 .. 360, neutral 0 */
#define KELVO_FILTER_SATURATION 4        /* -255 .. 255, neutral 0 */
#define KELVO_FILTER_SHARPNESS 5         /* 0 .. 30, neutral 0 */
#define KELVO_FILTER_BAYER_GAIN_RGB 6    /* 0x00BBGGRR, the three colour gains packed */
#define KELVO_FILTER_BAYER_GAIN_RED 7    /* 0 .. 400 percent, neutral 100 */
#define KELVO_FILTER_BAYER_GAIN_GREEN 8  /* 0 .. 400 percent, neutral 100 */
#define KELVO_FILTER_BAYER_GAIN_BLUE 9   /* 0 .. 400 percent, neutral 100 */
#define KELVO_FILTER_BAYER_GAIN_AUTO 10  /* automatic white balance: 0 off, non-zero on */
#define KELVO_FILTER_GAMMA 11            /* 0 .. 200, neutral 100 */
#define KELVO_FILTER_BAYER_MODE 12       /* 0 .. 3, colour order of the first two rows */
#define KELVO_FILTER_GLOBAL_GAIN 13      /* 0 .. 1023, written to the sensor at once */
#define KELVO_FILTER_COLOR_GAIN_RED 14   /* always refused */
#define KELVO_FILTER_COLOR_GAIN_GREEN1 15 /* always refused */
#define KELVO_FILTER_COLOR_GAIN_GREEN2 16 /* always refused */
#define KELVO_FILTER_COLOR_GAIN_BLUE 17  /* always refused */
#define KELVO_FILTER_EXPOSURE_TIME 18    /* 2 .. 1493, written to the sensor at once */
#define KELVO_FILTER_GRAY_MODE 19        /* 0 .. 2 */
#define KELVO_FILTER_GRAY_GAIN_R 20      /* 0 .. 255, neutral 128 */
#define KELVO_FILTER_GRAY_GAIN_G1 21     /* 0 .. 255, neutral 128 */
#define KELVO_FILTER_GRAY_GAIN_G2 22     /* 0 .. 255, neutral 128 */
#define KELVO_FILTER_GRAY_GAIN_B 23      /* 0 .. 255, neutral 128 */
#define KELVO_FILTER_GRAY_OFFSET_R 24    /* -255 .. 255, neutral 0 */
#define KELVO_FILTER_GRAY_OFFSET_G1 25   /* -255 .. 255, neutral 0 */
#define KELVO_FILTER_GRAY_OFFSET_G2 26   /* -255 .. 255, neutral 0 */
#define KELVO_FILTER_GRAY_OFFSET_B 27    /* -255 .. 255, neutral 0 */

/* Size of one slot of the name buffer of Kelvo_EnumDevice, and the slot count. */
#define KELVO_DEVICE_NAME_SLOT 256
#define KELVO_DEVICE_NAME_SLOTS 10

/* Filled by Kelvo_GetCameraInfo; set size to sizeof(CameraInfo) (at least 36). */
typedef struct CameraInfo {
  unsigned int size;
  int width;       /* 1280 */
  int height;      /* 960 */
  int gainMin;     /* 0 */
  int gainMax;     /* 1023 */
  int reserved[2]; /* 0, 0 */
  int exposureMin; /* 2 */
  int exposureMax; /* 2079 */
} CameraInfo;

/* Sent with KELVO_MSG_FRAME; rewritten for every frame. The address stays
   readable for the life of the process, also for a notice dispatched after
   Kelvo_Release; from then on its values may be another camera's, so read it
   only while the handle lives. */
typedef struct FrameInfo {
  int size;         /* 24 */
  int width;        /* of the delivered image */
  int height;
  int bitsPerPixel; /* 8, 16, 24, 32, 48 or 64 */
  int frameRate;    /* tenths of frames per second in preview; 0 in trigger mode */
  int reserved;     /* 0 */
} FrameInfo;

/* ---- Lifecycle, identity and errors ------------------------------------ */

/* The library version, 0x001D0502. Needs no handle and never fails. */
int KELVO_CALL Kelvo_GetDllVersion(void);

/* Creates and initialises a camera; appWindow (may be null) receives KELVO_MSG_ERROR.
   Returns the new handle, or 0 when the camera cannot be allocated. A failed
   initialisation still returns the handle and records KELVO_ERR_BUFFER. Stored
   settings that would make the camera useless (a size preset outside the sensor
   or under 4 x 4, a colour mode outside 0..5, a wait time of 0 or less) are
   replaced by the first-run values and record KELVO_ERR_GEOMETRY. */
KelvoHandle KELVO_CALL Kelvo_Initialize(KelvoWindow appWindow);

/* Saves the settings, stops acquisition, closes the device and frees the handle.
   Returns 1, or 0 when the handle is not registered. */
int KELVO_CALL Kelvo_Release(KelvoHandle handle);

/* Removes and returns the newest recorded error code; 0 when none is left (and on failure). */
int KELVO_CALL Kelvo_GetLastError(KelvoHandle handle);

/* Selects device 0..7 and runs the sensor's start-up sequence. Failure 0 (also,
   without an error, while previewing or in trigger mode: stop first);
   errors NO_DEVICE, DEVICE_ABSENT (index not attached). */
int KELVO_CALL Kelvo_SetDeviceNumber(KelvoHandle handle, int index);

/* Writes the names of the attached devices ("KelvoQ12_01", ...) into ten
   256-byte slots (2560 bytes) and returns how many were found.
   Failure 0; error NO_DEVICE. */
int KELVO_CALL Kelvo_EnumDevice(KelvoHandle handle, char *names);

/* Writes the name of device index 0..7 ("KelvoQ12_<index + 1>") into name
   (size at least 15). Failure 0; errors NO_DEVICE, ARGUMENT (size below 15),
   DEVICE_ABSENT; an index outside 0..7 fails without an error. */
int KELVO_CALL Kelvo_GetDeviceName(KelvoHandle handle, int index, char *name, int size);

/* Fills info (info->size set by the caller, at least 36) with the sensor's limits.
   Failure 0; errors NO_DEVICE, ARGUMENT (info null), BUFFER (size below 36). */
int KELVO_CALL Kelvo_GetCameraInfo(KelvoHandle handle, CameraInfo *info);

/* Always 0; the argument is ignored and nothing is recorded. */
int KELVO_CALL Kelvo_GetStatus(KelvoHandle handle, int unused);

/* Width of the image in pixels; failure 0. */
int KELVO_CALL Kelvo_Width(KelvoHandle handle);

/* Height of the image in pixels; failure 0. */
int KELVO_CALL Kelvo_Height(KelvoHandle handle);

/* Chooses the colour mode by bits per pixel (KELVO_COLOR_*); takes effect at the
   next start of acquisition. Failure 0; error ARGUMENT for any other value. */
int KELVO_CALL Kelvo_SetColorMode(KelvoHandle handle, int bitsPerPixel);

/* Bits per pixel of the current colour mode (8 .. 64); failure -1. */
int KELVO_CALL Kelvo_GetColorMode(KelvoHandle handle);

/* Places the next preview window: a child of parent at (x, y, width, height),
   or a top-level window when parent is null. Failure 0; error NO_DEVICE. */
int KELVO_CALL Kelvo_SetPreviewWindow(KelvoHandle handle, KelvoWindow parent, int x, int y,
                                      int width, int height);

/* ---- Acquisition and images --------------------------------------------- */

/* Starts a live preview in the library's window, without notifications.
   Failure 0; errors NO_DEVICE, DEVICE_ABSENT, THREAD, WINDOW, BUFFER, DEVICE_IO, GEOMETRY. */
int KELVO_CALL Kelvo_Preview(KelvoHandle handle);

/* As Kelvo_Preview, and copies every frame into buffer (bufferSize bytes; none
   when null) and posts KELVO_MSG_FRAME to notifyWindow. memoryOrder non-zero
   keeps the stored row order (top row first), 0 reverses it. A start that fails
   keeps no buffer: it may be freed at once. Kelvo_Close, and Kelvo_StopPreview
   after this start, forget the buffer and notifyWindow: a later
   Kelvo_StartPreview copies and posts nothing.
   Failure 0; errors as Kelvo_Preview. */
int KELVO_CALL Kelvo_CallBackPreview(KelvoHandle handle, KelvoWindow notifyWindow, void *buffer,
                                     int bufferSize, int memoryOrder);

/* Starts streaming frames without a window. Returns 1 at once when already previewing.
   Failure 0 (also, without an error, while captured or in trigger mode);
   errors NO_DEVICE, DEVICE_ABSENT, GEOMETRY, BUFFER, THREAD, DEVICE_IO. */
int KELVO_CALL Kelvo_StartPreview(KelvoHandle handle);

/* Stops preview or trigger mode and waits for the worker to end.
   Failure 0; errors NO_DEVICE, DEVICE_IO. */
int KELVO_CALL Kelvo_StopPreview(KelvoHandle handle);

/* Prepares the buffers once for Kelvo_SnapShot. Failure 0 (without an error while
   previewing or in trigger mode); errors NO_DEVICE, DEVICE_ABSENT, GEOMETRY, BUFFER. */
int KELVO_CALL Kelvo_Capture(KelvoHandle handle);

/* Takes one frame, converts it and copies it into buffer (skipped when buffer is
   null or bufferSize 0). Failure 0; errors NO_DEVICE, DEVICE_ABSENT, GEOMETRY,
   BUFFER (also when bufferSize is below the image size), FRAME. */
int KELVO_CALL Kelvo_SnapShot(KelvoHandle handle, void *buffer, int bufferSize, int memoryOrder);

/* Waits for external triggers on a worker thread; each frame is copied into buffer
   and announced to notifyWindow with KELVO_MSG_FRAME. A start that fails keeps
   no buffer; Kelvo_StopPreview and Kelvo_Close forget the buffer and the window.
   Failure 0; errors NO_DEVICE, WINDOW, DEVICE_ABSENT, GEOMETRY, BUFFER, THREAD. */
int KELVO_CALL Kelvo_Trigger(KelvoHandle handle, KelvoWindow notifyWindow, void *buffer,
                             int bufferSize, int memoryOrder);

/* Copies the last converted frame into buffer again. During acquisition that is
   the image of the colour mode the acquisition started with (a mode set since
   takes effect at the next start), as for Kelvo_SaveImage.
   Failure 0; errors NO_DEVICE (no image), BUFFER (no pixels, null or small buffer). */
int KELVO_CALL Kelvo_GetImage(KelvoHandle handle, void *buffer, int bufferSize, int memoryOrder);

/* Stops acquisition and destroys the preview window. Returns 1; failure 0 only
   for an unregistered handle. */
int KELVO_CALL Kelvo_Close(KelvoHandle handle);

/* Saves the current image as format (KELVO_SAVE_*); the extension of fileName plays
   no part. Failure 0; error NO_DEVICE when there is no image. */
int KELVO_CALL Kelvo_SaveImage(KelvoHandle handle, const char *fileName, int format);

/* ---- Settings, dialogs and filters --------------------------------------- */

/* Runs the modal camera format dialog; acquisition pauses around it.
   Returns 1 once it has closed. Failure 0; error NO_DEVICE, or WINDOW when a
   camera format dialog is open already in this process (of any camera, from any
   thread): nothing is then stopped or changed. The same holds for each of the
   other two dialogs: one of each kind at a time. */
int KELVO_CALL Kelvo_SetCameraDlg(KelvoHandle handle, KelvoWindow parent);

/* Runs the modal image filter dialog. Returns 1 once it has closed. Cancel puts
   every value back, after switching off the automatic white and gray balance.
   Failure 0; errors NO_DEVICE, WINDOW (one open already, see Kelvo_SetCameraDlg). */
int KELVO_CALL Kelvo_SetImageDlg(KelvoHandle handle, KelvoWindow parent);

/* Runs the modal analog (gain and exposure) dialog. Returns 1 once it has closed.
   Cancel puts gain and exposure back on the sensor, after switching off the
   automatic iris. Failure 0; errors NO_DEVICE, WINDOW (one open already). */
int KELVO_CALL Kelvo_SetAnalogDlg(KelvoHandle handle, KelvoWindow parent);

/* Sets filter filterId (KELVO_FILTER_*) to value. Failure 0 with nothing changed;
   errors NO_DEVICE, ARGUMENT (unknown id, ids 14 to 17, value out of range). */
int KELVO_CALL Kelvo_SetFilterValue(KelvoHandle handle, int filterId, int value);

/* Returns the value of filter filterId; *ok receives 1 or 0.
   Failure 0; errors NO_DEVICE, ARGUMENT. */
int KELVO_CALL Kelvo_GetFilterValue(KelvoHandle handle, int filterId, int *ok);

/* Sets the pause of the preview loop between polls in milliseconds (default 10).
   Failure 0 without an error when milliseconds is negative. */
int KELVO_CALL Kelvo_SetWaitTime(KelvoHandle handle, int milliseconds);

/* The pause of the preview loop in milliseconds; failure -1. */
int KELVO_CALL Kelvo_GetWaitTime(KelvoHandle handle);

/* Mirrors the picture vertically when flag is non-zero. Failure 0; error NO_DEVICE. */
int KELVO_CALL Kelvo_SetMirrorV(KelvoHandle handle, int flag);

/* The vertical mirror flag (0 or 1). Failure 0; error NO_DEVICE. */
int KELVO_CALL Kelvo_GetMirrorV(KelvoHandle handle);

/* Always 0: the Q12 has no horizontal mirror. Nothing is recorded. */
int KELVO_CALL Kelvo_GetMirrorH(KelvoHandle handle);

/* Automatic exposure: 0 off, 1 and 2 the two automatic modes. Failure 0; error ARGUMENT. */
int KELVO_CALL Kelvo_SetAutoIris(KelvoHandle handle, int mode);

/* The automatic exposure mode; *ok receives 1. Failure 0 with ok untouched. */
int KELVO_CALL Kelvo_GetAutoIris(KelvoHandle handle, int *ok);

/* Always 0: the Q12 does not sub-sample. Failure -1. */
int KELVO_CALL Kelvo_GetSubSample(KelvoHandle handle);

/* Always 0, and *value (when not null) receives 0. Failure 0 with value untouched. */
int KELVO_CALL Kelvo_GetHalfClock(KelvoHandle handle, int *value);

/* Always 0, and *value (when not null) receives 0. Failure 0 with value untouched. */
int KELVO_CALL Kelvo_GetSamplingRate(KelvoHandle handle, int *value);

/* Always 0, and *value (when not null) receives 0. Failure 0 with value untouched. */
int KELVO_CALL Kelvo_GetVideoFormat(KelvoHandle handle, int *value);

/* ---- Device access -------------------------------------------------------- */

/* Writes the low 16 bits of value to sensor register address & 0xFF.
   Failure 0; errors NO_DEVICE, DEVICE_IO. */
int KELVO_CALL Kelvo_WriteRegister(KelvoHandle handle, int address, int value);

/* The last value written to sensor register address & 0xFF; *ok receives 1 or 0.
   Failure 0; errors NO_DEVICE, DEVICE_IO. */
int KELVO_CALL Kelvo_ReadRegister(KelvoHandle handle, int address, int *ok);

/* Writes byte value to SROM id index 0..7. Failure 0; error NO_DEVICE. */
int KELVO_CALL Kelvo_WriteSromID(KelvoHandle handle, int index, int value);

/* Reads SROM id byte index (0..255 returned); *ok receives 1 or 0.
   Failure 0; error NO_DEVICE. */
int KELVO_CALL Kelvo_ReadSromID(KelvoHandle handle, int index, int *ok);

/* ---- Not supported by the Q12 ---------------------------------------------
   Each records KELVO_ERR_NOT_SUPPORTED and returns 0; further arguments are ignored. */

int KELVO_CALL Kelvo_Fpga_ReadRegister(KelvoHandle handle, ...);
int KELVO_CALL Kelvo_Fpga_WriteRegister(KelvoHandle handle, ...);
int KELVO_CALL Kelvo_Fps(KelvoHandle handle, ...);
int KELVO_CALL Kelvo_GetCameraType(KelvoHandle handle, ...);
int KELVO_CALL Kelvo_GetCaptureWindowEx(KelvoHandle handle, ...);
int KELVO_CALL Kelvo_GetIOPort(KelvoHandle handle, ...);
int KELVO_CALL Kelvo_Record(KelvoHandle handle, ...);
int KELVO_CALL Kelvo_SetCameraType(KelvoHandle handle, ...);
int KELVO_CALL Kelvo_SetCaptureWindow(KelvoHandle handle, ...);
int KELVO_CALL Kelvo_SetCaptureWindowEx(KelvoHandle handle, ...);
int KELVO_CALL Kelvo_SetCrossbar(KelvoHandle handle, ...);
int KELVO_CALL Kelvo_SetHalfClock(KelvoHandle handle, ...);
int KELVO_CALL Kelvo_SetIOPort(KelvoHandle handle, ...);
int KELVO_CALL Kelvo_SetMirrorH(KelvoHandle handle, ...);
int KELVO_CALL Kelvo_SetSamplingRate(KelvoHandle handle, ...);
int KELVO_CALL Kelvo_SetSubSample(KelvoHandle handle, ...);

/* ---- Filter shortcuts ---------------------------------------------------------
   Kelvo_Set<Name>(handle, value) is Kelvo_SetFilterValue(handle, id, value) and
   Kelvo_Get<Name>(handle, ok) is Kelvo_GetFilterValue(handle, id, ok), with the id
   named after each pair; results and errors are theirs. */

int KELVO_CALL Kelvo_SetBrightness(KelvoHandle handle, int value);   /* KELVO_FILTER_BRIGHTNESS */
int KELVO_CALL Kelvo_GetBrightness(KelvoHandle handle, int *ok);
int KELVO_CALL Kelvo_SetContrast(KelvoHandle handle, int value);     /* KELVO_FILTER_CONTRAST */
int KELVO_CALL Kelvo_GetContrast(KelvoHandle handle, int *ok);
int KELVO_CALL Kelvo_SetHue(KelvoHandle handle, int value);          /* KELVO_FILTER_HUE */
int KELVO_CALL Kelvo_GetHue(KelvoHandle handle, int *ok);
int KELVO_CALL Kelvo_SetSaturation(KelvoHandle handle, int value);   /* KELVO_FILTER_SATURATION */
int KELVO_CALL Kelvo_GetSaturation(KelvoHandle handle, int *ok);
int KELVO_CALL Kelvo_SetSharpness(KelvoHandle handle, int value);    /* KELVO_FILTER_SHARPNESS */
int KELVO_CALL Kelvo_GetSharpness(KelvoHandle handle, int *ok);
int KELVO_CALL Kelvo_SetBayerGainRGB(KelvoHandle handle, int value); /* KELVO_FILTER_BAYER_GAIN_RGB */
int KELVO_CALL Kelvo_GetBayerGainRGB(KelvoHandle handle, int *ok);
int KELVO_CALL Kelvo_SetBayerGainRed(KelvoHandle handle, int value); /* KELVO_FILTER_BAYER_GAIN_RED */
int KELVO_CALL Kelvo_GetBayerGainRed(KelvoHandle handle, int *ok);
int KELVO_CALL Kelvo_SetBayerGainGreen(KelvoHandle handle, int value); /* ..._BAYER_GAIN_GREEN */
int KELVO_CALL Kelvo_GetBayerGainGreen(KelvoHandle handle, int *ok);
int KELVO_CALL Kelvo_SetBayerGainBlue(KelvoHandle handle, int value); /* ..._BAYER_GAIN_BLUE */
int KELVO_CALL Kelvo_GetBayerGainBlue(KelvoHandle handle, int *ok);
int KELVO_CALL Kelvo_SetBayerGainAuto(KelvoHandle handle, int value); /* ..._BAYER_GAIN_AUTO */
int KELVO_CALL Kelvo_GetBayerGainAuto(KelvoHandle handle, int *ok);
int KELVO_CALL Kelvo_SetGamma(KelvoHandle handle, int value);        /* KELVO_FILTER_GAMMA */
int KELVO_CALL Kelvo_GetGamma(KelvoHandle handle, int *ok);
int KELVO_CALL Kelvo_SetBayerMode(KelvoHandle handle, int value);    /* KELVO_FILTER_BAYER_MODE */
int KELVO_CALL Kelvo_GetBayerMode(KelvoHandle handle, int *ok);
int KELVO_CALL Kelvo_SetGlobalGain(KelvoHandle handle, int value);   /* KELVO_FILTER_GLOBAL_GAIN */
int KELVO_CALL Kelvo_GetGlobalGain(KelvoHandle handle, int *ok);
int KELVO_CALL Kelvo_SetColorGainRed(KelvoHandle handle, int value); /* ..._COLOR_GAIN_RED */
int KELVO_CALL Kelvo_GetColorGainRed(KelvoHandle handle, int *ok);
int KELVO_CALL Kelvo_SetColorGainGreen1(KelvoHandle handle, int value); /* ..._COLOR_GAIN_GREEN1 */
int KELVO_CALL Kelvo_GetColorGainGreen1(KelvoHandle handle, int *ok);
int KELVO_CALL Kelvo_SetColorGainGreen2(KelvoHandle handle, int value); /* ..._COLOR_GAIN_GREEN2 */
int KELVO_CALL Kelvo_GetColorGainGreen2(KelvoHandle handle, int *ok);
int KELVO_CALL Kelvo_SetColorGainBlue(KelvoHandle handle, int value); /* ..._COLOR_GAIN_BLUE */
int KELVO_CALL Kelvo_GetColorGainBlue(KelvoHandle handle, int *ok);
int KELVO_CALL Kelvo_SetExposureTime(KelvoHandle handle, int value); /* ..._EXPOSURE_TIME */
int KELVO_CALL Kelvo_GetExposureTime(KelvoHandle handle, int *ok); /* waits 120 ms before reading */
int KELVO_CALL Kelvo_SetGrayMode(KelvoHandle handle, int value);     /* KELVO_FILTER_GRAY_MODE */
int KELVO_CALL Kelvo_GetGrayMode(KelvoHandle handle, int *ok);
int KELVO_CALL Kelvo_SetGrayGainR(KelvoHandle handle, int value);    /* KELVO_FILTER_GRAY_GAIN_R */
int KELVO_CALL Kelvo_GetGrayGainR(KelvoHandle handle, int *ok);
int KELVO_CALL Kelvo_SetGrayGainG1(KelvoHandle handle, int value);   /* KELVO_FILTER_GRAY_GAIN_G1 */
int KELVO_CALL Kelvo_GetGrayGainG1(KelvoHandle handle, int *ok);
int KELVO_CALL Kelvo_SetGrayGainG2(KelvoHandle handle, int value);   /* KELVO_FILTER_GRAY_GAIN_G2 */
int KELVO_CALL Kelvo_GetGrayGainG2(KelvoHandle handle, int *ok);
int KELVO_CALL Kelvo_SetGrayGainB(KelvoHandle handle, int value);    /* KELVO_FILTER_GRAY_GAIN_B */
int KELVO_CALL Kelvo_GetGrayGainB(KelvoHandle handle, int *ok);
int KELVO_CALL Kelvo_SetGrayOffsetR(KelvoHandle handle, int value);  /* ..._GRAY_OFFSET_R */
int KELVO_CALL Kelvo_GetGrayOffsetR(KelvoHandle handle, int *ok);
int KELVO_CALL Kelvo_SetGrayOffsetG1(KelvoHandle handle, int value); /* ..._GRAY_OFFSET_G1 */
int KELVO_CALL Kelvo_GetGrayOffsetG1(KelvoHandle handle, int *ok);
int KELVO_CALL Kelvo_SetGrayOffsetG2(KelvoHandle handle, int value); /* ..._GRAY_OFFSET_G2 */
int KELVO_CALL Kelvo_GetGrayOffsetG2(KelvoHandle handle, int *ok);
int KELVO_CALL Kelvo_SetGrayOffsetB(KelvoHandle handle, int value);  /* ..._GRAY_OFFSET_B */
int KELVO_CALL Kelvo_GetGrayOffsetB(KelvoHandle handle, int *ok);

#ifdef __cplusplus
}
#endif

#endif /* KELVOSDK_Q12_H */
