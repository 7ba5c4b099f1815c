#include <cstring>

#include "device/device_link.h"

namespace kelvo {

int ExtractActivePixels(const RawLayout& layout, std::int32_t sampleWidth,
                        const unsigned char* source, std::size_t sourceBytes, void* dest,
                        std::size_t destBytes) {
  if (dest == nullptr) return kLinkNoDestination;
  const std::size_t sampleBytes = sampleWidth != 0 ? 2 : 1;
  const std::size_t rowBytes = static_cast<std::size_t>(layout.width) * sampleBytes;
  if (destBytes < rowBytes * static_cast<std::size_t>(layout.lines)) return kLinkNoDestination;
  const std::size_t lastSample =
      static_cast<std::size_t>(layout.firstLine + layout.lines - 1) * layout.linePitch +
      layout.lineStart + layout.width;
  if (source == nullptr || lastSample * sampleBytes > sourceBytes) return kLinkNoDestination;

  auto* out = static_cast<unsigned char*>(dest);
  for (std::int32_t row = 0; row < layout.lines; ++row) {
    std::size_t first =
        static_cast<std::size_t>(layout.firstLine + row) * layout.linePitch + layout.lineStart;
    std::memcpy(out + row * rowBytes, source + first * sampleBytes, rowBytes);
  }
  return kLinkOk;
}

int DeviceLink::ExtractFrame(void* dest, std::size_t destBytes) {
  if (dest == nullptr || !rawFrame_) return kLinkNoDestination;
  const auto* source = reinterpret_cast<const unsigned char*>(rawFrame_.get());
  return ExtractActivePixels(layout_, sampleWidth_, source,
                             static_cast<std::size_t>(layout_.transferSize) * 2, dest, destBytes);
}

int DeviceLink::ExtractStreamFrame(void* dest, std::size_t destBytes) {
  if (dest == nullptr || ring_.empty()) return kLinkNoDestination;
  const auto count = static_cast<std::int32_t>(ring_.size());
  std::int32_t read = stream_.readIndex.load();
  if (read < 0 || read >= count) read = 0;
  const platform::GlobalBlock& entry = *ring_[static_cast<std::size_t>(read)];
  int result =
      ExtractActivePixels(layout_, sampleWidth_, entry.Data(), entry.Size(), dest, destBytes);
  stream_.readIndex.store(read + 1 == count ? 0 : read + 1);
  return result;
}

}  // namespace kelvo
