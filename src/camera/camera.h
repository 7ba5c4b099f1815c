// The object behind one camera handle: its device link, images, settings,
// acquisition state and error history. Every export ends in one of its operations.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "KelvoSdk_Q12.h"
#include "camera/error_history.h"
#include "platform/notices.h"
#include "platform/shared_word.h"
#include "processing/processor_info.h"
#include "records/settings_records.h"

namespace kelvo {

class DeviceLink;
class FrameImage;
namespace dialogs {
class DialogClaim;
}  // namespace dialogs
namespace platform {
class ManualResetEvent;
class Thread;
}  // namespace platform

using platform::WindowHandle;

enum CameraState : std::int32_t {
  StateIdle = 0,
  StatePreview = 1,
  StateCaptured = 2,
  StateTrigger = 3
};

enum WorkerRun : std::int32_t { WorkerStop = 0, WorkerRunning = 1, WorkerPause = 2 };

// The driver's time limit for an armed transfer in trigger mode.
inline constexpr std::uint32_t kTriggerTimeLimitMs = 3000;

// ColorMode codes 0..5 stand for these bits per pixel.
inline constexpr std::array<std::int32_t, 6> kColorModeBits = {8, 16, 24, 32, 48, 64};

class Camera {
 public:
  Camera();
  virtual ~Camera();
  Camera(const Camera&) = delete;
  Camera& operator=(const Camera&) = delete;

  // ---- errors and colour mode
  // Records code in the history and tells AppWindow. Returns 1.
  int RecordError(int code);
  int PopError() { return errors.Pop(); }
  int SetColorMode(int bitsPerPixel);
  int GetColorMode() const;

  // ---- lifecycle and identity
  int Initialize(WindowHandle appWindow);
  int SetDeviceNumber(int index);
  int EnumDevice(char* names);
  int GetDeviceName(int index, char* name, int size);
  int GetCameraInfo(CameraInfo* info);
  int SetPreviewWindow(WindowHandle parent, int x, int y, int w, int h);
  int Width() const { return width; }
  int Height() const { return height; }

  // ---- acquisition and images
  int Capture();
  int SnapShot(void* buffer, int size, int memoryOrder);
  int StartPreview();
  int Preview();
  int CallBackPreview(WindowHandle notifyWindow, void* buffer, int size, int memoryOrder);
  int Trigger(WindowHandle notifyWindow, void* buffer, int size, int memoryOrder);
  int StopPreview();
  int Close();
  int GetImage(void* buffer, int size, int memoryOrder);
  int SaveImage(const char* fileName, int format);

  // ---- settings and dialogs
  int SetCameraDialog(WindowHandle parent);
  int SetImageDialog(WindowHandle parent);
  int SetAnalogDialog(WindowHandle parent);
  int SetFilterValue(int filterId, int value);
  int GetFilterValue(int filterId, int* ok);
  int SetWaitTime(int milliseconds);
  int GetWaitTime() const { return waitTime; }
  int SetMirrorV(int flag);
  int GetMirrorV();
  int SetAutoIris(int mode);
  int GetAutoIris(int* ok);

  // ---- device access
  int WriteRegister(int address, int value);
  int ReadRegister(int address, int* ok);
  int WriteSromId(int index, int value);
  int ReadSromId(int index, int* ok);

  // ---- fields, in the order of the design; shared words are those the worker touches
  ProcessorInfo processorFeatures;
  std::unique_ptr<DeviceLink> deviceLink;
  std::array<std::unique_ptr<FrameImage>, 6> images;
  std::unique_ptr<FrameImage> WorkImage;
  std::unique_ptr<FrameImage> DisplayImage;
  WindowHandle previewWindow = nullptr;
  void* previewDC = nullptr;
  char windowClassName[256] = {};
  std::int32_t totalWidth = 1280;
  std::int32_t totalHeight = 960;
  std::int32_t width = 1280;
  std::int32_t height = 960;
  std::int32_t startX = 0;
  std::int32_t startY = 0;
  std::int32_t bufferCount = 10;
  FilterBlock filterBlock;
  // The open image filter dialog's window, else null: the application thread
  // writes it around the dialog, the worker reads it to ask for a refresh.
  std::atomic<void*> imageDialog{nullptr};
  SensorRecord analogBlock;
  std::atomic<void*> analogDialog{nullptr};  // the analog dialog's page, likewise
  SharedWord workerRun{WorkerStop};          // the application writes 0..2, the worker only 0
  std::unique_ptr<platform::Thread> workerThread;
  std::uint32_t workerThreadId = 0;
  std::unique_ptr<platform::ManualResetEvent> StopEvent;  // set by the worker as it ends
  WindowHandle previewParent = nullptr;
  std::array<std::int32_t, 4> previewRect = {0, 0, 1280, 960};
  WindowHandle AppWindow = nullptr;
  WindowHandle NotifyWindow = nullptr;
  void* userBuffer = nullptr;
  std::int32_t userBufferSize = 0;
  std::int32_t userMemoryOrder = 0;
  // The worker writes it, notices point at it; borrowed, so that it outlives the camera.
  FrameInfo& frameInfo;
  SharedWord state{StateIdle};
  SharedWord colorMode{0};
  std::int32_t subSample = 0;
  SharedWord waitTime{10};
  std::int32_t clock = 0;
  SharedWord frameRate{0};
  SharedWord frameCount{0};
  SharedUWord rateStart;
  ErrorHistory errors;

