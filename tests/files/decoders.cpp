#include "files/decoders.h"

#include <png.h>
#include <tiffio.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <sstream>

// After stdio (for FILE) and after windows.h, whose INT32 it then leaves alone.
#ifdef _WIN32
#include <windows.h>
#endif
#include <jpeglib.h>

namespace kelvo::testing {
namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Decoder state kept out of the frame that sets the jump.
struct PngRead {
  png_structp png = nullptr;
  png_infop info = nullptr;
};

bool DecodePng(PngRead& read, std::FILE* file, PngFile& out) {
  if (setjmp(png_jmpbuf(read.png)) != 0) return false;
  png_init_io(read.png, file);
  png_read_png(read.png, read.info, PNG_TRANSFORM_IDENTITY, nullptr);
  out.width = static_cast<int>(png_get_image_width(read.png, read.info));
  out.height = static_cast<int>(png_get_image_height(read.png, read.info));
  out.bitDepth = png_get_bit_depth(read.png, read.info);
  out.colorType = png_get_color_type(read.png, read.info);
  out.channels = png_get_channels(read.png, read.info);
  png_bytepp rows = png_get_rows(read.png, read.info);
  for (int y = 0; y < out.height; ++y) {
    for (int i = 0; i < out.width * out.channels; ++i) {
      // PNG stores 16-bit samples most significant byte first.
      out.samples.push_back(out.bitDepth == 16 ? rows[y][2 * i] << 8 | rows[y][2 * i + 1]
                                               : rows[y][i]);
    }
  }
  return true;
}

struct JpegErrors {
  jpeg_error_mgr library;
  std::jmp_buf recovery;
};

[[noreturn]] void JpegFailed(j_common_ptr info) {
  std::longjmp(reinterpret_cast<JpegErrors*>(info->err)->recovery, 1);
}

struct JpegRead {
  jpeg_decompress_struct info{};
  JpegErrors errors{};
};

bool DecodeJpeg(JpegRead& read, std::FILE* file, JpegFile& out) {
  if (setjmp(read.errors.recovery) != 0) return false;
  read.info.err = jpeg_std_error(&read.errors.library);
  read.errors.library.error_exit = JpegFailed;
  jpeg_create_decompress(&read.info);
  jpeg_stdio_src(&read.info, file);
  jpeg_read_header(&read.info, TRUE);
  out.progressive = read.info.progressive_mode != 0;
  out.components = read.info.num_components;
  out.colorSpace = read.info.jpeg_color_space;
  jpeg_start_decompress(&read.info);
  out.width = static_cast<int>(read.info.output_width);
  out.height = static_cast<int>(read.info.output_height);
  out.channels = read.info.output_components;
  std::vector<JSAMPLE> row(static_cast<std::size_t>(out.width) * out.channels);
  while (read.info.output_scanline < read.info.output_height) {
    JSAMPROW rows[1] = {row.data()};
    jpeg_read_scanlines(&read.info, rows, 1);
    out.samples.insert(out.samples.end(), row.begin(), row.end());
  }
  jpeg_finish_decompress(&read.info);
  return true;
}

}  // namespace

std::optional<PngFile> ReadPng(const std::string& path) {
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) return std::nullopt;
  PngRead read;
  read.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  read.info = png_create_info_struct(read.png);
  PngFile out;
  const bool decoded = DecodePng(read, file.get(), out);
  png_destroy_read_struct(&read.png, &read.info, nullptr);
  if (!decoded) return std::nullopt;
  return out;
}

std::optional<JpegFile> ReadJpeg(const std::string& path) {
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) return std::nullopt;
  JpegRead read;
  JpegFile out;
  const bool decoded = DecodeJpeg(read, file.get(), out);
  jpeg_destroy_decompress(&read.info);
  if (!decoded) return std::nullopt;
  return out;
}

std::optional<TiffFile> ReadTiff(const std::string& path) {
  // The files carry no ExtraSamples tag on purpose: the reader's warning about it is noise.
  TIFFSetWarningHandler(nullptr);
  // "c": no strip chopping, so the reader shows the strips as they are in the file.
  std::unique_ptr<TIFF, decltype(&TIFFClose)> tiff(TIFFOpen(path.c_str(), "rc"), TIFFClose);
  if (!tiff) return std::nullopt;
  TIFF* t = tiff.get();
  TiffFile out;
  if (!TIFFGetField(t, TIFFTAG_IMAGEWIDTH, &out.imageWidth) ||
      !TIFFGetField(t, TIFFTAG_IMAGELENGTH, &out.imageLength)) {
    return std::nullopt;
  }
  TIFFGetField(t, TIFFTAG_COMPRESSION, &out.compression);
  TIFFGetField(t, TIFFTAG_PLANARCONFIG, &out.planarConfig);
  TIFFGetField(t, TIFFTAG_BITSPERSAMPLE, &out.bitsPerSample);
  TIFFGetField(t, TIFFTAG_PHOTOMETRIC, &out.photometric);
  TIFFGetField(t, TIFFTAG_SAMPLESPERPIXEL, &out.samplesPerPixel);
  out.strips = TIFFNumberOfStrips(t);
  std::uint64_t* byteCounts = nullptr;
  if (TIFFGetField(t, TIFFTAG_STRIPBYTECOUNTS, &byteCounts) && byteCounts != nullptr) {
    out.stripBytes = byteCounts[0];
  }
  out.scanlineBytes = TIFFScanlineSize64(t);

  out.width = static_cast<int>(out.imageWidth);
  out.height = static_cast<int>(out.imageLength);
  out.channels = out.samplesPerPixel;
  std::vector<std::uint8_t> strip(static_cast<std::size_t>(TIFFStripSize(t)));
  if (out.strips != 1 ||
      TIFFReadEncodedStrip(t, 0, strip.data(), static_cast<tmsize_t>(strip.size())) < 0) {
    return out;  // the tags still say what is wrong
  }
  const std::size_t count = static_cast<std::size_t>(out.width) * out.height * out.channels;
  for (std::size_t i = 0; i < count; ++i) {
    // libtiff hands out 16-bit samples in host order.
    out.samples.push_back(out.bitsPerSample == 16
                              ? reinterpret_cast<const std::uint16_t*>(strip.data())[i]
                              : strip[i]);
  }
  return out;
}

