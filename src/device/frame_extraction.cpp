#include <cstring>

#include "device/device_link.h"

namespace kelvo {
namespace {

// Sub-sampling of window modes 0 to 3: the picture is the window divided by this.
constexpr std::int32_t kSubSampleDivisor[] = {1, 2, 4, 8};

bool IsWindowMode(int mode) { return mode >= 0 && mode <= 3; }

// Line or pixel n of a sub-sampled picture: whole 2x2 sample blocks are kept,
// every divisor-th block taken, so each sample keeps its place in the Bayer pattern.
std::size_t SourceIndex(std::int32_t n, std::int32_t divisor) {
  return static_cast<std::size_t>(n / 2) * 2 * divisor + n % 2;
}

}  // namespace

PictureSize SubSampledPicture(const RawLayout& layout, int windowMode) {
  if (!IsWindowMode(windowMode)) return {0, 0};
  std::int32_t divisor = kSubSampleDivisor[windowMode];
  return {layout.width / divisor, layout.lines / divisor};
}

// The camera always sends the whole window; sub-sampling happens here, on the copy.
int ExtractActivePixels(const RawLayout& layout, std::int32_t sampleWidth,
                        const unsigned char* source, std::size_t sourceBytes, void* dest,
                        std::size_t destBytes, int windowMode) {
  if (dest == nullptr) return kLinkNoDestination;
  const PictureSize picture = SubSampledPicture(layout, windowMode);
  if (picture.width <= 0 || picture.lines <= 0) return kLinkBadWindow;
  const std::size_t sampleBytes = sampleWidth != 0 ? 2 : 1;
  const std::size_t rowBytes = static_cast<std::size_t>(picture.width) * sampleBytes;
  if (destBytes < rowBytes * static_cast<std::size_t>(picture.lines)) return kLinkNoDestination;
  const std::int32_t divisor = kSubSampleDivisor[windowMode];
  const std::size_t lastLine = SourceIndex(picture.lines - 1, divisor);
  const std::size_t lastPixel = SourceIndex(picture.width - 1, divisor);
  if (lastLine >= static_cast<std::size_t>(layout.lines) ||
      lastPixel >= static_cast<std::size_t>(layout.width)) {
    return kLinkBadWindow;
  }
  const std::size_t lastSample =
      (layout.firstLine + lastLine) * layout.linePitch + layout.lineStart + lastPixel + 1;
  if (source == nullptr || lastSample * sampleBytes > sourceBytes) return kLinkNoDestination;

  auto* out = static_cast<unsigned char*>(dest);
  for (std::int32_t row = 0; row < picture.lines; ++row) {
    const unsigned char* line =
        source +
        ((layout.firstLine + SourceIndex(row, divisor)) * layout.linePitch + layout.lineStart) *
            sampleBytes;
    unsigned char* target = out + row * rowBytes;
    if (divisor == 1) {
      std::memcpy(target, line, rowBytes);
      continue;
    }
    for (std::int32_t pixel = 0; pixel < picture.width; ++pixel) {
      std::memcpy(target + pixel * sampleBytes, line + SourceIndex(pixel, divisor) * sampleBytes,
                  sampleBytes);
    }
  }
  return kLinkOk;
}

int DeviceLink::PictureWidth() const { return SubSampledPicture(layout_, windowMode_).width; }

int DeviceLink::PictureLines() const { return SubSampledPicture(layout_, windowMode_).lines; }

int DeviceLink::ExtractFrame(void* dest, std::size_t destBytes) {
  if (dest == nullptr || !rawFrame_) return kLinkNoDestination;
  const auto* source = reinterpret_cast<const unsigned char*>(rawFrame_.get());
  return ExtractActivePixels(layout_, sampleWidth_, source,
                             static_cast<std::size_t>(layout_.transferSize) * 2, dest, destBytes,
                             windowMode_);
}

int DeviceLink::ExtractStreamFrame(void* dest, std::size_t destBytes) {
  if (dest == nullptr || ring_.empty()) return kLinkNoDestination;
  const auto count = static_cast<std::int32_t>(ring_.size());
  std::int32_t read = stream_.readIndex.load();
  if (read < 0 || read >= count) read = 0;
  const platform::GlobalBlock& entry = *ring_[static_cast<std::size_t>(read)];
  int result = ExtractActivePixels(layout_, sampleWidth_, entry.Data(), entry.Size(), dest,
                                   destBytes, windowMode_);
  stream_.readIndex.store(read + 1 == count ? 0 : read + 1);
  return result;
}

}  // namespace kelvo