 private:
  // A camera is initialised when its device link and all eight images exist;
  // one whose allocations failed answers Err 1 instead of touching a null image.
  bool Initialised() const;
  // False, with Err 1 recorded, when the camera is not initialised.
  bool RequireInitialised();
  // False, with Err 4 recorded, when a dialog of the claimed kind is open already.
  bool ClaimDialog(const dialogs::DialogClaim& claim);
  // A getter's failure: *ok (when given) 0, code recorded, result 0.
  int RefuseRead(int* ok, int code);
  // ---- acquisition (camera_acquisition.cpp)
  // The body shared by the preview starts that bring their own window.
  int StartWindowedPreview();
  // Where the worker delivers frames: the notify window and the application's buffer.
  void KeepDelivery(WindowHandle notifyWindow, void* buffer, int size, int memoryOrder);
  void ForgetBuffer();
  void ForgetDelivery();
  // Trigger mode from idle once the delivery is kept: window, preparation, worker.
  int StartTrigger();
  // The preview window and its device context; Err 4 and false on failure.
  bool OpenPreviewWindow();
  // Buffers, device geometry and sensor settings for one acquisition, after
  // ending a trigger worker that a failed arm left running.
  int Prepare();
  // The images of a colour mode at the current size; false when one cannot be made.
  bool CreateImages(std::int32_t mode);
  // The worker with its events; false (nothing running) when one is missing.
  bool StartWorker();
  // Ends the worker, if any, and waits until it has left the Camera.
  void StopWorker();
  void EndIdleWorker();
  // Stop without forgetting where frames go, for a restart that delivers as before.
  int StopAcquisition();
  // Device context, window and class of the preview, with nothing stopped:
  // only when no worker draws.
  void ClosePreviewWindow();
  // Err 5 and the (0, 5) notice when the buffer is too small.
  bool CopyToApplication(const FrameImage& image, int memoryOrder, void* buffer, int size);
  void Notify(std::uintptr_t wParam, std::intptr_t lParam);
  FrameImage* RawImage() const;
  // The colour mode whose image holds the last converted frame.
  std::int32_t FilledMode() const;
  FrameImage* ImageOf(std::int32_t mode) const;

  // ---- the worker (acquisition_worker.cpp)
  void WorkerMain();
  void PreviewLoop();
  void TriggerLoop();
  void DeliverFrame(bool fromStream);
  // Respread the frame the link just extracted (result 0 = extracted) and describe it.
  bool TakeFrame(int extracted);
  void ConvertPrepared();
  void DrawPrepared();
  void UpdateFrameRate();

  // The size preset: every bound of the sensor and sub-sampling 0 to 2.
  bool GeometryIsValid() const;
  SizeEntry CurrentSize() const;
  void ApplySize(const SizeEntry& size);
  CaptureFormat CurrentFormat() const;
  void ApplyFormat(const CaptureFormat& format);
  // The Gain, Filter and Gray groups to the settings store.
  void SaveSettings();

  // Set once initialisation has loaded the stored settings into the records.
  bool settingsLoaded_ = false;
  // The colour mode the buffers were prepared for. Written before the worker
  // starts, read by it: a later Kelvo_SetColorMode never reaches a running loop.
  std::int32_t preparedMode_ = 0;
  // Held by whoever makes or fills the images (preparation, the worker, a
  // snapshot) and by the copies the application takes of them meanwhile
  // (Kelvo_GetImage, Kelvo_SaveImage), which may come from another thread.
  std::mutex frameLock_;
  // Set by stop to cut the worker's wait short, so a long wait time never delays a stop.
  std::unique_ptr<platform::ManualResetEvent> wakeEvent_;
  // The running start brought the notify window and buffer: its stop forgets them.
  bool deliveryOfThisStart_ = false;
};

}  // namespace kelvo
