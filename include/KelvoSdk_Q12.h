/**
 * @file KelvoSdk_Q12.h
 * @brief The C interface of KelvoSdk_Q12.dll, the SDK of the Q12 industrial
 * camera (1280 x 960, Bayer sensor, 8 or 10 bits per sample).
 *
 * Usage in short:
 * @code
 *   KelvoHandle cam = Kelvo_Initialize(hwnd);   (0 only when out of memory)
 *   Kelvo_SetColorMode(cam, 24);
 *   Kelvo_SnapShot(cam, buffer, bufferSize, 1);
 *   Kelvo_SaveImage(cam, "frame.png", KELVO_SAVE_PNG);
 *   Kelvo_Release(cam);
 * @endcode
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
 *   docs/errors.md lists, function by function, the codes each one records.
 * - Output flags ("ok") may be null; when given they receive 1 or 0.
 * - Threads: call the functions of one handle from one thread at a time
 *   (docs/threads.md). "The handle's thread" below means that thread.
 *
 * The header is plain C89 and can be used from C++.
 */
#ifndef KELVOSDK_Q12_H
#define KELVOSDK_Q12_H

#ifdef _WIN32
#include <windows.h>
/** The calling convention of every function: __cdecl on Windows. */
#define KELVO_CALL __cdecl
/** A window handle: HWND on Windows. */
typedef HWND KelvoWindow;
#else
#define KELVO_CALL
typedef void *KelvoWindow;
#endif

