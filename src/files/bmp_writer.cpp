#include "files/bmp_writer.h"

#include <array>
#include <cstddef>
#include <cstring>

#include "platform/output_file.h"

namespace kelvo::files {
namespace {

constexpr std::uint32_t kFileHeaderSize = 14;
constexpr std::uint32_t kColorTableSize = 256 * sizeof(RgbQuad);

void PutLittleEndian(std::uint8_t* at, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::size_t StorageBytes(const FrameImage& image) {
  return static_cast<std::size_t>(image.stride) * static_cast<std::size_t>(image.height);
}

bool HasStorage(const FrameImage& image) {
  return image.pixels != nullptr && image.width > 0 && image.height > 0 && image.stride > 0;
}

}  // namespace

int WriteBmp(const FrameImage& image, const char* fileName) {
  if (!HasStorage(image)) return 0;
  platform::OutputFile file;
  if (!file.Open(fileName)) return 0;

  const bool indexed = image.bitCount <= 8;
  const std::uint32_t pixelOffset =
      kFileHeaderSize + sizeof(BitmapInfoHeader) + (indexed ? kColorTableSize : 0);
  std::array<std::uint8_t, kFileHeaderSize> fileHeader{};
  fileHeader[0] = 'B';
  fileHeader[1] = 'M';
  PutLittleEndian(&fileHeader[2], pixelOffset + static_cast<std::uint32_t>(StorageBytes(image)), 4);
  PutLittleEndian(&fileHeader[10], pixelOffset, 4);

  const bool written = file.Write(fileHeader.data(), fileHeader.size()) &&
                       file.Write(&image.header, sizeof image.header) &&
                       (!indexed || file.Write(image.Palette().data(), kColorTableSize)) &&
                       file.Write(image.pixels, StorageBytes(image));
  return file.Close() && written ? 1 : 0;
}

int WriteRaw(const FrameImage& image, const char* fileName) {
  if (!HasStorage(image)) return 0;
  platform::OutputFile file;
  if (!file.Open(fileName)) return 0;
  const bool written = file.Write(image.pixels, StorageBytes(image));
  return file.Close() && written ? 1 : 0;
}

}  // namespace kelvo::files
