#include <cstdint>
#include <new>

#include "device/device_link.h"
#include "device/driver_protocol.h"

namespace kelvo {
namespace {

constexpr std::int64_t kTransferGranule = 1024;
// Far beyond any sensor; keeps every byte count of a frame inside 32 bits.
constexpr std::int64_t kMostTransferSamples = std::int64_t{1} << 29;

}  // namespace

int DeviceLink::SetCaptureWindow(int x, int y, int width, int height, int mode) {
  bool rejected = x < 0 || y < 0 || width < 4 || height < 3 ||
                  std::int64_t{x} + width > kSensorWidth ||
                  std::int64_t{y} + height > kSensorHeight || mode < 0 || mode > 3;
  if (rejected) return kLinkBadWindow;
  // The window and mode must always describe the layout the buffers have.
  if (TransferRunning()) return kLinkBusy;
  window_ = CaptureWindow{x, y, width, height};
  windowMode_ = mode;
  SetRawLayout(kLinePitch, kLineStart, width, height + 1, 1, height, kStreamBufferCount);
  return kLinkOk;
}

int DeviceLink::SetRawLayout(int linePitch, int lineStart, int width, int totalLines, int firstLine,
                             int lines, int bufferCount) {
  if (linePitch <= 0 || width <= 0 || lineStart < 0 ||
      std::int64_t{lineStart} + width > linePitch) {
    return kLinkBadHorizontal;
  }
  if (totalLines <= 0 || lines <= 0 || firstLine < 0 ||
      std::int64_t{firstLine} + lines > totalLines) {
    return kLinkBadVertical;
  }
  if (bufferCount < 2) return kLinkBadWindow;
  // The transfer threads write into these buffers; they are never freed under them.
  if (TransferRunning()) return kLinkBusy;

  ReleaseBuffers();
  std::int64_t used = (std::int64_t{firstLine} + lines) * linePitch;
  std::int64_t transfer = (used + kTransferGranule - 1) / kTransferGranule * kTransferGranule;
  if (transfer > kMostTransferSamples || bufferCount > 1024) return kLinkOutOfMemory;

  layout_ = RawLayout{linePitch,
                      lineStart,
                      width,
                      totalLines,
                      firstLine,
                      lines,
                      static_cast<std::int32_t>(transfer),
                      static_cast<std::int32_t>(used)};
  bufferCount_ = bufferCount;
  rawFrame_.reset(new (std::nothrow) std::uint16_t[static_cast<std::size_t>(transfer)]());
  if (!rawFrame_) return kLinkOutOfMemory;

  bufferBytes_ = static_cast<std::int32_t>(transfer * 2);
  ring_.reserve(static_cast<std::size_t>(bufferCount));
  for (int i = 0; i < bufferCount; ++i) {
    auto block = platform::GlobalBlock::Allocate(static_cast<std::size_t>(bufferBytes_));
    if (!block) {
      ReleaseBuffers();
      return kLinkOutOfMemory;
    }
    ring_.push_back(std::move(block));
  }
  SendCommandOnce(TransferSizePacket(static_cast<std::uint32_t>(transfer)));
  return kLinkOk;
}

void DeviceLink::ReleaseBuffers() {
  if (TransferRunning()) return;
  rawFrame_.reset();
  ring_.clear();
  ring_.shrink_to_fit();
}

// Not stopped: a stop marks the stream stopped before its thread has left the
// transfer that writes into the ring.
bool DeviceLink::TransferRunning() const {
  return stream_.running.load() == 1 || singleFrame_.done.load() == 0;
}

}  // namespace kelvo
