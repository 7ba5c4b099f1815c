#include "files/save_image.h"

#include "files/bmp_writer.h"
#include "files/jpeg_writer.h"
#include "files/pixel_conversions.h"
#include "files/png_writer.h"
#include "files/tiff_writer.h"
#include "platform/gdi_flip.h"

namespace kelvo {
namespace files {
namespace {

struct JpegPreparation {
  std::uint16_t sourceBits;
  std::uint16_t jpegBits;
  PixelKernel convert;
  bool gdiFlips;  // GDI can do this one when both images have a DC
};

const JpegPreparation kJpegPreparations[] = {
    {8, 8, CopyRowsReversed, false},         {16, 8, GreyTo8Reversed, false},
    {24, 24, ColourTo24Reversed, true},      {32, 24, ColourTo24Reversed, true},
    {48, 24, DeepColourTo24Reversed, false}, {64, 24, DeepColourTo24Reversed, false},
};

// Kernels that bring a picture into the layout the PNG writer expects; null
// means the source's own storage is written as it is.
struct PngPreparation {
  std::uint16_t sourceBits;
  PixelKernel convert;
};

const PngPreparation kPngPreparations[] = {
    {8, nullptr},           {16, GreyShift4}, {24, nullptr},
    {32, BgraInvertFourth}, {48, BgrShift6},  {64, BgraShift6Opaque},
};

int JpegQuality(int formatCode) {
  switch (formatCode) {
    case kSaveJpeg70:
      return 70;
    case kSaveJpeg20:
      return 20;
    default:
      return 100;
  }
}

bool HasPicture(const FrameImage* image) {
  return image != nullptr && image->pixels != nullptr && image->width > 0 && image->height > 0;
}

int SaveBmp(const char* fileName, FrameImage* source) {
  // A bottom-up file: the copy's first stored row is the picture's bottom row.
  FrameImage reversed;
  if (reversed.CopyFormat(source) == 0) return 0;
  reversed.Transfer(CopyRowsReversed, source, nullptr, 0, 0, 0, 0);
  return WriteBmp(reversed, fileName);
}

int SaveJpeg(const char* fileName, FrameImage* source, int quality) {
  FrameImage jpegImage;
  if (PrepareJpegImage(source, jpegImage) == 0) return 0;
  return WriteJpeg(fileName, jpegImage, quality, true);
}

int SavePng(const char* fileName, FrameImage* source) {
  for (const PngPreparation& preparation : kPngPreparations) {
    if (preparation.sourceBits != source->bitCount) continue;
    if (preparation.convert == nullptr) {
      return WritePng(fileName, source->pixels, source->width, source->height, source->bitCount);
    }
    FrameImage converted;
    if (converted.CopyFormat(source) == 0) return 0;
    converted.Transfer(preparation.convert, source, nullptr, 0, 0, 0, 0);
    return WritePng(fileName, converted.pixels, source->width, source->height, source->bitCount);
  }
  return 0;
}

}  // namespace

int PrepareJpegImage(FrameImage* source, FrameImage& jpegImage) {
  if (!HasPicture(source)) return 0;
  for (const JpegPreparation& preparation : kJpegPreparations) {
    if (preparation.sourceBits != source->bitCount) continue;
    if (jpegImage.Create(source->width, source->height, preparation.jpegBits) == 0) return 0;
    if (preparation.gdiFlips &&
        platform::FlipBlit(jpegImage.memoryDC, source->memoryDC, source->width, source->height)) {
      return 1;
    }
    jpegImage.Transfer(preparation.convert, source, nullptr, 0, 0, 0, 0);
    return 1;
  }
  return 0;
}

}  // namespace files

int SaveImage(const char* fileName, FrameImage* source, int formatCode) {
  if (!files::HasPicture(source) || fileName == nullptr) return 0;
  switch (formatCode) {
    case kSaveBmp:
      return files::SaveBmp(fileName, source);
    case kSaveRaw:
      return files::WriteRaw(*source, fileName);
    case kSaveJpeg100:
    case kSaveJpeg70:
    case kSaveJpeg20:
      return files::SaveJpeg(fileName, source, files::JpegQuality(formatCode));
    case kSavePng:
      return files::SavePng(fileName, source);
    case kSaveTiff:
      return files::WriteTiff(fileName, source);
    default:
      return 0;
  }
}

}  // namespace kelvo
