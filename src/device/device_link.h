// The connection to one physical camera through its kernel driver: device
// enumeration and selection, sensor registers, the raw frame layout with its
// buffers, the single-frame and streaming transfer threads, extraction of the
// active pixels and the SROM ID bytes.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/driver_port.h"
#include "platform/global_memory.h"
#include "platform/shared_word.h"
#include "platform/thread.h"

namespace kelvo {

// Result codes of the link's operations; the Camera turns them into its error codes.
enum LinkResult : int {
  kLinkOk = 0,
  kLinkBadWindow = 1,      // invalid window, or fewer than two streaming buffers
  kLinkBadHorizontal = 3,  // raw layout: line pitch, line start or width
  kLinkBadVertical = 4,    // raw layout: total lines, first line or lines
  kLinkOutOfMemory = 7,    // a buffer, event or transfer thread could not be made
  kLinkNoDevice = 10,      // the device did not open
  kLinkPacketFailed = 12,
  kLinkNoDestination = 14,  // no destination, or one too small for the picture
  kLinkFrameFailed = 19,    // a frame transfer failed or came back short
  kLinkBusy = 21,           // a transfer is already running
  kLinkBadDeviceNumber = 22,
};

// What PollStream found.
enum StreamPoll : int {
  kStreamStopped = 0,
  kStreamFailed = 1,  // the stream ended because a transfer failed
  kStreamNoFrame = 2,
  kStreamFrameReady = 3,
};

inline constexpr int kDeviceCount = 8;
inline constexpr int kSensorWidth = 1280;
inline constexpr int kSensorHeight = 960;
inline constexpr int kLinePitch = 1600;
inline constexpr int kLineStart = 221;
inline constexpr int kStreamBufferCount = 10;
inline constexpr int kShadowRegisters = 1024;
inline constexpr int kGainMax = 1023;
inline constexpr int kExposureLowest = 3;
inline constexpr int kExposureMax = 2079;
inline constexpr int kDefaultTimeLimit = 3000;

struct CaptureWindow {
  std::int32_t x = 0;
  std::int32_t y = 0;
  std::int32_t width = kSensorWidth;
  std::int32_t height = kSensorHeight;
};

// Where the picture sits in a received frame, in samples and lines.
struct RawLayout {
  std::int32_t linePitch = 0;
  std::int32_t lineStart = 0;
  std::int32_t width = 0;
  std::int32_t totalLines = 0;
  std::int32_t firstLine = 0;
  std::int32_t lines = 0;
  std::int32_t transferSize = 0;  // samples per frame transfer, a multiple of 1024
  std::int32_t usedSamples = 0;   // (first line + lines) x line pitch
};

// The stream's ring arithmetic, kept apart so that it can be checked by itself.
struct PollDecision {
  int result;              // kStreamNoFrame or kStreamFrameReady
  std::int32_t readIndex;  // the read index afterwards
};
// The reader jumps to the newest completed entry, dropping the frames between.
PollDecision DecidePoll(std::int32_t writeIndex, std::int32_t readIndex, std::int32_t count);
// The entry the writer fills next: never the one the reader holds.
std::int32_t NextWriteIndex(std::int32_t writeIndex, std::int32_t readIndex, std::int32_t count);

// The picture extraction delivers, in samples and lines.
struct PictureSize {
  std::int32_t width;
  std::int32_t lines;
};
// The layout's width and lines divided by 1, 2, 4 or 8 for window modes 0 to 3
// (0 x 0 for any other mode).
PictureSize SubSampledPicture(const RawLayout& layout, int windowMode);

// Copies the active pixels of a raw frame, line by line, into dest; with
// sub-sampling (window modes 1 to 3) every 2nd, 4th or 8th 2x2 block of
// samples, so that the Bayer pattern is kept. Never writes more than
// destBytes: a destination too small for the picture gets 14, a window that
// leaves no picture (or a mode outside 0 to 3) gets 1.
int ExtractActivePixels(const RawLayout& layout, std::int32_t sampleWidth,
                        const unsigned char* source, std::size_t sourceBytes, void* dest,
                        std::size_t destBytes, int windowMode = 0);

// Shared with the single-frame transfer thread. While it runs, the thread alone
// writes status and done, done last of all; SnapFrame writes them only while
// no thread runs. The event is made and closed by the SnapFrame that waits on it.
struct SingleFrameBlock {
  unsigned char* buffer = nullptr;
  std::uint32_t length = 0;
  std::unique_ptr<platform::ManualResetEvent> event;
  SharedWord status{kLinkOk};
  SharedWord done{1};
  std::string path;
  // Tests: runs on the thread once it has woken the waiter, before it is done.
  std::function<void()> endingForTesting;
};

// Shared with the stream thread: it alone writes status, failed and the write
// index; the caller alone writes the read index; both set stopped. Running is
// set by StartStream and cleared by the thread as the last thing it does, so
// it, not stopped, says whether the ring may still be written.
struct StreamBlock {
  // A stream nobody stopped is told to end here, and its thread (the last
  // member, so the first to go) is joined before the event and ring go.
  ~StreamBlock() { stopped.store(1); }