#ifdef __cplusplus
extern "C" {
#endif

/** An opaque camera handle from Kelvo_Initialize; 0 is never a valid handle. */
typedef unsigned int KelvoHandle;

/** The value Kelvo_GetDllVersion returns for this release (1.2.8.14). */
#define KELVO_DLL_VERSION 0x001D0502

/** @name Window messages posted to the application
    Both are posted, never sent: the SDK does not wait for the window procedure. */
/**@{*/
/** A frame is ready (WM_APP + 2). wParam: the address of a FrameInfo; or wParam 0
    with lParam an error code (5, 8 or 13) that is recorded as well. */
#define KELVO_MSG_FRAME 0x8002
/** An error was recorded (WM_APP + 3). wParam 0, lParam the recorded error code. */
#define KELVO_MSG_ERROR 0x8003
/**@}*/

/** @name Error codes returned by Kelvo_GetLastError
    What each means and what to do: docs/errors.md. Codes 10 and 12 are never recorded. */
/**@{*/
#define KELVO_ERR_NONE 0             /**< no error left in the history */
#define KELVO_ERR_NO_DEVICE 1        /**< camera not initialised (its start failed), or an SROM access failed */
#define KELVO_ERR_DEVICE_ABSENT 2    /**< the selected or requested device is not attached */
#define KELVO_ERR_THREAD 3           /**< a worker thread or its event could not be created */
#define KELVO_ERR_WINDOW 4           /**< a window failed, or a dialog of its kind is open */
#define KELVO_ERR_BUFFER 5           /**< an image buffer failed, or the caller's buffer is too small */
#define KELVO_ERR_DEVICE_IO 6        /**< a register access, or the start or stop of the stream, failed */
#define KELVO_ERR_GEOMETRY 7         /**< a stored capture size or format value is invalid */
#define KELVO_ERR_FRAME 8            /**< a single or triggered frame was lost (failed or short transfer) */
#define KELVO_ERR_ARGUMENT 9         /**< an argument is out of range */
#define KELVO_ERR_NOT_SUPPORTED 11   /**< the function is not supported by the Q12 */
#define KELVO_ERR_TRANSFER_STOPPED 13 /**< the preview's stream ended by a failed or short transfer, or never opened */
/**@}*/

/** @name Colour modes
    Bits per pixel accepted by Kelvo_SetColorMode; byte layouts in docs/formats.md. */
/**@{*/
#define KELVO_COLOR_MONO8 8   /**< one grey byte per pixel */
#define KELVO_COLOR_MONO16 16 /**< one 16-bit grey sample per pixel, 0 .. 1023 */
#define KELVO_COLOR_RGB24 24  /**< bytes blue, green, red */
#define KELVO_COLOR_RGB32 32  /**< bytes blue, green, red, 0 */
#define KELVO_COLOR_RGB48 48  /**< 16-bit samples blue, green, red, each 0 .. 1023 */
#define KELVO_COLOR_RGB64 64  /**< 16-bit samples blue, green, red (0 .. 1023), 0 */
/**@}*/

/** @name File formats of Kelvo_SaveImage
    What each stores per colour mode: docs/formats.md. Any other code writes nothing. */
/**@{*/
#define KELVO_SAVE_BMP 0         /**< Windows bitmap, bottom row first */
#define KELVO_SAVE_RAW 1         /**< the image's bytes as they lie in memory, no header */
#define KELVO_SAVE_JPEG_HIGH 2   /**< progressive JPEG, quality 100 */
#define KELVO_SAVE_JPEG_MEDIUM 3 /**< progressive JPEG, quality 70 */
#define KELVO_SAVE_JPEG_LOW 4    /**< progressive JPEG, quality 20 */
#define KELVO_SAVE_PNG 5         /**< PNG, 8 or 16 bits per sample */
#define KELVO_SAVE_TIFF 6        /**< uncompressed TIFF, 8 or 16 bits per sample */
/**@}*/

/** @name Filter ids
    Ids of Kelvo_SetFilterValue and Kelvo_GetFilterValue, with the values accepted;
    a value outside its range is refused with KELVO_ERR_ARGUMENT (9). */
/**@{*/
#define KELVO_FILTER_BRIGHTNESS 1        /**< -255 .. 255, neutral 0 */
#define KELVO_FILTER_CONTRAST 2          /**< -127 .. 127, neutral 0 */
#define KELVO_FILTER_HUE 3               /**< -360 .. 360, neutral 0 */
#define KELVO_FILTER_SATURATION 4        /**< -255 .. 255, neutral 0 */
#define KELVO_FILTER_SHARPNESS 5         /**< 0 .. 30, neutral 0 */
#define KELVO_FILTER_BAYER_GAIN_RGB 6    /**< 0x00BBGGRR, the three colour gains packed */
#define KELVO_FILTER_BAYER_GAIN_RED 7    /**< 0 .. 400 percent, neutral 100 */
#define KELVO_FILTER_BAYER_GAIN_GREEN 8  /**< 0 .. 400 percent, neutral 100 */
#define KELVO_FILTER_BAYER_GAIN_BLUE 9   /**< 0 .. 400 percent, neutral 100 */
#define KELVO_FILTER_BAYER_GAIN_AUTO 10  /**< automatic white balance: 0 off, non-zero on */
#define KELVO_FILTER_GAMMA 11            /**< 0 .. 200, neutral 100 */
#define KELVO_FILTER_BAYER_MODE 12       /**< 0 .. 3, colour order of the first two rows */
#define KELVO_FILTER_GLOBAL_GAIN 13      /**< 0 .. 1023, written to the sensor at once */
#define KELVO_FILTER_COLOR_GAIN_RED 14   /**< always refused */
#define KELVO_FILTER_COLOR_GAIN_GREEN1 15 /**< always refused */
#define KELVO_FILTER_COLOR_GAIN_GREEN2 16 /**< always refused */
#define KELVO_FILTER_COLOR_GAIN_BLUE 17  /**< always refused */
/** Exposure in sensor lines: 2 .. 1493 accepted here, written to the sensor at once,
    which takes 3 .. 2079 (a 2 becomes 3). A line is 1600 samples: 33.3 us at the
    normal clock (48 million samples a second), 66.7 us at the half clock. The analog
    dialog and the automatic exposure use the whole range of CameraInfo, 2 .. 2079. */
#define KELVO_FILTER_EXPOSURE_TIME 18
#define KELVO_FILTER_GRAY_MODE 19        /**< 0 .. 2 */
#define KELVO_FILTER_GRAY_GAIN_R 20      /**< 0 .. 255, neutral 128 */
#define KELVO_FILTER_GRAY_GAIN_G1 21     /**< 0 .. 255, neutral 128 */
#define KELVO_FILTER_GRAY_GAIN_G2 22     /**< 0 .. 255, neutral 128 */
#define KELVO_FILTER_GRAY_GAIN_B 23      /**< 0 .. 255, neutral 128 */
#define KELVO_FILTER_GRAY_OFFSET_R 24    /**< -255 .. 255, neutral 0 */
#define KELVO_FILTER_GRAY_OFFSET_G1 25   /**< -255 .. 255, neutral 0 */
#define KELVO_FILTER_GRAY_OFFSET_G2 26   /**< -255 .. 255, neutral 0 */
#define KELVO_FILTER_GRAY_OFFSET_B 27    /**< -255 .. 255, neutral 0 */
/**@}*/

/** Size of one slot of the name buffer of Kelvo_EnumDevice. */
#define KELVO_DEVICE_NAME_SLOT 256
/** Number of slots of the name buffer of Kelvo_EnumDevice. */
#define KELVO_DEVICE_NAME_SLOTS 10

/** The sensor's limits, filled by Kelvo_GetCameraInfo. */
typedef struct CameraInfo {
  unsigned int size; /**< set by the caller to sizeof(CameraInfo) (at least 36) */
  int width;         /**< 1280 */
  int height;        /**< 960 */
  int gainMin;       /**< 0 */
  int gainMax;       /**< 1023 */
  int reserved[2];   /**< 0, 0 */
  int exposureMin;   /**< 2: the lowest exposure in lines of the analog dialog and the automatic exposure */
  int exposureMax;   /**< 2079: the highest, which Kelvo_SetExposureTime (up to 1493) cannot reach */
} CameraInfo;

/** Sent with KELVO_MSG_FRAME; rewritten for every frame. The address stays
    readable for the life of the process, also for a notice dispatched after
    Kelvo_Release; from then on its values may be another camera's, so read it
    only while the handle lives. */
typedef struct FrameInfo {
  int size;         /**< 24 */
  int width;        /**< of the delivered image */
  int height;       /**< of the delivered image */
  int bitsPerPixel; /**< 8, 16, 24, 32, 48 or 64 */
  int frameRate;    /**< tenths of frames per second in preview; 0 in trigger mode */
  int reserved;     /**< 0 */
} FrameInfo;

/* ---- Lifecycle, identity and errors ------------------------------------ */

/** The library version.
    @return 0x001D0502 (KELVO_DLL_VERSION); never fails.
    @errors none.
    @threads any thread; needs no handle.
    @see Kelvo_Initialize */
int KELVO_CALL Kelvo_GetDllVersion(void);

/** Creates and initialises a camera on device 0: the sensor's start-up, the
    stored settings of the current user (docs/getting-started.md), gain and exposure.
    Stored settings that would make the camera useless (a size preset outside the
    sensor or under 4 x 4, a colour mode outside 0..5, a wait time of 0 or less) are
    replaced by the first-run values. Without an attached camera the handle still
    works; the device functions then fail.
    @param appWindow the window that receives KELVO_MSG_ERROR, or null.
    @return the new handle; 0 only when the camera cannot be allocated. A failed
    initialisation still returns the handle, which then answers KELVO_ERR_NO_DEVICE.
    @errors KELVO_ERR_BUFFER (5) when initialisation failed for lack of memory;
    KELVO_ERR_GEOMETRY (7) when stored settings were replaced.
    @threads any thread; its window gets the error notices. Blocks for the
    camera's start (tens of milliseconds).
    @see Kelvo_Release, Kelvo_GetLastError, Kelvo_SetDeviceNumber */
KelvoHandle KELVO_CALL Kelvo_Initialize(KelvoWindow appWindow);

/** Saves the settings, stops acquisition, closes the device and frees the handle.
    @param handle a camera handle; invalid from then on.
    @return 1, or 0 when the handle is not registered.
    @errors none.
    @threads any thread; a window-backed acquisition is closed by the thread that
    started it, which must still dispatch messages.
    @see Kelvo_Initialize, Kelvo_Close */
int KELVO_CALL Kelvo_Release(KelvoHandle handle);

/** Removes and returns the newest recorded error code; the camera keeps the newest 20.
    @param handle a camera handle.
    @return the code (KELVO_ERR_*), or 0 when none is left or the handle is not registered.
    @errors none.
    @threads any thread that may use the handle, also while the worker records.
    @see KELVO_MSG_ERROR */
int KELVO_CALL Kelvo_GetLastError(KelvoHandle handle);

/** Selects a device and runs the sensor's start-up sequence on it.
    @param handle a camera handle.
    @param index the device, 0 .. 7 (as listed by Kelvo_EnumDevice).
    @return 1; 0 on failure, also without an error while previewing or in trigger
    mode (stop first).
    @errors KELVO_ERR_NO_DEVICE (1) without a device link; KELVO_ERR_DEVICE_ABSENT (2)
    when the index is not attached.
    @threads the handle's thread, not during acquisition. Blocks for the start-up sequence.
    @see Kelvo_EnumDevice, Kelvo_GetDeviceName */
int KELVO_CALL Kelvo_SetDeviceNumber(KelvoHandle handle, int index);

/** Lists the attached devices.
    @param handle a camera handle.
    @param names ten slots of KELVO_DEVICE_NAME_SLOT bytes (2560 bytes), which receive
    the names of the attached devices ("KelvoQ12_01", ...).
    @return how many were found; 0 on failure or when none is attached.
    @errors KELVO_ERR_NO_DEVICE (1) without a device link.
    @threads the handle's thread. One driver request per device.
    @see Kelvo_GetDeviceName, Kelvo_SetDeviceNumber */
int KELVO_CALL Kelvo_EnumDevice(KelvoHandle handle, char *names);

/** Writes the name of one device ("KelvoQ12_<index + 1>").
    @param handle a camera handle.
    @param index the device, 0 .. 7; any other index fails without an error.
    @param name receives the name.
    @param size the size of name in bytes, at least 15.
    @return 1, or 0 on failure.
    @errors KELVO_ERR_NO_DEVICE (1) without a device link; KELVO_ERR_ARGUMENT (9) for a
    size below 15; KELVO_ERR_DEVICE_ABSENT (2) when the device is not attached.
    @threads the handle's thread.
    @see Kelvo_EnumDevice */
int KELVO_CALL Kelvo_GetDeviceName(KelvoHandle handle, int index, char *name, int size);

/** Fills info with the sensor's limits.
    @param handle a camera handle.
    @param info the record; set info->size first (at least 36).
    @return 1, or 0 on failure.
    @errors KELVO_ERR_NO_DEVICE (1) without a device link; KELVO_ERR_ARGUMENT (9) when
    info is null; KELVO_ERR_BUFFER (5) when info->size is below 36.
    @threads the handle's thread.
    @see CameraInfo, KELVO_FILTER_EXPOSURE_TIME */
int KELVO_CALL Kelvo_GetCameraInfo(KelvoHandle handle, CameraInfo *info);

/** Kept for compatibility.
    @param handle a camera handle.
    @param unused ignored.
    @return always 0.
    @errors none.
    @threads any thread that may use the handle.
    @see Kelvo_GetLastError */
int KELVO_CALL Kelvo_GetStatus(KelvoHandle handle, int unused);

/** Width of the image.
    @param handle a camera handle.
    @return the width in pixels (1280 at full size); 0 for an unregistered handle.
    @errors none.
    @threads the handle's thread.
    @see Kelvo_Height, Kelvo_GetColorMode */
int KELVO_CALL Kelvo_Width(KelvoHandle handle);

/** Height of the image.
    @param handle a camera handle.
    @return the height in pixels (960 at full size); 0 for an unregistered handle.
    @errors none.
    @threads the handle's thread.
    @see Kelvo_Width */
int KELVO_CALL Kelvo_Height(KelvoHandle handle);

/** Chooses the colour mode; it takes effect at the next start of acquisition.
    @param handle a camera handle.
    @param bitsPerPixel 8, 16, 24, 32, 48 or 64 (KELVO_COLOR_*).
    @return 1, or 0 on failure.
    @errors KELVO_ERR_ARGUMENT (9) for any other value.
    @threads the handle's thread, also during acquisition.
    @see Kelvo_GetColorMode, KELVO_COLOR_MONO8 */
int KELVO_CALL Kelvo_SetColorMode(KelvoHandle handle, int bitsPerPixel);

/** Bits per pixel of the current colour mode.
    @param handle a camera handle.
    @return 8, 16, 24, 32, 48 or 64; -1 for an unregistered handle.
    @errors none.
    @threads the handle's thread.
    @see Kelvo_SetColorMode */
int KELVO_CALL Kelvo_GetColorMode(KelvoHandle handle);

/** Places the preview window of the next window-backed start.
    @param handle a camera handle.
    @param parent the parent window, or null for a top-level window.
    @param x left edge in the parent's client area.
    @param y top edge.
    @param width width in pixels; the picture is stretched to it.
    @param height height in pixels.
    @return 1, or 0 on failure.
    @errors KELVO_ERR_NO_DEVICE (1) without a device link.
    @threads the thread that will start the preview.
    @see Kelvo_Preview, Kelvo_CallBackPreview, Kelvo_Trigger */
int KELVO_CALL Kelvo_SetPreviewWindow(KelvoHandle handle, KelvoWindow parent, int x, int y,
                                      int width, int height);

/* ---- Acquisition and images --------------------------------------------- */

/** Starts a live preview in the library's window, without notifications.
    @param handle a camera handle.
    @return 1, or 0 on failure (the camera is then idle again).
    @errors KELVO_ERR_WINDOW (4) when the window cannot be made (always on Linux);
    KELVO_ERR_NO_DEVICE (1); KELVO_ERR_DEVICE_ABSENT (2); KELVO_ERR_GEOMETRY (7);
    KELVO_ERR_BUFFER (5) when the image buffers cannot be made; KELVO_ERR_THREAD (3);
    KELVO_ERR_DEVICE_IO (6) when the stream cannot start. Later, from the worker:
    KELVO_ERR_TRANSFER_STOPPED (13) when a failed or short transfer ends the stream.
    @threads a thread with a message loop: it owns the window. Returns at once.
    @see Kelvo_CallBackPreview, Kelvo_SetPreviewWindow, Kelvo_StopPreview, Kelvo_Close */
int KELVO_CALL Kelvo_Preview(KelvoHandle handle);

/** As Kelvo_Preview, and copies every frame into buffer and posts KELVO_MSG_FRAME.
    A start that fails keeps no buffer: it may be freed at once. Kelvo_Close, and
    Kelvo_StopPreview after this start, forget the buffer and notifyWindow: a later
    Kelvo_StartPreview copies and posts nothing.
    @param handle a camera handle.
    @param notifyWindow receives KELVO_MSG_FRAME for every frame, or null.
    @param buffer receives every frame, or null for none; held until the stop.
    @param bufferSize its size in bytes: at least the image's stride x height.
    @param memoryOrder non-zero keeps the stored row order (top row first), 0 reverses it.
    @return 1, or 0 on failure.
    @errors as Kelvo_Preview; and KELVO_ERR_BUFFER (5), with a frame notice (0, 5),
    for every frame that does not fit bufferSize.
    @threads a thread with a message loop: it owns the window and gets the notices.
    @see Kelvo_Preview, FrameInfo, Kelvo_StopPreview */
int KELVO_CALL Kelvo_CallBackPreview(KelvoHandle handle, KelvoWindow notifyWindow, void *buffer,
                                     int bufferSize, int memoryOrder);

/** Starts streaming frames without a window; Kelvo_GetImage and Kelvo_SaveImage take
    the newest converted frame.
    @param handle a camera handle.
    @return 1, also at once when already previewing; 0 on failure, also without an
    error while captured or in trigger mode.
    @errors KELVO_ERR_NO_DEVICE (1); KELVO_ERR_DEVICE_ABSENT (2); KELVO_ERR_GEOMETRY (7);
    KELVO_ERR_BUFFER (5); KELVO_ERR_THREAD (3); KELVO_ERR_DEVICE_IO (6). Later, from the
    worker: KELVO_ERR_TRANSFER_STOPPED (13).
    @threads the handle's thread. Returns at once; frames arrive on the worker.
    @see Kelvo_StopPreview, Kelvo_GetImage */
int KELVO_CALL Kelvo_StartPreview(KelvoHandle handle);

/** Stops preview or trigger mode and waits for the worker to end. The preview
    window stays (Kelvo_Close removes it).
    @param handle a camera handle.
    @return 1, or 0 on failure.
    @errors KELVO_ERR_NO_DEVICE (1); KELVO_ERR_DEVICE_IO (6) when the stream reports
    its failure (after KELVO_ERR_TRANSFER_STOPPED); the camera is idle all the same.
    @threads the thread that started. Waits for the frame being converted, in
    trigger mode for the armed frame (at most its 3000 ms time limit).
    @see Kelvo_Close, Kelvo_StartPreview, Kelvo_Trigger */
int KELVO_CALL Kelvo_StopPreview(KelvoHandle handle);

/** Prepares the buffers once, so that each Kelvo_SnapShot skips that step.
    @param handle a camera handle.
    @return 1, or 0 on failure (without an error while previewing or in trigger mode).
    @errors KELVO_ERR_NO_DEVICE (1); KELVO_ERR_DEVICE_ABSENT (2); KELVO_ERR_GEOMETRY (7);
    KELVO_ERR_BUFFER (5).
    @threads the handle's thread.
    @see Kelvo_SnapShot, Kelvo_StopPreview */
int KELVO_CALL Kelvo_Capture(KelvoHandle handle);

/** Takes one frame, converts it and copies it into buffer.
    @param handle a camera handle.
    @param buffer receives the image; null for none (Kelvo_GetImage copies it later).
    @param bufferSize its size in bytes (0 for none): at least the stride x height.
    @param memoryOrder non-zero keeps the stored row order (top row first), 0 reverses it.
    @return 1, or 0 on failure.
    @errors KELVO_ERR_NO_DEVICE (1); KELVO_ERR_DEVICE_ABSENT (2); KELVO_ERR_GEOMETRY (7);
    KELVO_ERR_BUFFER (5), also when bufferSize is below the image size;
    KELVO_ERR_FRAME (8) when the frame's transfer fails or comes back short.
    @threads the handle's thread, while no preview or trigger runs. Blocks for one
    frame (about 32 ms at full size) and its conversion.
    @see Kelvo_Capture, Kelvo_GetImage, Kelvo_SaveImage */
int KELVO_CALL Kelvo_SnapShot(KelvoHandle handle, void *buffer, int bufferSize, int memoryOrder);

/** Waits for external triggers on a worker thread; each frame is copied into buffer
    and announced with KELVO_MSG_FRAME (frameRate 0). A start that fails keeps no
    buffer; Kelvo_StopPreview and Kelvo_Close forget the buffer and the window.
    @param handle a camera handle.
    @param notifyWindow receives KELVO_MSG_FRAME for every frame, or null.
    @param buffer receives every frame, or null.
    @param bufferSize its size in bytes: at least the stride x height.
    @param memoryOrder non-zero keeps the stored row order (top row first), 0 reverses it.
    @return 1, or 0 on failure.
    @errors KELVO_ERR_WINDOW (4) (always on Linux); KELVO_ERR_NO_DEVICE (1);
    KELVO_ERR_DEVICE_ABSENT (2); KELVO_ERR_GEOMETRY (7); KELVO_ERR_BUFFER (5);
    KELVO_ERR_THREAD (3). Later, from the worker: KELVO_ERR_FRAME (8) once for an armed
    frame that fails (the camera stays armed), KELVO_ERR_BUFFER (5) for a frame that
    does not fit bufferSize.
    @threads a thread with a message loop: it owns the window and gets the notices.
    @see Kelvo_StopPreview, Kelvo_Close */
int KELVO_CALL Kelvo_Trigger(KelvoHandle handle, KelvoWindow notifyWindow, void *buffer,
                             int bufferSize, int memoryOrder);

/** Copies the last converted frame into buffer again. During acquisition that is
    the image of the colour mode the acquisition started with (a mode set since
    takes effect at the next start), as for Kelvo_SaveImage.
    @param handle a camera handle.
    @param buffer receives the image.
    @param bufferSize its size in bytes: at least the stride x height.
    @param memoryOrder non-zero keeps the stored row order (top row first), 0 reverses it.
    @return 1, or 0 on failure.
    @errors KELVO_ERR_NO_DEVICE (1) without a device link;
    KELVO_ERR_BUFFER (5) for a null or small buffer, or when no frame was taken in the
    colour mode yet.
    @threads any thread that may use the handle, also while a preview runs; waits
    for the frame being converted.
    @see Kelvo_SnapShot, Kelvo_SaveImage */
int KELVO_CALL Kelvo_GetImage(KelvoHandle handle, void *buffer, int bufferSize, int memoryOrder);

/** Stops acquisition and destroys the preview window.
    @param handle a camera handle.
    @return 1, also when the stop inside it fails; 0 only for an unregistered handle.
    @errors those of that stop: KELVO_ERR_NO_DEVICE (1) without a device link;
    KELVO_ERR_DEVICE_IO (6) when the stream had failed (after KELVO_ERR_TRANSFER_STOPPED).
    @threads the thread that started the acquisition.
    @see Kelvo_StopPreview, Kelvo_Release */
int KELVO_CALL Kelvo_Close(KelvoHandle handle);

/** Saves the camera's current image; the extension of fileName plays no part.
    Files per colour mode: docs/formats.md.
    @param handle a camera handle.
    @param fileName the file; an existing one is overwritten.
    @param format KELVO_SAVE_BMP .. KELVO_SAVE_TIFF.
    @return 1 when written; 0 when not, with no error recorded when the file cannot be
    created (a folder that does not exist), the format is another number (7, -1), or
    the camera has no picture in its colour mode yet (no frame taken in that mode since
    the camera started).
    @errors KELVO_ERR_NO_DEVICE (1) without a device link.
    @threads any thread that may use the handle, also while a preview runs; waits
    for the frame being converted.
    @see Kelvo_SnapShot, Kelvo_GetImage, KELVO_SAVE_BMP */
int KELVO_CALL Kelvo_SaveImage(KelvoHandle handle, const char *fileName, int format);

/* ---- Settings, dialogs and filters --------------------------------------- */

/** Runs the modal camera format dialog; acquisition pauses around it. One dialog
    of each kind can be open in the process at a time.
    @param handle a camera handle.
    @param parent the owner window, or null.
    @return 1 once it has closed (also where no dialog can be shown), or 0.
    @errors KELVO_ERR_NO_DEVICE (1); KELVO_ERR_WINDOW (4) when a camera format dialog is
    open already (of any camera, from any thread): nothing is then stopped or changed.
    @threads a thread with a message loop; blocks until the user closes it.
    @see Kelvo_SetImageDlg, Kelvo_SetAnalogDlg */
int KELVO_CALL Kelvo_SetCameraDlg(KelvoHandle handle, KelvoWindow parent);

/** Runs the modal image filter dialog. Cancel puts every value back, after
    switching off the automatic white and gray balance.
    @param handle a camera handle.
    @param parent the owner window, or null.
    @return 1 once it has closed (also where no dialog can be shown), or 0.
    @errors KELVO_ERR_NO_DEVICE (1); KELVO_ERR_WINDOW (4) when one is open already.
    @threads a thread with a message loop; blocks until the user closes it. The
    preview goes on and shows the changes.
    @see Kelvo_SetCameraDlg, Kelvo_SetFilterValue */
int KELVO_CALL Kelvo_SetImageDlg(KelvoHandle handle, KelvoWindow parent);

/** Runs the modal analog (gain and exposure) dialog. Cancel puts gain and exposure
    back on the sensor, after switching off the automatic iris.
    @param handle a camera handle.
    @param parent the owner window, or null.
    @return 1 once it has closed (also where no dialog can be shown), or 0.
    @errors KELVO_ERR_NO_DEVICE (1); KELVO_ERR_WINDOW (4) when one is open already.
    @threads a thread with a message loop; blocks until the user closes it.
    @see Kelvo_SetExposureTime, Kelvo_SetGlobalGain, Kelvo_SetAutoIris */
int KELVO_CALL Kelvo_SetAnalogDlg(KelvoHandle handle, KelvoWindow parent);

/** Sets one filter; the named shortcuts below do the same for one id each.
    Gain and exposure are written to the sensor at once, the others act from the next frame.
    @param handle a camera handle.
    @param filterId KELVO_FILTER_*.
    @param value within the id's range.
    @return 1, or 0 with nothing changed.
    @errors KELVO_ERR_NO_DEVICE (1); KELVO_ERR_ARGUMENT (9) for an unknown id, ids 14
    to 17, or a value out of range.
    @threads the handle's thread, also during acquisition.
    @see Kelvo_GetFilterValue, Kelvo_SetImageDlg */
int KELVO_CALL Kelvo_SetFilterValue(KelvoHandle handle, int filterId, int value);

/** Reads one filter.
    @param handle a camera handle.
    @param filterId KELVO_FILTER_*.
    @param ok receives 1 or 0; may be null.
    @return the value; 0 on failure.
    @errors KELVO_ERR_NO_DEVICE (1); KELVO_ERR_ARGUMENT (9) for an unknown id or ids 14 to 17.
    @threads the handle's thread, also during acquisition.
    @see Kelvo_SetFilterValue */
int KELVO_CALL Kelvo_GetFilterValue(KelvoHandle handle, int filterId, int *ok);

/** Sets the pause of the preview loop between polls (default 10 ms).
    @param handle a camera handle.
    @param milliseconds 0 or more.
    @return 1; 0 without an error when milliseconds is negative.
    @errors none.
    @threads the handle's thread.
    @see Kelvo_GetWaitTime */
int KELVO_CALL Kelvo_SetWaitTime(KelvoHandle handle, int milliseconds);

/** The pause of the preview loop.
    @param handle a camera handle.
    @return the milliseconds; -1 for an unregistered handle.
    @errors none.
    @threads the handle's thread.
    @see Kelvo_SetWaitTime */
int KELVO_CALL Kelvo_GetWaitTime(KelvoHandle handle);

/** Mirrors the picture vertically.
    @param handle a camera handle.
    @param flag non-zero to mirror.
    @return 1, or 0 on failure.
    @errors KELVO_ERR_NO_DEVICE (1) without a device link.
    @threads the handle's thread, also during acquisition.
    @see Kelvo_GetMirrorV */
int KELVO_CALL Kelvo_SetMirrorV(KelvoHandle handle, int flag);

/** The vertical mirror flag.
    @param handle a camera handle.
    @return 0 or 1; 0 on failure.
    @errors KELVO_ERR_NO_DEVICE (1) without a device link.
    @threads the handle's thread.
    @see Kelvo_SetMirrorV */
int KELVO_CALL Kelvo_GetMirrorV(KelvoHandle handle);

/** The Q12 has no horizontal mirror.
    @param handle a camera handle.
    @return always 0.
    @errors none.
    @threads any thread that may use the handle.
    @see Kelvo_GetMirrorV */
int KELVO_CALL Kelvo_GetMirrorH(KelvoHandle handle);

/** Chooses the automatic exposure.
    @param handle a camera handle.
    @param mode 0 off, 1 adjusts the exposure, 2 adjusts the gain.
    @return 1, or 0 on failure.
    @errors KELVO_ERR_ARGUMENT (9) for any other mode.
    @threads the handle's thread, also during acquisition.
    @see Kelvo_GetAutoIris, Kelvo_SetAnalogDlg */
int KELVO_CALL Kelvo_SetAutoIris(KelvoHandle handle, int mode);

/** The automatic exposure mode.
    @param handle a camera handle.
    @param ok receives 1; may be null; untouched for an unregistered handle.
    @return 0, 1 or 2; 0 on failure.
    @errors none.
    @threads the handle's thread.
    @see Kelvo_SetAutoIris */
int KELVO_CALL Kelvo_GetAutoIris(KelvoHandle handle, int *ok);

/** The Q12 does not sub-sample.
    @param handle a camera handle.
    @return always 0; -1 for an unregistered handle.
    @errors none.
    @threads any thread that may use the handle.
    @see Kelvo_SetSubSample */
int KELVO_CALL Kelvo_GetSubSample(KelvoHandle handle);

/** Kept for compatibility: always 0, and *value (when not null) receives 0.
    @zerogetter
    @see Kelvo_SetHalfClock */
int KELVO_CALL Kelvo_GetHalfClock(KelvoHandle handle, int *value);

/** Kept for compatibility: always 0, and *value (when not null) receives 0.
    @zerogetter
    @see Kelvo_SetSamplingRate */
int KELVO_CALL Kelvo_GetSamplingRate(KelvoHandle handle, int *value);

/** Kept for compatibility: always 0, and *value (when not null) receives 0.
    @zerogetter
    @see Kelvo_GetColorMode */
int KELVO_CALL Kelvo_GetVideoFormat(KelvoHandle handle, int *value);

/* ---- Device access -------------------------------------------------------- */

/** Writes a sensor register.
    @param handle a camera handle.
    @param address the register; only address & 0xFF is used.
    @param value only its low 16 bits are written.
    @return 1, or 0 on failure.
    @errors KELVO_ERR_NO_DEVICE (1); KELVO_ERR_DEVICE_IO (6) when the device write fails.
    @threads the handle's thread. One driver request.
    @see Kelvo_ReadRegister */
int KELVO_CALL Kelvo_WriteRegister(KelvoHandle handle, int address, int value);

/** The last value written to a sensor register (the SDK keeps a copy; the device
    is not asked).
    @param handle a camera handle.
    @param address the register; only address & 0xFF is used, 0 .. 191 (0xBF).
    @param ok receives 1 or 0; may be null.
    @return the value; 0 on failure.
    @errors KELVO_ERR_NO_DEVICE (1); KELVO_ERR_DEVICE_IO (6) for 192 .. 255 (0xC0 .. 0xFF),
    which are not the sensor's.
    @threads the handle's thread.
    @see Kelvo_WriteRegister */
int KELVO_CALL Kelvo_ReadRegister(KelvoHandle handle, int address, int *ok);

/** Writes one SROM id byte.
    @param handle a camera handle.
    @param index the byte, 0 .. 7 (index & 0xFF is used; above 7 fails).
    @param value the byte's new value (its low 8 bits).
    @return 1, or 0 on failure.
    @errors KELVO_ERR_NO_DEVICE (1) without a device link, for an index above 7 or
    when the device cannot be reached.
    @threads the handle's thread.
    @see Kelvo_ReadSromID */
int KELVO_CALL Kelvo_WriteSromID(KelvoHandle handle, int index, int value);

/** Reads one SROM id byte.
    @param handle a camera handle.
    @param index the byte, 0 .. 7 (index & 0xFF is used; above 7 fails).
    @param ok receives 1 or 0; may be null.
    @return the byte (0 .. 255); 0 on failure.
    @errors KELVO_ERR_NO_DEVICE (1) on any failure: no device link, an index above 7,
    a device that cannot be reached or does not answer.
    @threads the handle's thread.
    @see Kelvo_WriteSromID */
int KELVO_CALL Kelvo_ReadSromID(KelvoHandle handle, int index, int *ok);

/* ---- Not supported by the Q12 ---------------------------------------------
   Each records KELVO_ERR_NOT_SUPPORTED and returns 0; further arguments are ignored. */

/** @unsupported */
int KELVO_CALL Kelvo_Fpga_ReadRegister(KelvoHandle handle, ...);
/** @unsupported */
int KELVO_CALL Kelvo_Fpga_WriteRegister(KelvoHandle handle, ...);
/** @unsupported */
int KELVO_CALL Kelvo_Fps(KelvoHandle handle, ...);
/** @unsupported */
int KELVO_CALL Kelvo_GetCameraType(KelvoHandle handle, ...);
/** @unsupported */
int KELVO_CALL Kelvo_GetCaptureWindowEx(KelvoHandle handle, ...);
/** @unsupported */
int KELVO_CALL Kelvo_GetIOPort(KelvoHandle handle, ...);
/** @unsupported */
int KELVO_CALL Kelvo_Record(KelvoHandle handle, ...);
/** @unsupported */
int KELVO_CALL Kelvo_SetCameraType(KelvoHandle handle, ...);
/** @unsupported */
int KELVO_CALL Kelvo_SetCaptureWindow(KelvoHandle handle, ...);
/** @unsupported */
int KELVO_CALL Kelvo_SetCaptureWindowEx(KelvoHandle handle, ...);
/** @unsupported */
int KELVO_CALL Kelvo_SetCrossbar(KelvoHandle handle, ...);
/** @unsupported */
int KELVO_CALL Kelvo_SetHalfClock(KelvoHandle handle, ...);
/** @unsupported */
int KELVO_CALL Kelvo_SetIOPort(KelvoHandle handle, ...);
/** @unsupported */
int KELVO_CALL Kelvo_SetMirrorH(KelvoHandle handle, ...);
/** @unsupported */
int KELVO_CALL Kelvo_SetSamplingRate(KelvoHandle handle, ...);
/** @unsupported */
int KELVO_CALL Kelvo_SetSubSample(KelvoHandle handle, ...);

/* ---- Filter shortcuts ---------------------------------------------------------
   Kelvo_Set<Name>(handle, value) is Kelvo_SetFilterValue(handle, id, value) and
   Kelvo_Get<Name>(handle, ok) is Kelvo_GetFilterValue(handle, id, ok), with the id
   named in the comment before each: results, errors and threads are theirs. */

/** @filterset{KELVO_FILTER_BRIGHTNESS} */
int KELVO_CALL Kelvo_SetBrightness(KelvoHandle handle, int value);
/** @filterget{KELVO_FILTER_BRIGHTNESS} */
int KELVO_CALL Kelvo_GetBrightness(KelvoHandle handle, int *ok);
/** @filterset{KELVO_FILTER_CONTRAST} */
int KELVO_CALL Kelvo_SetContrast(KelvoHandle handle, int value);
/** @filterget{KELVO_FILTER_CONTRAST} */
int KELVO_CALL Kelvo_GetContrast(KelvoHandle handle, int *ok);
/** @filterset{KELVO_FILTER_HUE} */
int KELVO_CALL Kelvo_SetHue(KelvoHandle handle, int value);
/** @filterget{KELVO_FILTER_HUE} */
int KELVO_CALL Kelvo_GetHue(KelvoHandle handle, int *ok);
/** @filterset{KELVO_FILTER_SATURATION} */
int KELVO_CALL Kelvo_SetSaturation(KelvoHandle handle, int value);
/** @filterget{KELVO_FILTER_SATURATION} */
int KELVO_CALL Kelvo_GetSaturation(KelvoHandle handle, int *ok);
/** @filterset{KELVO_FILTER_SHARPNESS} */
int KELVO_CALL Kelvo_SetSharpness(KelvoHandle handle, int value);
/** @filterget{KELVO_FILTER_SHARPNESS} */
int KELVO_CALL Kelvo_GetSharpness(KelvoHandle handle, int *ok);
/** @filterset{KELVO_FILTER_BAYER_GAIN_RGB} */
int KELVO_CALL Kelvo_SetBayerGainRGB(KelvoHandle handle, int value);
/** @filterget{KELVO_FILTER_BAYER_GAIN_RGB} */
int KELVO_CALL Kelvo_GetBayerGainRGB(KelvoHandle handle, int *ok);
/** @filterset{KELVO_FILTER_BAYER_GAIN_RED} */
int KELVO_CALL Kelvo_SetBayerGainRed(KelvoHandle handle, int value);
/** @filterget{KELVO_FILTER_BAYER_GAIN_RED} */
int KELVO_CALL Kelvo_GetBayerGainRed(KelvoHandle handle, int *ok);
/** @filterset{KELVO_FILTER_BAYER_GAIN_GREEN} */
int KELVO_CALL Kelvo_SetBayerGainGreen(KelvoHandle handle, int value);
/** @filterget{KELVO_FILTER_BAYER_GAIN_GREEN} */
int KELVO_CALL Kelvo_GetBayerGainGreen(KelvoHandle handle, int *ok);
/** @filterset{KELVO_FILTER_BAYER_GAIN_BLUE} */
int KELVO_CALL Kelvo_SetBayerGainBlue(KelvoHandle handle, int value);
/** @filterget{KELVO_FILTER_BAYER_GAIN_BLUE} */
int KELVO_CALL Kelvo_GetBayerGainBlue(KelvoHandle handle, int *ok);
/** @filterset{KELVO_FILTER_BAYER_GAIN_AUTO} */
int KELVO_CALL Kelvo_SetBayerGainAuto(KelvoHandle handle, int value);
/** @filterget{KELVO_FILTER_BAYER_GAIN_AUTO} */
int KELVO_CALL Kelvo_GetBayerGainAuto(KelvoHandle handle, int *ok);
/** @filterset{KELVO_FILTER_GAMMA} */
int KELVO_CALL Kelvo_SetGamma(KelvoHandle handle, int value);
/** @filterget{KELVO_FILTER_GAMMA} */
int KELVO_CALL Kelvo_GetGamma(KelvoHandle handle, int *ok);
/** @filterset{KELVO_FILTER_BAYER_MODE} */
int KELVO_CALL Kelvo_SetBayerMode(KelvoHandle handle, int value);
/** @filterget{KELVO_FILTER_BAYER_MODE} */
int KELVO_CALL Kelvo_GetBayerMode(KelvoHandle handle, int *ok);
/** @filterset{KELVO_FILTER_GLOBAL_GAIN} */
int KELVO_CALL Kelvo_SetGlobalGain(KelvoHandle handle, int value);
/** Returns the gain last written to the sensor (its low 10 bits).
    @filterget{KELVO_FILTER_GLOBAL_GAIN} */
int KELVO_CALL Kelvo_GetGlobalGain(KelvoHandle handle, int *ok);
/** @filterset{KELVO_FILTER_COLOR_GAIN_RED} */
int KELVO_CALL Kelvo_SetColorGainRed(KelvoHandle handle, int value);
/** @filterget{KELVO_FILTER_COLOR_GAIN_RED} */
int KELVO_CALL Kelvo_GetColorGainRed(KelvoHandle handle, int *ok);
/** @filterset{KELVO_FILTER_COLOR_GAIN_GREEN1} */
int KELVO_CALL Kelvo_SetColorGainGreen1(KelvoHandle handle, int value);
/** @filterget{KELVO_FILTER_COLOR_GAIN_GREEN1} */
int KELVO_CALL Kelvo_GetColorGainGreen1(KelvoHandle handle, int *ok);
/** @filterset{KELVO_FILTER_COLOR_GAIN_GREEN2} */
int KELVO_CALL Kelvo_SetColorGainGreen2(KelvoHandle handle, int value);
/** @filterget{KELVO_FILTER_COLOR_GAIN_GREEN2} */
int KELVO_CALL Kelvo_GetColorGainGreen2(KelvoHandle handle, int *ok);
/** @filterset{KELVO_FILTER_COLOR_GAIN_BLUE} */
int KELVO_CALL Kelvo_SetColorGainBlue(KelvoHandle handle, int value);
/** @filterget{KELVO_FILTER_COLOR_GAIN_BLUE} */
int KELVO_CALL Kelvo_GetColorGainBlue(KelvoHandle handle, int *ok);
/** @filterset{KELVO_FILTER_EXPOSURE_TIME} */
int KELVO_CALL Kelvo_SetExposureTime(KelvoHandle handle, int value);
/** Waits 120 ms, then returns the exposure last written to the sensor
    (3 .. 2079 lines: a 2 that was set reads back as 3).
    @filterget{KELVO_FILTER_EXPOSURE_TIME} */
int KELVO_CALL Kelvo_GetExposureTime(KelvoHandle handle, int *ok);
/** @filterset{KELVO_FILTER_GRAY_MODE} */
int KELVO_CALL Kelvo_SetGrayMode(KelvoHandle handle, int value);
/** @filterget{KELVO_FILTER_GRAY_MODE} */
int KELVO_CALL Kelvo_GetGrayMode(KelvoHandle handle, int *ok);
/** @filterset{KELVO_FILTER_GRAY_GAIN_R} */
int KELVO_CALL Kelvo_SetGrayGainR(KelvoHandle handle, int value);
/** @filterget{KELVO_FILTER_GRAY_GAIN_R} */
int KELVO_CALL Kelvo_GetGrayGainR(KelvoHandle handle, int *ok);
/** @filterset{KELVO_FILTER_GRAY_GAIN_G1} */
int KELVO_CALL Kelvo_SetGrayGainG1(KelvoHandle handle, int value);
/** @filterget{KELVO_FILTER_GRAY_GAIN_G1} */
int KELVO_CALL Kelvo_GetGrayGainG1(KelvoHandle handle, int *ok);
/** @filterset{KELVO_FILTER_GRAY_GAIN_G2} */
int KELVO_CALL Kelvo_SetGrayGainG2(KelvoHandle handle, int value);
/** @filterget{KELVO_FILTER_GRAY_GAIN_G2} */
int KELVO_CALL Kelvo_GetGrayGainG2(KelvoHandle handle, int *ok);
/** @filterset{KELVO_FILTER_GRAY_GAIN_B} */
int KELVO_CALL Kelvo_SetGrayGainB(KelvoHandle handle, int value);
/** @filterget{KELVO_FILTER_GRAY_GAIN_B} */
int KELVO_CALL Kelvo_GetGrayGainB(KelvoHandle handle, int *ok);
/** @filterset{KELVO_FILTER_GRAY_OFFSET_R} */
int KELVO_CALL Kelvo_SetGrayOffsetR(KelvoHandle handle, int value);
/** @filterget{KELVO_FILTER_GRAY_OFFSET_R} */
int KELVO_CALL Kelvo_GetGrayOffsetR(KelvoHandle handle, int *ok);
/** @filterset{KELVO_FILTER_GRAY_OFFSET_G1} */
int KELVO_CALL Kelvo_SetGrayOffsetG1(KelvoHandle handle, int value);
/** @filterget{KELVO_FILTER_GRAY_OFFSET_G1} */
int KELVO_CALL Kelvo_GetGrayOffsetG1(KelvoHandle handle, int *ok);
/** @filterset{KELVO_FILTER_GRAY_OFFSET_G2} */
int KELVO_CALL Kelvo_SetGrayOffsetG2(KelvoHandle handle, int value);
/** @filterget{KELVO_FILTER_GRAY_OFFSET_G2} */
int KELVO_CALL Kelvo_GetGrayOffsetG2(KelvoHandle handle, int *ok);
/** @filterset{KELVO_FILTER_GRAY_OFFSET_B} */
int KELVO_CALL Kelvo_SetGrayOffsetB(KelvoHandle handle, int value);
/** @filterget{KELVO_FILTER_GRAY_OFFSET_B} */
int KELVO_CALL Kelvo_GetGrayOffsetB(KelvoHandle handle, int *ok);

#ifdef __cplusplus
}
#endif

#endif /* KELVOSDK_Q12_H */
