// The acquisition worker: one thread per acquiring camera, at the default
// priority. It polls the stream (preview) or arms and collects single frames
// (trigger mode), converts each frame, draws it, copies it to the
// application and tells the application's window.
#include "camera/camera.h"
#include "camera/frame_delivery.h"
#include "camera/link_sensor_control.h"
#include "camera/preview_window.h"
#include "device/device_link.h"
#include "dialogs/settings_dialogs.h"
#include "image/frame_image.h"
#include "platform/clock.h"
#include "platform/double_precision.h"
#include "platform/thread.h"
#include "processing/frame_pipeline.h"

namespace kelvo {
namespace {

constexpr std::uint32_t kTriggerIdleMs = 10;
constexpr std::uint32_t kRatePeriodMs = 1000;
// A transfer that ended this close to the time limit ended by it.
constexpr std::uint32_t kTimeLimitSlackMs = 100;

}  // namespace

void Camera::WorkerMain() {
  if (state == StateTrigger) {
    TriggerLoop();
  } else {
    PreviewLoop();
  }
  StopEvent->Set();
}

void Camera::ConvertPrepared() {
  LinkSensorControl sensor(*deviceLink);
  FrameConversion frame;
  for (std::size_t mode = 0; mode < images.size(); ++mode) {
    frame.images.byMode[mode] = images[mode].get();
  }
  frame.images.scratch = WorkImage.get();
  frame.filters = &filterBlock;
  frame.sensor = &analogBlock;
  frame.colorMode = preparedMode_;
  frame.processor = &processorFeatures;
  frame.sensorControl = &sensor;
  // Posted, never sent: the worker must not wait for the dialog's thread,
  // which may itself be waiting for the worker to stop.
  frame.refresh = [this](DialogUpdate what, std::int32_t value) {
    void* dialog = what == DialogUpdate::FilterValues ? imageDialog.load() : analogDialog.load();
    dialogs::PostDialogRefresh(dialog, what, value);
  };
  ConvertFrame(frame);
}

void Camera::DrawPrepared() {
  PreviewTarget target;
  target.window = previewWindow;
  target.dc = previewDC;
  target.colorMode = preparedMode_;
  for (std::size_t mode = 0; mode < images.size(); ++mode) target.images[mode] = images[mode].get();
  target.display = DisplayImage.get();
  DrawFrame(target);
}

// Frames per second in tenths, over at least a second; the last value is
// repeated until the next one is due.
void Camera::UpdateFrameRate() {
  ++frameCount;
  if (platform::MultimediaTime() - rateStart > kRatePeriodMs) {
    std::uint32_t elapsed = platform::MultimediaTime() - rateStart;
    auto frames = static_cast<std::int32_t>(static_cast<std::uint32_t>(frameCount) * 10000u);
    platform::DoublePrecisionScope doubles;
    frameRate = static_cast<std::int32_t>(frames / static_cast<double>(elapsed));
    frameCount = 0;
    rateStart = platform::MultimediaTime();
  }
  frameInfo.frameRate = frameRate;
}

bool Camera::TakeFrame(int extracted) {
  FrameImage& raw = *RawImage();
  if (extracted != kLinkOk) {
    Notify(0, KELVO_ERR_FRAME);
    RecordError(KELVO_ERR_FRAME);
    return false;
  }
  Respread(raw);
  frameInfo.size = sizeof(FrameInfo);
  frameInfo.width = raw.width;
  frameInfo.height = raw.height;
  frameInfo.bitsPerPixel = kColorModeBits[static_cast<std::size_t>(preparedMode_)];
  return true;
}

// One frame from the link to the application: extracted, respread,
// converted, drawn, copied into the application's buffer and announced. The
// preview measures its rate; triggered frames carry rate 0.
void Camera::DeliverFrame(bool fromStream) {
  std::lock_guard<std::mutex> frameHeld(frameLock_);
  FrameImage& raw = *RawImage();
  const auto bytes = static_cast<std::size_t>(CopyOutBytes(raw));
  if (!TakeFrame(fromStream ? deviceLink->ExtractStreamFrame(raw.pixels, bytes)
                            : deviceLink->ExtractFrame(raw.pixels, bytes))) {
    return;
  }
  if (fromStream) {
    UpdateFrameRate();
  } else {
    frameInfo.frameRate = 0;
  }
  ConvertPrepared();
  DrawPrepared();
  if (userBuffer != nullptr && userBufferSize != 0 &&
      !CopyToApplication(*ImageOf(preparedMode_), userMemoryOrder, userBuffer, userBufferSize)) {
    return;
  }
  Notify(reinterpret_cast<std::uintptr_t>(&frameInfo), 0);
}

void Camera::PreviewLoop() {
  while (workerRun != WorkerStop) {
    wakeEvent_->WaitFor(static_cast<std::uint32_t>(waitTime.load()));
    if (workerRun != WorkerRunning) continue;
    int polled = deviceLink->PollStream();
    // A stream that ended while the preview runs never got the device open:
    // no frame will come, and saying nothing would leave the start a silent success.
    bool endedByItself = polled == kStreamStopped && state == StatePreview;
    if (polled == kStreamFailed || endedByItself) {
      workerRun = WorkerStop;
      Notify(0, KELVO_ERR_TRANSFER_STOPPED);
      RecordError(KELVO_ERR_TRANSFER_STOPPED);
      break;
    }
    if (polled == kStreamFrameReady) DeliverFrame(true);
  }
}

// An armed transfer that fails before its time limit has lost a frame (no
// trigger ends it only at the limit): the application is told once per run
// of failures, and the next arm waits a moment, so that a camera that has
// gone is neither spun on nor reported for every attempt.
void Camera::TriggerLoop() {
  bool lossTold = false;
  auto arm = [this, &lossTold] {
    const std::uint32_t armed = platform::MultimediaTime();
    if (deviceLink->SnapFrame() == kLinkOk) {
      lossTold = false;
      return;
    }
    state = StateIdle;
    const std::uint32_t waited = platform::MultimediaTime() - armed;
    if (waited + kTimeLimitSlackMs < kTriggerTimeLimitMs && !lossTold && workerRun != WorkerStop) {
      Notify(0, KELVO_ERR_FRAME);
      RecordError(KELVO_ERR_FRAME);
      lossTold = true;
    }
    if (waited < kTriggerIdleMs) platform::SleepMilliseconds(kTriggerIdleMs);
  };
  arm();
  while (workerRun != WorkerStop) {
    if (workerRun != WorkerRunning) {
      platform::SleepMilliseconds(kTriggerIdleMs);
      continue;
    }
    int collected = deviceLink->CollectFrame();
    if (collected == kLinkBusy) {
      platform::SleepMilliseconds(kTriggerIdleMs);
      continue;
    }
    if (collected == kLinkOk) DeliverFrame(false);
    if (workerRun == WorkerStop) break;
    arm();
  }
}

}  // namespace kelvo
