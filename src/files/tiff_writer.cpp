#include "files/tiff_writer.h"

#include <tiffio.h>

#include <cstddef>
#include <cstring>
#include <memory>

#include "files/pixel_conversions.h"

namespace kelvo::files {
namespace {

struct TiffLayout {
  std::uint16_t bitCount;
  std::uint16_t bitsPerSample;
  std::uint16_t photometric;
  std::uint16_t samplesPerPixel;
  PixelKernel convert;
};

const TiffLayout kLayouts[] = {
    {8, 8, PHOTOMETRIC_MINISBLACK, 1, CopyRows},
    {16, 16, PHOTOMETRIC_MINISBLACK, 1, GreyShift4},
    {24, 8, PHOTOMETRIC_RGB, 3, BgrToRgb},
    {32, 8, PHOTOMETRIC_RGB, 4, BgrxToRgbx},
    {48, 16, PHOTOMETRIC_RGB, 3, BgrToRgbShift6},
    {64, 16, PHOTOMETRIC_RGB, 4, BgraToRgbaShift6Opaque},
};

const TiffLayout* LayoutFor(std::uint16_t bitCount) {
  for (const TiffLayout& layout : kLayouts) {
    if (layout.bitCount == bitCount) return &layout;
  }
  return nullptr;
}

struct TiffCloser {
  void operator()(TIFF* tiff) const { TIFFClose(tiff); }
};

// TIFF rows carry no padding: move each row down onto its packed place.
void PackRows(FrameImage& image, std::size_t packedRow) {
  if (packedRow == static_cast<std::size_t>(image.stride)) return;
  for (std::int32_t row = 1; row < image.height; ++row) {
    std::memmove(image.pixels + row * packedRow, image.Row(row), packedRow);
  }
}

// The library's handlers print into the host's standard error; without them
// a failure is the writer's result alone. In the DLL the library is linked
// in, so these handlers are the SDK's own.
void SilenceTiff() {
  static const bool silenced = [] {
    TIFFSetErrorHandler(nullptr);
    TIFFSetWarningHandler(nullptr);
    return true;
  }();
  (void)silenced;
}

}  // namespace

int WriteTiff(const char* fileName, FrameImage* source) {
  if (fileName == nullptr || source == nullptr || source->pixels == nullptr) return 0;
  const TiffLayout* layout = LayoutFor(source->bitCount);
  if (layout == nullptr) return 0;

  // The copy comes first: opening truncates the file, and a failed copy must
  // leave whatever file was there.
  FrameImage copy;
  if (copy.CopyFormat(source) == 0) return 0;
  copy.Transfer(layout->convert, source, nullptr, 0, 0, 0, 0);
  const std::size_t packedRow =
      static_cast<std::size_t>(copy.width) * layout->samplesPerPixel * layout->bitsPerSample / 8;
  PackRows(copy, packedRow);

  SilenceTiff();
  std::unique_ptr<TIFF, TiffCloser> tiff(TIFFOpen(fileName, "w"));
  if (!tiff) return 0;
  TIFFSetField(tiff.get(), TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(source->width));
  TIFFSetField(tiff.get(), TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(source->height));
  TIFFSetField(tiff.get(), TIFFTAG_COMPRESSION, COMPRESSION_NONE);
  TIFFSetField(tiff.get(), TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG);
  TIFFSetField(tiff.get(), TIFFTAG_BITSPERSAMPLE, layout->bitsPerSample);
  TIFFSetField(tiff.get(), TIFFTAG_PHOTOMETRIC, layout->photometric);
  TIFFSetField(tiff.get(), TIFFTAG_SAMPLESPERPIXEL, layout->samplesPerPixel);
  const tmsize_t written = TIFFWriteEncodedStrip(tiff.get(), 0, copy.pixels,
                                                 static_cast<tmsize_t>(packedRow * copy.height));
  // The directory goes out now rather than in TIFFClose, which cannot report a full disk.
  const bool directoryWritten = TIFFFlush(tiff.get()) == 1;
  return written > 0 && directoryWritten ? 1 : 0;
}

}  // namespace kelvo::files