  std::uint32_t length = 0;
  std::unique_ptr<platform::ManualResetEvent> event;
  SharedWord status{kLinkOk};
  SharedWord stopped{1};
  SharedWord failed{0};
  SharedWord running{0};
  std::int32_t count = 0;
  std::vector<unsigned char*> ring;
  SharedWord writeIndex{0};
  SharedWord readIndex{0};
  std::string path;
  std::unique_ptr<platform::Thread> thread;
};

class DeviceLink {
 public:
  // Enumerates devices 0 to 7 and selects device 0.
  explicit DeviceLink(std::shared_ptr<platform::DriverPort> port);
  DeviceLink(const DeviceLink&) = delete;
  DeviceLink& operator=(const DeviceLink&) = delete;

  // ---- devices
  void Enumerate();
  int DeviceCount() const { return kDeviceCount; }
  int IsPresent(int device) const;
  int SelectedDevice() const { return selectedDevice_; }
  const char* DevicePath() const { return devicePath_.data(); }
  // Accepts 0 to 8 (one more than Enumerate probes); 22 for anything else.
  int SelectDevice(int device);

  // ---- registers and sensor settings
  bool SetSampleWidth(int width);
  int SampleWidth() const { return sampleWidth_; }
  bool WriteRegister(std::uint16_t address, std::uint32_t value);
  // The last value written, for 0 to 191 and 256 to 1023; the driver is not asked.
  bool ReadRegister(int address, std::int32_t* value) const;
  bool SetGain(int gain);
  int GetGain() const { return gain_; }
  static int GainMin() { return 0; }
  static int GainMax() { return kGainMax; }
  bool SetExposure(int exposure);
  int GetExposure() const { return exposure_; }
  static int ExposureMin() { return 2; }
  static int ExposureMax() { return kExposureMax; }
  bool SetClockMode(int mode);
  bool GetClockMode(int* mode);
  // The sensor's fixed start-up register sequence; always 1.
  int InitializeSensor();
  // Releases the buffers and closes the transfer events. Stop acquisition first.
  void Teardown();

  // ---- capture geometry and buffers
  int SetCaptureWindow(int x, int y, int width, int height, int mode);
  int SetRawLayout(int linePitch, int lineStart, int width, int totalLines, int firstLine,
                   int lines, int bufferCount);
  void ReleaseBuffers();
  const CaptureWindow& Window() const { return window_; }
  int WindowMode() const { return windowMode_; }
  const RawLayout& Layout() const { return layout_; }
  int BufferBytes() const { return bufferBytes_; }
  int BufferCount() const { return bufferCount_; }
  bool HasBuffers() const { return rawFrame_ != nullptr && !ring_.empty(); }

  // ---- transfers
  bool SetTriggerMode(int on);
  void SetTimeLimit(int milliseconds);
  int TimeLimit() const { return timeLimit_; }
  int SnapFrame();
  int CollectFrame();
  // Tests: a call the single-frame thread makes as it ends (see SingleFrameBlock).
  void OnSingleFrameEndingForTesting(std::function<void()> hook) {
    singleFrame_.endingForTesting = std::move(hook);
  }
  int StartStream();
  int PollStream();
  int StopStream();

  // ---- extraction: PictureWidth x PictureLines samples of the current sample width,
  // the window divided by its sub-sampling (mode 1, 2, 3: by 2, 4, 8)
  int PictureWidth() const;
  int PictureLines() const;
  int ExtractFrame(void* dest, std::size_t destBytes);
  int ExtractStreamFrame(void* dest, std::size_t destBytes);

  // ---- SROM ID bytes 0 to 7 (only the low 8 bits of the index count)
  bool ReadSromId(int index, std::uint8_t* value);
  bool WriteSromId(int index, std::uint8_t value);

 private:
  // Opens, sends one command packet, closes. False if either step failed.
  bool SendCommandOnce(const std::array<std::uint8_t, 64>& packet);
  bool TransferRunning() const;
  // Ends a SnapFrame that never got its thread going.
  int EndSnapEarly(int result);
  std::uint32_t FrameBytes() const;

  // Members that the transfer threads use come first, so that they outlive the
  // blocks (and the threads the blocks own) when the link goes.
  std::shared_ptr<platform::DriverPort> port_;
  // Written by the application thread (exports, dialogs) and by the worker
  // (automatic exposure); read by the transfer threads and the exports.
  SharedWord sampleWidth_{0};
  CaptureWindow window_;
  RawLayout layout_;
  std::unique_ptr<std::uint16_t[]> rawFrame_;
  std::int32_t timeLimit_ = kDefaultTimeLimit;
  std::int32_t bufferBytes_ = 0;
  std::int32_t bufferCount_ = 0;
  char baseName_[10] = {};
  std::int32_t windowMode_ = 0;
  std::array<std::int32_t, kDeviceCount> present_{};
  std::int32_t selectedDevice_ = 0;
  std::vector<std::unique_ptr<platform::GlobalBlock>> ring_;
  std::array<char, 128> devicePath_{};
  // Gain, exposure and the register shadow: the application thread and the
  // worker write them (automatic exposure), both read them.
  SharedWord gain_{0};
  SharedWord exposure_{0};
  std::array<SharedWord, kShadowRegisters> shadow_{};
  SingleFrameBlock singleFrame_;
  StreamBlock stream_;
};

}  // namespace kelvo
