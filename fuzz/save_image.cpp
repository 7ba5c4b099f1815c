// The save dispatcher with random geometry, bit counts, palettes, pixels and
// format codes. An unknown code or an empty image writes no file; a file that
// cannot be made is a 0, never a crash.
#include "files/save_image.h"

#include <filesystem>
#include <string>

#include "fuzz_entries.h"
#include "fuzz_input.h"

namespace kelvo::fuzz {

int FuzzSaveImage(const std::uint8_t* data, std::size_t size) {
  FuzzInput in(data, size);
  constexpr std::uint16_t kBitCounts[] = {8, 16, 24, 32, 48, 64, 0, 12};
  std::int32_t width = in.Range(-2, 200), height = in.Range(-2, 120);
  std::uint16_t bits = kBitCounts[in.Byte() % 8];
  int formatCode = in.Byte() % 4 == 0 ? in.I32() : in.Range(-1, 8);
  bool missingFolder = in.Byte() % 16 == 0;

  FrameImage image;
  if (image.Create(width, height, bits) == 1) {
    std::vector<std::uint8_t> fill = in.Bytes(256);
    const std::size_t bytes = static_cast<std::size_t>(image.stride) * image.height;
    for (std::size_t i = 0; i < bytes; ++i) image.pixels[i] = fill[i % fill.size()];
    if (bits == 8 && in.Byte() % 2 == 0) {
      std::vector<std::uint8_t> entries = in.Bytes(4 * 256);
      int first = in.Range(-2, 257);
      int count = in.Range(-2, 300);
      image.SetPalette(2, reinterpret_cast<const RgbQuad*>(entries.data()), first, count);
    }
  }
  std::filesystem::path path = ScratchFolder() / (missingFolder ? "no-such-folder/x.img" : "x.img");
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  int saved = SaveImage(path.string().c_str(), &image, formatCode);
  bool known = formatCode >= kSaveBmp && formatCode <= kSaveTiff;
  bool exists = std::filesystem::exists(path, ignored);
  if ((!known || image.pixels == nullptr) && (saved != 0 || exists)) __builtin_trap();
  if (saved == 1 && !exists) __builtin_trap();
  return 0;
}

}  // namespace kelvo::fuzz
