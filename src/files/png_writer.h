// PNG files through libpng.
#pragma once

#include <cstdint>

namespace kelvo::files {

// How hard zlib works: its level and strategy, and the row filters libpng may
// choose from (PNG_FILTER_* bits).
struct PngCompression {
  int level;
  int strategy;
  int filters;
};

// What Kelvo_SaveImage uses: picked by the file benchmark, which measures the
// alternatives on a camera-like picture.
extern const PngCompression kPngCompression;

// Writes height rows of width pixels from pixels (rows 4-byte aligned, top row
// first, blue before red, 16-bit samples little-endian) at bitCount 8, 16, 24,
// 32, 48 or 64. Every call keeps its own library state, so saves on several
// threads may run at once. 1 written, 0 failed (a partly written file stays).
int WritePng(const char* fileName, const std::uint8_t* pixels, std::int32_t width,
             std::int32_t height, int bitCount,
             const PngCompression& compression = kPngCompression);

}  // namespace kelvo::files
