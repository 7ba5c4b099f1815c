// Reading the pictures customers point the emulator at: uncompressed BMP
// (8-bit with palette, 24-bit, 32-bit) and any PNG libpng reads.
#include <png.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "emulator/scene.h"

namespace kelvo::emulator {
namespace {

constexpr int kLargestSide = 16384;

std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
std::uint16_t Le16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

bool Fail(std::string* error, const std::string& why) {
  if (error != nullptr) *error = why;
  return false;
}

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

bool ReadBmpPicture(const std::string& path, RgbPicture* picture, std::string* error) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return Fail(error, "cannot open " + path);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(file)),
                                  std::istreambuf_iterator<char>());
  if (bytes.size() < 54 || bytes[0] != 'B' || bytes[1] != 'M') {
    return Fail(error, "not a BMP file: " + path);
  }
  std::uint32_t dataOffset = Le32(&bytes[10]);
  std::uint32_t headerSize = Le32(&bytes[14]);
  auto width = static_cast<std::int32_t>(Le32(&bytes[18]));
  auto signedHeight = static_cast<std::int32_t>(Le32(&bytes[22]));
  std::uint16_t bits = Le16(&bytes[28]);
  std::uint32_t compression = Le32(&bytes[30]);
  std::uint32_t paletteSize = Le32(&bytes[46]);
  bool topDown = signedHeight < 0;
  std::int64_t height = topDown ? -std::int64_t{signedHeight} : signedHeight;
  if (headerSize < 40 || width <= 0 || height <= 0 || width > kLargestSide ||
      height > kLargestSide) {
    return Fail(error, "unsupported BMP size or header: " + path);
  }
  bool bitfields32 = compression == 3 && bits == 32;  // the usual X8R8G8B8 masks
  if ((compression != 0 && !bitfields32) || (bits != 8 && bits != 24 && bits != 32)) {
    return Fail(error, "only uncompressed 8, 24 and 32-bit BMP files are read: " + path);
  }
  std::size_t stride = (static_cast<std::size_t>(width) * bits / 8 + 3) & ~std::size_t{3};
  if (dataOffset > bytes.size() || bytes.size() - dataOffset < stride * height) {
    return Fail(error, "BMP pixel data is cut short: " + path);
  }
  std::vector<std::uint8_t> palette(256 * 3, 0);
  if (bits == 8) {
    std::size_t entries = paletteSize == 0 || paletteSize > 256 ? 256 : paletteSize;
    std::size_t at = 14 + headerSize;
    if (at + entries * 4 > dataOffset) return Fail(error, "BMP palette is cut short: " + path);
    for (std::size_t i = 0; i < entries; ++i) {
      palette[3 * i] = bytes[at + 4 * i + 2];
      palette[3 * i + 1] = bytes[at + 4 * i + 1];
      palette[3 * i + 2] = bytes[at + 4 * i];
    }
  }
  picture->width = width;
  picture->height = static_cast<int>(height);
  picture->rgb.assign(static_cast<std::size_t>(width) * height * 3, 0);
  for (std::int64_t y = 0; y < height; ++y) {
    std::int64_t stored = topDown ? y : height - 1 - y;
    const std::uint8_t* row = &bytes[dataOffset + stored * stride];
    std::uint8_t* out = &picture->rgb[static_cast<std::size_t>(y) * width * 3];
    for (std::int32_t x = 0; x < width; ++x) {
      if (bits == 8) {
        std::memcpy(out + 3 * x, &palette[3 * row[x]], 3);
      } else {
        const std::uint8_t* bgr = row + x * (bits / 8);
        out[3 * x] = bgr[2];
        out[3 * x + 1] = bgr[1];
        out[3 * x + 2] = bgr[0];
      }
    }
  }
  return true;
}

namespace {

void PngErrorToLongjmp(png_structp png, png_const_charp) { longjmp(png_jmpbuf(png), 1); }
void PngWarningIgnored(png_structp, png_const_charp) {}

// Everything libpng touches between setjmp and longjmp lives in plain storage
// owned by the caller, so a jump out of a broken file leaks nothing.
bool DecodePng(std::FILE* file, png_structp png, png_infop info, RgbPicture* picture,
               std::vector<png_bytep>* rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, file);
  png_read_info(png, info);
  png_uint_32 width = png_get_image_width(png, info);
  png_uint_32 height = png_get_image_height(png, info);
  if (width == 0 || height == 0 || width > kLargestSide || height > kLargestSide) return false;
  png_set_expand(png);
  png_set_strip_16(png);
  png_set_strip_alpha(png);
  png_set_gray_to_rgb(png);
  png_set_interlace_handling(png);
  png_read_update_info(png, info);
  if (png_get_rowbytes(png, info) != width * 3) return false;
  picture->width = static_cast<int>(width);
  picture->height = static_cast<int>(height);
  picture->rgb.assign(static_cast<std::size_t>(width) * height * 3, 0);
  rows->resize(height);
  for (png_uint_32 y = 0; y < height; ++y) (*rows)[y] = &picture->rgb[y * width * 3];
  png_read_image(png, rows->data());
  png_read_end(png, nullptr);
  return true;
}

}  // namespace

bool ReadPngPicture(const std::string& path, RgbPicture* picture, std::string* error) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return Fail(error, "cannot open " + path);
  png_structp png =
      png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, PngErrorToLongjmp, PngWarningIgnored);
  if (png == nullptr) return Fail(error, "out of memory reading " + path);
  png_infop info = png_create_info_struct(png);
  if (info == nullptr) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    return Fail(error, "out of memory reading " + path);
  }
  std::vector<png_bytep> rows;
  bool decoded = DecodePng(file.get(), png, info, picture, &rows);
  png_destroy_read_struct(&png, &info, nullptr);
  if (!decoded) return Fail(error, "not a PNG picture we can read: " + path);
  return true;
}

}  // namespace kelvo::emulator