#ifdef _WIN32

bool HaveBitmapReader() { return true; }

// Named as Python's imaging library names them: "L" for an 8-bit picture with
// the grey ramp, "P" for other colour tables, "RGB" for colour pictures.
const char* ModeOf(HBITMAP bitmap, HDC dc, WORD bitCount) {
  if (bitCount != 8) return "RGB";
  HGDIOBJ previous = SelectObject(dc, bitmap);
  RGBQUAD table[256] = {};
  const UINT entries = GetDIBColorTable(dc, 0, 256, table);
  SelectObject(dc, previous);
  bool grey = entries == 256;
  for (UINT i = 0; i < entries; ++i) {
    grey = grey && table[i].rgbRed == i && table[i].rgbGreen == i && table[i].rgbBlue == i;
  }
  return grey ? "L" : "P";
}

// Windows' own loader, then GDI's conversion to top-down 24-bit rows.
std::optional<BitmapView> ReadBitmapIndependently(const std::string& path) {
  auto* bitmap = static_cast<HBITMAP>(
      LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  if (bitmap == nullptr) return std::nullopt;
  DIBSECTION section{};
  GetObjectA(bitmap, sizeof section, &section);
  BitmapView view;
  view.width = section.dsBm.bmWidth;
  view.height = section.dsBm.bmHeight;
  view.channels = 3;
  HDC dc = CreateCompatibleDC(nullptr);
  view.mode = ModeOf(bitmap, dc, section.dsBmih.biBitCount);
  if (view.width * view.height <= 4096) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = view.width;
    info.bmiHeader.biHeight = -view.height;  // top-down: first row is the top
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    const int stride = (view.width * 3 + 3) / 4 * 4;
    std::vector<std::uint8_t> rows(static_cast<std::size_t>(stride) * view.height);
    if (GetDIBits(dc, bitmap, 0, static_cast<UINT>(view.height), rows.data(), &info,
                  DIB_RGB_COLORS) == view.height) {
      for (int y = 0; y < view.height; ++y) {
        for (int x = 0; x < view.width; ++x) {
          const std::uint8_t* bgr = &rows[static_cast<std::size_t>(y) * stride + 3 * x];
          view.samples.insert(view.samples.end(), {bgr[2], bgr[1], bgr[0]});
        }
      }
    }
  }
  DeleteDC(dc);
  DeleteObject(bitmap);
  return view;
}

#else

namespace {

constexpr const char* kPython = "/usr/bin/python3";

constexpr const char* kBitmapScript = R"(
import sys
from PIL import Image
image = Image.open(sys.argv[1])
image.load()
print(image.format, image.mode, image.width, image.height)
if image.width * image.height <= 4096:
    rgb = image.convert("RGB")
    for y in range(image.height):
        print(" ".join("%d %d %d" % rgb.getpixel((x, y)) for x in range(image.width)))
)";

}  // namespace

bool HaveBitmapReader() {
  return std::filesystem::exists(kPython) &&
         std::system((std::string(kPython) + " -c 'import PIL' 2>/dev/null").c_str()) == 0;
}

std::optional<BitmapView> ReadBitmapIndependently(const std::string& path) {
  const std::string script = path + ".py";
  {
    File out(std::fopen(script.c_str(), "w"));
    if (!out) return std::nullopt;
    std::fputs(kBitmapScript, out.get());
  }
  const std::string command = std::string(kPython) + " '" + script + "' '" + path + "'";
  std::unique_ptr<std::FILE, decltype(&pclose)> pipe(popen(command.c_str(), "r"), pclose);
  if (!pipe) return std::nullopt;
  std::string text;
  char buffer[4096];
  while (std::size_t n = std::fread(buffer, 1, sizeof buffer, pipe.get())) text.append(buffer, n);
  std::filesystem::remove(script);

  std::istringstream in(text);
  std::string format;
  BitmapView view;
  if (!(in >> format >> view.mode >> view.width >> view.height) || format != "BMP") {
    return std::nullopt;
  }
  view.channels = 3;
  for (std::uint32_t value; in >> value;) view.samples.push_back(value);
  return view;
}

#endif

}  // namespace kelvo::testing
