// The acquisition operations of the application's thread: preparation, the
// snapshot, the starts of preview and trigger mode, stop, close and the copies
// of the last frame. The worker's loops are in acquisition_worker.cpp.
#include "camera/camera.h"
#include "camera/frame_delivery.h"
#include "camera/preview_window.h"
#include "device/device_link.h"
#include "files/save_image.h"
#include "image/frame_image.h"
#include "platform/thread.h"

namespace kelvo {
namespace {

// The image sizes of sub-sampling 0 to 3.
constexpr std::int32_t kSubSampleDivisor[] = {1, 2, 4, 8};

enum SampleWidth : int { kEightBitSamples = 0, kSixteenBitSamples = 1 };

// Which images a colour mode needs, in the order they are made, and what it
// asks of the sensor. Index into Camera::images: 0 is 8-bit ... 5 is 64-bit.
struct ModeBuffers {
  std::array<bool, 6> needs;
  int rawImage;
  SampleWidth samples;
};

constexpr ModeBuffers kModeBuffers[] = {
    {{true, false, true, false, false, false}, 0, kEightBitSamples},
    {{true, true, false, false, false, false}, 1, kSixteenBitSamples},
    {{true, false, true, false, false, false}, 0, kEightBitSamples},
    {{true, false, true, true, false, false}, 0, kEightBitSamples},
    {{false, true, true, false, true, false}, 1, kSixteenBitSamples},
    {{false, true, true, false, false, true}, 1, kSixteenBitSamples},
};

const ModeBuffers& BuffersOf(std::int32_t mode) {
  return kModeBuffers[mode >= 0 && mode < 6 ? mode : 0];
}

}  // namespace

FrameImage* Camera::ImageOf(std::int32_t mode) const {
  if (mode < 0 || mode >= static_cast<std::int32_t>(images.size())) return nullptr;
  return images[static_cast<std::size_t>(mode)].get();
}

FrameImage* Camera::RawImage() const { return ImageOf(BuffersOf(preparedMode_).rawImage); }

void Camera::Notify(std::uintptr_t wParam, std::intptr_t lParam) {
  if (NotifyWindow != nullptr) platform::PostNotice(NotifyWindow, KELVO_MSG_FRAME, wParam, lParam);
}

bool Camera::CopyToApplication(const FrameImage& image, int memoryOrder, void* buffer, int size) {
  if (CopyOut(image, memoryOrder, buffer, size)) return true;
  Notify(0, KELVO_ERR_BUFFER);
  RecordError(KELVO_ERR_BUFFER);
  return false;
}

bool Camera::CreateImages(std::int32_t mode) {
  const std::int32_t w = width / kSubSampleDivisor[subSample];
  const std::int32_t h = height / kSubSampleDivisor[subSample];
  std::lock_guard<std::mutex> frameHeld(frameLock_);
  for (std::size_t image = 0; image < images.size(); ++image) {
    if (!BuffersOf(mode).needs[image]) continue;
    if (!images[image]->Create(w, h, static_cast<std::uint16_t>(kColorModeBits[image]))) {
      return false;
    }
    if (image == 0) images[image]->SetPalette(0);
  }
  if (WorkImage->CopyFormat(ImageOf(mode)) == 0) return false;
  preparedMode_ = mode;
  return true;
}

int Camera::Prepare() {
  EndIdleWorker();
  if (!deviceLink->IsPresent(deviceLink->SelectedDevice())) {
    RecordError(KELVO_ERR_DEVICE_ABSENT);
    return 0;
  }
  if (!GeometryIsValid()) {
    RecordError(KELVO_ERR_GEOMETRY);
    return 0;
  }
  const std::int32_t mode = colorMode;
  const ModeBuffers& buffers = BuffersOf(mode);
  if (!CreateImages(mode)) {
    RecordError(KELVO_ERR_BUFFER);
    return 0;
  }

  int deviceClock = 0;
  deviceLink->GetClockMode(&deviceClock);
  if (deviceClock != clock) deviceLink->SetClockMode(clock);
  deviceLink->SetCaptureWindow(startX, startY, width, height, subSample);
  deviceLink->SetSampleWidth(buffers.samples);
  deviceLink->SetGain(analogBlock.globalGain & 0xFFFF);
  deviceLink->SetExposure(analogBlock.exposure & 0xFFFF);

  int clientWidth = 0, clientHeight = 0;
  if (previewDC != nullptr && PreviewClientSize(previewWindow, &clientWidth, &clientHeight)) {
    DisplayImage->Create(clientWidth, clientHeight, mode <= 1 ? 8 : 24);
    if (mode <= 1) DisplayImage->SetPalette(0);
  }
  return 1;
}

int Camera::Capture() {
  if (!RequireInitialised()) return 0;
  if (state == StatePreview || state == StateTrigger) return 0;
  if (state == StateCaptured) return 1;
  if (!Prepare()) return 0;
  state = StateCaptured;
  return 1;
}

int Camera::SnapShot(void* buffer, int size, int memoryOrder) {
  if (!RequireInitialised()) return 0;
  if (state == StatePreview || state == StateTrigger) return 0;
  if (state != StateCaptured && !Prepare()) return 0;
  deviceLink->SetTriggerMode(0);
  FrameImage& raw = *RawImage();
  const bool arrived = deviceLink->SnapFrame() == kLinkOk;
  std::lock_guard<std::mutex> frameHeld(frameLock_);
  // A frame that never arrived is a lost frame too: without Err 8 this 0
  // would look like a refusal.
  if (!arrived || deviceLink->ExtractFrame(
                      raw.pixels, static_cast<std::size_t>(CopyOutBytes(raw))) != kLinkOk) {
    Notify(0, KELVO_ERR_FRAME);
    RecordError(KELVO_ERR_FRAME);
    return 0;
  }
  Respread(raw);
  ConvertPrepared();
  if (buffer != nullptr && size != 0 &&
      !CopyToApplication(*ImageOf(preparedMode_), memoryOrder, buffer, size)) {
    return 0;
  }
  return 1;
}

bool Camera::StartWorker() {
  workerRun = WorkerRunning;
  StopEvent = platform::ManualResetEvent::Create();
  wakeEvent_ = platform::ManualResetEvent::Create();
  if (StopEvent && wakeEvent_) workerThread = platform::Thread::Start([this] { WorkerMain(); });
  if (workerThread) {
    workerThreadId = workerThread->Id();
    return true;
  }
  // No thread will ever set StopEvent: a stop must not find one to wait for.
  workerRun = WorkerStop;
  StopEvent.reset();
  wakeEvent_.reset();
  return false;
}

int Camera::StartPreview() {
  if (!RequireInitialised()) return 0;
  if (state == StateCaptured || state == StateTrigger) return 0;
  if (state == StatePreview) return 1;
  if (!Prepare()) return 0;
  if (!StartWorker()) {
    StopPreview();
    RecordError(KELVO_ERR_THREAD);
    return 0;
  }
  deviceLink->SetTriggerMode(0);
  if (deviceLink->StartStream() != kLinkOk) {
    StopPreview();
    RecordError(KELVO_ERR_DEVICE_IO);
    return 0;
  }
  state = StatePreview;
  return 1;
}

bool Camera::OpenPreviewWindow() {
  previewWindow = CreatePreviewWindow(*this, previewParent, previewRect[0], previewRect[1],
                                      previewRect[2], previewRect[3]);
  if (previewWindow != nullptr) previewDC = GetPreviewDC(previewWindow);
  if (previewWindow != nullptr && previewDC != nullptr) return true;
  RecordError(KELVO_ERR_WINDOW);
  return false;
}

void Camera::KeepDelivery(WindowHandle notifyWindow, void* buffer, int size, int memoryOrder) {
  NotifyWindow = notifyWindow;
  userBuffer = buffer;
  userBufferSize = size;
  userMemoryOrder = memoryOrder;
}

// A start that failed keeps no buffer of its caller's, who may free it at
// once; a later Kelvo_StartPreview must not copy into it. The notify window
// stays: it is only posted to.
void Camera::ForgetBuffer() { KeepDelivery(NotifyWindow, nullptr, 0, 0); }

// Once a delivering start has ended its caller may free the buffer and
// destroy the window: a later windowless start delivers to neither.
void Camera::ForgetDelivery() {
  KeepDelivery(nullptr, nullptr, 0, 0);
  deliveryOfThisStart_ = false;
}

int Camera::Preview() { return CallBackPreview(nullptr, nullptr, 0, 0); }

int Camera::CallBackPreview(WindowHandle notifyWindow, void* buffer, int size, int memoryOrder) {
  // A running worker reads these four; a second window over a running preview
  // would also orphan the first one's handles.
  if (state == StatePreview) return 0;
  if (state == StateTrigger) Close();
  EndIdleWorker();
  // The window of a stopped start, also under a capture, which the start
  // below refuses: the new window replaces it.
  ClosePreviewWindow();
  KeepDelivery(notifyWindow, buffer, size, memoryOrder);
  if (StartWindowedPreview() == 1) {
    deliveryOfThisStart_ = true;
    return 1;
  }
  ForgetBuffer();
  return 0;
}

int Camera::StartWindowedPreview() {
  if (!OpenPreviewWindow()) return 0;
  if (StartPreview() == 1) return 1;
  Close();
  return 0;
}

int Camera::Trigger(WindowHandle notifyWindow, void* buffer, int size, int memoryOrder) {
  if (!RequireInitialised()) return 0;
  if (state != StateIdle) return 0;  // a second trigger start would run two workers
  EndIdleWorker();
  KeepDelivery(notifyWindow, buffer, size, memoryOrder);
  if (StartTrigger() == 1) {
    deliveryOfThisStart_ = true;
    return 1;
  }
  ForgetBuffer();
  return 0;
}

int Camera::StartTrigger() {
  ClosePreviewWindow();
  if (!OpenPreviewWindow()) return 0;
  if (!Prepare()) {
    Close();
    return 0;
  }
  state = StateTrigger;
  deviceLink->SetTimeLimit(static_cast<int>(kTriggerTimeLimitMs));
  deviceLink->SetTriggerMode(1);
  if (!StartWorker()) {
    Close();
    RecordError(KELVO_ERR_THREAD);
    return 0;
  }
  return 1;
}

void Camera::StopWorker() {
  workerRun = WorkerStop;
  if (wakeEvent_) wakeEvent_->Set();
  if (StopEvent) {
    StopEvent->Wait();
    StopEvent.reset();
  }
  workerThread.reset();  // joins: the worker has left the Camera
  workerThreadId = 0;
  wakeEvent_.reset();
}

// A trigger worker whose arming failed has left trigger mode (the state is
// idle) but still runs, reading the delivery with every frame: it ends
// before buffers are prepared, a worker is started or the delivery changes.
void Camera::EndIdleWorker() {
  if (state != StateIdle || !workerThread) return;
  StopWorker();
  ForgetDelivery();
}

// A windowless start delivers where an earlier, failed callback start left
// its notify window; its stop keeps that, as it kept no buffer of its own.
int Camera::StopPreview() {
  if (!RequireInitialised()) return 0;
  const int stopped = StopAcquisition();
  if (deliveryOfThisStart_) ForgetDelivery();
  return stopped;
}

int Camera::StopAcquisition() {
  StopWorker();
  if (state != StateIdle) {
    state = StateIdle;
    if (deviceLink->StopStream() != kLinkOk) {
      RecordError(KELVO_ERR_DEVICE_IO);
      return 0;
    }
  }
  return 1;
}

// The worker is stopped before the window goes, so it never draws into a
// released device context or a destroyed window.
int Camera::Close() {
  StopPreview();
  ForgetDelivery();
  ClosePreviewWindow();
  return 1;
}

void Camera::ClosePreviewWindow() {
  if (previewDC != nullptr) ReleasePreviewDC(previewWindow, previewDC);
  previewDC = nullptr;
  if (previewWindow != nullptr) DestroyPreviewWindow(previewWindow);
  previewWindow = nullptr;
  UnregisterPreviewClass(windowClassName);
  windowClassName[0] = '\0';
}

// While acquiring, the worker fills the images of the mode it was prepared
// for; a colour mode set meanwhile takes effect at the next start. Called
// under the frame lock, which preparation holds as it sets the mode.
std::int32_t Camera::FilledMode() const {
  return state != StateIdle ? preparedMode_ : colorMode.load();
}

int Camera::GetImage(void* buffer, int size, int memoryOrder) {
  std::unique_lock<std::mutex> frameHeld(frameLock_);
  FrameImage* image = Initialised() ? ImageOf(FilledMode()) : nullptr;
  if (image == nullptr) {
    frameHeld.unlock();
    RecordError(KELVO_ERR_NO_DEVICE);
    return 0;
  }
  if (image->pixels == nullptr || buffer == nullptr) {
    RecordError(KELVO_ERR_BUFFER);
    return 0;
  }
  return CopyToApplication(*image, memoryOrder, buffer, size) ? 1 : 0;
}

int Camera::SaveImage(const char* fileName, int format) {
  std::unique_lock<std::mutex> frameHeld(frameLock_);
  FrameImage* image = Initialised() ? ImageOf(FilledMode()) : nullptr;
  if (image == nullptr) {
    frameHeld.unlock();
    RecordError(KELVO_ERR_NO_DEVICE);
    return 0;
  }
  return kelvo::SaveImage(fileName, image, format);
}

}  // namespace kelvo
